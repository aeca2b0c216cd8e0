#pragma once
#include <cmath>

namespace kv {

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool operator==(const TRect&) const = default;
};

struct TFloatRect {
    float Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr float Width() const { return Right - Left; }
    constexpr float Height() const { return Bottom - Top; }
    constexpr bool operator==(const TFloatRect&) const = default;
};

struct TPoint {
    int X = 0, Y = 0;
    constexpr bool operator==(const TPoint&) const = default;
};

constexpr TRect MakeRect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }

// Intersection; empty (all zero) when the rectangles do not overlap.
inline TRect IntersectRect(const TRect& a, const TRect& b) {
    TRect r{a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
            a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
    if (r.IsEmpty()) return TRect{};
    return r;
}

} // namespace kv
