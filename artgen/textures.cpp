// Plain, picker and mono textures: wood, stone, cloth, leather, metal, leaf and paper, each a
// function of the tile coordinates built from wrapping noise so every tile repeats without a seam.
#include "artgen/library.h"
#include "artgen/materials.h"
#include "artgen/noise.h"

#include <cmath>

namespace kv::artgen {
namespace {

constexpr int kSize = 512;
constexpr float kPi = 3.14159265358979f;

FImage MakeWood(const Wood& p) {
    return Render(kSize, kSize, [&](float u, float v) { return WoodAt(p, u, v); });
}

// ---------------------------------------------------------------- burl
FImage MakeBurl(std::uint32_t seed, std::vector<RGB> ramp, RGB eyeCol) {
    return Render(kSize, kSize, [=](float u, float v) {
        float wx = Fbm(u, v, 3, 3, 4, seed), wy = Fbm(u, v, 3, 3, 4, seed + 1);
        float n = Fbm(u + 0.22f * wx, v + 0.22f * wy, 4, 4, 5, seed + 2);
        float ring = Frac(n * 5.0f + 0.5f * wx);
        Cell c = Cellular(u + 0.04f * wx, v + 0.04f * wy, 9, 9, seed + 3);
        float eye = std::exp(-(c.f1 * c.f1) / (0.09f * 0.09f)) *
                    (HashF(int(c.id & 0xffff), 0, seed) < 0.6f ? 1.0f : 0.0f);
        float halo = std::exp(-(c.f1 * c.f1) / (0.3f * 0.3f));
        RGB col = Ramp(ramp, Clamp01(0.5f + 0.55f * n));
        col = col * (0.82f + 0.3f * std::sin(2 * kPi * ring) * 0.5f + 0.09f * halo);
        float fine = GradientNoise(u * 90, v * 90, 90, 90, seed + 9);
        col = col * (1 + 0.05f * fine);
        return Mix(col, eyeCol, eye * 0.9f);
    });
}

// ---------------------------------------------------------------- marble and onyx
struct Marble {
    std::vector<RGB> base;
    RGB vein;
    RGB vein2;
    int a = 1, b = 2; // main vein direction (integer wave numbers keep it periodic)
    float turb = 1.4f;
    float sharp = 14;
    float veinAmount = 0.9f;
    std::uint32_t seed = 1;
};

RGB MarbleAt(const Marble& m, float u, float v) {
    float t1 = Fbm(u, v, 2, 2, 6, m.seed);
    float t2 = Fbm(u, v, 3, 3, 5, m.seed + 1);
    float s1 = std::fabs(std::sin(kPi * (float(m.a) * u + float(m.b) * v + m.turb * t1)));
    float s2 = std::fabs(std::sin(kPi * (float(m.b + 1) * u - float(m.a) * v + 1.8f * m.turb * t2)));
    float v1 = std::pow(1 - s1, m.sharp) + 0.35f * std::pow(1 - s1, 3.0f);
    float v2 = std::pow(1 - s2, m.sharp * 2.5f);
    float cloud = Fbm(u, v, 3, 3, 5, m.seed + 2);
    RGB c = Ramp(m.base, Clamp01(0.5f + 0.45f * cloud));
    c = Mix(c, m.vein, Clamp01(v1 * m.veinAmount));
    c = Mix(c, m.vein2, Clamp01(v2 * 0.7f));
    return c;
}

FImage MakeMarble(const Marble& m) {
    return Render(kSize, kSize, [&](float u, float v) { return MarbleAt(m, u, v); });
}

FImage MakeOnyx(std::uint32_t seed) {
    std::vector<RGB> ramp = {Hex(0x5a3410), Hex(0xa8682a), Hex(0xe0b070),
                             Hex(0xf4e2b8), Hex(0xc88a40), Hex(0x7a4418)};
    return Render(kSize, kSize, [=](float u, float v) {
        float w = Fbm(u, v, 2, 2, 5, seed);
        float t = Frac(v * 3 + u * 1 + 0.9f * w);
        float fine = GradientNoise(u * 4, v * 60, 4, 60, seed + 1);
        RGB c = Ramp(ramp, Clamp01(t + 0.05f * fine));
        float vein =
            std::pow(1 - std::fabs(std::sin(kPi * (2 * u - v + 1.2f * Fbm(u, v, 3, 3, 5, seed + 2)))), 8.0f);
        return Mix(c, Hex(0xfff4dc), vein * 0.35f);
    });
}

// ---------------------------------------------------------------- granite and terrazzo
FImage MakeGranite(std::uint32_t seed, std::vector<RGB> minerals, std::vector<float> shares, float cells) {
    auto mineral = [&](std::uint32_t id, float jitter) {
        float h = float(id >> 8) / 16777216.0f;
        float acc = 0;
        std::size_t k = 0;
        for (; k + 1 < shares.size(); ++k) {
            acc += shares[k];
            if (h < acc) break;
        }
        float j = float((id >> 1) & 127) / 127.0f - 0.5f;
        return minerals[k] * (1 + jitter * j);
    };
    int n1 = int(cells), n2 = int(cells * 2.3f);
    return Render(kSize, kSize, [=](float u, float v) {
        float wx = Fbm(u, v, 4, 4, 3, seed + 5) * 0.004f, wy = Fbm(u, v, 4, 4, 3, seed + 6) * 0.004f;
        Cell a = Cellular(u + wx, v + wy, n1, n1, seed, 1.0f);
        Cell b = Cellular(u, v, n2, n2, seed + 1, 1.0f);
        RGB c = mineral(a.id, 0.25f);
        float useB = HashF(int(b.id & 0xffff), 3, seed) < 0.45f ? 1.0f : 0.0f;
        c = Mix(c, mineral(b.id, 0.3f), useB);
        float edge = 1 - Smoothstep(0.0f, 0.08f, a.f2 - a.f1);
        c = c * (1 - 0.12f * edge);
        float fine = GradientNoise(u * 200, v * 200, 200, 200, seed + 2);
        c = c * (1 + 0.06f * fine + 0.05f * Fbm(u, v, 2, 2, 3, seed + 3));
        return c;
    });
}

FImage MakeTerrazzo(std::uint32_t seed) {
    std::vector<RGB> chips = {Hex(0xe8e4dc), Hex(0x2c2a28), Hex(0xb46a4a),
                              Hex(0x8a9a8c), Hex(0xd8c8a0), Hex(0x6e6a66)};
    return Render(kSize, kSize, [=](float u, float v) {
        RGB cement = Hex(0xcfcac0) * (1 + 0.04f * Fbm(u, v, 4, 4, 4, seed) +
                                      0.05f * GradientNoise(u * 160, v * 160, 160, 160, seed + 1));
        RGB c = cement;
        for (int layer = 0; layer < 2; ++layer) {
            int n = layer == 0 ? 9 : 22;
            Cell k = Cellular(u, v, n, n, seed + 10 + std::uint32_t(layer), 0.8f);
            float r = 0.22f + 0.2f * float((k.id >> 3) & 255) / 255.0f;
            // Angular chips: a distorted diamond distance rather than a circle.
            float ang = float(k.id & 1023) / 1023.0f * 2 * kPi;
            float ca = std::cos(ang), sa = std::sin(ang);
            float x = k.dx * ca - k.dy * sa, y = k.dx * sa + k.dy * ca;
            float d = std::fabs(x) * 0.9f + std::fabs(y) * 1.2f +
                      0.1f * GradientNoise(u * 80, v * 80, 80, 80, seed + 20);
            float inside = 1 - Smoothstep(r - 0.02f, r + 0.02f, d);
            RGB chip = chips[(k.id >> 12) % chips.size()] * (0.9f + 0.2f * HashF(int(k.id & 0xfff), 1, seed));
            c = Mix(c, chip, inside * (((k.id >> 20) & 3) != 0 ? 1.0f : 0.0f));
        }
        return c;
    });
}

// ---------------------------------------------------------------- layered stone
FImage MakeSlate(std::uint32_t seed) {
    auto height = Field(kSize, kSize, [=](float u, float v) {
        return 0.6f * Fbm(u, v, 2, 20, 4, seed) + 0.5f * Fbm(u, v, 3, 3, 6, seed + 1) +
               0.1f * GradientNoise(u * 128, v * 128, 128, 128, seed + 2);
    });
    Light L;
    L.strength = 40;
    L.ambient = 0.62f;
    L.diffuse = 0.45f;
    std::vector<float> d;
    ShadeField(height, kSize, kSize, L, d);
    std::vector<RGB> ramp = {Hex(0x24282e), Hex(0x3a4048), Hex(0x4c525a), Hex(0x5a5e62)};
    FImage img = Render(kSize, kSize, [=](float u, float v) {
        float tone = Fbm(u, v, 2, 3, 5, seed + 3);
        RGB c = Ramp(ramp, Clamp01(0.5f + 0.6f * tone));
        float stain = Smoothstep(0.45f, 0.85f, Fbm(u, v, 3, 3, 5, seed + 4));
        return Mix(c, Hex(0x5a5048), stain * 0.3f);
    });
    for (std::size_t i = 0; i < img.px.size(); ++i)
        img.px[i] = img.px[i] * d[i];
    return img;
}

FImage MakeLayeredStone(std::uint32_t seed, std::vector<RGB> ramp, int layers, float pits) {
    return Render(kSize, kSize, [=](float u, float v) {
        float w = Fbm(u, v, 2, 2, 5, seed);
        float t = Frac(v * float(layers) + 0.7f * w);
        RGB c = Ramp(
            ramp, Clamp01(0.5f + 0.5f * std::sin(2 * kPi * t) * 0.6f + 0.25f * Fbm(u, v, 3, 6, 4, seed + 1)));
        float grain = GradientNoise(u * 256, v * 256, 256, 256, seed + 2);
        c = c * (1 + 0.07f * grain);
        if (pits > 0) {
            float pn = GradientNoise(u * 40, v * 160, 40, 160, seed + 3) +
                       0.3f * GradientNoise(u * 80, v * 320, 80, 320, seed + 4);
            float pit = Smoothstep(0.55f, 0.85f, pn);
            c = Mix(c, c * RGB{0.62f, 0.56f, 0.48f}, pit * pits);
        }
        return c;
    });
}

// ---------------------------------------------------------------- woven cloth
struct Weave {
    int n = 64; // threads across a tile (even; a multiple of 4 for twill)
    bool twill = false;
    RGB warp, weft, gap;
    float slub = 0.25f;  // thickness changes along a thread
    float varia = 0.08f; // colour difference between threads
    float relief = 1.0f;
    std::uint32_t seed = 1;
};

FImage MakeWeave(const Weave& p) {
    FImage img(kSize, kSize);
    std::vector<float> height(std::size_t(kSize) * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float u = (float(x) + 0.5f) / kSize, v = (float(y) + 0.5f) / kSize;
            float gx = u * float(p.n), gy = v * float(p.n);
            int ix = int(gx), iy = int(gy);
            float fx = gx - float(ix), fy = gy - float(iy);
            // Thread thickness varies per thread and along it (slubs).
            float tWarp = 0.78f + 0.16f * (HashF(ix, 0, p.seed) - 0.5f) +
                          p.slub * (ValueNoise(float(ix) * 3.1f, v * 10, 3 * p.n, 10, p.seed + 1) - 0.5f);
            float tWeft = 0.78f + 0.16f * (HashF(iy, 1, p.seed) - 0.5f) +
                          p.slub * (ValueNoise(u * 10, float(iy) * 3.1f, 10, 3 * p.n, p.seed + 2) - 0.5f);
            float pw = Clamp01(1 - std::fabs(fx - 0.5f) * 2 / std::max(0.2f, tWarp));
            float pf = Clamp01(1 - std::fabs(fy - 0.5f) * 2 / std::max(0.2f, tWeft));
            pw = std::sqrt(pw);
            pf = std::sqrt(pf);
            bool warpTop = p.twill ? (((ix + iy) & 3) < 2) : (((ix + iy) & 1) == 0);
            float hw = pw * (warpTop ? 0.65f + 0.35f * std::sin(kPi * fy) : 0.35f);
            float hf = pf * (!warpTop ? 0.65f + 0.35f * std::sin(kPi * fx) : 0.35f);
            float cw = 1 + p.varia * (HashF(ix, 7, p.seed) - 0.5f) * 2 +
                       0.5f * p.varia * GradientNoise(float(ix) * 1.7f, v * 40, 2 * p.n, 40, p.seed + 3);
            float cf = 1 + p.varia * (HashF(iy, 9, p.seed) - 0.5f) * 2 +
                       0.5f * p.varia * GradientNoise(u * 40, float(iy) * 1.7f, 40, 2 * p.n, p.seed + 4);
            RGB c;
            float hgt;
            if (hw >= hf) {
                c = p.warp * cw;
                hgt = hw;
            } else {
                c = p.weft * cf;
                hgt = hf;
            }
            float cover = Smoothstep(0.0f, 0.25f, std::max(hw, hf));
            c = Mix(p.gap, c, cover);
            float tone = 1 + 0.05f * Fbm(u, v, 2, 2, 4, p.seed + 5);
            img.At(x, y) = c * tone;
            height[std::size_t(y) * kSize + std::size_t(x)] = hgt * p.relief;
        }
    Light L;
    L.strength = 1.6f;
    L.ambient = 0.6f;
    L.diffuse = 0.5f;
    std::vector<float> d;
    ShadeField(height, kSize, kSize, L, d);
    for (std::size_t i = 0; i < img.px.size(); ++i)
        img.px[i] = img.px[i] * d[i];
    return img;
}

// ---------------------------------------------------------------- leather, cork, paper, velvet
FImage MakeLeather(std::uint32_t seed, std::vector<RGB> ramp) {
    FImage base = Render(kSize, kSize, [=](float u, float v) {
        return Ramp(ramp, Clamp01(0.5f + 0.5f * Fbm(u, v, 3, 3, 5, seed)));
    });
    auto height = Field(kSize, kSize, [=](float u, float v) {
        float wx = Fbm(u, v, 4, 4, 3, seed + 1), wy = Fbm(u, v, 4, 4, 3, seed + 2);
        Cell a = Cellular(u + 0.03f * wx, v + 0.03f * wy, 30, 30, seed + 3);
        Cell b = Cellular(u + 0.01f * wy, v + 0.01f * wx, 72, 72, seed + 4);
        float crease = 1 - Smoothstep(0.0f, 0.1f, a.f2 - a.f1);
        float crease2 = 1 - Smoothstep(0.0f, 0.12f, b.f2 - b.f1);
        float dome = 1 - std::min(1.0f, a.f1);
        return 0.35f * dome - 0.45f * crease - 0.25f * crease2 +
               0.1f * GradientNoise(u * 200, v * 200, 200, 200, seed + 5);
    });
    Light L;
    L.strength = 2.2f;
    L.ambient = 0.55f;
    L.diffuse = 0.55f;
    L.shininess = 18;
    L.specular = 0.1f;
    std::vector<float> d, s;
    ShadeField(height, kSize, kSize, L, d, &s);
    for (std::size_t i = 0; i < base.px.size(); ++i) {
        float h = height[i];
        base.px[i] = base.px[i] * (d[i] * (1 + 0.25f * std::min(0.0f, h))) + RGB{s[i], s[i], s[i]};
    }
    return base;
}

FImage MakeCork(std::uint32_t seed) {
    std::vector<RGB> ramp = {Hex(0x7a4e2a), Hex(0xa6743e), Hex(0xc8985c), Hex(0xb08050)};
    return Render(kSize, kSize, [=](float u, float v) {
        Cell a = Cellular(u, v, 38, 38, seed, 1.0f);
        Cell b = Cellular(u, v, 90, 90, seed + 1, 1.0f);
        float ta = float((a.id >> 8) & 255) / 255.0f, tb = float((b.id >> 8) & 255) / 255.0f;
        RGB c = Ramp(ramp, Clamp01(0.6f * ta + 0.4f * tb));
        float edge = 1 - Smoothstep(0.0f, 0.1f, a.f2 - a.f1);
        c = c * (1 - 0.25f * edge);
        float pore = Smoothstep(0.8f, 0.9f, ValueNoise(u * 110, v * 110, 110, 110, seed + 2));
        c = Mix(c, Hex(0x3a2210), pore * 0.85f);
        return c * (1 + 0.08f * Fbm(u, v, 3, 3, 3, seed + 3));
    });
}

FImage MakePaper(std::uint32_t seed, RGB tint, float fibres, float flecks) {
    auto height = Field(kSize, kSize, [=](float u, float v) {
        float f = 0;
        // Fibres in three directions; rotated coordinates (u + v, v - u) keep the tile periodic.
        f += 1 - std::fabs(GradientNoise(u * 6, v * 90, 6, 90, seed));
        f += 1 - std::fabs(GradientNoise(u * 90, v * 6, 90, 6, seed + 1));
        f += 1 - std::fabs(GradientNoise((u + v) * 8, (v - u) * 70, 8, 70, seed + 2));
        f = std::pow(f / 3, 6.0f);
        return fibres * f + 0.25f * Fbm(u, v, 8, 8, 5, seed + 3) +
               0.08f * GradientNoise(u * 256, v * 256, 256, 256, seed + 4);
    });
    Light L;
    L.strength = 3;
    L.ambient = 0.8f;
    L.diffuse = 0.25f;
    std::vector<float> d;
    ShadeField(height, kSize, kSize, L, d);
    FImage img = Render(kSize, kSize, [=](float u, float v) {
        float tone = 1 + 0.025f * Fbm(u, v, 2, 2, 5, seed + 5);
        RGB c = tint * tone;
        float fleck = Smoothstep(0.86f, 0.93f, ValueNoise(u * 150, v * 150, 150, 150, seed + 6));
        return Mix(c, c * 0.7f, fleck * flecks);
    });
    for (std::size_t i = 0; i < img.px.size(); ++i)
        img.px[i] = img.px[i] * (d[i] / 1.03f);
    return img;
}

FImage MakeVelvet(std::uint32_t seed, RGB dark, RGB bright) {
    return Render(kSize, kSize, [=](float u, float v) {
        float pile = Fbm(u, v, 2, 3, 6, seed);
        float crush = Turbulence(u + 0.1f * pile, v, 3, 2, 5, seed + 1);
        float fine = GradientNoise(u * 256, v * 256, 256, 256, seed + 2);
        float t = Clamp01(0.45f + 0.35f * pile + 0.35f * (crush - 0.35f) + 0.04f * fine);
        return Mix(dark, bright, t * t);
    });
}

// ---------------------------------------------------------------- metals
FImage MakeBrushed(std::uint32_t seed, RGB base, float sheen) {
    return Render(kSize, kSize, [=](float u, float v) {
        float s = 0.5f * GradientNoise(u * 3, v * 180, 3, 180, seed) +
                  0.35f * GradientNoise(u * 6, v * 420, 6, 420, seed + 1) +
                  0.25f * GradientNoise(u * 40, v * 512, 40, 512, seed + 2);
        float band = sheen * std::cos(2 * kPi * (u + 0.05f * Fbm(u, v, 1, 2, 2, seed + 3)));
        float tone = 0.04f * Fbm(u, v, 2, 2, 3, seed + 4);
        return base * (1 + 0.085f * s + band + tone);
    });
}

FImage MakeHammered(std::uint32_t seed, RGB base, RGB sheen, int cells, float patina) {
    auto height = Field(kSize, kSize, [=](float u, float v) {
        float wx = Fbm(u, v, 3, 3, 3, seed + 1) * 0.02f, wy = Fbm(u, v, 3, 3, 3, seed + 2) * 0.02f;
        Cell c = Cellular(u + wx, v + wy, cells, cells, seed, 0.85f);
        return c.f1 * c.f1 + 0.02f * GradientNoise(u * 64, v * 64, 64, 64, seed + 3);
    });
    Light L;
    L.strength = float(kSize) / float(cells) * 1.4f;
    L.ambient = 0.35f;
    L.diffuse = 0.75f;
    L.shininess = 40;
    L.specular = 0.55f;
    std::vector<float> d, s;
    ShadeField(height, kSize, kSize, L, d, &s);
    FImage img = Render(kSize, kSize, [=](float u, float v) {
        RGB c = base * (1 + 0.08f * Fbm(u, v, 3, 3, 4, seed + 4));
        if (patina > 0) {
            float p = Smoothstep(0.3f, 0.8f, Fbm(u, v, 4, 4, 5, seed + 5));
            c = Mix(c, Hex(0x4e9a86), p * patina);
        }
        return c;
    });
    for (std::size_t i = 0; i < img.px.size(); ++i)
        img.px[i] = img.px[i] * d[i] + sheen * s[i];
    return img;
}

FImage MakeLeaf(std::uint32_t seed, std::vector<RGB> ramp, RGB bole, RGB sheen) {
    auto height = Field(kSize, kSize, [=](float u, float v) {
        return Turbulence(u, v, 6, 6, 5, seed) + 0.3f * Fbm(u, v, 24, 24, 3, seed + 1);
    });
    Light L;
    L.strength = 9;
    L.ambient = 0.45f;
    L.diffuse = 0.6f;
    L.shininess = 30;
    L.specular = 0.45f;
    std::vector<float> d, s;
    ShadeField(height, kSize, kSize, L, d, &s);
    FImage img = Render(kSize, kSize, [=](float u, float v) {
        // Square leaves laid in staggered rows, four across and four down.
        int row = int(v * 4);
        float gu = u * 4 + ((row & 1) ? 0.5f : 0.0f);
        int col = int(std::floor(gu));
        float fx = gu - float(col), fy = v * 4 - float(row);
        col = ((col % 4) + 4) % 4;
        float sheet = HashF(col, row, seed + 2) - 0.5f;
        float e = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
        float seam = 1 - Smoothstep(0.0f, 0.012f, e);
        float lip = Smoothstep(0.01f, 0.02f, e) * (1 - Smoothstep(0.02f, 0.05f, e));
        RGB c = Ramp(ramp, Clamp01(0.5f + 0.35f * Fbm(u, v, 3, 3, 4, seed + 3) + 0.25f * sheet));
        c = c * (1 - 0.3f * seam + 0.08f * lip);
        Cell k = Cellular(u, v, 11, 11, seed + 4);
        float crack = (1 - Smoothstep(0.0f, 0.025f, k.f2 - k.f1)) *
                      Smoothstep(0.35f, 0.7f, Fbm(u, v, 3, 3, 4, seed + 5));
        return Mix(c, bole, crack * 0.8f);
    });
    for (std::size_t i = 0; i < img.px.size(); ++i)
        img.px[i] = img.px[i] * d[i] + sheen * s[i];
    return img;
}

FImage MakeRust(std::uint32_t seed) {
    FImage metal = MakeBrushed(seed, Hex(0x8a8c8e), 0.02f);
    std::vector<RGB> rust = {Hex(0x3a1a0c), Hex(0x7a3414), Hex(0xa4521e), Hex(0xc87a38)};
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float u = (float(x) + 0.5f) / kSize, v = (float(y) + 0.5f) / kSize;
            float r = Fbm(u, v, 3, 3, 6, seed + 10);
            float cover = Smoothstep(-0.25f, 0.15f, r);
            float grain = GradientNoise(u * 180, v * 180, 180, 180, seed + 11);
            RGB rc = Ramp(rust, Clamp01(0.5f + 0.5f * Fbm(u, v, 6, 6, 5, seed + 12) + 0.15f * grain));
            float pit = Smoothstep(0.6f, 0.9f, GradientNoise(u * 90, v * 90, 90, 90, seed + 13)) * cover;
            rc = Mix(rc, Hex(0x24100a), pit * 0.8f);
            metal.At(x, y) = Mix(metal.At(x, y), rc, cover);
        }
    return metal;
}

// ---------------------------------------------------------------- stone with bands and flecks
FImage MakeMalachite(std::uint32_t seed) {
    std::vector<RGB> ramp = {Hex(0x0b3a24), Hex(0x11603a), Hex(0x1f8a52), Hex(0x49b27a), Hex(0x1a7046)};
    return Render(kSize, kSize, [=](float u, float v) {
        float wx = Fbm(u, v, 2, 2, 4, seed), wy = Fbm(u, v, 2, 2, 4, seed + 1);
        float n = Fbm(u + 0.3f * wx, v + 0.3f * wy, 2, 2, 5, seed + 2);
        float band = Frac(n * 9.0f);
        float fine = GradientNoise(u * 120, v * 120, 120, 120, seed + 3);
        float t = 0.5f + 0.45f * std::sin(2 * kPi * band) + 0.04f * fine;
        RGB c = Ramp(ramp, Clamp01(t));
        float line = 1 - Smoothstep(0.0f, 0.04f, std::fabs(band - 0.5f));
        return c * (1 - 0.35f * line);
    });
}

FImage MakeLapis(std::uint32_t seed) {
    std::vector<RGB> ramp = {Hex(0x0a1450), Hex(0x16287e), Hex(0x2440a8), Hex(0x3252bc)};
    return Render(kSize, kSize, [=](float u, float v) {
        float wx = Fbm(u, v, 3, 3, 4, seed + 5), wy = Fbm(u, v, 3, 3, 4, seed + 6);
        float n = Fbm(u + 0.1f * wx, v + 0.1f * wy, 4, 4, 6, seed);
        RGB c = Ramp(ramp, Clamp01(0.5f + 0.7f * n));
        // Pale calcite in wispy streaks.
        float s = std::fabs(std::sin(kPi * (u + 2 * v + 1.6f * Fbm(u, v, 3, 3, 6, seed + 1))));
        float calcite = std::pow(1 - s, 6.0f) * Smoothstep(-0.2f, 0.4f, Fbm(u, v, 2, 2, 4, seed + 7));
        c = Mix(c, Hex(0x9aa2c0), calcite * 0.6f);
        // Pyrite: golden specks of varied size, gathered in clusters.
        Cell k = Cellular(u, v, 48, 48, seed + 2);
        float r = 0.06f + 0.18f * float((k.id >> 4) & 255) / 255.0f;
        float cluster = Smoothstep(0.1f, 0.5f, Fbm(u, v, 4, 4, 3, seed + 4));
        float fleck = (1 - Smoothstep(r * 0.7f, r,
                                      k.f1 + 0.05f * GradientNoise(u * 200, v * 200, 200, 200, seed + 3))) *
                      cluster * (((k.id >> 12) % 3) == 0 ? 1.0f : 0.0f);
        RGB gold = Mix(Hex(0xa8842c), Hex(0xf0d890), Clamp01(0.5f - 4 * k.dy));
        return Mix(c, gold, fleck);
    });
}

FImage MakeBirch(std::uint32_t seed) {
    return Render(kSize, kSize, [=](float u, float v) {
        RGB c = Hex(0xece8de) * (1 + 0.05f * Fbm(u, v, 2, 4, 4, seed));
        float peel = Smoothstep(0.5f, 0.8f, Fbm(u, v, 2, 6, 4, seed + 1));
        c = Mix(c, Hex(0xd8b890), peel * 0.5f);
        // Lenticels: short dark dashes across the trunk.
        float len = ValueNoise(u * 10, v * 90, 10, 90, seed + 2);
        float dash = Smoothstep(0.82f, 0.9f, len);
        c = Mix(c, Hex(0x2a2420), dash * 0.9f);
        float patch = Smoothstep(0.55f, 0.7f, Fbm(u, v, 3, 3, 5, seed + 3));
        c = Mix(c, Hex(0x3a3430), patch * 0.85f);
        float fine = GradientNoise(u * 40, v * 400, 40, 400, seed + 4);
        return c * (1 + 0.04f * fine);
    });
}

// ---------------------------------------------------------------- greyscale sources for tinting
FImage MakeStucco(std::uint32_t seed) {
    auto height = Field(kSize, kSize, [=](float u, float v) {
        float f = Fbm(u, v, 4, 4, 6, seed);
        return std::max(f, 0.1f) * 1.2f + 0.1f * GradientNoise(u * 128, v * 128, 128, 128, seed + 1);
    });
    Light L;
    L.strength = 30;
    std::vector<float> d;
    ShadeField(height, kSize, kSize, L, d);
    FImage img(kSize, kSize);
    for (std::size_t i = 0; i < img.px.size(); ++i)
        img.px[i] = RGB{d[i], d[i], d[i]};
    return img;
}

FImage MakeCrackle(std::uint32_t seed) {
    return Render(kSize, kSize, [=](float u, float v) {
        float wx = Fbm(u, v, 4, 4, 3, seed) * 0.015f, wy = Fbm(u, v, 4, 4, 3, seed + 1) * 0.015f;
        Cell a = Cellular(u + wx, v + wy, 14, 14, seed + 2);
        Cell b = Cellular(u + wy, v + wx, 40, 40, seed + 3);
        float crack = 1 - Smoothstep(0.0f, 0.05f, a.f2 - a.f1);
        float crack2 = (1 - Smoothstep(0.0f, 0.06f, b.f2 - b.f1)) * 0.5f;
        float tile =
            0.55f + 0.15f * (float((a.id >> 8) & 255) / 255.0f - 0.5f) + 0.1f * Fbm(u, v, 3, 3, 4, seed + 4);
        float g = tile * (1 - 0.7f * std::max(crack, crack2));
        return RGB{g, g, g};
    });
}

FImage MakeCrumpled(std::uint32_t seed) {
    auto height = Field(kSize, kSize, [=](float u, float v) {
        float h = 0;
        for (int k = 0; k < 3; ++k) {
            int n = 5 << k;
            Cell c = Cellular(u, v, n, n, seed + std::uint32_t(k), 1.0f);
            h += (c.f2 - c.f1) / float(1 << k);
        }
        return h;
    });
    Light L;
    L.strength = 18;
    std::vector<float> d;
    ShadeField(height, kSize, kSize, L, d);
    FImage img(kSize, kSize);
    for (std::size_t i = 0; i < img.px.size(); ++i)
        img.px[i] = RGB{d[i], d[i], d[i]};
    return img;
}

FImage MakeClouds(std::uint32_t seed) {
    return Render(kSize, kSize, [=](float u, float v) {
        float g = 0.5f + 0.4f * Fbm(u, v, 2, 2, 7, seed, 0.55f);
        return RGB{g, g, g};
    });
}

FImage Grey(FImage img, float sd = 0.15f) {
    NormaliseGrey(img, sd);
    return img;
}

void Add(std::vector<Item>& out, std::string path, std::function<FImage()> f, std::uint32_t dither) {
    out.push_back(
        Item{std::move(path), Tiling::Both, [f = std::move(f), dither] { return ToBitmap(f(), dither); }});
}

} // namespace

