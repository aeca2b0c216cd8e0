#pragma once
// Float RGB working pictures of the generator and the few helpers every texture shares.
#include "core/bitmap32.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kv::artgen {

struct RGB {
    float r = 0, g = 0, b = 0;
};
inline RGB operator+(RGB a, RGB b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline RGB operator-(RGB a, RGB b) {
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}
inline RGB operator*(RGB a, float s) {
    return {a.r * s, a.g * s, a.b * s};
}
inline RGB operator*(RGB a, RGB b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline RGB Mix(RGB a, RGB b, float t) {
    return a + (b - a) * t;
}
// 0xRRGGBB to linear-ish 0..1 channels (the generator works in display values).
inline RGB Hex(std::uint32_t c) {
    return {float((c >> 16) & 255) / 255.0f, float((c >> 8) & 255) / 255.0f, float(c & 255) / 255.0f};
}
inline float Luma(RGB c) {
    return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
}

// A colour ramp through evenly spaced stops, t in [0, 1].
RGB Ramp(const std::vector<RGB>& stops, float t);

struct FImage {
    int w = 0, h = 0;
    std::vector<RGB> px;
    FImage() = default;
    FImage(int w_, int h_) : w(w_), h(h_), px(std::size_t(w_) * std::size_t(h_)) {}
    RGB& At(int x, int y) { return px[std::size_t(y) * std::size_t(w) + std::size_t(x)]; }
    const RGB& At(int x, int y) const { return px[std::size_t(y) * std::size_t(w) + std::size_t(x)]; }
};

// Fills an image by f(u, v) with u = (x + 0.5) / w, v = (y + 0.5) / h.
FImage Render(int w, int h, const std::function<RGB(float u, float v)>& f);
// A scalar field sampled the same way.
std::vector<float> Field(int w, int h, const std::function<float(float u, float v)>& f);

// Lambert shading of a height field (wrapping at the edges so tiles stay seamless): returns per
// pixel the factor ambient + diffuse * max(0, N.L) and, optionally, a Blinn specular term.
struct Light {
    float lx = -0.45f, ly = -0.55f, lz = 0.70f; // towards the light: from the top left
    float ambient = 0.55f, diffuse = 0.55f;
    float strength = 1.0f; // height units per pixel
    float shininess = 0, specular = 0;
};
void ShadeField(const std::vector<float>& height, int w, int h, const Light& L, std::vector<float>& diffuse,
                std::vector<float>* specular = nullptr);

// Rescales a greyscale image so its mean is 0.5 and its spread `sd` (tones for tinting).
void NormaliseGrey(FImage& img, float sd);

// Converts to opaque pixels with a tiny ordered-free dither (from a fixed hash) against banding.
TBitmap32 ToBitmap(const FImage& img, std::uint32_t seed);

} // namespace kv::artgen
