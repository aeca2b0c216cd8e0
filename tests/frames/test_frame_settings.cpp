#include "core/error.h"
#include "frames/frame_settings.h"

#include <gtest/gtest.h>

#include <set>

using namespace kv;

namespace {

struct Expected {
    const char* Name;
    TParamKind Kind;
    int Min, Max;
    long long Start;
};

// The panel's controls with their ranges and start values.
const Expected kExpected[] = {
    {"Thicka", TParamKind::Integer, 1, 35, 10},
    {"DWF", TParamKind::Integer, 1, 90, 22},
    {"FDE", TParamKind::Integer, 1, 100, 50},
    {"InShad", TParamKind::Flag, 0, 1, 1},
    {"InBliks", TParamKind::Flag, 0, 1, 1},
    {"CheckBox1", TParamKind::Flag, 0, 1, 1},
    {"InFrama", TParamKind::Flag, 0, 1, 0},
    {"Mixer", TParamKind::Integer, 1, 150, 50},
    {"Fill", TParamKind::Choice, 0, 2, 0},
    {"SColor", TParamKind::Colour, 0, 0xFFFFFF, 0xFF8000},
    {"k1", TParamKind::Colour, 0, 0xFFFFFF, 0xFF8000},
    {"k2", TParamKind::Colour, 0, 0xFFFFFF, 0x8018E7},
    {"RTX", TParamKind::Integer, 0, 4, 2},
    {"Tab", TParamKind::Integer, 0, 2, 0},
    {"Texture", TParamKind::Text, 0, 0, 0},
    {"MoColor", TParamKind::Colour, 0, 0xFFFFFF, 0xFF8000},
    {"Matte", TParamKind::Flag, 0, 1, 0},
    {"Press1", TParamKind::Flag, 0, 1, 0},
    {"Pole", TParamKind::Integer, 1, 50, 10},
    {"PhotoForm", TParamKind::Integer, 0, 5, 0},
    {"Mat", TParamKind::Choice, 0, 3, 0},
    {"MatteTone", TParamKind::Integer, -50, 50, 0},
    {"MatSC", TParamKind::Colour, 0, 0xFFFFFF, 0xFF8000},
    {"MatK1", TParamKind::Colour, 0, 0xFFFFFF, 0xFF8000},
    {"MatK2", TParamKind::Colour, 0, 0xFFFFFF, 0x8018E7},
    {"MatTab", TParamKind::Integer, 0, 2, 0},
    {"MatTexture", TParamKind::Text, 0, 0, 0},
    {"Panel12", TParamKind::Colour, 0, 0xFFFFFF, 0xFF8000},
};

TEST(FrameSettingsTable, EveryControlWithItsRangeAndStartValue) {
    ASSERT_EQ(FrameParams().size(), std::size(kExpected));
    const FrameSettings start;
    std::set<std::string_view> names;
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.Name);
        const FrameParam* p = FindFrameParam(e.Name);
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(names.insert(p->Name).second);
        EXPECT_EQ(p->Kind, e.Kind);
        if (e.Kind == TParamKind::Text) {
            EXPECT_EQ(start.*(p->TextField), "");
            continue;
        }
        EXPECT_EQ(p->Min, e.Min);
        EXPECT_EQ(p->Max, e.Max);
        EXPECT_EQ(p->Start, e.Start);
        // The struct starts where the table says.
        EXPECT_EQ(p->Get(start), e.Start);
    }
    EXPECT_EQ(FindFrameParam("thicka"), nullptr);
}

TEST(FrameSettingsTable, SetAndGetVisitTheirOwnField) {
    // Setting one field through the table changes that field only.
    for (const FrameParam& p : FrameParams()) {
        SCOPED_TRACE(std::string(p.Name));
        FrameSettings s;
        const FrameSettings before = s;
        if (p.Kind == TParamKind::Text) {
            s.*(p.TextField) = "x.jpg";
        } else {
            const long long v = p.Get(s) == p.Max ? p.Min : p.Max;
            p.Set(s, v);
            EXPECT_EQ(p.Get(s), v);
        }
        EXPECT_NE(s, before);
        for (const FrameParam& q : FrameParams()) {
            if (&q != &p && q.Kind != TParamKind::Text) {
                EXPECT_EQ(q.Get(s), q.Get(before)) << q.Name;
            }
        }
    }
}

TEST(FrameSettingsCommandLine, KeysSetFieldsInOrder) {
    FrameSettings s;
    SetFrameParams(s, "Thicka=12, Fill=Gradient,SColor=FF8000,k2=00ff10,InFrama=1,Mat=MatTexture,"
                      "MatteTone=-50,Texture=/tmp/a b.jpg,RTX=0,Thicka=13");
    EXPECT_EQ(s.Thicka, 13);
    EXPECT_EQ(s.Fill, TFrameFill::Gradient);
    EXPECT_EQ(s.SColor, WinRGB(255, 128, 0));
    EXPECT_EQ(s.k2, WinRGB(0, 255, 16));
    EXPECT_TRUE(s.InFrama);
    EXPECT_EQ(s.Mat, TMatFill::MatTexture);
    EXPECT_EQ(s.MatteTone, -50);
    EXPECT_EQ(s.Texture, "/tmp/a b.jpg");
    EXPECT_EQ(s.RTX, 0);
    // Untouched fields keep the panel's start values.
    EXPECT_EQ(s.DWF, 22);
    EXPECT_EQ(s.MatSC, kStartBlue);
}

TEST(FrameSettingsCommandLine, ErrorsNameTheKey) {
    struct Case {
        const char* Text;
        const char* Named;
    };
    const Case cases[] = {
        {"Thickness=3", "Thickness"}, {"Thicka=0", "Thicka"},        {"Thicka=36", "Thicka"},
        {"Thicka=1x", "Thicka"},      {"MatteTone=51", "MatteTone"}, {"Fill=Wood", "Fill"},
        {"Fill=3", "Fill"},           {"SColor=12345", "SColor"},    {"InShad=2", "InShad"},
        {"Mixer", "Mixer"},           {"Thicka=5,Bogus=1", "Bogus"}, // nothing applied
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        FrameSettings s;
        const FrameSettings before = s;
        try {
            SetFrameParams(s, c.Text);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.Named), std::string::npos) << e.what();
        }
        EXPECT_EQ(s, before);
    }
}

TEST(FrameSettings, ThicknessRoundsHalfToEven) {
    EXPECT_EQ(FrameThickness(250, 1), 2); // 2.5
    EXPECT_EQ(FrameThickness(250, 3), 8); // 7.5
    EXPECT_EQ(FrameThickness(400, 10), 40);
    EXPECT_EQ(FrameThickness(75, 14), 10); // 10.5
    EXPECT_EQ(FrameThickness(50, 1), 0);   // 0.5
}

TEST(FrameSettings, InnerFrameNeverGetsAMat) {
    FrameSettings s;
    s.Matte = true;
    EXPECT_TRUE(s.MatBuilt());
    s.InFrama = true;
    EXPECT_FALSE(s.MatBuilt());
}

} // namespace
