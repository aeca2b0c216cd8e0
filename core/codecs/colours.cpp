// The distinct-colour count and the GIF writer's fixed palettes.
#include "core/codecs/codecs.h"
#include "core/codecs/palettes.h"
#include "core/parallel.h"

#include <bit>
#include <mutex>
#include <vector>

namespace kv::codecs {

// Counting uses one bit per (red, green, blue) triple: key red*256+green selects 256 bits, one per
// blue value, so a colour counts once however often it occurs, exactly as a list of distinct blue
// values per red/green key does.
int CountDistinctColours(const TBitmap32& bmp) {
    if (bmp.Empty()) return 0;
    constexpr std::size_t kWords = std::size_t(1) << 18; // 2^24 bits
    std::vector<std::uint64_t> all(kWords, 0);
    std::mutex merge;
    const int w = bmp.Width();
    ParallelRows(
        bmp.Height(), std::size_t(w),
        [&](int y0, int y1) {
            std::vector<std::uint64_t> local(kWords, 0);
            for (int y = y0; y < y1; ++y) {
                const TColor32* p = bmp.ScanLine(y);
                for (int x = 0; x < w; ++x) {
                    TColor32 c = p[x] & 0xFFFFFFu;
                    local[c >> 6] |= std::uint64_t(1) << (c & 63);
                }
            }
            std::lock_guard<std::mutex> lock(merge);
            for (std::size_t i = 0; i < kWords; ++i) all[i] |= local[i];
        },
        std::size_t(1) << 22);
    long long count = 0;
    for (std::uint64_t word : all) count += std::popcount(word);
    return int(count);
}

namespace {

constexpr int kCubeLevels = 6;
constexpr int kExtraGreys = 40;

constexpr int CubeLevel(int i) { return 51 * i; }
constexpr int ExtraGrey(int i) { return ((i + 1) * 510 + 41) / 82; } // round((i+1)*255/41), no halves

int Dist2(TColor32 a, TColor32 b) {
    int dr = RedComponent(a) - RedComponent(b), dg = GreenComponent(a) - GreenComponent(b),
        db = BlueComponent(a) - BlueComponent(b);
    return dr * dr + dg * dg + db * db;
}

struct Grey256Table {
    // For each sum r+g+b: the index (0..39) of the nearest extra grey. The distance to a grey v is
    // r²+g²+b² - 2v(r+g+b) + 3v², so its minimum over v depends on the sum only.
    std::uint8_t best[766];
    Grey256Table() {
        for (int s = 0; s < 766; ++s) {
            int bi = 0;
            long long bd = 0;
            for (int i = 0; i < kExtraGreys; ++i) {
                long long v = ExtraGrey(i), d = 3 * v * v - 2 * v * s;
                if (i == 0 || d < bd) {
                    bd = d;
                    bi = i;
                }
            }
            best[s] = std::uint8_t(bi);
        }
    }
};

} // namespace

const std::array<TColor32, 2>& TwoColourPalette() {
    static const std::array<TColor32, 2> p{clBlack32, clWhite32};
    return p;
}

const std::array<TColor32, 16>& SixteenColourPalette() {
    static const std::array<TColor32, 16> p{
        0xFF000000u, 0xFF800000u, 0xFF008000u, 0xFF808000u, 0xFF000080u, 0xFF800080u, 0xFF008080u, 0xFFC0C0C0u,
        0xFF808080u, 0xFFFF0000u, 0xFF00FF00u, 0xFFFFFF00u, 0xFF0000FFu, 0xFFFF00FFu, 0xFF00FFFFu, 0xFFFFFFFFu};
    return p;
}

const std::array<TColor32, 256>& Palette256() {
    static const std::array<TColor32, 256> p = [] {
        std::array<TColor32, 256> a{};
        int k = 0;
        for (int r = 0; r < kCubeLevels; ++r)
            for (int g = 0; g < kCubeLevels; ++g)
                for (int b = 0; b < kCubeLevels; ++b) a[std::size_t(k++)] = Color32(CubeLevel(r), CubeLevel(g), CubeLevel(b));
        for (int i = 0; i < kExtraGreys; ++i) a[std::size_t(k++)] = Gray32(ExtraGrey(i));
        return a;
    }();
    return p;
}

int NearestIndex(const TColor32* palette, int count, TColor32 c) {
    int best = 0, bestDist = 0;
    for (int i = 0; i < count; ++i) {
        int d = Dist2(palette[i], c);
        if (i == 0 || d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

std::uint8_t NearestTwoColourIndex(TColor32 c) {
    // White is nearer than black exactly when r+g+b > 382.5; there are no ties.
    return RedComponent(c) + GreenComponent(c) + BlueComponent(c) >= 383 ? 1 : 0;
}

std::uint8_t NearestSixteenColourIndex(TColor32 c) {
    return std::uint8_t(NearestIndex(SixteenColourPalette().data(), 16, c));
}

std::uint8_t NearestPalette256Index(TColor32 c) {
    static const Grey256Table greys;
    const int r = RedComponent(c), g = GreenComponent(c), b = BlueComponent(c);
    // The cube is separable: the nearest level per channel (the midpoints between levels are not
    // integers, so there are no ties) gives the nearest cube colour.
    const int ri = (r + 25) / 51, gi = (g + 25) / 51, bi = (b + 25) / 51;
    const int dr = r - CubeLevel(ri), dg = g - CubeLevel(gi), db = b - CubeLevel(bi);
    const int cubeDist = dr * dr + dg * dg + db * db;
    const int gk = greys.best[r + g + b];
    const int v = ExtraGrey(gk);
    const int greyDist = (r - v) * (r - v) + (g - v) * (g - v) + (b - v) * (b - v);
    // Cube entries come first in the palette, so they win ties.
    if (cubeDist <= greyDist) return std::uint8_t(36 * ri + 6 * gi + bi);
    return std::uint8_t(216 + gk);
}

} // namespace kv::codecs
