// The artwork library: its file list, determinism, seamless tiling, and the meaning of the
// shading maps and photo-shape masks. The generated files are read from the program folder the
// build wrote them into.
#include "artgen/library.h"
#include "artgen/noise.h"
#include "core/codecs/codecs.h"
#include "frames/presets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using namespace kv;
using namespace kv::artgen;

namespace {

std::string BinPath(const std::string& rel) {
    return (fs::path(KV_BIN_DIR) / rel).string();
}

std::map<std::string, int> CountByFolder() {
    std::map<std::string, int> n;
    for (const Item& it : Library()) {
        fs::path p(it.path);
        n[p.has_parent_path() ? p.parent_path().string() : ""]++;
    }
    return n;
}

bool IsGrey(const TBitmap32& b) {
    for (std::size_t i = 0; i < b.PixelCount(); ++i) {
        TColor32 c = b.Bits()[i];
        if (RedComponent(c) != GreenComponent(c) || GreenComponent(c) != BlueComponent(c)) return false;
    }
    return true;
}

} // namespace

TEST(ArtgenLibrary, FoldersHoldEnoughFilesOfTheRightKinds) {
    auto n = CountByFolder();
    EXPECT_GE(n["NTextures"], 16);
    EXPECT_GE(n["STextures"], 10);
    EXPECT_GE(n["MTextures"], 8);
    EXPECT_GE(n["Textures"], 12);
    std::set<std::string> paths;
    for (const Item& it : Library()) {
        EXPECT_TRUE(paths.insert(it.path).second) << "duplicate " << it.path;
        std::string ext = codecs::ExtensionOf(it.path);
        EXPECT_TRUE(ext == ".jpg" || ext == ".png" || ext == ".bmp") << it.path;
    }
    for (const char* name :
         {"SHADOWG.bmp", "BLIKG.bmp", "M11.jpg", "RoundRect.png", "Oval.png", "Complex.png", "Gradient.png"})
        EXPECT_EQ(paths.count(name), 1u) << name;
}

TEST(ArtgenLibrary, BuildWroteEveryFileAndEachDecodesAtATextureSize) {
    for (const Item& it : Library()) {
        SCOPED_TRACE(it.path);
        ASSERT_TRUE(fs::exists(BinPath(it.path)));
        TBitmap32 b = codecs::LoadPicture(BinPath(it.path));
        if (it.tiling == Tiling::None) {
            EXPECT_GE(b.Width(), 256);
            EXPECT_TRUE(IsGrey(b) || codecs::ExtensionOf(it.path) == ".jpg");
            continue;
        }
        EXPECT_GE(b.Width(), 256);
        EXPECT_LE(b.Width(), 512);
        EXPECT_GE(b.Height(), 256);
        EXPECT_LE(b.Height(), 512);
        if (it.tiling == Tiling::Horizontal) {
            EXPECT_EQ(b.Width(), b.Height()) << "strip tiles are square";
        }
    }
}

// The build ran the generator as its own process with several threads; rendering again here,
// on one thread, must give the same bytes.
TEST(ArtgenLibrary, RenderingIsDeterministic) {
    for (const Item& it : Library()) {
        SCOPED_TRACE(it.path);
        codecs::Bytes again = RenderItem(it);
        codecs::Bytes built = codecs::ReadWholeFile(BinPath(it.path));
        EXPECT_TRUE(again == built);
    }
}

TEST(ArtgenLibrary, TexturesTileWithoutSeams) {
    for (const Item& it : Library()) {
        if (it.tiling == Tiling::None) continue;
        SCOPED_TRACE(it.path);
        SeamMeasure m = MeasureSeams(codecs::LoadPicture(BinPath(it.path)));
        // Across the wrap the picture changes like between neighbouring columns inside (the margin
        // allows for JPEG coding each edge of the picture separately).
        EXPECT_LE(m.wrapX, 1.1 * m.highX + 2.0);
        if (it.tiling == Tiling::Both) {
            EXPECT_LE(m.wrapY, 1.1 * m.highY + 2.0);
        }
    }
}

TEST(ArtgenLibrary, SeamMeasureSeesACutTile) {
    // A texture cut to 5/8 of its width no longer wraps: the measure must flag that.
    TBitmap32 full = codecs::LoadPicture(BinPath("NTextures/Oak.jpg"));
    TBitmap32 cut(full.Width() * 5 / 8, full.Height());
    BlockTransfer(cut, 0, 0, full);
    SeamMeasure m = MeasureSeams(cut);
    EXPECT_GT(m.wrapX, 1.1 * m.highX + 2.0);
}

