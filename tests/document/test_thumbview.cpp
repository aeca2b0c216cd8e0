#include "core/codecs/codecs.h"
#include "document/thumbview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace kv;
namespace fs = std::filesystem;

namespace {

// A fresh folder of small generated pictures, removed afterwards.
struct PictureFolder {
    fs::path dir;
    PictureFolder() {
        static int counter = 0;
        std::string name = "kv_thumbview_";
        name += std::to_string(::getpid());
        name += '_';
        name += std::to_string(++counter);
        dir = fs::temp_directory_path() / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~PictureFolder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    static TBitmap32 Picture(int w, int h, TColor32 c = Color32(200, 100, 50)) {
        TBitmap32 b(w, h);
        b.Clear(c);
        return b;
    }
    std::string Add(const std::string& name, int w = 8, int h = 6) {
        const std::string path = (dir / name).string();
        const std::string ext = codecs::ExtensionOf(name);
        const TBitmap32 b = Picture(w, h);
        if (ext == ".png")
            codecs::SavePNG(b, path);
        else if (ext == ".jpg")
            codecs::SaveJPEG(b, path, 90);
        else if (ext == ".gif")
            codecs::SaveGIF(b, path, codecs::GifColours::Auto);
        else
            codecs::SaveBMP24(b, path);
        return path;
    }
    std::string AddText(const std::string& name, const std::string& content) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
};

std::vector<std::string> Titles(const TTHumbview& t) {
    std::vector<std::string> v;
    for (int i = 0; i < t.Count(); ++i)
        v.push_back(t.Entry(i).Title);
    return v;
}

} // namespace

TEST(Thumbview, ScanMatchesMasksCaseInsensitivelyAndSortsByPath) {
    PictureFolder f;
    f.Add("c.png");
    f.Add("B.jpg");
    f.Add("a.bmp");
    f.Add("Blur.BMP");
    f.AddText("notes.txt", "not a picture");
    fs::create_directories(f.dir / "folder.bmp"); // a folder, not an ordinary file
    TTHumbview t;
    t.SetDirectory(f.dir.string());
    EXPECT_EQ(Titles(t), (std::vector<std::string>{"a.bmp", "B.jpg", "Blur.BMP", "c.png"}));
    EXPECT_EQ(t.Entry(0).FileName, (f.dir / "a.bmp").string());
    EXPECT_EQ(t.Selected(), 0); // the first entry is selected after a scan
    for (int i = 0; i < t.Count(); ++i) {
        EXPECT_TRUE(t.Entry(i).Loaded);
        EXPECT_FALSE(t.Entry(i).Failed) << t.Entry(i).ErrorText;
        EXPECT_EQ(t.Entry(i).Picture.Width(), 8);
        EXPECT_NE(t.Entry(i).LastWrite, "Unknown");
        EXPECT_GT(t.Entry(i).FileSize, 0u);
    }
    // A trailing separator gives the same file names.
    t.SetDirectory(f.dir.string() + "/");
    EXPECT_EQ(t.Entry(0).FileName, (f.dir / "a.bmp").string());
}

TEST(Thumbview, UnsortedKeepsMaskOrder) {
    PictureFolder f;
    f.Add("a.png");
    f.Add("z.bmp");
    f.Add("m.JPG");
    f.Add("k.gif");
    TTHumbview t;
    t.Sorted = false;
    t.SetDirectory(f.dir.string());
    EXPECT_EQ(Titles(t), (std::vector<std::string>{"z.bmp", "m.JPG", "k.gif", "a.png"}));
}

TEST(Thumbview, EmptyOrMissingFolderGivesEmptyGrid) {
    PictureFolder f;
    f.Add("a.bmp");
    TTHumbview t;
    t.SetDirectory(f.dir.string());
    ASSERT_EQ(t.Count(), 1);
    t.SetDirectory("");
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(t.Selected(), -1);
    t.SetDirectory((f.dir / "missing").string());
    EXPECT_EQ(t.Count(), 0);
    t.SetSelected(0); // ignored on an empty grid
    EXPECT_EQ(t.Selected(), -1);
    EXPECT_EQ(t.SelectedFile(), "");
    EXPECT_FALSE(t.KeyDown(TThumbKey::Home));
}

TEST(Thumbview, UndecodableFilesGetPlaceholdersAndLoadingGoesOn) {
    PictureFolder f;
    f.Add("a.bmp");
    f.AddText("b.jpg", "this is no JPEG at all");
    f.AddText("c.png", "");
    f.Add("d.png", 30, 20);
    TTHumbview t;
    std::vector<int> progress;
    int ends = 0;
    t.OnProgress = [&](int i, bool&) { progress.push_back(i); };
    t.OnEndScan = [&] { ++ends; };
    t.SetDirectory(f.dir.string());
    ASSERT_EQ(t.Count(), 4);
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3})); // every file decoded once, in order
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(t.Entry(0).Failed);
    EXPECT_TRUE(t.Entry(1).Failed);
    EXPECT_TRUE(t.Entry(1).Picture.Empty());
    EXPECT_FALSE(t.Entry(1).ErrorText.empty());
    EXPECT_TRUE(t.Entry(2).Failed);
    EXPECT_FALSE(t.Entry(3).Failed);
    EXPECT_EQ(t.Entry(3).Picture.Width(), 30);
    EXPECT_FALSE(t.Loading());
}

