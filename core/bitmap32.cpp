#include "core/bitmap32.h"

#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "core/parallel.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <ostream>
#include <utility>

namespace kv {

namespace {

const char* const kAllocError = "Can't allocate the DIB handle";

// Blocks from 1 MiB up are mapped 2 MiB-aligned and advised for huge pages: the first touch of a
// big block then costs a few page faults instead of one per 4 KiB. A fresh mapping is already zero.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kMapThreshold = std::size_t(1) << 20;

bool IsMapped(std::size_t bytes) {
    return bytes >= kMapThreshold;
}
std::size_t MappedLength(std::size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

// A zeroed block of `bytes` bytes, or nullptr when memory runs out.
TColor32* AllocZeroed(std::size_t bytes) {
    if (!IsMapped(bytes)) return static_cast<TColor32*>(std::calloc(bytes, 1));
    const std::size_t len = MappedLength(bytes), span = len + kHugePage;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (begin + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    const std::size_t head = aligned - begin, tail = span - head - len;
    if (head) munmap(raw, head);
    if (tail) munmap(reinterpret_cast<void*>(aligned + len), tail);
    void* p = reinterpret_cast<void*>(aligned);
    madvise(p, len, MADV_HUGEPAGE); // advice only: ignored where huge pages are unavailable
    return static_cast<TColor32*>(p);
}

void FreeBlock(TColor32* p, std::size_t bytes) {
    if (!p) return;
    if (IsMapped(bytes))
        munmap(p, MappedLength(bytes));
    else
        std::free(p);
}

// Below this many pixels a transfer or fill stays on the calling thread.
constexpr std::size_t kParallelPixels = std::size_t(1) << 19;

} // namespace

bool SizeWithinLimit(long long w, long long h) {
    return w >= 0 && h >= 0 && w <= kMaxBitmapSide && h <= kMaxBitmapSide && w * h <= kMaxBitmapPixels;
}

void CheckBitmapSize(long long w, long long h) {
    if (w > 0 && h > 0 && !SizeWithinLimit(w, h)) throw Error(kAllocError);
}

// ---- Lifecycle ----------------------------------------------------------------------------------

TBitmap32::TBitmap32(TBitmap32&& o) noexcept
    : fBits(o.fBits), fWidth(o.fWidth), fHeight(o.fHeight), fAllocBytes(o.fAllocBytes),
      fDrawMode(o.fDrawMode), fMasterAlpha(o.fMasterAlpha), fOuterColor(o.fOuterColor),
      fStretchFilter(o.fStretchFilter), fPenColor(o.fPenColor), fPenX(o.fPenX), fPenY(o.fPenY) {
    o.fBits = nullptr;
    o.fAllocBytes = 0;
    o.fWidth = o.fHeight = 0;
}

TBitmap32& TBitmap32::operator=(TBitmap32&& o) noexcept {
    if (this == &o) return *this;
    FreeBits();
    fBits = std::exchange(o.fBits, nullptr);
    fAllocBytes = std::exchange(o.fAllocBytes, 0);
    fWidth = std::exchange(o.fWidth, 0);
    fHeight = std::exchange(o.fHeight, 0);
    fDrawMode = o.fDrawMode;
    fMasterAlpha = o.fMasterAlpha;
    fOuterColor = o.fOuterColor;
    fStretchFilter = o.fStretchFilter;
    fPenColor = o.fPenColor;
    fPenX = o.fPenX;
    fPenY = o.fPenY;
    Notify();
    return *this;
}

TBitmap32::~TBitmap32() {
    FreeBits();
}

void TBitmap32::FreeBits() {
    FreeBlock(fBits, fAllocBytes);
    fBits = nullptr;
    fAllocBytes = 0;
}

void TBitmap32::SetSize(int w, int h) {
    const int nw = w < 1 ? 0 : w, nh = h < 1 ? 0 : h;
    const bool wasSomething = fBits != nullptr || fWidth != nw || fHeight != nh;
    if (nw == 0 || nh == 0) {
        FreeBits();
        fWidth = nw;
        fHeight = nh;
        if (wasSomething) Notify();
        return;
    }
    auto fail = [&] {
        const bool changed = fBits != nullptr || fWidth != 0 || fHeight != 0;
        FreeBits();
        fWidth = fHeight = 0;
        if (changed) Notify();
        throw Error(kAllocError);
    };
    if (!SizeWithinLimit(nw, nh)) fail();
    const std::size_t bytes = std::size_t(nw) * std::size_t(nh) * sizeof(TColor32);
    if (fBits && bytes == fAllocBytes) {
        std::memset(fBits, 0, bytes);
    } else {
        FreeBits(); // before the new block: the old one is not kept, and peak memory stays lower
        TColor32* p = AllocZeroed(bytes);
        if (!p) fail();
        fBits = p;
        fAllocBytes = bytes;
    }
    fWidth = nw;
    fHeight = nh;
    Notify();
}

void TBitmap32::Assign(const TBitmap32& src) {
    if (&src == this) return;
    bool changed = false;
    if (src.Empty()) {
        changed = fBits != nullptr || fWidth != src.fWidth || fHeight != src.fHeight;
        FreeBits();
        fWidth = src.fWidth;
        fHeight = src.fHeight;
    } else {
        const std::size_t bytes = src.PixelCount() * sizeof(TColor32);
        if (!(fBits && fAllocBytes == bytes)) {
            FreeBits();
            fWidth = fHeight = 0;
            TColor32* p = AllocZeroed(bytes);
            if (!p) {
                Notify();
                throw Error(kAllocError);
            }
            fBits = p;
            fAllocBytes = bytes;
        }
        fWidth = src.fWidth;
        fHeight = src.fHeight;
        std::memcpy(fBits, src.fBits, bytes);
        changed = true;
    }
    if (fDrawMode != src.fDrawMode || fMasterAlpha != src.fMasterAlpha || fOuterColor != src.fOuterColor ||
        fStretchFilter != src.fStretchFilter)
        changed = true;
    fDrawMode = src.fDrawMode;
    fMasterAlpha = src.fMasterAlpha;
    fOuterColor = src.fOuterColor;
    fStretchFilter = src.fStretchFilter;
    if (changed) Notify();
}

void TBitmap32::Swap(TBitmap32& o) {
    if (&o == this) return;
    std::swap(fBits, o.fBits);
    std::swap(fWidth, o.fWidth);
    std::swap(fHeight, o.fHeight);
    std::swap(fAllocBytes, o.fAllocBytes);
    std::swap(fDrawMode, o.fDrawMode);
    std::swap(fMasterAlpha, o.fMasterAlpha);
    std::swap(fOuterColor, o.fOuterColor);
    std::swap(fStretchFilter, o.fStretchFilter);
    std::swap(fPenColor, o.fPenColor);
    std::swap(fPenX, o.fPenX);
    std::swap(fPenY, o.fPenY);
    Notify();
    o.Notify();
}

// ---- Properties and notification ----------------------------------------------------------------

void TBitmap32::SetDrawMode(TDrawMode m) {
    if (m == fDrawMode) return;
    fDrawMode = m;
    Notify();
}

void TBitmap32::SetMasterAlpha(int a) {
    a = Clamp(a);
    if (a == fMasterAlpha) return;
    fMasterAlpha = a;
    Notify();
}

void TBitmap32::SetOuterColor(TColor32 c) {
    if (c == fOuterColor) return;
    fOuterColor = c;
    Notify();
}

void TBitmap32::SetStretchFilter(TStretchFilter f) {
    if (f == fStretchFilter) return;
    fStretchFilter = f;
    Notify();
}

int TBitmap32::Subscribe(ChangeHandler h) {
    const int id = fNextObserverId++;
    fObservers.push_back(Observer{id, std::move(h)});
    return id;
}

void TBitmap32::Unsubscribe(int id) {
    std::erase_if(fObservers, [id](const Observer& o) { return o.id == id; });
}

void TBitmap32::Changed() {
    Notify();
}

void TBitmap32::EndUpdate() {
    if (fUpdateCount == 0) return;
    if (--fUpdateCount == 0 && fPendingChange) {
        fPendingChange = false;
        Notify();
    }
}

void TBitmap32::Notify() {
    if (fUpdateCount > 0) {
        fPendingChange = true;
        return;
    }
    if (fObservers.empty()) return;
    // A copy, so handlers may subscribe or unsubscribe while being called.
    const std::vector<Observer> observers = fObservers;
    for (const Observer& o : observers)
        if (o.fn) o.fn();
}

// ---- Pixel access and filling -------------------------------------------------------------------

TColor32 TBitmap32::PixelS(int x, int y) const {
    if (fBits && unsigned(x) < unsigned(fWidth) && unsigned(y) < unsigned(fHeight)) return Pixel(x, y);
    return fOuterColor;
}

void TBitmap32::SetPixelS(int x, int y, TColor32 c) {
    if (fBits && unsigned(x) < unsigned(fWidth) && unsigned(y) < unsigned(fHeight)) SetPixel(x, y, c);
}

void TBitmap32::Clear(TColor32 c) {
    if (Empty()) return;
    TColor32* bits = fBits;
    const std::size_t w = std::size_t(fWidth);
    ParallelRows(
        fHeight, w, [&](int b, int e) { std::fill_n(bits + std::size_t(b) * w, std::size_t(e - b) * w, c); },
        kParallelPixels);
    Notify();
}

void TBitmap32::FillRect(int x1, int y1, int x2, int y2, TColor32 c) {
    if (x2 <= x1 || y2 <= y1 || Empty()) return;
    const std::size_t n = std::size_t(x2 - x1);
    for (int y = y1; y < y2; ++y)
        std::fill_n(PixelPtr(x1, y), n, c);
    Notify();
}

void TBitmap32::FillRectS(int x1, int y1, int x2, int y2, TColor32 c) {
    if (Empty()) return;
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, fWidth);
    y2 = std::min(y2, fHeight);
    FillRect(x1, y1, x2, y2, c);
}

void TBitmap32::ResetAlpha(int a) {
    if (Empty()) return;
    const TColor32 alpha = TColor32(Clamp(a)) << 24;
    TColor32* bits = fBits;
    const std::size_t w = std::size_t(fWidth);
    ParallelRows(
        fHeight, w,
        [&](int b, int e) {
            TColor32* p = bits + std::size_t(b) * w;
            const std::size_t n = std::size_t(e - b) * w;
            for (std::size_t i = 0; i < n; ++i)
                p[i] = (p[i] & 0x00FFFFFFu) | alpha;
        },
        kParallelPixels);
    Notify();
}

// ---- Lines --------------------------------------------------------------------------------------

namespace {

// dst[i] = Blend(c, dst[i]) for a constant colour.
void BlendConstant(TColor32* p, std::size_t n, std::ptrdiff_t step, TColor32 c) {
    const int a = AlphaComponent(c);
    if (a == 0) return;
    for (std::size_t i = 0; i < n; ++i, p += step)
        *p = a == 255 ? c : CombineReg(c, *p, a);
}

} // namespace

void TBitmap32::HorzLineTS(int x1, int y, int x2, TColor32 c) {
    if (Empty() || y < 0 || y >= fHeight) return;
    if (x1 > x2) std::swap(x1, x2);
    x1 = std::max(x1, 0);
    x2 = std::min(x2, fWidth - 1);
    if (x1 > x2 || AlphaComponent(c) == 0) return;
    BlendConstant(PixelPtr(x1, y), std::size_t(x2 - x1 + 1), 1, c);
    Notify();
}

void TBitmap32::VertLineTS(int x, int y1, int y2, TColor32 c) {
    if (Empty() || x < 0 || x >= fWidth) return;
    if (y1 > y2) std::swap(y1, y2);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, fHeight - 1);
    if (y1 > y2 || AlphaComponent(c) == 0) return;
    BlendConstant(PixelPtr(x, y1), std::size_t(y2 - y1 + 1), std::ptrdiff_t(fWidth), c);
    Notify();
}

void TBitmap32::RaiseRectTS(int x1, int y1, int x2, int y2, int contrast) {
    if (contrast == 0 || x2 <= x1 || y2 <= y1 || Empty()) return;
    TColor32 light, dark;
    if (contrast > 0) {
        light = SetAlpha(clWhite32, Clamp(contrast * 512 / 100));
        dark = SetAlpha(clBlack32, Clamp(contrast * 255 / 100));
    } else {
        light = SetAlpha(clBlack32, Clamp(-contrast * 255 / 100));
        dark = SetAlpha(clWhite32, Clamp(-contrast * 512 / 100));
    }
    BeginUpdate();
    // Light first: where the rectangle is one pixel high or wide, dark is blended over light.
    HorzLineTS(x1, y1, x2 - 1, light);
    if (y1 + 1 <= y2 - 2) VertLineTS(x1, y1 + 1, y2 - 2, light);
    HorzLineTS(x1, y2 - 1, x2 - 1, dark);
    if (y1 + 1 <= y2 - 2) VertLineTS(x2 - 1, y1 + 1, y2 - 2, dark);
    EndUpdate();
}

void TBitmap32::MoveToF(float x, float y) {
    fPenX = x;
    fPenY = y;
}

namespace {

// Clips the segment to [xmin, xmax] x [ymin, ymax] (Liang-Barsky); false when nothing is left.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin, double xmax,
                 double ymax) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = nx0;
    y0 = ny0;
    return true;
}

} // namespace