TEST(ArtgenNoise, EveryNoiseWrapsAtItsPeriod) {
    for (float x : {0.1f, 1.7f, 5.25f})
        for (float y : {0.3f, 2.9f}) {
            EXPECT_NEAR(GradientNoise(x, y, 6, 4, 9), GradientNoise(x + 6, y, 6, 4, 9), 1e-5);
            EXPECT_NEAR(GradientNoise(x, y, 6, 4, 9), GradientNoise(x, y - 4, 6, 4, 9), 1e-5);
            EXPECT_NEAR(ValueNoise(x, y, 3, 5, 9), ValueNoise(x - 3, y + 10, 3, 5, 9), 1e-5);
        }
    for (float u : {0.05f, 0.5f, 0.93f}) {
        EXPECT_NEAR(Fbm(u, 0.25f, 2, 3, 5, 1), Fbm(u + 1, 0.25f, 2, 3, 5, 1), 1e-4);
        EXPECT_NEAR(Fbm(0.4f, u, 2, 3, 5, 1), Fbm(0.4f, u - 1, 2, 3, 5, 1), 1e-4);
        Cell a = Cellular(u, 0.7f, 7, 5, 3), b = Cellular(u + 1, 0.7f - 1, 7, 5, 3);
        EXPECT_NEAR(a.f1, b.f1, 1e-4);
        EXPECT_EQ(a.id, b.id);
    }
    Rng r1(42), r2(42);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(r1.Next(), r2.Next());
}

TEST(ArtgenMaps, ShadingMapsAreGreyBmpDarkWhereTheEffectIs) {
    for (const char* name : {"SHADOWG.bmp", "BLIKG.bmp"}) {
        SCOPED_TRACE(name);
        codecs::Bytes raw = codecs::ReadWholeFile(BinPath(name));
        ASSERT_GT(raw.size(), 54u);
        EXPECT_EQ(raw[0], 'B');
        EXPECT_EQ(raw[28], 24) << "24 bits per pixel";
        TBitmap32 b = codecs::LoadPicture(BinPath(name));
        EXPECT_TRUE(IsGrey(b));
        const int w = b.Width(), h = b.Height();
        EXPECT_EQ(BlueComponent(b.Pixel(w / 2, h / 2)), 255) << "no effect in the middle";
    }
    TBitmap32 s = codecs::LoadPicture(BinPath("SHADOWG.bmp"));
    const int w = s.Width(), h = s.Height();
    // The shadow falls from the top and the left edges.
    EXPECT_LT(BlueComponent(s.Pixel(w / 2, 0)), 100);
    EXPECT_LT(BlueComponent(s.Pixel(0, h / 2)), 100);
    EXPECT_GT(BlueComponent(s.Pixel(w / 2, h - 1)), 240);
    EXPECT_GT(BlueComponent(s.Pixel(w - 1, h / 2)), 240);
    TBitmap32 g = codecs::LoadPicture(BinPath("BLIKG.bmp"));
    EXPECT_LT(BlueComponent(g.Pixel(w / 2, h - 1)), 160) << "glare along the edges";
    EXPECT_LT(BlueComponent(g.Pixel(w - 1, h / 2)), 160);
}

