#include "core/color32.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv {

long long RoundHalfEven(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kMax = 9.2233720368547748e18; // 2^63, the first value past long long
    if (v >= kMax) return std::numeric_limits<long long>::max();
    if (v <= -kMax) return std::numeric_limits<long long>::min();
    // Independent of the floating-point rounding mode: v - floor(v) is exact for every double.
    double f = std::floor(v);
    double d = v - f;
    if (d > 0.5 || (d == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
    return static_cast<long long>(f);
}

int MulDiv(long long a, long long b, long long c) {
    if (c == 0) return -1;
    __int128 p = static_cast<__int128>(a) * b;
    __int128 d = c;
    if (d < 0) {
        p = -p;
        d = -d;
    }
    // Half away from zero, as the Windows API does; results outside the int range give -1 like it.
    __int128 q = p >= 0 ? (p + d / 2) / d : (p - d / 2) / d;
    if (q > 2147483647 || q < -2147483647) return -1;
    return static_cast<int>(q);
}

void RGBtoHSL(TColor32 c, float& h, float& s, float& l) {
    const float r = RedComponent(c) / 255.0f, g = GreenComponent(c) / 255.0f, b = BlueComponent(c) / 255.0f;
    const float mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
    l = (mx + mn) / 2.0f;
    if (mx == mn) {
        h = 0.0f;
        s = 0.0f;
        return;
    }
    const float d = mx - mn;
    s = l < 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
    if (mx == r)
        h = (g - b) / d;
    else if (mx == g)
        h = (b - r) / d + 2.0f;
    else
        h = (r - g) / d + 4.0f;
    h /= 6.0f;
    if (h < 0.0f) h += 1.0f;
}

namespace {

float HueToValue(float m1, float m2, float h) {
    if (h < 0.0f) h += 1.0f;
    if (h > 1.0f) h -= 1.0f;
    if (6.0f * h < 1.0f) return m1 + (m2 - m1) * h * 6.0f;
    if (2.0f * h < 1.0f) return m2;
    if (3.0f * h < 2.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
    return m1;
}

int ToByte(float v) {
    return Clamp(RoundI(static_cast<double>(v) * 255.0));
}

} // namespace

TColor32 HSLtoRGB(float h, float s, float l) {
    if (s == 0.0f) {
        const int grey = ToByte(l);
        return Color32(grey, grey, grey, 255);
    }
    const float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float m1 = 2.0f * l - m2;
    return Color32(ToByte(HueToValue(m1, m2, h + 1.0f / 3.0f)), ToByte(HueToValue(m1, m2, h)),
                   ToByte(HueToValue(m1, m2, h - 1.0f / 3.0f)), 255);
}

} // namespace kv
