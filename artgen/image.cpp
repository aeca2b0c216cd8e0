#include "artgen/image.h"

#include "artgen/noise.h"

#include <algorithm>
#include <cmath>

namespace kv::artgen {

RGB Ramp(const std::vector<RGB>& stops, float t) {
    if (stops.empty()) return {};
    if (stops.size() == 1) return stops[0];
    t = Clamp01(t) * float(stops.size() - 1);
    std::size_t i = std::min(std::size_t(t), stops.size() - 2);
    return Mix(stops[i], stops[i + 1], t - float(i));
}

FImage Render(int w, int h, const std::function<RGB(float, float)>& f) {
    FImage img(w, h);
    for (int y = 0; y < h; ++y) {
        float v = (float(y) + 0.5f) / float(h);
        for (int x = 0; x < w; ++x)
            img.At(x, y) = f((float(x) + 0.5f) / float(w), v);
    }
    return img;
}

std::vector<float> Field(int w, int h, const std::function<float(float, float)>& f) {
    std::vector<float> out(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        float v = (float(y) + 0.5f) / float(h);
        for (int x = 0; x < w; ++x)
            out[std::size_t(y) * std::size_t(w) + std::size_t(x)] = f((float(x) + 0.5f) / float(w), v);
    }
    return out;
}

void ShadeField(const std::vector<float>& height, int w, int h, const Light& L, std::vector<float>& diffuse,
                std::vector<float>* specular) {
    diffuse.assign(height.size(), 0.0f);
    if (specular) specular->assign(height.size(), 0.0f);
    float ll = std::sqrt(L.lx * L.lx + L.ly * L.ly + L.lz * L.lz);
    float lx = L.lx / ll, ly = L.ly / ll, lz = L.lz / ll;
    // Half vector between the light and a viewer straight above.
    float hx = lx, hy = ly, hz = lz + 1.0f;
    float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    hx /= hl, hy /= hl, hz /= hl;
    auto H = [&](int x, int y) {
        x = (x % w + w) % w;
        y = (y % h + h) % h;
        return height[std::size_t(y) * std::size_t(w) + std::size_t(x)];
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float dx = (H(x + 1, y) - H(x - 1, y)) * 0.5f * L.strength;
            float dy = (H(x, y + 1) - H(x, y - 1)) * 0.5f * L.strength;
            float nx = -dx, ny = -dy, nz = 1.0f;
            float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= nl, ny /= nl, nz /= nl;
            float d = std::max(0.0f, nx * lx + ny * ly + nz * lz);
            std::size_t i = std::size_t(y) * std::size_t(w) + std::size_t(x);
            diffuse[i] = L.ambient + L.diffuse * d;
            if (specular && L.shininess > 0) {
                float s = std::max(0.0f, nx * hx + ny * hy + nz * hz);
                (*specular)[i] = L.specular * std::pow(s, L.shininess);
            }
        }
}

void NormaliseGrey(FImage& img, float sd) {
    double sum = 0, sum2 = 0;
    for (const RGB& c : img.px) {
        double l = Luma(c);
        sum += l;
        sum2 += l * l;
    }
    double n = double(img.px.size());
    double mean = sum / n, var = std::max(1e-9, sum2 / n - mean * mean);
    float k = float(sd / std::sqrt(var));
    for (RGB& c : img.px) {
        float l = 0.5f + (Luma(c) - float(mean)) * k;
        c = {l, l, l};
    }
}

TBitmap32 ToBitmap(const FImage& img, std::uint32_t seed) {
    TBitmap32 bmp(img.w, img.h);
    for (int y = 0; y < img.h; ++y) {
        TColor32* row = bmp.ScanLine(y);
        for (int x = 0; x < img.w; ++x) {
            const RGB& c = img.At(x, y);
            // Triangular dither of about one level, periodic with the picture because it hashes x, y.
            float d = HashF(x, y, seed) + HashF(x, y, seed ^ 0x9e3779b9u) - 1.0f;
            auto q = [d](float v) {
                return std::clamp(int(std::floor(v * 255.0f + 0.5f + d * 0.5f)), 0, 255);
            };
            row[x] = Color32(q(c.r), q(c.g), q(c.b));
        }
    }
    return bmp;
}

} // namespace kv::artgen