TEST(ArtgenMaps, PhotoShapeMasksAreWhiteInsideBlackOutside) {
    struct Case {
        const char* name;
        bool hard;
    } cases[] = {{"M11.jpg", false},
                 {"RoundRect.png", true},
                 {"Oval.png", true},
                 {"Complex.png", true},
                 {"Gradient.png", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap32 m = codecs::LoadPicture(BinPath(c.name));
        const int w = m.Width(), h = m.Height();
        EXPECT_GE(Intensity(m.Pixel(w / 2, h / 2)), 250);
        EXPECT_LE(Intensity(m.Pixel(1, 1)), 5);
        EXPECT_LE(Intensity(m.Pixel(w - 2, h - 2)), 5);
        int partial = 0;
        for (int x = 0; x < w; ++x) {
            int v = Intensity(m.Pixel(x, h / 2));
            if (v > 8 && v < 247) ++partial;
        }
        // Hard edges are anti-aliased within a few pixels; the blurred one fades over many.
        if (!c.hard) {
            EXPECT_GE(partial, 40);
        } else if (std::string(c.name) != "Gradient.png") {
            EXPECT_LE(partial, 6);
        }
    }
    // The oval's corners show the mat, its middle edges the photo.
    TBitmap32 o = codecs::LoadPicture(BinPath("Oval.png"));
    EXPECT_LE(Intensity(o.Pixel(o.Width() / 8, o.Height() / 8)), 5);
    EXPECT_GE(Intensity(o.Pixel(o.Width() / 2, o.Height() / 12)), 250);
}

TEST(ArtgenHelp, PagesAreInstalledAndEveryLinkResolves) {
    fs::path help = fs::path(KV_BIN_DIR) / "Help";
    ASSERT_TRUE(fs::exists(help / "index.html"));
    std::regex href("href=\"([^\"#]+)");
    int pages = 0;
    for (const auto& e : fs::directory_iterator(help)) {
        if (e.path().extension() != ".html") continue;
        ++pages;
        std::ifstream f(e.path());
        std::stringstream ss;
        ss << f.rdbuf();
        std::string text = ss.str();
        EXPECT_NE(text.find("charset=\"utf-8\""), std::string::npos) << e.path();
        for (std::sregex_iterator it(text.begin(), text.end(), href), end; it != end; ++it)
            EXPECT_TRUE(fs::exists(help / (*it)[1].str())) << e.path() << " -> " << (*it)[1].str();
    }
    EXPECT_GE(pages, 5);
}

namespace {

FrameSettings Record(int k) {
    return DecodePresetRecord(ReadPresetRecord(BinPath("Presets.lst"), k), std::string(KV_BIN_DIR) + "/");
}
int R(TWinColor c) {
    return int(c & 255);
}
int G(TWinColor c) {
    return int((c >> 8) & 255);
}
int B(TWinColor c) {
    return int((c >> 16) & 255);
}

} // namespace

TEST(ArtgenPresets, FileHoldsTheSpecsAndEveryPictureIsBuiltFromThem) {
    const std::string dir = std::string(KV_BIN_DIR) + "/";
    const auto specs = PresetSpecs(dir);
    ASSERT_GE(specs.size(), 16u);
    codecs::Bytes file = codecs::ReadWholeFile(BinPath("Presets.lst"));
    ASSERT_EQ(file.size(), specs.size() * kPresetRecordSize);
    EXPECT_EQ(PresetCount(BinPath("Presets.lst")), int(specs.size()));
    const TBitmap32 photo = codecs::LoadPicture(BinPath("coffee.png"));
    for (std::size_t k = 0; k < specs.size(); ++k) {
        SCOPED_TRACE(specs[k].Caption);
        PresetRecord r = EncodePresetRecord(specs[k].Settings);
        EXPECT_TRUE(std::equal(r.begin(), r.end(), file.begin() + std::ptrdiff_t(k * kPresetRecordSize)));
        const FrameSettings& s = specs[k].Settings;
        if (s.Fill == TFrameFill::Textura) {
            EXPECT_TRUE(fs::exists(s.Texture)) << s.Texture;
        }
        if (s.MatBuilt() && s.Mat == TMatFill::MatTexture) {
            EXPECT_TRUE(fs::exists(s.MatTexture)) << s.MatTexture;
        }
        // The installed preview is what building the preset again gives, as a 32-bit BMP.
        const std::string pic = BinPath("Presets/" + PresetPictureName(int(k)));
        codecs::Bytes built = codecs::ReadWholeFile(pic);
        ASSERT_GT(built.size(), 54u);
        EXPECT_EQ(built[28], 32);
        EXPECT_TRUE(codecs::EncodeBMP32(BuildPresetPreview(s, photo, dir)) == built);
        EXPECT_EQ(codecs::LoadPicture(pic).Width(), 150);
    }
}

TEST(ArtgenPresets, MenuFramesMatchTheirCaptions) {
    FrameSettings blue = Record(0);
    EXPECT_EQ(blue.Fill, TFrameFill::Cola);
    EXPECT_GT(B(blue.SColor), 200);
    EXPECT_LT(R(blue.SColor), 60);
    FrameSettings clear = Record(1);
    EXPECT_TRUE(clear.InFrama) << "translucent: a band over the photo";
    EXPECT_EQ(clear.Fill, TFrameFill::Gradient);
    for (int k : {3, 11}) {
        FrameSettings wood = Record(k);
        EXPECT_EQ(wood.Fill, TFrameFill::Textura);
        std::string name = fs::path(wood.Texture).filename().string();
        EXPECT_TRUE(name.find("Walnut") != std::string::npos || name.find("Oak") != std::string::npos)
            << name;
    }
    EXPECT_EQ(Record(11).PhotoForm, 1) << "the blurred rectangle";
    FrameSettings twice = Record(4);
    EXPECT_EQ(twice.Fill, TFrameFill::Gradient);
    EXPECT_TRUE(twice.MatBuilt()) << "double: frame and mat";
    FrameSettings orange = Record(5);
    EXPECT_EQ(orange.Fill, TFrameFill::Cola);
    EXPECT_GT(R(orange.SColor), 200);
    EXPECT_LT(B(orange.SColor), 60);
    EXPECT_GT(G(orange.SColor), 80);
    EXPECT_EQ(Record(6).Tab, kTabSpecial);
    FrameSettings thin = Record(10);
    EXPECT_EQ(thin.Fill, TFrameFill::Cola);
    EXPECT_LE(thin.Thicka, 4);
}
