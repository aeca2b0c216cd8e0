#include "core/blend.h"
#include "core/error.h"
#include "document/document.h"
#include "frames/compositor.h"
#include "frames/textures.h"
#include "tests/frames/frames_fixtures.h"
#include "tests/support/fake_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace kv;
using namespace kv::test;

namespace {

struct FrameFixture : ::testing::Test {
    TempFolder tmp;
    FakePlatform platform;
    TDocument doc;
    FrameSettings s;
    std::vector<int> progress;
    TFrameEnv env;
    FrameFixture() {
        env.ProgramFolder = tmp.Dir();
        env.Platform = &platform;
        env.Progress = [this](int p) { progress.push_back(p); };
        s.InShad = false;
        s.InBliks = false;
    }
    void Open(const TBitmap32& photo) {
        doc.CleanPhoto = photo;
        doc.SetBasePixels(photo);
    }
    // "Просмотр": base := CleanPhoto, then FrameIt with T from the width.
    void Build() {
        doc.SetBasePixels(doc.CleanPhoto);
        FrameIt(doc, s, FrameThickness(doc.CleanPhoto.Width(), s.Thicka), env);
    }
    // Shading maps: a uniform grey map each.
    void Maps(int shadowGrey, int glareGrey) {
        SaveBmp(Uniform(3, 3, Gray32(shadowGrey)), tmp.File("SHADOWG.bmp"));
        SaveBmp(Uniform(3, 3, Gray32(glareGrey)), tmp.File("BLIKG.bmp"));
    }
};

TEST_F(FrameFixture, OuterColourFrameWithProfile) {
    // Thicka 10 on 400 × 300: T = 40, 480 × 380, g = 11, h = 5.
    const TBitmap32 photo = Photo(400, 300);
    Open(photo);
    Build();
    const TBitmap32& b = doc.Base();
    ASSERT_EQ(b.Width(), 480);
    ASSERT_EQ(b.Height(), 380);
    const TColor32 frame = Color32FromWinColor(s.SColor);
    // The photo is untouched: the inner slope lies outside it.
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            ASSERT_EQ(b.Pixel(40 + x, 40 + y), photo.Pixel(x, y)) << x << "," << y;
    // Outermost line contrast 55: light white alpha 255 (281 clamped), dark black alpha 140.
    EXPECT_EQ(b.Pixel(0, 0), clWhite32);
    EXPECT_EQ(b.Pixel(240, 379), BlendReg(SetAlpha(clBlack32, 140), frame));
    EXPECT_EQ(b.Pixel(479, 200), BlendReg(SetAlpha(clBlack32, 140), frame));
    // Line l = 10 has contrast round(1·5) = 5: light alpha 25.
    EXPECT_EQ(b.Pixel(240, 10), BlendReg(SetAlpha(clWhite32, 25), frame));
    // The line just outside the photo: contrast −50, black alpha 127 on top, white alpha 256→255 below.
    EXPECT_EQ(b.Pixel(240, 39), BlendReg(SetAlpha(clBlack32, 127), frame));
    EXPECT_EQ(b.Pixel(240, 340), BlendReg(SetAlpha(clWhite32, 255), frame));
    // Between the slopes the filling is plain.
    EXPECT_EQ(b.Pixel(20, 200), frame);
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(platform.ProcessMessagesCount, 7);
    EXPECT_EQ(doc.CleanPhoto.Width(), 400);
}

TEST_F(FrameFixture, BuildingTwiceGivesTheSamePicture) {
    Maps(60, 200);
    s.InShad = s.InBliks = true;
    s.Matte = true;
    s.Press1 = true;
    s.Fill = TFrameFill::Gradient;
    Open(Photo(50, 40));
    Build();
    const TBitmap32 first = doc.Base();
    Build();
    ASSERT_EQ(doc.Base().Width(), first.Width());
    EXPECT_EQ(std::memcmp(doc.Base().Bits(), first.Bits(), first.PixelCount() * 4), 0);
    EXPECT_EQ(doc.Layers().Count(), 0);
}

TEST_F(FrameFixture, GradientFillsTheWholeCanvas) {
    s.Fill = TFrameFill::Gradient;
    s.DWF = 1; // g = round(1.2·0.1) = 0: no raise lines
    s.k1 = WinRGB(0, 0, 0);
    s.k2 = WinRGB(120, 240, 60);
    Open(Photo(100, 50));
    Build();
    const TBitmap32& b = doc.Base();
    ASSERT_EQ(b.Height(), 70);
    for (int y : {0, 9, 35, 69}) {
        const double f = y / 70.0;
        EXPECT_EQ(b.Pixel(3, y), Color32(-RoundI(f * -120), -RoundI(f * -240), -RoundI(f * -60))) << y;
    }
}

TEST_F(FrameFixture, InnerFrameBlendsABandOverThePhoto) {
    const TBitmap32 photo = Photo(40, 30);
    Open(photo);
    s.InFrama = true;
    s.Mixer = 50;
    s.DWF = 1; // g = 0
    Build();   // T = 4
    const TBitmap32& b = doc.Base();
    ASSERT_EQ(b.Width(), 40);
    ASSERT_EQ(b.Height(), 30);
    const TColor32 frame = Color32FromWinColor(s.SColor);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool band = x < 4 || y < 4 || x >= 36 || y >= 26;
            ASSERT_EQ(b.Pixel(x, y), band ? BlendRegEx(frame, photo.Pixel(x, y), 50) : photo.Pixel(x, y))
                << x << "," << y;
        }
}

