#pragma once
// Deterministic random numbers and tileable noise for the artwork generator. Every noise function
// works on a lattice that wraps at a whole number of cells, so a picture sampled over one period
// repeats without a seam. Coordinates u, v are in tile units: [0, 1) spans one tile.
#include <cstdint>

namespace kv::artgen {

// SplitMix64: small, fast and fully specified, so the artwork is the same on every platform.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : fState(seed) {}
    std::uint64_t Next();
    double Uniform(); // [0, 1)
    double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    int Int(int n) { return int(Next() % std::uint64_t(n)); } // [0, n)
  private:
    std::uint64_t fState;
};

std::uint32_t Hash3(int x, int y, std::uint32_t seed);
float HashF(int x, int y, std::uint32_t seed); // [0, 1)

// Value and gradient noise with periods px, py lattice cells; x, y in lattice units.
float ValueNoise(float x, float y, int px, int py, std::uint32_t seed);    // [0, 1]
float GradientNoise(float x, float y, int px, int py, std::uint32_t seed); // about [-1, 1]

// Fractal sums over tile units; octave k has periods (px, py) * 2^k. Result about [-1, 1].
float Fbm(float u, float v, int px, int py, int octaves, std::uint32_t seed, float gain = 0.5f);
// Sum of |noise| ("turbulence"), about [0, 1].
float Turbulence(float u, float v, int px, int py, int octaves, std::uint32_t seed, float gain = 0.5f);

// Cellular noise over an n x m grid of jittered feature points, wrapping at the tile.
// Distances are in cell units; id identifies the nearest cell.
struct Cell {
    float f1, f2;
    std::uint32_t id;
    float dx, dy; // offset from the nearest feature point to the sample, cell units
};
Cell Cellular(float u, float v, int n, int m, std::uint32_t seed, float jitter = 0.9f);

inline float Frac(float x) {
    return x - float(int(x >= 0 ? x : x - 1));
}
float Smoothstep(float e0, float e1, float x);
inline float Lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
inline float Clamp01(float x) {
    return x < 0 ? 0 : (x > 1 ? 1 : x);
}

} // namespace kv::artgen
