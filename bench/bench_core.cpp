// Speed of the raster core on photo-sized pictures. Every fixture is made once from a real photo
// (the corpus's 2048x1536 JPEG upscaled with sfLinear2), so the pixel loops see realistic data;
// the blend fixtures carry an alpha gradient that covers every alpha value.
//
// Each benchmark runs with threads:1 (kv::SetMaxThreads(1), the default comparison) and threads:0
// (every hardware thread; the routines that use ParallelRows spread their rows).
// Run: build/bin/kv_bench [--benchmark_filter=Stretch]
#include "core/bitmap32.h"
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/parallel.h"
#include "core/transform.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace kv;

// The corpus photo beside the repository (the sample photo of data/ when the corpus is absent);
// KV_BENCH_PHOTO in the environment names another.
const TBitmap32& Photo() {
    static const TBitmap32 photo = [] {
        namespace fs = std::filesystem;
        const char* env = std::getenv("KV_BENCH_PHOTO");
        fs::path repo = fs::path(__FILE__).parent_path().parent_path();
        fs::path path = repo / "../shared/corpus/photos/UNIS_EV0.jpg";
        if (env && *env)
            path = env;
        else if (!fs::exists(path))
            path = repo / "data/coffee.png";
        return codecs::LoadPicture(path.string());
    }();
    return photo;
}

// The photo resampled to w x h (sfLinear2), made once per size.
const TBitmap32& PhotoAt(int w, int h) {
    static std::map<std::pair<int, int>, std::unique_ptr<TBitmap32>> cache;
    auto& slot = cache[{w, h}];
    if (!slot) {
        SetMaxThreads(0);
        TBitmap32 src = Photo();
        src.SetStretchFilter(sfLinear2);
        slot = std::make_unique<TBitmap32>(w, h);
        src.DrawTo(*slot, slot->BoundsRect());
    }
    return *slot;
}

// The photo with a diagonal alpha ramp 0..255 (plus a fine ripple so every alpha value occurs).
const TBitmap32& PhotoWithAlpha(int w, int h) {
    static std::map<std::pair<int, int>, std::unique_ptr<TBitmap32>> cache;
    auto& slot = cache[{w, h}];
    if (!slot) {
        slot = std::make_unique<TBitmap32>(PhotoAt(w, h));
        for (int y = 0; y < h; ++y) {
            TColor32* row = slot->ScanLine(y);
            for (int x = 0; x < w; ++x) {
                int a = int((long long)(x + y) * 255 / (w + h - 2));
                a = Clamp(a + ((x * 7 + y * 3) & 15) - 8);
                row[x] = SetAlpha(row[x], a);
            }
        }
    }
    return *slot;
}

constexpr int k24W = 6000, k24H = 4000; // 24 MP
constexpr int kSmallW = 2000, kSmallH = 1333;
constexpr int kCodecW = 3000, kCodecH = 2000; // 6 MP for the codecs

void Threads(benchmark::State& state) {
    SetMaxThreads(int(state.range(0)));
}

void ThreadArgs(benchmark::internal::Benchmark* b) {
    b->ArgName("threads")->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);
}

// A destination that was written once, so page faults are not measured.
TBitmap32 Touched(int w, int h, TColor32 c = 0xFF204060u) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

void SetBytes(benchmark::State& state, std::size_t bytesPerIteration) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytesPerIteration));
}

// The anchor: copying the 96 MB of a 24 MP bitmap.
void BM_Memcpy24MP(benchmark::State& state) {
    Threads(state);
    const TBitmap32& src = PhotoAt(k24W, k24H);
    TBitmap32 dst = Touched(k24W, k24H);
    for (auto _ : state) {
        ParallelRows(k24H, k24W, [&](int y0, int y1) {
            std::memcpy(dst.ScanLine(y0), src.ScanLine(y0), std::size_t(y1 - y0) * k24W * sizeof(TColor32));
        });
        benchmark::DoNotOptimize(dst.Bits());
        benchmark::ClobberMemory();
    }
    SetBytes(state, src.PixelCount() * sizeof(TColor32));
}
BENCHMARK(BM_Memcpy24MP)->Apply(ThreadArgs);