TEST_F(FrameFixture, GlareAndShadowFollowTheMaps) {
    // A black glare map shades fully, a white shadow map not at all.
    Maps(255, 0);
    s.InBliks = s.InShad = true;
    s.DWF = 1;
    const TBitmap32 photo = Photo(40, 30);
    Open(photo);
    Build();
    TBitmap32 bright(photo);
    Brighten(bright, 170);
    const TBitmap32& b = doc.Base();
    EXPECT_EQ(b.Pixel(4 + 10, 4 + 7), bright.Pixel(10, 7));
    EXPECT_EQ(b.Pixel(4 + 39, 4 + 29), bright.Pixel(39, 29));
    EXPECT_EQ(doc.Layers().Count(), 0);
}

TEST_F(FrameFixture, InnerShadingCoversTheMiddleOnly) {
    Maps(0, 0);
    TBitmap32 photo = Photo(20, 10);
    Open(photo);
    s.InFrama = true;
    ShadeIt(doc, TShadeKind::Shadow, s, 3, tmp.Dir());
    ASSERT_EQ(doc.Layers().Count(), 1);
    auto* l = dynamic_cast<TBitmapLayer*>(&doc.Layers()[0]);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->Location(), (TFloatRect{3, 3, 17, 7}));
    EXPECT_EQ(l->Bitmap.Width(), 14);
    EXPECT_EQ(l->Bitmap.Height(), 4);
    EXPECT_EQ(doc.Selection(), l);
    TBitmap32 dark(photo);
    Brighten(dark, -170);
    EXPECT_EQ(l->Bitmap.Pixel(0, 0), SetAlpha(dark.Pixel(3, 3), 255));
    doc.Flatten();
    EXPECT_EQ(doc.Base().Pixel(3, 3), dark.Pixel(3, 3));
    EXPECT_EQ(doc.Base().Pixel(2, 3), photo.Pixel(2, 3));

    // A band so wide that the middle is empty: no layer, no failure.
    ShadeIt(doc, TShadeKind::Glare, s, 5, tmp.Dir());
    EXPECT_EQ(doc.Layers().Count(), 0);
    s.Thicka = 35;
    s.InBliks = s.InShad = true;
    Open(Photo(10, 4)); // T = round(3.5) = 4
    EXPECT_NO_THROW(Build());
    EXPECT_EQ(doc.Base().Width(), 10);
}

