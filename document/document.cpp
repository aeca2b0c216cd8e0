#include "document/document.h"
#include "document/zoom.h"

#include <algorithm>

namespace kv {

TDocument::TDocument() {
    fViewSubscription = ImgView.SubscribeChange([this] { Modified = kMarkModified; });
    fRemovingSubscription = Layers().SubscribeRemoving([this](TCustomLayer& layer) {
        if (fSelection == &layer) fSelection = nullptr;
    });
}

TDocument::~TDocument() {
    fSelection = nullptr;
    ImgView.UnsubscribeChange(fViewSubscription);
    Layers().UnsubscribeRemoving(fRemovingSubscription);
}

void TDocument::Select(TCustomLayer* layer) {
    if (layer == fSelection) return;
    // Only a layer of this stack can be selected.
    fSelection = (layer && Layers().IndexOf(layer) >= 0) ? layer : nullptr;
}

TBitmapLayer* TDocument::SelectedBitmapLayer() const {
    return dynamic_cast<TBitmapLayer*>(fSelection);
}

void TDocument::Compose() {
    Select(nullptr);
    const TBitmap32& base = Base();
    if (base.Empty()) {
        Composite.Delete();
        return;
    }
    // Reuse the composite's memory when it already has the size; the opaque base picture then
    // overwrites every pixel, so only a blending base picture needs the pixels zeroed first.
    const bool reuse =
        Composite.Width() == base.Width() && Composite.Height() == base.Height() && !Composite.Empty();
    Composite.BeginUpdate();
    Composite.SetDrawMode(dmOpaque);
    Composite.SetMasterAlpha(255);
    Composite.SetOuterColor(0);
    Composite.SetStretchFilter(sfNearest);
    if (!reuse)
        Composite.SetSize(base.Width(), base.Height());
    else if (base.DrawMode() != dmOpaque)
        Composite.Clear(0);
    Composite.EndUpdate();
    ImgView.RenderTo(Composite, TRect{0, 0, base.Width(), base.Height()});
}

void TDocument::SetBasePixels(const TBitmap32& src) {
    if (&src == &Base()) return;
    TBitmap32 copy(src);
    TakeBasePixels(copy);
}

void TDocument::TakeBasePixels(TBitmap32& src) {
    TBitmap32& base = Base();
    if (&src == &base) return;
    const TDrawMode mode = base.DrawMode();
    const int master = base.MasterAlpha();
    const TColor32 outer = base.OuterColor();
    const TStretchFilter filter = base.StretchFilter();
    base.BeginUpdate();
    base.Swap(src);
    base.SetDrawMode(mode);
    base.SetMasterAlpha(master);
    base.SetOuterColor(outer);
    base.SetStretchFilter(filter);
    base.Changed();
    base.EndUpdate();
}

void TDocument::Flatten() {
    RemoveTemporaryLayers();
    History.ClearSteps();
    Select(nullptr);
    Compose();
    Layers().Clear();
    TakeBasePixels(Composite);
    Composite.Delete();
}

void TDocument::RemoveTemporaryLayers() {
    TLayerCollection& layers = Layers();
    for (int i = 0; i < layers.Count(); ++i) {
        const int tag = layers[i].Tag;
        if (tag == kTagTemporary1 || tag == kTagTemporary2) {
            Select(nullptr);
            layers.Delete(i);
            return;
        }
    }
}

void TDocument::RemoveCaptionLayer() {
    Select(nullptr);
    TLayerCollection& layers = Layers();
    for (int i = 0; i < layers.Count(); ++i)
        if (layers[i].Tag == kTagCaption) {
            layers.Delete(i);
            return;
        }
}

void TDocument::RemoveFrame(TZoomModel& zoom) {
    Select(nullptr);
    Layers().Clear();
    SetBasePixels(CleanPhoto);
    FitToWindow(zoom, *this);
}

void TDocument::DeleteSelectedLayer() {
    if (!fSelection) return;
    const int i = fSelection->Index();
    // Only layer steps ("effect" on a layer, "geom") belong to a layer; a step of the base picture
    // keeps its kind whatever index was left over from an earlier step. 777 stands for the base
    // picture, not for a layer index, so it never shifts.
    auto layerStep = [](const std::string& kind) { return kind == kHistEffect || kind == kHistGeom; };
    if (i == History.UndoLayer && layerStep(History.UndoKind)) History.UndoKind = kHistNone;
    if (i == History.RedoLayer && layerStep(History.RedoKind)) History.RedoKind = kHistNone;
    if (History.UndoLayer != kBaseLayerIndex && i < History.UndoLayer) --History.UndoLayer;
    if (History.RedoLayer != kBaseLayerIndex && i < History.RedoLayer) --History.RedoLayer;
    TCustomLayer* doomed = fSelection;
    Select(nullptr);
    Layers().Delete(doomed);
}

void TDocument::StartNewContent() {
    Select(nullptr);
    Layers().Clear();
    ImgView.SetScale(1.0f);
}

void TDocument::PasteAsNewContent() {
    Select(nullptr);
    Layers().Clear();
}

void TDocument::RefreshCleanPhoto() {
    if (BaseFramed()) return;
    CleanPhoto.Assign(Base());
}

void TDocument::LayerOpacityChange(int position) {
    if (TBitmapLayer* l = SelectedBitmapLayer()) l->Bitmap.SetMasterAlpha(std::clamp(position, 0, 255));
    Modified = kMarkModified;
}

void TDocument::LayerInterpolateClick(bool checked) {
    if (TBitmapLayer* l = SelectedBitmapLayer()) l->Bitmap.SetStretchFilter(checked ? sfLinear : sfNearest);
    Modified = kMarkModified;
}

void TDocument::ImageInterpolateClick(bool checked) {
    Base().SetStretchFilter(checked ? sfLinear : sfNearest);
}

} // namespace kv
