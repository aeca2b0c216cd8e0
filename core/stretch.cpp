// Stretch transfer: one rectangle of a bitmap drawn scaled into a rectangle of another, by the
// source's StretchFilter, DrawMode and MasterAlpha.
//
// sfLinear2 and sfSpline resample separably: integer arithmetic is associative, so a horizontal pass
// that keeps 32-bit per-channel sums (sum of wx * channel) followed by a vertical pass (sum of
// wy * that, >> 16, limited to 255) gives exactly the two-dimensional sum of wx * wy * channel.
// Horizontal results are kept per source row in a small ring so each source row is filtered once
// per band of destination rows while the working set stays in cache.
#include "core/bitmap32.h"
#include "core/blend.h"
#include "core/error.h"
#include "core/parallel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KV_STRETCH_X86 1
#endif

namespace kv {

namespace {

constexpr std::size_t kParallelPixelsStretch = 1u << 17;

// ---- Mapping tables of sfLinear2 / sfSpline ---------------------------------------------------

float KernelLinear(float t) {
    t = std::fabs(t);
    return t < 1.0f ? 1.0f - t : 0.0f;
}

float KernelSpline(float t) {
    t = std::fabs(t);
    if (t < 1.0f) return 0.5f * t * t * t - t * t + 2.0f / 3.0f;
    if (t < 2.0f) {
        const float d = 2.0f - t;
        return d * d * d / 6.0f;
    }
    return 0.0f;
}

// Single-precision round half to even (the default rounding mode of the processor).
int RoundF(float v) { return int(std::nearbyint(v)); }

// Scratch memory aligned to 64 bytes.
template <class T>
struct AlignedBuf {
    T* p = nullptr;
    explicit AlignedBuf(std::size_t n) {
        const std::size_t bytes = ((std::max<std::size_t>(n, 1) * sizeof(T)) + 63) & ~std::size_t(63);
        p = static_cast<T*>(std::aligned_alloc(64, bytes));
        if (!p) throw Error("Can't allocate the DIB handle");
    }
    ~AlignedBuf() { std::free(p); }
    AlignedBuf(const AlignedBuf&) = delete;
    AlignedBuf& operator=(const AlignedBuf&) = delete;
};

struct MapPair {
    int index;  // source position, limited to 0 .. S - 1
    int weight; // integer weight
};

// The mapping table of one axis for the destination indices first .. first + count - 1 of an
// n-entry table (an entry depends only on its own index, so the visible part is built alone).
void BuildMapping(std::vector<std::vector<MapPair>>& lists, long long n, long long first, int count, int lo,
                  int hi, int S, TStretchFilter filter) {
    lists.assign(std::size_t(std::max(count, 0)), {});
    if (count <= 0) return;
    if (S == 1) {
        for (auto& l : lists) l.push_back({0, 255});
        return;
    }
    if (hi <= lo) return; // nothing to read from (callers draw nothing for an empty source span)
    if (n <= 1) {
        // One destination pixel: the middle source index of the span (the lower one of the two
        // middles when the span has an even length), at full weight.
        for (auto& l : lists) l.push_back({lo + (hi - lo - 1) / 2, 255});
        return;
    }
    const bool spline = filter == sfSpline;
    const float R = spline ? 1.5f : 1.001f;
    auto K = [spline](float t) { return spline ? KernelSpline(t) : KernelLinear(t); };
    const float s = (hi - lo == 1) ? 1.0f : float(n - 1) / float(hi - lo - 1);
    // A one-index span maps every destination index onto that index.
    const float u = (hi - lo == 1) ? 0.0f : 1.0f / s;
    auto clampJ = [S](long long j) { return int(std::clamp<long long>(j, 0, S - 1)); };
    for (int k = 0; k < count; ++k) {
        auto& list = lists[std::size_t(k)];
        const float c = float(lo) + float(first + k) * u;
        if (s < 1.0f) {
            const float ru = R * u;
            const long long j0 = (long long)std::floor(c - ru), j1 = (long long)std::ceil(c + ru);
            float sum = 0.0f;
            for (long long j = j0; j <= j1; ++j) {
                const int w = RoundF(K((c - float(j)) * s) * 255.0f * s);
                if (w != 0) {
                    list.push_back({clampJ(j), w});
                    sum += float(w) / 255.0f;
                }
            }
            if (list.empty()) {
                // So strong a shrink that every weight rounds to 0: take the nearest source index.
                list.push_back({clampJ((long long)std::nearbyint(c)), 255});
            } else if (sum != 1.0f) {
                const float inv = 1.0f / sum;
                for (auto& p : list) p.weight = RoundF(float(p.weight) * inv);
            }
        } else {
            const float hw = 1.0f / R;
            const long long j0 = (long long)std::floor(c - hw), j1 = (long long)std::ceil(c + hw);
            for (long long j = j0; j <= j1; ++j) {
                const int w = RoundF(K(c - float(j)) * 256.0f);
                if (w != 0) list.push_back({clampJ(j), w});
            }
        }
    }
}

// A mapping table in dense form: entry k reads source indices start[k] .. start[k] + taps - 1 with
// the weights w[k * taps ...] (pairs with the same index merged, which leaves every sum unchanged).
struct DenseTable {
    int count = 0, taps = 0;
    std::vector<int> start, len; // len: from start to the last non-zero weight
    std::vector<int> w;
};

// padTo: round the tap count up to a multiple of it when the source is wide enough.
DenseTable MakeDense(const std::vector<std::vector<MapPair>>& lists, int S, int padTo) {
    DenseTable t;
    t.count = int(lists.size());
    int maxSpan = 0;
    std::vector<int> lo(lists.size()), hi(lists.size());
    for (std::size_t k = 0; k < lists.size(); ++k) {
        int a = S, b = -1;
        for (const auto& p : lists[k])
            if (p.weight != 0) a = std::min(a, p.index), b = std::max(b, p.index);
        if (b < a) a = b = -1;
        lo[k] = a, hi[k] = b;
        maxSpan = std::max(maxSpan, b - a + 1);
    }
    int taps = std::max(maxSpan, 1);
    if (padTo > 1) {
        const int padded = (taps + padTo - 1) / padTo * padTo;
        if (padded <= S) taps = padded;
    }
    t.taps = taps;
    t.start.assign(lists.size(), 0);
    t.len.assign(lists.size(), 0);
    t.w.assign(lists.size() * std::size_t(taps), 0);
    for (std::size_t k = 0; k < lists.size(); ++k) {
        if (lo[k] < 0) continue; // empty list: all weights 0
        const int st = std::max(0, std::min(lo[k], S - taps));
        t.start[k] = st;
        t.len[k] = hi[k] - st + 1;
        int* wk = &t.w[k * std::size_t(taps)];
        for (const auto& p : lists[k]) wk[p.index - st] += p.weight;
    }
    return t;
}

// ---- Horizontal pass: H[x] = sum over taps of w * channel (B, G, R, A as four int32) ------------

using HorzFn = void (*)(const TColor32* row, const DenseTable& t, const std::int16_t* wexp, std::int32_t* out);
// Vertical pass: out[x] = min(sum over k of wy[k] * rows[k][x] >> 16, 255) per channel, x in [x0, nx).
using VertFn = void (*)(const std::int32_t* const* rows, const int* wy, int len, int x0, int nx, TColor32* out);

void HorzScalar(const TColor32* row, const DenseTable& t, const std::int16_t*, std::int32_t* out) {
    const int taps = t.taps;
    for (int x = 0; x < t.count; ++x) {
        const TColor32* s = row + t.start[std::size_t(x)];
        const int* w = &t.w[std::size_t(x) * std::size_t(taps)];
        std::int32_t b = 0, g = 0, r = 0, a = 0;
        for (int k = 0; k < taps; ++k) {
            const TColor32 c = s[k];
            const int wk = w[k];
            b += wk * int(c & 255);
            g += wk * int((c >> 8) & 255);
            r += wk * int((c >> 16) & 255);
            a += wk * int(c >> 24);
        }
        out[4 * x] = b, out[4 * x + 1] = g, out[4 * x + 2] = r, out[4 * x + 3] = a;
    }
}

void VertScalar(const std::int32_t* const* rows, const int* wy, int len, int x0, int nx, TColor32* out) {
    for (int x = x0; x < nx; ++x) {
        TColor32 px = 0;
        for (int ch = 0; ch < 4; ++ch) {
            std::int32_t acc = 0;
            for (int k = 0; k < len; ++k) acc += wy[k] * rows[k][4 * x + ch];
            px |= TColor32(std::min(acc >> 16, 255)) << (8 * ch);
        }
        out[x] = px;
    }
}

#ifdef KV_STRETCH_X86

// Weights of each group of four taps laid out for pmaddwd: w0 w1 w0 w1 w0 w1 w0 w1 | w2 w3 ... .
std::vector<std::int16_t> ExpandWeights(const DenseTable& t) {
    const int groups = t.taps / 4;
    std::vector<std::int16_t> e(std::size_t(t.count) * std::size_t(groups) * 16);
    for (int x = 0; x < t.count; ++x)
        for (int g = 0; g < groups; ++g) {
            const int* w = &t.w[std::size_t(x) * std::size_t(t.taps) + std::size_t(4 * g)];
            std::int16_t* d = &e[(std::size_t(x) * std::size_t(groups) + std::size_t(g)) * 16];
            for (int i = 0; i < 4; ++i) {
                d[2 * i] = std::int16_t(w[0]), d[2 * i + 1] = std::int16_t(w[1]);
                d[8 + 2 * i] = std::int16_t(w[2]), d[8 + 2 * i + 1] = std::int16_t(w[3]);
            }
        }
    return e;
}

// Byte shuffles that turn four pixels into channel-interleaved 16-bit pairs: taps 0/1 and 2/3.
#define KV_Z char(0x80)
#define KV_MASK01 0, KV_Z, 4, KV_Z, 1, KV_Z, 5, KV_Z, 2, KV_Z, 6, KV_Z, 3, KV_Z, 7, KV_Z
#define KV_MASK23 8, KV_Z, 12, KV_Z, 9, KV_Z, 13, KV_Z, 10, KV_Z, 14, KV_Z, 11, KV_Z, 15, KV_Z

__attribute__((target("sse4.1"))) void HorzSSE41(const TColor32* row, const DenseTable& t, const std::int16_t* wexp,
                                                 std::int32_t* out) {
    const __m128i m01 = _mm_setr_epi8(KV_MASK01), m23 = _mm_setr_epi8(KV_MASK23);
    const int groups = t.taps / 4;
    const __m128i* w = reinterpret_cast<const __m128i*>(wexp);
    for (int x = 0; x < t.count; ++x) {
        const TColor32* s = row + t.start[std::size_t(x)];
        __m128i acc0 = _mm_setzero_si128(), acc1 = _mm_setzero_si128();
        for (int g = 0; g < groups; ++g, s += 4, w += 2) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_shuffle_epi8(p, m01), _mm_loadu_si128(w)));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_shuffle_epi8(p, m23), _mm_loadu_si128(w + 1)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm_add_epi32(acc0, acc1));
    }
}

