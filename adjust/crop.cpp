#include "adjust/crop.h"

#include "adjust/picture_ops.h"
#include "document/document.h"
#include "document/history.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr int kHandleReach = 4; // view pixels around an edge that grab it
constexpr unsigned kLeft = 1, kTop = 2, kRight = 4, kBottom = 8, kMove = 15;

} // namespace

bool CropToRect(TMainForm& form, TFloatRect rect) {
    TDocument& doc = form.Doc;
    const TBitmap32& clean = doc.CleanPhoto;
    if (clean.Empty()) return false;
    const double W = clean.Width(), H = clean.Height();
    double l = std::min(rect.Left, rect.Right), r = std::max(rect.Left, rect.Right);
    double t = std::min(rect.Top, rect.Bottom), b = std::max(rect.Top, rect.Bottom);
    if (!std::isfinite(l) || !std::isfinite(r) || !std::isfinite(t) || !std::isfinite(b)) return false;
    l = std::clamp(l, 0.0, W);
    r = std::clamp(r, 0.0, W);
    t = std::clamp(t, 0.0, H);
    b = std::clamp(b, 0.0, H);
    const int w = int(std::llabs(RoundHalfEven(r - l))), h = int(std::llabs(RoundHalfEven(b - t)));
    const TRect src{RoundI(l), RoundI(t), RoundI(r), RoundI(b)};
    if (w < 1 || h < 1 || src.IsEmpty()) return false;

    doc.Select(nullptr);
    doc.Layers().Clear();
    RecordCanvasStep(doc);
    doc.History.UndoLayer = kBaseLayerIndex;
    TBitmap32 cut(w, h);
    StretchTransfer(cut, cut.BoundsRect(), clean, src);
    BecomeCopyOf(doc.Base(), cut);
    return true;
}

TCropLa::TCropLa(TMainForm& form) : Form(form) {
    Cropos.SetScrollBarSize(0);
    Cropos.SetClientSize(640, 480);
}

TCropLa::~TCropLa() {
    fLayer = nullptr;
}

TFloatRect TCropLa::CropRect() const {
    return fLayer ? fLayer->Location() : TFloatRect{};
}

void TCropLa::SetCropRect(const TFloatRect& r) {
    if (fLayer) fLayer->SetLocation(r);
}

void TCropLa::FormShow() {
    Cropped = false;
    fDrag = 0;
    Cropos.Layers().Clear();
    fLayer = nullptr;
    Cropos.Bitmap.Assign(Form.Doc.CleanPhoto);
    Brighten(Cropos.Bitmap, -130);
    Bright.Assign(Cropos.Bitmap);
    Brighten(Bright, 190);
    if (Cropos.Bitmap.Empty()) return;
    const double pw = Cropos.Bitmap.Width(), ph = Cropos.Bitmap.Height();
    const double cw = std::max(1, Cropos.ClientWidth()), ch = std::max(1, Cropos.ClientHeight());
    const double scale = (pw / ph >= cw / ch ? cw / pw : ch / ph) / 1.1;
    Cropos.SetScale(float(scale));
    Cropos.SetScrollPos(0, 0);

    auto& layer = Cropos.Layers().Add<TPositionedLayer>();
    layer.Tag = kTagTemporary1;
    layer.SetScaled(true);
    layer.SetLayerOptions(LOB_VISIBLE | LOB_MOUSE_EVENTS);
    layer.OnPaint = [this](TCustomLayer&, TBitmap32& dst) { PaintCropLayer(dst); };
    fLayer = &layer;
    layer.SetLocation(TFloatRect{float(pw / 17), float(ph / 17), float(pw - pw / 17), float(ph - ph / 17)});
}

