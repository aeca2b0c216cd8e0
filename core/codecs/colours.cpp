// The distinct-colour count and the GIF writer's fixed palettes.
#include "core/codecs/codecs.h"
#include "core/codecs/palettes.h"
#include "core/error.h"
#include "core/parallel.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace kv::codecs {

std::vector<std::uint64_t> ColourSet(const TBitmap32& bmp) {
    constexpr std::size_t kWords = std::size_t(1) << 18; // 2^24 bits
    std::vector<std::uint64_t> all(kWords, 0);
    if (bmp.Empty()) return all;
    std::mutex merge;
    bool first = true;
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
            if (first) {
                all.swap(local);
                first = false;
            } else {
                for (std::size_t i = 0; i < kWords; ++i)
                    all[i] |= local[i];
            }
        },
        std::size_t(1) << 22);
    return all;
}

// Counting uses one bit per (red, green, blue) triple: key red*256+green selects 256 bits, one per
// blue value, so a colour counts once however often it occurs, exactly as a list of distinct blue
// values per red/green key does.
int CountDistinctColours(const TBitmap32& bmp) {
    long long count = 0;
    for (std::uint64_t word : ColourSet(bmp))
        count += std::popcount(word);
    return int(count);
}

namespace {

constexpr int kCubeLevels = 6;
constexpr int kExtraGreys = 40;

constexpr int CubeLevel(int i) {
    return 51 * i;
}
constexpr int ExtraGrey(int i) {
    return ((i + 1) * 510 + 41) / 82;
} // round((i+1)*255/41), no halves

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
    static const std::array<TColor32, 16> p{0xFF000000u, 0xFF800000u, 0xFF008000u, 0xFF808000u,
                                            0xFF000080u, 0xFF800080u, 0xFF008080u, 0xFFC0C0C0u,
                                            0xFF808080u, 0xFFFF0000u, 0xFF00FF00u, 0xFFFFFF00u,
                                            0xFF0000FFu, 0xFFFF00FFu, 0xFF00FFFFu, 0xFFFFFFFFu};
    return p;
}

const std::array<TColor32, 256>& Palette256() {
    static const std::array<TColor32, 256> p = [] {
        std::array<TColor32, 256> a{};
        int k = 0;
        for (int r = 0; r < kCubeLevels; ++r)
            for (int g = 0; g < kCubeLevels; ++g)
                for (int b = 0; b < kCubeLevels; ++b)
                    a[std::size_t(k++)] = Color32(CubeLevel(r), CubeLevel(g), CubeLevel(b));
        for (int i = 0; i < kExtraGreys; ++i)
            a[std::size_t(k++)] = Gray32(ExtraGrey(i));
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

NearestColourMap::NearestColourMap(const TColor32* palette, int count) {
    if (count < 1 || count > 256) throw Error("NearestColourMap: a palette needs 1 to 256 colours");
    fRgb.resize(3 * std::size_t(count));
    for (int i = 0; i < count; ++i) {
        fRgb[3 * std::size_t(i)] = std::int16_t(RedComponent(palette[i]));
        fRgb[3 * std::size_t(i) + 1] = std::int16_t(GreenComponent(palette[i]));
        fRgb[3 * std::size_t(i) + 2] = std::int16_t(BlueComponent(palette[i]));
    }
    // Candidates of a cell [r0, r0+size) x [g0, ...) x [b0, ...) among the given entries.
    std::vector<int> nearDist(std::size_t(count), 0);
    auto candidates = [&](int r0, int g0, int b0, int size, const std::uint8_t* from, const std::uint8_t* to,
                          std::vector<std::uint8_t>& out) {
        // Squared distance from v to the span [lo, lo+size-1] on one axis: nearest and farthest.
        auto axis = [size](int v, int lo, int& nearD, int& farD) {
            const int hi = lo + size - 1;
            int n = v < lo ? lo - v : (v > hi ? v - hi : 0);
            int f = std::max(std::abs(v - lo), std::abs(v - hi));
            nearD += n * n;
            farD += f * f;
        };
        int bound = 1 << 30; // the smallest farthest distance of any entry
        for (const std::uint8_t* e = from; e < to; ++e) {
            int n = 0, f = 0;
            const std::int16_t* rgb = fRgb.data() + 3 * std::size_t(*e);
            axis(rgb[0], r0, n, f);
            axis(rgb[1], g0, n, f);
            axis(rgb[2], b0, n, f);
            nearDist[*e] = n;
            bound = std::min(bound, f);
        }
        for (const std::uint8_t* e = from; e < to; ++e)
            if (nearDist[*e] <= bound) out.push_back(*e);
    };
    // Two levels: 16x16x16 cells among all entries, then their 4x4x4 fine cells among the coarse
    // cell's candidates (an entry never nearest in a cell is never nearest in a part of it).
    std::vector<std::uint8_t> all(static_cast<std::size_t>(count)), coarse;
    for (int i = 0; i < count; ++i)
        all[std::size_t(i)] = std::uint8_t(i);
    constexpr int kFine = 64;
    fStart.assign(std::size_t(kFine) * kFine * kFine, 0);
    fCount.assign(std::size_t(kFine) * kFine * kFine, 0);
    fCandidates.reserve(std::size_t(kFine) * kFine * kFine * 2);
    for (int cr = 0; cr < 16; ++cr)
        for (int cg = 0; cg < 16; ++cg)
            for (int cb = 0; cb < 16; ++cb) {
                coarse.clear();
                candidates(cr * 16, cg * 16, cb * 16, 16, all.data(), all.data() + all.size(), coarse);
                for (int fr = cr * 4; fr < cr * 4 + 4; ++fr)
                    for (int fg = cg * 4; fg < cg * 4 + 4; ++fg)
                        for (int fb = cb * 4; fb < cb * 4 + 4; ++fb) {
                            const std::size_t cell = std::size_t((fr * kFine + fg) * kFine + fb);
                            fStart[cell] = std::uint32_t(fCandidates.size());
                            candidates(fr * 4, fg * 4, fb * 4, 4, coarse.data(),
                                       coarse.data() + coarse.size(), fCandidates);
                            fCount[cell] = std::uint16_t(fCandidates.size() - fStart[cell]);
                        }
            }
}

std::uint8_t NearestSixteenColourIndex(TColor32 c) {
    static const NearestColourMap map(SixteenColourPalette().data(), 16);
    return map(c);
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
