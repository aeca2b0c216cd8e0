#include "core/error.h"
#include "frames/textures.h"
#include "tests/frames/frames_fixtures.h"
#include "tests/support/fake_platform.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kv::test;

namespace {

TEST(GradientDown, RowsStepFromTopColourTowardsBottom) {
    TBitmap32 img(3, 4);
    img.Clear(0x12345678u);
    GradientDown(WinRGB(200, 100, 0), WinRGB(0, 50, 255), img);
    // c1 − round(k/4·(c1 − c2)), halves to even: G 100 − round(12.5) = 88, B −round(−127.5) = 128.
    const TColor32 rows[4] = {Color32(200, 100, 0), Color32(150, 88, 64), Color32(100, 75, 128),
                              Color32(50, 62, 191)};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(img.Pixel(x, y), rows[y]) << x << "," << y;
    TBitmap32 empty;
    GradientDown(0, 0xFFFFFF, empty);
    EXPECT_TRUE(empty.Empty());
}

TEST(TintMono, HalfToOneAndAHalfOfTheColour) {
    TBitmap32 img(4, 1);
    img.SetPixel(0, 0, 0x00FFFFFFu); // white, transparent: alpha becomes 255
    img.SetPixel(1, 0, 0xFF000000u);
    img.SetPixel(2, 0, Color32(255, 0, 0));     // sum 255: x = 5/6
    img.SetPixel(3, 0, Color32(100, 100, 182)); // sum 382: x = 0.99935 (just under the colour)
    TintMono(img, WinRGB(0, 128, 255));
    EXPECT_EQ(img.Pixel(0, 0), Color32(0, 192, 255));
    EXPECT_EQ(img.Pixel(1, 0), Color32(0, 64, 128));  // 127.5 to the even 128
    EXPECT_EQ(img.Pixel(2, 0), Color32(0, 107, 212)); // 106.67, 212.5 → 212
    EXPECT_EQ(img.Pixel(3, 0), Color32(0, 128, 255));
}

TEST(TileBitmap, RepeatsFromTheTopLeftAndCopiesOpaque) {
    TBitmap32 tile(2, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            tile.SetPixel(x, y, Color32(x, y, 9, x == 1 && y == 2 ? 0 : 255));
    tile.SetDrawMode(dmBlend); // still copied, transparent pixels included
    for (const auto& [w, h] : {std::pair{5, 7}, std::pair{4, 6}, std::pair{1, 1}}) {
        TBitmap32 target(w, h);
        target.Clear(clWhite32);
        TileBitmap(tile, target);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(target.Pixel(x, y), tile.Pixel(x % 2, y % 3)) << w << " " << x << "," << y;
    }
    TBitmap32 target(3, 3);
    target.Clear(clWhite32);
    TileBitmap(TBitmap32(), target);
    EXPECT_EQ(target.Pixel(2, 2), clWhite32);
}

TEST(TileFile, MissingFileChangesNothing) {
    TempFolder tmp;
    TBitmap32 target(3, 2);
    target.Clear(clWhite32);
    EXPECT_FALSE(TileFile(tmp.File("none.bmp"), target));
    EXPECT_EQ(target.Pixel(0, 0), clWhite32);
    const TBitmap32 tile = Photo(2, 2);
    SaveBmp(tile, tmp.File("t.bmp"));
    EXPECT_TRUE(TileFile(tmp.File("t.bmp"), target));
    EXPECT_EQ(target.Pixel(2, 1), tile.Pixel(0, 1));
}

TEST(RtxTileWidth, FiveScalings) {
    struct Case {
        int Rtx, Target, Picture, Width;
    };
    const Case cases[] = {
        {0, 480, 400, 0},   {1, 480, 400, 48},  {2, 480, 400, 60}, // 59.70 → 60
        {3, 900, 800, 160}, {4, 900, 800, 200}, {1, 45, 10, 4},    // 4.5 → 4
        {2, 3, 3, 1},       {4, 1, 1, 1},                          // never below 1
    };
    for (const Case& c : cases)
        EXPECT_EQ(RtxTileWidth(c.Rtx, c.Target, c.Picture), c.Width) << c.Rtx;
}

struct TextureFixture : ::testing::Test {
    TempFolder tmp;
    FakePlatform platform;
    FrameSettings s;
    TextureFixture() {
        s.Fill = TFrameFill::Textura;
        s.Texture = tmp.File("frame.bmp");
    }
};

TEST_F(TextureFixture, ScaledTileFromThePictureWidth) {
    // A 64 × 48 texture with item 3 on an 800-pixel-wide picture: tile 160 × 120.
    const TBitmap32 tex = Photo(64, 48);
    SaveBmp(tex, s.Texture);
    s.RTX = 3;
    TBitmap32 target(400, 250);
    ASSERT_TRUE(TextureIt(target, s, TTextureContext{}, 800, platform));

    TBitmap32 x(tex);
    x.SetStretchFilter(sfLinear2);
    TBitmap32 tile(160, 120);
    StretchTransfer(tile, tile.BoundsRect(), x, x.BoundsRect());
    for (int y = 0; y < 250; y += 7)
        for (int xx = 0; xx < 400; xx += 3)
            ASSERT_EQ(target.Pixel(xx, y), tile.Pixel(xx % 160, y % 120));
    EXPECT_EQ(platform.CountOf("MessageBox"), 0);
}

TEST_F(TextureFixture, ItemZeroTilesAtOwnSizeAndTintsMono) {
    SaveBmp(Uniform(3, 3, clWhite32), s.Texture);
    s.RTX = 0;
    s.Tab = kTabMono;
    s.MoColor = WinRGB(0, 128, 255);
    TBitmap32 target(7, 5);
    ASSERT_TRUE(TextureIt(target, s, TTextureContext{}, 7, platform));
    EXPECT_EQ(target.Pixel(6, 4), Color32(0, 192, 255));
    // Not mono on the plain tab.
    s.Tab = kTabNatural;
    ASSERT_TRUE(TextureIt(target, s, TTextureContext{}, 7, platform));
    EXPECT_EQ(target.Pixel(6, 4), clWhite32);
}

TEST_F(TextureFixture, MatContextTintsAndBrightens) {
    // Grey 100: Brighten(2·tone) with item 2 only, then the toned mono colour.
    SaveBmp(Uniform(4, 4, Color32(100, 100, 100)), s.Texture);
    s.Tab = kTabMono;
    s.Mat = TMatFill::Prolong;
    s.MatteTone = 10;
    const TTextureContext mat{true, WinRGB(40, 80, 120)};
    // Picture widths that make the tile 4 wide, so the stretch is a plain copy.
    const auto run = [&](int rtx, int pictureWidth) {
        s.RTX = rtx;
        TBitmap32 target(8, 8);
        EXPECT_TRUE(TextureIt(target, s, mat, pictureWidth, platform));
        return target.Pixel(3, 3);
    };
    // Item 2: 100 + 100·20 div 255 = 107; x = 321/765 + 0.5 = 0.91961.
    EXPECT_EQ(run(2, 27), Color32(37, 74, 110));
    // Item 3: no brightening; x = 300/765 + 0.5 = 0.89216.
    EXPECT_EQ(run(3, 20), Color32(36, 71, 107));

    // The mat's own texture: MTeNamo and Panel12.
    s.Mat = TMatFill::MatTexture;
    s.MatTab = kTabMono;
    s.Panel12 = WinRGB(200, 0, 0);
    s.MatTexture = tmp.File("mat.bmp");
    SaveBmp(Uniform(2, 2, clWhite32), s.MatTexture);
    s.RTX = 0;
    TBitmap32 target(3, 3);
    ASSERT_TRUE(TextureIt(target, s, mat, 3, platform));
    EXPECT_EQ(target.Pixel(1, 1), Color32(255, 0, 0));
}

TEST_F(TextureFixture, EmptyNameAsksForATexture) {
    TBitmap32 target(4, 4);
    target.Clear(0x11223344u);
    s.Texture.clear();
    EXPECT_FALSE(TextureIt(target, s, TTextureContext{}, 4, platform));
    // The mat's own texture is needed and missing, even though the frame's is set.
    s.Texture = tmp.File("frame.bmp");
    s.Mat = TMatFill::MatTexture;
    EXPECT_FALSE(TextureIt(target, s, TTextureContext{true, 0}, 4, platform));
    EXPECT_EQ(platform.TextsOf("MessageBox"),
              (std::vector<std::string>{"Пожалуйста, выберите текстуру.", "Пожалуйста, выберите текстуру."}));
    EXPECT_EQ(target.Pixel(3, 3), 0x11223344u);
}

TEST_F(TextureFixture, MissingOrEmptyFileIsTheLoadersError) {
    TBitmap32 target(4, 4);
    for (int rtx : {0, 2}) {
        s.RTX = rtx;
        EXPECT_THROW(TextureIt(target, s, TTextureContext{}, 4, platform), Error);
    }
    EXPECT_EQ(platform.CountOf("MessageBox"), 0);
}

} // namespace
