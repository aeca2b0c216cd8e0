// The effects library routines. Loops that read only what no other iteration writes run over
// several cores and in vector form; the ones that draw random numbers or read their own results
// run in the one order that defines them.
#include "effects/effects.h"
#include "effects/grey_kernel.h"

#include "core/blend.h"
#include "core/error.h"
#include "core/parallel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <immintrin.h>
#include <numbers>
#include <string>
#include <vector>

namespace kv {

namespace {

#define KV_CLONES __attribute__((target_clones("avx2", "default")))

constexpr std::size_t kParallelPixels = std::size_t(1) << 19;

// One state per thread: the editor runs every command on one thread, so it sees the one sequence;
// the batch tool's worker threads each start their files from SetRandomState(0).
thread_local std::uint32_t gRandomState = 0;

// The generator step inlined on a local copy of the state, stored back by the caller.
inline std::uint32_t Draw(std::uint32_t& state, std::uint32_t n) {
    state = state * 134775813u + 1u;
    return std::uint32_t((std::uint64_t(state) * n) >> 32);
}

void Require(bool ok, const char* what) {
    if (!ok) throw Error(std::string("Effect parameter out of range: ") + what);
}

// Byte-wise in-place loops the compiler vectorises.
KV_CLONES void InvertBytes(std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        p[i] = std::uint8_t(255 - p[i]);
}

KV_CLONES void EmbossRow(std::uint8_t* __restrict cur, const std::uint8_t* __restrict next, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        cur[i] = std::uint8_t((cur[i] + 255 - next[i + 9]) >> 1);
}

// Middle columns of a blur row whose upper and lower rows are other rows: nothing read is written.
KV_CLONES void BlurSpan(std::uint8_t* __restrict out, const std::uint8_t* __restrict up,
                        const std::uint8_t* __restrict lo, std::size_t begin, std::size_t end,
                        std::size_t off) {
    for (std::size_t i = begin; i < end; ++i)
        out[i] = std::uint8_t((up[i - off] + lo[i - off] + up[i + off] + lo[i + off]) >> 2);
}

inline std::uint8_t GreyOf(unsigned b, unsigned g, unsigned r) {
    return std::uint8_t(grey_detail::GreyLevel(r, g, b));
}

KV_CLONES void GreyBytes(std::uint8_t* p, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t v = GreyOf(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
        p[3 * i] = v;
        p[3 * i + 1] = v;
        p[3 * i + 2] = v;
    }
}

// Sixteen 3-byte pixels (48 bytes) per step, read as three vectors before anything is stored: each
// group of four pixels is spread to 32-bit lanes, takes the same 16-bit arithmetic as GreyOf, and
// its twelve grey bytes are packed back. Returns the pixels done.
// Two groups of four pixels, one in each 128-bit half (every step below stays inside its half).
__attribute__((target("avx2"))) inline __m256i GreyGroups(__m256i raw) {
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1,
                                            3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i gather = _mm256_setr_epi8(0, 0, 0, 2, 2, 2, 4, 4, 4, 6, 6, 6, -1, -1, -1, -1, 0, 0, 0, 2, 2,
                                            2, 4, 4, 4, 6, 6, 6, -1, -1, -1, -1);
    const __m256i c = _mm256_shuffle_epi8(raw, spread);
    return _mm256_shuffle_epi8(grey_detail::GreyLevels16(c), gather);
}

__attribute__((target("avx2"))) std::size_t GreyBytesSSSE3(std::uint8_t* p, std::size_t pixels) {
    std::size_t i = 0;
    for (; i + 16 <= pixels; i += 16) {
        __m128i* a = reinterpret_cast<__m128i*>(p + 3 * i);
        const __m128i l0 = _mm_loadu_si128(a), l1 = _mm_loadu_si128(a + 1), l2 = _mm_loadu_si128(a + 2);
        const __m256i g01 = GreyGroups(_mm256_set_m128i(_mm_alignr_epi8(l1, l0, 12), l0));
        const __m256i g23 = GreyGroups(_mm256_set_m128i(_mm_srli_si128(l2, 4), _mm_alignr_epi8(l2, l1, 8)));
        const __m128i g0 = _mm256_castsi256_si128(g01), g1 = _mm256_extracti128_si256(g01, 1);
        const __m128i g2 = _mm256_castsi256_si128(g23), g3 = _mm256_extracti128_si256(g23, 1);
        _mm_storeu_si128(a, _mm_or_si128(g0, _mm_slli_si128(g1, 12)));
        _mm_storeu_si128(a + 1, _mm_or_si128(_mm_srli_si128(g1, 4), _mm_slli_si128(g2, 8)));
        _mm_storeu_si128(a + 2, _mm_or_si128(_mm_srli_si128(g2, 8), _mm_slli_si128(g3, 4)));
    }
    return i;
}

void TableBytes(const std::uint8_t* s, std::uint8_t* d, std::size_t n, const std::uint8_t* __restrict t) {
    for (std::size_t i = 0; i < n; ++i)
        d[i] = t[s[i]];
}

// a * Round(v / a) limited to 255, sixteen bytes at a time: q = v div a is (v * magic) >> 16 for
// every byte v (checked by the caller), then one more when the remainder passes half of a, or is
// exactly half with q odd; the pack limits to 255.
void PosterizeBytes(const std::uint8_t* s, std::uint8_t* d, std::size_t n, int a, int magic,
                    const std::uint8_t* table) {
    const __m128i z = _mm_setzero_si128(), vm = _mm_set1_epi16(short(magic)), va = _mm_set1_epi16(short(a)),
                  one = _mm_set1_epi16(1);
    auto half = [&](__m128i v) {
        const __m128i q = _mm_mulhi_epu16(v, vm);
        const __m128i r2 = _mm_slli_epi16(_mm_sub_epi16(v, _mm_mullo_epi16(q, va)), 1);
        const __m128i up =
            _mm_or_si128(_mm_cmpgt_epi16(r2, va),
                         _mm_and_si128(_mm_cmpeq_epi16(r2, va), _mm_cmpeq_epi16(_mm_and_si128(q, one), one)));
        return _mm_mullo_epi16(_mm_sub_epi16(q, up), va);
    };
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_packus_epi16(half(_mm_unpacklo_epi8(v, z)), half(_mm_unpackhi_epi8(v, z))));
    }
    for (; i < n; ++i)
        d[i] = table[s[i]];
}

