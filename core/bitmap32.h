#pragma once
// TBitmap32: a rectangle of ARGB pixels in one contiguous block, with the properties that decide how
// it is drawn onto another bitmap. Copies are always deep.
#include "core/color32.h"
#include "core/geometry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

enum TDrawMode { dmOpaque = 0, dmBlend = 1 };
enum TStretchFilter { sfNearest = 0, sfLinear = 1, sfLinear2 = 2, sfSpline = 3 };

// Largest bitmap the system allocates: each side at most 32767, at most 2^27 pixels in all.
constexpr int kMaxBitmapSide = 32767;
constexpr long long kMaxBitmapPixels = 1LL << 27;
bool SizeWithinLimit(long long w, long long h);
// Throws "Can't allocate the DIB handle" when w x h is beyond the limit (w, h > 0).
void CheckBitmapSize(long long w, long long h);

class TBitmap32 {
public:
    TBitmap32() = default;
    TBitmap32(int w, int h) { SetSize(w, h); }
    TBitmap32(const TBitmap32& other) { Assign(other); }
    TBitmap32& operator=(const TBitmap32& other) {
        if (this != &other) Assign(other);
        return *this;
    }
    TBitmap32(TBitmap32&& other) noexcept;
    TBitmap32& operator=(TBitmap32&& other) noexcept; // takes the pixels and properties, notifies
    ~TBitmap32();

    // Size. A side below 1 is stored as 0 and frees the pixels. After every size change all
    // pixels are 0. Beyond the size limit or out of memory: Error "Can't allocate the DIB handle",
    // and the bitmap is empty.
    void SetSize(int w, int h);
    void SetWidth(int w) { SetSize(w, fHeight); }
    void SetHeight(int h) { SetSize(fWidth, h); }
    void Delete() { SetSize(0, 0); }
    bool Empty() const { return fBits == nullptr || fWidth == 0 || fHeight == 0; }
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    TRect BoundsRect() const { return TRect{0, 0, fWidth, fHeight}; }

    // Deep copy: size, every pixel and DrawMode, MasterAlpha, OuterColor, StretchFilter.
    void Assign(const TBitmap32& src);
    // Exchange everything with another bitmap (pixels, size, properties); both notify.
    void Swap(TBitmap32& other);

    // Properties (setting a property to its current value notifies nothing).
    TDrawMode DrawMode() const { return fDrawMode; }
    void SetDrawMode(TDrawMode m);
    int MasterAlpha() const { return fMasterAlpha; }
    void SetMasterAlpha(int a);
    TColor32 OuterColor() const { return fOuterColor; }
    void SetOuterColor(TColor32 c);
    TStretchFilter StretchFilter() const { return fStretchFilter; }
    void SetStretchFilter(TStretchFilter f);
    TColor32 PenColor() const { return fPenColor; }
    void SetPenColor(TColor32 c) { fPenColor = c; }

    // Change notification: every operation that alters pixels, size or a property notifies once.
    using ChangeHandler = std::function<void()>;
    int Subscribe(ChangeHandler h);
    void Unsubscribe(int id);
    void Changed();
    // Batch several operations into one notification (nested calls allowed).
    void BeginUpdate() { ++fUpdateCount; }
    void EndUpdate();

    // Pixel access. Unchecked: 0 <= x < Width, 0 <= y < Height.
    TColor32 Pixel(int x, int y) const { return fBits[std::size_t(y) * std::size_t(fWidth) + std::size_t(x)]; }
    void SetPixel(int x, int y, TColor32 c) { fBits[std::size_t(y) * std::size_t(fWidth) + std::size_t(x)] = c; }
    TColor32 PixelS(int x, int y) const;            // OuterColor outside
    void SetPixelS(int x, int y, TColor32 c);        // ignored outside
    TColor32* Bits() { return fBits; }
    const TColor32* Bits() const { return fBits; }
    TColor32* ScanLine(int y) { return fBits + std::size_t(y) * std::size_t(fWidth); }
    const TColor32* ScanLine(int y) const { return fBits + std::size_t(y) * std::size_t(fWidth); }
    TColor32* PixelPtr(int x, int y) { return ScanLine(y) + x; }
    std::size_t PixelCount() const { return std::size_t(fWidth) * std::size_t(fHeight); }

