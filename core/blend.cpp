#include "core/blend.h"

#include <atomic>
#include <immintrin.h>

namespace kv {

namespace {

// Per channel the reference computes ((f - b) * W + 256 * b + 128) >> 8. The same integer is
// f * W + b * (256 - W) + 128, which never exceeds 65408, so unsigned 16-bit lanes hold it exactly.

// ---- Scalar -------------------------------------------------------------------------------------

void BlendLineScalar(const TColor32* src, TColor32* dst, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = BlendReg(src[i], dst[i]);
}
void BlendLineExScalar(const TColor32* src, TColor32* dst, std::size_t n, int m) {
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = BlendRegEx(src[i], dst[i], m);
}
void CombineLineScalar(const TColor32* src, TColor32* dst, std::size_t n, int w) {
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = CombineReg(src[i], dst[i], w);
}

// ---- SSE2: four pixels per step -----------------------------------------------------------------

inline __m128i Mix16(__m128i f, __m128i b, __m128i w) {
    const __m128i k256 = _mm_set1_epi16(256), k128 = _mm_set1_epi16(128);
    __m128i s = _mm_add_epi16(_mm_mullo_epi16(f, w), _mm_mullo_epi16(b, _mm_sub_epi16(k256, w)));
    return _mm_srli_epi16(_mm_add_epi16(s, k128), 8);
}
// Weight lanes from each pixel's alpha word (word 3 of each 64-bit half).
inline __m128i AlphaWords(__m128i px16) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, 0xFF), 0xFF);
}

// mode 0: blend by alpha; 1: blend by alpha * m >> 8; 2: combine with constant weight m.
template <int Mode> inline __m128i Op4(__m128i f, __m128i b, __m128i wm) {
    const __m128i z = _mm_setzero_si128();
    __m128i fl = _mm_unpacklo_epi8(f, z), fh = _mm_unpackhi_epi8(f, z);
    __m128i bl = _mm_unpacklo_epi8(b, z), bh = _mm_unpackhi_epi8(b, z);
    __m128i wl, wh;
    if constexpr (Mode == 2) {
        wl = wh = wm;
    } else {
        wl = AlphaWords(fl);
        wh = AlphaWords(fh);
        if constexpr (Mode == 1) {
            wl = _mm_srli_epi16(_mm_mullo_epi16(wl, wm), 8);
            wh = _mm_srli_epi16(_mm_mullo_epi16(wh, wm), 8);
        }
    }
    __m128i r = _mm_packus_epi16(Mix16(fl, bl, wl), Mix16(fh, bh, wh));
    if constexpr (Mode == 0) {
        // Alpha 255 takes the foreground unchanged (the mix would give 254 for 255 over 0).
        const __m128i am = _mm_set1_epi32(int(0xFF000000u));
        __m128i full = _mm_cmpeq_epi32(_mm_and_si128(f, am), am);
        r = _mm_or_si128(_mm_and_si128(full, f), _mm_andnot_si128(full, r));
    }
    return r;
}

template <int Mode> void RowSSE2(const TColor32* src, TColor32* dst, std::size_t n, int m) {
    const __m128i wm = _mm_set1_epi16(short(m));
    const __m128i am = _mm_set1_epi32(int(0xFF000000u));
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        if constexpr (Mode != 2) {
            __m128i a = _mm_and_si128(f, am);
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128())) == 0xFFFF) continue;
            if (Mode == 0 && _mm_movemask_epi8(_mm_cmpeq_epi32(a, am)) == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), f);
                continue;
            }
        }
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), Op4<Mode>(f, b, wm));
    }
    if constexpr (Mode == 0) BlendLineScalar(src + i, dst + i, n - i);
    if constexpr (Mode == 1) BlendLineExScalar(src + i, dst + i, n - i, m);
    if constexpr (Mode == 2) CombineLineScalar(src + i, dst + i, n - i, m);
}

// ---- AVX2: eight pixels per step ----------------------------------------------------------------

#define KV_AVX2 __attribute__((target("avx2")))

// b + (((f - b) * w + 128) >> 8) is the reference value too (256 * b passes the shift unchanged), and
// mulhrs((f - b) << 7, w) = ((f - b) * 128 * w + 2^14) >> 15 computes the shifted term exactly:
// (f - b) << 7 and w <= 256 fit signed 16-bit lanes. w = 256 gives f itself.
KV_AVX2 inline __m256i Lerp16(__m256i f, __m256i b, __m256i w) {
    return _mm256_add_epi16(b, _mm256_mulhrs_epi16(_mm256_slli_epi16(_mm256_sub_epi16(f, b), 7), w));
}