TEST(Thumbview, ProgressHandlerStopsTheLoading) {
    PictureFolder f;
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
        f.Add(n);
    TTHumbview t;
    int ends = 0;
    t.OnProgress = [&](int i, bool& stop) { stop = i == 1; };
    t.OnEndScan = [&] { ++ends; };
    t.SetDirectory(f.dir.string());
    ASSERT_EQ(t.Count(), 4); // the entries stay
    EXPECT_TRUE(t.Entry(1).Loaded);
    EXPECT_FALSE(t.Entry(2).Loaded);
    EXPECT_TRUE(t.Entry(2).Picture.Empty());
    EXPECT_FALSE(t.Loading());
    EXPECT_EQ(ends, 1);
}

TEST(Thumbview, NewDirectoryDuringLoadingEndsThePreviousScan) {
    PictureFolder first, second;
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp"})
        first.Add(n);
    for (const char* n : {"x.bmp", "y.bmp"})
        second.Add(n);
    TTHumbview t;
    std::vector<std::string> loaded;
    int pumps = 0;
    t.OnProgress = [&](int i, bool&) { loaded.push_back(t.Entry(i).Title); };
    // A handler run while messages are processed points the grid elsewhere.
    t.ProcessMessages = [&] {
        if (++pumps == 1) t.SetDirectory(second.dir.string());
    };
    t.SetDirectory(first.dir.string());
    EXPECT_EQ(loaded, (std::vector<std::string>{"a.bmp", "x.bmp", "y.bmp"}));
    EXPECT_EQ(Titles(t), (std::vector<std::string>{"x.bmp", "y.bmp"}));
    EXPECT_TRUE(t.Entry(0).Loaded && t.Entry(1).Loaded);
    EXPECT_FALSE(t.Loading());
}

TEST(Thumbview, DeferredLoadingDecodesOneFileAtATime) {
    PictureFolder f;
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp"})
        f.Add(n);
    TTHumbview t;
    t.Deferred = true;
    t.SetDirectory(f.dir.string());
    ASSERT_EQ(t.Count(), 3); // the titles are there at once
    EXPECT_TRUE(t.Loading());
    EXPECT_FALSE(t.Entry(0).Loaded);
    EXPECT_TRUE(t.LoadNext());
    EXPECT_TRUE(t.Entry(0).Loaded);
    EXPECT_FALSE(t.Entry(1).Loaded);
    EXPECT_TRUE(t.LoadNext());
    EXPECT_TRUE(t.LoadNext());
    EXPECT_FALSE(t.Loading());
    EXPECT_FALSE(t.LoadNext());
}

TEST(Thumbview, ReducedSize) {
    struct Case {
        const char* name;
        int w, h, cell, outW, outH;
    } cases[] = {
        {"smaller keeps its size", 100, 50, 120, 100, 50},
        {"exactly the cell", 120, 120, 120, 120, 120},
        {"wide", 600, 300, 120, 120, 60},
        {"tall", 300, 600, 120, 60, 120},
        {"one side larger", 130, 10, 120, 120, 9},
        {"80 cell", 1000, 750, 80, 80, 60},
        {"100 cell, odd", 333, 777, 100, 42, 100},
        {"a phone photo", 4032, 3024, 120, 120, 90},
        {"truncation of the real product", 700, 300, 120, 120, 51},
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        TTHumbview::ReducedSize(c.w, c.h, c.cell, c.cell, w, h);
        EXPECT_EQ(w, c.outW) << c.name;
        EXPECT_EQ(h, c.outH) << c.name;
    }
}

TEST(Thumbview, ThumbnailsAreReducedToTheCellAndOpaque) {
    PictureFolder f;
    f.Add("big.png", 600, 300);
    f.Add("small.bmp", 100, 50);
    TTHumbview t;
    t.SetSize(60);
    EXPECT_EQ(t.CellWidth(), 120);
    EXPECT_EQ(t.CellHeight(), 120);
    t.SetDirectory(f.dir.string());
    ASSERT_EQ(t.Count(), 2);
    const TBitmap32& big = t.Entry(0).Picture;
    EXPECT_EQ(big.Width(), 120);
    EXPECT_EQ(big.Height(), 60);
    EXPECT_EQ(big.Pixel(60, 30), Color32(200, 100, 50)); // a flat colour stays that colour
    EXPECT_EQ(t.Entry(1).Picture.Width(), 100);
    EXPECT_EQ(t.Entry(1).Picture.Height(), 50);
    EXPECT_EQ(AlphaComponent(t.Entry(1).Picture.Pixel(0, 0)), 255);
}

