#pragma once
// Small picture helpers shared by the adjustment dialogs.
#include "core/bitmap32.h"

namespace kv {

class TDocument;

// The effect target: the selected bitmap layer's picture, or the base picture.
TBitmap32& EffectTargetPicture(TDocument& doc);

// target := kept (size and pixels) with one change notification; target keeps its own drawing
// properties. Reuses target's pixel block when the sizes agree.
void RestorePixels(TBitmap32& target, const TBitmap32& kept);

// base becomes a copy of src (pixels, DrawMode, MasterAlpha, StretchFilter) but keeps its own
// OuterColor, the colour the view paints outside the picture.
void BecomeCopyOf(TBitmap32& base, const TBitmap32& src);

// Shows "WxH" of the base picture in the second status panel and tells the window.
class TMainForm;
void ShowPictureSize(TMainForm& form);

} // namespace kv
