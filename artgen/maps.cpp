// The shading maps of the compositor and the photo-shape masks of the mat. Maps are greyscale:
// dark where the effect (shadow, glare) is strong, white where there is none. Masks are white
// where the photo shows and black where the mat shows. Neither is tiled; both are stretched.
#include "artgen/library.h"
#include "artgen/noise.h"

#include <algorithm>
#include <cmath>

namespace kv::artgen {
namespace {

constexpr int kMapSize = 512;
constexpr int kMaskW = 1024, kMaskH = 768;

// Exact grey levels (no dither): masks must reach pure white and pure black.
TBitmap32 GreyBitmap(int w, int h, const std::function<float(float x, float y)>& f) {
    TBitmap32 bmp(w, h);
    for (int y = 0; y < h; ++y) {
        TColor32* row = bmp.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            int g = std::clamp(int(std::floor(f(float(x) + 0.5f, float(y) + 0.5f) * 255.0f + 0.5f)), 0, 255);
            row[x] = Gray32(g);
        }
    }
    return bmp;
}

// Soft fall-off from an edge at distance d (fraction of the side): 1 at the edge, 0 beyond w.
float Falloff(float d, float w, float power) {
    return std::pow(1 - Smoothstep(0.0f, w, d), power);
}

TBitmap32 ShadowMap() {
    return GreyBitmap(kMapSize, kMapSize, [](float x, float y) {
        float u = x / kMapSize, v = y / kMapSize;
        // The frame's top and left lips cast a shadow that is deepest right under the lip.
        float sTop = 0.85f * Falloff(v, 0.075f, 1.7f) + 0.15f * Falloff(v, 0.16f, 2.0f);
        float sLeft = 0.85f * Falloff(u, 0.06f, 1.7f) + 0.15f * Falloff(u, 0.13f, 2.0f);
        float s = 1 - (1 - sTop) * (1 - sLeft);
        return 1 - 0.8f * s;
    });
}

TBitmap32 GlareMap() {
    return GreyBitmap(kMapSize, kMapSize, [](float x, float y) {
        float u = x / kMapSize, v = y / kMapSize;
        // Light from the top left catches the inner bevels of the bottom and right sides most.
        auto band = [](float d) {
            return 0.75f * Falloff(d, 0.022f, 1.5f) + 0.25f * Falloff(d, 0.07f, 2.0f);
        };
        float s = std::max({0.9f * band(1 - v), 0.8f * band(1 - u), 0.4f * band(v), 0.35f * band(u)});
        return 1 - 0.75f * s;
    });
}

float BoxSdf(float px, float py, float hx, float hy) {
    float dx = std::fabs(px) - hx, dy = std::fabs(py) - hy;
    float ox = std::max(dx, 0.0f), oy = std::max(dy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(dx, dy), 0.0f);
}
float CircleSdf(float px, float py, float cx, float cy, float r) {
    return std::hypot(px - cx, py - cy) - r;
}
float SmoothMin(float a, float b, float k) {
    float h = Clamp01(0.5f + 0.5f * (b - a) / k);
    return Lerp(b, a, h) - k * h * (1 - h);
}
float EdgeAA(float sd) {
    return Clamp01(0.5f - sd);
} // sd in pixels, negative inside

TBitmap32 BlurredRectMask() {
    return GreyBitmap(kMaskW, kMaskH, [](float x, float y) {
        float u = x / kMaskW, v = y / kMaskH;
        auto edge = [](float d) { return Smoothstep(0.03f, 0.15f, d); };
        return edge(u) * edge(1 - u) * edge(v) * edge(1 - v);
    });
}

TBitmap32 RoundRectMask() {
    return GreyBitmap(kMaskW, kMaskH, [](float x, float y) {
        const float r = 96;
        float sd =
            BoxSdf(x - kMaskW / 2.0f, y - kMaskH / 2.0f, kMaskW / 2.0f - 30 - r, kMaskH / 2.0f - 30 - r) - r;
        return EdgeAA(sd);
    });
}

TBitmap32 OvalMask() {
    return GreyBitmap(kMaskW, kMaskH, [](float x, float y) {
        float a = kMaskW / 2.0f - 26, b = kMaskH / 2.0f - 26;
        float px = x - kMaskW / 2.0f, py = y - kMaskH / 2.0f;
        float k0 = std::hypot(px / a, py / b), k1 = std::hypot(px / (a * a), py / (b * b));
        float sd = k1 > 0 ? k0 * (k0 - 1) / k1 : -b;
        return EdgeAA(sd);
    });
}

// An ornamental cartouche: a panel with concave quarter-round corners, round lobes in the middle
// of every side and small notches beside the lobes.
TBitmap32 ComplexMask() {
    return GreyBitmap(kMaskW, kMaskH, [](float x, float y) {
        const float cx = kMaskW / 2.0f, cy = kMaskH / 2.0f;
        const float hx = cx - 78, hy = cy - 74;
        float px = x - cx, py = y - cy;
        float sd = BoxSdf(px, py, hx, hy);
        // Concave corners.
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sy = -1; sy <= 1; sy += 2)
                sd = std::max(sd, -CircleSdf(px, py, float(sx) * hx, float(sy) * hy, 92));
        // Lobes on the sides, joined smoothly.
        sd = SmoothMin(sd, CircleSdf(px, py, 0, -hy, 62), 24);
        sd = SmoothMin(sd, CircleSdf(px, py, 0, hy, 62), 24);
        sd = SmoothMin(sd, CircleSdf(px, py, -hx, 0, 56), 24);
        sd = SmoothMin(sd, CircleSdf(px, py, hx, 0, 56), 24);
        // Notches flanking the lobes.
        for (int s = -1; s <= 1; s += 2) {
            sd = std::max(sd, -CircleSdf(px, py, float(s) * 120, -hy - 8, 30));
            sd = std::max(sd, -CircleSdf(px, py, float(s) * 120, hy + 8, 30));
            sd = std::max(sd, -CircleSdf(px, py, -hx - 8, float(s) * 105, 28));
            sd = std::max(sd, -CircleSdf(px, py, hx + 8, float(s) * 105, 28));
        }
        return EdgeAA(sd);
    });
}