__attribute__((target("avx2"))) void HorzAVX2(const TColor32* row, const DenseTable& t, const std::int16_t* wexp,
                                              std::int32_t* out) {
    const __m256i m = _mm256_setr_epi8(KV_MASK01, KV_MASK23);
    const int groups = t.taps / 4;
    const __m256i* w = reinterpret_cast<const __m256i*>(wexp);
    for (int x = 0; x < t.count; ++x) {
        const TColor32* s = row + t.start[std::size_t(x)];
        __m256i acc0 = _mm256_setzero_si256(), acc1 = _mm256_setzero_si256();
        int g = 0;
        for (; g + 1 < groups; g += 2, s += 8, w += 2) {
            const __m256i p0 = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
            const __m256i p1 = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4)));
            acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_shuffle_epi8(p0, m), _mm256_loadu_si256(w)));
            acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_shuffle_epi8(p1, m), _mm256_loadu_si256(w + 1)));
        }
        if (g < groups) {
            const __m256i p0 = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
            acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_shuffle_epi8(p0, m), _mm256_loadu_si256(w)));
            ++w;
        }
        acc0 = _mm256_add_epi32(acc0, acc1);
        const __m128i r = _mm_add_epi32(_mm256_castsi256_si128(acc0), _mm256_extracti128_si256(acc0, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), r);
    }
}

