// korvalis-batch, run as the built program on small pictures made in a temporary folder.
#include "core/bitmap32.h"
#include "core/codecs/codecs.h"
#include "document/document.h"
#include "document/project.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kv;

namespace {

struct RunResult {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadText(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
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
        cmd.append(" ").append(Quote(std::string(KV_BIN_DIR) + "/korvalis-batch"));
        for (const auto& a : args)
            cmd.append(" ").append(Quote(a));
        fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
        cmd.append(" >").append(Quote(out.string())).append(" 2>").append(Quote(err.string()));
        int raw = std::system(cmd.c_str());
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        return r;
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
};

// A small picture with distinct colours everywhere and an alpha ramp.
TBitmap32 MakePicture(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       Color32(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1),
                               (x * 37 + y * 91) & 255, 40 + (x + y) * 215 / std::max(1, w + h - 2)));
    return b;
}

TBitmap32 Opaque(TBitmap32 b) {
    b.ResetAlpha();
    return b;
}

::testing::AssertionResult SamePixels(const TBitmap32& a, const TBitmap32& b) {
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

// What the image-size command produces: the filter set on the picture, then a dmOpaque stretch into
// a fresh W x H picture.
TBitmap32 ExpectedResize(TBitmap32 src, int w, int h, TStretchFilter f) {
    TBitmap32 dst(w, h);
    src.SetStretchFilter(f);
    src.SetDrawMode(dmOpaque);
    src.DrawTo(dst, dst.BoundsRect());
    return dst;
}

} // namespace

TEST_F(BatchTest, ResizeUsesTheNamedFilterAndDefaultsToLinear2) {
    const TBitmap32 src = MakePicture(23, 17);
    src.SaveToFile(Path("in.bmp"));
    struct Case {
        std::string suffix;
        TStretchFilter filter;
    };
    const Case cases[] = {{":nearest", sfNearest},
                          {":linear", sfLinear},
                          {":linear2", sfLinear2},
                          {":spline", sfSpline},
                          {"", sfLinear2}};
    std::vector<TBitmap32> results;
    for (const auto& [w, h] : {std::pair{9, 7}, std::pair{50, 31}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + c.suffix);
            RunResult r = Run({"--resize", std::to_string(w) + "x" + std::to_string(h) + c.suffix, "--bmp32",
                               "-o", Path("out.bmp"), Path("in.bmp")});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            TBitmap32 out;
            out.LoadFromFile(Path("out.bmp"));
            EXPECT_TRUE(SamePixels(out, ExpectedResize(src, w, h, c.filter)));
            results.push_back(out);
        }
    }
    // The four filters really differ on this picture, so the comparison above tells them apart.
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            EXPECT_FALSE(SamePixels(results[i], results[j])) << i << " vs " << j;
}