// The shading stage blends in place on an opaque base picture; it must give the bits of ShadeIt's
// layer flattened into the picture, for both maps, outer and inner frames and translucent pixels.
TEST_F(FrameFixture, InPlaceShadingGivesTheLayerAndFlattenBits) {
    std::mt19937 rng(7);
    TBitmap32 shadow(7, 5), glare(13, 11);
    for (TBitmap32* m : {&shadow, &glare})
        for (int y = 0; y < m->Height(); ++y)
            for (int x = 0; x < m->Width(); ++x)
                m->SetPixel(x, y, Gray32(int(rng() % 256)));
    SaveBmp(shadow, tmp.File("SHADOWG.bmp"));
    SaveBmp(glare, tmp.File("BLIKG.bmp"));
    TBitmap32 photo(37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            photo.SetPixel(x, y, TColor32(rng()) | (x % 3 == 0 ? 0xFF000000u : 0)); // some opaque, some not
    struct Case {
        bool inner;
        TShadeKind kind;
        int T;
    } cases[] = {{false, TShadeKind::Glare, 4},
                 {false, TShadeKind::Shadow, 4},
                 {true, TShadeKind::Glare, 5},
                 {true, TShadeKind::Shadow, 3},
                 {true, TShadeKind::Shadow, 12}};
    for (const Case& c : cases) {
        s.InFrama = c.inner;
        Open(photo);
        ShadeIt(doc, c.kind, s, c.T, tmp.Dir());
        doc.Flatten();
        const TBitmap32 expected = doc.Base();
        Open(photo);
        doc.Layers().Add<TBitmapLayer>().Bitmap.SetSize(2, 2);
        doc.History.UndoKind = kHistEffect;
        ShadeStage(doc, c.kind, s, c.T, tmp.Dir());
        EXPECT_TRUE(std::memcmp(expected.Bits(), doc.Base().Bits(), expected.PixelCount() * 4) == 0)
            << c.inner << " " << c.T;
        EXPECT_EQ(doc.Layers().Count(), 0);
        EXPECT_EQ(doc.History.UndoKind, kHistNone);
    }
}

TEST_F(FrameFixture, MissingShadingMapStopsBeforeTheDocumentChanges) {
    const TBitmap32 photo = Photo(20, 10);
    Open(photo);
    TBitmapLayer& keep = doc.Layers().Add<TBitmapLayer>();
    keep.Bitmap.SetSize(2, 2);
    s.InShad = true;
    EXPECT_THROW(ShadeIt(doc, TShadeKind::Shadow, s, 2, tmp.Dir()), Error);
    EXPECT_EQ(doc.Layers().Count(), 1);
    EXPECT_EQ(doc.Base().Width(), 20);
}

TEST_F(FrameFixture, FrameBeyondTheSizeLimitIsRefusedFirst) {
    Open(Photo(32000, 1));
    doc.Layers().Add<TBitmapLayer>();
    s.Thicka = 35;
    try {
        Build();
        ADD_FAILURE() << "built";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), kFrameTooLargeText);
    }
    EXPECT_EQ(doc.Base().Width(), 32000);
    EXPECT_TRUE(doc.Layers()[0].Visible());
    EXPECT_TRUE(progress.empty());
}

TEST_F(FrameFixture, TextureFrameAndMissingTexture) {
    s.Fill = TFrameFill::Textura;
    s.DWF = 1;
    const TBitmap32 photo = Photo(30, 20);
    Open(photo);
    Build(); // no texture chosen: the message, and the moulding stays transparent
    EXPECT_EQ(platform.TextsOf("MessageBox"), std::vector<std::string>{kChooseTextureText});
    EXPECT_EQ(doc.Base().Width(), 36);
    EXPECT_EQ(doc.Base().Pixel(0, 0), 0u);
    EXPECT_EQ(doc.Base().Pixel(3, 3), photo.Pixel(0, 0));

    s.Texture = tmp.File("wood.bmp");
    EXPECT_THROW(Build(), Error); // a file that does not exist is the loader's error
    SaveBmp(Uniform(5, 5, Color32(90, 60, 30)), s.Texture);
    s.RTX = 0;
    Build();
    EXPECT_EQ(doc.Base().Pixel(0, 0), Color32(90, 60, 30));
    EXPECT_EQ(doc.Base().Pixel(35, 22), Color32(90, 60, 30));
}

