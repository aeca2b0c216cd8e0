#include "adjust/colour.h"
#include "effects/grey_kernel.h"

#include "core/blend.h"
#include "core/parallel.h"

#include <immintrin.h>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace kv {

namespace {

#define KV_CLONES __attribute__((target_clones("avx2", "default")))

constexpr std::size_t kParallelPixels = std::size_t(1) << 19;

// Brighten's channel formula (a = 0 leaves v).
inline int BrightChannel(int v, int a) {
    return Clamp(v + (v * a) / 255);
}

// Round(c * s / 765) for 0 <= c <= 255, 0 <= s <= 765: c*s/765 is never a half (765 is odd), so
// the nearest integer is floor((2 c s + 765) / 1530), the same as rounding the double product.
inline int TintChannel(int c, int s) {
    return (2 * c * s + 765) / 1530;
}

template <class Fn> void ForRows(TBitmap32& picture, Fn fn) {
    const std::size_t w = std::size_t(picture.Width());
    ParallelRows(
        picture.Height(), w, [&](int b, int e) { fn(picture.ScanLine(b), std::size_t(e - b) * w); },
        kParallelPixels);
    picture.Changed();
}

void TableRow(TColor32* p, std::size_t n, const std::uint8_t* tr, const std::uint8_t* tg,
              const std::uint8_t* tb) {
    for (std::size_t i = 0; i < n; ++i) {
        const TColor32 c = p[i];
        p[i] = (c & 0xFF000000u) | (TColor32(tr[(c >> 16) & 255]) << 16) |
               (TColor32(tg[(c >> 8) & 255]) << 8) | TColor32(tb[c & 255]);
    }
}

// Speed mode as saturating byte arithmetic: each channel gets either its positive or its negative
// amount, the alpha byte neither.
void SaturatingRow(TColor32* p, std::size_t n, TColor32 plus, TColor32 minus) {
    const __m128i vp = _mm_set1_epi32(int(plus)), vm = _mm_set1_epi32(int(minus));
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(q, _mm_subs_epu8(_mm_adds_epu8(_mm_loadu_si128(q), vp), vm));
    }
    for (; i < n; ++i) {
        const TColor32 c = p[i];
        TColor32 r = c & 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8)
            r |= TColor32(Clamp(int((c >> sh) & 255) + int((plus >> sh) & 255) - int((minus >> sh) & 255)))
                 << sh;
        p[i] = r;
    }
}

// Quality mode: channel + sign(s) ((channel * 2|s|) div 255) in 16-bit lanes; with 2|s| <= 256
// the product stays below 65536, where u div 255 = (u * 0x8081) >> 23, and the pack clamps.
void QualityRow(TColor32* p, std::size_t n, int sr, int sg, int sb) {
    const __m128i z = _mm_setzero_si128(), magic = _mm_set1_epi16(short(0x8081));
    const __m128i amount =
        _mm_set_epi16(0, short(2 * std::abs(sr)), short(2 * std::abs(sg)), short(2 * std::abs(sb)), 0,
                      short(2 * std::abs(sr)), short(2 * std::abs(sg)), short(2 * std::abs(sb)));
    const __m128i down =
        _mm_set_epi16(0, short(sr < 0 ? -1 : 0), short(sg < 0 ? -1 : 0), short(sb < 0 ? -1 : 0), 0,
                      short(sr < 0 ? -1 : 0), short(sg < 0 ? -1 : 0), short(sb < 0 ? -1 : 0));
    auto half = [&](__m128i x) {
        const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(x, amount), magic), 7);
        return _mm_or_si128(_mm_and_si128(down, _mm_sub_epi16(x, q)),
                            _mm_andnot_si128(down, _mm_add_epi16(x, q)));
    };
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i* a = reinterpret_cast<__m128i*>(p + i);
        const __m128i c = _mm_loadu_si128(a);
        _mm_storeu_si128(a, _mm_packus_epi16(half(_mm_unpacklo_epi8(c, z)), half(_mm_unpackhi_epi8(c, z))));
    }
    auto one = [](int v, int s) { return TColor32(Clamp(v + (v * 2 * s) / 255)); };
    for (; i < n; ++i) {
        const TColor32 c = p[i];
        p[i] = (c & 0xFF000000u) | one(RedComponent(c), sr) << 16 | one(GreenComponent(c), sg) << 8 |
               one(BlueComponent(c), sb);
    }
}

