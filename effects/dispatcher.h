#pragma once
// How the effect commands hand a picture to the 24-bit routines and take it back: the target is the
// selected bitmap layer's picture or, with no such selection, the base picture. A layer's alpha is
// parked in AlphaStore as a grey picture and put back afterwards, so the layer keeps its
// transparency while its colours change.
#include "effects/bitmap24.h"

#include <functional>

namespace kv {

class TMainForm;

// The picture effects work on: the selected bitmap layer's picture, else the base picture.
TBitmap32& EffectTarget(TMainForm& form);

// Which working bitmap holds a routine's result.
enum class TEffectResult { Primary, Secondary };
using TEffectRoutine = std::function<TEffectResult(Bitmap24& primary, Bitmap24& secondary)>;

// EffectSnapshot := copy of the target (and, for a layer, AlphaStore := its alpha as grey); the
// target goes into the primary working bitmap (the secondary starts empty: routines writing to it
// give it its size), routine runs, and the target takes the result with alpha 255, or, for a
// layer with keepLayerAlpha, its former alpha. When the routine throws, the target is unchanged.
void RunOnEffectTarget(TMainForm& form, bool keepLayerAlpha, const TEffectRoutine& routine);

// EffectSnapshot back into the target (size and pixels); nothing when the snapshot is empty.
void RestoreEffectSnapshot(TMainForm& form);

} // namespace kv
