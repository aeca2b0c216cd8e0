#include "adjust/rotate.h"

#include "core/blend.h"
#include "core/parallel.h"

#include <emmintrin.h>

#include <algorithm>
#include <utility>

namespace kv {

namespace {

constexpr std::size_t kParallelPixels = std::size_t(1) << 19;
constexpr int kTile = 64;

// 4 x 4 pixels: rows a, b, c, d become columns.
inline void Transpose4(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
    const __m128i ab0 = _mm_unpacklo_epi32(a, b), ab1 = _mm_unpackhi_epi32(a, b);
    const __m128i cd0 = _mm_unpacklo_epi32(c, d), cd1 = _mm_unpackhi_epi32(c, d);
    a = _mm_unpacklo_epi64(ab0, cd0);
    b = _mm_unpackhi_epi64(ab0, cd0);
    c = _mm_unpacklo_epi64(ab1, cd1);
    d = _mm_unpackhi_epi64(ab1, cd1);
}

inline __m128i Load4(const TColor32* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store4(TColor32* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// dst (H x W) from src (W x H) in 64 x 64 tiles of 4 x 4 blocks, so both sides are walked in
// cache-sized pieces. clockwise: dst(X, Y) = src(Y, H - 1 - X); otherwise dst(X, Y) = src(W - 1 - Y, X).
void Transpose(const TBitmap32& src, TBitmap32& dst, bool clockwise) {
    const int W = src.Width(), H = src.Height();
    const int dw = dst.Width();
    const bool vector = ActiveBlendPath() != BlendPath::Scalar;
    auto pixel = [&](int X, int Y) { return clockwise ? src.Pixel(Y, H - 1 - X) : src.Pixel(W - 1 - Y, X); };
    ParallelRows(
        dst.Height(), std::size_t(dw),
        [&](int b, int e) {
            for (int y0 = b; y0 < e; y0 += kTile) {
                const int y1 = std::min(e, y0 + kTile), yv = vector ? y0 + (y1 - y0) / 4 * 4 : y0;
                for (int x0 = 0; x0 < dw; x0 += kTile) {
                    const int x1 = std::min(dw, x0 + kTile), xv = vector ? x0 + (x1 - x0) / 4 * 4 : x0;
                    for (int Y = y0; Y < yv; Y += 4)
                        for (int X = x0; X < xv; X += 4) {
                            if (clockwise) {
                                __m128i v0 = Load4(src.ScanLine(H - 1 - X) + Y),
                                        v1 = Load4(src.ScanLine(H - 2 - X) + Y),
                                        v2 = Load4(src.ScanLine(H - 3 - X) + Y),
                                        v3 = Load4(src.ScanLine(H - 4 - X) + Y);
                                Transpose4(v0, v1, v2, v3);
                                Store4(dst.ScanLine(Y) + X, v0);
                                Store4(dst.ScanLine(Y + 1) + X, v1);
                                Store4(dst.ScanLine(Y + 2) + X, v2);
                                Store4(dst.ScanLine(Y + 3) + X, v3);
                            } else {
                                const int c = W - 4 - Y;
                                __m128i v0 = Load4(src.ScanLine(X) + c), v1 = Load4(src.ScanLine(X + 1) + c),
                                        v2 = Load4(src.ScanLine(X + 2) + c),
                                        v3 = Load4(src.ScanLine(X + 3) + c);
                                Transpose4(v0, v1, v2, v3);
                                Store4(dst.ScanLine(Y + 3) + X, v0);
                                Store4(dst.ScanLine(Y + 2) + X, v1);
                                Store4(dst.ScanLine(Y + 1) + X, v2);
                                Store4(dst.ScanLine(Y) + X, v3);
                            }
                        }
                    // The rest of the tile that no whole 4 x 4 block covers.
                    for (int Y = y0; Y < y1; ++Y) {
                        TColor32* out = dst.ScanLine(Y);
                        for (int X = (Y < yv ? xv : x0); X < x1; ++X)
                            out[X] = pixel(X, Y);
                    }
                }
            }
        },
        kParallelPixels);
}

void Turn(TBitmap32& picture, bool clockwise) {
    if (picture.Empty()) return;
    TBitmap32 turned(picture.Height(), picture.Width());
    turned.SetDrawMode(picture.DrawMode());
    turned.SetMasterAlpha(picture.MasterAlpha());
    turned.SetOuterColor(picture.OuterColor());
    turned.SetStretchFilter(picture.StretchFilter());
    turned.SetPenColor(picture.PenColor());
    Transpose(picture, turned, clockwise);
    picture = std::move(turned);
}

} // namespace

void TurnClockwise(TBitmap32& picture) {
    Turn(picture, true);
}
void TurnCounterClockwise(TBitmap32& picture) {
    Turn(picture, false);
}

void TurnHalf(TBitmap32& picture) {
    if (picture.Empty()) return;
    std::reverse(picture.Bits(), picture.Bits() + picture.PixelCount());
    picture.Changed();
}

void MirrorHorizontal(TBitmap32& picture) {
    if (picture.Empty()) return;
    const int W = picture.Width();
    ParallelRows(
        picture.Height(), std::size_t(W),
        [&](int b, int e) {
            for (int y = b; y < e; ++y)
                std::reverse(picture.ScanLine(y), picture.ScanLine(y) + W);
        },
        kParallelPixels);
    picture.Changed();
}

void MirrorVertical(TBitmap32& picture) {
    if (picture.Empty()) return;
    const int W = picture.Width(), H = picture.Height();
    ParallelRows(
        H / 2, std::size_t(W),
        [&](int b, int e) {
            for (int y = b; y < e; ++y)
                std::swap_ranges(picture.ScanLine(y), picture.ScanLine(y) + W, picture.ScanLine(H - 1 - y));
        },
        kParallelPixels / 2);
    picture.Changed();
}

} // namespace kv
