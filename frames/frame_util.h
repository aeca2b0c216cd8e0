#pragma once
// Small helpers the frame builders share.
#include "document/document.h"

namespace kv::frames_detail {

inline void TakeBasePixels(TDocument& doc, TBitmap32& src) { doc.TakeBasePixels(src); }

} // namespace kv::frames_detail
