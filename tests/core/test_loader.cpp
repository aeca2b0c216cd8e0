// The generic picture loader (extension rules, dispatch, error texts) and the whole-file helpers.
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "tests/support/image_test_util.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using kv::TBitmap32;
using kv::codecs::Bytes;
using kv::test::ErrorOf;
using kv::test::kCorpus;
using kv::test::SamePixels;

namespace {

// A fresh folder per test, removed afterwards.
class LoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kv_loader_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Copy(const fs::path& from, const std::string& name) const {
        fs::copy_file(from, dir / name, fs::copy_options::overwrite_existing);
        return Path(name);
    }
    fs::path dir;
};

std::string LoadError(const std::string& file) {
    return ErrorOf([&] { kv::codecs::LoadPicture(file); });
}

TEST(ExtensionOf, LastPathComponentLowerCased) {
    struct Case {
        const char* name;
        const char* ext;
    } cases[] = {
        {"photo.jpg", ".jpg"},
        {"PHOTO.JPG", ".jpg"},
        {"a.Jpeg", ".jpeg"},
        {"pic.jpe", ".jpe"},
        {"/home/u/a.b/file", ""},
        {"a.b/file.PNG", ".png"},
        {"C:\\My.Photos\\file", ""},
        {"archive.tar.GZ", ".gz"},
        {"noext", ""},
        {"trailing.", "."},
        {"", ""},
        {"dir/.bmp", ".bmp"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kv::codecs::ExtensionOf(c.name), c.ext) << c.name;
}

TEST(LoadPicture, UnknownExtensionsKeepTheirCaseInTheMessage) {
    EXPECT_EQ(LoadError("/nowhere/picture.xyz"), "Unknown picture file extension (.xyz)");
    EXPECT_EQ(LoadError("/nowhere/Picture.XyZ"), "Unknown picture file extension (.XyZ)");
    // A point in a folder name is no extension.
    EXPECT_EQ(LoadError("/nowhere/a.bmp/file"), "Unknown picture file extension (.)");
    EXPECT_EQ(LoadError("/nowhere/file.tif"), "Unknown picture file extension (.tif)");
}

TEST(LoadPicture, MetafilesFailWithAClearMessage) {
    for (const char* f : {"/x/drawing.wmf", "/x/drawing.EMF"})
        EXPECT_EQ(LoadError(f), std::string(f) + ": metafiles (.wmf, .emf) cannot be opened yet");
}

// Each extension, in mixed case, reaches its decoder: the loader gives exactly what the decoder
// gives for the same bytes (or the same error).
TEST_F(LoaderTest, ExtensionsPickTheirDecoderCaseInsensitively) {
    using Decoder = TBitmap32 (*)(const std::uint8_t*, std::size_t, const std::string&);
    struct Case {
        const char* source;
        const char* name;
        Decoder decode;
    } cases[] = {
        {"jpeg/pillow/hopper.jpg", "a.JPG", kv::codecs::DecodeJPEG},
        {"jpeg/pillow/hopper.jpg", "b.Jpeg", kv::codecs::DecodeJPEG},
        {"jpeg/pillow/hopper.jpg", "c.jpe", kv::codecs::DecodeJPEG},
        {"png/pngsuite/basn6a08.png", "d.PNG", kv::codecs::DecodePNG},
        {"gif/libgdiplus/test.gif", "e.Gif", kv::codecs::DecodeGIF},
        {"ico/pillow/python.ico", "f.ICO", kv::codecs::DecodeICO},
        {"ico/pillow/deerstalker.cur", "g.cur", kv::codecs::DecodeICO},
        {"pcx/pillow/odd_stride.pcx", "h.PCX", kv::codecs::DecodePCX},
        {"tga/pillow/200x32_p_bl_raw_origin.tga", "i.Tga", kv::codecs::DecodeTGA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = Copy(kCorpus / c.source, c.name);
        const Bytes bytes = kv::codecs::ReadWholeFile(file);
        std::string want;
        TBitmap32 direct;
        try {
            direct = c.decode(bytes.data(), bytes.size(), file);
        } catch (const kv::Error& e) {
            want = e.what();
        }
        EXPECT_EQ(LoadError(file), want);
        if (want.empty()) {
            EXPECT_TRUE(SamePixels(kv::codecs::LoadPicture(file), direct));
        }
    }
}

// The generic opener reads a 32-bit BMP whose fourth bytes are all 0 as opaque; one with any
// non-zero fourth byte keeps its alpha.
TEST_F(LoaderTest, BmpThroughTheGenericOpener) {
    TBitmap32 bmp(2, 2);
    bmp.Clear(0x00123456);
    Bytes b = kv::codecs::EncodeBMP32(bmp);
    kv::codecs::WriteWholeFile(Path("zero.BMP"), b.data(), b.size());
    const TBitmap32 opaque = kv::codecs::LoadPicture(Path("zero.BMP"));
    EXPECT_EQ(opaque.Pixel(1, 1), 0xFF123456u);

    bmp.SetPixel(0, 0, 0x80123456);
    b = kv::codecs::EncodeBMP32(bmp);
    kv::codecs::WriteWholeFile(Path("some.bmp"), b.data(), b.size());
    const TBitmap32 kept = kv::codecs::LoadPicture(Path("some.bmp"));
    EXPECT_EQ(kept.Pixel(0, 0), 0x80123456u);
    EXPECT_EQ(kept.Pixel(1, 1), 0x00123456u);

    // Damaged content: the decoder's error, naming the file.
    b.resize(60);
    kv::codecs::WriteWholeFile(Path("cut.bmp"), b.data(), b.size());
    EXPECT_EQ(LoadError(Path("cut.bmp")), Path("cut.bmp") + ": truncated BMP file");
}

TEST_F(LoaderTest, FileSystemErrorsNameTheFile) {
    EXPECT_EQ(LoadError(Path("missing.png")), Path("missing.png") + ": No such file or directory");
    EXPECT_THROW(kv::codecs::ReadWholeFile(dir.string()), kv::Error);
    try {
        kv::codecs::ReadWholeFile(dir.string());
    } catch (const kv::Error& e) {
        EXPECT_EQ(std::string(e.what()), dir.string() + ": Is a directory");
    }
    const std::uint8_t x = 1;
    try {
        kv::codecs::WriteWholeFile(Path("no/such/folder/out.bmp"), &x, 1);
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const kv::Error& e) {
        EXPECT_EQ(std::string(e.what()), Path("no/such/folder/out.bmp") + ": No such file or directory");
    }
}

TEST_F(LoaderTest, WriteWholeFileReplacesCompletelyAndLeavesNoTemporaryFile) {
    const std::string file = Path("out.bin");
    Bytes big(300000, 7), small = {1, 2, 3};
    kv::codecs::WriteWholeFile(file, big.data(), big.size());
    EXPECT_EQ(kv::codecs::ReadWholeFile(file), big);
    ::chmod(file.c_str(), 0640);
    kv::codecs::WriteWholeFile(file, small.data(), small.size());
    EXPECT_EQ(kv::codecs::ReadWholeFile(file), small);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // an existing file keeps its permissions
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
    // Empty content is a valid file.
    kv::codecs::WriteWholeFile(file, nullptr, 0);
    EXPECT_TRUE(kv::codecs::ReadWholeFile(file).empty());
}

TEST_F(LoaderTest, WriteIntoAReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
    const std::string file = Path("keep.bin");
    const Bytes old = {9, 9};
    kv::codecs::WriteWholeFile(file, old.data(), old.size());
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
    const std::uint8_t x = 1;
    try {
        kv::codecs::WriteWholeFile(file, &x, 1);
        ADD_FAILURE() << "wrote into a read-only folder";
    } catch (const kv::Error& e) {
        EXPECT_EQ(std::string(e.what()), file + ": Permission denied");
    }
    EXPECT_EQ(kv::codecs::ReadWholeFile(file), old);
}

} // namespace
