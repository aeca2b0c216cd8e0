#include "core/codecs/codecs.h"
#include "core/error.h"
#include "frames/presets.h"
#include "tests/frames/frames_fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using namespace kv;
using kv::test::TempFolder;

namespace {

std::uint32_t U32(const PresetRecord& r, std::size_t at) {
    return std::uint32_t(r[at]) | std::uint32_t(r[at + 1]) << 8 | std::uint32_t(r[at + 2]) << 16 |
           std::uint32_t(r[at + 3]) << 24;
}

// Every field away from its start value.
FrameSettings Unusual(const std::string& folder) {
    FrameSettings s;
    s.Thicka = 17;
    s.DWF = 90;
    s.FDE = 1;
    s.InShad = false;
    s.InBliks = false;
    s.InFrama = true;
    s.Mixer = 150;
    s.Fill = TFrameFill::Textura;
    s.SColor = 0x00112233;
    s.k1 = 0x00445566;
    s.k2 = 0x00778899;
    s.RTX = 4;
    s.Tab = kTabMono;
    s.Texture = folder + "MTextures/Клён.jpg";
    s.MoColor = 0x00ABCDEF;
    s.Matte = true;
    s.Press1 = true;
    s.Pole = 50;
    s.PhotoForm = 5;
    s.Mat = TMatFill::MatTexture;
    s.MatteTone = -37;
    s.MatSC = 0x00010203;
    s.MatK1 = 0x00040506;
    s.MatK2 = 0x00070809;
    s.MatTab = kTabSpecial;
    s.MatTexture = folder + "STextures/strip1.png";
    s.Panel12 = 0x00FEDCBA;
    return s;
}

TEST(PresetRecord, BytesAtTheirOffsets) {
    const PresetRecord r = EncodePresetRecord(Unusual("/opt/k/"));
    EXPECT_EQ(U32(r, 52), 17u);
    EXPECT_EQ(U32(r, 56), 90u);
    EXPECT_EQ(U32(r, 60), 1u);
    EXPECT_EQ(r[64], 0);
    EXPECT_EQ(r[65], 0);
    EXPECT_EQ(r[66], 1);
    EXPECT_EQ(U32(r, 68), 150u);
    EXPECT_EQ(r[72], 2);
    EXPECT_EQ(U32(r, 76), 0x00112233u);
    EXPECT_EQ(U32(r, 80), 0x00445566u);
    EXPECT_EQ(U32(r, 84), 0x00778899u);
    EXPECT_EQ(U32(r, 88), 4u);
    EXPECT_EQ(U32(r, 92), 2u);
    // "Клён.jpg" in Windows-1251, file name only.
    const std::uint8_t name[] = {0xCA, 0xEB, 0xB8, 0xED, '.', 'j', 'p', 'g'};
    ASSERT_EQ(r[96], sizeof name);
    EXPECT_TRUE(std::equal(std::begin(name), std::end(name), r.begin() + 97));
    EXPECT_EQ(U32(r, 300), 0x00ABCDEFu);
    EXPECT_EQ(r[304], 1);
    EXPECT_EQ(r[305], 1);
    EXPECT_EQ(U32(r, 308), 50u);
    EXPECT_EQ(U32(r, 312), 5u);
    EXPECT_EQ(r[316], 3);
    EXPECT_EQ(U32(r, 320), 0x00010203u);
    EXPECT_EQ(U32(r, 324), 0x00040506u);
    EXPECT_EQ(U32(r, 328), 0x00070809u);
    EXPECT_EQ(U32(r, 332), std::uint32_t(-37));
    ASSERT_EQ(r[336], 10);
    EXPECT_EQ(std::string(r.begin() + 337, r.begin() + 347), "strip1.png");
    EXPECT_EQ(U32(r, 540), 0x00FEDCBAu);
    EXPECT_EQ(U32(r, 544), 1u);
}

TEST(PresetRecord, ReservedAndUnusedBytesAreZero) {
    // With every field and both names at their largest, only the listed bytes may be non-zero.
    FrameSettings s = Unusual("/x/");
    s.SColor = s.k1 = s.k2 = s.MoColor = s.MatSC = s.MatK1 = s.MatK2 = s.Panel12 = 0x00FFFFFF;
    s.Texture = std::string(200, 'a');
    s.MatTexture = std::string(200, 'b');
    const PresetRecord r = EncodePresetRecord(s);
    struct Span {
        std::size_t From, Size;
    };
    const Span used[] = {{52, 4},  {56, 4},  {60, 4},  {64, 1},    {65, 1},  {66, 1},  {68, 4},
                         {72, 1},  {76, 4},  {80, 4},  {84, 4},    {88, 4},  {92, 4},  {96, 201},
                         {300, 4}, {304, 1}, {305, 1}, {308, 4},   {312, 4}, {316, 1}, {320, 4},
                         {324, 4}, {328, 4}, {332, 4}, {336, 201}, {540, 4}, {544, 4}};
    std::vector<bool> listed(kPresetRecordSize, false);
    for (const Span& u : used)
        for (std::size_t k = 0; k < u.Size; ++k)
            listed[u.From + k] = true;
    for (std::size_t k = 0; k < kPresetRecordSize; ++k) {
        if (!listed[k]) {
            EXPECT_EQ(r[k], 0) << "byte " << k;
        }
    }
    EXPECT_EQ(r[96], 200);
    EXPECT_EQ(r[336], 200);
}

TEST(PresetRecord, RoundTripRestoresEveryControl) {
    const std::string folder = "/opt/korvalis/";
    for (const FrameSettings& s : {FrameSettings{}, Unusual(folder)}) {
        const FrameSettings back = DecodePresetRecord(EncodePresetRecord(s), folder);
        if (s.Texture.empty()) {
            EXPECT_EQ(back, s);
        } else {
            EXPECT_EQ(back, s);
            EXPECT_EQ(back.Texture, folder + "MTextures/Клён.jpg");
            EXPECT_EQ(back.MatTexture, folder + "STextures/strip1.png");
        }
    }
}

TEST(PresetRecord, TexturePathFollowsTheStoredTab) {
    FrameSettings s;
    s.Texture = "C:\\old\\place\\oak.jpg"; // a Windows path: only the file name is kept
    s.Tab = kTabSpecial;
    const FrameSettings back = DecodePresetRecord(EncodePresetRecord(s), "/p/");
    EXPECT_EQ(back.Texture, "/p/STextures/oak.jpg");
    EXPECT_EQ(back.MatTexture, "");
}

TEST(PresetRecord, LongNamesKeepTheirFirst200Bytes) {
    FrameSettings s;
    s.Texture = std::string(250, 'q');
    // A name stored in UTF-8 is cut at a character boundary: 3-byte characters, 66 of them fit.
    std::string cjk;
    for (int i = 0; i < 100; ++i)
        cjk += "日";
    s.MatTexture = cjk;
    const PresetRecord r = EncodePresetRecord(s);
    EXPECT_EQ(r[96], 200);
    EXPECT_EQ(r[336], 198);
    const FrameSettings back = DecodePresetRecord(r, "/p/");
    EXPECT_EQ(back.Texture, "/p/NTextures/" + std::string(200, 'q'));
    EXPECT_EQ(back.MatTexture, "/p/NTextures/" + cjk.substr(0, 198));
}

TEST(PresetNames, Windows1251OrUtf8) {
    struct Case {
        std::string Text;
        std::string Stored;
    };
    const Case cases[] = {
        {"oak.jpg", "oak.jpg"},
        {"Дуб.jpg", "\xC4\xF3\xE1.jpg"},
        {"Ёлка №1.png", "\xA8\xEB\xEA\xE0 \xB9\x31.png"},
        {"日本.png", "日本.png"},   // outside the code page: UTF-8
        {"Дуб日.png", "Дуб日.png"}, // one character outside: the whole name in UTF-8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(EncodePresetName(c.Text), c.Stored);
        EXPECT_EQ(DecodePresetName(c.Stored), c.Text);
    }
}

TEST(PresetRecord, ReadingClampsEveryField) {
    PresetRecord r{};
    const auto put = [&](std::size_t at, std::int32_t v) {
        for (int k = 0; k < 4; ++k)
            r[at + std::size_t(k)] = std::uint8_t(std::uint32_t(v) >> (8 * k));
    };
    put(52, 0);    // Thicka below 1
    put(56, 1000); // DWF above 90
    put(60, -5);   // FDE
    r[64] = 7;     // a flag that is not 0 or 1
    r[66] = 2;
    put(68, 151);                 // Mixer
    r[72] = 9;                    // fill kind
    put(76, int32_t(0xFF0000FF)); // a colour with a high byte
    put(88, 5);                   // RTX
    put(92, -1);                  // tab
    r[96] = 255;                  // length beyond 200: only 200 bytes are read
    for (int k = 0; k < 255 && 97 + k < 297; ++k)
        r[std::size_t(97 + k)] = 'n';
    put(308, 0);   // Pole
    put(312, 99);  // PhotoForm
    r[316] = 200;  // mat kind
    put(332, -51); // MatteTone
    put(544, 3);   // mat tab
    const FrameSettings s = DecodePresetRecord(r, "/p/");
    EXPECT_EQ(s.Thicka, 1);
    EXPECT_EQ(s.DWF, 90);
    EXPECT_EQ(s.FDE, 1);
    EXPECT_TRUE(s.InShad);
    EXPECT_FALSE(s.InBliks);
    EXPECT_TRUE(s.InFrama);
    EXPECT_EQ(s.Mixer, 150);
    EXPECT_EQ(s.Fill, TFrameFill::Textura);
    EXPECT_EQ(s.SColor, 0x000000FFu);
    EXPECT_EQ(s.RTX, 4);
    EXPECT_EQ(s.Tab, 0);
    EXPECT_EQ(s.Texture, "/p/NTextures/" + std::string(200, 'n'));
    EXPECT_EQ(s.Pole, 1);
    EXPECT_EQ(s.PhotoForm, 5);
    EXPECT_EQ(s.Mat, TMatFill::MatTexture);
    EXPECT_EQ(s.MatteTone, -50);
    EXPECT_EQ(s.MatTab, 2);
    EXPECT_EQ(s.MatTexture, "");
}

TEST(PresetFile, AppendCountsWholeRecordsAndCreatesTheFile) {
    TempFolder tmp;
    const std::string file = tmp.File("Presets.lst");
    EXPECT_THROW(PresetCount(file), Error);
    EXPECT_THROW(ReadPresetRecord(file, 0), Error);

    FrameSettings s;
    for (int k = 0; k < 9; ++k) {
        s.Thicka = k + 1;
        EXPECT_EQ(AppendPresetRecord(file, EncodePresetRecord(s)), k);
    }
    EXPECT_EQ(PresetCount(file), 9);
    s.Thicka = 30;
    EXPECT_EQ(AppendPresetRecord(file, EncodePresetRecord(s)), 9);
    EXPECT_EQ(DecodePresetRecord(ReadPresetRecord(file, 9), "/").Thicka, 30);
    EXPECT_EQ(DecodePresetRecord(ReadPresetRecord(file, 4), "/").Thicka, 5);

    // A partial record at the end is ignored and overwritten by the next save.
    {
        std::ofstream out(file, std::ios::binary | std::ios::app);
        out << std::string(123, '\x7F');
    }
    EXPECT_EQ(PresetCount(file), 10);
    EXPECT_THROW(ReadPresetRecord(file, 10), Error);
    s.Thicka = 31;
    EXPECT_EQ(AppendPresetRecord(file, EncodePresetRecord(s)), 10);
    EXPECT_EQ(std::filesystem::file_size(file), 11 * kPresetRecordSize);
    EXPECT_EQ(DecodePresetRecord(ReadPresetRecord(file, 10), "/").Thicka, 31);
    EXPECT_THROW(ReadPresetRecord(file, 11), Error);
    EXPECT_THROW(ReadPresetRecord(file, -1), Error);
}

TEST(PresetPictures, NamesAndNumbers) {
    EXPECT_EQ(PresetPictureName(0), "00.bmp");
    EXPECT_EQ(PresetPictureName(9), "09.bmp");
    EXPECT_EQ(PresetPictureName(10), "10.bmp");
    EXPECT_EQ(PresetPictureName(100), "100.bmp");
    EXPECT_EQ(PresetNumberOfPicture("/a/Presets/09.bmp"), 9);
    EXPECT_EQ(PresetNumberOfPicture("100.bmp"), 100);
    EXPECT_EQ(PresetNumberOfPicture("13.png"), 13);
    EXPECT_EQ(PresetNumberOfPicture("frame.bmp"), -1);
    EXPECT_EQ(PresetNumberOfPicture(".bmp"), -1);
}

} // namespace