void AddPlainTextures(std::vector<Item>& out) {
    // NTextures: the "Основные" gallery.
    Wood oak{Hex(0xc9a46c), Hex(0x8e6a3c), Hex(0x4a3218), 13, 0.9f, 0.6f, 0.75f, 0.75f, 0.18f, 0, false, 101};
    Wood walnut{Hex(0x6e4a2e), Hex(0x3a2414), Hex(0x1e120a), 10, 1.0f,  0.4f,
                0.85f,         0.45f,         0.2f,          0,  false, 102};
    Wood cherry{Hex(0xb0663c), Hex(0x8a4426), Hex(0x5a2a16), 12, 0.7f,  0.3f,
                0.55f,         0.15f,         0.12f,         0,  false, 103};
    Wood pine{Hex(0xe4c48c), Hex(0xb07a3c), Hex(0x6a4218), 7, 0.9f, 0.8f, 0.9f, 0.0f, 0.1f, 0, true, 104};
    Wood mahogany{Hex(0x8a3e24), Hex(0x5e2414), Hex(0x3a160c), 16,    0.6f,  0.1f,
                  0.5f,          0.25f,         0.15f,         0.06f, false, 105};
    Wood ebony{Hex(0x3a2e28), Hex(0x141010), Hex(0x0a0808), 20, 0.8f, 0.2f, 0.8f, 0.1f, 0.25f, 0, false, 106};
    Add(
        out, "NTextures/Oak.jpg", [=] { return MakeWood(oak); }, 1);
    Add(
        out, "NTextures/Walnut.jpg", [=] { return MakeWood(walnut); }, 2);
    Add(
        out, "NTextures/Cherry.jpg", [=] { return MakeWood(cherry); }, 3);
    Add(
        out, "NTextures/Pine.jpg", [=] { return MakeWood(pine); }, 4);
    Add(
        out, "NTextures/Mahogany.jpg", [=] { return MakeWood(mahogany); }, 5);
    Add(
        out, "NTextures/Ebony.jpg", [=] { return MakeWood(ebony); }, 6);
    Add(
        out, "NTextures/Burl.jpg",
        [] {
            return MakeBurl(107, {Hex(0x4a2a14), Hex(0x8a5a2c), Hex(0xc08a4a), Hex(0xd8a866)}, Hex(0x2a160a));
        },
        7);
    Add(
        out, "NTextures/MarbleWhite.jpg",
        [] {
            return MakeMarble(Marble{{Hex(0xd6d6d2), Hex(0xeeedea), Hex(0xf8f7f4)},
                                     Hex(0x6a6a70),
                                     Hex(0x9a9aa0),
                                     1,
                                     2,
                                     1.5f,
                                     14,
                                     0.85f,
                                     108});
        },
        8);
    Add(
        out, "NTextures/MarbleGreen.jpg",
        [] {
            return MakeMarble(Marble{{Hex(0x0e2a22), Hex(0x1c4a3a), Hex(0x2c5e4a)},
                                     Hex(0xd8e8dc),
                                     Hex(0x7aa890),
                                     2,
                                     1,
                                     1.8f,
                                     18,
                                     0.9f,
                                     109});
        },
        9);
    Add(
        out, "NTextures/Granite.jpg",
        [] {
            return MakeGranite(110, {Hex(0x1a1a1c), Hex(0x6a6664), Hex(0xc49484), Hex(0xe4ddd6)},
                               {0.22f, 0.25f, 0.3f, 0.23f}, 44);
        },
        10);
    Add(
        out, "NTextures/Slate.jpg", [] { return MakeSlate(111); }, 11);
    Add(
        out, "NTextures/Linen.jpg",
        [] {
            return MakeWeave(
                Weave{64, false, Hex(0xcbb894), Hex(0xc2ae88), Hex(0x6a5a40), 0.35f, 0.1f, 1.0f, 112});
        },
        12);
    Add(
        out, "NTextures/Canvas.jpg",
        [] {
            return MakeWeave(
                Weave{96, false, Hex(0xe8e0cc), Hex(0xe0d8c2), Hex(0x8a8270), 0.12f, 0.04f, 1.0f, 113});
        },
        13);
    Add(
        out, "NTextures/Leather.jpg",
        [] {
            return MakeLeather(114, {Hex(0x3e2012), Hex(0x6a3a1e), Hex(0x8a5028)});
        },
        14);
    Add(
        out, "NTextures/BrushedSteel.jpg", [] { return MakeBrushed(115, Hex(0xb4b8bc), 0.06f); }, 15);
    Add(
        out, "NTextures/HammeredCopper.jpg",
        [] { return MakeHammered(116, Hex(0xb0643a), Hex(0xffd0a8), 11, 0.0f); }, 16);
    Add(
        out, "NTextures/GoldLeaf.jpg",
        [] {
            return MakeLeaf(117, {Hex(0x8a6418), Hex(0xc09a36), Hex(0xe0c060), Hex(0xc8a040)}, Hex(0x7a2a18),
                            Hex(0xfff0c0));
        },
        17);
    Add(
        out, "NTextures/SilverLeaf.jpg",
        [] {
            return MakeLeaf(118, {Hex(0x7a7c80), Hex(0xa8aaae), Hex(0xcfd0d2), Hex(0xb0b2b6)}, Hex(0x3a3430),
                            Hex(0xf4f6ff));
        },
        18);
    Add(
        out, "NTextures/Paper.jpg", [] { return MakePaper(119, Hex(0xf0ebdd), 0.5f, 0.3f); }, 19);
    Add(
        out, "NTextures/Cork.jpg", [] { return MakeCork(120); }, 20);

    // Textures: the picker of the style dialogs.
    Wood rosewood{Hex(0x5a2a22), Hex(0x2a1010), Hex(0x140806), 16, 1.1f,  0.3f,
                  0.9f,          0.2f,          0.3f,          0,  false, 201};
    Add(
        out, "Textures/Malachite.jpg", [] { return MakeMalachite(202); }, 31);
    Add(
        out, "Textures/Lapis.jpg", [] { return MakeLapis(203); }, 32);
    Add(
        out, "Textures/Rosewood.jpg", [=] { return MakeWood(rosewood); }, 33);
    Add(
        out, "Textures/Sandstone.jpg",
        [] {
            return MakeLayeredStone(204, {Hex(0xa8784a), Hex(0xc89a66), Hex(0xe0bc8a), Hex(0xb4845a)}, 6,
                                    0.0f);
        },
        34);
    Add(
        out, "Textures/Travertine.jpg",
        [] {
            return MakeLayeredStone(205, {Hex(0xcbb89a), Hex(0xdccaa8), Hex(0xe8dcc0), Hex(0xd2bea0)}, 4,
                                    0.7f);
        },
        35);
    Add(
        out, "Textures/Rust.jpg", [] { return MakeRust(206); }, 36);
    Add(
        out, "Textures/Terrazzo.jpg", [] { return MakeTerrazzo(207); }, 37);
    Add(
        out, "Textures/Denim.jpg",
        [] {
            return MakeWeave(
                Weave{128, true, Hex(0x2a3e6a), Hex(0xb8bcc4), Hex(0x1a2440), 0.2f, 0.12f, 1.0f, 208});
        },
        38);
    Add(
        out, "Textures/Velvet.jpg", [] { return MakeVelvet(209, Hex(0x3a040c), Hex(0xb0203a)); }, 39);
    Add(
        out, "Textures/Onyx.jpg", [] { return MakeOnyx(210); }, 40);
    Add(
        out, "Textures/BirchBark.jpg", [] { return MakeBirch(211); }, 41);
    Add(
        out, "Textures/Verdigris.jpg",
        [] { return MakeHammered(212, Hex(0x8a5a3a), Hex(0xe0c0a0), 16, 0.75f); }, 42);
    Add(
        out, "Textures/BlackGranite.jpg",
        [] {
            return MakeGranite(213, {Hex(0x0c0c0e), Hex(0x2a2a2e), Hex(0x5a5a60), Hex(0xa0a4ac)},
                               {0.45f, 0.3f, 0.17f, 0.08f}, 52);
        },
        43);
    Add(
        out, "Textures/Parchment.jpg", [] { return MakePaper(214, Hex(0xe2cfa4), 0.8f, 0.6f); }, 44);

    // MTextures: greyscale, centred on mid-grey, for tinting with a colour.
    Add(
        out, "MTextures/Stucco.jpg", [] { return Grey(MakeStucco(301)); }, 51);
    Add(
        out, "MTextures/Crackle.jpg", [] { return Grey(MakeCrackle(302)); }, 52);
    Add(
        out, "MTextures/WoodGrain.jpg",
        [] {
            Wood w{Hex(0xb0b0b0), Hex(0x505050), Hex(0x202020), 9, 1.4f,  0.5f,
                   0.85f,         0.4f,          0.2f,          0, false, 303};
            return Grey(MakeWood(w));
        },
        53);
    Add(
        out, "MTextures/Weave.jpg",
        [] {
            return Grey(MakeWeave(
                Weave{48, false, Hex(0xa0a0a0), Hex(0x909090), Hex(0x303030), 0.3f, 0.1f, 1.2f, 304}));
        },
        54);
    Add(
        out, "MTextures/Marble.jpg",
        [] {
            return Grey(MakeMarble(Marble{{Hex(0x909090), Hex(0xb0b0b0), Hex(0xc8c8c8)},
                                          Hex(0x404040),
                                          Hex(0x606060),
                                          1,
                                          1,
                                          1.6f,
                                          12,
                                          0.9f,
                                          305}),
                        0.13f);
        },
        55);
    Add(
        out, "MTextures/Brushed.jpg", [] { return Grey(MakeBrushed(306, Hex(0x909090), 0.08f), 0.1f); }, 56);
    Add(
        out, "MTextures/Hammered.jpg",
        [] { return Grey(MakeHammered(307, Hex(0x909090), Hex(0xa0a0a0), 13, 0.0f)); }, 57);
    Add(
        out, "MTextures/Crumpled.jpg", [] { return Grey(MakeCrumpled(308)); }, 58);
    Add(
        out, "MTextures/Leather.jpg",
        [] {
            return Grey(MakeLeather(309, {Hex(0x707070), Hex(0x909090), Hex(0xa0a0a0)}));
        },
        59);
    Add(
        out, "MTextures/Clouds.jpg", [] { return Grey(MakeClouds(310), 0.13f); }, 60);
}

} // namespace kv::artgen
