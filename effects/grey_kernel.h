#pragma once
// The greyscale level of the effects and of "Сделать чёрно-белым": Round((30 R + 59 G + 11 B) / 100)
// with halves to even. For t <= 25500, t div 100 is (t * 5243) >> 19, plus one when the remainder is
// above 50, or exactly 50 with the quotient odd. The vector form does the same in 16-bit lanes.
#include <cstdint>
#include <immintrin.h>

namespace kv::grey_detail {

inline unsigned GreyLevel(unsigned r, unsigned g, unsigned b) {
    const unsigned t = 30 * r + 59 * g + 11 * b;
    const unsigned q = (t * 5243u) >> 19, m = t - q * 100;
    return q + ((m > 50) | ((m == 50) & (q & 1)));
}

// Eight B,G,R,x pixels (four per 128-bit half) to their grey levels: 16-bit lanes 0-3 of each half
// hold the levels of that half's pixels (lanes 4-7 repeat them). Every step stays inside its half.
__attribute__((target("avx2"))) inline __m256i GreyLevels16(__m256i bgrx) {
    const __m256i z = _mm256_setzero_si256(),
                  weights = _mm256_set_epi16(0, 30, 59, 11, 0, 30, 59, 11, 0, 30, 59, 11, 0, 30, 59, 11);
    const __m256i magic = _mm256_set1_epi16(5243), hundred = _mm256_set1_epi16(100),
                  fifty = _mm256_set1_epi16(50), one = _mm256_set1_epi16(1);
    __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi8(bgrx, z), weights);
    __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi8(bgrx, z), weights);
    lo = _mm256_add_epi32(lo, _mm256_srli_epi64(lo, 32));
    hi = _mm256_add_epi32(hi, _mm256_srli_epi64(hi, 32));
    const __m256i t32 = _mm256_unpacklo_epi64(_mm256_shuffle_epi32(lo, _MM_SHUFFLE(2, 0, 2, 0)),
                                              _mm256_shuffle_epi32(hi, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i t = _mm256_packs_epi32(t32, t32); // t <= 25500 fits a signed 16-bit lane
    const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(t, magic), 3);
    const __m256i m = _mm256_sub_epi16(t, _mm256_mullo_epi16(q, hundred));
    const __m256i up = _mm256_or_si256(
        _mm256_cmpgt_epi16(m, fifty),
        _mm256_and_si256(_mm256_cmpeq_epi16(m, fifty), _mm256_cmpeq_epi16(_mm256_and_si256(q, one), one)));
    return _mm256_sub_epi16(q, up);
}

} // namespace kv::grey_detail