#include "document/document.h"
#include "document/settings.h"
#include "frames/compositor.h"
#include "tests/support/fake_platform.h"

namespace {

struct PresetStoreFixture : ::testing::Test {
    TempFolder tmp;
    FakePlatform platform;
    TDocument doc;
    TDataFolders folders;
    TFrameEnv env;
    PresetStoreFixture() {
        folders.Program = tmp.Path / "prog";
        folders.UserData = tmp.Path / "user";
        folders.UserConfig = tmp.Path / "config";
        std::filesystem::create_directories(folders.Program);
        env.ProgramFolder = folders.Program.string() + "/";
        env.Platform = &platform;
        const TBitmap32 photo = test::Photo(60, 30);
        doc.CleanPhoto = photo;
        doc.SetBasePixels(photo);
    }
    static FrameSettings Plain() {
        FrameSettings s;
        s.InShad = s.InBliks = false; // no shading maps needed
        return s;
    }
};

TEST_F(PresetStoreFixture, SaveWritesRecordAndPicture) {
    FrameSettings s = Plain();
    for (int k = 0; k < 11; ++k) {
        s.Thicka = k + 1;
        EXPECT_EQ(SavePreset(doc, s, folders), k);
    }
    EXPECT_EQ(PresetCount((folders.Program / "Presets.lst").string()), 11);
    for (const char* name : {"00.bmp", "09.bmp", "10.bmp"}) {
        const TBitmap32 pic = codecs::LoadPicture((folders.Program / "Presets" / name).string());
        EXPECT_EQ(pic.Width(), 150) << name;
        EXPECT_EQ(pic.Height(), 75) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(folders.Program / "Presets" / "9.bmp"));
}

TEST_F(PresetStoreFixture, PreviewIsAtLeastOnePixelHigh) {
    EXPECT_EQ(PresetPreview(test::Photo(3000, 2)).Height(), 1);
    EXPECT_EQ(PresetPreview(test::Photo(250, 100)).Height(), 60);
    EXPECT_EQ(PresetPreview(test::Photo(200, 1)).Height(), 1); // 0.75 → 1
    EXPECT_TRUE(PresetPreview(TBitmap32()).Empty());
}

TEST_F(PresetStoreFixture, ReadOnlyProgramFolderWritesBesideTheUser) {
    // Two installed records and their pictures are copied before the first save.
    FrameSettings s = Plain();
    const std::string installed = (folders.Program / "Presets.lst").string();
    s.Thicka = 3;
    AppendPresetRecord(installed, EncodePresetRecord(s));
    s.Thicka = 4;
    AppendPresetRecord(installed, EncodePresetRecord(s));
    std::filesystem::create_directories(folders.Program / "Presets");
    codecs::SaveBMP24(test::Photo(4, 4), (folders.Program / "Presets" / "00.bmp").string());
    folders.ProgramWritable = false;

    EXPECT_EQ(PresetFileForReading(folders), folders.Program / "Presets.lst");
    s.Thicka = 20;
    EXPECT_EQ(SavePreset(doc, s, folders), 2);
    EXPECT_EQ(PresetCount(installed), 2);
    EXPECT_EQ(PresetFileForReading(folders), folders.UserData / "Presets.lst");
    EXPECT_EQ(PresetPicturesForReading(folders), folders.UserData / "Presets");
    EXPECT_TRUE(std::filesystem::exists(folders.UserData / "Presets" / "00.bmp"));
    EXPECT_TRUE(std::filesystem::exists(folders.UserData / "Presets" / "02.bmp"));
    const std::string user = PresetFileForReading(folders).string();
    EXPECT_EQ(DecodePresetRecord(ReadPresetRecord(user, 1), "/").Thicka, 4);
    EXPECT_EQ(DecodePresetRecord(ReadPresetRecord(user, 2), "/").Thicka, 20);
}

TEST_F(PresetStoreFixture, SavedAndAppliedRestoresEveryControlAndBuilds) {
    FrameSettings saved = Plain();
    saved.Thicka = 7;
    saved.DWF = 40;
    saved.FDE = 80;
    saved.Fill = TFrameFill::Gradient;
    saved.k1 = WinRGB(1, 2, 3);
    saved.k2 = WinRGB(200, 100, 0);
    saved.Matte = true;
    saved.Mat = TMatFill::MatColor;
    saved.MatSC = WinRGB(9, 9, 9);
    saved.Press1 = true;
    saved.Pole = 12;
    saved.MatteTone = 0;
    saved.RTX = 1;
    saved.Tab = kTabMono;
    saved.Texture = env.ProgramFolder + "MTextures/m1.png";
    const int k = SavePreset(doc, saved, folders);

    FrameSettings panel; // the start values, different everywhere that matters
    ApplyPreset(doc, panel, k, PresetFileForReading(folders), env);
    EXPECT_EQ(panel, saved);
    const TBitmap32 applied = doc.Base();

    doc.SetBasePixels(doc.CleanPhoto);
    FrameIt(doc, saved, FrameThickness(60, saved.Thicka), env);
    ASSERT_EQ(doc.Base().Width(), applied.Width());
    EXPECT_EQ(std::memcmp(doc.Base().Bits(), applied.Bits(), applied.PixelCount() * 4), 0);
}

TEST_F(PresetStoreFixture, ApplyingWhatIsNotThereChangesNothing) {
    FrameSettings panel = Plain();
    const FrameSettings before = panel;
    EXPECT_THROW(ApplyPreset(doc, panel, 0, folders.Program / "Presets.lst", env), Error);
    AppendPresetRecord((folders.Program / "Presets.lst").string(), EncodePresetRecord(FrameSettings{}));
    EXPECT_THROW(ApplyPreset(doc, panel, 1, folders.Program / "Presets.lst", env), Error);
    EXPECT_EQ(panel, before);
    EXPECT_EQ(doc.Base().Width(), 60);
}

TEST(MenuFrames, RecordsOfTheMenuItems) {
    std::vector<int> records;
    for (const TMenuFrame& f : kMenuFrames)
        records.push_back(f.Record);
    EXPECT_EQ(records, (std::vector<int>{3, 1, 4, 0, 11, 5, 6, 10}));
    EXPECT_EQ(kMenuFrames[0].Caption, "Классическая деревянная");
}

} // namespace

namespace {

TEST(PresetCatalog, PicturesSortedWithTheirRecordNumbers) {
    TempFolder tmp;
    EXPECT_TRUE(ListPresetPictures(tmp.Path / "none").empty());
    for (const char* name : {"11.bmp", "00.bmp", "13.BMP", "100.bmp", "notes.txt", "x.png"})
        std::ofstream(tmp.Path / name) << "x";
    std::filesystem::create_directories(tmp.Path / "12.bmp"); // a folder is no picture
    std::vector<std::string> names;
    std::vector<int> records;
    for (const TPresetPicture& p : ListPresetPictures(tmp.Path)) {
        names.push_back(p.File.filename().string());
        records.push_back(p.Record);
    }
    // With 12.bmp missing, 13.BMP is still record 13.
    EXPECT_EQ(names, (std::vector<std::string>{"00.bmp", "100.bmp", "11.bmp", "13.BMP", "x.png"}));
    EXPECT_EQ(records, (std::vector<int>{0, 100, 11, 13, -1}));
}

} // namespace
