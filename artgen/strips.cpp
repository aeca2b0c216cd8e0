// Strip mouldings for the mitred frame: a square tile whose top row is the outer edge of the
// moulding and whose bottom row meets the photo. Each tile is a height profile across the
// moulding (bead, cove, ogee, scoop, reeds, pearls, rope...) lit from the outer edge and covered
// with a finish; everything along the moulding wraps so the tile repeats seamlessly.
#include "artgen/library.h"
#include "artgen/materials.h"
#include "artgen/noise.h"

#include <algorithm>
#include <cmath>

namespace kv::artgen {
namespace {

constexpr int kTile = 256;
constexpr float kPi = 3.14159265358979f;

enum class Shape { Flat, Bead, Cove, Ogee, Scoop, Reeds, Pearls, Rope };

struct Seg {
    float y0, y1; // span across the moulding, 0 = outer edge, 1 = photo edge
    Shape shape;
    float h0, h1;  // base height at both ends of the span (tile units)
    float amp = 0; // height of the bead, depth of the cove, ...
    int mat = 0;   // finish index
    int count = 0; // reeds across the span, pearls or rope twists along the tile
};

enum class Kind { Wood, Metal, Paint };
struct Finish {
    Kind kind = Kind::Paint;
    RGB base;
    RGB sheen{1, 1, 1};
    float shininess = 20, specular = 0.2f;
    Wood wood{};
    float rub = 0; // worn highlights showing the ground (gilding over red bole)
    RGB ground{};
    float brush = 0; // brushed streaks along the moulding
    std::uint32_t seed = 1;
};

struct Strip {
    const char* name;
    std::vector<Seg> segs;
    std::vector<Finish> finishes;
    float depth = 0.55f; // height to pixel slope scale
};

float SegHeight(const Seg& s, float u, float t) {
    float base = Lerp(s.h0, s.h1, t);
    float arc = std::sqrt(std::max(0.0f, 1 - (2 * t - 1) * (2 * t - 1)));
    switch (s.shape) {
    case Shape::Flat:
        return base;
    case Shape::Bead:
        return base + s.amp * arc;
    case Shape::Cove:
        return base - s.amp * arc;
    case Shape::Ogee:
        return s.h0 + (s.h1 - s.h0) * (0.5f - 0.5f * std::cos(kPi * t)) + s.amp * std::sin(2 * kPi * t);
    case Shape::Scoop:
        return base - s.amp * std::sin(kPi * t);
    case Shape::Reeds: {
        float r = Frac(t * float(s.count));
        return base + s.amp * std::sqrt(std::max(0.0f, 1 - (2 * r - 1) * (2 * r - 1)));
    }
    case Shape::Pearls: {
        float cx = Frac(u * float(s.count)) - 0.5f;
        float spanPx = (s.y1 - s.y0) * kTile, cellPx = float(kTile) / float(s.count);
        float dx = cx * 2 * cellPx / spanPx, dy = 2 * t - 1;
        float d2 = (dx * dx + dy * dy) / 0.8f;
        return base + (d2 < 1 ? s.amp * std::sqrt(1 - d2) : -0.02f);
    }
    case Shape::Rope: {
        float phase = Frac(u * float(s.count) + t * 0.9f);
        float strand = std::sqrt(std::max(0.0f, 1 - (2 * phase - 1) * (2 * phase - 1)));
        return base + s.amp * arc * (0.55f + 0.45f * strand);
    }
    }
    return base;
}

TBitmap32 MakeStrip(const Strip& st, std::uint32_t dither) {
    const int n = kTile;
    std::vector<float> height(std::size_t(n) * n);
    std::vector<int> matOf(std::size_t(n) * n);
    for (int y = 0; y < n; ++y) {
        float v = (float(y) + 0.5f) / float(n);
        const Seg* seg = &st.segs.back();
        for (const Seg& s : st.segs)
            if (v >= s.y0 && v < s.y1) {
                seg = &s;
                break;
            }
        float t = (v - seg->y0) / (seg->y1 - seg->y0);
        for (int x = 0; x < n; ++x) {
            float u = (float(x) + 0.5f) / float(n);
            std::size_t i = std::size_t(y) * n + std::size_t(x);
            height[i] = SegHeight(*seg, u, t);
            matOf[i] = seg->mat;
        }
    }
    // Light from the outer edge, slightly from the left, viewer straight above.
    float lx = -0.2f, ly = -0.62f, lz = 0.76f;
    float ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    lx /= ll, ly /= ll, lz /= ll;
    float hx = lx, hy = ly, hz = lz + 1;
    float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    hx /= hl, hy /= hl, hz /= hl;
    auto H = [&](int x, int y) {
        x = (x % n + n) % n;
        y = std::clamp(y, 0, n - 1);
        return height[std::size_t(y) * n + std::size_t(x)];
    };
    FImage img(n, n);
    const float scale = st.depth * float(n);
    for (int y = 0; y < n; ++y) {
        float v = (float(y) + 0.5f) / float(n);
        for (int x = 0; x < n; ++x) {
            float u = (float(x) + 0.5f) / float(n);
            std::size_t i = std::size_t(y) * n + std::size_t(x);
            const Finish& f = st.finishes[std::size_t(matOf[i])];
            // Surface micro-relief of the finish.
            float micro = f.kind == Kind::Metal ? 0.0007f * GradientNoise(u * 4, v * 160, 4, 160, f.seed + 1)
                                                : 0.0004f * GradientNoise(u * 24, v * 24, 24, 24, f.seed + 2);
            float dx = (H(x + 1, y) - H(x - 1, y)) * 0.5f * scale;
            float dy = (H(x, y + 1) - H(x, y - 1)) * 0.5f * scale + micro * scale;
            float nx = -dx, ny = -dy, nz = 1;
            float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= nl, ny /= nl, nz /= nl;
            float diff = std::max(0.0f, nx * lx + ny * ly + nz * lz);
            float sheen = std::pow(std::max(0.0f, nx * hx + ny * hy + nz * hz), f.shininess) * f.specular;
            // Occlusion: darker where the surface lies below its surroundings across the moulding.
            float around = 0;
            for (int k = -8; k <= 8; k += 2)
                around += H(x, y + k);
            around /= 9;
            float ao = 1 - std::clamp((around - height[i]) * 9.0f, 0.0f, 0.45f);
            RGB base;
            if (f.kind == Kind::Wood) {
                base = WoodAt(f.wood, u, v);
            } else {
                base = f.base * (1 + 0.05f * Fbm(u, v, 2, 3, 4, f.seed + 3));
                if (f.brush > 0)
                    base = base * (1 + f.brush * GradientNoise(u * 3, v * 160, 3, 160, f.seed + 4));
            }
            if (f.rub > 0) {
                float worn =
                    Smoothstep(0.25f, 0.6f, Fbm(u, v, 4, 6, 5, f.seed + 5)) * Smoothstep(0.3f, 0.9f, diff);
                base = Mix(base, f.ground, worn * f.rub);
            }
            RGB c;
            if (f.kind == Kind::Metal)
                c = base * (0.28f + 0.95f * diff) + f.sheen * sheen;
            else
                c = base * (0.45f + 0.7f * diff) + f.sheen * sheen;
            c = c * ao;
            // Dark hairlines where the moulding meets the wall and where it meets the photo.
            if (y == 0 || y == n - 1)
                c = c * 0.55f;
            else if (y == 1 || y == n - 2)
                c = c * 0.8f;
            img.At(x, y) = c;
        }
    }
    return ToBitmap(img, dither);
}

Finish WoodFinish(Wood w, float specular = 0.12f) {
    Finish f;
    f.kind = Kind::Wood;
    f.wood = w;
    f.specular = specular;
    f.shininess = 30;
    f.sheen = {1, 0.95f, 0.85f};
    f.seed = w.seed;
    return f;
}
Finish Metal(RGB base, RGB sheen, float shininess, float specular, std::uint32_t seed, float brush = 0) {
    Finish f;
    f.kind = Kind::Metal;
    f.base = base;
    f.sheen = sheen;
    f.shininess = shininess;
    f.specular = specular;
    f.brush = brush;
    f.seed = seed;
    return f;
}
Finish Paint(RGB base, float specular, std::uint32_t seed) {
    Finish f;
    f.kind = Kind::Paint;
    f.base = base;
    f.specular = specular;
    f.shininess = 40;
    f.seed = seed;
    return f;
}

} // namespace

void AddStripTextures(std::vector<Item>& out) {
    const Wood walnut{Hex(0x6e4a2e), Hex(0x3a2414), Hex(0x1e120a), 12, 0.15f, 0.0f, 0.8f, 0.3f, 0.2f, 0, false, 401};
    const Wood oak{Hex(0xc09a62), Hex(0x8a6436), Hex(0x4a3218), 14, 0.15f, 0.0f, 0.7f, 0.6f, 0.2f, 0, false, 402};
    const Wood cherry{Hex(0xa85e36), Hex(0x7e3e22), Hex(0x5a2a16), 12, 0.15f, 0.0f, 0.5f, 0.1f, 0.15f, 0, false, 403};
    const Wood ebony{Hex(0x2e2420), Hex(0x100c0a), Hex(0x080606), 18, 0.15f, 0.0f, 0.8f, 0.05f, 0.25f, 0, false, 404};
    const Wood pine{Hex(0xdcb880), Hex(0xa87236), Hex(0x6a4218), 8, 0.15f, 0.0f, 0.85f, 0.0f, 0.12f, 0, false, 405};
    const Wood mahogany{Hex(0x7e3620), Hex(0x561f12), Hex(0x3a160c), 16, 0.15f, 0.0f, 0.5f, 0.2f, 0.15f, 0.05f, false, 406};
    const Finish gold = Metal(Hex(0xb8892e), Hex(0xfff0b0), 26, 0.7f, 411);
    const Finish silver = Metal(Hex(0xa8acb2), Hex(0xffffff), 30, 0.7f, 412);
    const Finish bronze = Metal(Hex(0x8a5e2e), Hex(0xffd8a0), 22, 0.55f, 413);
    const Finish pewter = Metal(Hex(0x8c9094), Hex(0xe8ecf0), 16, 0.35f, 414, 0.06f);
    Finish antique = Metal(Hex(0xa8782a), Hex(0xffe8a0), 20, 0.55f, 415);
    antique.rub = 0.45f;
    antique.ground = Hex(0x6a2a16);
    Finish agedWhite = Paint(Hex(0xece6d8), 0.12f, 416);
    agedWhite.rub = 0.35f;
    agedWhite.ground = Hex(0x9a8a70);
    Finish rusticPine = WoodFinish(pine, 0.06f);
    rusticPine.rub = 0.3f;
    rusticPine.ground = Hex(0x5a3a1a);

    std::vector<Strip> strips = {
        {"WalnutOgee",
         {{0.0f, 0.07f, Shape::Bead, 0.42f, 0.42f, 0.05f, 0},
          {0.07f, 0.62f, Shape::Ogee, 0.42f, 0.14f, 0.03f, 0},
          {0.62f, 0.86f, Shape::Flat, 0.14f, 0.12f, 0, 0},
          {0.86f, 0.95f, Shape::Bead, 0.12f, 0.12f, 0.04f, 1},
          {0.95f, 1.0f, Shape::Flat, 0.08f, 0.06f, 0, 0}},
         {WoodFinish(walnut), gold}},
        {"GoldCovePearls",
         {{0.0f, 0.09f, Shape::Bead, 0.45f, 0.45f, 0.05f, 0},
          {0.09f, 0.14f, Shape::Flat, 0.42f, 0.42f, 0, 0},
          {0.14f, 0.62f, Shape::Cove, 0.42f, 0.24f, 0.14f, 0},
          {0.62f, 0.67f, Shape::Flat, 0.24f, 0.24f, 0, 0},
          {0.67f, 0.84f, Shape::Pearls, 0.22f, 0.22f, 0.07f, 0, 9},
          {0.84f, 1.0f, Shape::Ogee, 0.22f, 0.08f, 0.02f, 0}},
         {gold}},
        {"BlackGoldLip",
         {{0.0f, 0.06f, Shape::Bead, 0.4f, 0.4f, 0.04f, 0},
          {0.06f, 0.78f, Shape::Scoop, 0.4f, 0.34f, 0.03f, 0},
          {0.78f, 0.83f, Shape::Flat, 0.3f, 0.3f, 0, 0},
          {0.83f, 0.95f, Shape::Bead, 0.26f, 0.26f, 0.05f, 1},
          {0.95f, 1.0f, Shape::Flat, 0.2f, 0.2f, 0, 0}},
         {Paint(Hex(0x16161a), 0.5f, 421), gold}},
        {"OakBead",
         {{0.0f, 0.3f, Shape::Bead, 0.3f, 0.3f, 0.13f, 0},
          {0.3f, 0.36f, Shape::Cove, 0.28f, 0.28f, 0.04f, 0},
          {0.36f, 0.9f, Shape::Scoop, 0.28f, 0.18f, 0.06f, 0},
          {0.9f, 1.0f, Shape::Flat, 0.16f, 0.08f, 0, 0}},
         {WoodFinish(oak)}},
        {"SilverRope",
         {{0.0f, 0.1f, Shape::Flat, 0.3f, 0.44f, 0, 0},
          {0.1f, 0.32f, Shape::Rope, 0.44f, 0.44f, 0.1f, 0, 7},
          {0.32f, 0.8f, Shape::Cove, 0.42f, 0.2f, 0.1f, 0},
          {0.8f, 1.0f, Shape::Bead, 0.18f, 0.14f, 0.05f, 0}},
         {silver}},
        {"CherryStep",
         {{0.0f, 0.16f, Shape::Bead, 0.46f, 0.46f, 0.04f, 0},
          {0.16f, 0.2f, Shape::Flat, 0.46f, 0.38f, 0, 0},
          {0.2f, 0.42f, Shape::Flat, 0.38f, 0.37f, 0, 0},
          {0.42f, 0.46f, Shape::Flat, 0.37f, 0.28f, 0, 0},
          {0.46f, 0.7f, Shape::Flat, 0.28f, 0.27f, 0, 0},
          {0.7f, 0.74f, Shape::Flat, 0.27f, 0.18f, 0, 0},
          {0.74f, 1.0f, Shape::Scoop, 0.18f, 0.12f, 0.03f, 0}},
         {WoodFinish(cherry, 0.18f)}},
        {"WhiteGoldLip",
         {{0.0f, 0.08f, Shape::Bead, 0.44f, 0.44f, 0.05f, 0},
          {0.08f, 0.66f, Shape::Ogee, 0.44f, 0.18f, 0.04f, 0},
          {0.66f, 0.88f, Shape::Flat, 0.18f, 0.16f, 0, 0},
          {0.88f, 1.0f, Shape::Bead, 0.14f, 0.1f, 0.05f, 1}},
         {agedWhite, gold}},
        {"BronzeReeded",
         {{0.0f, 0.1f, Shape::Bead, 0.42f, 0.42f, 0.05f, 0},
          {0.1f, 0.68f, Shape::Reeds, 0.4f, 0.3f, 0.035f, 0, 6},
          {0.68f, 1.0f, Shape::Cove, 0.3f, 0.1f, 0.08f, 0}},
         {bronze}},
        {"EbonyCoveSilver",
         {{0.0f, 0.12f, Shape::Bead, 0.45f, 0.45f, 0.06f, 0},
          {0.12f, 0.78f, Shape::Cove, 0.45f, 0.2f, 0.22f, 0},
          {0.78f, 0.9f, Shape::Flat, 0.2f, 0.19f, 0, 0},
          {0.9f, 1.0f, Shape::Bead, 0.16f, 0.12f, 0.04f, 1}},
         {WoodFinish(ebony, 0.25f), silver}},
        {"PineRustic",
         {{0.0f, 0.12f, Shape::Bead, 0.3f, 0.3f, 0.06f, 0},
          {0.12f, 0.88f, Shape::Scoop, 0.32f, 0.28f, 0.05f, 0},
          {0.88f, 1.0f, Shape::Bead, 0.24f, 0.2f, 0.04f, 0}},
         {rusticPine}},
        {"AntiqueGoldOrnate",
         {{0.0f, 0.12f, Shape::Rope, 0.44f, 0.44f, 0.06f, 0, 10},
          {0.12f, 0.4f, Shape::Ogee, 0.44f, 0.3f, 0.03f, 0},
          {0.4f, 0.56f, Shape::Pearls, 0.3f, 0.3f, 0.06f, 0, 10},
          {0.56f, 0.88f, Shape::Cove, 0.3f, 0.16f, 0.09f, 0},
          {0.88f, 1.0f, Shape::Bead, 0.14f, 0.12f, 0.04f, 0}},
         {antique}},
        {"PewterBrushed",
         {{0.0f, 0.1f, Shape::Bead, 0.36f, 0.36f, 0.04f, 0},
          {0.1f, 0.86f, Shape::Scoop, 0.36f, 0.24f, -0.07f, 0},
          {0.86f, 0.9f, Shape::Flat, 0.2f, 0.2f, 0, 0},
          {0.9f, 1.0f, Shape::Flat, 0.14f, 0.12f, 0, 0}},
         {pewter}},
        {"MahoganyGoldBead",
         {{0.0f, 0.08f, Shape::Bead, 0.4f, 0.4f, 0.04f, 0},
          {0.08f, 0.2f, Shape::Bead, 0.38f, 0.38f, 0.05f, 1},
          {0.2f, 0.86f, Shape::Ogee, 0.36f, 0.14f, -0.03f, 0},
          {0.86f, 1.0f, Shape::Cove, 0.14f, 0.08f, 0.03f, 0}},
         {WoodFinish(mahogany, 0.2f), gold}},
    };
    std::uint32_t k = 0;
    for (const Strip& s : strips) {
        ++k;
        out.push_back(Item{std::string("STextures/") + s.name + ".jpg", Tiling::Horizontal,
                           [s, k] { return MakeStrip(s, 700 + k); }});
    }
}

} // namespace kv::artgen
