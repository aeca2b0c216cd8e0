#pragma once
// The fixed palettes of the GIF writer and nearest-colour mapping onto them. Nearest means the
// smallest squared distance over red, green and blue; among equally near colours the one with the
// lowest palette index wins.
#include "core/bitmap32.h"
#include "core/color32.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kv::codecs {

// Black and white.
const std::array<TColor32, 2>& TwoColourPalette();
// The 16 VGA colours: black, maroon, green, olive, navy, purple, teal, silver, grey, red, lime,
// yellow, blue, fuchsia, aqua, white.
const std::array<TColor32, 16>& SixteenColourPalette();
// The 6x6x6 colour cube on the levels 0, 51, ..., 255 (index 36r + 6g + b), then 40 greys
// round(i * 255 / 41), i = 1..40, that lie between the cube's greys.
const std::array<TColor32, 256>& Palette256();

// The set of (red, green, blue) triples of a picture: bit c of the 2^24 bits (word c >> 6, bit
// c & 63) is set when some pixel has colour c (alpha ignored).
std::vector<std::uint64_t> ColourSet(const TBitmap32& bmp);

// Reference search over any palette (alpha ignored).
int NearestIndex(const TColor32* palette, int count, TColor32 c);
// NearestIndex for any palette of 1 to 256 colours, fast: the colour cube is cut into 64x64x64
// cells, and each cell keeps the palette entries that can be nearest to some colour inside it
// (an entry farther from the whole cell than another entry's farthest point never is).
class NearestColourMap {
  public:
    NearestColourMap(const TColor32* palette, int count);
    std::uint8_t operator()(TColor32 c) const {
        const unsigned cell = ((c >> 6) & 0x3F000u) | ((c >> 4) & 0xFC0u) | ((c >> 2) & 0x3Fu);
        const std::uint8_t* p = fCandidates.data() + fStart[cell];
        const std::uint8_t* end = p + fCount[cell];
        if (end - p == 1) return *p;
        const int r = int((c >> 16) & 255), g = int((c >> 8) & 255), b = int(c & 255);
        std::uint8_t best = *p;
        int bestDist = 1 << 30;
        for (; p < end; ++p) {
            const std::int16_t* e = fRgb.data() + 3 * std::size_t(*p);
            int dr = r - e[0], dg = g - e[1], db = b - e[2];
            int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) {
                bestDist = d;
                best = *p;
            }
        }
        return best;
    }

  private:
    std::vector<std::int16_t> fRgb;        // red, green, blue of each entry
    std::vector<std::uint32_t> fStart;     // per cell, into fCandidates
    std::vector<std::uint16_t> fCount;     // per cell
    std::vector<std::uint8_t> fCandidates; // entry indices, ascending within a cell
};

// The same results as NearestIndex on the palettes above, computed quickly.
std::uint8_t NearestTwoColourIndex(TColor32 c);
std::uint8_t NearestSixteenColourIndex(TColor32 c);
std::uint8_t NearestPalette256Index(TColor32 c);

} // namespace kv::codecs