// The one literal visit of a blur row, for rows that read themselves (near the top or bottom).
void BlurRowLiteral(Bitmap24& bmp, int y, int a) {
    const int W = bmp.Width(), H = bmp.Height();
    const int upY = y - a < 0 ? y : y - a, loY = y + a >= H ? y : y + a;
    std::uint8_t* row = bmp.ScanLine(y);
    const std::uint8_t* up = bmp.ScanLine(upY);
    const std::uint8_t* lo = bmp.ScanLine(loY);
    for (int x = 0; x < W; ++x) {
        const int xl = x - a < 0 ? x : x - a, xr = x + a >= W ? x : x + a;
        for (int ch = 0; ch < 3; ++ch) {
            const int l = 3 * xl + ch, r = 3 * xr + ch;
            row[3 * x + ch] = std::uint8_t((up[l] + lo[l] + up[r] + lo[r]) >> 2);
        }
    }
}

void BlurRowMiddle(Bitmap24& bmp, int y, int a) {
    const int W = bmp.Width();
    std::uint8_t* row = bmp.ScanLine(y);
    const std::uint8_t* up = bmp.ScanLine(y - a);
    const std::uint8_t* lo = bmp.ScanLine(y + a);
    auto edge = [&](int x) {
        const int xl = x - a < 0 ? x : x - a, xr = x + a >= W ? x : x + a;
        for (int ch = 0; ch < 3; ++ch) {
            const int l = 3 * xl + ch, r = 3 * xr + ch;
            row[3 * x + ch] = std::uint8_t((up[l] + lo[l] + up[r] + lo[r]) >> 2);
        }
    };
    if (W <= 2 * a) {
        for (int x = 0; x < W; ++x)
            edge(x);
        return;
    }
    for (int x = 0; x < a; ++x)
        edge(x);
    BlurSpan(row, up, lo, std::size_t(a) * 3, std::size_t(W - a) * 3, std::size_t(a) * 3);
    for (int x = W - a; x < W; ++x)
        edge(x);
}

