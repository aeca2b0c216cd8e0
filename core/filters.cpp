// Whole-bitmap filters and the shared channel helpers Brighten and Contrast.
#include "core/bitmap32.h"
#include "core/error.h"
#include "core/parallel.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <emmintrin.h>

namespace kv {

namespace {

constexpr std::size_t kParallelPixels = std::size_t(1) << 19;

// Checks the arguments and gives dst the source's size. dst keeps its pixels when the size already
// matches (the intensity-to-alpha filter keeps the destination's colours).
void PrepareFilter(TBitmap32* dst, const TBitmap32* src) {
    if (!src) throw Error("The source is nil");
    if (!dst) throw Error("Destination is nil");
    if (dst != src && (dst->Width() != src->Width() || dst->Height() != src->Height() || dst->Empty() != src->Empty()))
        dst->SetSize(src->Width(), src->Height());
}

// dst[i] = op(src[i], dst[i]) over all pixels, in bands of rows; dst may be src.
template <class Op>
void MapPixels(TBitmap32* dst, const TBitmap32* src, Op op) {
    PrepareFilter(dst, src);
    if (src->Empty()) return;
    const TColor32* s = src->Bits();
    TColor32* d = dst->Bits();
    const std::size_t w = std::size_t(src->Width());
    ParallelRows(
        src->Height(), w,
        [&](int b, int e) {
            const std::size_t from = std::size_t(b) * w, to = std::size_t(e) * w;
            for (std::size_t i = from; i < to; ++i) d[i] = op(s[i], d[i]);
        },
        kParallelPixels);
    dst->Changed();
}

// The same bits as the tables, four pixels at a time, for |a| <= 255: with u <= 65535,
// u div 255 = (u * 0x8081) >> 23, and (x * a) div 255 = sign(a) * (x * |a| div 255) for x >= 0.
// Products stay below 65536 (v * 255, |127 - v| * 255), so unsigned 16-bit lanes hold them.
template <bool IsContrast>
void ChannelsSSE2(TColor32* p, std::size_t n, int a) {
    const __m128i z = _mm_setzero_si128(), magic = _mm_set1_epi16(short(0x8081)), amount = _mm_set1_epi16(short(std::abs(a)));
    const __m128i k127 = _mm_set1_epi16(127), alpha = _mm_set1_epi32(int(0xFF000000u));
    const __m128i negative = a < 0 ? _mm_set1_epi32(-1) : z;
    auto channels = [&](__m128i v) {
        __m128i x = v;
        if constexpr (IsContrast) {
            const __m128i d = _mm_sub_epi16(v, k127);
            x = _mm_max_epi16(d, _mm_sub_epi16(z, d));
        }
        const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(x, amount), magic), 7);
        __m128i up = _mm_xor_si128(negative, _mm_set1_epi32(-1)); // Brighten: add q unless a < 0
        if constexpr (IsContrast) up = _mm_xor_si128(_mm_cmpgt_epi16(v, k127), negative);
        return _mm_or_si128(_mm_and_si128(up, _mm_add_epi16(v, q)), _mm_andnot_si128(up, _mm_sub_epi16(v, q)));
    };
    for (std::size_t i = 0; i < n; i += 4) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // packus limits to 0..255, the clamp of the formula.
        const __m128i r = _mm_packus_epi16(channels(_mm_unpacklo_epi8(c, z)), channels(_mm_unpackhi_epi8(c, z)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_or_si128(_mm_and_si128(c, alpha), _mm_andnot_si128(alpha, r)));
    }
}

template <bool IsContrast>
void ApplyChannels(TBitmap32& picture, const std::array<std::uint8_t, 256>& t, int a) {
    TColor32* p = picture.Bits();
    const std::size_t w = std::size_t(picture.Width());
    ParallelRows(
        picture.Height(), w,
        [&](int b, int e) {
            const std::size_t from = std::size_t(b) * w, to = std::size_t(e) * w;
            std::size_t i = from;
            if (a >= -255 && a <= 255) {
                const std::size_t vec = (to - from) / 4 * 4;
                ChannelsSSE2<IsContrast>(p + from, vec, a);
                i += vec;
            }
            for (; i < to; ++i) {
                const TColor32 c = p[i];
                p[i] = (c & 0xFF000000u) | (TColor32(t[(c >> 16) & 255]) << 16) | (TColor32(t[(c >> 8) & 255]) << 8) |
                       TColor32(t[c & 255]);
            }
        },
        kParallelPixels);
    picture.Changed();
}

} // namespace

void ColorToGrayscale(TBitmap32* dst, const TBitmap32* src) {
    MapPixels(dst, src, [](TColor32 s, TColor32) { return Gray32(Intensity(s), 255); });
}

void IntensityToAlpha(TBitmap32* dst, const TBitmap32* src) {
    MapPixels(dst, src, [](TColor32 s, TColor32 d) { return SetAlpha(d, Intensity(s)); });
}

void AlphaToGrayscale(TBitmap32* dst, const TBitmap32* src) {
    MapPixels(dst, src, [](TColor32 s, TColor32) { return Gray32(AlphaComponent(s), 255); });
}

void InvertRGB(TBitmap32* dst, const TBitmap32* src) {
    MapPixels(dst, src, [](TColor32 s, TColor32) { return s ^ 0x00FFFFFFu; });
}

void Brighten(TBitmap32& picture, int a) {
    if (a == 0 || picture.Empty()) return;
    std::array<std::uint8_t, 256> t;
    for (int v = 0; v < 256; ++v) {
        const long long r = v + (long long)v * a / 255;
        t[v] = std::uint8_t(r < 0 ? 0 : (r > 255 ? 255 : r));
    }
    ApplyChannels<false>(picture, t, a < -255 ? -255 : a); // below -255 every channel is 0 anyway
}

void Contrast(TBitmap32& picture, int a) {
    if (a == 0 || picture.Empty()) return;
    std::array<std::uint8_t, 256> t;
    for (int v = 0; v < 256; ++v) {
        const long long d = (long long)std::abs(127 - v) * a / 255; // truncates toward zero, also for a < 0
        const long long r = v > 127 ? v + d : v - d;
        t[v] = std::uint8_t(r < 0 ? 0 : (r > 255 ? 255 : r));
    }
    ApplyChannels<true>(picture, t, a);
}

} // namespace kv