__attribute__((target("sse4.1"))) void VertSSE41(const std::int32_t* const* rows, const int* wy, int len, int x0,
                                                 int nx, TColor32* out) {
    int x = x0;
    for (; x + 4 <= nx; x += 4) {
        __m128i a0 = _mm_setzero_si128(), a1 = a0, a2 = a0, a3 = a0;
        for (int k = 0; k < len; ++k) {
            const __m128i w = _mm_set1_epi32(wy[k]);
            const __m128i* r = reinterpret_cast<const __m128i*>(rows[k] + 4 * x);
            a0 = _mm_add_epi32(a0, _mm_mullo_epi32(_mm_loadu_si128(r), w));
            a1 = _mm_add_epi32(a1, _mm_mullo_epi32(_mm_loadu_si128(r + 1), w));
            a2 = _mm_add_epi32(a2, _mm_mullo_epi32(_mm_loadu_si128(r + 2), w));
            a3 = _mm_add_epi32(a3, _mm_mullo_epi32(_mm_loadu_si128(r + 3), w));
        }
        // Sums are never negative, so the saturating packs give exactly min(sum >> 16, 255).
        const __m128i p01 = _mm_packus_epi32(_mm_srai_epi32(a0, 16), _mm_srai_epi32(a1, 16));
        const __m128i p23 = _mm_packus_epi32(_mm_srai_epi32(a2, 16), _mm_srai_epi32(a3, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(p01, p23));
    }
    VertScalar(rows, wy, len, x, nx, out);
}

__attribute__((target("avx2"))) void VertAVX2(const std::int32_t* const* rows, const int* wy, int len, int x0,
                                              int nx, TColor32* out) {
    int x = x0;
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    for (; x + 8 <= nx; x += 8) {
        __m256i a0 = _mm256_setzero_si256(), a1 = a0, a2 = a0, a3 = a0;
        for (int k = 0; k < len; ++k) {
            const __m256i w = _mm256_set1_epi32(wy[k]);
            const __m256i* r = reinterpret_cast<const __m256i*>(rows[k] + 4 * x);
            a0 = _mm256_add_epi32(a0, _mm256_mullo_epi32(_mm256_loadu_si256(r), w));
            a1 = _mm256_add_epi32(a1, _mm256_mullo_epi32(_mm256_loadu_si256(r + 1), w));
            a2 = _mm256_add_epi32(a2, _mm256_mullo_epi32(_mm256_loadu_si256(r + 2), w));
            a3 = _mm256_add_epi32(a3, _mm256_mullo_epi32(_mm256_loadu_si256(r + 3), w));
        }
        const __m256i p01 = _mm256_packus_epi32(_mm256_srai_epi32(a0, 16), _mm256_srai_epi32(a1, 16));
        const __m256i p23 = _mm256_packus_epi32(_mm256_srai_epi32(a2, 16), _mm256_srai_epi32(a3, 16));
        const __m256i b = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(p01, p23), order);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), b);
    }
    VertSSE41(rows, wy, len, x, nx, out);
}

