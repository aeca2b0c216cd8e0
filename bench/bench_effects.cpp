// Speed of the effect, colour and rotation routines on a 24-megapixel picture (6000 x 4000), next
// to a memcpy of the same 96 MB TBitmap32 (BM_FxMemcpy24MP). The fixture is a deterministic
// pattern of hashed pixels, made once. Each benchmark runs with threads:1 and threads:0 (every
// hardware thread, for the routines that split rows with ParallelRows).
// Run: build/bin/kv_bench --benchmark_filter=Fx
#include "adjust/colour.h"
#include "adjust/rotate.h"
#include "core/parallel.h"
#include "effects/browser.h"
#include "effects/effects.h"
#include "effects/sharpen.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

using namespace kv;

constexpr int kW = 6000, kH = 4000;

void FxThreads(benchmark::internal::Benchmark* b) {
    b->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
}

const TBitmap32& Picture32() {
    static const TBitmap32 p = [] {
        TBitmap32 b(kW, kH);
        for (std::size_t i = 0; i < b.PixelCount(); ++i) {
            std::uint32_t h = std::uint32_t(i) * 2654435761u;
            h ^= h >> 15;
            // Smooth colour with a little grain, like a photo, alpha opaque.
            const int x = int(i % kW), y = int(i / kW);
            b.Bits()[i] =
                Color32((x / 24 + (h & 15)) & 255, (y / 16 + ((h >> 4) & 15)) & 255, ((x + y) / 40) & 255);
        }
        return b;
    }();
    return p;
}

const Bitmap24& Picture24() {
    static const Bitmap24 p = [] {
        Bitmap24 b;
        CopyToBitmap24(Picture32(), b);
        return b;
    }();
    return p;
}

void Bytes(benchmark::State& state) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Picture32().PixelCount() * 4));
}

void BM_FxMemcpy24MP(benchmark::State& state) {
    SetMaxThreads(int(state.range(0)));
    const TBitmap32& src = Picture32();
    TBitmap32 dst = src;
    for (auto _ : state) {
        ParallelRows(kH, kW, [&](int y0, int y1) {
            std::memcpy(dst.ScanLine(y0), src.ScanLine(y0), std::size_t(y1 - y0) * kW * sizeof(TColor32));
        });
        benchmark::ClobberMemory();
    }
    Bytes(state);
}
BENCHMARK(BM_FxMemcpy24MP)->Apply(FxThreads);

// A routine on a working copy of the 24-bit picture; the copy is refreshed outside the timing.
template <class Fn> void Run24(benchmark::State& state, Fn fn) {
    SetMaxThreads(int(state.range(0)));
    Bitmap24 work = Picture24();
    for (auto _ : state) {
        fn(work);
        benchmark::ClobberMemory();
        state.PauseTiming();
        std::memcpy(work.Bits(), Picture24().Bits(), work.ByteCount());
        state.ResumeTiming();
    }
    Bytes(state);
}

template <class Fn> void Run32(benchmark::State& state, Fn fn) {
    SetMaxThreads(int(state.range(0)));
    TBitmap32 work = Picture32();
    for (auto _ : state) {
        fn(work);
        benchmark::ClobberMemory();
        state.PauseTiming();
        if (work.Width() != kW) work = Picture32();
        std::memcpy(work.Bits(), Picture32().Bits(), work.PixelCount() * 4);
        state.ResumeTiming();
    }
    Bytes(state);
}

