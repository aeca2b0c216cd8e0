#pragma once
// Quarter and half turns and mirrors of a picture: exact permutations of whole pixels (alpha
// included). Each keeps the picture's draw mode, master alpha, outer colour and stretch filter.
#include "core/bitmap32.h"

namespace kv {

// "На 90° вправо": W x H becomes H x W; source (x, y) goes to (H - 1 - y, x).
void TurnClockwise(TBitmap32& picture);
// "На 90° влево": source (x, y) goes to (y, W - 1 - x).
void TurnCounterClockwise(TBitmap32& picture);
// "На 180°": source (x, y) goes to (W - 1 - x, H - 1 - y).
void TurnHalf(TBitmap32& picture);
// "Зеркально": source (x, y) goes to (W - 1 - x, y).
void MirrorHorizontal(TBitmap32& picture);
// "Вертикально": source (x, y) goes to (x, H - 1 - y).
void MirrorVertical(TBitmap32& picture);

} // namespace kv
