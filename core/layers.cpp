#include "core/layers.h"
#include "core/imgview.h"

#include <algorithm>

namespace kv {

// ---- TCustomLayer -------------------------------------------------------------------------------

TCustomLayer::TCustomLayer(TLayerCollection& owner) : fCollection(&owner) {}

void TCustomLayer::SetLayerOptions(std::uint32_t options) {
    if (options == fOptions) return;
    fOptions = options;
    Changed();
}

void TCustomLayer::SetVisible(bool v) {
    SetLayerOptions(v ? (fOptions | LOB_VISIBLE) : (fOptions & ~LOB_VISIBLE));
}

int TCustomLayer::Index() const {
    return fCollection->IndexOf(this);
}

void TCustomLayer::SetIndex(int i) {
    const int from = Index();
    if (from < 0) return;
    i = std::clamp(i, 0, fCollection->Count() - 1);
    if (i == from) return;
    fCollection->MoveLayer(from, i);
}

void TCustomLayer::BringToFront() {
    SetIndex(fCollection->Count() - 1);
}

void TCustomLayer::PaintLayer(TBitmap32& dst, const TViewMapping& m) {
    Paint(dst, m);
    if (OnPaint) OnPaint(*this, dst);
}

void TCustomLayer::Paint(TBitmap32&, const TViewMapping&) {}

bool TCustomLayer::HitTest(int, int) const {
    return false;
}

void TCustomLayer::MouseDown(int button, int x, int y) {
    if (OnMouseDown) OnMouseDown(*this, button, x, y);
}

void TCustomLayer::Changed() {
    if (fOptions & LOB_NO_UPDATE) return;
    fCollection->Changed();
}

// ---- TPositionedLayer ---------------------------------------------------------------------------

TPositionedLayer::TPositionedLayer(TLayerCollection& owner) : TCustomLayer(owner) {
    fOptions = LOB_VISIBLE | LOB_MOUSE_EVENTS;
}

void TPositionedLayer::SetLocation(const TFloatRect& r) {
    fLocation = r;
    Changed();
}

void TPositionedLayer::SetScaled(bool s) {
    if (s == fScaled) return;
    fScaled = s;
    Changed();
}

TFloatRect TPositionedLayer::GetAdjustedLocation() const {
    return GetAdjustedLocation(LayerCollection().Mapping());
}

TFloatRect TPositionedLayer::GetAdjustedLocation(const TViewMapping& m) const {
    if (!fScaled) return fLocation;
    const double kx = m.ScaleX(), ky = m.ScaleY();
    return TFloatRect{float(fLocation.Left * kx + m.ox), float(fLocation.Top * ky + m.oy),
                      float(fLocation.Right * kx + m.ox), float(fLocation.Bottom * ky + m.oy)};
}

namespace {
// A real view coordinate to a whole pixel, half to even, kept well inside the int range.
int EdgeToPixel(float v) {
    constexpr double kLimit = 1 << 30;
    double d = std::clamp(double(v), -kLimit, kLimit);
    return RoundI(d);
}
} // namespace

TRect TPositionedLayer::GetAdjustedRect(const TViewMapping& m) const {
    TFloatRect r = GetAdjustedLocation(m);
    return TRect{EdgeToPixel(r.Left), EdgeToPixel(r.Top), EdgeToPixel(r.Right), EdgeToPixel(r.Bottom)};
}

bool TPositionedLayer::HitTest(int x, int y) const {
    TRect r = GetAdjustedRect(LayerCollection().Mapping());
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

// ---- TBitmapLayer -------------------------------------------------------------------------------

TBitmapLayer::TBitmapLayer(TLayerCollection& owner) : TPositionedLayer(owner) {
    fSubscription = Bitmap.Subscribe([this] { Changed(); });
}

TBitmapLayer::~TBitmapLayer() {
    Bitmap.Unsubscribe(fSubscription);
}

void TBitmapLayer::SetCropped(bool c) {
    if (c == fCropped) return;
    fCropped = c;
    Changed();
}

void TBitmapLayer::SetAlphaHit(bool a) {
    if (a == fAlphaHit) return;
    fAlphaHit = a;
    Changed();
}

bool TBitmapLayer::HitTest(int x, int y) const {
    if (!TPositionedLayer::HitTest(x, y)) return false;
    if (!fAlphaHit) return true;
    if (Bitmap.Empty()) return false;
    TRect r = GetAdjustedRect(LayerCollection().Mapping());
    // Proportional position in the picture; inside the rectangle it is always in range.
    int px = int((long long)(x - r.Left) * Bitmap.Width() / r.Width());
    int py = int((long long)(y - r.Top) * Bitmap.Height() / r.Height());
    return AlphaComponent(Bitmap.PixelS(px, py)) > 0;
}

void TBitmapLayer::Paint(TBitmap32& dst, const TViewMapping& m) {
    if (Bitmap.Empty() || dst.Empty()) return;
    const TRect d = GetAdjustedRect(m);
    if (d.IsEmpty()) return;
    if (!(fCropped && m.OnScreen)) {
        Bitmap.DrawTo(dst, d);
        return;
    }
    // Transfer only the part of the picture that falls inside the viewport.
    const TRect vis = IntersectRect(d, IntersectRect(m.Viewport, dst.BoundsRect()));
    if (vis.IsEmpty()) return;
    const long long sw = Bitmap.Width(), sh = Bitmap.Height(), dw = d.Width(), dh = d.Height();
    auto toSrc = [](long long off, long long s, long long n) {
        return int(std::clamp<long long>(RoundHalfEven(double(off) * double(s) / double(n)), 0, s));
    };
    TRect src{toSrc(vis.Left - d.Left, sw, dw), toSrc(vis.Top - d.Top, sh, dh),
              toSrc(vis.Right - d.Left, sw, dw), toSrc(vis.Bottom - d.Top, sh, dh)};
    // Keep at least one source pixel on each axis.
    if (src.Right <= src.Left) {
        if (src.Left >= sw) src.Left = int(sw) - 1;
        src.Right = src.Left + 1;
    }
    if (src.Bottom <= src.Top) {
        if (src.Top >= sh) src.Top = int(sh) - 1;
        src.Bottom = src.Top + 1;
    }
    // The destination of exactly that source part, so the picture keeps its scale and position.
    auto toDst = [](long long off, long long s, long long n, int origin) {
        return origin + int(RoundHalfEven(double(off) * double(n) / double(s)));
    };
    TRect part{toDst(src.Left, sw, dw, d.Left), toDst(src.Top, sh, dh, d.Top),
               toDst(src.Right, sw, dw, d.Left), toDst(src.Bottom, sh, dh, d.Top)};
    if (part.IsEmpty()) return;
    Bitmap.DrawTo(dst, part, src);
}

// ---- TLayerCollection ---------------------------------------------------------------------------

TLayerCollection::TLayerCollection(TImgView32* owner) : fOwner(owner) {}

TLayerCollection::~TLayerCollection() {
    fDestroying = true;
    while (!fItems.empty())
        fItems.pop_back();
}

int TLayerCollection::IndexOf(const TCustomLayer* layer) const {
    for (std::size_t i = 0; i < fItems.size(); ++i)
        if (fItems[i].get() == layer) return int(i);
    return -1;
}

void TLayerCollection::Delete(TCustomLayer* layer) {
    const int i = IndexOf(layer);
    if (i >= 0) Delete(i);
}

void TLayerCollection::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    BeginUpdate();
    NotifyRemoving(*fItems[std::size_t(index)]);
    std::unique_ptr<TCustomLayer> doomed = std::move(fItems[std::size_t(index)]);
    fItems.erase(fItems.begin() + index);
    doomed.reset();
    fPending = true;
    EndUpdate();
}

void TLayerCollection::Clear() {
    if (fItems.empty()) return;
    BeginUpdate();
    while (!fItems.empty())
        Delete(Count() - 1);
    EndUpdate();
}

TViewMapping TLayerCollection::Mapping() const {
    return fOwner ? fOwner->Mapping() : TViewMapping{};
}

TCustomLayer* TLayerCollection::FindLayerAt(int x, int y) const {
    for (int i = Count() - 1; i >= 0; --i) {
        TCustomLayer& l = Items(i);
        if (l.Visible() && (l.LayerOptions() & LOB_MOUSE_EVENTS) && l.HitTest(x, y)) return &l;
    }
    return nullptr;
}

int TLayerCollection::Subscribe(ChangeHandler h) {
    fObservers.push_back({fNextId, std::move(h)});
    return fNextId++;
}

void TLayerCollection::Unsubscribe(int id) {
    std::erase_if(fObservers, [id](const auto& o) { return o.id == id; });
}

int TLayerCollection::SubscribeRemoving(RemovingHandler h) {
    fRemovingObservers.push_back({fNextId, std::move(h)});
    return fNextId++;
}

void TLayerCollection::UnsubscribeRemoving(int id) {
    std::erase_if(fRemovingObservers, [id](const auto& o) { return o.id == id; });
}

void TLayerCollection::NotifyRemoving(TCustomLayer& layer) {
    auto observers = fRemovingObservers;
    for (auto& o : observers)
        if (o.fn) o.fn(layer);
}

void TLayerCollection::EndUpdate() {
    if (fUpdateCount > 0 && --fUpdateCount == 0 && fPending) {
        fPending = false;
        Changed();
    }
}

void TLayerCollection::Changed() {
    if (fDestroying) return;
    if (fUpdateCount > 0) {
        fPending = true;
        return;
    }
    auto observers = fObservers;
    for (auto& o : observers)
        if (o.fn) o.fn();
}

void TLayerCollection::PaintLayers(TBitmap32& dst, const TViewMapping& m) {
    for (int i = 0; i < Count(); ++i) {
        TCustomLayer& l = Items(i);
        if (l.Visible()) l.PaintLayer(dst, m);
    }
}

void TLayerCollection::MoveLayer(int from, int to) {
    auto first = fItems.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    Changed();
}

} // namespace kv
