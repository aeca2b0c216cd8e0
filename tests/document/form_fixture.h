#pragma once
// A main window on the scripted platform, with its program folder and test files in a fresh
// temporary folder that is removed afterwards.
#include "core/codecs/codecs.h"
#include "document/mainform.h"
#include "tests/support/fake_platform.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace kv::testing {

inline bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           (a.Empty() || std::memcmp(a.Bits(), b.Bits(), a.PixelCount() * sizeof(TColor32)) == 0);
}

// Opaque pixels that all differ.
inline TBitmap32 Picture(int w, int h, int seed = 1) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(10 * x + seed, 20 * y + seed, 7 * seed, 255));
    return b;
}

// The fake platform, also keeping the options every file dialog was shown with.
struct DialogRecordingPlatform : FakePlatform {
    std::vector<TFileDialogOptions> OpenOptions, SaveOptions;
    std::optional<TFileDialogResult> OpenFileDialog(const TFileDialogOptions& o) override {
        OpenOptions.push_back(o);
        return FakePlatform::OpenFileDialog(o);
    }
    std::optional<TFileDialogResult> SaveFileDialog(const TFileDialogOptions& o) override {
        SaveOptions.push_back(o);
        return FakePlatform::SaveFileDialog(o);
    }
};

struct FormFixture : ::testing::Test {
    std::filesystem::path dir;
    DialogRecordingPlatform platform;
    std::unique_ptr<TMainForm> form;

    FormFixture() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("kv_form_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "prog");
        platform.ProgramDir = (dir / "prog").string() + "/";
        platform.Strict = true;
    }
    ~FormFixture() override {
        form.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    // Creates and starts the main window (after the test has prepared the settings files).
    TMainForm& Start() {
        form = std::make_unique<TMainForm>(platform);
        form->FormCreate();
        form->Doc.ImgView.SetClientSize(800, 600);
        return *form;
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Prog(const std::string& name) const { return (dir / "prog" / name).string(); }
    // Writes a picture file (format by extension) and returns its path.
    std::string MakePicture(const std::string& name, const TBitmap32& pic) {
        const std::string p = Path(name);
        const std::string ext = codecs::ExtensionOf(name);
        if (ext == ".png")
            codecs::SavePNG(pic, p);
        else if (ext == ".jpg" || ext == ".jpeg")
            codecs::SaveJPEG(pic, p, 100);
        else if (ext == ".gif")
            codecs::SaveGIF(pic, p, codecs::GifColours::Auto);
        else
            codecs::SaveBMP24(pic, p);
        return p;
    }
    void WriteText(const std::string& path, const std::string& text) {
        codecs::WriteWholeFile(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    std::string ReadText(const std::string& path) {
        const codecs::Bytes b = codecs::ReadWholeFile(path);
        return std::string(b.begin(), b.end());
    }
    bool Exists(const std::string& path) const { return std::filesystem::exists(path); }
    void Open(const std::string& path) {
        platform.OpenAnswers.push_back(TFileDialogResult{path, 1});
        form->OpenClick();
    }
    void SaveAnswer(const std::string& path, int filterIndex) {
        platform.SaveAnswers.push_back(TFileDialogResult{path, filterIndex});
    }
};

} // namespace kv::testing
