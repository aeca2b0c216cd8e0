#include "core/imgview.h"

#include <algorithm>
#include <climits>

namespace kv {

namespace {

// Picture extents on screen are kept below this so every view coordinate fits an int.
constexpr long long kMaxViewExtent = 1LL << 30;

// Exact a*b/c rounded half away from zero, in 64 bits (c > 0).
std::int64_t MulDiv64(std::int64_t a, std::int64_t b, std::int64_t c) {
    __int128 p = (__int128)a * b;
    bool neg = p < 0;
    if (neg) p = -p;
    __int128 q = (p + c / 2) / c;
    return std::int64_t(neg ? -q : q);
}

int SaturateInt(__int128 v) {
    if (v < INT_MIN) return INT_MIN;
    if (v > INT_MAX) return INT_MAX;
    return int(v);
}

// Floor of v / 65536 (an arithmetic shift).
__int128 FixedFloor(__int128 v) {
    return v >> 16;
}

} // namespace

TImgView32::TImgView32() : fLayers(this) {
    Bitmap.SetOuterColor(0x7FFFFFFFu);
    auto onContentChange = [this] {
        ClampScroll();
        Invalidate();
        FireChange();
    };
    fBitmapSubscription = Bitmap.Subscribe(onContentChange);
    fLayersSubscription = fLayers.Subscribe(onContentChange);
}

TImgView32::~TImgView32() {
    fDestroying = true;
    Bitmap.Unsubscribe(fBitmapSubscription);
    fLayers.Unsubscribe(fLayersSubscription);
}

void TImgView32::SetScale(float s) {
    if (!(s >= 0.001f)) s = 0.001f; // also catches NaN
    if (s == fScale) return;
    // Keep the picture point under the viewport's centre where it is.
    const TRect vp = GetViewportRect();
    const TRect before = GetBitmapRect();
    const double cx = vp.Width() / 2.0, cy = vp.Height() / 2.0;
    const double px = (cx - before.Left) / fScale, py = (cy - before.Top) / fScale;
    fScale = s;
    fScrollX = int(std::clamp<double>(px * s - cx, 0, double(INT_MAX)));
    fScrollY = int(std::clamp<double>(py * s - cy, 0, double(INT_MAX)));
    ClampScroll();
    Invalidate();
    FireChange();
}

void TImgView32::SetClientSize(int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (w == fClientWidth && h == fClientHeight) return;
    fClientWidth = w;
    fClientHeight = h;
    ClampScroll();
    Invalidate();
}

void TImgView32::SetScrollBarSize(int s) {
    s = std::max(s, 0);
    if (s == fScrollBarSize) return;
    fScrollBarSize = s;
    ClampScroll();
    Invalidate();
}

TRect TImgView32::GetViewportRect() const {
    return TRect{0, 0, std::max(0, fClientWidth - fScrollBarSize),
                 std::max(0, fClientHeight - fScrollBarSize)};
}

namespace {
int ScaledExtent(int n, float scale) {
    return int(std::clamp<long long>(RoundHalfEven(double(n) * double(scale)), 0, kMaxViewExtent));
}
} // namespace

int TImgView32::ScrollMaxX() const {
    return std::max(0, ScaledExtent(Bitmap.Width(), fScale) - GetViewportRect().Width());
}

int TImgView32::ScrollMaxY() const {
    return std::max(0, ScaledExtent(Bitmap.Height(), fScale) - GetViewportRect().Height());
}

void TImgView32::ClampScroll() {
    fScrollX = std::clamp(fScrollX, 0, ScrollMaxX());
    fScrollY = std::clamp(fScrollY, 0, ScrollMaxY());
}

void TImgView32::SetScrollPos(int x, int y) {
    x = std::clamp(x, 0, ScrollMaxX());
    y = std::clamp(y, 0, ScrollMaxY());
    if (x == fScrollX && y == fScrollY) return;
    fScrollX = x;
    fScrollY = y;
    Invalidate();
}

TRect TImgView32::GetBitmapRect() const {
    if (Bitmap.Empty()) return TRect{};
    const TRect vp = GetViewportRect();
    const int bw = ScaledExtent(Bitmap.Width(), fScale), bh = ScaledExtent(Bitmap.Height(), fScale);
    const int left = bw < vp.Width() ? (vp.Width() - bw) / 2 : -fScrollX;
    const int top = bh < vp.Height() ? (vp.Height() - bh) / 2 : -fScrollY;
    return TRect{left, top, left + bw, top + bh};
}

TViewMapping TImgView32::ComputeMapping(const TRect& r) const {
    TViewMapping m;
    if (Bitmap.Empty() || r.IsEmpty()) return m; // identity: factors 1.0 (65536), offsets 0
    const std::int64_t w = Bitmap.Width(), h = Bitmap.Height();
    m.sx = MulDiv64(r.Width(), 65536, w);
    m.isx = MulDiv64(w, 65536, r.Width());
    m.sy = MulDiv64(r.Height(), 65536, h);
    m.isy = MulDiv64(h, 65536, r.Height());
    m.ox = r.Left;
    m.oy = r.Top;
    return m;
}

TViewMapping TImgView32::Mapping() const {
    if (fRenderMapping) return *fRenderMapping;
    TViewMapping m = ComputeMapping(GetBitmapRect());
    m.OnScreen = true;
    m.Viewport = GetViewportRect();
    return m;
}

TPoint TImgView32::ViewToPicture(int x, int y) const {
    const TViewMapping m = Mapping();
    return TPoint{SaturateInt(FixedFloor((__int128(x) - m.ox) * m.isx)),
                  SaturateInt(FixedFloor((__int128(y) - m.oy) * m.isy))};
}

TPoint TImgView32::PictureToView(int x, int y) const {
    const TViewMapping m = Mapping();
    return TPoint{SaturateInt(FixedFloor(__int128(x) * m.sx) + m.ox),
                  SaturateInt(FixedFloor(__int128(y) * m.sy) + m.oy)};
}

void TImgView32::RunStages(TBitmap32& dst, const TViewMapping& m, const TRect& bitmapRect, bool onScreen) {
    // Stage 0: custom stage, or the standard one clearing the on-screen background.
    if (fCustomStage)
        fCustomStage(dst, onScreen);
    else if (onScreen)
        dst.Clear(Color);
    // Stages 1 and 3 (control frame, picture frame) are design-time only and draw nothing.
    // Stage 2: the base picture, stretched into its rectangle with its own DrawMode and filter.
    if (!Bitmap.Empty() && !bitmapRect.IsEmpty()) Bitmap.DrawTo(dst, bitmapRect);
    // Stage 4: the visible layers, bottom to top.
    fLayers.PaintLayers(dst, m);
}

void TImgView32::Paint() {
    const TRect vp = GetViewportRect();
    if (fBuffer.Width() != vp.Width() || fBuffer.Height() != vp.Height())
        fBuffer.SetSize(vp.Width(), vp.Height());
    if (fBuffer.Empty()) return;
    RunStages(fBuffer, Mapping(), GetBitmapRect(), true);
}

void TImgView32::RenderTo(TBitmap32& dst, const TRect& rect) {
    if (dst.Empty()) return;
    TViewMapping m = ComputeMapping(rect);
    m.OnScreen = false;
    m.Viewport = dst.BoundsRect();
    struct Restore {
        std::optional<TViewMapping>& slot;
        ~Restore() { slot.reset(); }
    } restore{fRenderMapping};
    fRenderMapping = m;
    RunStages(dst, m, rect, false);
}

int TImgView32::SubscribeChange(ChangeHandler h) {
    fObservers.push_back({fNextId, std::move(h)});
    return fNextId++;
}

void TImgView32::UnsubscribeChange(int id) {
    std::erase_if(fObservers, [id](const Observer& o) { return o.id == id; });
}

void TImgView32::FireChange() {
    if (fDestroying) return;
    auto observers = fObservers;
    for (auto& o : observers)
        if (o.fn) o.fn();
}

void TImgView32::Invalidate() {
    if (!fDestroying && OnInvalidate) OnInvalidate();
}

} // namespace kv