// In place, for each column x: new(x, y + k[x]) = old(x, y) for y0 <= y <= y1 (k[x] >= 0, the
// written rows inside the bitmap). Each column reads and writes only itself, and its rows are
// filled from the bottom up, so every read finds a pixel that no write has reached yet: the same
// bits as writing from a copy. The columns are cut into one band per thread (whole rows work best
// for the cache), and the bands run side by side.
void ShiftColumnsDown(Bitmap24& bmp, const std::vector<int>& k, int y0, int y1) {
    const int W = bmp.Width();
    if (y1 < y0 || W == 0) return;
    const int blocks = std::max(1, std::min(HardwareThreads(), W / 256));
    const int kBlock = (W + blocks - 1) / blocks;
    const std::ptrdiff_t rowBytes = std::ptrdiff_t(bmp.RowBytes());
    ParallelRows(
        blocks, std::size_t(kBlock) * std::size_t(bmp.Height()),
        [&](int b0, int b1) {
            for (int blk = b0; blk < b1; ++blk) {
                const int x0 = blk * kBlock, x1 = std::min(W, x0 + kBlock);
                const int kmin = *std::min_element(k.begin() + x0, k.begin() + x1);
                const int kmax = *std::max_element(k.begin() + x0, k.begin() + x1);
                for (int t = y1 + kmax; t >= y0 + kmin; --t) {
                    std::uint8_t* out = bmp.ScanLine(t);
                    if (t - y1 <= kmin && kmax <= t - y0) { // every column of the block is written
                        for (int x = x0; x < x1; ++x) {
                            const std::uint8_t* in =
                                out - std::ptrdiff_t(k[std::size_t(x)]) * rowBytes + 3 * x;
                            out[3 * x] = in[0];
                            out[3 * x + 1] = in[1];
                            out[3 * x + 2] = in[2];
                        }
                        continue;
                    }
                    for (int x = x0; x < x1; ++x) {
                        const int y = t - k[std::size_t(x)];
                        if (y < y0 || y > y1 || y == t) continue;
                        const std::uint8_t* in = bmp.PixelPtr(x, y);
                        out[3 * x] = in[0];
                        out[3 * x + 1] = in[1];
                        out[3 * x + 2] = in[2];
                    }
                }
            }
        },
        kParallelPixels);
}

} // namespace

std::uint32_t NextRandom(std::uint32_t n) {
    return Draw(gRandomState, n);
}
std::uint32_t RandomState() {
    return gRandomState;
}
void SetRandomState(std::uint32_t state) {
    gRandomState = state;
}

void ChannelNoise(Bitmap24& bmp, std::uint32_t a) {
    const long long half = a / 2;
    std::uint32_t state = gRandomState;
    std::uint8_t* p = bmp.Bits();
    const std::size_t n = std::size_t(bmp.Width()) * std::size_t(bmp.Height());
    for (std::size_t i = 0; i < n; ++i, p += 3) {
        const long long rb = Draw(state, a), rg = Draw(state, a), rr = Draw(state, a);
        p[0] = std::uint8_t(ClampByte(p[0] + rb - half));
        p[1] = std::uint8_t(ClampByte(p[1] + rg - half));
        p[2] = std::uint8_t(ClampByte(p[2] + rr - half));
    }
    gRandomState = state;
}

void GreyNoise(Bitmap24& bmp, std::uint32_t a) {
    const long long half = a / 2;
    std::uint32_t state = gRandomState;
    std::uint8_t* p = bmp.Bits();
    const std::size_t n = std::size_t(bmp.Width()) * std::size_t(bmp.Height());
    for (std::size_t i = 0; i < n; ++i, p += 3) {
        const long long d = (long long)Draw(state, a) - half;
        p[0] = std::uint8_t(ClampByte(p[0] + d));
        p[1] = std::uint8_t(ClampByte(p[1] + d));
        p[2] = std::uint8_t(ClampByte(p[2] + d));
    }
    gRandomState = state;
}

void DiagonalBlur(Bitmap24& bmp, int a) {
    if (a <= 0) return;
    const int H = bmp.Height();
    for (int y = 0; y < H; ++y) {
        if (y - a < 0 || y + a >= H)
            BlurRowLiteral(bmp, y, a);
        else
            BlurRowMiddle(bmp, y, a);
    }
}

