#pragma once
// Small helpers the frame builders share.
#include "document/document.h"

namespace kv::frames_detail {

// The base picture takes src's size and pixels without a copy (src receives the old pixels);
// the base picture keeps its own drawing properties.
inline void TakeBasePixels(TDocument& doc, TBitmap32& src) {
    TBitmap32& base = doc.Base();
    const TDrawMode mode = base.DrawMode();
    const int master = base.MasterAlpha();
    const TColor32 outer = base.OuterColor();
    const TStretchFilter filter = base.StretchFilter();
    base.BeginUpdate();
    base.Swap(src);
    base.SetDrawMode(mode);
    base.SetMasterAlpha(master);
    base.SetOuterColor(outer);
    base.SetStretchFilter(filter);
    base.Changed();
    base.EndUpdate();
}

} // namespace kv::frames_detail
