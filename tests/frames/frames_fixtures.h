#pragma once
// Small fixtures for the frame tests: a temporary program folder and pictures made in memory.
#include "core/bitmap32.h"
#include "core/codecs/codecs.h"

#include <filesystem>
#include <random>
#include <string>

namespace kv::test {

// A fresh folder under the system's temporary folder, removed again at the end.
struct TempFolder {
    std::filesystem::path Path;
    TempFolder() {
        std::random_device rd;
        Path = std::filesystem::temp_directory_path() /
               ("kv_frames_" + std::to_string(rd()) + "_" + std::to_string(rd()));
        std::filesystem::create_directories(Path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    // The folder as a program folder string, ending with a separator.
    std::string Dir() const { return Path.string() + "/"; }
    std::string File(const std::string& name) const { return (Path / name).string(); }
};

// Every pixel different: colour from the position, opaque.
inline TBitmap32 Photo(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32((x * 7 + y) & 255, (x + y * 5) & 255, (x * y) & 255, 255));
    return b;
}

inline TBitmap32 Uniform(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

inline void SaveBmp(const TBitmap32& b, const std::string& file) {
    codecs::SaveBMP24(b, file);
}

} // namespace kv::test
