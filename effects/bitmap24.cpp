#include "effects/bitmap24.h"

#include "core/error.h"
#include "core/parallel.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace kv {

namespace {

// Big blocks are mapped 2 MiB-aligned and advised for huge pages, as TBitmap32 does: the first
// touch of a 72 MB working bitmap then costs a few faults instead of one per 4 KiB page.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kMapThreshold = std::size_t(1) << 20;
constexpr std::size_t kParallelPixels = std::size_t(1) << 19;

std::size_t MappedLength(std::size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

std::uint8_t* AllocZeroed(std::size_t bytes) {
    if (bytes < kMapThreshold) return static_cast<std::uint8_t*>(std::calloc(bytes, 1));
    const std::size_t len = MappedLength(bytes), span = len + kHugePage;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (begin + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    const std::size_t head = aligned - begin, tail = span - head - len;
    if (head) munmap(raw, head);
    if (tail) munmap(reinterpret_cast<void*>(aligned + len), tail);
    void* p = reinterpret_cast<void*>(aligned);
    madvise(p, len, MADV_HUGEPAGE);
    return static_cast<std::uint8_t*>(p);
}

void FreeBlock(std::uint8_t* p, std::size_t bytes) {
    if (!p) return;
    if (bytes >= kMapThreshold)
        munmap(p, MappedLength(bytes));
    else
        std::free(p);
}

#define KV_CLONES __attribute__((target_clones("avx2", "default")))

KV_CLONES void RowTo24(const TColor32* __restrict s, std::uint8_t* __restrict d, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const TColor32 c = s[i];
        d[3 * i] = std::uint8_t(c);
        d[3 * i + 1] = std::uint8_t(c >> 8);
        d[3 * i + 2] = std::uint8_t(c >> 16);
    }
}

KV_CLONES void RowFrom24(const std::uint8_t* __restrict s, TColor32* __restrict d, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        d[i] =
            0xFF000000u | (TColor32(s[3 * i + 2]) << 16) | (TColor32(s[3 * i + 1]) << 8) | TColor32(s[3 * i]);
}

KV_CLONES void RowFrom24Alpha(const std::uint8_t* __restrict s, TColor32* d, const TColor32* a,
                              std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        d[i] = (a[i] & 0xFF000000u) | (TColor32(s[3 * i + 2]) << 16) | (TColor32(s[3 * i + 1]) << 8) |
               TColor32(s[3 * i]);
}

} // namespace

Bitmap24& Bitmap24::operator=(const Bitmap24& other) {
    if (this == &other) return *this;
    SetSize(other.fWidth, other.fHeight);
    if (fBits) std::memcpy(fBits, other.fBits, ByteCount());
    return *this;
}

Bitmap24::Bitmap24(Bitmap24&& o) noexcept : fBits(o.fBits), fWidth(o.fWidth), fHeight(o.fHeight) {
    o.fBits = nullptr;
    o.fWidth = o.fHeight = 0;
}

Bitmap24& Bitmap24::operator=(Bitmap24&& o) noexcept {
    if (this == &o) return *this;
    FreeBlock(fBits, ByteCount());
    fBits = std::exchange(o.fBits, nullptr);
    fWidth = std::exchange(o.fWidth, 0);
    fHeight = std::exchange(o.fHeight, 0);
    return *this;
}

Bitmap24::~Bitmap24() {
    FreeBlock(fBits, ByteCount());
}

void Bitmap24::SetSize(int w, int h) {
    if (w < 1 || h < 1) w = h = 0;
    if (fBits && w == fWidth && h == fHeight) {
        std::memset(fBits, 0, ByteCount());
        return;
    }
    FreeBlock(fBits, ByteCount());
    fBits = nullptr;
    fWidth = fHeight = 0;
    if (w == 0) return;
    if (!SizeWithinLimit(w, h)) throw Error("Can't allocate the DIB handle");
    std::uint8_t* p = AllocZeroed(std::size_t(w) * std::size_t(h) * 3);
    if (!p) throw Error("Can't allocate the DIB handle");
    fBits = p;
    fWidth = w;
    fHeight = h;
}

void CopyToBitmap24(const TBitmap32& src, Bitmap24& dst) {
    if (dst.Width() != src.Width() || dst.Height() != src.Height() || src.Empty())
        dst.SetSize(src.Width(), src.Height());
    if (dst.Empty()) return;
    const std::size_t w = std::size_t(src.Width());
    ParallelRows(
        src.Height(), w,
        [&](int b, int e) { RowTo24(src.ScanLine(b), dst.ScanLine(b), std::size_t(e - b) * w); },
        kParallelPixels);
}

void CopyFromBitmap24(const Bitmap24& src, TBitmap32& dst) {
    if (dst.Width() != src.Width() || dst.Height() != src.Height()) dst.SetSize(src.Width(), src.Height());
    if (!src.Empty()) {
        const std::size_t w = std::size_t(src.Width());
        ParallelRows(
            src.Height(), w,
            [&](int b, int e) { RowFrom24(src.ScanLine(b), dst.ScanLine(b), std::size_t(e - b) * w); },
            kParallelPixels);
    }
    dst.Changed();
}

void CopyFromBitmap24KeepAlpha(const Bitmap24& src, TBitmap32& dst, const TBitmap32& alphaSource) {
    if (alphaSource.Width() != src.Width() || alphaSource.Height() != src.Height())
        throw Error("The alpha source differs in size from the working bitmap");
    if (&dst != &alphaSource && (dst.Width() != src.Width() || dst.Height() != src.Height()))
        dst.SetSize(src.Width(), src.Height());
    if (!src.Empty()) {
        const std::size_t w = std::size_t(src.Width());
        ParallelRows(
            src.Height(), w,
            [&](int b, int e) {
                RowFrom24Alpha(src.ScanLine(b), dst.ScanLine(b), alphaSource.ScanLine(b),
                               std::size_t(e - b) * w);
            },
            kParallelPixels);
    }
    dst.Changed();
}

} // namespace kv