#endif // KV_STRETCH_X86

// Instruction-set levels of the resampling kernels: 0 scalar, 1 SSE4.1, 2 AVX2.
enum { kLevelScalar = 0, kLevelSSE41 = 1, kLevelAVX2 = 2 };

int BestLevel() {
#ifdef KV_STRETCH_X86
    static const int best = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2")) return int(kLevelAVX2);
        if (__builtin_cpu_supports("sse4.1")) return int(kLevelSSE41);
        return int(kLevelScalar);
    }();
    return best;
#else
    return kLevelScalar;
#endif
}

int gLevelCap = kLevelAVX2;

int ActiveLevel() { return std::min(gLevelCap, BestLevel()); }

// ---- Shared pieces of the transfer ----------------------------------------------------------------

// The visible part of a destination span [d0, d0 + dn) within [0, limit).
struct VisibleSpan {
    long long n = 0;     // whole destination span length
    long long first = 0; // destination indices clipped away at the start
    int begin = 0;       // first visible destination coordinate
    int count = 0;       // visible length
};

VisibleSpan Visible(long long d0, long long d1, int limit) {
    VisibleSpan v;
    v.n = d1 - d0;
    const long long b = std::max<long long>(d0, 0), e = std::min<long long>(d1, limit);
    if (e > b) {
        v.first = b - d0;
        v.begin = int(b);
        v.count = int(e - b);
    }
    return v;
}

