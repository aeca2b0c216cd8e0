#pragma once
// The fixed palettes of the GIF writer and nearest-colour mapping onto them. Nearest means the
// smallest squared distance over red, green and blue; among equally near colours the one with the
// lowest palette index wins.
#include "core/color32.h"

#include <array>
#include <cstdint>

namespace kv::codecs {

// Black and white.
const std::array<TColor32, 2>& TwoColourPalette();
// The 16 VGA colours: black, maroon, green, olive, navy, purple, teal, silver, grey, red, lime,
// yellow, blue, fuchsia, aqua, white.
const std::array<TColor32, 16>& SixteenColourPalette();
// The 6x6x6 colour cube on the levels 0, 51, ..., 255 (index 36r + 6g + b), then 40 greys
// round(i * 255 / 41), i = 1..40, that lie between the cube's greys.
const std::array<TColor32, 256>& Palette256();

// Reference search over any palette (alpha ignored).
int NearestIndex(const TColor32* palette, int count, TColor32 c);
// The same results as NearestIndex on the palettes above, computed quickly.
std::uint8_t NearestTwoColourIndex(TColor32 c);
std::uint8_t NearestSixteenColourIndex(TColor32 c);
std::uint8_t NearestPalette256Index(TColor32 c);

} // namespace kv::codecs