void TCropLa::PaintCropLayer(TBitmap32& dst) {
    if (!fLayer || Bright.Empty()) return;
    const TViewMapping m = Cropos.Layers().Mapping();
    const TFloatRect loc = fLayer->Location();
    // The part of the rectangle that lies on the picture, in picture pixels and in view pixels.
    const double l = std::clamp<double>(std::min(loc.Left, loc.Right), 0, Bright.Width());
    const double r = std::clamp<double>(std::max(loc.Left, loc.Right), 0, Bright.Width());
    const double t = std::clamp<double>(std::min(loc.Top, loc.Bottom), 0, Bright.Height());
    const double b = std::clamp<double>(std::max(loc.Top, loc.Bottom), 0, Bright.Height());
    const TRect src{int(std::floor(l)), int(std::floor(t)), int(std::ceil(r)), int(std::ceil(b))};
    if (!src.IsEmpty()) {
        const double kx = m.ScaleX(), ky = m.ScaleY();
        const TRect dr{int(std::lround(src.Left * kx + m.ox)), int(std::lround(src.Top * ky + m.oy)),
                       int(std::lround(src.Right * kx + m.ox)), int(std::lround(src.Bottom * ky + m.oy))};
        if (!dr.IsEmpty()) StretchTransfer(dst, dr, Bright, src);
    }
    // Outline and the eight handles.
    const TRect v = fLayer->GetAdjustedRect(m);
    const int x0 = std::min(v.Left, v.Right), x1 = std::max(v.Left, v.Right) - 1;
    const int y0 = std::min(v.Top, v.Bottom), y1 = std::max(v.Top, v.Bottom) - 1;
    for (int x = x0; x <= x1; ++x) {
        const TColor32 c = ((x - x0) / 4) % 2 ? clBlack32 : clWhite32;
        dst.SetPixelS(x, y0, c);
        dst.SetPixelS(x, y1, c);
    }
    for (int y = y0; y <= y1; ++y) {
        const TColor32 c = ((y - y0) / 4) % 2 ? clBlack32 : clWhite32;
        dst.SetPixelS(x0, y, c);
        dst.SetPixelS(x1, y, c);
    }
    const int xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
    const TPoint handles[8] = {{x0, y0}, {xm, y0}, {x1, y0}, {x1, ym},
                               {x1, y1}, {xm, y1}, {x0, y1}, {x0, ym}};
    for (const TPoint& p : handles) {
        dst.FillRectS(p.X - 3, p.Y - 3, p.X + 4, p.Y + 4, clBlack32);
        dst.FillRectS(p.X - 2, p.Y - 2, p.X + 3, p.Y + 3, clWhite32);
    }
}

void TCropLa::OkClick() {
    Cropped = false;
    if (Form.Platform.MessageBox(kCropQuestion, TMsgButtons::OkCancel) != TMsgAnswer::Ok) return;
    Cropped = CropToRect(Form, CropRect());
}

void TCropLa::FormClose() {
    fDrag = 0;
    fLayer = nullptr;
    Cropos.Layers().Clear();
    Cropos.Bitmap.Delete();
    Bright.Delete();
}

unsigned TCropLa::DragKindAt(int x, int y) const {
    if (!fLayer) return 0;
    const TRect v = fLayer->GetAdjustedRect(Cropos.Layers().Mapping());
    const int l = std::min(v.Left, v.Right), r = std::max(v.Left, v.Right);
    const int t = std::min(v.Top, v.Bottom), b = std::max(v.Top, v.Bottom);
    if (x < l - kHandleReach || x > r + kHandleReach || y < t - kHandleReach || y > b + kHandleReach)
        return 0;
    unsigned kind = 0;
    if (std::abs(x - l) <= kHandleReach)
        kind |= kLeft;
    else if (std::abs(x - r) <= kHandleReach)
        kind |= kRight;
    if (std::abs(y - t) <= kHandleReach)
        kind |= kTop;
    else if (std::abs(y - b) <= kHandleReach)
        kind |= kBottom;
    if (kind) return kind;
    return x > l && x < r && y > t && y < b ? kMove : 0;
}

int TCropLa::HandleAt(int x, int y) const {
    const unsigned k = DragKindAt(x, y);
    if (k == 0) return 0;
    if (k == kMove) return 1;
    if (k == (kLeft | kTop) || k == (kRight | kBottom)) return 4;
    if (k == (kRight | kTop) || k == (kLeft | kBottom)) return 5;
    return (k & (kLeft | kRight)) ? 2 : 3;
}

void TCropLa::MouseDown(int x, int y) {
    fDrag = DragKindAt(x, y);
    if (!fDrag) return;
    fStartX = x;
    fStartY = y;
    TFloatRect r = CropRect();
    fStartRect = TFloatRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                            std::max(r.Top, r.Bottom)};
}

void TCropLa::MouseMove(int x, int y) {
    if (!fDrag || !fLayer) return;
    const double s = std::max(1e-3, double(Cropos.Scale()));
    const float dx = float((x - fStartX) / s), dy = float((y - fStartY) / s);
    TFloatRect r = fStartRect;
    if (fDrag == kMove) {
        r = TFloatRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
    } else {
        if (fDrag & kLeft) r.Left += dx;
        if (fDrag & kRight) r.Right += dx;
        if (fDrag & kTop) r.Top += dy;
        if (fDrag & kBottom) r.Bottom += dy;
    }
    fLayer->SetLocation(r);
}

void TCropLa::MouseUp() {
    fDrag = 0;
}

} // namespace kv