#define FX24(name, body)                                                                                     \
    void BM_Fx##name(benchmark::State& state) {                                                              \
        Run24(state, [](Bitmap24& b) { body; });                                                             \
    }                                                                                                        \
    BENCHMARK(BM_Fx##name)->Apply(FxThreads);
#define FX32(name, body)                                                                                     \
    void BM_Fx##name(benchmark::State& state) {                                                              \
        Run32(state, [](TBitmap32& p) { body; });                                                            \
    }                                                                                                        \
    BENCHMARK(BM_Fx##name)->Apply(FxThreads);

// Per-pixel routines without random draws (the memory-speed group).
FX24(ToGreyscale24, ToGreyscale(b))
FX32(BlackAndWhite32, BlackAndWhitePicture(p, false))
FX24(InvertChannels24, InvertChannels(b))
FX24(EmbossRelief24, EmbossRelief(b))
FX24(TintOneColour24, TintOneColour(b, 200, 191, 119))
FX32(Sepia32, SepiaPicture(p, false))
FX32(BalanceSpeed32, Balance(p, 30, -20, 10, TBalanceMode::Speed))
FX32(BalanceQuality32, Balance(p, 30, -20, 10, TBalanceMode::Quality))
FX32(BrightnessContrast32, BrightnessContrast(p, 40, 60))
FX32(KeyOutColour32, KeyOutColour(p, clBlack32))
FX24(BlockMosaic60_24, BlockMosaic(b, 60))
FX24(OvalMatte24, OvalMatte(b, 255, 0, 255))
void BM_FxPosterize24(benchmark::State& state) {
    Bitmap24 dst(kW, kH);
    Run24(state, [&](Bitmap24& b) { PosterizeLevels(b, dst, 7); });
}
BENCHMARK(BM_FxPosterize24)->Apply(FxThreads);
void BM_FxSharpen24(benchmark::State& state) {
    Bitmap24 dst(kW, kH);
    Run24(state, [&](Bitmap24& b) { Sharpen3x3(b, dst, 5); });
}
BENCHMARK(BM_FxSharpen24)->Apply(FxThreads);
void BM_FxSharpen2_24(benchmark::State& state) {
    Bitmap24 dst(kW, kH);
    Run24(state, [&](Bitmap24& b) { Sharpen3x3(b, dst, 2); });
}
BENCHMARK(BM_FxSharpen2_24)->Apply(FxThreads);
FX24(DiagonalBlur1_24, DiagonalBlur(b, 1))
FX24(DiagonalBlur100_24, DiagonalBlur(b, 100))
FX24(DiagonalBlurPasses1_24, DiagonalBlurPasses(b, 1))
FX24(BlockMosaic5_24, BlockMosaic(b, 5))
FX24(BlockMosaic2_24, BlockMosaic(b, 2))

// Warps and conversions.
FX24(WaveShift20_24, WaveShift(b, 20, 5, 2))
FX24(SawtoothRipple_24, SawtoothRipple(b, kW / 12))
FX24(BevelButton24, BevelButton(b, kW / 20, kW / 30))
void BM_FxRainDrop24(benchmark::State& state) {
    Bitmap24 dst(kW, kH);
    Run24(state, [&](Bitmap24& b) { RainDropWarp(b, dst, 210, 10); });
}
BENCHMARK(BM_FxRainDrop24)->Apply(FxThreads);
void BM_FxCopyTo24(benchmark::State& state) {
    Bitmap24 dst(kW, kH);
    Run32(state, [&](TBitmap32& p) { CopyToBitmap24(p, dst); });
}
BENCHMARK(BM_FxCopyTo24)->Apply(FxThreads);
void BM_FxCopyFrom24(benchmark::State& state) {
    Run32(state, [&](TBitmap32& p) { CopyFromBitmap24(Picture24(), p); });
}
BENCHMARK(BM_FxCopyFrom24)->Apply(FxThreads);
FX32(TurnClockwise32, TurnClockwise(p))
FX32(TurnHalf32, TurnHalf(p))
FX32(MirrorHorizontal32, MirrorHorizontal(p))
FX32(MirrorVertical32, MirrorVertical(p))

// Sequential by definition: they draw from the process-wide random source or read their results.
FX24(ChannelNoise24, ChannelNoise(b, 50))
FX24(GreyNoise24, GreyNoise(b, 60))
FX24(ScatterPixels7_24, ScatterPixels(b, 7))
FX24(FractalOverlay24, FractalOverlay(b, 10))
FX24(MandelbrotMask24, MandelbrotMask(b, 10))

// The effects catalog's activation: the nine samples of a 24 MP picture reduced to 100 x 67 and
// written as BMP files.
void BM_FxCatalogSamples(benchmark::State& state) {
    SetMaxThreads(int(state.range(0)));
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kv_bench_samples_" + std::to_string(::getpid()));
    for (auto _ : state)
        WriteBrowserSamples(Picture32(), dir);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FxCatalogSamples)->Apply(FxThreads);

} // namespace