void DiagonalBlurPasses(Bitmap24& bmp, int n) {
    for (int i = 0; i <= n; ++i)
        DiagonalBlur(bmp, 3);
}

void ToGreyscale(Bitmap24& bmp) {
    const std::size_t w = std::size_t(bmp.Width());
    const BlendPath level = ActiveBlendPath(); // the vector level the core's kernels use
    ParallelRows(
        bmp.Height(), w,
        [&](int b, int e) {
            std::uint8_t* p = bmp.ScanLine(b);
            const std::size_t n = std::size_t(e - b) * w,
                              done = level == BlendPath::AVX2 ? GreyBytesSSSE3(p, n) : 0;
            GreyBytes(p + 3 * done, n - done);
        },
        kParallelPixels);
}

void RainDropWarp(const Bitmap24& src, Bitmap24& dst, int F, double S) {
    Require(F >= 1, "rain drop period below 1");
    Require(S >= 1, "rain drop scale below 1");
    dst = src;
    const int W = src.Width(), H = src.Height();
    std::vector<double> c(static_cast<std::size_t>(H)), d(static_cast<std::size_t>(W));
    for (int y = 0; y < H; ++y)
        c[std::size_t(y)] = S * std::cos(double(y % F) / S);
    for (int x = 0; x < W; ++x)
        d[std::size_t(x)] = -S * std::sin(double(x % F) / S);
    for (int y = 0; y < H; ++y) {
        const double cy = c[std::size_t(y)];
        const std::uint8_t* in = src.ScanLine(y);
        for (int x = 0; x < W; ++x) {
            const double dx = d[std::size_t(x)];
            const long long nx = RoundHalfEven(std::fabs(double(x) + dx - cy));
            const long long ny = RoundHalfEven(std::fabs(double(y) + cy - dx));
            if (ny < H && nx < W) std::memcpy(dst.PixelPtr(int(nx), int(ny)), in + 3 * x, 3);
        }
    }
}

void ScatterPixels(Bitmap24& bmp, std::uint32_t a) {
    const long long W = bmp.Width(), H = bmp.Height();
    std::uint32_t state = gRandomState;
    for (long long x = 0; x < W; ++x) {
        for (long long y = 0; y < H; ++y) {
            const std::uint32_t b = Draw(state, a);
            const long long nx = x + b - (long long)Draw(state, 2 * b);
            const long long ny = y + b - (long long)Draw(state, 2 * b);
            if (nx >= 0 && nx < W && ny >= 0 && ny < H && (nx != x || ny != y))
                std::memcpy(bmp.PixelPtr(int(x), int(y)), bmp.PixelPtr(int(nx), int(ny)), 3);
        }
    }
    gRandomState = state;
}

void BlockMosaic(Bitmap24& bmp, int s) {
    if (s <= 1) return;
    const int W = bmp.Width(), H = bmp.Height();
    for (int y0 = 0; y0 < H; y0 += s) {
        std::uint8_t* top = bmp.ScanLine(y0);
        for (int x0 = 0; x0 < W; x0 += s) {
            const int x1 = std::min(W, x0 + s);
            for (int x = x0 + 1; x < x1; ++x)
                std::memcpy(top + 3 * x, top + 3 * x0, 3);
        }
        const int y1 = std::min(H, y0 + s);
        for (int y = y0 + 1; y < y1; ++y)
            std::memcpy(bmp.ScanLine(y), top, bmp.RowBytes());
    }
}

void WaveShift(Bitmap24& bmp, int A, int I, int style) {
    Require(A >= 1, "wave amplitude below 1");
    Require(style >= 0 && style <= 2, "wave style not 0, 1 or 2");
    const int W = bmp.Width(), H = bmp.Height();
    if (H - 1 - 2 * A < A || W == 0) return;
    const double phi = (std::numbers::pi / 2) / A;
    // Column x is written with the offset computed after column x - 1 (0 for the first column).
    std::vector<int> k(static_cast<std::size_t>(W));
    int o = 0;
    for (int x = 0; x < W; ++x) {
        k[std::size_t(x)] = A + o;
        const double xp = double(x) * phi;
        double f;
        if (style == 0)
            f = std::sin(xp);
        else if (style == 1)
            f = std::sin(xp) * std::cos(xp);
        else
            f = std::sin(xp) * std::sin(double(I) * phi * double(x));
        o = int(RoundHalfEven(double(A) * f));
    }
    ShiftColumnsDown(bmp, k, A, H - 1 - 2 * A);
}

