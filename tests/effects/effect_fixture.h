#pragma once
// Shared by the effect command tests: a main window with the effect commands on a given picture,
// and the reference of every 24-bit routine run through the dispatcher.
#include "effects/bitmap24.h"
#include "effects/effect_commands.h"
#include "tests/document/form_fixture.h"

#include <functional>
#include <memory>

namespace kv::testing {

// The routine on a 24-bit copy of src, back as a TBitmap32 with alpha 255.
inline TBitmap32 Through24(const TBitmap32& src, const std::function<void(Bitmap24&)>& routine) {
    Bitmap24 w;
    CopyToBitmap24(src, w);
    routine(w);
    TBitmap32 out;
    CopyFromBitmap24(w, out);
    return out;
}

struct EffectFormFixture : FormFixture {
    std::unique_ptr<TEffectCommands> fx;
    // Starts the window with the effect commands; picture becomes the base picture and clean photo.
    TMainForm& StartWith(const TBitmap32& picture) {
        TMainForm& f = Start();
        fx = std::make_unique<TEffectCommands>(f);
        f.Doc.SetBasePixels(picture);
        f.Doc.CleanPhoto.Assign(picture);
        return f;
    }
};

} // namespace kv::testing
