#pragma once
// Affine transformation of points and of bitmaps.
#include "core/bitmap32.h"
#include "core/geometry.h"

namespace kv {

// A 2-D affine map x' = A x + B y + C, y' = D x + E y + F. Steps are appended in call order: each
// new step is applied after the steps already in the matrix.
class TAffineTransformation {
public:
    TAffineTransformation() { Clear(); }

    // The real rectangle of the source bitmap the transformation reads from.
    TFloatRect SrcRect;

    void Clear(); // identity
    void Translate(double dx, double dy);
    void Scale(double sx, double sy);
    void Skew(double fx, double fy);
    // Rotation by alpha degrees (x' = x cos + y sin, y' = -x sin + y cos) about (cx, cy).
    void Rotate(double cx, double cy, double alpha);

    // Forward mapping of one point.
    void Transform(double x, double y, double& outX, double& outY) const;
    // Bounding box of SrcRect's four transformed corners.
    TFloatRect GetTransformedBounds() const;

    // Matrix coefficients (x' = A x + B y + C, y' = D x + E y + F).
    double A = 1, B = 0, C = 0, D = 0, E = 1, F = 0;

private:
    void Append(double a, double b, double c, double d, double e, double f);
};

// Draws src through t into dst (by src's StretchFilter, DrawMode and MasterAlpha).
void Transform(TBitmap32& dst, const TBitmap32& src, TAffineTransformation& t);
// Alpha 0 on the pixels of rect's four edges (rows Top and Bottom - 1, columns Left and Right - 1)
// that lie inside the bitmap; colours kept.
void SetBorderTransparent(TBitmap32& bitmap, const TRect& rect);

} // namespace kv
