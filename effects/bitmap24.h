#pragma once
// Bitmap24: the 24-bit working bitmap of the effect routines. Rows run from the top (row 0) down,
// each Width pixels of three bytes in the order blue, green, red, with no padding between rows.
#include "core/bitmap32.h"

#include <cstddef>
#include <cstdint>

namespace kv {

constexpr int ClampByte(long long v) {
    return v < 0 ? 0 : (v > 255 ? 255 : int(v));
}

class Bitmap24 {
  public:
    Bitmap24() = default;
    Bitmap24(int w, int h) { SetSize(w, h); }
    Bitmap24(const Bitmap24& other) { *this = other; }
    Bitmap24& operator=(const Bitmap24& other);
    Bitmap24(Bitmap24&& other) noexcept;
    Bitmap24& operator=(Bitmap24&& other) noexcept;
    ~Bitmap24();

    // A side below 1 makes the bitmap empty. After a size change every byte is 0. Beyond the
    // size limit of TBitmap32: Error "Can't allocate the DIB handle", and the bitmap is empty.
    void SetSize(int w, int h);
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    bool Empty() const { return fBits == nullptr; }
    std::size_t RowBytes() const { return std::size_t(fWidth) * 3; }
    std::size_t ByteCount() const { return RowBytes() * std::size_t(fHeight); }

    std::uint8_t* Bits() { return fBits; }
    const std::uint8_t* Bits() const { return fBits; }
    std::uint8_t* ScanLine(int y) { return fBits + std::size_t(y) * RowBytes(); }
    const std::uint8_t* ScanLine(int y) const { return fBits + std::size_t(y) * RowBytes(); }
    std::uint8_t* PixelPtr(int x, int y) { return ScanLine(y) + std::size_t(x) * 3; }
    const std::uint8_t* PixelPtr(int x, int y) const { return ScanLine(y) + std::size_t(x) * 3; }

    // Whole pixels as opaque TColor32 values (for tests and small callers).
    TColor32 Pixel(int x, int y) const {
        const std::uint8_t* p = PixelPtr(x, y);
        return Color32(p[2], p[1], p[0]);
    }
    void SetPixel(int x, int y, TColor32 c) {
        std::uint8_t* p = PixelPtr(x, y);
        p[0] = std::uint8_t(BlueComponent(c));
        p[1] = std::uint8_t(GreenComponent(c));
        p[2] = std::uint8_t(RedComponent(c));
    }

  private:
    std::uint8_t* fBits = nullptr;
    int fWidth = 0, fHeight = 0;
};

// Copies red, green and blue of every pixel; alpha is dropped. dst takes src's size.
void CopyToBitmap24(const TBitmap32& src, Bitmap24& dst);
// dst takes src's size (keeping its own draw properties); every pixel gets alpha 255.
void CopyFromBitmap24(const Bitmap24& src, TBitmap32& dst);
// As CopyFromBitmap24, but every pixel's alpha is taken from the same place of alphaSource (which
// must have src's size): the layer path that keeps a layer's transparency.
void CopyFromBitmap24KeepAlpha(const Bitmap24& src, TBitmap32& dst, const TBitmap32& alphaSource);

} // namespace kv
