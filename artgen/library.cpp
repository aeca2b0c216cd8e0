#include "artgen/library.h"

#include "core/error.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

namespace kv::artgen {

const std::vector<Item>& Library() {
    static const std::vector<Item> items = [] {
        std::vector<Item> v;
        AddPlainTextures(v);
        AddStripTextures(v);
        AddShapesAndMaps(v);
        return v;
    }();
    return items;
}

codecs::Bytes Encode(const std::string& path, const TBitmap32& bmp) {
    std::string ext = codecs::ExtensionOf(path);
    if (ext == ".jpg") return codecs::EncodeJPEG(bmp, 92);
    if (ext == ".png") return codecs::EncodePNG24(bmp);
    if (ext == ".bmp") return codecs::EncodeBMP24(bmp);
    throw Error("artgen: no encoder for " + path);
}

codecs::Bytes RenderItem(const Item& item) {
    return Encode(item.path, item.make());
}

int GenerateLibrary(const std::string& outDir, int threads) {
    namespace fs = std::filesystem;
    const auto& items = Library();
    for (const Item& it : items)
        fs::create_directories((fs::path(outDir) / it.path).parent_path());
    if (threads <= 0) threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto worker = [&] {
        for (;;) {
            std::size_t i = next.fetch_add(1);
            if (i >= items.size()) return;
            try {
                codecs::Bytes bytes = RenderItem(items[i]);
                codecs::WriteWholeFile((fs::path(outDir) / items[i].path).string(), bytes.data(),
                                       bytes.size());
            } catch (...) {
                std::lock_guard<std::mutex> g(failureLock);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
    if (failure) std::rethrow_exception(failure);
    return int(items.size());
}

SeamMeasure MeasureSeams(const TBitmap32& bmp) {
    auto diff = [](TColor32 a, TColor32 b) {
        return std::abs(RedComponent(a) - RedComponent(b)) + std::abs(GreenComponent(a) - GreenComponent(b)) +
               std::abs(BlueComponent(a) - BlueComponent(b));
    };
    // Per pair of neighbouring lines k, k+1 (k = n-1 pairs the last line with the first).
    auto measure = [&](int n, int len, auto pixel, double& wrap, double& mean, double& high) {
        std::vector<double> pairs(std::size_t(n), 0.0);
        for (int k = 0; k < n; ++k) {
            double sum = 0;
            for (int i = 0; i < len; ++i)
                sum += diff(pixel(k, i), pixel((k + 1) % n, i));
            pairs[std::size_t(k)] = sum / len;
        }
        wrap = pairs.back();
        pairs.pop_back();
        double total = 0;
        for (double d : pairs)
            total += d;
        mean = total / double(pairs.size());
        std::sort(pairs.begin(), pairs.end());
        high = pairs[std::size_t(double(pairs.size() - 1) * 0.98)];
    };
    SeamMeasure m{0, 0, 0, 0, 0, 0};
    const int w = bmp.Width(), h = bmp.Height();
    if (w < 3 || h < 3) return m;
    measure(
        w, h, [&](int k, int i) { return bmp.Pixel(k, i); }, m.wrapX, m.innerX, m.highX);
    measure(
        h, w, [&](int k, int i) { return bmp.Pixel(i, k); }, m.wrapY, m.innerY, m.highY);
    return m;
}

} // namespace kv::artgen
