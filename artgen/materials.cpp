#include "artgen/materials.h"

#include "artgen/noise.h"

#include <cmath>

namespace kv::artgen {
namespace {
constexpr float kPi = 3.14159265358979f;
float TorusDist(float u, float v, float cu, float cv) {
    float du = std::fabs(u - cu), dv = std::fabs(v - cv);
    du = std::min(du, 1 - du);
    dv = std::min(dv, 1 - dv);
    return std::sqrt(du * du + dv * dv);
}
} // namespace

RGB WoodAt(const Wood& p, float u, float v) {
    // Rings run along u; their bending is smooth and slow along the board.
    float w1 = Fbm(u, v, 1, 2, 3, p.seed, 0.4f);
    float w2 = Fbm(u, v, 3, 4, 2, p.seed + 7, 0.4f);
    float t = v * float(p.rings) + p.warp * w1 + 0.18f * w2 + p.figure * std::cos(2 * kPi * (u + 0.15f * w1));
    if (p.knot) {
        float d = TorusDist(u, v, 0.62f, 0.44f);
        t += 1.6f * std::exp(-(d * d) / (0.045f * 0.045f)) + 0.5f * std::exp(-(d * d) / (0.12f * 0.12f));
    }
    const int R = p.rings;
    float ring = Frac(t);
    int ringIndex = int(std::floor(t));
    float strength = 0.65f + 0.35f * HashF(((ringIndex % R) + R) % R, 5, p.seed);
    // Latewood: a soft dark line at the ring's end over a gentle darkening through the ring.
    float line = Smoothstep(0.7f, 0.86f, ring) * (1 - Smoothstep(0.9f, 1.0f, ring));
    float saw = Smoothstep(0.3f, 0.95f, ring) * (1 - Smoothstep(0.97f, 1.0f, ring));
    float g = (0.65f * line + 0.35f * saw) * strength;
    // Fine lines and pores follow the rings: sampled in ring coordinates, periodic over R rings.
    float fine = 0.45f * GradientNoise(u * 5, t * 9, 5, 9 * R, p.seed + 3) +
                 0.35f * GradientNoise(u * 4, t * 26, 4, 26 * R, p.seed + 4) +
                 0.3f * GradientNoise(u * 3, t * 60, 3, 60 * R, p.seed + 6);
    float tone =
        1 + 0.06f * Fbm(u, v, 1, 2, 2, p.seed + 11) + p.ribbon * std::sin(2 * kPi * (u * 5 + 0.25f * w1));
    RGB c = Mix(p.early, p.late, Clamp01(0.18f * ring + g * p.contrast + fine * p.streaks * 1.8f));
    c = c * tone;
    if (p.pores > 0) {
        float pn = ValueNoise(u * 150, t * 45, 150, 45 * R, p.seed + 5);
        float pore = Smoothstep(0.78f, 0.93f, pn) * (0.4f + 0.6f * (1 - g));
        c = Mix(c, p.pore, pore * p.pores * 0.6f);
    }
    if (p.knot) {
        float d = TorusDist(u, v, 0.62f, 0.44f);
        float core = 1 - Smoothstep(0.01f, 0.028f, d);
        c = Mix(c, p.pore, core * 0.8f);
    }
    return c;
}

} // namespace kv::artgen
