// korvalis-batch on one picture: resizing, the formats, quality, threads, the command-line
// mistakes, failures and projects.
#include "tests/app/batch_fixture.h"

#include "document/document.h"
#include "document/project.h"

using namespace kv;
using namespace kv::batchtest;

namespace {

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

// "Размер изображения": the resampling items nearest, linear2 and spline; linear2 by default.
TEST_F(BatchTest, ResizeUsesTheNamedFilterAndDefaultsToLinear2) {
    const TBitmap32 src = MakePicture(23, 17);
    src.SaveToFile(Path("in.bmp"));
    struct Case {
        std::string suffix;
        TStretchFilter filter;
    };
    const Case cases[] = {
        {":nearest", sfNearest}, {":linear2", sfLinear2}, {":spline", sfSpline}, {"", sfLinear2}};
    std::vector<TBitmap32> results;
    for (const auto& [w, h] : {std::pair{9, 7}, std::pair{50, 31}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + c.suffix);
            RunResult r = Run({"--resize", std::to_string(w) + "x" + std::to_string(h) + c.suffix, "--bmp32",
                               "--overwrite", "-o", Path("out.bmp"), Path("in.bmp")});
            ASSERT_EQ(r.status, 0) << r.err;
            TBitmap32 out;
            out.LoadFromFile(Path("out.bmp"));
            EXPECT_TRUE(SamePixels(out, ExpectedResize(src, w, h, c.filter)));
            results.push_back(out);
        }
    }
    // The three filters really differ on this picture, so the comparison above tells them apart.
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
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
    RunResult r = Run({"--resize", "7x5:spline", "--resize", "16x16:nearest", "--bmp32", "-o",
                       Path("out.bmp"), Path("in.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    TBitmap32 out;
    out.LoadFromFile(Path("out.bmp"));
    EXPECT_TRUE(SamePixels(out, ExpectedResize(ExpectedResize(src, 7, 5, sfSpline), 16, 16, sfNearest)));
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
    for (const char* f : {"linear2", "spline", "nearest"}) {
        SCOPED_TRACE(f);
        std::string size = std::string("1100x700:") + f;
        ASSERT_EQ(Run({"--resize", size, "--bmp32", "--overwrite", "-o", Path("one.bmp"), Path("in.bmp")},
                      "KV_THREADS=1")
                      .status,
                  0);
        ASSERT_EQ(Run({"--resize", size, "--bmp32", "--overwrite", "-o", Path("many.bmp"), Path("in.bmp")},
                      "KV_THREADS=4")
                      .status,
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
        {{"-o"}, "-o needs a value"},
        {{"-o", out, "-o", out, in}, "only one output"},
        {{"--resize", "12", "-o", out, in}, "--resize expects WxH"},
        {{"--resize", "axb", "-o", out, in}, "--resize expects WxH"},
        {{"--resize", "10x", "-o", out, in}, "--resize expects WxH"},
        {{"--resize", "-3x4", "-o", out, in}, "--resize expects WxH"},
        {{"--resize", "10x10:cubic", "-o", out, in}, "unknown resize filter \"cubic\""},
        {{"--resize", "10x10:linear", "-o", out, in}, "unknown resize filter \"linear\""},
        {{"--resize", "0x0", "-o", out, in}, "1..10000"},
        {{"--resize", "5x0", "-o", out, in}, "1..10000"},
        {{"--resize", "10001x2", "-o", out, in}, "1..10000"},
        {{"--resize"}, "--resize needs a value"},
        {{"--quality", "0", "-o", out, in}, "--quality expects"},
        {{"--quality", "101", "-o", out, in}, "--quality expects"},
        {{"--jobs", "0", "-o", out, in}, "--jobs expects"},
        {{"--format", "webp", "-o", out, in}, "--format expects"},
        {{"--format", "png", "-o", out, in}, "does not match the output name"},
        {{"--name", "{stem}_{size}", "-o", Path("o/"), in}, "unknown placeholder {size}"},
        {{"--name", "sub/{stem}", "-o", Path("o/"), in}, "not a path"},
        {{"--name", "x", "-o", out, in}, "--name needs an output folder"},
        {{"-o", Path("out.xyz"), in}, "unknown picture file extension (.xyz)"},
        {{"-o", Path("out"), in}, "the name has no extension"},
        {{"--overwrite=yes", in}, "--overwrite takes no value"},
        {{"--frobnicate", "-o", out, in}, "unknown option \"--frobnicate\""},
        {{"--preset", "999", "-o", out, in}, "holds 20 presets (0..19)"},
        {{"--frame", "Thicka=99", "-o", out, in}, "Thicka"},
        {{"--frame", "Colour=FF0000", "-o", out, in}, "Colour"},
        {{"--effect", "sparkle", "-o", out, in}, "unknown effect \"sparkle\""},
        {{"--effect", "wave", "--param", "TWaves.Value=999", "-o", out, in}, "TWaves.Value"},
        {{"--effect", "wave", "--param", "TWaves.Speed=1", "-o", out, in}, "TWaves.Speed"},
        {{"--param", "TWaves.Value=3", "-o", out, in}, "must follow an --effect"},
        {{"--noise", "pink", "-o", out, in}, "--noise expects color or mona"},
        {{"--rotate", "45", "-o", out, in}, "--rotate expects 90, -90 or 180"},
        {{"--flip", "d", "-o", out, in}, "--flip expects h or v"},
        {{"--balance", "1,2", "-o", out, in}, "--balance expects SR,SG,SB"},
        {{"--balance", "60,0,0", "-o", out, in}, "-50..50"},
        {{"--balance", "1,2,3:slow", "-o", out, in}, "speed or quality"},
        {{"--brightness", "300", "-o", out, in}, "-200..200"},
        {{"--tint", "GG0000", "-o", out, in}, "--tint expects a colour RRGGBB"},
        {{"--sharpen", "1", "-o", out, in}, "--sharpen expects a whole number 2..5"},
        {{"--blur", "0", "-o", out, in}, "--blur expects a whole number 1..100"},
        {{"--blur", "3:soft", "-o", out, in}, "--blur expects N[:defocus]"},
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
        EXPECT_NE(r.err.find("--help"), std::string::npos);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(Path("o")));
    }
}

// A file that fails is reported with its error text in the summary, and the exit status says so.
TEST_F(BatchTest, FailuresReportTheErrorText) {
    MakePicture(4, 4).SaveToFile(Path("in.bmp"));
    WriteText(Path("broken.bmp"), std::string("BM\x10\x00", 4)); // a truncated header
    WriteText(Path("notes.txt"), "hello");
    struct Case {
        std::vector<std::string> args;
        std::string mentions; // the message names this
    };
    const Case cases[] = {
        {{"-o", Path("out.bmp"), Path("missing.bmp")}, "missing.bmp: файл или папка не найдены"},
        {{"-o", Path("out.bmp"), Path("broken.bmp")}, "broken.bmp"},
        {{"-o", Path("out.bmp"), Path("notes.txt")}, "Unknown picture file extension (.txt)"},
        {{"-o", Path("no/such/folder/out.bmp"), Path("in.bmp")}, "out.bmp"},
        // A message box of the editor becomes the file's error.
        {{"--frame", "Fill=Textura", "-o", Path("out.bmp"), Path("in.bmp")},
         "Пожалуйста, выберите текстуру."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mentions);
        RunResult r = Run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("0 обработано, 1 с ошибками"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("--help"), std::string::npos);
        EXPECT_FALSE(fs::exists(Path("out.bmp")));
    }
    // No temporary file is left behind, and the missing folder of a single output was not made.
    EXPECT_EQ(FolderNames(dir), (std::vector<std::string>{"broken.bmp", "in.bmp", "notes.txt"}));
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

    // With steps a project is its composite: the layers are burnt in before the steps, so nothing of
    // them is lost, and the result is the same as the steps on the composite as a picture.
    doc.Composite.SaveToFile(Path("composite.bmp")); // the 32-bit stream keeps the composite's alpha
    for (const char* format : {"qrv", "bmp"}) {
        SCOPED_TRACE(format);
        const std::string x = Path(std::string("x.") + format), y = Path(std::string("y.") + format);
        const std::string bmp32 = format == std::string("bmp") ? "--bmp32" : "--overwrite";
        r = Run({"--resize", "60x48:nearest", "--preset", "0", bmp32, "-o", x, Path("in.qrv")});
        ASSERT_EQ(r.status, 0) << r.err;
        r = Run({"--resize", "60x48:nearest", "--preset", "0", bmp32, "-o", y, Path("composite.bmp")});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(ReadText(x) == ReadText(y));
    }
    // A damaged project fails with its error.
    {
        std::ofstream f(Path("bad.qrv"), std::ios::binary);
        f << "not a project";
    }
    r = Run({"-o", Path("z.bmp"), Path("bad.qrv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Bitmap image is not valid"), std::string::npos) << r.err;
}