int MandelbrotCount(long double cx, long double cy) {
    long double zr = 0, zi = 0;
    int n = 0;
    do {
        const long double r = zr * zr - zi * zi + cx;
        zi = 2 * zr * zi + cy;
        zr = r;
        ++n;
    } while (!(zr * zr + zi * zi >= 4) && n <= 64);
    return n;
}

namespace {
// MandelbrotCount(cx, cy) > threshold, iterating only as far as the threshold needs: the count
// exceeds it exactly when none of the first `threshold` iterations escapes.
bool MandelbrotCountAbove(long double cx, long double cy, int threshold) {
    if (threshold < 1) return true;
    if (threshold >= 65) return false;
    long double zr = 0, zi = 0;
    for (int n = 1; n <= threshold; ++n) {
        const long double r = zr * zr - zi * zi + cx;
        zi = 2 * zr * zi + cy;
        zr = r;
        if (zr * zr + zi * zi >= 4) return false;
    }
    return true;
}

// Calls fn(x, y, inside-the-threshold) for every pixel, rows over several cores.
template <class Fn> void ForMandelbrot(Bitmap24& bmp, int threshold, Fn fn) {
    const int W = bmp.Width(), H = bmp.Height();
    ParallelRows(
        H, std::size_t(W) * 16,
        [&](int b, int e) {
            for (int y = b; y < e; ++y) {
                const long double cy = (long double)y * 2.5L / H - 1.25L;
                std::uint8_t* row = bmp.ScanLine(y);
                for (int x = 0; x < W; ++x)
                    fn(row + 3 * x, MandelbrotCountAbove((long double)x * 3.25L / W - 2, cy, threshold));
            }
        },
        kParallelPixels);
}
} // namespace

void MandelbrotMask(Bitmap24& bmp, int threshold) {
    ForMandelbrot(bmp, threshold, [](std::uint8_t* p, bool white) { std::memset(p, white ? 255 : 0, 3); });
}

void FractalOverlay(Bitmap24& bmp, int threshold) {
    // The mask laid over with white transparent: where it would be black the picture turns black.
    ForMandelbrot(bmp, threshold, [](std::uint8_t* p, bool white) {
        if (!white) std::memset(p, 0, 3);
    });
}

void EmbossRelief(Bitmap24& bmp) {
    const int W = bmp.Width(), H = bmp.Height();
    if (W < 4) return;
    for (int y = 0; y + 1 < H; ++y)
        EmbossRow(bmp.ScanLine(y), bmp.ScanLine(y + 1), std::size_t(W - 3) * 3);
}

void InvertChannels(Bitmap24& bmp) {
    const std::size_t rowBytes = bmp.RowBytes();
    ParallelRows(
        bmp.Height(), std::size_t(bmp.Width()),
        [&](int b, int e) { InvertBytes(bmp.ScanLine(b), std::size_t(e - b) * rowBytes); }, kParallelPixels);
}

void SawtoothRipple(Bitmap24& bmp, int a) {
    const int W = bmp.Width(), H = bmp.Height();
    a = std::min(a, H / 2);
    if (a <= 0 || W == 0) return; // the counter then never leaves 0
    std::vector<int> k(static_cast<std::size_t>(W));
    std::uint8_t c = 0;
    for (int x = 0; x < W; ++x) {
        k[std::size_t(x)] = c;
        c = std::uint8_t(c + 1);
        if (c > a) c = 0;
    }
    ShiftColumnsDown(bmp, k, 0, H - 1 - a);
}

