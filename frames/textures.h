#pragma once
// Fillings of frames and mats: the vertical gradient, the tint of monochrome textures, tiling,
// and TextureIt with its five RTX scalings.
#include "core/bitmap32.h"
#include "frames/frame_settings.h"

#include <string>

namespace kv {

class TPlatform;

inline const std::string kChooseTextureText = "Пожалуйста, выберите текстуру.";

// Texture folder of a tab (0..2): "NTextures", "STextures", "MTextures".
std::string TextureFolderName(int tab);

// Every pixel of row y (0 at the top) gets, per channel, c1 − round(y/H·(c1 − c2)); alpha 255.
// The colours are Windows values 0x00BBGGRR. The image keeps its size.
void GradientDown(TWinColor c1, TWinColor c2, TBitmap32& img);

// x = (R + G + B)/765 + 0.5 per pixel; channels become clamp(round(colour channel · x)); alpha 255.
void TintMono(TBitmap32& img, TWinColor colour);

// The tile drawn opaque at (a·tw, b·th) for a = 0..⌊W/tw⌋, b = 0..⌊H/th⌋, clipped: every pixel of the
// target takes tile(x mod tw, y mod th). An empty tile draws nothing.
void TileBitmap(const TBitmap32& tile, TBitmap32& target);
// False (target unchanged) when the file does not exist; otherwise loads it, tiles it, true.
bool TileFile(const std::string& fileName, TBitmap32& target);

// Tile width for RTX items 1..4: item 1 measures the bitmap being filled, items 2..4 the base
// picture. At least 1. Item 0 (no scaling) gives 0.
int RtxTileWidth(int rtx, int targetWidth, int pictureWidth);

// Which filling TextureIt does: the frame's, or the mat's while the mat builder runs (then it
// also carries the mat builder's toned mono colour).
struct TTextureContext {
    bool Mat = false;
    TWinColor TonedMono = 0;
};

// Fills the whole target with the current texture. pictureWidth is the base picture's width at
// that moment. When the name the stage needs is empty, shows "Пожалуйста, выберите текстуру." and
// returns false with the target unchanged. A file that cannot be read (missing included) throws
// the loader's error; a picture with no pixels is reported as unreadable.
bool TextureIt(TBitmap32& target, const FrameSettings& s, const TTextureContext& ctx, int pictureWidth,
               TPlatform& platform);

// Loads a texture picture; an empty picture is an unreadable file.
TBitmap32 LoadTexture(const std::string& fileName);

} // namespace kv
