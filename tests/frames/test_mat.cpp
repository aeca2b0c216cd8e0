#include "core/blend.h"
#include "core/error.h"
#include "document/document.h"
#include "frames/mat.h"
#include "tests/frames/frames_fixtures.h"
#include "tests/support/fake_platform.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kv::test;

namespace {

TEST(TonedColor, LighterOrComplementary) {
    struct Case {
        TWinColor In;
        int Tone;
        TColor32 Out;
    };
    const Case cases[] = {
        {WinRGB(0, 0, 255), -50, Color32(255, 255, 128)}, // blue → yellow, lighter by 0.25
        {WinRGB(0, 0, 255), 0, Color32(0, 0, 255)},
        {WinRGB(0, 0, 255), 20, Color32(102, 102, 255)},     // L 0.7
        {WinRGB(200, 200, 200), 50, Color32(255, 255, 255)}, // L beyond 1 is limited
        {WinRGB(255, 0, 0), 50, Color32(255, 255, 255)},
        {WinRGB(255, 0, 0), -50, Color32(128, 255, 255)}, // red → cyan, L 0.75
    };
    for (const Case& c : cases)
        EXPECT_EQ(Color32FromWinColor(TonedColor(c.In, c.Tone)), c.Out)
            << std::hex << c.In << " " << std::dec << c.Tone;
}

TEST(PhotoForm, MaskFiles) {
    EXPECT_EQ(PhotoFormMaskFile(0), "");
    EXPECT_EQ(PhotoFormMaskFile(1), "M11.jpg");
    EXPECT_EQ(PhotoFormMaskFile(2), "RoundRect.png");
    EXPECT_EQ(PhotoFormMaskFile(3), "Oval.png");
    EXPECT_EQ(PhotoFormMaskFile(4), "Complex.png");
    EXPECT_EQ(PhotoFormMaskFile(5), "Gradient.png");
}

struct MatFixture : ::testing::Test {
    TempFolder tmp;
    FakePlatform platform;
    TDocument doc;
    FrameSettings s;
    void Open(const TBitmap32& photo) {
        doc.CleanPhoto = photo;
        doc.SetBasePixels(photo);
    }
    MatFixture() {
        s.Matte = true;
        s.Mat = TMatFill::MatColor;
        s.MatSC = WinRGB(10, 20, 30);
    }
};

TEST_F(MatFixture, MarginAndPhotoOffset) {
    struct Case {
        int W, H, Pole, MatW, MatH, Offset;
    };
    const Case cases[] = {{400, 300, 10, 440, 340, 20}, {250, 20, 5, 262, 32, 6}, {3, 2, 1, 3, 2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.W);
        const TBitmap32 photo = Photo(c.W, c.H);
        Open(photo);
        s.Pole = c.Pole;
        MatIt(doc, s, tmp.Dir(), platform);
        ASSERT_EQ(doc.Base().Width(), c.MatW);
        ASSERT_EQ(doc.Base().Height(), c.MatH);
        EXPECT_EQ(doc.Base().DrawMode(), dmOpaque);
        const TColor32 mat = Color32(10, 20, 30);
        for (int y = 0; y < c.MatH; ++y)
            for (int x = 0; x < c.MatW; ++x) {
                const bool inPhoto =
                    x >= c.Offset && x < c.Offset + c.W && y >= c.Offset && y < c.Offset + c.H;
                ASSERT_EQ(doc.Base().Pixel(x, y), inPhoto ? photo.Pixel(x - c.Offset, y - c.Offset) : mat)
                    << x << "," << y;
            }
    }
}

TEST_F(MatFixture, PressInContrasts) {
    // A 440-wide mat (Pole 10 on 400): n = 5, k ≈ 10.91, contrasts 0, −11, −22, −33, −44.
    const TBitmap32 photo = Uniform(400, 300, clWhite32);
    Open(photo);
    s.Press1 = true;
    MatIt(doc, s, tmp.Dir(), platform);
    const TBitmap32& b = doc.Base();
    const TColor32 mat = Color32(10, 20, 30);
    const int contrasts[5] = {0, -11, -22, -33, -44};
    for (int e = 0; e < 5; ++e) {
        SCOPED_TRACE(e);
        const int c = contrasts[e];
        const TColor32 light = c == 0 ? 0 : SetAlpha(clBlack32, -c * 255 / 100);
        const TColor32 dark = c == 0 ? 0 : SetAlpha(clWhite32, -c * 512 / 100);
        const int top = 15 + e, bottom = 300 + 20 + 5 - e - 1;
        EXPECT_EQ(b.Pixel(200, top), BlendReg(light, mat));    // top row
        EXPECT_EQ(b.Pixel(15 + e, 150), BlendReg(light, mat)); // left column
        EXPECT_EQ(b.Pixel(200, bottom), BlendReg(dark, mat));  // bottom row
    }
    EXPECT_EQ(b.Pixel(200, 14), mat);
    EXPECT_EQ(b.Pixel(200, 20), clWhite32); // the photo itself is untouched
}

TEST_F(MatFixture, ProlongFollowsTheFrameToned) {
    Open(Photo(20, 10));
    s.Mat = TMatFill::Prolong;
    s.Fill = TFrameFill::Cola;
    s.SColor = WinRGB(0, 0, 255);
    s.MatteTone = -50;
    MatIt(doc, s, tmp.Dir(), platform);
    EXPECT_EQ(doc.Base().Pixel(0, 0), Color32(255, 255, 128));

    Open(Photo(20, 10));
    s.Fill = TFrameFill::Gradient;
    s.k1 = WinRGB(0, 0, 255);
    s.k2 = WinRGB(0, 0, 255);
    MatIt(doc, s, tmp.Dir(), platform);
    EXPECT_EQ(doc.Base().Pixel(21, 11), Color32(255, 255, 128));
}

TEST_F(MatFixture, PhotoShapeFromTheMask) {
    // Mask 2 × 1: white left, black right, stretched (nearest) over a 4 × 2 photo.
    TBitmap32 mask(2, 1);
    mask.SetPixel(0, 0, clWhite32);
    mask.SetPixel(1, 0, clBlack32);
    codecs::SavePNG(mask, tmp.File("RoundRect.png"));
    const TBitmap32 photo = Photo(4, 2);
    Open(photo);
    s.Pole = 50; // P = 2, p = 1
    s.PhotoForm = 2;
    MatIt(doc, s, tmp.Dir(), platform);
    const TBitmap32& b = doc.Base();
    ASSERT_EQ(b.Width(), 6);
    EXPECT_EQ(b.DrawMode(), dmOpaque);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(b.Pixel(1, 1 + y), photo.Pixel(0, y));
        EXPECT_EQ(b.Pixel(2, 1 + y), photo.Pixel(1, y));
        EXPECT_EQ(b.Pixel(3, 1 + y), Color32(10, 20, 30));
        EXPECT_EQ(b.Pixel(4, 1 + y), Color32(10, 20, 30));
    }
}

TEST_F(MatFixture, MissingMaskLeavesTheBaseAsItWas) {
    const TBitmap32 photo = Photo(4, 2);
    Open(photo);
    s.PhotoForm = 3;
    EXPECT_THROW(MatIt(doc, s, tmp.Dir(), platform), Error);
    ASSERT_EQ(doc.Base().Width(), 4);
    EXPECT_EQ(doc.Base().DrawMode(), dmOpaque);
    EXPECT_EQ(doc.Base().Pixel(3, 1), photo.Pixel(3, 1));
}

} // namespace