// Stores a finished destination row: copied (dmOpaque), blended (dmBlend, master 255 when the
// filter blends without the master alpha), or blended with master alpha.
enum class RowOp { Store, Blend, BlendEx };

inline void PutRow(const TColor32* src, TColor32* dst, std::size_t n, RowOp op, int master) {
    switch (op) {
    case RowOp::Store: std::memcpy(dst, src, n * sizeof(TColor32)); break;
    case RowOp::Blend: BlendLine(src, dst, n); break;
    case RowOp::BlendEx: BlendLineEx(src, dst, n, master); break;
    }
}

// ---- sfNearest ------------------------------------------------------------------------------------

// Source offsets (from the span start) for the visible destination indices.
std::vector<int> NearestIndices(const VisibleSpan& v, long long sw, bool opaque) {
    const long long step = (sw * 65536) / v.n;
    const long long c = v.first;
    long long pos;
    if (opaque)
        pos = v.n == 1 ? 0 : MulDiv(c * (sw - 1), 65535, v.n - 1);
    else
        pos = MulDiv(c * sw, 65535, v.n);
    std::vector<int> idx(std::size_t(v.count));
    for (int k = 0; k < v.count; ++k, pos += step) idx[std::size_t(k)] = int(std::min<long long>(pos >> 16, sw - 1));
    return idx;
}

void StretchNearest(TBitmap32& dst, const TBitmap32& src, const TRect& sr, const VisibleSpan& vx,
                    const VisibleSpan& vy) {
    const bool opaque = src.DrawMode() == dmOpaque;
    const int master = src.MasterAlpha();
    const RowOp op = opaque ? RowOp::Store : (master == 255 ? RowOp::Blend : RowOp::BlendEx);
    const std::vector<int> xi = NearestIndices(vx, sr.Width(), opaque);
    const std::vector<int> yi = NearestIndices(vy, sr.Height(), opaque);
    const std::size_t nx = std::size_t(vx.count);
    ParallelRows(
        vy.count, nx,
        [&](int b, int e) {
            std::vector<TColor32> tmp(opaque ? 0 : nx);
            for (int r = b; r < e; ++r) {
                const TColor32* s = src.ScanLine(sr.Top + yi[std::size_t(r)]) + sr.Left;
                TColor32* d = dst.ScanLine(vy.begin + r) + vx.begin;
                TColor32* o = opaque ? d : tmp.data();
                for (std::size_t k = 0; k < nx; ++k) o[k] = s[xi[k]];
                if (!opaque) PutRow(o, d, nx, op, master);
            }
        },
        kParallelPixelsStretch);
}

// ---- sfLinear ---------------------------------------------------------------------------------------

// Combine on all four channels at once: each channel in its own 16-bit field of a 64-bit word
// (f * W + b * (256 - W) + 128 is at most 65408, so no field carries into the next).
inline std::uint64_t Spread(TColor32 c) {
    std::uint64_t x = c;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    return (x | (x << 8)) & 0x00FF00FF00FF00FFull;
}
inline TColor32 Pack(std::uint64_t x) {
    x &= 0x00FF00FF00FF00FFull;
    x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
    return TColor32((x | (x >> 16)) & 0xFFFFFFFFull);
}
inline TColor32 CombineFast(TColor32 f, TColor32 b, int w) {
    return Pack((Spread(f) * std::uint64_t(w) + Spread(b) * std::uint64_t(256 - w) + 0x0080008000800080ull) >> 8);
}

