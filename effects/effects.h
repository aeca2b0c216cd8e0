#pragma once
// The effects library: pixel routines on the 24-bit working bitmap. They know nothing of layers,
// history or dialogs. Routines that work in place visit rows top to bottom and columns left to
// right unless noted; where later pixels read earlier results that order is part of the result.
#include "effects/bitmap24.h"

#include <cstdint>

namespace kv {

// The pseudo-random source: state := state * 134775813 + 1 (mod 2^32), then the upper 32 bits of
// state * n; 0..n-1, and 0 for n = 0 (the state still advances). The state is 0 when the program
// starts and is kept per thread (the editor uses one thread, so one sequence); RandomState and
// SetRandomState let a batch run start each input file from 0 on whichever thread it runs.
std::uint32_t NextRandom(std::uint32_t n);
std::uint32_t RandomState();
void SetRandomState(std::uint32_t state);

// Per pixel three draws (blue, green, red), each channel += draw - a/2, clamped. Sequential.
void ChannelNoise(Bitmap24& bmp, std::uint32_t a);
// Per pixel one draw added to all three channels (minus a/2), clamped. Sequential.
void GreyNoise(Bitmap24& bmp, std::uint32_t a);
// In place: each pixel := sum of the four samples at (x -/+ a, y -/+ a) (an out-of-range offset
// falls back to x or y itself) shifted right by 2. a <= 0 does nothing.
void DiagonalBlur(Bitmap24& bmp, int a);
// DiagonalBlur(3) n + 1 times (negative n: none).
void DiagonalBlurPasses(Bitmap24& bmp, int n);
// Every channel := Round(0.3 red + 0.59 green + 0.11 blue), halves to even, in exact arithmetic.
void ToGreyscale(Bitmap24& bmp);
// dst := copy of src, then every source pixel is written to its rain-drop displaced place.
// Needs F >= 1 and S >= 1 (the dialog's ranges).
void RainDropWarp(const Bitmap24& src, Bitmap24& dst, int F, double S);
// Columns outer, rows inner; three draws per pixel; each pixel takes the current colour of a
// randomly displaced pixel within a - 1. Sequential.
void ScatterPixels(Bitmap24& bmp, std::uint32_t a);
// Cells of s x s from the top-left take their top-left pixel's colour; s <= 1 does nothing.
void BlockMosaic(Bitmap24& bmp, int s);
// Each column pushed down by A + Round(A f(x - 1)) (0 for column 0), rows A .. H-1-2A as source.
// style 0: f = sin(x phi), 1: sin(x phi) cos(x phi), 2: sin(x phi) sin(I phi x); phi = (pi/2)/A.
// Needs A >= 1.
void WaveShift(Bitmap24& bmp, int A, int I, int style);
// Iterations until |z|^2 >= 4 or more than 64 (1..65), in extended precision.
int MandelbrotCount(long double cx, long double cy);
// Every pixel white when MandelbrotCount(x*3.25/W - 2, y*2.5/H - 1.25) > threshold, else black.
void MandelbrotMask(Bitmap24& bmp, int threshold);
// The pixels where the mask would be black become black; the others stay.
void FractalOverlay(Bitmap24& bmp, int threshold);
// pixel(x, y) := (pixel(x, y) + 255 - pixel(x + 3, y + 1)) >> 1; last row and last 3 columns stay.
void EmbossRelief(Bitmap24& bmp);
// Every channel := 255 - channel.
void InvertChannels(Bitmap24& bmp);
// Each column x pushed down by x mod (a + 1) (x mod 256 when a > 255), a limited to H div 2.
void SawtoothRipple(Bitmap24& bmp, int a);
// dst (takes src's size) channel := min(255, a * Round(v / a)). Needs a >= 1.
void PosterizeLevels(const Bitmap24& src, Bitmap24& dst, int a);
// Lightened top/left and darkened bottom/right band of width bw + 1 with strength s. Pixels
// outside the picture (bw >= H/2 or bw >= W/2) are skipped; in-range pixels change as written,
// twice where the loops meet.
void BevelButton(Bitmap24& bmp, int bw, int s);
// Pixels outside the ellipse inscribed in (0, 0)-(W, H) take the colour (red, green, blue).
// A pixel is inside when its centre lies in the closed ellipse.
void OvalMatte(Bitmap24& bmp, int red, int green, int blue);

} // namespace kv