TEST(Thumbview, ReductionAveragesTheCoveredPixels) {
    PictureFolder f;
    // One-pixel black and white columns on the left half, pure blue on the right half.
    TBitmap32 b(480, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 480; ++x)
            b.SetPixel(x, y, x >= 240 ? Color32(0, 0, 255) : (x % 2 ? clWhite32 : clBlack32));
    codecs::SaveBMP24(b, f.Path("stripes.bmp"));
    const TBitmap32 t = TTHumbview::MakeThumbnail(f.Path("stripes.bmp"), 120, 120);
    ASSERT_EQ(t.Width(), 120);
    ASSERT_EQ(t.Height(), 60);
    for (int x : {0, 30, 59})
        EXPECT_EQ(t.Pixel(x, 20), Gray32(128)) << x; // (2 * 255 / 4) rounded
    EXPECT_EQ(t.Pixel(60, 20), Color32(0, 0, 255));
    EXPECT_EQ(t.Pixel(119, 59), Color32(0, 0, 255));
}

TEST(Thumbview, CellSizes) {
    TTHumbview t;
    for (auto [size, cell] : {std::pair{40, 80}, {50, 100}, {60, 120}, {100, 200}, {33, 66}}) {
        t.SetSize(size);
        EXPECT_EQ(t.CellWidth(), cell) << size;
        EXPECT_EQ(t.CellHeight(), cell) << size;
    }
}

namespace {
// A grid of `count` placeholder entries (files that exist but are never decoded here).
struct GridFixture {
    PictureFolder f;
    TTHumbview t;
    explicit GridFixture(int count, TScrollMode mode, int size = 60, int viewW = 300, int viewH = 300) {
        for (int i = 0; i < count; ++i) {
            std::string name = std::to_string(10 + i);
            name += ".bmp";
            f.AddText(name, "x");
        }
        t.ScrollMode = mode;
        t.SetSize(size);
        t.SetViewSize(viewW, viewH);
        t.Deferred = true;
        t.SetDirectory(f.dir.string());
    }
};
} // namespace

TEST(Thumbview, GridGeometry) {
    struct Case {
        const char* name;
        TScrollMode mode;
        int size, viewW, viewH, index, lines;
        TRect cell;
    } cases[] = {
        {"horizontal: entry 3 in column 2, row 1", SMHorizontal, 60, 500, 300, 2, 2, {128, 4, 248, 124}},
        {"horizontal: entry 2 in column 1, row 2", SMHorizontal, 60, 500, 300, 1, 2, {4, 128, 124, 248}},
        {"horizontal: first entry", SMHorizontal, 40, 500, 300, 0, 3, {4, 4, 84, 84}},
        {"vertical: entry 3 in row 2, column 1", SMVertical, 60, 300, 500, 2, 2, {4, 128, 124, 248}},
        {"vertical: 50 per cent, 4 columns", SMVertical, 50, 450, 500, 5, 4, {108, 108, 208, 208}},
        {"tiny view keeps one line", SMHorizontal, 60, 100, 50, 1, 1, {128, 4, 248, 124}},
    };
    for (const Case& c : cases) {
        GridFixture g(6, c.mode, c.size, c.viewW, c.viewH);
        EXPECT_EQ(g.t.Lines(), c.lines) << c.name;
        EXPECT_EQ(g.t.CellRect(c.index), c.cell) << c.name;
        // The point in the middle of the cell finds the entry again.
        EXPECT_EQ(g.t.IndexAtContent((c.cell.Left + c.cell.Right) / 2, (c.cell.Top + c.cell.Bottom) / 2),
                  c.index)
            << c.name;
    }
}

TEST(Thumbview, MouseSelectsTheCellUnderThePointAndNothingBetweenCells) {
    GridFixture g(5, SMHorizontal); // 2 rows of 120-pixel cells
    g.t.MouseDown(130, 10);         // column 2, row 1
    EXPECT_EQ(g.t.Selected(), 2);
    EXPECT_EQ(g.t.SelectedFile(), g.t.Entry(2).FileName);
    g.t.MouseDown(125, 10); // in the gap between columns 1 and 2
    EXPECT_EQ(g.t.Selected(), -1);
    g.t.MouseDown(2, 2); // before the first cell
    EXPECT_EQ(g.t.Selected(), -1);
    g.t.MouseDown(260, 130); // column 3, row 2: entry 6 does not exist
    EXPECT_EQ(g.t.Selected(), -1);
    g.t.MouseDown(10, 130);
    EXPECT_EQ(g.t.Selected(), 1);
}

