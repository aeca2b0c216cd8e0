#pragma once
// TImgView32: the zoomable, scrollable view of a base picture with its layers, as a model without
// any toolkit. The widget that shows it sets the client size, forwards scrolling, calls Paint() and
// copies Buffer() to the screen.
#include "core/bitmap32.h"
#include "core/geometry.h"
#include "core/layers.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kv {

// Paint stages, in the order they run.
enum TPaintStage { psCustom = 0, psControlFrame = 1, psDrawBitmap = 2, psBitmapFrame = 3, psDrawLayers = 4 };

class TImgView32 {
  public:
    TImgView32();
    ~TImgView32();
    TImgView32(const TImgView32&) = delete;
    TImgView32& operator=(const TImgView32&) = delete;

    // The base picture (OuterColor 0x7FFFFFFF) and the layer collection, both owned.
    TBitmap32 Bitmap;
    TLayerCollection& Layers() { return fLayers; }
    const TLayerCollection& Layers() const { return fLayers; }

    // Scale: values below 0.001 are stored as 0.001; a change fires OnChange.
    float Scale() const { return fScale; }
    void SetScale(float s);

    // Client area of the view (scroll bars included) and the scroll bars' thickness.
    void SetClientSize(int w, int h);
    int ClientWidth() const { return fClientWidth; }
    int ClientHeight() const { return fClientHeight; }
    int ScrollBarSize() const { return fScrollBarSize; }
    void SetScrollBarSize(int s);
    // (0, 0, client width - scroll bar size, client height - scroll bar size), never negative.
    TRect GetViewportRect() const;

    // Scroll positions in view pixels, each 0..max(0, picture extent - viewport extent).
    int ScrollX() const { return fScrollX; }
    int ScrollY() const { return fScrollY; }
    void SetScrollPos(int x, int y);
    int ScrollMaxX() const;
    int ScrollMaxY() const;

    // Where the base picture lies in view coordinates: round(width*Scale) x round(height*Scale),
    // centred while smaller than the viewport, otherwise placed by the scroll position.
    TRect GetBitmapRect() const;
    // 16.16 factors and offsets of the current paint (a render in progress uses its rectangle).
    TViewMapping Mapping() const;
    // View point to base-picture point; negative results round toward minus infinity.
    TPoint ViewToPicture(int x, int y) const;
    TPoint PictureToView(int x, int y) const;

    // Stage 0. The default clears the paint buffer with Color; the main window installs its own.
    // The handler gets the destination of the paint and whether it is the on-screen buffer.
    using CustomStageHandler = std::function<void(TBitmap32& dst, bool onScreen)>;
    void SetCustomStage(CustomStageHandler h) { fCustomStage = std::move(h); }
    TColor32 Color = 0xFFF0F0F0u;

    // Runs the paint stages into the paint buffer (sized to the viewport).
    void Paint();
    TBitmap32& Buffer() { return fBuffer; }
    const TBitmap32& Buffer() const { return fBuffer; }
    // Runs the paint stages onto dst with the factors computed for rect instead of the screen's.
    void RenderTo(TBitmap32& dst, const TRect& rect);

    // OnChange: the base picture changed, the layer collection notified, or Scale changed.
    using ChangeHandler = std::function<void()>;
    int SubscribeChange(ChangeHandler h);
    void UnsubscribeChange(int id);
    // Asks the widget to repaint (optional).
    std::function<void()> OnInvalidate;

  private:
    void FireChange();
    void Invalidate();
    void ClampScroll();
    TViewMapping ComputeMapping(const TRect& bitmapRect) const;
    void RunStages(TBitmap32& dst, const TViewMapping& m, const TRect& bitmapRect, bool onScreen);

    TLayerCollection fLayers;
    TBitmap32 fBuffer;
    float fScale = 1.0f;
    int fClientWidth = 0, fClientHeight = 0;
    int fScrollBarSize = 17;
    int fScrollX = 0, fScrollY = 0;
    std::optional<TViewMapping> fRenderMapping;
    CustomStageHandler fCustomStage;
    int fBitmapSubscription = 0;
    int fLayersSubscription = 0;
    bool fDestroying = false;
    struct Observer {
        int id;
        ChangeHandler fn;
    };
    std::vector<Observer> fObservers;
    int fNextId = 1;
};

} // namespace kv