void TintRowScalar(TColor32* p, std::size_t n, const TColor32* table, TColor32 alphaKeep, TColor32 alphaSet) {
    for (std::size_t i = 0; i < n; ++i) {
        const TColor32 c = p[i];
        const unsigned s = ((c >> 16) & 255) + ((c >> 8) & 255) + (c & 255);
        p[i] = (c & alphaKeep) | alphaSet | table[s];
    }
}

// Eight pixels per step: the channel sums in 32-bit lanes index the table with one gather.
__attribute__((target("avx2"))) void TintRowAVX2(TColor32* p, std::size_t n, const TColor32* table,
                                                 TColor32 alphaKeep, TColor32 alphaSet) {
    const __m256i byte = _mm256_set1_epi32(255), keep = _mm256_set1_epi32(int(alphaKeep)),
                  set = _mm256_set1_epi32(int(alphaSet));
    const int* t = reinterpret_cast<const int*>(table);
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i* a = reinterpret_cast<__m256i*>(p + i);
        const __m256i c = _mm256_loadu_si256(a);
        const __m256i s = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_and_si256(c, byte), _mm256_and_si256(_mm256_srli_epi32(c, 8), byte)),
            _mm256_and_si256(_mm256_srli_epi32(c, 16), byte));
        const __m256i rgb = _mm256_i32gather_epi32(t, s, 4);
        _mm256_storeu_si256(a, _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(c, keep), set), rgb));
    }
    TintRowScalar(p + i, n - i, table, alphaKeep, alphaSet);
}

// Two groups of four 3-byte pixels, one per 128-bit half: spread to 32-bit lanes, sum, gather the
// packed blue-green-red of the table, and pack the twelve bytes of each half back.
__attribute__((target("avx2"))) inline __m256i TintGroups(__m256i raw, const int* t) {
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1,
                                            3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4,
                                          5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i byte = _mm256_set1_epi32(255);
    const __m256i c = _mm256_shuffle_epi8(raw, spread);
    const __m256i s = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_and_si256(c, byte), _mm256_and_si256(_mm256_srli_epi32(c, 8), byte)),
        _mm256_srli_epi32(c, 16));
    return _mm256_shuffle_epi8(_mm256_i32gather_epi32(t, s, 4), pack);
}

// Sixteen 3-byte pixels per step, read as three vectors before anything is stored.
__attribute__((target("avx2"))) std::size_t TintBytesAVX2(std::uint8_t* p, std::size_t pixels,
                                                          const TColor32* table) {
    const int* t = reinterpret_cast<const int*>(table);
    std::size_t i = 0;
    for (; i + 16 <= pixels; i += 16) {
        __m128i* a = reinterpret_cast<__m128i*>(p + 3 * i);
        const __m128i l0 = _mm_loadu_si128(a), l1 = _mm_loadu_si128(a + 1), l2 = _mm_loadu_si128(a + 2);
        const __m256i g01 = TintGroups(_mm256_set_m128i(_mm_alignr_epi8(l1, l0, 12), l0), t);
        const __m256i g23 =
            TintGroups(_mm256_set_m128i(_mm_srli_si128(l2, 4), _mm_alignr_epi8(l2, l1, 8)), t);
        const __m128i g0 = _mm256_castsi256_si128(g01), g1 = _mm256_extracti128_si256(g01, 1);
        const __m128i g2 = _mm256_castsi256_si128(g23), g3 = _mm256_extracti128_si256(g23, 1);
        _mm_storeu_si128(a, _mm_or_si128(g0, _mm_slli_si128(g1, 12)));
        _mm_storeu_si128(a + 1, _mm_or_si128(_mm_srli_si128(g1, 4), _mm_slli_si128(g2, 8)));
        _mm_storeu_si128(a + 2, _mm_or_si128(_mm_srli_si128(g2, 8), _mm_slli_si128(g3, 4)));
    }
    return i;
}

// One pixel's grey level (effects/grey_kernel.h); the vector rows below give the same bits.
inline TColor32 GreyPixel(TColor32 c, TColor32 alphaKeep, TColor32 alphaSet) {
    const unsigned g = grey_detail::GreyLevel((c >> 16) & 255, (c >> 8) & 255, c & 255);
    return (c & alphaKeep) | alphaSet | (g * 0x010101u);
}

