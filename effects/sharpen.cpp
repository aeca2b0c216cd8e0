#include "effects/sharpen.h"

#include "core/error.h"
#include "core/parallel.h"

#include <cstring>

namespace kv {

namespace {

#define KV_CLONES __attribute__((target_clones("avx2", "default")))

// One inner row, bytes [3, 3(W-1)); every read comes from the source rows. Products stay below
// 2^31 for 1 < alpha < 6, so 32-bit lanes hold them.
KV_CLONES void SharpenRow(const std::uint8_t* __restrict up, const std::uint8_t* __restrict cur,
                          const std::uint8_t* __restrict lo, std::uint8_t* __restrict out, std::size_t end,
                          int A, int B) {
    for (std::size_t i = 3; i < end; ++i) {
        const int c = cur[i];
        const int s = up[i] + cur[i - 3] + c + cur[i + 3] + lo[i];
        const int v = ((c * A + 32767) >> 16) - ((s * B + 32767) >> 16);
        out[i] = std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

} // namespace

void Sharpen3x3(const Bitmap24& src, Bitmap24& dst, double alpha) {
    const int W = src.Width(), H = src.Height();
    if (W < 3 || H < 3) throw Error("Bitmap must be at least 3x3");
    if (!(alpha > 1 && alpha < 6)) throw Error("Alpha must be >1 and <6");
    const int A = int(RoundHalfEven(alpha * 65536));
    const float b = float((alpha - 1) / 5);
    const int B = int(RoundHalfEven(double(b) * 65536));
    if (&src == &dst) {
        const Bitmap24 copy(src);
        Sharpen3x3(copy, dst, alpha);
        return;
    }
    if (dst.Width() != W || dst.Height() != H) dst.SetSize(W, H);
    const std::size_t rowBytes = src.RowBytes();
    std::memcpy(dst.ScanLine(0), src.ScanLine(0), rowBytes);
    std::memcpy(dst.ScanLine(H - 1), src.ScanLine(H - 1), rowBytes);
    ParallelRows(
        H - 2, std::size_t(W),
        [&](int b0, int e0) {
            for (int y = b0 + 1; y < e0 + 1; ++y) {
                const std::uint8_t* cur = src.ScanLine(y);
                std::uint8_t* out = dst.ScanLine(y);
                std::memcpy(out, cur, 3);
                std::memcpy(out + rowBytes - 3, cur + rowBytes - 3, 3);
                SharpenRow(src.ScanLine(y - 1), cur, src.ScanLine(y + 1), out, rowBytes - 3, A, B);
            }
        },
        std::size_t(1) << 18);
}

} // namespace kv
