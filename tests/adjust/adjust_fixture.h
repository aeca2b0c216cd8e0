#pragma once
// A main window on the scripted platform with the adjustment commands bound, and small helpers.
#include "adjust/adjust_commands.h"
#include "document/history.h"
#include "tests/document/form_fixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace kv::testing {

struct AdjustFixture : FormFixture {
    TMainForm* f = nullptr;
    std::unique_ptr<TAdjustCommands> commands;

    void SetUp() override {
        f = &Start();
        commands = std::make_unique<TAdjustCommands>(*f);
    }
    void TearDown() override { commands.reset(); }

    // A base picture that is also the clean photo, as after opening it.
    void Load(const TBitmap32& pic) {
        f->Doc.Select(nullptr);
        f->Doc.Layers().Clear();
        f->Doc.Base().Assign(pic);
        f->Doc.CleanPhoto.Assign(pic);
        ClearHistory(f->Doc);
    }
    TBitmapLayer& AddLayer(const TBitmap32& pic, TFloatRect where) {
        auto& l = f->Doc.Layers().Add<TBitmapLayer>();
        l.Bitmap.Assign(pic);
        l.Bitmap.SetDrawMode(dmBlend);
        l.SetLocation(where);
        l.SetScaled(true);
        return l;
    }
    void Run(const char* menu, const char* caption) {
        f->MenuOpened(menu);
        TMenuItem* it = f->FindItem(menu, caption);
        ASSERT_NE(it, nullptr) << caption;
        ASSERT_TRUE(it->Enabled) << caption;
        it->Handler(*f);
    }
    template <class Model, class Fn> void Script(Fn fn) {
        platform.ModalScripts.push_back([fn](TDialogModel& d) -> TModalResult {
            Model* m = dynamic_cast<Model*>(&d);
            EXPECT_NE(m, nullptr) << d.DialogName();
            return m ? fn(*m) : TModalResult::Cancel;
        });
    }
};

inline TBitmap32 Filled(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

} // namespace kv::testing
