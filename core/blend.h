#pragma once
// Exact channel arithmetic of combining and blending pixels. The scalar functions here are the
// reference; the row routines in blend.cpp may use SIMD but must return the same bits.
#include "core/color32.h"
#include <cstddef>

namespace kv {

// Weighted mix: W (0..255) is the weight of F; per channel ((F - B) * W + 256 * B + 128) >> 8.
inline TColor32 CombineReg(TColor32 F, TColor32 B, int W) {
    TColor32 r = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        int f = int((F >> sh) & 255), b = int((B >> sh) & 255);
        r |= TColor32((((f - b) * W + 256 * b + 128) >> 8) & 255) << sh;
    }
    return r;
}

// F over B by F's alpha.
inline TColor32 BlendReg(TColor32 F, TColor32 B) {
    int a = int(F >> 24);
    if (a == 0) return B;
    if (a == 255) return F;
    return CombineReg(F, B, a);
}

// F over B by F's alpha times master alpha M.
inline TColor32 BlendRegEx(TColor32 F, TColor32 B, int M) {
    int W = (int(F >> 24) * M) >> 8;
    if (W == 0) return B;
    return CombineReg(F, B, W);
}

// Row routines: dst[i] = op(src[i], dst[i]) for i in 0..n-1.
void BlendLine(const TColor32* src, TColor32* dst, std::size_t n);
void BlendLineEx(const TColor32* src, TColor32* dst, std::size_t n, int masterAlpha);
void CombineLine(const TColor32* src, TColor32* dst, std::size_t n, int W);

// The implementation the row routines use (and the channel kernels of Brighten and Contrast).
// Every level gives the bits of the scalar functions above; tests run each level against them,
// benchmarks compare their speed.
enum class BlendPath { Scalar = 0, SSE2 = 1, AVX2 = 2 };
BlendPath BestBlendPath();      // the best level this processor supports
BlendPath ActiveBlendPath();    // the level in use (the best one unless lowered)
void SetBlendPath(BlendPath p); // selects p, capped at BestBlendPath()

} // namespace kv
