// korvalis-batch over folders: the results against the editor's own commands, names and the
// never-replace rules, jobs, metadata, Ctrl+C, the preset list and the documentation.
#include "tests/app/batch_fixture.h"

#include "adjust/adjust_commands.h"
#include "document/mainform.h"
#include "effects/effect_commands.h"
#include "effects/effects.h"
#include "frames/frame_commands.h"
#include "tests/support/fake_platform.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

extern char** environ;

using namespace kv;
using namespace kv::batchtest;

namespace {

// The editor on the scripted platform with the built program folder: every subsystem's commands
// bound to the menus, as at start-up.
struct Editor {
    FakePlatform platform;
    TMainForm form{platform};
    TFrameCommands frames{form};
    TEffectCommands effects{form};
    TAdjustCommands adjust{form};

    explicit Editor(const std::string& file) {
        SetRandomState(0);
        platform.OpenAnswers.push_back(TFileDialogResult{file, 1});
        form.OpenClick();
    }
    void Menu(const std::string& menu, const std::string& caption) {
        TMenuItem* item = form.FindItem(menu, caption);
        ASSERT_TRUE(item && item->Handler) << caption;
        item->Handler(form);
    }
    const TBitmap32& Composite() {
        form.Doc.Compose();
        return form.Doc.Composite;
    }
};

codecs::Bytes EncodeLike(const std::string& ext, const TBitmap32& picture) {
    if (ext == ".bmp") return codecs::EncodeBMP24(picture);
    if (ext == ".png") return codecs::EncodePNG24(picture);
    if (ext == ".jpg") return codecs::EncodeJPEG(picture, 92);
    if (ext == ".gif") return codecs::EncodeGIF(picture, codecs::GifColours::Auto);
    ADD_FAILURE() << ext;
    return {};
}

void SaveAs(const TBitmap32& picture, const fs::path& file) {
    const codecs::Bytes b = EncodeLike(file.extension().string(), picture);
    codecs::WriteWholeFile(file.string(), b.data(), b.size());
}

std::vector<std::string> Visible(const fs::path& folder) {
    std::vector<std::string> names;
    for (const std::string& n : FolderNames(folder))
        if (n[0] != '.') names.push_back(n);
    return names;
}

bool HasHiddenFiles(const fs::path& folder) {
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.path().filename().string()[0] == '.') return true;
    return false;
}

// A JPEG with an EXIF block (camera make and orientation) and an ICC profile, both hand-made.
codecs::Bytes JpegWithMetadata(const TBitmap32& picture, const std::string& make, int orientation,
                               const codecs::Bytes& icc) {
    const codecs::Bytes plain = codecs::EncodeJPEG(picture, 95);
    // TIFF, little-endian: IFD0 with Make (ASCII) and Orientation (SHORT).
    codecs::Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto u16 = [&](int v) {
        tiff.push_back(std::uint8_t(v));
        tiff.push_back(std::uint8_t(v >> 8));
    };
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            tiff.push_back(std::uint8_t(v >> (8 * i)));
    };
    const std::uint32_t makeAt = 8 + 2 + 2 * 12 + 4;
    u16(2);
    u16(0x010F), u16(2), u32(std::uint32_t(make.size() + 1)), u32(makeAt);
    u16(0x0112), u16(3), u32(1), u16(orientation), u16(0);
    u32(0);
    tiff.insert(tiff.end(), make.begin(), make.end());
    tiff.push_back(0);

    auto segment = [](std::uint8_t marker, const std::string& id, const codecs::Bytes& body) {
        const std::size_t len = 2 + id.size() + body.size();
        std::string seg = {'\xFF', char(marker), char(len >> 8), char(len & 255)};
        seg += id;
        seg.append(body.begin(), body.end());
        return codecs::Bytes(seg.begin(), seg.end());
    };
    codecs::Bytes iccBody = {1, 1}; // chunk 1 of 1
    iccBody.insert(iccBody.end(), icc.begin(), icc.end());
    codecs::Bytes out(plain.begin(), plain.begin() + 2); // SOI
    for (const auto& seg : {segment(0xE1, std::string("Exif\0\0", 6), tiff),
                            segment(0xE2, std::string("ICC_PROFILE\0", 12), iccBody)})
        out.insert(out.end(), seg.begin(), seg.end());
    out.insert(out.end(), plain.begin() + 2, plain.end());
    return out;
}