void PosterizeLevels(const Bitmap24& src, Bitmap24& dst, int a) {
    Require(a >= 1, "posterisation step below 1");
    std::array<std::uint8_t, 256> table;
    for (int v = 0; v < 256; ++v) {
        const long long steps = RoundHalfEven(double(v) / a);
        table[std::size_t(v)] = std::uint8_t(std::min<long long>(255, a * steps));
    }
    if (&src != &dst && (dst.Width() != src.Width() || dst.Height() != src.Height()))
        dst.SetSize(src.Width(), src.Height());
    // The vector kernel needs a 16-bit multiplier that divides every byte exactly.
    const int magic = a >= 2 ? 65536 / a + 1 : 0;
    bool exact = a >= 2 && a <= 255;
    const BlendPath level = ActiveBlendPath();
    for (int v = 0; exact && v < 256; ++v)
        exact = (v * magic) >> 16 == v / a;
    const std::size_t rowBytes = src.RowBytes();
    ParallelRows(
        src.Height(), std::size_t(src.Width()),
        [&](int b, int e) {
            const std::size_t n = std::size_t(e - b) * rowBytes;
            if (exact && level != BlendPath::Scalar)
                PosterizeBytes(src.ScanLine(b), dst.ScanLine(b), n, a, magic, table.data());
            else
                TableBytes(src.ScanLine(b), dst.ScanLine(b), n, table.data());
        },
        kParallelPixels);
}

void BevelButton(Bitmap24& bmp, int bw, int s) {
    if (bw == 0) return;
    const int W = bmp.Width(), H = bmp.Height();
    std::array<std::uint8_t, 256> light, dark;
    for (int v = 0; v < 256; ++v) {
        light[std::size_t(v)] = std::uint8_t(ClampByte(v + (255 - v) * (long long)s / 255));
        dark[std::size_t(v)] = std::uint8_t(ClampByte(v - v * (long long)s / 255));
    }
    auto apply = [&](int x, int y, const std::array<std::uint8_t, 256>& t) {
        if (x < 0 || x >= W || y < 0 || y >= H) return;
        std::uint8_t* p = bmp.PixelPtr(x, y);
        p[0] = t[p[0]];
        p[1] = t[p[1]];
        p[2] = t[p[2]];
    };
    auto lighten = [&](int x, int y) { apply(x, y, light); };
    auto darken = [&](int x, int y) { apply(x, y, dark); };
    // Rows r and H - 1 - r both lie outside the picture once r > H - 1, columns once x > W - 1.
    const int rMax = std::min(bw, H - 1);
    for (int r = 0; r <= rMax; ++r) {
        const int top = r, bottom = H - 1 - r;
        for (int x = std::max(r, 0); x <= W - 1 - r; ++x) {
            lighten(x, top);
            darken(x, bottom);
        }
        for (int x = 0; x <= std::min(r, W - 1); ++x) {
            lighten(x, top);
            darken(W - 1 - x, top);
            lighten(x, bottom);
            darken(W - 1 - x, bottom);
        }
    }
    const int xMax = std::min(bw, W - 1);
    for (int y = bw + 1; y <= H - bw - 2; ++y) {
        for (int x = 0; x <= xMax; ++x) {
            lighten(x, y);
            darken(W - 1 - x, y);
        }
    }
}

void OvalMatte(Bitmap24& bmp, int red, int green, int blue) {
    const long long W = bmp.Width(), H = bmp.Height();
    const std::uint8_t colour[3] = {std::uint8_t(blue), std::uint8_t(green), std::uint8_t(red)};
    // Pixel centre (x + 1/2, y + 1/2) in the closed ellipse with centre (W/2, H/2) and semi-axes
    // W/2, H/2: (2x + 1 - W)^2 H^2 + (2y + 1 - H)^2 W^2 <= W^2 H^2, in exact integers.
    const long long W2 = W * W, H2 = H * H, WH2 = W2 * H2;
    ParallelRows(
        int(H), std::size_t(W),
        [&](int b, int e) {
            for (long long y = b; y < e; ++y) {
                const long long dy = 2 * y + 1 - H, limit = WH2 - dy * dy * W2;
                auto inside = [&](long long x) {
                    const long long dx = 2 * x + 1 - W;
                    return dx * dx * H2 <= limit;
                };
                std::uint8_t* row = bmp.ScanLine(int(y));
                // The inside of a row is one span symmetric about the middle.
                long long x = 0;
                while (x < W && !inside(x)) {
                    std::memcpy(row + 3 * x, colour, 3);
                    std::memcpy(row + 3 * (W - 1 - x), colour, 3);
                    ++x;
                }
            }
        },
        kParallelPixels);
}

} // namespace kv