void TBitmap32::LineToFS(float x, float y) {
    double x0 = fPenX, y0 = fPenY, x1 = x, y1 = y;
    fPenX = x;
    fPenY = y;
    if (Empty() || AlphaComponent(fPenColor) == 0) return;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
    // Pixel centres sit on integer coordinates. Clipping to one pixel beyond the bitmap keeps every
    // visible pixel's coverage the same as for the unclipped line.
    if (!ClipSegment(x0, y0, x1, y1, -2.0, -2.0, fWidth + 1.0, fHeight + 1.0)) return;

    // Xiaolin Wu's line: each column (or row, for steep lines) is shared by the two pixels nearest
    // the ideal line, by distance; the end pixels are weighted by how much of them the line covers.
    const bool steep = std::fabs(y1 - y0) > std::fabs(x1 - x0);
    if (steep) {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x0 > x1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const double dx = x1 - x0, dy = y1 - y0;
    const double gradient = dx == 0.0 ? 1.0 : dy / dx;
    const int penAlpha = AlphaComponent(fPenColor);
    auto plot = [&](long long px, long long py, double coverage) {
        if (steep) std::swap(px, py);
        if (px < 0 || py < 0 || px >= fWidth || py >= fHeight) return;
        const int a = RoundI(penAlpha * std::clamp(coverage, 0.0, 1.0));
        if (a == 0) return;
        TColor32& d = fBits[std::size_t(py) * std::size_t(fWidth) + std::size_t(px)];
        d = BlendReg(SetAlpha(fPenColor, a), d);
    };
    auto fpart = [](double v) { return v - std::floor(v); };

    double xend = std::floor(x0 + 0.5);
    double yend = y0 + gradient * (xend - x0);
    double xgap = 1.0 - fpart(x0 + 0.5);
    const long long xp1 = (long long)xend, yp1 = (long long)std::floor(yend);
    plot(xp1, yp1, (1.0 - fpart(yend)) * xgap);
    plot(xp1, yp1 + 1, fpart(yend) * xgap);
    double intery = yend + gradient;

    xend = std::floor(x1 + 0.5);
    yend = y1 + gradient * (xend - x1);
    xgap = fpart(x1 + 0.5);
    const long long xp2 = (long long)xend, yp2 = (long long)std::floor(yend);
    if (xp2 != xp1) {
        plot(xp2, yp2, (1.0 - fpart(yend)) * xgap);
        plot(xp2, yp2 + 1, fpart(yend) * xgap);
    }
    for (long long px = xp1 + 1; px < xp2; ++px) {
        const long long py = (long long)std::floor(intery);
        plot(px, py, 1.0 - fpart(intery));
        plot(px, py + 1, fpart(intery));
        intery += gradient;
    }
    Changed();
}

// ---- Transfers ----------------------------------------------------------------------------------

void BlockTransfer(TBitmap32& dst, int x, int y, const TBitmap32& src) {
    BlockTransfer(dst, x, y, src, src.BoundsRect());
}

void BlockTransfer(TBitmap32& dst, int x, int y, const TBitmap32& src, const TRect& srcRect) {
    if (src.Empty() || dst.Empty()) return;
    const TDrawMode mode = src.DrawMode();
    const int master = src.MasterAlpha();
    if (mode == dmBlend && master == 0) return;

    // Clip against the source, then against the destination; 64 bits so no offset overflows.
    long long sl = srcRect.Left, st = srcRect.Top, sr = srcRect.Right, sb = srcRect.Bottom;
    long long dx = x, dy = y;
    if (sl < 0) {
        dx -= sl;
        sl = 0;
    }
    if (st < 0) {
        dy -= st;
        st = 0;
    }
    sr = std::min<long long>(sr, src.Width());
    sb = std::min<long long>(sb, src.Height());
    if (dx < 0) {
        sl -= dx;
        dx = 0;
    }
    if (dy < 0) {
        st -= dy;
        dy = 0;
    }
    const long long w = std::min(sr - sl, dst.Width() - dx), h = std::min(sb - st, dst.Height() - dy);
    if (w <= 0 || h <= 0) return;

    // Drawing a bitmap onto itself reads the source as it was before the transfer.
    const TBitmap32* from = &src;
    TBitmap32 copy;
    if (&src == &dst) {
        copy.SetSize(int(w), int(h));
        for (long long r = 0; r < h; ++r)
            std::memcpy(copy.ScanLine(int(r)), src.ScanLine(int(st + r)) + sl,
                        std::size_t(w) * sizeof(TColor32));
        from = &copy;
        sl = st = 0;
    }

    const std::size_t n = std::size_t(w);
    ParallelRows(
        int(h), n,
        [&](int b, int e) {
            for (int r = b; r < e; ++r) {
                const TColor32* s = from->ScanLine(int(st) + r) + sl;
                TColor32* d = dst.ScanLine(int(dy) + r) + dx;
                if (mode == dmOpaque)
                    std::memcpy(d, s, n * sizeof(TColor32));
                else if (master == 255)
                    BlendLine(s, d, n);
                else
                    BlendLineEx(s, d, n, master);
            }
        },
        kParallelPixels);
    dst.Changed();
}

void TBitmap32::DrawTo(TBitmap32& dst, int x, int y) const {
    BlockTransfer(dst, x, y, *this);
}

// ---- Files and streams --------------------------------------------------------------------------

void TBitmap32::SaveToFile(const std::string& fileName) const {
    const codecs::Bytes bytes = codecs::EncodeBMP32(*this);
    codecs::WriteWholeFile(fileName, bytes.data(), bytes.size());
}

void TBitmap32::SaveToStream(std::ostream& s) const {
    const codecs::Bytes bytes = codecs::EncodeBMP32(*this);
    s.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!s) throw Error("Can't write the bitmap to the stream");
}