// The same lanes eight pixels at a time; every step stays inside its 128-bit half, so each half
// computes exactly what GreyRow's kernel computes for its four pixels.
__attribute__((target("avx2"))) std::size_t GreyRowAVX2(TColor32* p, std::size_t n, TColor32 alphaKeep,
                                                        TColor32 alphaSet) {
    const __m256i z = _mm256_setzero_si256();
    const __m256i keep = _mm256_set1_epi32(int(alphaKeep)), set = _mm256_set1_epi32(int(alphaSet));
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const __m256i g = _mm256_unpacklo_epi16(grey_detail::GreyLevels16(c), z);
        const __m256i rgb =
            _mm256_or_si256(_mm256_or_si256(g, _mm256_slli_epi32(g, 8)), _mm256_slli_epi32(g, 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i),
                            _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(c, keep), set), rgb));
    }
    return i;
}

void GreyRowSSE2(TColor32* p, std::size_t n, TColor32 alphaKeep, TColor32 alphaSet) {
    const __m128i z = _mm_setzero_si128(), weights = _mm_set_epi16(0, 30, 59, 11, 0, 30, 59, 11);
    const __m128i magic = _mm_set1_epi16(5243), hundred = _mm_set1_epi16(100), fifty = _mm_set1_epi16(50),
                  one = _mm_set1_epi16(1);
    const __m128i keep = _mm_set1_epi32(int(alphaKeep)), set = _mm_set1_epi32(int(alphaSet));
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // Per pixel (11 b + 59 g) and (30 r) as two 32-bit lanes, then their sums in the even lanes.
        __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(c, z), weights);
        __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(c, z), weights);
        lo = _mm_add_epi32(lo, _mm_srli_epi64(lo, 32));
        hi = _mm_add_epi32(hi, _mm_srli_epi64(hi, 32));
        const __m128i t32 = _mm_unpacklo_epi64(_mm_shuffle_epi32(lo, _MM_SHUFFLE(2, 0, 2, 0)),
                                               _mm_shuffle_epi32(hi, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i t = _mm_packs_epi32(t32, t32); // t <= 25500 fits a signed 16-bit lane
        const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(t, magic), 3);
        const __m128i m = _mm_sub_epi16(t, _mm_mullo_epi16(q, hundred));
        const __m128i up = _mm_or_si128(
            _mm_cmpgt_epi16(m, fifty),
            _mm_and_si128(_mm_cmpeq_epi16(m, fifty), _mm_cmpeq_epi16(_mm_and_si128(q, one), one)));
        const __m128i g16 = _mm_sub_epi16(q, up);
        const __m128i g = _mm_unpacklo_epi16(g16, z);
        const __m128i rgb = _mm_or_si128(_mm_or_si128(g, _mm_slli_epi32(g, 8)), _mm_slli_epi32(g, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                         _mm_or_si128(_mm_or_si128(_mm_and_si128(c, keep), set), rgb));
    }
    for (; i < n; ++i)
        p[i] = GreyPixel(p[i], alphaKeep, alphaSet);
}

KV_CLONES void KeyOutRow(TColor32* p, std::size_t n, TColor32 key) {
    for (std::size_t i = 0; i < n; ++i) {
        const TColor32 c = p[i];
        p[i] = c == key ? (c & 0x00FFFFFFu) : (c | 0xFF000000u);
    }
}

} // namespace

void Balance(TBitmap32& picture, int sr, int sg, int sb, TBalanceMode mode) {
    if (sr == 0 && sg == 0 && sb == 0) return;
    const bool vector = ActiveBlendPath() != BlendPath::Scalar;
    if (vector && mode == TBalanceMode::Speed && sr >= -255 && sr <= 255 && sg >= -255 && sg <= 255 &&
        sb >= -255 && sb <= 255) {
        auto part = [](int s, int sh, bool positive) {
            return TColor32(positive ? (s > 0 ? s : 0) : (s < 0 ? -s : 0)) << sh;
        };
        const TColor32 plus = part(sr, 16, true) | part(sg, 8, true) | part(sb, 0, true);
        const TColor32 minus = part(sr, 16, false) | part(sg, 8, false) | part(sb, 0, false);
        ForRows(picture, [&](TColor32* p, std::size_t n) { SaturatingRow(p, n, plus, minus); });
        return;
    }
    if (vector && mode == TBalanceMode::Quality && std::abs(sr) <= 128 && std::abs(sg) <= 128 &&
        std::abs(sb) <= 128) {
        ForRows(picture, [&](TColor32* p, std::size_t n) { QualityRow(p, n, sr, sg, sb); });
        return;
    }
    std::array<std::uint8_t, 256> tr, tg, tb;
    for (int v = 0; v < 256; ++v) {
        auto one = [&](int s) {
            const long long q = mode == TBalanceMode::Quality ? v + (v * 2LL * s) / 255 : (long long)v + s;
            return std::uint8_t(ClampByte(q));
        };
        tr[std::size_t(v)] = one(sr);
        tg[std::size_t(v)] = one(sg);
        tb[std::size_t(v)] = one(sb);
    }
    ForRows(picture, [&](TColor32* p, std::size_t n) { TableRow(p, n, tr.data(), tg.data(), tb.data()); });
}