// Row routines over 24 MP: Blend (by the pixel's alpha), Blend with master alpha 128, Combine W=128.
enum RowOp { kBlend, kBlendEx, kCombine };
template <RowOp op> void BM_Rows24MP(benchmark::State& state) {
    Threads(state);
    const TBitmap32& src = PhotoWithAlpha(k24W, k24H);
    TBitmap32 dst = Touched(k24W, k24H);
    for (auto _ : state) {
        ParallelRows(k24H, k24W, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                if constexpr (op == kBlend) BlendLine(src.ScanLine(y), dst.ScanLine(y), k24W);
                if constexpr (op == kBlendEx) BlendLineEx(src.ScanLine(y), dst.ScanLine(y), k24W, 128);
                if constexpr (op == kCombine) CombineLine(src.ScanLine(y), dst.ScanLine(y), k24W, 128);
            }
        });
        benchmark::DoNotOptimize(dst.Bits());
        benchmark::ClobberMemory();
    }
    SetBytes(state, src.PixelCount() * sizeof(TColor32));
}
BENCHMARK(BM_Rows24MP<kBlend>)->Name("BM_BlendLine24MP")->Apply(ThreadArgs);
BENCHMARK(BM_Rows24MP<kBlendEx>)->Name("BM_BlendLineEx128_24MP")->Apply(ThreadArgs);
BENCHMARK(BM_Rows24MP<kCombine>)->Name("BM_CombineLine128_24MP")->Apply(ThreadArgs);

// Block transfer of a whole 24 MP bitmap: dmOpaque, dmBlend with MasterAlpha 255 and 128.
void BM_BlockTransfer24MP(benchmark::State& state, TDrawMode mode, int masterAlpha) {
    Threads(state);
    TBitmap32 src = PhotoWithAlpha(k24W, k24H);
    src.SetDrawMode(mode);
    src.SetMasterAlpha(masterAlpha);
    TBitmap32 dst = Touched(k24W, k24H);
    for (auto _ : state) {
        src.DrawTo(dst, 0, 0);
        benchmark::DoNotOptimize(dst.Bits());
        benchmark::ClobberMemory();
    }
    SetBytes(state, src.PixelCount() * sizeof(TColor32));
}
BENCHMARK_CAPTURE(BM_BlockTransfer24MP, Opaque, dmOpaque, 255)->Apply(ThreadArgs);
BENCHMARK_CAPTURE(BM_BlockTransfer24MP, Blend255, dmBlend, 255)->Apply(ThreadArgs);
BENCHMARK_CAPTURE(BM_BlockTransfer24MP, Blend128, dmBlend, 128)->Apply(ThreadArgs);