// out[k] = Combine(base[idx[k]], base[next[k]], w[k]); adjacent: next[k] = idx[k] + 1 for every k.
void CombinePairs(const TColor32* base, const int* idx, const int* next, const int* w, TColor32* out, std::size_t n,
                  bool adjacent) {
    std::size_t k = 0;
#ifdef __SSE2__
    if (adjacent) {
        // Two destination pixels per step in 16-bit lanes: (f * w + b * (256 - w) + 128) >> 8.
        const __m128i z = _mm_setzero_si128(), r = _mm_set1_epi16(128), full = _mm_set1_epi16(256);
        for (; k + 2 <= n; k += 2) {
            const __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + idx[k])), z);
            const __m128i b =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + idx[k + 1])), z);
            const __m128i f = _mm_unpacklo_epi64(a, b), g = _mm_unpackhi_epi64(a, b);
            const __m128i wv = _mm_unpacklo_epi64(_mm_set1_epi16(short(w[k])), _mm_set1_epi16(short(w[k + 1])));
            const __m128i v = _mm_srli_epi16(
                _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(f, wv), _mm_mullo_epi16(g, _mm_sub_epi16(full, wv))), r),
                8);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(v, v));
        }
    }
#endif
    for (; k < n; ++k) out[k] = CombineFast(base[idx[k]], base[next[k]], w[k]);
}

// out[i] = Combine(f[i], b[i], w) over n pixels, as bytes so the compiler vectorises it.
void CombineRows(const TColor32* f, const TColor32* b, TColor32* out, std::size_t n, int w) {
    const auto* fb = reinterpret_cast<const std::uint8_t*>(f);
    const auto* bb = reinterpret_cast<const std::uint8_t*>(b);
    auto* ob = reinterpret_cast<std::uint8_t*>(out);
    const std::uint16_t wf = std::uint16_t(w), wb = std::uint16_t(256 - w);
    for (std::size_t i = 0; i < 4 * n; ++i)
        ob[i] = std::uint8_t(std::uint16_t(fb[i] * wf + bb[i] * wb + 128) >> 8);
}

struct LinearAxis {
    std::vector<int> idx, next, w; // source offsets from the span start, and the weight of idx
    bool adjacent = true;          // next = idx + 1 everywhere
};

LinearAxis LinearTable(const VisibleSpan& v, long long sw) {
    LinearAxis a;
    const long long step = ((sw - 1) * 65536) / v.n;
    long long pos = MulDiv(v.first * (sw - 1), 65535, v.n);
    a.idx.resize(std::size_t(v.count));
    a.next.resize(std::size_t(v.count));
    a.w.resize(std::size_t(v.count));
    for (int k = 0; k < v.count; ++k, pos += step) {
        const int i = int(std::min<long long>(pos >> 16, sw - 1));
        a.idx[std::size_t(k)] = i;
        // On the span's last index the next one is the index itself (nothing is read past it).
        a.next[std::size_t(k)] = i + 1 < sw ? i + 1 : i;
        a.w[std::size_t(k)] = 255 - int((pos >> 8) & 255);
        a.adjacent = a.adjacent && a.next[std::size_t(k)] == i + 1;
    }
    return a;
}

