#pragma once
// The one document of the main window: the view's base picture and layer stack, the selection,
// the clean photo, the composite, the modified mark, the framed-base marker and the history state.
#include "core/bitmap32.h"
#include "core/imgview.h"
#include "core/layers.h"

#include <string>

namespace kv {

struct TZoomModel;

// Layer tags.
constexpr int kTagOrdinary = 0;   // frame overlays, picture layers restored from a project
constexpr int kTagOvalFrame = 1;  // the oval-frame generator's frame layer
constexpr int kTagTemporary1 = 3; // temporary helper layers
constexpr int kTagTemporary2 = 4;
constexpr int kTagCaption = 159; // the caption layer (at most one)

// Modified mark values.
constexpr int kMarkClean = 100;
constexpr int kMarkModified = 777;

// Framed-base marker value while a frame style has drawn its frame into the base picture.
inline const std::string kFramedBaseMark = "mon";

// History kinds and the layer index that stands for the base picture.
inline const std::string kHistNone = "none";
inline const std::string kHistEffect = "effect";
inline const std::string kHistSize = "size";
inline const std::string kHistHolst = "holst";
inline const std::string kHistGeom = "geom";
constexpr int kBaseLayerIndex = 777;

// One undo step and one redo step; the commands that use them live with the history.
struct THistoryState {
    std::string UndoKind = kHistNone;
    std::string RedoKind = kHistNone;
    TBitmap32 UndoPicture;
    TBitmap32 RedoPicture;
    int UndoLayer = kBaseLayerIndex;
    int RedoLayer = kBaseLayerIndex;
    TFloatRect UndoLocation{};
    TFloatRect RedoLocation{};
    void ClearSteps() {
        UndoKind = kHistNone;
        RedoKind = kHistNone;
    }
};

class TDocument {
  public:
    TDocument();
    ~TDocument();
    TDocument(const TDocument&) = delete;
    TDocument& operator=(const TDocument&) = delete;

    // The view: base picture (ImgView.Bitmap) and layer stack (ImgView.Layers()).
    TImgView32 ImgView;
    TBitmap32& Base() { return ImgView.Bitmap; }
    const TBitmap32& Base() const { return ImgView.Bitmap; }
    TLayerCollection& Layers() { return ImgView.Layers(); }
    bool Empty() const { return ImgView.Bitmap.Empty(); }

    TBitmap32 CleanPhoto;
    TBitmap32 Composite;
    int Modified = kMarkClean;
    bool IsModified() const { return Modified == kMarkModified; }
    std::string FramedBaseMarker;
    THistoryState History;

    // Selection: a layer of the stack or none. Cleared automatically when that layer is destroyed.
    TCustomLayer* Selection() const { return fSelection; }
    void Select(TCustomLayer* layer);
    // The selection when it is a bitmap layer, else null.
    TBitmapLayer* SelectedBitmapLayer() const;

    // Composite := what the view shows at scale 1 for (0, 0, width, height); clears the selection.
    void Compose();
    // Burns every layer into the base picture (after removing one temporary layer).
    void Flatten();
    // Removes the lowest layer tagged 3 or 4 (one per call).
    void RemoveTemporaryLayers();
    // Removes the lowest caption layer.
    void RemoveCaptionLayer();
    // "Снять рамку": all layers removed, base picture := CleanPhoto, then fit to window.
    void RemoveFrame(TZoomModel& zoom);
    // Destroys the selected layer, keeping the history's layer indices consistent.
    void DeleteSelectedLayer();
    // Every open path: selection and layers cleared, Scale 1. The caller replaces the base picture.
    void StartNewContent();
    // Paste as new: as StartNewContent but the scale stays.
    void PasteAsNewContent();
    // CleanPhoto := copy of the base picture unless the base picture carries a frame.
    void RefreshCleanPhoto();

    bool BaseFramed() const { return FramedBaseMarker == kFramedBaseMark; }
    void MarkBaseFramed() { FramedBaseMarker = kFramedBaseMark; }
    void ClearBaseFramed() { FramedBaseMarker.clear(); }

    // Layer property controls of the side panel.
    void LayerOpacityChange(int position);
    void LayerInterpolateClick(bool checked);
    void ImageInterpolateClick(bool checked);

    // Replaces the base picture's size and pixels with src's, keeping the base picture's own
    // drawing properties (DrawMode, MasterAlpha, OuterColor, StretchFilter).
    void SetBasePixels(const TBitmap32& src);
    // The base picture takes src's size and pixels without a copy (src receives the old pixels);
    // the base picture keeps its own drawing properties.
    void TakeBasePixels(TBitmap32& src);

  private:
    TCustomLayer* fSelection = nullptr;
    int fViewSubscription = 0;
    int fRemovingSubscription = 0;
};

} // namespace kv