// A mosaic edge: square tiles whose brightness fades from the photo into the mat, with a little
// randomness per tile and thin joints between the tiles of the fading band.
TBitmap32 MosaicMask() {
    return GreyBitmap(kMaskW, kMaskH, [](float x, float y) {
        const float cell = 24;
        int ix = int(x / cell), iy = int(y / cell);
        float cxp = (float(ix) + 0.5f) * cell, cyp = (float(iy) + 0.5f) * cell;
        float d = std::min(std::min(cxp, kMaskW - cxp), std::min(cyp, kMaskH - cyp));
        float t = (d - 20) / 170;
        if (t >= 1) return 1.0f;
        if (t <= 0) return 0.0f;
        float g = Clamp01(t * 1.25f - 0.1f + (HashF(ix, iy, 907) - 0.5f) * 0.55f);
        float fx = x - float(ix) * cell, fy = y - float(iy) * cell;
        // Joints show only between tiles that already let the mat through.
        bool joint = (fx < 2 || fy < 2) && g < 0.85f;
        return joint ? g * 0.45f : g;
    });
}

} // namespace

void AddShapesAndMaps(std::vector<Item>& out) {
    out.push_back(Item{"SHADOWG.bmp", Tiling::None, ShadowMap});
    out.push_back(Item{"BLIKG.bmp", Tiling::None, GlareMap});
    out.push_back(Item{"M11.jpg", Tiling::None, BlurredRectMask});
    out.push_back(Item{"RoundRect.png", Tiling::None, RoundRectMask});
    out.push_back(Item{"Oval.png", Tiling::None, OvalMask});
    out.push_back(Item{"Complex.png", Tiling::None, ComplexMask});
    out.push_back(Item{"Gradient.png", Tiling::None, MosaicMask});
}

} // namespace kv::artgen
