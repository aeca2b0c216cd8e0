#include "adjust/picture_ops.h"

#include "document/document.h"
#include "document/mainform.h"

#include <cstring>
#include <string>

namespace kv {

TBitmap32& EffectTargetPicture(TDocument& doc) {
    if (TBitmapLayer* l = doc.SelectedBitmapLayer()) return l->Bitmap;
    return doc.Base();
}

void RestorePixels(TBitmap32& target, const TBitmap32& kept) {
    if (&target == &kept) return;
    if (target.Width() == kept.Width() && target.Height() == kept.Height()) {
        if (!kept.Empty()) std::memcpy(target.Bits(), kept.Bits(), kept.PixelCount() * sizeof(TColor32));
        target.Changed();
        return;
    }
    const TDrawMode mode = target.DrawMode();
    const int master = target.MasterAlpha();
    const TColor32 outer = target.OuterColor();
    const TStretchFilter filter = target.StretchFilter();
    target.BeginUpdate();
    target.Assign(kept);
    target.SetDrawMode(mode);
    target.SetMasterAlpha(master);
    target.SetOuterColor(outer);
    target.SetStretchFilter(filter);
    target.EndUpdate();
}

void BecomeCopyOf(TBitmap32& base, const TBitmap32& src) {
    if (&base == &src) return;
    const TColor32 outer = base.OuterColor();
    base.BeginUpdate();
    base.Assign(src);
    base.SetOuterColor(outer);
    base.EndUpdate();
}

void ShowPictureSize(TMainForm& form) {
    const TBitmap32& b = form.Doc.Base();
    form.StatusPanel1 = std::to_string(b.Width()) + "x" + std::to_string(b.Height());
    form.ShellChanged();
}

} // namespace kv