// The tile at scale 1 (T = n): B is the output itself, so the corners can be read directly.
TEST(MitreIt, CornersMitreAsAssembled) {
    const int n = 4;
    TBitmap32 S(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            S.SetPixel(x, y, Color32(x, y, 77));
    const auto Sx = [&](int x, int y) { return S.Pixel(x, y); };
    const auto V = [&](int x, int y) { return Sx(x, n - 1 - y); };
    const auto R = [&](int a, int b) { return Sx(b, n - 1 - a); };
    const auto Q = [&](int a, int b) { return Sx(n - 1 - b, a); };
    TBitmap32 canvas(8, 6);
    MitreIt(canvas, S, 8, 6, 4, false);
    ASSERT_EQ(canvas.Width(), 16);
    ASSERT_EQ(canvas.Height(), 14);
    const int BW = 16, BH = 14;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            SCOPED_TRACE(::testing::Message() << x << "," << y);
            EXPECT_EQ(canvas.Pixel(x, y), x >= y ? Sx(x, y) : Q(x, y));                  // top-left
            EXPECT_EQ(canvas.Pixel(BW - n + x, y), x <= n - 1 - y ? Sx(x, y) : R(x, y)); // top-right
            EXPECT_EQ(canvas.Pixel(BW - n + x, BH - n + y), x >= y ? R(x, y) : V(x, y)); // bottom-right
            EXPECT_EQ(canvas.Pixel(x, BH - n + y), x <= n - 1 - y ? Q(x, y) : V(x, y));  // bottom-left
        }
    // The top strip: nx = 4 tiles (16 columns) squeezed into LX = 8 by nearest: every other column.
    for (int j = 0; j < 8; ++j)
        EXPECT_EQ(canvas.Pixel(n + j, 1), Sx((2 * j) % n, 1)) << j;
}

TEST(MitreIt, SquaresAndShrinksTheTile) {
    // A 6 × 3 tile becomes 3 × 3; the output has the framed size.
    TBitmap32 wide = Photo(6, 3);
    TBitmap32 canvas(10, 8);
    MitreIt(canvas, wide, 10, 8, 3, true);
    EXPECT_EQ(canvas.Width(), 16);
    EXPECT_EQ(canvas.Height(), 14);
    // A 512 tile with T = 1 on 300 × 200 would assemble 154624 × 103424: the tile is shrunk.
    TBitmap32 big = Uniform(512, 512, Color32(1, 2, 3));
    MitreIt(canvas, big, 300, 200, 1, true);
    EXPECT_EQ(canvas.Width(), 302);
    EXPECT_EQ(canvas.Height(), 202);
}

TEST_F(FrameFixture, StripTextureFrame) {
    s.Fill = TFrameFill::Textura;
    s.Tab = kTabSpecial;
    s.DWF = 1;
    s.Texture = tmp.File("strip.bmp");
    SaveBmp(Uniform(8, 8, Color32(200, 100, 50)), s.Texture);
    const TBitmap32 photo = Photo(40, 30);
    Open(photo);
    Build(); // T = 4
    ASSERT_EQ(doc.Base().Width(), 48);
    EXPECT_EQ(doc.Base().Pixel(1, 20), Color32(200, 100, 50));
    EXPECT_EQ(doc.Base().Pixel(4, 4), photo.Pixel(0, 0));

    // Thickness 0: no moulding.
    s.Thicka = 1;
    Open(Photo(40, 30)); // T = round(0.4) = 0
    EXPECT_NO_THROW(Build());
    EXPECT_EQ(doc.Base().Width(), 40);

    // An inner frame asked for with a strip texture tiles it plainly over the band.
    s.Thicka = 10;
    s.InFrama = true;
    s.RTX = 0;
    Open(photo);
    Build();
    ASSERT_EQ(doc.Base().Width(), 40);
    EXPECT_EQ(doc.Base().Pixel(0, 0), BlendRegEx(Color32(200, 100, 50), photo.Pixel(0, 0), 50));
}

