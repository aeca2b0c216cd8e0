#pragma once
// Colour adjustments: balance, brightness/contrast, the one-colour tint (sepia, tints of one
// colour), black-and-white, and keying a colour out to transparency.
#include "core/bitmap32.h"
#include "effects/bitmap24.h"

namespace kv {

enum class TBalanceMode { Speed, Quality };

// Colour balance with the three gauge positions (each -50..50). Quality: channel := clamp(v +
// (v * 2 * s) div 255); Speed: clamp(v + s). sr = sg = sb = 0 changes nothing. Alpha is kept.
void Balance(TBitmap32& picture, int sr, int sg, int sb, TBalanceMode mode);

// The brightness/contrast dialog's result: Contrast(contrast), then Brighten(brightness).
void BrightnessContrast(TBitmap32& picture, int brightness, int contrast);

// Every pixel: x = (red + green + blue) / 765; red := clamp(Round(r x)), green := clamp(Round(g x)),
// blue := clamp(Round(b x)), halves to even.
void TintOneColour(Bitmap24& bmp, int r, int g, int b);

// Every pixel whose whole 32-bit value equals key gets alpha 0, every other pixel alpha 255.
void KeyOutColour(TBitmap32& picture, TColor32 key);

// The picture-level colour commands on an effect target, with the same bits as the way through a
// Bitmap24: keepAlpha puts every pixel's alpha back (a layer), otherwise every alpha becomes 255
// (the base picture).
// TintOneColour with (r, g, b), then Brighten(brighten).
void TintPicture(TBitmap32& picture, int r, int g, int b, int brighten, bool keepAlpha);
// "Эффект сепия": the tint with red 200, green 191, blue 119, then Brighten 150.
void SepiaPicture(TBitmap32& picture, bool keepAlpha);
// "Оттенки одного цвета" with a confirmed colour: the tint, then Brighten 70.
void OneColourTintPicture(TBitmap32& picture, TColor32 colour, bool keepAlpha);
// "Сделать чёрно-белым": ToGreyscale.
void BlackAndWhitePicture(TBitmap32& picture, bool keepAlpha);

} // namespace kv
