#include "document/document.h"
#include "document/zoom.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kv;

namespace {

struct ZoomFixture {
    TDocument doc;
    TZoomModel combo;
    // A picture of w x h in a view whose client area is cw x ch.
    ZoomFixture(int w = 1000, int h = 500, int cw = 800, int ch = 600) {
        doc.ImgView.SetClientSize(cw, ch);
        if (w > 0 && h > 0) doc.Base().SetSize(w, h);
        doc.Modified = kMarkClean;
    }
};

} // namespace

TEST(Zoom, ComboStartsAt100WithTheNineItems) {
    TZoomModel combo;
    EXPECT_EQ(combo.Text, "100%");
    EXPECT_EQ(combo.Items, (std::vector<std::string>{"25%", "50%", "75%", "100%", "200%", "300%", "400%",
                                                     "800%", "1600%"}));
}

TEST(Zoom, WheelStepsAndLimits) {
    struct Case {
        float start;
        bool up;
        float scale;
        const char* text;
    } cases[] = {
        {0.21f, true, 0.2f, "20%"},     {0.2f, true, 0.2f, "20%"},           {19.0f, false, 20.0f, "2000%"},
        {20.0f, false, 20.0f, "2000%"}, {1.0f, true, float(1 / 1.1), "91%"}, {1.0f, false, 1.1f, "110%"},
    };
    for (const Case& k : cases) {
        ZoomFixture f;
        f.doc.ImgView.SetScale(k.start);
        f.doc.Modified = kMarkClean;
        (k.up ? ImgViewMouseWheelUp : ImgViewMouseWheelDown)(f.combo, f.doc);
        EXPECT_FLOAT_EQ(f.doc.ImgView.Scale(), k.scale) << k.start << (k.up ? " up" : " down");
        EXPECT_EQ(f.combo.Text, k.text) << k.start;
        EXPECT_FALSE(f.doc.IsModified());
    }
}

TEST(Zoom, ScaleComboParsing) {
    struct Case {
        const char* typed;
        float scale;      // the scale before is 0.5
        const char* text; // the text afterwards
        int caret;
    } cases[] = {
        {"150 %", 1.5f, "150%", 3}, {"150%", 1.5f, "150%", 3},       {" 2 5 ", 0.25f, "25%", 2},
        {"1", 0.01f, "1%", 1},      {"2000", 20.0f, "2000%", 4},     {"3000", 0.5f, "50%", 2},
        {"0", 0.5f, "50%", 2},      {"-5", 0.5f, "50%", 2},          {"abc", 0.5f, "50%", 2},
        {"12x", 0.5f, "50%", 2},    {"99999999999", 0.5f, "50%", 2},
    };
    for (const Case& k : cases) {
        ZoomFixture f;
        f.doc.ImgView.SetScale(0.5f);
        f.doc.Modified = kMarkClean;
        f.combo.Text = k.typed;
        ScaleComboChange(f.combo, f.doc);
        EXPECT_FLOAT_EQ(f.doc.ImgView.Scale(), k.scale) << k.typed;
        EXPECT_EQ(f.combo.Text, k.text) << k.typed;
        EXPECT_EQ(f.combo.CaretPos, k.caret) << k.typed;
        EXPECT_FALSE(f.doc.IsModified()) << k.typed;
    }
}

TEST(Zoom, EmptyComboTextDoesNothing) {
    for (const char* typed : {"", "%", " % "}) {
        ZoomFixture f;
        f.doc.ImgView.SetScale(0.5f);
        f.combo.Text = typed;
        f.combo.CaretPos = 0;
        ScaleComboChange(f.combo, f.doc);
        EXPECT_EQ(f.doc.ImgView.Scale(), 0.5f);
        EXPECT_EQ(f.combo.Text, typed);
    }
}

TEST(Zoom, FitToWindow) {
    struct Case {
        const char* name;
        int w, h, cw, ch;
        float scale;
        const char* text;
    } cases[] = {
        {"wide picture", 1000, 500, 800, 600, float(0.8 / 1.1), "73%"},
        {"tall picture", 500, 1000, 800, 600, float(0.6 / 1.1), "55%"},
        {"small picture is enlarged", 100, 100, 800, 600, float(6.0 / 1.1), "545%"},
        {"single pixel", 1, 1, 800, 600, float(600 / 1.1), "54545%"},
    };
    for (const Case& k : cases) {
        ZoomFixture f(k.w, k.h, k.cw, k.ch);
        FitToWindow(f.combo, f.doc);
        EXPECT_NEAR(f.doc.ImgView.Scale(), k.scale, 1e-6 * k.scale) << k.name;
        EXPECT_EQ(f.combo.Text, k.text) << k.name;
        EXPECT_FALSE(f.doc.IsModified()) << k.name;
    }
}

TEST(Zoom, FitToWindowLeavesTheScaleWithoutPictureOrClientArea) {
    struct Case {
        const char* name;
        int w, h, cw, ch;
    } cases[] = {
        {"empty picture", 0, 0, 800, 600},
        {"no client area", 1000, 500, 0, 0},
        {"no client height", 1000, 500, 800, 0},
    };
    for (const Case& k : cases) {
        ZoomFixture f(k.w, k.h, k.cw, k.ch);
        f.doc.ImgView.SetScale(0.5f);
        FitToWindow(f.combo, f.doc);
        EXPECT_EQ(f.doc.ImgView.Scale(), 0.5f) << k.name;
        EXPECT_EQ(f.combo.Text, "100%") << k.name;
    }
}

TEST(Zoom, ZoomingNeverChangesTheModifiedMark) {
    using Command = std::function<void(TZoomModel&, TDocument&)>;
    const Command commands[] = {
        ImgViewMouseWheelUp,
        ImgViewMouseWheelDown,
        Scale100Click,
        FitToWindow,
        [](TZoomModel& c, TDocument& d) {
            c.Text = "300";
            ScaleComboChange(c, d);
        },
    };
    for (int mark : {kMarkClean, kMarkModified}) {
        ZoomFixture f;
        f.doc.ImgView.SetScale(2.0f);
        for (const Command& cmd : commands) {
            f.doc.Modified = mark;
            cmd(f.combo, f.doc);
            EXPECT_EQ(f.doc.Modified, mark);
        }
    }
    ZoomFixture f;
    f.doc.ImgView.SetScale(3.0f);
    Scale100Click(f.combo, f.doc);
    EXPECT_EQ(f.doc.ImgView.Scale(), 1.0f);
    EXPECT_EQ(f.combo.Text, "100%");
}

TEST(Zoom, CustomPaintStageShowsGreyAroundThePicture) {
    ZoomFixture f(2, 1, 17 + 6, 17 + 3);      // a 6 x 3 viewport
    f.doc.Base().SetPixel(0, 0, 0x00123456u); // transparent: shows its own channels, not grey
    f.doc.Base().SetPixel(1, 0, 0xFFABCDEFu);
    InstallCustomPaintStage(f.doc.ImgView);
    f.doc.ImgView.Paint();
    const TBitmap32& b = f.doc.ImgView.Buffer();
    EXPECT_EQ(b.Pixel(0, 0), 0xFF808080u);
    EXPECT_EQ(b.Pixel(2, 1), 0x00123456u);
    EXPECT_EQ(b.Pixel(3, 1), 0xFFABCDEFu);
    EXPECT_EQ(b.Pixel(5, 2), 0xFF808080u);
    // An off-screen render carries no grey.
    f.doc.Compose();
    EXPECT_EQ(f.doc.Composite.Pixel(0, 0), 0x00123456u);
}
