#include "core/parallel.h"

#include <atomic>

namespace kv {

namespace {
std::atomic<int> gMaxThreads{0};
}

int HardwareThreads() {
    int m = gMaxThreads.load(std::memory_order_relaxed);
    if (m > 0) return m;
    unsigned h = std::thread::hardware_concurrency();
    return h == 0 ? 1 : int(h);
}

void SetMaxThreads(int n) { gMaxThreads.store(n < 0 ? 0 : n, std::memory_order_relaxed); }

} // namespace kv
