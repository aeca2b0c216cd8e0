// Affine transformation of points and of bitmaps.
#include "core/transform.h"

#include "core/blend.h"
#include "core/parallel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kv {

void TAffineTransformation::Clear() { A = 1, B = 0, C = 0, D = 0, E = 1, F = 0; }

// The new step s runs after the matrix: M becomes s * M.
void TAffineTransformation::Append(double a, double b, double c, double d, double e, double f) {
    const double nA = a * A + b * D, nB = a * B + b * E, nC = a * C + b * F + c;
    const double nD = d * A + e * D, nE = d * B + e * E, nF = d * C + e * F + f;
    A = nA, B = nB, C = nC, D = nD, E = nE, F = nF;
}

void TAffineTransformation::Translate(double dx, double dy) { Append(1, 0, dx, 0, 1, dy); }

void TAffineTransformation::Scale(double sx, double sy) { Append(sx, 0, 0, 0, sy, 0); }

void TAffineTransformation::Skew(double fx, double fy) { Append(1, fx, 0, fy, 1, 0); }

void TAffineTransformation::Rotate(double cx, double cy, double alpha) {
    // Quarter turns get exact sines and cosines, so a rotation by 90 degrees maps pixels exactly.
    double s, c;
    const double a = std::fmod(alpha, 360.0);
    if (a == 0) {
        s = 0, c = 1;
    } else if (a == 90 || a == -270) {
        s = 1, c = 0;
    } else if (a == 180 || a == -180) {
        s = 0, c = -1;
    } else if (a == 270 || a == -90) {
        s = -1, c = 0;
    } else {
        const double r = alpha * (3.14159265358979323846 / 180.0);
        s = std::sin(r), c = std::cos(r);
    }
    // About the centre whenever either coordinate is non-zero (about the origin when both are 0).
    const bool shift = cx != 0 || cy != 0;
    if (shift) Translate(-cx, -cy);
    Append(c, s, 0, -s, c, 0);
    if (shift) Translate(cx, cy);
}

void TAffineTransformation::Transform(double x, double y, double& outX, double& outY) const {
    outX = A * x + B * y + C;
    outY = D * x + E * y + F;
}

TFloatRect TAffineTransformation::GetTransformedBounds() const {
    const double xs[2] = {SrcRect.Left, SrcRect.Right}, ys[2] = {SrcRect.Top, SrcRect.Bottom};
    double l = 0, t = 0, r = 0, b = 0;
    bool first = true;
    for (double x : xs)
        for (double y : ys) {
            double px, py;
            Transform(x, y, px, py);
            if (first) {
                l = r = px, t = b = py;
                first = false;
            } else {
                l = std::min(l, px), r = std::max(r, px), t = std::min(t, py), b = std::max(b, py);
            }
        }
    return TFloatRect{float(l), float(t), float(r), float(b)};
}

namespace {

// Combine on all four channels at once, each in a 16-bit field of a 64-bit word:
// f * W + b * (256 - W) + 128 is at most 65408, so no field carries into the next.
inline std::uint64_t Spread(TColor32 c) {
    std::uint64_t x = c;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    return (x | (x << 8)) & 0x00FF00FF00FF00FFull;
}
inline TColor32 Combine4(TColor32 f, TColor32 b, int w) {
    std::uint64_t x = (Spread(f) * std::uint64_t(w) + Spread(b) * std::uint64_t(256 - w) + 0x0080008000800080ull) >> 8;
    x &= 0x00FF00FF00FF00FFull;
    x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
    return TColor32((x | (x >> 16)) & 0xFFFFFFFFull);
}

#ifdef __SSE2__
// Combine(Combine(s0[0], s0[1], wx), Combine(s1[0], s1[1], wx), wy) in 16-bit lanes, the same
// exact arithmetic as Combine4.
inline TColor32 Bilinear(const TColor32* s0, const TColor32* s1, int wx, int wy) {
    const __m128i z = _mm_setzero_si128(), r = _mm_set1_epi16(128);
    const __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s0)), z);
    const __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s1)), z);
    const __m128i f = _mm_unpacklo_epi64(a, b), g = _mm_unpackhi_epi64(a, b); // left pixels, right pixels
    const __m128i h = _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(f, _mm_set1_epi16(short(wx))),
                                    _mm_mullo_epi16(g, _mm_set1_epi16(short(256 - wx)))),
                      r),
        8);
    const __m128i v = _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(h, _mm_set1_epi16(short(wy))),
                                    _mm_mullo_epi16(_mm_unpackhi_epi64(h, h), _mm_set1_epi16(short(256 - wy)))),
                      r),
        8);
    return TColor32(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
}
#endif