void StretchLinear(TBitmap32& dst, const TBitmap32& src, const TRect& sr, const VisibleSpan& vx,
                   const VisibleSpan& vy) {
    const bool opaque = src.DrawMode() == dmOpaque;
    const int master = src.MasterAlpha();
    const bool verticalFirst = opaque || master == 255;
    const RowOp op = opaque ? RowOp::Store : (master == 255 ? RowOp::Blend : RowOp::BlendEx);
    const LinearAxis ax = LinearTable(vx, sr.Width()), ay = LinearTable(vy, sr.Height());
    const std::size_t nx = std::size_t(vx.count);
    // Source columns the visible destination reads.
    const int c0 = ax.idx.front(), c1 = ax.next.back();
    const std::size_t ncols = std::size_t(c1 - c0 + 1);
    ParallelRows(
        vy.count, nx,
        [&](int b, int e) {
            std::vector<TColor32> out(nx);
            if (verticalFirst) {
                // Combine(Combine(P(x,y), P(x,next), wy), Combine(P(x+1,y), P(x+1,next), wy), wx).
                std::vector<TColor32> v(ncols);
                std::vector<int> vi(nx), vn(nx); // column offsets into v
                for (std::size_t k = 0; k < nx; ++k) vi[k] = ax.idx[k] - c0, vn[k] = ax.next[k] - c0;
                for (int r = b; r < e; ++r) {
                    const TColor32* s0 = src.ScanLine(sr.Top + ay.idx[std::size_t(r)]) + sr.Left + c0;
                    const TColor32* s1 = src.ScanLine(sr.Top + ay.next[std::size_t(r)]) + sr.Left + c0;
                    CombineRows(s0, s1, v.data(), ncols, ay.w[std::size_t(r)]);
                    CombinePairs(v.data(), vi.data(), vn.data(), ax.w.data(), out.data(), nx, ax.adjacent);
                    TColor32* d = dst.ScanLine(vy.begin + r) + vx.begin;
                    PutRow(out.data(), d, nx, op, master);
                }
            } else {
                // Combine(Combine(P(x,y), P(x+1,y), wx), Combine(P(x,next), P(x+1,next), wx), wy);
                // the horizontal results of the last two source rows are kept.
                std::vector<TColor32> h[2] = {std::vector<TColor32>(nx), std::vector<TColor32>(nx)};
                int tag[2] = {-1, -1};
                auto horz = [&](int sy) -> const TColor32* {
                    for (int i = 0; i < 2; ++i)
                        if (tag[i] == sy) return h[i].data();
                    const int slot = sy & 1;
                    const TColor32* s = src.ScanLine(sr.Top + sy) + sr.Left;
                    TColor32* o = h[slot].data();
                    CombinePairs(s, ax.idx.data(), ax.next.data(), ax.w.data(), o, nx, ax.adjacent);
                    tag[slot] = sy;
                    return o;
                };
                for (int r = b; r < e; ++r) {
                    const int y0 = ay.idx[std::size_t(r)], y1 = ay.next[std::size_t(r)];
                    const TColor32* h0 = horz(y0);
                    const TColor32* h1 = horz(y1);
                    CombineRows(h0, h1, out.data(), nx, ay.w[std::size_t(r)]);
                    TColor32* d = dst.ScanLine(vy.begin + r) + vx.begin;
                    PutRow(out.data(), d, nx, op, master);
                }
            }
        },
        kParallelPixelsStretch);
}

// ---- sfLinear2 / sfSpline -------------------------------------------------------------------------

void StretchResample(TBitmap32& dst, const TBitmap32& src, const TRect& sr, const VisibleSpan& vx,
                     const VisibleSpan& vy) {
    const TStretchFilter filter = src.StretchFilter();
    const bool opaque = src.DrawMode() == dmOpaque;
    const int master = src.MasterAlpha();
    std::vector<std::vector<MapPair>> lists;
    BuildMapping(lists, vx.n, vx.first, vx.count, sr.Left, sr.Right, src.Width(), filter);
    const DenseTable tx = MakeDense(lists, src.Width(), 4);
    BuildMapping(lists, vy.n, vy.first, vy.count, sr.Top, sr.Bottom, src.Height(), filter);
    const DenseTable ty = MakeDense(lists, src.Height(), 1);
    lists.clear();
    lists.shrink_to_fit();

    HorzFn horz = HorzScalar;
    VertFn vert = VertScalar;
    std::vector<std::int16_t> wexp;
#ifdef KV_STRETCH_X86
    const int level = ActiveLevel();
    if (level >= kLevelSSE41) {
        vert = level == kLevelAVX2 ? VertAVX2 : VertSSE41;
        if (tx.taps % 4 == 0) {
            horz = level == kLevelAVX2 ? HorzAVX2 : HorzSSE41;
            wexp = ExpandWeights(tx);
        }
    }
#endif

    // Vertical lists without the zero weights at their ends, so no horizontal row is made for
    // nothing: rows [rowFirst, rowFirst + rowLen) with weights from rowW.
    const int ny = vy.count, nx = vx.count;
    std::vector<int> rowFirst(static_cast<std::size_t>(ny)), rowLen(rowFirst), rowOff(rowFirst);
    int ring = 1;
    for (int r = 0; r < ny; ++r) {
        const int* w = &ty.w[std::size_t(r) * std::size_t(ty.taps)];
        int a = 0, b = ty.len[std::size_t(r)];
        while (a < b && w[a] == 0) ++a;
        while (b > a && w[b - 1] == 0) --b;
        rowFirst[std::size_t(r)] = ty.start[std::size_t(r)] + a;
        rowOff[std::size_t(r)] = a;
        rowLen[std::size_t(r)] = b - a;
        ring = std::max(ring, b - a);
    }
    const std::size_t rowInts = std::size_t(nx) * 4;
    const RowOp op = opaque ? RowOp::Store : RowOp::BlendEx;

    ParallelRows(
        ny, std::size_t(nx) * std::size_t(std::max(tx.taps, 1)),
        [&](int b, int e) {
            AlignedBuf<std::int32_t> h(rowInts * std::size_t(ring));
            std::vector<int> tag(std::size_t(ring), -1);
            std::vector<const std::int32_t*> rows(static_cast<std::size_t>(ring));
            AlignedBuf<TColor32> out(static_cast<std::size_t>(nx));
            for (int r = b; r < e; ++r) {
                const int first = rowFirst[std::size_t(r)], len = rowLen[std::size_t(r)];
                for (int k = 0; k < len; ++k) {
                    const int sy = first + k;
                    const std::size_t slot = std::size_t(sy % ring);
                    std::int32_t* hr = h.p + slot * rowInts;
                    if (tag[slot] != sy) {
                        horz(src.ScanLine(sy), tx, wexp.data(), hr);
                        tag[slot] = sy;
                    }
                    rows[std::size_t(k)] = hr;
                }
                const int* wy = &ty.w[std::size_t(r) * std::size_t(ty.taps) + std::size_t(rowOff[std::size_t(r)])];
                TColor32* d = dst.ScanLine(vy.begin + r) + vx.begin;
                if (len == 0) {
                    std::fill(out.p, out.p + nx, TColor32(0));
                } else {
                    vert(rows.data(), wy, len, 0, nx, op == RowOp::Store ? d : out.p);
                    if (op == RowOp::Store) continue;
                }
                PutRow(out.p, d, std::size_t(nx), op, master);
            }
        },
        kParallelPixelsStretch);
}

} // namespace

