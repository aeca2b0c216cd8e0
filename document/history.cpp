#include "document/history.h"
#include "core/color32.h"
#include "document/document.h"

namespace kv {

namespace {

// The bitmap layer a step's index denotes, or null when the index no longer denotes one.
TBitmapLayer* StepLayer(TDocument& doc, int index) {
    if (index < 0 || index >= doc.Layers().Count()) return nullptr;
    return dynamic_cast<TBitmapLayer*>(&doc.Layers()[index]);
}

// Target of an effect step: the base picture for 777, else the layer's picture.
TBitmap32* EffectTarget(TDocument& doc, int index) {
    if (index == kBaseLayerIndex) return &doc.Base();
    TBitmapLayer* l = StepLayer(doc, index);
    return l ? &l->Bitmap : nullptr;
}

// Scales every positioned layer's location back after a resize: fx = base width / picture width.
void ScaleLayerLocations(TDocument& doc, const TBitmap32& restored) {
    const TBitmap32& base = doc.Base();
    if (restored.Empty() || base.Empty()) return;
    const double fx = double(base.Width()) / double(restored.Width());
    const double fy = double(base.Height()) / double(restored.Height());
    TLayerCollection& layers = doc.Layers();
    for (int i = 0; i < layers.Count(); ++i) {
        auto* pos = dynamic_cast<TPositionedLayer*>(&layers[i]);
        if (!pos) continue;
        TFloatRect r = pos->Location();
        r.Left = float(RoundHalfEven(double(r.Left) / fx));
        r.Right = float(RoundHalfEven(double(r.Right) / fx));
        r.Top = float(RoundHalfEven(double(r.Top) / fy));
        r.Bottom = float(RoundHalfEven(double(r.Bottom) / fy));
        pos->SetLocation(r);
    }
}

// Moves the picture of `target` into `save` and gives `target` the content of `restore`; the
// restore side is left empty (its kind becomes "none" right after).
void Exchange(TBitmap32& target, TBitmap32& save, TBitmap32& restore) {
    save.Assign(target);
    target.Assign(restore);
    restore.Delete();
}

void Reselect(TDocument& doc, TBitmapLayer* layer) {
    if (doc.Selection() != layer) return;
    doc.Select(nullptr);
    doc.Select(layer);
}

// One direction of the history: `from` is the side being applied, `to` receives the state it
// replaces. Returns false when the step was dropped.
struct Side {
    std::string& Kind;
    TBitmap32& Picture;
    int& Layer;
    TFloatRect& Location;
};

void Apply(TDocument& doc, Side from, Side to) {
    const std::string kind = from.Kind;
    if (kind == kHistEffect) {
        TBitmap32* target = EffectTarget(doc, from.Layer);
        if (!target || from.Picture.Empty()) return;
        to.Kind = kHistEffect;
        to.Layer = from.Layer;
        Exchange(*target, to.Picture, from.Picture);
    } else if (kind == kHistSize) {
        if (from.Picture.Empty()) return;
        to.Kind = kHistSize;
        to.Picture.Assign(doc.Base());
        ScaleLayerLocations(doc, from.Picture);
        doc.Base().Assign(from.Picture);
        from.Picture.Delete();
    } else if (kind == kHistHolst) {
        if (from.Picture.Empty()) return;
        to.Kind = kHistHolst;
        Exchange(doc.Base(), to.Picture, from.Picture);
    } else if (kind == kHistGeom) {
        TBitmapLayer* layer = StepLayer(doc, from.Layer);
        if (!layer) return;
        to.Kind = kHistGeom;
        to.Location = layer->Location();
        to.Layer = from.Layer;
        Exchange(layer->Bitmap, to.Picture, from.Picture);
        layer->SetLocation(from.Location);
        Reselect(doc, layer);
    }
}

} // namespace

void RecordEffectStep(TDocument& doc) {
    THistoryState& h = doc.History;
    if (TBitmapLayer* l = doc.SelectedBitmapLayer()) {
        h.UndoLayer = l->Index();
        h.UndoPicture.Assign(l->Bitmap);
    } else {
        h.UndoLayer = kBaseLayerIndex;
        h.UndoPicture.Assign(doc.Base());
    }
    h.UndoKind = kHistEffect;
}

void RecordSizeStep(TDocument& doc) {
    doc.History.UndoPicture.Assign(doc.Base());
    doc.History.UndoKind = kHistSize;
}

void RecordCanvasStep(TDocument& doc, const TBitmap32* bordPicture) {
    doc.History.UndoPicture.Assign(bordPicture ? *bordPicture : doc.Base());
    doc.History.UndoKind = kHistHolst;
}

void RecordGeometryStep(TDocument& doc) {
    TBitmapLayer* l = doc.SelectedBitmapLayer();
    if (!l) return;
    THistoryState& h = doc.History;
    h.UndoPicture.Assign(l->Bitmap);
    h.UndoLocation = l->Location();
    h.UndoLayer = l->Index();
    h.UndoKind = kHistGeom;
}

void ClearHistory(TDocument& doc) {
    THistoryState& h = doc.History;
    h.ClearSteps();
    h.UndoPicture.Delete();
    h.RedoPicture.Delete();
}

void Undo(TDocument& doc) {
    THistoryState& h = doc.History;
    Apply(doc, Side{h.UndoKind, h.UndoPicture, h.UndoLayer, h.UndoLocation},
          Side{h.RedoKind, h.RedoPicture, h.RedoLayer, h.RedoLocation});
    h.UndoKind = kHistNone;
    doc.RefreshCleanPhoto();
}

void Redo(TDocument& doc) {
    THistoryState& h = doc.History;
    Apply(doc, Side{h.RedoKind, h.RedoPicture, h.RedoLayer, h.RedoLocation},
          Side{h.UndoKind, h.UndoPicture, h.UndoLayer, h.UndoLocation});
    h.RedoKind = kHistNone;
    doc.RefreshCleanPhoto();
}

bool UndoEnabled(const TDocument& doc) {
    return doc.History.UndoKind != kHistNone;
}
bool RedoEnabled(const TDocument& doc) {
    return doc.History.RedoKind != kHistNone;
}

} // namespace kv
