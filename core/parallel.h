#pragma once
// The one way pixel loops use several cores: rows [0, rows) are split into contiguous bands, each
// handled by fn(rowBegin, rowEnd) on its own thread. Bands are only formed when each gets at least
// minPixelsPerThread pixels of work, so small bitmaps stay on the calling thread. fn must give the
// same bits however the rows are split (no shared state, no random source).
#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace kv {

int HardwareThreads();
// Overrides the number of threads ParallelRows may use (0 = the hardware's); used by tools and benches.
void SetMaxThreads(int n);

template <class Fn>
void ParallelRows(int rows, std::size_t pixelsPerRow, Fn&& fn, std::size_t minPixelsPerThread = 1u << 18) {
    if (rows <= 0) return;
    std::size_t total = std::size_t(rows) * std::max<std::size_t>(pixelsPerRow, 1);
    int threads = int(std::min<std::size_t>(std::size_t(HardwareThreads()), total / minPixelsPerThread));
    threads = std::min(threads, rows);
    if (threads <= 1) {
        fn(0, rows);
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(std::size_t(threads - 1));
    for (int t = 1; t < threads; ++t) {
        int b = int((long long)rows * t / threads), e = int((long long)rows * (t + 1) / threads);
        pool.emplace_back([&fn, b, e] { fn(b, e); });
    }
    fn(0, int((long long)rows / threads));
    for (auto& th : pool) th.join();
}

} // namespace kv