// A minimal ICC profile: its size in the header, the 'acsp' signature, no tags.
codecs::Bytes FakeIccProfile() {
    codecs::Bytes p(160, 0);
    p[3] = 160;
    std::memcpy(&p[36], "acsp", 4);
    for (std::size_t i = 128; i < p.size(); ++i)
        p[i] = std::uint8_t(i * 7);
    return p;
}

bool Contains(const std::string& hay, const codecs::Bytes& needle) {
    return hay.find(std::string(needle.begin(), needle.end())) != std::string::npos;
}

// The EXIF orientation of a JPEG (0 when there is none).
int ExifOrientation(const std::string& jpeg) {
    const std::size_t at = jpeg.find(std::string("Exif\0\0", 6));
    if (at == std::string::npos) return 0;
    const std::string t = jpeg.substr(at + 6);
    const bool le = t[0] == 'I';
    auto rd = [&](std::size_t o, int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            const std::uint32_t b = std::uint8_t(t.at(o + std::size_t(i)));
            v |= le ? b << (8 * i) : b << (8 * (n - 1 - i));
        }
        return v;
    };
    const std::uint32_t ifd = rd(4, 4);
    const std::uint32_t count = rd(ifd, 2);
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::size_t e = ifd + 2 + 12 * k;
        if (rd(e, 2) == 0x0112) return int(rd(e + 8, 2));
    }
    return 0;
}

} // namespace