// Stretch transfer (dmOpaque) of a whole picture into a whole destination, as the image-size
// command and korvalis-batch --resize do. Bytes are the source's.
void BM_Stretch(benchmark::State& state, TStretchFilter filter, int sw, int sh, int dw, int dh) {
    Threads(state);
    TBitmap32 src = PhotoAt(sw, sh);
    src.SetStretchFilter(filter);
    TBitmap32 dst = Touched(dw, dh);
    for (auto _ : state) {
        src.DrawTo(dst, dst.BoundsRect());
        benchmark::DoNotOptimize(dst.Bits());
        benchmark::ClobberMemory();
    }
    SetBytes(state, src.PixelCount() * sizeof(TColor32));
    state.counters["dst_MP/s"] = benchmark::Counter(
        double(dst.PixelCount()) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}
#define KV_STRETCH_PAIR(name, filter)                                                                        \
    BENCHMARK_CAPTURE(BM_Stretch, name##_24MP_to_25pct, filter, k24W, k24H, k24W / 4, k24H / 4)              \
        ->Apply(ThreadArgs);                                                                                 \
    BENCHMARK_CAPTURE(BM_Stretch, name##_2000x1333_to_200pct, filter, kSmallW, kSmallH, kSmallW * 2,         \
                      kSmallH * 2)                                                                           \
        ->Apply(ThreadArgs)
KV_STRETCH_PAIR(Nearest, sfNearest);
KV_STRETCH_PAIR(Linear, sfLinear);
KV_STRETCH_PAIR(Linear2, sfLinear2);
KV_STRETCH_PAIR(Spline, sfSpline);

// Affine transform: rotation by 30 degrees about the centre, sfLinear, into a destination that holds
// the whole rotated picture.
void BM_TransformRotate30(benchmark::State& state) {
    Threads(state);
    TBitmap32 src = PhotoAt(kSmallW, kSmallH);
    src.SetStretchFilter(sfLinear);
    TAffineTransformation t;
    t.SrcRect = TFloatRect{0, 0, float(kSmallW), float(kSmallH)};
    t.Rotate(kSmallW / 2.0, kSmallH / 2.0, 30);
    TFloatRect bounds = t.GetTransformedBounds();
    t.Translate(-bounds.Left, -bounds.Top);
    TBitmap32 dst = Touched(int(bounds.Width()) + 1, int(bounds.Height()) + 1);
    for (auto _ : state) {
        Transform(dst, src, t);
        benchmark::DoNotOptimize(dst.Bits());
        benchmark::ClobberMemory();
    }
    SetBytes(state, src.PixelCount() * sizeof(TColor32));
}
BENCHMARK(BM_TransformRotate30)->Apply(ThreadArgs);

// Codecs on a 6 MP photo, in memory (no file system). Bytes are the picture's 32-bit pixels.
const codecs::Bytes& EncodedJPEG() {
    static const codecs::Bytes b = codecs::EncodeJPEG(PhotoAt(kCodecW, kCodecH), 92);
    return b;
}
const codecs::Bytes& EncodedPNG() {
    static const codecs::Bytes b = codecs::EncodePNG24(PhotoAt(kCodecW, kCodecH));
    return b;
}

void BM_JPEGEncode6MP(benchmark::State& state) {
    Threads(state);
    const TBitmap32& src = PhotoAt(kCodecW, kCodecH);
    for (auto _ : state)
        benchmark::DoNotOptimize(codecs::EncodeJPEG(src, 92));
    SetBytes(state, src.PixelCount() * sizeof(TColor32));
}
void BM_JPEGDecode6MP(benchmark::State& state) {
    Threads(state);
    const codecs::Bytes& data = EncodedJPEG();
    for (auto _ : state)
        benchmark::DoNotOptimize(codecs::DecodeJPEG(data.data(), data.size(), "bench.jpg"));
    SetBytes(state, std::size_t(kCodecW) * kCodecH * sizeof(TColor32));
}
void BM_PNGEncode6MP(benchmark::State& state) {
    Threads(state);
    const TBitmap32& src = PhotoAt(kCodecW, kCodecH);
    for (auto _ : state)
        benchmark::DoNotOptimize(codecs::EncodePNG24(src));
    SetBytes(state, src.PixelCount() * sizeof(TColor32));
}
void BM_PNGDecode6MP(benchmark::State& state) {
    Threads(state);
    const codecs::Bytes& data = EncodedPNG();
    for (auto _ : state)
        benchmark::DoNotOptimize(codecs::DecodePNG(data.data(), data.size(), "bench.png"));
    SetBytes(state, std::size_t(kCodecW) * kCodecH * sizeof(TColor32));
}
// The codecs are single-threaded libraries: one thread only.
void CodecArgs(benchmark::internal::Benchmark* b) {
    b->ArgName("threads")->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_JPEGEncode6MP)->Apply(CodecArgs);
BENCHMARK(BM_JPEGDecode6MP)->Apply(CodecArgs);
BENCHMARK(BM_PNGEncode6MP)->Apply(CodecArgs);
BENCHMARK(BM_PNGDecode6MP)->Apply(CodecArgs);

} // namespace