namespace stretch_detail {
// Caps the instruction-set level of the resampling kernels (0 scalar, 1 SSE4.1, 2 AVX2) and returns
// the level now in use; the tests compare every level with a plain reference.
int SetStretchLevel(int cap) {
    gLevelCap = std::clamp(cap, 0, int(kLevelAVX2));
    return ActiveLevel();
}
} // namespace stretch_detail

void StretchTransfer(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect) {
    if (src.Empty() || dst.Empty()) return;
    if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > src.Width() || srcRect.Bottom > src.Height() ||
        srcRect.Right < srcRect.Left || srcRect.Bottom < srcRect.Top)
        throw Error("Source rectangle is invalid");
    if (srcRect.Right == srcRect.Left || srcRect.Bottom == srcRect.Top) return; // nothing to draw from
    if (src.DrawMode() == dmBlend && src.MasterAlpha() == 0) return;
    const long long sw = srcRect.Width(), sh = srcRect.Height();
    const long long dw = (long long)dstRect.Right - dstRect.Left, dh = (long long)dstRect.Bottom - dstRect.Top;
    if (dw <= 0 || dh <= 0) return;
    if (dw == sw && dh == sh) {
        BlockTransfer(dst, dstRect.Left, dstRect.Top, src, srcRect);
        return;
    }
    const VisibleSpan vx = Visible(dstRect.Left, dstRect.Right, dst.Width());
    const VisibleSpan vy = Visible(dstRect.Top, dstRect.Bottom, dst.Height());
    if (vx.count == 0 || vy.count == 0) return;

    // Drawing a bitmap onto itself reads the source as it was before the transfer.
    const TBitmap32* from = &src;
    TBitmap32 copy;
    if (&src == &dst) {
        copy.Assign(src);
        from = &copy;
    }
    switch (src.StretchFilter()) {
    case sfNearest: StretchNearest(dst, *from, srcRect, vx, vy); break;
    case sfLinear: StretchLinear(dst, *from, srcRect, vx, vy); break;
    case sfLinear2:
    case sfSpline: StretchResample(dst, *from, srcRect, vx, vy); break;
    }
    dst.Changed();
}

void TBitmap32::DrawTo(TBitmap32& dst, const TRect& dstRect) const {
    StretchTransfer(dst, dstRect, *this, BoundsRect());
}

void TBitmap32::DrawTo(TBitmap32& dst, const TRect& dstRect, const TRect& srcRect) const {
    StretchTransfer(dst, dstRect, *this, srcRect);
}

} // namespace kv