TEST_F(FrameFixture, MatUnderTheFrame) {
    // Pole 10 on 400 × 300: mat 440 × 340, then T = 40 from CleanPhoto's width: 520 × 420.
    s.Matte = true;
    s.Mat = TMatFill::MatColor;
    s.MatSC = WinRGB(1, 2, 3);
    s.DWF = 1;
    const TBitmap32 photo = Photo(400, 300);
    Open(photo);
    Build();
    ASSERT_EQ(doc.Base().Width(), 520);
    ASSERT_EQ(doc.Base().Height(), 420);
    EXPECT_EQ(doc.Base().Pixel(40 + 20, 40 + 20), photo.Pixel(0, 0));
    EXPECT_EQ(doc.Base().Pixel(45, 45), Color32(1, 2, 3));
    // An inner frame never gets a mat.
    s.InFrama = true;
    Build();
    EXPECT_EQ(doc.Base().Width(), 400);
}

TEST(RaisedProfile, NoLinesWhenTheWidthRoundsToZero) {
    TBitmap32 pic = Uniform(400, 30, clGray32);
    RaisedProfile(pic, 5, 1, 100); // g = round(4·0.1) = 0
    for (int x = 0; x < 400; ++x)
        ASSERT_EQ(pic.Pixel(x, 0), clGray32);
}

} // namespace

namespace {

// Row-order rings against RaiseRectTS ring by ring: overlapping, clipped, thin and empty rectangles.
TEST(RaiseRings, SameBitsAsRaiseRectOneByOne) {
    std::mt19937 rng(20261210);
    for (int trial = 0; trial < 40; ++trial) {
        const int W = 1 + int(rng() % 40), H = 1 + int(rng() % 30);
        TBitmap32 ref(W, H);
        for (std::size_t i = 0; i < ref.PixelCount(); ++i)
            ref.Bits()[i] = rng();
        TBitmap32 fast(ref);
        std::vector<TRaiseRing> rings;
        const int count = int(rng() % 12);
        for (int k = 0; k < count; ++k) {
            const int x1 = int(rng() % (W + 10)) - 5, y1 = int(rng() % (H + 10)) - 5;
            const int x2 = x1 + int(rng() % (W + 4)) - 1, y2 = y1 + int(rng() % (H + 4)) - 1;
            rings.push_back({x1, y1, x2, y2, int(rng() % 241) - 120});
        }
        // Some rings exactly on top of each other, as the two slopes meet on thick profiles.
        if (!rings.empty())
            rings.push_back({rings[0].X1, rings[0].Y1, rings[0].X2, rings[0].Y2, -rings[0].Contrast});
        for (const TRaiseRing& r : rings)
            ref.RaiseRectTS(r.X1, r.Y1, r.X2, r.Y2, r.Contrast);
        RaiseRings(fast, rings);
        ASSERT_EQ(std::memcmp(ref.Bits(), fast.Bits(), ref.PixelCount() * 4), 0) << "trial " << trial;
    }
}

} // namespace

namespace {

TEST(ShadingAlpha, SameBitsAsStretchingTheMap) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 30; ++trial) {
        const int dw = 1 + int(rng() % 50), dh = 1 + int(rng() % 40);
        const int sw = 1 + int(rng() % 70), sh = 1 + int(rng() % 30);
        TBitmap32 map(sw, sh), layer(dw, dh);
        for (std::size_t i = 0; i < map.PixelCount(); ++i)
            map.Bits()[i] = rng();
        for (std::size_t i = 0; i < layer.PixelCount(); ++i)
            layer.Bits()[i] = rng();
        TBitmap32 ref(layer);
        TBitmap32 stretched(dw, dh);
        StretchTransfer(stretched, stretched.BoundsRect(), map, map.BoundsRect());
        IntensityToAlpha(&ref, &stretched);
        ShadingAlpha(layer, map);
        ASSERT_EQ(std::memcmp(ref.Bits(), layer.Bits(), ref.PixelCount() * 4), 0)
            << dw << "x" << dh << " from " << sw << "x" << sh;
    }
}

} // namespace
