#pragma once
// One ARGB pixel and the pure colour helpers on it.
#include <cstdint>

namespace kv {

using TColor32 = std::uint32_t; // alpha 31-24, red 23-16, green 15-8, blue 7-0; straight (not premultiplied)
using TWinColor = std::uint32_t; // Windows colour value 0x00BBGGRR

constexpr TColor32 clBlack32 = 0xFF000000u;
constexpr TColor32 clWhite32 = 0xFFFFFFFFu;
constexpr TColor32 clTransparent32 = 0x00000000u;
constexpr TColor32 clGray32 = 0xFF808080u;

constexpr TColor32 Color32(int r, int g, int b, int a = 255) {
    return (TColor32(a & 255) << 24) | (TColor32(r & 255) << 16) | (TColor32(g & 255) << 8) | TColor32(b & 255);
}
constexpr int RedComponent(TColor32 c) { return int((c >> 16) & 255); }
constexpr int GreenComponent(TColor32 c) { return int((c >> 8) & 255); }
constexpr int BlueComponent(TColor32 c) { return int(c & 255); }
constexpr int AlphaComponent(TColor32 c) { return int(c >> 24); }
constexpr int Intensity(TColor32 c) {
    return (61 * RedComponent(c) + 174 * GreenComponent(c) + 21 * BlueComponent(c)) >> 8;
}
constexpr TColor32 Gray32(int intensity, int alpha = 255) {
    return (TColor32(alpha & 255) << 24) | (TColor32(intensity & 255) * 0x010101u);
}
constexpr int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
constexpr TColor32 SetAlpha(TColor32 c, int a) { return (c & 0x00FFFFFFu) | (TColor32(Clamp(a)) << 24); }

// Windows colour 0x00BBGGRR to an opaque pixel and back (alpha dropped). The high byte of a
// Windows value (system-colour index) is ignored: named system colours are resolved by the platform.
constexpr TColor32 Color32FromWinColor(TWinColor w) {
    return 0xFF000000u | ((w & 0xFFu) << 16) | (w & 0xFF00u) | ((w >> 16) & 0xFFu);
}
constexpr TWinColor WinColor(TColor32 c) {
    return TWinColor(RedComponent(c)) | (TWinColor(GreenComponent(c)) << 8) | (TWinColor(BlueComponent(c)) << 16);
}

// Hue, saturation and lightness, each 0..1.
void RGBtoHSL(TColor32 c, float& h, float& s, float& l);
TColor32 HSLtoRGB(float h, float s, float l);

// Round half to even, the rounding the system uses wherever it says "round".
long long RoundHalfEven(double v);
inline int RoundI(double v) { return int(RoundHalfEven(v)); }

// Exact product a*b/c rounded half away from zero (the MulDiv of the Windows API); c = 0 gives -1.
int MulDiv(long long a, long long b, long long c);

} // namespace kv
