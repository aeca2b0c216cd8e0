#pragma once
// The 3 x 3 cross sharpen of the sharpen commands.
#include "effects/bitmap24.h"

namespace kv {

// dst takes src's size; border rows and columns are copied, every inner channel becomes
// clamp(((c*A + 32767) >> 16) - ((S*B + 32767) >> 16)) with S the sum of the cross of five,
// A = Round(alpha * 65536), B = Round(float((alpha - 1) / 5) * 65536).
// Refuses with Error "Bitmap must be at least 3x3" (W < 3 or H < 3) or "Alpha must be >1 and <6"
// (unless 1 < alpha < 6) before touching dst.
void Sharpen3x3(const Bitmap24& src, Bitmap24& dst, double alpha);

} // namespace kv