TEST(Thumbview, MouseFollowsTheScrollPosition) {
    GridFixture g(9, SMHorizontal, 60, 200, 300); // 5 columns, 624 pixels wide in a 200-pixel view
    EXPECT_EQ(g.t.ContentWidth(), 5 * 124 + 4);
    EXPECT_EQ(g.t.ScrollMaxX(), 624 - 200);
    g.t.SetScrollPos(124, 0);
    g.t.MouseDown(10, 10); // content x 134: column 2
    EXPECT_EQ(g.t.Selected(), 2);
    g.t.SetScrollPos(100000, 0);
    EXPECT_EQ(g.t.ScrollX(), g.t.ScrollMaxX());
}

TEST(Thumbview, Keys) {
    struct Step {
        TThumbKey key;
        int expected;
    };
    struct Case {
        const char* name;
        TScrollMode mode;
        std::vector<Step> steps;
    } cases[] = {
        {"horizontal",
         SMHorizontal,
         {{TThumbKey::Up, 0}, // Up at entry 0 keeps it
          {TThumbKey::Down, 1},
          {TThumbKey::Right, 3},
          {TThumbKey::Right, 5},
          {TThumbKey::Right, 5}, // would leave the list
          {TThumbKey::Left, 3},
          {TThumbKey::End, 6},
          {TThumbKey::Down, 6},
          {TThumbKey::Home, 0},
          {TThumbKey::Left, 0}}},
        {"vertical",
         SMVertical,
         {{TThumbKey::Left, 0},
          {TThumbKey::Right, 1},
          {TThumbKey::Down, 3},
          {TThumbKey::Down, 5},
          {TThumbKey::Down, 5},
          {TThumbKey::Up, 3},
          {TThumbKey::End, 6},
          {TThumbKey::Right, 6},
          {TThumbKey::Home, 0},
          {TThumbKey::Up, 0}}},
    };
    for (const Case& c : cases) {
        GridFixture g(7, c.mode); // n = 2 in both modes
        ASSERT_EQ(g.t.Lines(), 2);
        ASSERT_EQ(g.t.Selected(), 0);
        for (const Step& s : c.steps) {
            EXPECT_TRUE(g.t.KeyDown(s.key));
            EXPECT_EQ(g.t.Selected(), s.expected) << c.name << " key " << int(s.key);
        }
    }
    GridFixture g(3, SMHorizontal);
    g.t.AutoHandleKeyb = false;
    EXPECT_FALSE(g.t.KeyDown(TThumbKey::Down));
    EXPECT_EQ(g.t.Selected(), 0);
}

TEST(Thumbview, SelectingScrollsTheEntryIntoView) {
    GridFixture g(20, SMHorizontal, 60, 300, 300); // 10 columns of 124 pixels
    g.t.KeyDown(TThumbKey::End);
    const TRect last = g.t.CellRect(19);
    EXPECT_LE(last.Right, g.t.ScrollX() + g.t.ViewWidth());
    EXPECT_GE(last.Left, g.t.ScrollX());
    g.t.KeyDown(TThumbKey::Home);
    EXPECT_EQ(g.t.ScrollX(), 0);
    g.t.AutoScrolling = false;
    g.t.SetSelected(19);
    EXPECT_EQ(g.t.ScrollX(), 0);
}

TEST(Thumbview, SetSelectedFileMatchesTheExactPath) {
    PictureFolder f;
    f.Add("a.bmp");
    const std::string b = f.Add("b.bmp");
    f.Add("c.bmp");
    TTHumbview t;
    t.SetSelectedFile(b);
    EXPECT_EQ(t.Directory(), f.dir.string());
    EXPECT_EQ(t.Count(), 3);
    EXPECT_EQ(t.Selected(), 1);
    EXPECT_EQ(t.SelectedFile(), b);
    t.SetSelectedFile(f.Path("B.bmp")); // another letter case selects nothing
    EXPECT_EQ(t.Count(), 3);
    EXPECT_EQ(t.Selected(), -1);
    EXPECT_EQ(t.SelectedFile(), "");
}

TEST(Thumbview, DegenerateCellsDoNotBreakTheGeometry) {
    GridFixture g(3, SMVertical);
    g.t.ThumbGap = 0;
    g.t.MaxWidth = g.t.MaxHeight = 0; // cells of no size
    EXPECT_GE(g.t.Lines(), 1);
    EXPECT_EQ(g.t.IndexAtContent(5, 5), -1);
    g.t.SetSize(-5);
    EXPECT_EQ(g.t.Size(), 1);
    EXPECT_TRUE(g.t.KeyDown(TThumbKey::End));
    EXPECT_EQ(g.t.Selected(), 2);
}
