#pragma once
// korvalis-batch run as the built program on small pictures made in a temporary folder.
#include "core/bitmap32.h"
#include "core/codecs/codecs.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kv::batchtest {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out, err;
};

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string ReadText(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline void WriteText(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary);
    f << text;
}

inline std::string BatchProgram() {
    return std::string(KV_BIN_DIR) + "/korvalis-batch";
}

class BatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir = fs::temp_directory_path() / ("kv_batch_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs korvalis-batch with the arguments; `env` is prepended to the command (e.g. "KV_THREADS=1").
    RunResult Run(const std::vector<std::string>& args, const std::string& env = "") {
        std::string cmd = env;
        cmd.append(" ").append(Quote(BatchProgram()));
        for (const auto& a : args)
            cmd.append(" ").append(Quote(a));
        fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
        cmd.append(" >").append(Quote(out.string())).append(" 2>").append(Quote(err.string()));
        int raw = std::system(cmd.c_str());
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        fs::remove(out);
        fs::remove(err);
        return r;
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
};

// A small picture with distinct colours everywhere and an alpha ramp.
inline TBitmap32 MakePicture(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       Color32(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1),
                               (x * 37 + y * 91) & 255, 40 + (x + y) * 215 / std::max(1, w + h - 2)));
    return b;
}

// An opaque photo-like picture: smooth gradients with some texture, different for each seed.
inline TBitmap32 MakePhoto(int w, int h, int seed) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       Color32((x * 200 / w + seed * 40) & 255, (y * 180 / h + seed * 17) & 255,
                               ((x ^ y) * 3 + seed * 60) & 255, 255));
    return b;
}

inline TBitmap32 Opaque(TBitmap32 b) {
    b.ResetAlpha();
    return b;
}

inline ::testing::AssertionResult SamePixels(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return ::testing::AssertionFailure()
               << "size " << a.Width() << "x" << a.Height() << " vs " << b.Width() << "x" << b.Height();
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << "): " << std::hex
                                                     << a.Pixel(x, y) << " vs " << b.Pixel(x, y);
    return ::testing::AssertionSuccess();
}

// Files of a folder (names only, sorted), hidden ones included.
inline std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace kv::batchtest
