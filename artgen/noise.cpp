#include "artgen/noise.h"

#include <cmath>

namespace kv::artgen {

std::uint64_t Rng::Next() {
    std::uint64_t z = (fState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::Uniform() {
    return double(Next() >> 11) * (1.0 / 9007199254740992.0);
}

std::uint32_t Hash3(int x, int y, std::uint32_t seed) {
    std::uint32_t h = std::uint32_t(x) * 0x8DA6B343u ^ std::uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float HashF(int x, int y, std::uint32_t seed) {
    return float(Hash3(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

static inline int Wrap(int i, int p) {
    int r = i % p;
    return r < 0 ? r + p : r;
}
static inline float Fade(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

float Smoothstep(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

float ValueNoise(float x, float y, int px, int py, std::uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = int(fx), iy = int(fy);
    float tx = Fade(x - fx), ty = Fade(y - fy);
    int x0 = Wrap(ix, px), x1 = Wrap(ix + 1, px), y0 = Wrap(iy, py), y1 = Wrap(iy + 1, py);
    float a = HashF(x0, y0, seed), b = HashF(x1, y0, seed), c = HashF(x0, y1, seed), d = HashF(x1, y1, seed);
    return Lerp(Lerp(a, b, tx), Lerp(c, d, tx), ty);
}

static inline float Grad(int x, int y, std::uint32_t seed, float dx, float dy) {
    // 16 evenly spread unit directions.
    static const float kDir[16][2] = {
        {1.0f, 0.0f},  {0.92388f, 0.38268f},   {0.70711f, 0.70711f},   {0.38268f, 0.92388f},
        {0.0f, 1.0f},  {-0.38268f, 0.92388f},  {-0.70711f, 0.70711f},  {-0.92388f, 0.38268f},
        {-1.0f, 0.0f}, {-0.92388f, -0.38268f}, {-0.70711f, -0.70711f}, {-0.38268f, -0.92388f},
        {0.0f, -1.0f}, {0.38268f, -0.92388f},  {0.70711f, -0.70711f},  {0.92388f, -0.38268f}};
    const float* g = kDir[Hash3(x, y, seed) & 15u];
    return g[0] * dx + g[1] * dy;
}

float GradientNoise(float x, float y, int px, int py, std::uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = int(fx), iy = int(fy);
    float rx = x - fx, ry = y - fy;
    int x0 = Wrap(ix, px), x1 = Wrap(ix + 1, px), y0 = Wrap(iy, py), y1 = Wrap(iy + 1, py);
    float a = Grad(x0, y0, seed, rx, ry), b = Grad(x1, y0, seed, rx - 1, ry);
    float c = Grad(x0, y1, seed, rx, ry - 1), d = Grad(x1, y1, seed, rx - 1, ry - 1);
    float tx = Fade(rx), ty = Fade(ry);
    return 1.41f * Lerp(Lerp(a, b, tx), Lerp(c, d, tx), ty);
}

float Fbm(float u, float v, int px, int py, int octaves, std::uint32_t seed, float gain) {
    float sum = 0, amp = 1, norm = 0;
    for (int k = 0; k < octaves; ++k) {
        sum += amp * GradientNoise(u * float(px), v * float(py), px, py, seed + std::uint32_t(k) * 1013u);
        norm += amp;
        amp *= gain;
        px *= 2;
        py *= 2;
    }
    return sum / norm * 1.6f;
}

float Turbulence(float u, float v, int px, int py, int octaves, std::uint32_t seed, float gain) {
    float sum = 0, amp = 1, norm = 0;
    for (int k = 0; k < octaves; ++k) {
        sum += amp *
               std::fabs(GradientNoise(u * float(px), v * float(py), px, py, seed + std::uint32_t(k) * 977u));
        norm += amp;
        amp *= gain;
        px *= 2;
        py *= 2;
    }
    return sum / norm * 1.6f;
}

Cell Cellular(float u, float v, int n, int m, std::uint32_t seed, float jitter) {
    float x = u * float(n), y = v * float(m);
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    Cell c{1e9f, 1e9f, 0, 0, 0};
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            int cx = ix + i, cy = iy + j;
            int wx = Wrap(cx, n), wy = Wrap(cy, m);
            float ox = 0.5f + jitter * (HashF(wx, wy, seed) - 0.5f);
            float oy = 0.5f + jitter * (HashF(wx, wy, seed ^ 0x5bd1e995u) - 0.5f);
            float dx = x - (float(cx) + ox), dy = y - (float(cy) + oy);
            float d = std::sqrt(dx * dx + dy * dy);
            if (d < c.f1) {
                c.f2 = c.f1;
                c.f1 = d;
                c.id = Hash3(wx, wy, seed ^ 0x27d4eb2du);
                c.dx = dx;
                c.dy = dy;
            } else if (d < c.f2) {
                c.f2 = d;
            }
        }
    return c;
}

} // namespace kv::artgen
