#include "effects/dispatcher.h"

#include "document/mainform.h"

namespace kv {

TBitmap32& EffectTarget(TMainForm& form) {
    if (TBitmapLayer* layer = form.Doc.SelectedBitmapLayer()) return layer->Bitmap;
    return form.Doc.Base();
}

void RunOnEffectTarget(TMainForm& form, bool keepLayerAlpha, const TEffectRoutine& routine) {
    TBitmapLayer* layer = form.Doc.SelectedBitmapLayer();
    TBitmap32& target = layer ? layer->Bitmap : form.Doc.Base();
    Bitmap24 primary, secondary;
    CopyToBitmap24(target, primary);
    if (layer) AlphaToGrayscale(&form.AlphaStore, &target);
    form.EffectSnapshot.Assign(target);

    const TEffectResult which = routine(primary, secondary);
    const Bitmap24& result = which == TEffectResult::Primary ? primary : secondary;
    if (!layer) {
        // The base picture keeps its drawing properties; only size and pixels change.
        CopyFromBitmap24(result, form.Doc.Base());
        return;
    }
    target.BeginUpdate();
    CopyFromBitmap24(result, target);
    if (keepLayerAlpha && form.AlphaStore.Width() == target.Width() &&
        form.AlphaStore.Height() == target.Height())
        IntensityToAlpha(&target, &form.AlphaStore);
    target.EndUpdate();
}

void RestoreEffectSnapshot(TMainForm& form) {
    if (form.EffectSnapshot.Empty()) return;
    if (TBitmapLayer* layer = form.Doc.SelectedBitmapLayer())
        layer->Bitmap.Assign(form.EffectSnapshot);
    else
        form.Doc.SetBasePixels(form.EffectSnapshot);
}

} // namespace kv
