// Speed of the panel frame build on a 24-megapixel photo (6000 x 4000): FrameIt with a mat, glare,
// shadow, a plain texture at RTX item 2 and the raised profile (the start values otherwise), as the
// editor's "Просмотр" runs it. Counters:
//  - memcpy_ratio: FrameIt's time over one memcpy of the framed picture's bytes (BM_FramedMemcpy);
//  - ms_stage_*: where the time goes, from the progress reports between the stages (mat, glare,
//    shadow, moulding fill, photo in, profile).
// The data folders (shading maps, textures) come from the program folder, the folder of this
// executable, where the artwork generator puts them.
// Run: build/bin/kv_bench --benchmark_filter=Frame
#include "core/bitmap32.h"
#include "core/codecs/codecs.h"
#include "core/parallel.h"
#include "document/document.h"
#include "document/quiet_platform.h"
#include "document/thumbview.h"
#include "frames/compositor.h"
#include "frames/frame_settings.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kv;
namespace fs = std::filesystem;

constexpr int kW = 6000, kH = 4000;

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

// The corpus photo (or the sample photo) resampled to 6000 x 4000 with sfLinear2, made once.
const TBitmap32& Photo24MP() {
    static const TBitmap32 photo = [] {
        const char* env = std::getenv("KV_BENCH_PHOTO");
        const fs::path repo = fs::path(__FILE__).parent_path().parent_path();
        fs::path path = repo / "../shared/corpus/photos/UNIS_EV0.jpg";
        if (env && *env)
            path = env;
        else if (!fs::exists(path))
            path = repo / "data/coffee.png";
        TBitmap32 src = codecs::LoadPicture(path.string());
        src.SetStretchFilter(sfLinear2);
        TBitmap32 out(kW, kH);
        src.DrawTo(out, out.BoundsRect());
        return out;
    }();
    return photo;
}

FrameSettings BenchSettings(const std::string& texture) {
    FrameSettings s; // Thicka 10, DWF 22, FDE 50, glare and shadow on
    s.Fill = TFrameFill::Textura;
    s.Tab = kTabNatural;
    s.RTX = 2;
    s.Texture = texture;
    s.Matte = true;
    s.Mat = TMatFill::MatColor;
    return s;
}

std::string FirstTexture(const fs::path& prog) {
    TTHumbview v;
    v.Deferred = true;
    v.SetDirectory((prog / "NTextures").string());
    return v.Count() > 0 ? v.Entry(0).FileName : std::string();
}

void BM_FrameIt24MP(benchmark::State& state) {
    SetMaxThreads(int(state.range(0)));
    const fs::path prog = ProgramFolder();
    const std::string texture = FirstTexture(prog);
    if (texture.empty() || !fs::exists(prog / "SHADOWG.bmp")) {
        state.SkipWithError("artwork not generated beside kv_bench");
        return;
    }
    TQuietPlatform platform; // the frame build asks only for messages and pending events
    TDocument doc;
    doc.CleanPhoto = Photo24MP();
    const FrameSettings s = BenchSettings(texture);
    const int T = FrameThickness(kW, s.Thicka);
    TFrameEnv env;
    env.ProgramFolder = prog.string() + "/";
    env.Platform = &platform;
    using clock = std::chrono::steady_clock;
    std::vector<clock::time_point> marks;
    env.Progress = [&](int) { marks.push_back(clock::now()); };
    std::vector<double> stage(7, 0.0);
    double framedBytes = 0, total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        doc.SetBasePixels(doc.CleanPhoto);
        marks.clear();
        state.ResumeTiming();
        const auto start = clock::now();
        FrameIt(doc, s, T, env);
        benchmark::DoNotOptimize(doc.Base().Bits());
        total += std::chrono::duration<double, std::milli>(clock::now() - start).count();
        auto prev = start;
        for (std::size_t i = 0; i < marks.size() && i < stage.size(); ++i) {
            stage[i] += std::chrono::duration<double, std::milli>(marks[i] - prev).count();
            prev = marks[i];
        }
        framedBytes = double(doc.Base().PixelCount()) * sizeof(TColor32);
    }
    const double n = double(state.iterations());
    const char* names[6] = {"ms_stage1_mat",  "ms_stage2_glare", "ms_stage3_shadow",
                            "ms_stage4_fill", "ms_stage5_photo", "ms_stage6_profile"};
    for (int i = 0; i < 6; ++i)
        state.counters[names[i]] = stage[std::size_t(i)] / n;
    state.counters["framed_MB"] = framedBytes / 1e6;
    // One memcpy of the framed picture's bytes between two touched buffers, the best of five.
    {
        TBitmap32 a(doc.Base()), b(doc.Base());
        double best = 1e30;
        for (int i = 0; i < 5; ++i) {
            const auto t0 = clock::now();
            std::memcpy(b.Bits(), a.Bits(), std::size_t(framedBytes));
            benchmark::ClobberMemory();
            best = std::min(best, std::chrono::duration<double, std::milli>(clock::now() - t0).count());
        }
        state.counters["ms_memcpy"] = best;
        state.counters["memcpy_ratio"] = total / n / best;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(framedBytes));
}

// One memcpy of the framed picture's bytes: 7800 x 5800 pixels (mat 600, frame 600 on each side).
void BM_FramedMemcpy(benchmark::State& state) {
    const std::size_t bytes = std::size_t(kW + 600 + 1200) * std::size_t(kH + 600 + 1200) * sizeof(TColor32);
    TBitmap32 a(kW + 1800, kH + 1800), b(kW + 1800, kH + 1800);
    a.Clear(0xFF808080u);
    b.Clear(0); // touched once, outside the timing
    for (auto _ : state) {
        std::memcpy(b.Bits(), a.Bits(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

BENCHMARK(BM_FrameIt24MP)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(BM_FramedMemcpy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