long long RoundBound(float v) {
    const double lim = 1e15;
    return RoundHalfEven(std::clamp(double(v), -lim, lim));
}

} // namespace

// Each destination pixel is sampled at its centre: the inverse matrix maps (X + 0.5, Y + 0.5) into
// the source, and the result less 0.5 is the position on the grid of source pixels, so that pixel
// (x, y) of the source sits at exactly (x, y) and identity and quarter turns reproduce pixels. The
// position is kept in 24.8 fixed point; "nearest" rounds it half up ((p + 128) >> 8). Bounds, the
// source rectangle and its edges are taken rounded to whole pixels.
void Transform(TBitmap32& dst, const TBitmap32& src, TAffineTransformation& t) {
    if (src.Empty() || dst.Empty()) return;
    const TDrawMode mode = src.DrawMode();
    const int master = src.MasterAlpha();
    if (mode == dmBlend && master == 0) return;

    const TFloatRect fb = t.GetTransformedBounds();
    const long long bl = std::max<long long>(RoundBound(fb.Left), 0);
    const long long bt = std::max<long long>(RoundBound(fb.Top), 0);
    const long long br = std::min<long long>(RoundBound(fb.Right), dst.Width());
    const long long bb = std::min<long long>(RoundBound(fb.Bottom), dst.Height());
    if (br <= bl || bb <= bt) return;

    const double det = t.A * t.E - t.B * t.D;
    if (det == 0 || !std::isfinite(det)) return;
    const double ia = t.E / det, ib = -t.B / det, id = -t.D / det, ie = t.A / det;
    const double ic = (t.B * t.F - t.C * t.E) / det + 0.5 * (ia + ib) - 0.5;
    const double jf = (t.C * t.D - t.A * t.F) / det + 0.5 * (id + ie) - 0.5;
    // Coefficients with 24 fractional bits; positions are (coef * X + ...) >> 16 in 24.8. A map
    // whose inverse scales by 2^20 or more shrinks the picture below a pixel and draws nothing.
    constexpr double kScale = 16777216.0, kMaxLinear = 1048576.0, kMaxOffset = 68719476736.0;
    for (double v : {ia, ib, id, ie})
        if (!(std::fabs(v) < kMaxLinear)) return;
    for (double v : {ic, jf})
        if (!(std::fabs(v) < kMaxOffset)) return;
    const long long fa = std::llround(ia * kScale), fbx = std::llround(ib * kScale), fc = std::llround(ic * kScale);
    const long long fd = std::llround(id * kScale), fe = std::llround(ie * kScale), ff = std::llround(jf * kScale);

    const TFloatRect& sr = t.SrcRect;
    const long long sl = RoundBound(sr.Left), st = RoundBound(sr.Top);
    const long long srr = RoundBound(sr.Right), sbb = RoundBound(sr.Bottom);
    const int sw = src.Width(), sh = src.Height();

    const TBitmap32* from = &src;
    TBitmap32 copy;
    if (&src == &dst) {
        copy.Assign(src);
        from = &copy;
    }
    const TBitmap32& S = *from;
    const TColor32 outer = src.OuterColor();
    const bool nearest = src.StretchFilter() == sfNearest;
    // Nearest reads only pixels inside both the source rectangle and the bitmap.
    const long long nl = std::max<long long>(sl, 0), nt = std::max<long long>(st, 0);
    const long long nr = std::min<long long>(srr, sw), nb = std::min<long long>(sbb, sh);

    auto pix = [&S, sw, sh, outer](long long x, long long y) -> TColor32 {
        return (x >= 0 && y >= 0 && x < sw && y < sh) ? S.Pixel(int(x), int(y)) : outer;
    };

    // One row of destination pixels; Opaque and Nearest fixed per instantiation so the inner
    // loop has no mode switch.
    auto rowLoop = [&](auto opaqueTag, auto nearestTag, long long Y, long long x0, long long x1) {
        constexpr bool kOpaque = decltype(opaqueTag)::value, kNearest = decltype(nearestTag)::value;
        long long vx = fa * x0 + fbx * Y + fc, vy = fd * x0 + fe * Y + ff;
        TColor32* d = dst.ScanLine(int(Y)) + x0;
        for (long long X = x0; X < x1; ++X, ++d, vx += fa, vy += fd) {
            const long long px = vx >> 16, py = vy >> 16; // 24.8
            TColor32 c;
            if constexpr (kNearest) {
                const long long x = (px + 128) >> 8, y = (py + 128) >> 8;
                if (x < nl || x >= nr || y < nt || y >= nb) continue;
                c = S.Pixel(int(x), int(y));
            } else {
                const long long x = px >> 8, y = py >> 8;
                if (x < -1 || y < -1 || x >= srr || y >= sbb) continue;
                const int wx = 255 - int(px & 255), wy = 255 - int(py & 255);
                TColor32 p00, p10, p01, p11;
                if (x >= 0 && y >= 0 && x + 1 < sw && y + 1 < sh) {
                    const TColor32* s0 = S.ScanLine(int(y)) + x;
#ifdef __SSE2__
                    c = Bilinear(s0, s0 + sw, wx, wy);
                    if constexpr (kOpaque)
                        *d = c;
                    else
                        *d = BlendRegEx(c, *d, master);
                    continue;
#else
                    const TColor32* s1 = s0 + sw;
                    p00 = s0[0], p10 = s0[1], p01 = s1[0], p11 = s1[1];
#endif
                } else {
                    p00 = pix(x, y), p10 = pix(x + 1, y), p01 = pix(x, y + 1), p11 = pix(x + 1, y + 1);
                }
                c = Combine4(Combine4(p00, p10, wx), Combine4(p01, p11, wx), wy);
            }
            if constexpr (kOpaque)
                *d = c;
            else
                *d = BlendRegEx(c, *d, master);
        }
    };
    using T = std::true_type;
    using F = std::false_type;
    const bool opaque = mode == dmOpaque;
    ParallelRows(
        int(bb - bt), std::size_t(br - bl),
        [&](int rb, int re) {
            // Tiles of destination pixels keep the source pixels they read close together in
            // cache even when the map turns rows into columns; every pixel is independent, so
            // the visiting order does not change the result.
            constexpr int kTileRows = 32, kTileCols = 128;
            for (int r0 = rb; r0 < re; r0 += kTileRows)
                for (long long x0 = bl; x0 < br; x0 += kTileCols) {
                    const long long x1 = std::min<long long>(x0 + kTileCols, br);
                    for (int r = r0; r < std::min(r0 + kTileRows, re); ++r) {
                        const long long Y = bt + r;
                        if (opaque && nearest) rowLoop(T{}, T{}, Y, x0, x1);
                        else if (opaque) rowLoop(T{}, F{}, Y, x0, x1);
                        else if (nearest) rowLoop(F{}, T{}, Y, x0, x1);
                        else rowLoop(F{}, F{}, Y, x0, x1);
                    }
                }
        },
        std::size_t(1) << 17);
    dst.Changed();
}

void SetBorderTransparent(TBitmap32& bitmap, const TRect& rect) {
    if (bitmap.Empty() || rect.IsEmpty()) return;
    const long long w = bitmap.Width(), h = bitmap.Height();
    const long long l = rect.Left, t = rect.Top, r = (long long)rect.Right - 1, b = (long long)rect.Bottom - 1;
    bool changed = false;
    auto clear = [&](long long x, long long y) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        TColor32* p = bitmap.PixelPtr(int(x), int(y));
        *p &= 0x00FFFFFFu;
        changed = true;
    };
    const long long x0 = std::max<long long>(l, 0), x1 = std::min<long long>(r, w - 1);
    for (long long x = x0; x <= x1; ++x) {
        clear(x, t);
        clear(x, b);
    }
    const long long y0 = std::max<long long>(t, 0), y1 = std::min<long long>(b, h - 1);
    for (long long y = y0; y <= y1; ++y) {
        clear(l, y);
        clear(r, y);
    }
    if (changed) bitmap.Changed();
}

} // namespace kv
