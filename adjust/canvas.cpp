#include "adjust/canvas.h"

#include "adjust/image_size.h"
#include "adjust/picture_ops.h"
#include "document/history.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kv {

void ResizeCanvas(TBitmap32& base, int width, int height, bool centre, TColor32 extension) {
    const int W = base.Width(), H = base.Height();
    TBitmap32 canvas(width, height);
    canvas.Clear(SetAlpha(extension, 255));
    const int l = centre ? RoundI((width - W) / 2.0) : 0, t = centre ? RoundI((height - H) / 2.0) : 0;
    TBitmap32 src(base);
    src.SetDrawMode(dmOpaque);
    BlockTransfer(canvas, l, t, src);
    BecomeCopyOf(base, canvas);
}

void THolst::FormShow() {
    const TBitmap32& b = Form.Doc.Base();
    DialogWidth = 241;
    PreviewShown = false;
    CropVisualEnabled = PlaceToCenterEnabled = true;
    Dragging = HasRect = HasSelection = false;
    UpDown1 = std::clamp(b.Width(), kSideMin, kSideMax);
    UpDown2 = std::clamp(b.Height(), kSideMin, kSideMax);
    R = b.Empty() ? 1.0 : double(b.Width()) / double(b.Height());
}

void THolst::Edit1Change(int width) {
    UpDown1 = std::clamp(width, kSideMin, kSideMax);
    UpDown2 = int(std::clamp<long long>(RoundHalfEven(UpDown1 / R), kSideMin, kSideMax));
}

void THolst::Edit2Change(int height) {
    UpDown2 = std::clamp(height, kSideMin, kSideMax);
    UpDown1 = int(std::clamp<long long>(RoundHalfEven(UpDown2 * R), kSideMin, kSideMax));
}

void THolst::ColorClick() {
    if (auto c = Form.Platform.ColorDialog(ExtensionColor)) ExtensionColor = *c;
}

void THolst::CropVisualClick() {
    const TBitmap32& pic = Form.Doc.Composite.Empty() ? Form.Doc.Base() : Form.Doc.Composite;
    CropVisualEnabled = PlaceToCenterEnabled = false;
    DialogWidth = 544;
    PreviewShown = true;
    if (pic.Empty()) return;
    const double pw = pic.Width(), ph = pic.Height();
    const double cw = std::max(1, PreviewWidth), ch = std::max(1, PreviewHeight);
    K = pw / ph >= cw / ch ? pw / cw : ph / ch;
    OffsetX = RoundI((cw - pw / K) / 2);
    OffsetY = RoundI((ch - ph / K) / 2);
}

void THolst::PreviewMouseDown(int x, int y) {
    Dragging = HasRect = true;
    X0 = X1 = x;
    Y0 = Y1 = y;
}

void THolst::PreviewMouseMove(int x, int y) {
    if (!Dragging) return;
    X1 = x;
    Y1 = y;
}

void THolst::PreviewMouseUp(int x, int y) {
    PreviewMouseMove(x, y);
    Dragging = false;
}

void THolst::ApplySelectionClick() {
    if (!PreviewShown || !HasRect) return;
    const int mx = std::min(X0, X1), my = std::min(Y0, Y1);
    const int dx = std::abs(X1 - X0), dy = std::abs(Y1 - Y0);
    Selection = TRect{RoundI(K * (mx - OffsetX)), RoundI(K * (my - OffsetY)), RoundI(K * (mx - OffsetX + dx)),
                      RoundI(K * (my + dy - OffsetY))};
    HasSelection = true;
    UpDown1 = std::clamp(RoundI(K * dx), kSideMin, kSideMax);
    UpDown2 = std::clamp(RoundI(K * dy), kSideMin, kSideMax);
}

void THolst::OkClick() {
    TDocument& doc = Form.Doc;
    if (doc.Empty()) return;
    RecordCanvasStep(doc);
    doc.History.UndoLayer = kBaseLayerIndex;
    TBitmap32& base = doc.Base();
    if (UpDown1 == base.Width() && UpDown2 == base.Height()) return;
    if (PreviewShown) {
        // The selection on the picture; none, or one that misses the picture, means all of it.
        TRect sel = HasSelection ? IntersectRect(Selection, base.BoundsRect()) : base.BoundsRect();
        if (sel.IsEmpty()) sel = base.BoundsRect();
        TBitmap32 cut(UpDown1, UpDown2);
        TBitmap32 src(base);
        src.SetDrawMode(dmOpaque);
        StretchTransfer(cut, cut.BoundsRect(), src, sel);
        BecomeCopyOf(base, cut);
    } else {
        ResizeCanvas(base, UpDown1, UpDown2, PlaceToCenter, Color32FromWinColor(ExtensionColor));
    }
}

void THolst::FormClose() {
    Dragging = HasRect = HasSelection = false;
    Selection = TRect{};
}

} // namespace kv