namespace {

std::uint32_t Le16(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}
std::uint32_t Le32(const std::uint8_t* p) {
    return Le16(p) | (Le16(p + 2) << 16);
}

// Reads up to n more bytes onto the end of buf, in pieces, so that a header claiming a huge size
// on a short stream allocates no more than the stream holds. Returns the number of bytes read.
std::size_t ReadMore(std::istream& s, std::vector<std::uint8_t>& buf, std::size_t n) {
    std::size_t got = 0;
    constexpr std::size_t kPiece = std::size_t(4) << 20;
    while (got < n && s) {
        const std::size_t want = std::min(kPiece, n - got), at = buf.size();
        buf.resize(at + want);
        s.read(reinterpret_cast<char*>(buf.data() + at), std::streamsize(want));
        const std::size_t r = std::size_t(s.gcount());
        buf.resize(at + r);
        got += r;
        if (r < want) break;
    }
    return got;
}

// Bytes from the start of the file to the end of the pixel data as the headers describe it, or 0
// when the headers do not say (or describe a picture beyond the size limit).
std::uint64_t ExtentFromHeaders(const std::vector<std::uint8_t>& b, std::uint32_t infoSize) {
    const std::uint64_t offBits = Le32(b.data() + 10);
    long long w, h;
    std::uint32_t bpp, compression = 0, sizeImage = 0;
    if (infoSize == 12) {
        w = Le16(b.data() + 18);
        h = Le16(b.data() + 20);
        bpp = Le16(b.data() + 24);
    } else if (infoSize >= 16 && b.size() >= 14 + 16) {
        w = std::int32_t(Le32(b.data() + 18));
        h = std::int32_t(Le32(b.data() + 22));
        bpp = Le16(b.data() + 28);
        if (infoSize >= 20) compression = Le32(b.data() + 30);
        if (infoSize >= 24) sizeImage = Le32(b.data() + 34);
    } else {
        return 0;
    }
    if (h < 0) h = -h;
    if (w <= 0 || h <= 0 || !SizeWithinLimit(w, h) || bpp == 0 || bpp > 64) return 0;
    if (compression == 0 || compression == 3 || compression == 6) {
        const std::uint64_t stride = (std::uint64_t(w) * bpp + 31) / 32 * 4;
        return offBits + stride * std::uint64_t(h);
    }
    return sizeImage ? offBits + sizeImage : 0;
}

// Decodes a bitmap read from the stream's current position and leaves the stream right after it.
TBitmap32 ReadBmpFromStream(std::istream& s) {
    const std::string name = "BMP stream";
    std::vector<std::uint8_t> buf;
    if (ReadMore(s, buf, 18) < 18) throw Error(name + ": the bitmap header is truncated");
    if (buf[0] != 'B' || buf[1] != 'M') throw Error(name + ": not a bitmap (no \"BM\" signature)");
    const std::uint32_t fileSize = Le32(buf.data() + 2), infoSize = Le32(buf.data() + 14);
    // The information header is at least 12 bytes; read as much of it as describes the pixels.
    if (infoSize >= 12) ReadMore(s, buf, std::min<std::uint32_t>(infoSize, 40) - 4);
    const std::uint64_t extent = ExtentFromHeaders(buf, infoSize);
    // The file size of the header is trusted when it covers the headers and the pixel data; writers
    // that leave it 0 or wrong are read by the headers' own description.
    std::uint64_t need = buf.size();
    if (fileSize >= 14ull + infoSize && fileSize >= extent)
        need = fileSize;
    else if (extent > 0)
        need = extent;
    if (need > buf.size()) ReadMore(s, buf, std::size_t(need - buf.size()));
    const bool hitEnd = !s;

    std::size_t consumed = buf.size();
    TBitmap32 result =
        codecs::DecodeBMP(buf.data(), buf.size(), name, codecs::BmpReadOptions{false}, &consumed);
    if (hitEnd) s.clear(); // the image was complete: the stream merely ends with it
    if (consumed < buf.size()) {
        s.seekg(-std::streamoff(buf.size() - consumed), std::ios_base::cur);
        if (!s) s.clear();
    }
    return result;
}

} // namespace

void TBitmap32::LoadFromFile(const std::string& fileName) {
    TBitmap32 loaded = codecs::LoadPicture(fileName);
    // Loading replaces the pixels only; the drawing properties stay those of this bitmap.
    loaded.fDrawMode = fDrawMode;
    loaded.fMasterAlpha = fMasterAlpha;
    loaded.fOuterColor = fOuterColor;
    loaded.fStretchFilter = fStretchFilter;
    loaded.fPenColor = fPenColor;
    loaded.fPenX = fPenX;
    loaded.fPenY = fPenY;
    *this = std::move(loaded);
}

void TBitmap32::LoadFromStream(std::istream& s) {
    TBitmap32 loaded = ReadBmpFromStream(s);
    loaded.fDrawMode = fDrawMode;
    loaded.fMasterAlpha = fMasterAlpha;
    loaded.fOuterColor = fOuterColor;
    loaded.fStretchFilter = fStretchFilter;
    loaded.fPenColor = fPenColor;
    loaded.fPenX = fPenX;
    loaded.fPenY = fPenY;
    *this = std::move(loaded);
}

} // namespace kv