TEST_F(BatchTest, NearestDoublingRepeatsEachPixel) {
    const TBitmap32 src = MakePicture(5, 4);
    src.SaveToFile(Path("in.bmp"));
    RunResult r = Run({"--resize=10x8:nearest", "--bmp32", "-o", Path("out.bmp"), Path("in.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    TBitmap32 out;
    out.LoadFromFile(Path("out.bmp"));
    ASSERT_EQ(out.Width(), 10);
    ASSERT_EQ(out.Height(), 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(out.Pixel(x, y), src.Pixel(x / 2, y / 2)) << x << "," << y;
}

TEST_F(BatchTest, StepsRunInCommandLineOrder) {
    const TBitmap32 src = MakePicture(20, 14);
    src.SaveToFile(Path("in.bmp"));
    RunResult r = Run({"--resize", "7x5:spline", "--resize", "16x16:linear", "--bmp32", "-o", Path("out.bmp"),
                       Path("in.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    TBitmap32 out;
    out.LoadFromFile(Path("out.bmp"));
    EXPECT_TRUE(SamePixels(out, ExpectedResize(ExpectedResize(src, 7, 5, sfSpline), 16, 16, sfLinear)));
}

TEST_F(BatchTest, Bmp32KeepsAlphaAndWritesTheBitmapStream) {
    const TBitmap32 src = MakePicture(13, 9);
    src.SaveToFile(Path("in.bmp"));
    // --bmp32 wins over the output's extension.
    RunResult r = Run({"--bmp32", "-o", Path("copy.png"), Path("in.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    codecs::Bytes bytes = codecs::ReadWholeFile(Path("copy.png"));
    EXPECT_EQ(bytes, codecs::EncodeBMP32(src));
    EXPECT_TRUE(SamePixels(codecs::DecodeBMP(bytes.data(), bytes.size(), "copy.png"), src));
}

TEST_F(BatchTest, WritesEachFormatByItsExtension) {
    TBitmap32 src = MakePicture(12, 10);
    src.SaveToFile(Path("in.bmp"));
    const TBitmap32 opaque = Opaque(src);
    struct Case {
        std::string name;
        bool lossless; // decodes back to the picture's colours with alpha 255
        std::string magic;
    };
    const Case cases[] = {
        {"o.bmp", true, "BM"},
        {"o.BMP", true, "BM"},
        {"o.png", true, "\x89PNG"},
        {"o.PnG", true, "\x89PNG"},
        {"o.jpg", false, "\xFF\xD8\xFF"},
        {"o.JPEG", false, "\xFF\xD8\xFF"},
        {"o.gif", false, "GIF8"},
        {"o.tif", false, "II*"},
        {"o.TIFF", false, "II*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult r = Run({"-o", Path(c.name), Path("in.bmp")});
        ASSERT_EQ(r.status, 0) << r.err;
        std::string bytes = ReadText(Path(c.name));
        bool tiffBigEndian = c.magic == "II*" && bytes.rfind(std::string("MM\0*", 4), 0) == 0;
        EXPECT_TRUE(bytes.rfind(c.magic, 0) == 0 || tiffBigEndian) << "wrong file type";
        if (c.magic == "II*") continue; // the loader does not read TIFF
        TBitmap32 back = codecs::LoadPicture(Path(c.name));
        ASSERT_EQ(back.Width(), 12);
        ASSERT_EQ(back.Height(), 10);
        if (c.lossless) {
            EXPECT_TRUE(SamePixels(back, opaque));
        } else {
            // JPEG and a quantised GIF stay close to the picture.
            long long diff = 0;
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 12; ++x)
                    for (int sh = 0; sh < 24; sh += 8)
                        diff += std::abs(int((back.Pixel(x, y) >> sh) & 255) -
                                         int((opaque.Pixel(x, y) >> sh) & 255));
            EXPECT_LT(diff / (12 * 10 * 3), 12);
        }
    }
}

TEST_F(BatchTest, QualityControlsJpegSize) {
    TBitmap32 src = MakePicture(64, 48);
    src.SaveToFile(Path("in.bmp"));
    ASSERT_EQ(Run({"--quality", "100", "-o", Path("hi.jpg"), Path("in.bmp")}).status, 0);
    ASSERT_EQ(Run({"--quality=5", "-o", Path("lo.jpg"), Path("in.bmp")}).status, 0);
    ASSERT_EQ(Run({"-o", Path("default.jpg"), Path("in.bmp")}).status, 0);
    auto hi = fs::file_size(Path("hi.jpg")), lo = fs::file_size(Path("lo.jpg")),
         def = fs::file_size(Path("default.jpg"));
    EXPECT_LT(lo, def);
    EXPECT_LT(def, hi);
}

TEST_F(BatchTest, ThreadLimitGivesTheSameBits) {
    MakePicture(300, 200).SaveToFile(Path("in.bmp"));
    for (const char* f : {"linear2", "spline", "linear", "nearest"}) {
        SCOPED_TRACE(f);
        std::string size = std::string("1100x700:") + f;
        ASSERT_EQ(
            Run({"--resize", size, "--bmp32", "-o", Path("one.bmp"), Path("in.bmp")}, "KV_THREADS=1").status,
            0);
        ASSERT_EQ(
            Run({"--resize", size, "--bmp32", "-o", Path("many.bmp"), Path("in.bmp")}, "KV_THREADS=4").status,
            0);
        EXPECT_TRUE(codecs::ReadWholeFile(Path("one.bmp")) == codecs::ReadWholeFile(Path("many.bmp")));
    }
}

TEST_F(BatchTest, HelpPrintsUsage) {
    RunResult r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: korvalis-batch"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST_F(BatchTest, CommandLineMistakesExitWithUsage) {
    MakePicture(4, 4).SaveToFile(Path("in.bmp"));
    const std::string in = Path("in.bmp"), out = Path("out.bmp");
    struct Case {
        std::vector<std::string> args;
        std::string message;
        std::string env = "";
    };
    const Case cases[] = {
        {{}, "no INPUT given"},
        {{in}, "no output given"},
        {{"-o"}, "-o needs a value"},
        {{"-o", out, in, in}, "only one INPUT"},
        {{"--resize", "12", "-o", out, in}, "--resize expects WxH"},
        {{"--resize", "axb", "-o", out, in}, "--resize expects WxH"},
        {{"--resize", "10x", "-o", out, in}, "--resize expects WxH"},
        {{"--resize", "-3x4", "-o", out, in}, "--resize expects WxH"},
        {{"--resize", "10x10:cubic", "-o", out, in}, "unknown resize filter \"cubic\""},
        {{"--resize", "0x0", "-o", out, in}, "at least 1"},
        {{"--resize", "5x0", "-o", out, in}, "at least 1"},
        {{"--resize", "40000x2", "-o", out, in}, "at most 32767"},
        {{"--resize"}, "--resize needs a value"},
        {{"--quality", "0", "-o", out, in}, "--quality expects"},
        {{"--quality", "101", "-o", out, in}, "--quality expects"},
        {{"--frobnicate", "-o", out, in}, "unknown option \"--frobnicate\""},
        {{"-o", out, in}, "KV_THREADS must be", "KV_THREADS=zero"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        RunResult r = Run(c.args, c.env);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("korvalis-batch: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Usage: korvalis-batch"), std::string::npos);
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(BatchTest, FailuresReportTheErrorText) {
    MakePicture(4, 4).SaveToFile(Path("in.bmp"));
    {
        std::ofstream f(Path("broken.bmp"), std::ios::binary);
        f << "BM\x10\x00"; // a truncated header
    }
    {
        std::ofstream f(Path("notes.txt"));
        f << "hello";
    }
    struct Case {
        std::vector<std::string> args;
        std::string mentions; // the message names this
    };
    const Case cases[] = {
        {{"-o", Path("out.bmp"), Path("missing.bmp")}, "missing.bmp"},
        {{"-o", Path("out.bmp"), Path("broken.bmp")}, "broken.bmp"},
        {{"-o", Path("out.bmp"), Path("notes.txt")}, "Unknown picture file extension (.txt)"},
        {{"-o", Path("out.xyz"), Path("in.bmp")}, "unknown picture file extension (.xyz)"},
        {{"-o", Path("out"), Path("in.bmp")}, "has no extension"},
        {{"--resize", "32767x32767", "-o", Path("out.bmp"), Path("in.bmp")}, "Can't allocate the DIB handle"},
        {{"-o", Path("no/such/folder/out.bmp"), Path("in.bmp")}, "out.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mentions);
        RunResult r = Run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("korvalis-batch: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Usage:"), std::string::npos);
        EXPECT_FALSE(fs::exists(Path("out.bmp")));
        EXPECT_FALSE(fs::exists(Path("out.xyz")));
    }
}

TEST_F(BatchTest, ProjectsRoundTripFromTheShell) {
    // A project with one half-transparent layer over the base picture.
    TDocument doc;
    doc.Base().Assign(Opaque(MakePicture(10, 8)));
    TBitmapLayer& layer = doc.Layers().Add<TBitmapLayer>();
    layer.Bitmap.Assign(MakePicture(4, 4));
    layer.Bitmap.SetDrawMode(dmBlend);
    layer.Bitmap.SetMasterAlpha(150);
    layer.SetLocation({2, 1, 6, 5});
    layer.SetScaled(true);
    WriteProject(doc, Path("in.qrv"));

    // Project to project keeps every byte.
    RunResult r = Run({"-o", Path("copy.QRV"), Path("in.qrv")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(Path("copy.QRV")), ReadText(Path("in.qrv")));

    // Project to picture writes the composite.
    r = Run({"-o", Path("flat.png"), Path("in.qrv")});
    ASSERT_EQ(r.status, 0) << r.err;
    doc.Compose();
    EXPECT_TRUE(SamePixels(codecs::LoadPicture(Path("flat.png")), Opaque(doc.Composite)));

    // A picture becomes a project of its base picture alone, and comes back unchanged.
    MakePicture(5, 3).SaveToFile(Path("pic.bmp"));
    r = Run({"--resize", "6x4:nearest", "-o", Path("pic.qrv"), Path("pic.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    const codecs::Bytes bytes = codecs::ReadWholeFile(Path("pic.qrv"));
    TProjectContent back = DecodeProject(bytes.data(), bytes.size(), "pic.qrv");
    EXPECT_TRUE(back.Layers.empty());
    EXPECT_TRUE(SamePixels(back.Base, ExpectedResize(MakePicture(5, 3), 6, 4, sfNearest)));

    // Steps do not fit a project's layers; a damaged project fails with its error.
    r = Run({"--resize", "4x4", "-o", Path("x.qrv"), Path("in.qrv")});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(Path("x.qrv")));
    {
        std::ofstream f(Path("bad.qrv"), std::ios::binary);
        f << "not a project";
    }
    r = Run({"-o", Path("y.bmp"), Path("bad.qrv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Bitmap image is not valid"), std::string::npos) << r.err;
}