void BrightnessContrast(TBitmap32& picture, int brightness, int contrast) {
    Contrast(picture, contrast);
    Brighten(picture, brightness);
}

void TintOneColour(Bitmap24& bmp, int r, int g, int b) {
    r = Clamp(r);
    g = Clamp(g);
    b = Clamp(b);
    std::array<TColor32, 766> table; // red, green, blue per channel sum, packed as in TColor32
    for (int s = 0; s <= 765; ++s)
        table[std::size_t(s)] = TColor32(TintChannel(r, s)) << 16 | TColor32(TintChannel(g, s)) << 8 |
                                TColor32(TintChannel(b, s));
    const bool avx2 = ActiveBlendPath() == BlendPath::AVX2;
    const std::size_t w = std::size_t(bmp.Width());
    ParallelRows(
        bmp.Height(), w,
        [&](int y0, int y1) {
            std::uint8_t* p = bmp.ScanLine(y0);
            const std::size_t n = std::size_t(y1 - y0) * w,
                              done = avx2 ? TintBytesAVX2(p, n, table.data()) : 0;
            p += 3 * done;
            for (std::size_t i = done; i < n; ++i, p += 3) {
                const TColor32 t = table[std::size_t(p[0] + p[1] + p[2])];
                p[0] = std::uint8_t(t);
                p[1] = std::uint8_t(t >> 8);
                p[2] = std::uint8_t(t >> 16);
            }
        },
        kParallelPixels);
}

void KeyOutColour(TBitmap32& picture, TColor32 key) {
    ForRows(picture, [&](TColor32* p, std::size_t n) { KeyOutRow(p, n, key); });
}

void TintPicture(TBitmap32& picture, int r, int g, int b, int brighten, bool keepAlpha) {
    r = Clamp(r);
    g = Clamp(g);
    b = Clamp(b);
    // Tint and brighten depend only on the channel sum, so one table gives the finished colour.
    std::array<TColor32, 766> table;
    for (int s = 0; s <= 765; ++s)
        table[std::size_t(s)] = TColor32(BrightChannel(TintChannel(r, s), brighten)) << 16 |
                                TColor32(BrightChannel(TintChannel(g, s), brighten)) << 8 |
                                TColor32(BrightChannel(TintChannel(b, s), brighten));
    const TColor32 keep = keepAlpha ? 0xFF000000u : 0u, set = keepAlpha ? 0u : 0xFF000000u;
    const bool avx2 = ActiveBlendPath() == BlendPath::AVX2;
    ForRows(picture, [&](TColor32* p, std::size_t n) {
        if (avx2)
            TintRowAVX2(p, n, table.data(), keep, set);
        else
            TintRowScalar(p, n, table.data(), keep, set);
    });
}

void SepiaPicture(TBitmap32& picture, bool keepAlpha) {
    TintPicture(picture, 200, 191, 119, 150, keepAlpha);
}

void OneColourTintPicture(TBitmap32& picture, TColor32 colour, bool keepAlpha) {
    TintPicture(picture, RedComponent(colour), GreenComponent(colour), BlueComponent(colour), 70, keepAlpha);
}

void BlackAndWhitePicture(TBitmap32& picture, bool keepAlpha) {
    const TColor32 keep = keepAlpha ? 0xFF000000u : 0u, set = keepAlpha ? 0u : 0xFF000000u;
    const BlendPath level = ActiveBlendPath(); // the vector level the core's kernels use
    ForRows(picture, [&](TColor32* p, std::size_t n) {
        if (level == BlendPath::Scalar) {
            for (std::size_t i = 0; i < n; ++i)
                p[i] = GreyPixel(p[i], keep, set);
            return;
        }
        const std::size_t done = level == BlendPath::AVX2 ? GreyRowAVX2(p, n, keep, set) : 0;
        GreyRowSSE2(p + done, n - done, keep, set);
    });
}

} // namespace kv