    // Filling and simple drawing.
    void Clear(TColor32 c = clBlack32);
    void FillRect(int x1, int y1, int x2, int y2, TColor32 c);  // unchecked, copies
    void FillRectS(int x1, int y1, int x2, int y2, TColor32 c); // clipped
    void ResetAlpha(int a = 255);
    void HorzLineTS(int x1, int y, int x2, TColor32 c); // blended, clipped, x1..x2 inclusive
    void VertLineTS(int x, int y1, int y2, TColor32 c); // blended, clipped, y1..y2 inclusive
    void RaiseRectTS(int x1, int y1, int x2, int y2, int contrast);
    void MoveToF(float x, float y);
    void LineToFS(float x, float y); // antialiased line in PenColor; pen moves to (x, y)

    // Transfers; all do nothing when source or destination is empty and use this bitmap's
    // DrawMode, MasterAlpha and StretchFilter.
    void DrawTo(TBitmap32& dst, int x, int y) const;
    void DrawTo(TBitmap32& dst) const { DrawTo(dst, 0, 0); }
    void DrawTo(TBitmap32& dst, const TRect& dstRect) const;
    void DrawTo(TBitmap32& dst, const TRect& dstRect, const TRect& srcRect) const; // "Source rectangle is invalid"
    void Draw(int x, int y, const TBitmap32* src) {
        if (src) src->DrawTo(*this, x, y);
    }

    // Files and streams. Saving writes the 32-bit BMP stream; loading from a file decodes by the
    // file name's extension; loading from a stream reads a BMP file image. On failure the error of
    // the decoder is thrown and the bitmap keeps its previous content.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    void SaveToStream(std::ostream& s) const;
    void LoadFromStream(std::istream& s);

private:
    void FreeBits();
    void Notify();

    TColor32* fBits = nullptr;
    int fWidth = 0, fHeight = 0;
    std::size_t fAllocBytes = 0;
    TDrawMode fDrawMode = dmOpaque;
    int fMasterAlpha = 255;
    TColor32 fOuterColor = 0;
    TStretchFilter fStretchFilter = sfNearest;
    TColor32 fPenColor = clWhite32;
    float fPenX = 0, fPenY = 0;
    int fUpdateCount = 0;
    bool fPendingChange = false;
    struct Observer {
        int id;
        ChangeHandler fn;
    };
    std::vector<Observer> fObservers;
    int fNextObserverId = 1;
};

// Stretch transfer of src's srcRect into dst's dstRect (clipped to dst), by src's StretchFilter,
// DrawMode and MasterAlpha. Equal sizes at a whole position are a block transfer.
void StretchTransfer(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect);
// Block transfer of the whole of src with its top-left corner at (x, y).
void BlockTransfer(TBitmap32& dst, int x, int y, const TBitmap32& src);
// Block transfer of srcRect of src to (x, y) of dst, clipped against both.
void BlockTransfer(TBitmap32& dst, int x, int y, const TBitmap32& src, const TRect& srcRect);

// Whole-bitmap filters: dst takes src's size. Null arguments: "The source is nil" / "Destination is nil".
void ColorToGrayscale(TBitmap32* dst, const TBitmap32* src);
void IntensityToAlpha(TBitmap32* dst, const TBitmap32* src);
void AlphaToGrayscale(TBitmap32* dst, const TBitmap32* src);
void InvertRGB(TBitmap32* dst, const TBitmap32* src);

// Shared helpers on colour channels (alpha unchanged); a = 0 does nothing.
void Brighten(TBitmap32& picture, int a);
void Contrast(TBitmap32& picture, int a);

} // namespace kv