// Weight words from the alpha bytes of packed pixels: pixels 0-1 (lo) or 2-3 (hi) of each 128-bit half,
// matching the order of unpacklo/unpackhi.
KV_AVX2 inline __m256i AlphaLo(__m256i f) {
    const __m256i m = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1, 3, -1, 3, -1,
                                       3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
    return _mm256_shuffle_epi8(f, m);
}
KV_AVX2 inline __m256i AlphaHi(__m256i f) {
    const __m256i m = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11, -1,
                                       11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
    return _mm256_shuffle_epi8(f, m);
}

// Unpack and pack work within 128-bit halves in the same way, so pixel order is kept.
template <int Mode> KV_AVX2 inline __m256i Op8(__m256i f, __m256i b, __m256i wm) {
    const __m256i z = _mm256_setzero_si256();
    __m256i wl, wh;
    if constexpr (Mode == 2) {
        wl = wh = wm;
    } else {
        wl = AlphaLo(f);
        wh = AlphaHi(f);
        if constexpr (Mode == 0) {
            // Alpha 255 takes the foreground unchanged: weight 256 instead of 255.
            const __m256i one = _mm256_set1_epi16(1);
            wl = _mm256_add_epi16(wl, _mm256_srli_epi16(_mm256_add_epi16(wl, one), 8));
            wh = _mm256_add_epi16(wh, _mm256_srli_epi16(_mm256_add_epi16(wh, one), 8));
        } else {
            // (a * M) >> 8 as the high word of a * (M << 8).
            wl = _mm256_mulhi_epu16(wl, wm);
            wh = _mm256_mulhi_epu16(wh, wm);
        }
    }
    __m256i lo = Lerp16(_mm256_unpacklo_epi8(f, z), _mm256_unpacklo_epi8(b, z), wl);
    __m256i hi = Lerp16(_mm256_unpackhi_epi8(f, z), _mm256_unpackhi_epi8(b, z), wh);
    return _mm256_packus_epi16(lo, hi);
}

template <int Mode> KV_AVX2 void RowAVX2(const TColor32* src, TColor32* dst, std::size_t n, int m) {
    const __m256i wm = _mm256_set1_epi16(short(Mode == 1 ? m << 8 : m));
    const __m256i am = _mm256_set1_epi32(int(0xFF000000u));
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        if constexpr (Mode != 2) {
            if (_mm256_testz_si256(f, am)) continue; // every alpha 0: the background stays
            if (Mode == 0 && _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(f, am), am)) == -1) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), f);
                continue;
            }
        }
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), Op8<Mode>(f, b, wm));
    }
    // The last 0..7 pixels go through the four-wide path and then the scalar one.
    RowSSE2<Mode>(src + i, dst + i, n - i, m);
}

int DetectBest() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return int(BlendPath::AVX2);
    return int(BlendPath::SSE2);
}

int Best() {
    static const int best = DetectBest();
    return best;
}

std::atomic<int> gLevel{-1};

inline int Level() {
    int l = gLevel.load(std::memory_order_relaxed);
    return l < 0 ? Best() : l;
}

} // namespace

BlendPath BestBlendPath() {
    return BlendPath(Best());
}
BlendPath ActiveBlendPath() {
    return BlendPath(Level());
}
void SetBlendPath(BlendPath p) {
    int l = int(p);
    if (l > Best()) l = Best();
    if (l < 0) l = 0;
    gLevel.store(l, std::memory_order_relaxed);
}

void BlendLine(const TColor32* src, TColor32* dst, std::size_t n) {
    switch (Level()) {
    case 2:
        RowAVX2<0>(src, dst, n, 0);
        break;
    case 1:
        RowSSE2<0>(src, dst, n, 0);
        break;
    default:
        BlendLineScalar(src, dst, n);
        break;
    }
}

void BlendLineEx(const TColor32* src, TColor32* dst, std::size_t n, int masterAlpha) {
    if (masterAlpha <= 0) return; // every weight is 0: the background stays
    if (masterAlpha > 255) masterAlpha = 255;
    switch (Level()) {
    case 2:
        RowAVX2<1>(src, dst, n, masterAlpha);
        break;
    case 1:
        RowSSE2<1>(src, dst, n, masterAlpha);
        break;
    default:
        BlendLineExScalar(src, dst, n, masterAlpha);
        break;
    }
}

void CombineLine(const TColor32* src, TColor32* dst, std::size_t n, int W) {
    if (W <= 0) return; // weight 0 returns the background
    if (W > 255) W = 255;
    switch (Level()) {
    case 2:
        RowAVX2<2>(src, dst, n, W);
        break;
    case 1:
        RowSSE2<2>(src, dst, n, W);
        break;
    default:
        CombineLineScalar(src, dst, n, W);
        break;
    }
}

} // namespace kv