// The "Done when" case: a folder framed as the "Классическая деревянная" menu item frames each
// photo, with a corrupt file among good ones of every written format.
TEST_F(BatchTest, FramesAFolderAsTheMenuFrameDoes) {
    const fs::path photos = dir / "photos";
    fs::create_directories(photos / "sub");
    const char* names[] = {"a.bmp", "b.png", "c.jpg", "d.gif"};
    for (int i = 0; i < 4; ++i)
        SaveAs(MakePhoto(90 + 10 * i, 60, i), photos / names[i]);
    WriteText(photos / "broken.jpg", "\xFF\xD8\xFF\xE0 this is no JPEG");
    WriteText(photos / "notes.txt", "not a picture");
    SaveAs(MakePhoto(50, 40, 9), photos / "sub" / "f.png");

    RunResult r = Run({"--preset", "3", "-o", (dir / "out/").string(), photos.string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("4 обработано, 1 с ошибками"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("broken.jpg: "), std::string::npos) << r.err;
    for (int k = 1; k <= 5; ++k) // one progress line per file when stderr is no terminal
        EXPECT_NE(r.err.find("[" + std::to_string(k) + "/5] "), std::string::npos) << r.err;
    EXPECT_EQ(Visible(dir / "out"),
              (std::vector<std::string>{"a_framed.bmp", "b_framed.png", "c_framed.jpg", "d_framed.gif"}));
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Editor editor((photos / name).string());
        editor.Menu("Рамки", "Классическая деревянная");
        const fs::path out =
            dir / "out" / (fs::path(name).stem().string() + "_framed" + fs::path(name).extension().string());
        EXPECT_TRUE(codecs::ReadWholeFile(out.string()) ==
                    EncodeLike(out.extension().string(), editor.Composite()));
    }

    // --recursive takes the subfolder into the same place under the output folder.
    r = Run({"--preset", "3", "-r", "-o", (dir / "out/").string(), photos.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::exists(dir / "out" / "sub" / "f_framed.png")) << r.err;
    EXPECT_FALSE(HasHiddenFiles(dir / "out"));
}

TEST_F(BatchTest, ExistingOutputsAndInputsAreNeverReplaced) {
    const fs::path photos = dir / "photos";
    fs::create_directories(photos);
    SaveAs(MakePhoto(40, 30, 1), photos / "a.png");
    SaveAs(MakePhoto(40, 30, 2), photos / "a.bmp");
    const std::string inputPng = ReadText(photos / "a.png");

    // Beside the inputs by default; a second run skips the outputs that exist.
    ASSERT_EQ(Run({"--bw", (photos / "a.png").string()}).status, 0);
    ASSERT_TRUE(fs::exists(photos / "a_framed.png"));
    WriteText(photos / "a_framed.png", "keep me");
    RunResult r = Run({"--bw", (photos / "a.png").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("0 обработано, 1 с ошибками"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("уже существует"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(photos / "a_framed.png"), "keep me");
    r = Run({"--bw", "--overwrite", (photos / "a.png").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(codecs::LoadPicture((photos / "a_framed.png").string()).Width(), 40);
    fs::remove(photos / "a_framed.png");

    // An output that would be an input is refused even with --overwrite, and so is a second input
    // aiming at an output already taken.
    r = Run({"--bw", "--overwrite", "--name", "{stem}", "--format", "png", photos.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("would replace an input file"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(photos / "a.png"), inputPng);
    r = Run({"--bw", "--format", "png", "-o", (dir / "out").string(), photos.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is already the output of \"" + (photos / "a.bmp").string() + "\""),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Visible(dir / "out"), (std::vector<std::string>{"a_framed.png"}));

    // The pattern's placeholders.
    r = Run({"--bw", "--name", "{n}-{stem}.{ext}", "-o", (dir / "named").string(), photos.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Visible(dir / "named"), (std::vector<std::string>{"1-a.bmp.bmp", "2-a.png.png"}));
    EXPECT_FALSE(HasHiddenFiles(dir));
}

// The random source restarts at 0 for every file, so neither the number of jobs nor the company
// a file keeps in the batch changes its bytes.
TEST_F(BatchTest, JobsDoNotChangeTheBytes) {
    const fs::path photos = dir / "photos";
    fs::create_directories(photos);
    for (int i = 0; i < 6; ++i)
        SaveAs(MakePhoto(70 + 3 * i, 50, i), fs::path(photos / ("p" + std::to_string(i))).concat(".png"));
    const std::vector<std::string> steps = {"--noise",  "color", "--effect", "spray",
                                            "--preset", "0",     "--sepia"};
    auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = steps;
        args.insert(args.end(), extra.begin(), extra.end());
        RunResult r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
    };
    run({"--jobs", "1", "-o", (dir / "j1").string(), photos.string()});
    run({"--jobs", "2", "-o", (dir / "j2").string(), photos.string()});
    run({"-o", (dir / "alone.png").string(), (photos / "p4.png").string()});
    ASSERT_EQ(Visible(dir / "j1").size(), 6u);
    for (const std::string& name : Visible(dir / "j1")) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(ReadText(dir / "j1" / name) == ReadText(dir / "j2" / name));
    }
    EXPECT_TRUE(ReadText(dir / "alone.png") == ReadText(dir / "j1" / "p4_framed.png"));
    Editor editor((photos / "p4.png").string());
    editor.effects.RunNoise("color");
    editor.effects.RunEffect("spray");
    editor.Menu("Рамки", "Ярко-синяя простая");
    RunSepia(editor.form);
    EXPECT_TRUE(codecs::ReadWholeFile((dir / "alone.png").string()) ==
                codecs::EncodePNG24(editor.Composite()));
}

// Each step is the editor's command of the same name with the same values.
TEST_F(BatchTest, StepsAreTheEditorCommands) {
    const std::string in = Path("in.png");
    SaveAs(MakePhoto(40, 30, 3), in);
    struct Case {
        std::vector<std::string> args;
        std::function<void(Editor&)> byHand;
    };
    const Case cases[] = {
        {{"--rotate", "90"}, [](Editor& e) { e.Menu("Изображение", "На 90° вправо"); }},
        {{"--rotate", "-90"}, [](Editor& e) { e.Menu("Изображение", "На 90° влево"); }},
        {{"--rotate", "180"}, [](Editor& e) { e.Menu("Изображение", "На 180°"); }},
        {{"--flip", "h"}, [](Editor& e) { e.Menu("Изображение", "Зеркально"); }},
        {{"--flip", "v"}, [](Editor& e) { e.Menu("Изображение", "Вертикально"); }},
        {{"--sepia"}, [](Editor& e) { e.Menu("Эффекты", "Эффект сепия"); }},
        {{"--bw"}, [](Editor& e) { e.Menu("Эффекты", "Сделать чёрно-белым"); }},
        {{"--effect", "invert"}, [](Editor& e) { e.Menu("Эффекты", "Обратить цвета"); }},
        {{"--effect", "mosa"}, [](Editor& e) { e.Menu("Эффекты", "Мозаика"); }},
        {{"--sharpen", "5"}, [](Editor& e) { e.Menu("Эффекты", "Быстрая резкость"); }},
        {{"--tint", "FF8000"}, [](Editor& e) { RunOneColourTint(e.form, 0xFFFF8000u); }},
        {{"--brightness", "30", "--contrast", "-20"},
         [](Editor& e) { RunBrightnessContrast(e.form, 30, -20); }},
        {{"--contrast", "-20", "--brightness", "30"},
         [](Editor& e) { RunBrightnessContrast(e.form, 30, -20); }},
        {{"--brightness", "30", "--brightness", "-10"},
         [](Editor& e) {
             RunBrightnessContrast(e.form, 30, 0);
             RunBrightnessContrast(e.form, -10, 0);
         }},
        {{"--balance", "10,-5,3:quality"},
         [](Editor& e) { RunColourBalance(e.form, 10, -5, 3, TBalanceMode::Quality); }},
        {{"--balance", "10,-5,3"},
         [](Editor& e) { RunColourBalance(e.form, 10, -5, 3, TBalanceMode::Speed); }},
        {{"--effect", "wave", "--param", "TWaves.Value=7", "--param", "TWaves.Nu=Высокая"},
         [](Editor& e) {
             e.effects.RunEffect("wave", {{"TWaves.Value", "7"}, {"TWaves.Nu", "Высокая"}});
         }},
        {{"--noise", "mona"}, [](Editor& e) { e.effects.RunNoise("mona"); }},
        {{"--blur", "4:defocus"}, [](Editor& e) { e.effects.RunBlur(4, true); }},
        {{"--sharpen", "3"}, [](Editor& e) { e.effects.RunSharpen(3); }},
        {{"--resize", "33x21:spline"}, [](Editor& e) { RunImageSize(e.form, 33, 21, 2); }},
        {{"--frame", "Thicka=15,SColor=FF0000,Matte=1,Mat=MatColor,MatSC=00FF00"},
         [](Editor& e) {
             FrameSettings s;
             s.Thicka = 15;
             s.SColor = WinRGB(255, 0, 0);
             s.Matte = true;
             s.Mat = TMatFill::MatColor;
             s.MatSC = WinRGB(0, 255, 0);
             PreviewFrame(e.form, s);
         }},
        // A texture by its file name is the one in its tab's folder; frames never stack.
        {{"--frame", "Fill=Textura,Texture=Oak.jpg", "--frame", "Thicka=5"},
         [](Editor& e) {
             FrameSettings s;
             s.Fill = TFrameFill::Textura;
             s.Texture = std::string(KV_BIN_DIR) + "/NTextures/Oak.jpg";
             s.Thicka = 5;
             PreviewFrame(e.form, s);
         }},
        // The panel keeps a preset's values for a later --frame.
        {{"--preset", "3", "--frame", "Thicka=20"},
         [](Editor& e) {
             e.Menu("Рамки", "Классическая деревянная");
             FrameSettings s = ApplyPresetFrame(e.form, std::string(KV_BIN_DIR) + "/Presets.lst", 3);
             s.Thicka = 20;
             PreviewFrame(e.form, s);
         }},
        {{"--sepia", "--preset", "0", "--rotate", "90"},
         [](Editor& e) {
             e.Menu("Эффекты", "Эффект сепия");
             e.Menu("Рамки", "Ярко-синяя простая");
             e.Menu("Изображение", "На 90° вправо");
         }},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        std::vector<std::string> args = c.args;
        for (const char* a : {"--bmp32", "--overwrite", "-o"})
            args.push_back(a);
        args.push_back(Path("out.bmp"));
        args.push_back(in);
        RunResult r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        Editor editor(in);
        c.byHand(editor);
        EXPECT_TRUE(codecs::ReadWholeFile(Path("out.bmp")) == codecs::EncodeBMP32(editor.Composite()));
    }
}

TEST_F(BatchTest, JpegOutputsKeepExifAndIcc) {
    const TBitmap32 photo = MakePhoto(48, 24, 5);
    const codecs::Bytes icc = FakeIccProfile();
    const codecs::Bytes jpeg = JpegWithMetadata(photo, "KorvalisCam", 6, icc);
    codecs::WriteWholeFile(Path("in.jpg"), jpeg.data(), jpeg.size());

    RunResult r = Run({"--preset", "0", "-o", Path("kept.jpg"), Path("in.jpg")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string kept = ReadText(Path("kept.jpg"));
    EXPECT_NE(kept.find("KorvalisCam"), std::string::npos);
    EXPECT_TRUE(Contains(kept, icc));
    EXPECT_EQ(ExifOrientation(kept), 6);
    const TBitmap32 framed = codecs::LoadPicture(Path("kept.jpg"));
    EXPECT_GT(framed.Width(), framed.Height());

    // --auto-orient turns the photo upright first (orientation 6: a quarter turn clockwise) and
    // writes orientation 1; the frame is then built around the upright photo.
    r = Run({"--auto-orient", "--preset", "0", "-o", Path("upright.jpg"), Path("in.jpg")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"--rotate", "90", "--preset", "0", "-o", Path("turned.jpg"), Path("in.jpg")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string upright = ReadText(Path("upright.jpg"));
    EXPECT_EQ(ExifOrientation(upright), 1);
    EXPECT_NE(upright.find("KorvalisCam"), std::string::npos);
    EXPECT_TRUE(Contains(upright, icc));
    const TBitmap32 a = codecs::LoadPicture(Path("upright.jpg")), b = codecs::LoadPicture(Path("turned.jpg"));
    EXPECT_LT(a.Width(), a.Height());
    EXPECT_TRUE(SamePixels(a, b));

    // Other formats are written as the editor writes them, without the metadata.
    r = Run({"--preset", "0", "-o", Path("plain.png"), Path("in.jpg")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(Path("plain.png")).find("KorvalisCam"), std::string::npos);
}

// Every EXIF orientation: the photo stored turned or mirrored comes out upright. The stored
// pictures are made from the upright one by the EXIF definitions (where row 0 and column 0 of the
// stored picture lie in the upright one); flat 16 x 16 blocks keep the JPEG colours exact enough.
TEST_F(BatchTest, AutoOrientTurnsEveryOrientationUpright) {
    constexpr int W = 64, H = 32;
    auto colour = [](int X, int Y) {
        const int b = (Y / 16) * 4 + X / 16;
        return Color32(b & 1 ? 230 : 20, b & 2 ? 230 : 20, b & 4 ? 230 : 20, 255);
    };
    for (int k = 1; k <= 8; ++k) {
        SCOPED_TRACE(k);
        const bool swapped = k >= 5;
        TBitmap32 stored(swapped ? H : W, swapped ? W : H);
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) {
                // Where the upright pixel (X, Y) lies in the stored picture.
                const std::pair<int, int> at[9] = {
                    {0, 0}, {X, Y},         {W - 1 - X, Y},         {W - 1 - X, H - 1 - Y}, {X, H - 1 - Y},
                    {Y, X}, {Y, W - 1 - X}, {H - 1 - Y, W - 1 - X}, {H - 1 - Y, X}};
                stored.SetPixel(at[k].first, at[k].second, colour(X, Y));
            }
        const codecs::Bytes jpeg = JpegWithMetadata(stored, "KorvalisCam", k, FakeIccProfile());
        codecs::WriteWholeFile(Path("in.jpg"), jpeg.data(), jpeg.size());
        RunResult r = Run({"--auto-orient", "--overwrite", "-o", Path("out.bmp"), Path("in.jpg")});
        ASSERT_EQ(r.status, 0) << r.err;
        const TBitmap32 out = codecs::LoadPicture(Path("out.bmp"));
        ASSERT_EQ(out.Width(), W);
        ASSERT_EQ(out.Height(), H);
        for (int Y = 8; Y < H; Y += 16)
            for (int X = 8; X < W; X += 16)
                for (int sh : {0, 8, 16})
                    EXPECT_NEAR(int((out.Pixel(X, Y) >> sh) & 255), int((colour(X, Y) >> sh) & 255), 12)
                        << X << "," << Y;
    }
}

// Ctrl+C: the run stops soon, every output written is complete, and no temporary file is left.
TEST_F(BatchTest, InterruptLeavesNoHalfWrittenFile) {
    const fs::path photos = dir / "photos", out = dir / "out";
    fs::create_directories(photos);
    constexpr int kFiles = 40;
    for (int i = 0; i < kFiles; ++i)
        SaveAs(MakePhoto(500, 400, i), fs::path(photos / ("p" + std::to_string(100 + i))).concat(".bmp"));
    const std::string program = BatchProgram(), err = (dir / "err.txt").string();
    std::vector<std::string> args = {program, "--jobs", "2",          "--preset",
                                     "3",     "-o",     out.string(), photos.string()};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Interrupt once the first photo is done (at most a minute later, so the test never hangs).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline && (!fs::exists(out) || Visible(out).empty()))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(pid, SIGINT);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFEXITED(raw));
    const std::string text = ReadText(err);
    ASSERT_EQ(WEXITSTATUS(raw), 130) << text;
    EXPECT_NE(text.find("Прервано"), std::string::npos) << text;
    const std::vector<std::string> written = Visible(out);
    EXPECT_GE(written.size(), 1u);
    EXPECT_LT(written.size(), std::size_t(kFiles));
    EXPECT_FALSE(HasHiddenFiles(out));
    for (const std::string& name : written)
        EXPECT_NO_THROW(codecs::LoadPicture((out / name).string())) << name;
}

TEST_F(BatchTest, ListPresetsGivesSettingsThatRebuildTheFrame) {
    RunResult r = Run({"--list-presets"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" 3  \"Классическая деревянная\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("20 presets"), std::string::npos) << r.out;
    SaveAs(MakePhoto(60, 40, 7), Path("in.png"));
    for (int k : {0, 1, 3, 11}) {
        SCOPED_TRACE(k);
        const std::string head = (k < 10 ? " " : "") + std::to_string(k);
        std::size_t at = r.out.find("\n" + head + "  ");
        if (at == std::string::npos) at = r.out.find("\n" + head + "\n");
        ASSERT_NE(at, std::string::npos);
        const std::size_t line = r.out.find("\n    ", at + 1) + 5;
        const std::string settings = r.out.substr(line, r.out.find('\n', line) - line);
        ASSERT_EQ(Run({"--preset", std::to_string(k), "--bmp32", "--overwrite", "-o", Path("a.bmp"),
                       Path("in.png")})
                      .status,
                  0);
        RunResult f =
            Run({"--frame", settings, "--bmp32", "--overwrite", "-o", Path("b.bmp"), Path("in.png")});
        ASSERT_EQ(f.status, 0) << settings << "\n" << f.err;
        EXPECT_TRUE(ReadText(Path("a.bmp")) == ReadText(Path("b.bmp"))) << settings;
    }
}

TEST_F(BatchTest, HelpAndManPageDocumentEveryOption) {
    const std::string help = Run({"--help"}).out;
    const std::string man =
        ReadText((fs::path(KV_TEST_DATA_DIR) / ".." / ".." / "docs" / "korvalis-batch.1").lexically_normal());
    ASSERT_FALSE(man.empty());
    for (const char* option :
         {"--output",  "--name",   "{stem}",      "{ext}",        "{n}",        "--format",
          "--quality", "--bmp32",  "--overwrite", "--recursive",  "--jobs",     "--auto-orient",
          "--frame",   "--preset", "--presets",   "--effect",     "--param",    "--noise",
          "--sharpen", "--blur",   "--balance",   "--brightness", "--contrast", "--sepia",
          "--bw",      "--tint",   "--rotate",    "--flip",       "--resize",   "--list-presets",
          "--help"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
        std::string escaped; // roff writes a minus as \-
        for (char c : std::string(option))
            escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_TRUE(man.find(escaped) != std::string::npos || man.find(option) != std::string::npos)
            << option;
    }
}
