#pragma once
// The mat under an outer frame: its filling, the shaped photo opening and the press-in.
#include "frames/frame_settings.h"

#include <string>

namespace kv {

class TDocument;
class TPlatform;

// The colour toned by t = MatteTone (−50..50) in HSL: t > 0 lighter by t/100; t < 0 the
// complementary hue, lighter by |t|/200; t = 0 the colour itself. Lightness is limited to 0..1.
TWinColor TonedColor(TWinColor c, int tone);

// Mask file of a photo shape (PhotoForm 1..5); "" for item 0 (no shaping) and out-of-range items.
std::string PhotoFormMaskFile(int photoForm);

// Replaces the base picture by the mat with the (shaped) photo in it, then draws the press-in.
// Reads the mat settings; programFolder ends with a separator. A mask that cannot be read throws
// the loader's error before the base picture changes.
void MatIt(TDocument& doc, const FrameSettings& s, const std::string& programFolder, TPlatform& platform);

// Mat margin P = round(W·Pole/100) for a clean photo of width W.
int MatMargin(int cleanWidth, int pole);

} // namespace kv
