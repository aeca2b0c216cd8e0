#pragma once
// The frame compositor: FrameIt and the helpers only it uses (ShadeIt, MitreIt, the raised profile).
#include "core/bitmap32.h"
#include "document/platform.h"
#include "frames/frame_settings.h"

#include <functional>
#include <string>
#include <vector>

namespace kv {

class TDocument;
class TPlatform;

// What a frame build needs besides the document and the settings.
struct TFrameEnv {
    std::string ProgramFolder; // ends with a separator; holds the shading maps and photo-shape masks
    TPlatform* Platform = nullptr;
    // Reports the progress bar PBR's new position (1..7) after each stage; the platform then
    // handles pending window messages. Showing and hiding the bar (and the buttons it replaces),
    // and fitting the view at the end, are the caller's.
    std::function<void(int)> Progress;
};

// Message when the framed picture would exceed the bitmap size limit.
inline const std::string kFrameTooLargeText =
    "Рамка слишком велика: размер изображения превысил бы допустимый предел.";

// Size of the picture FrameIt (T) would make from a base picture w × h with these settings.
TExtent FramedSize(int w, int h, int cleanWidth, const FrameSettings& s, int T);

// Builds the panel frame of thickness T pixels into the document's base picture (which the caller
// has just reset to a copy of CleanPhoto). Refuses a result beyond the size limit with an error
// before the document changes. A stage that fails leaves the state of the last finished stage.
void FrameIt(TDocument& doc, const FrameSettings& s, int T, const TFrameEnv& env);

enum class TShadeKind { Glare, Shadow };
// Inner glare ("BLIKG.bmp") or shadow ("SHADOWG.bmp") over the base picture: deletes every layer
// and leaves one new selected bitmap layer, which the caller flattens. For an inner frame the layer
// covers the middle rectangle inside the band of width T; when that rectangle is empty no layer is
// made. A map that cannot be read throws before the document changes.
void ShadeIt(TDocument& doc, TShadeKind kind, const FrameSettings& s, int T,
             const std::string& programFolder);

// ShadeIt followed by Flatten, as FrameIt's shading stage runs them; on an opaque base picture the
// shading is blended in place (same bits, no layer or composite picture is made).
void ShadeStage(TDocument& doc, TShadeKind kind, const FrameSettings& s, int T,
                const std::string& programFolder);

// The layer takes its alpha from the intensity of the (inverted) map stretched nearest over it:
// the same bits as stretching the map into a bitmap of the layer's size and IntensityToAlpha.
void ShadingAlpha(TBitmap32& layer, const TBitmap32& invertedMap);

// Strip-texture frame with mitred corners: the canvas becomes (wb + 2T) × (hb + 2T). The tile is
// made square first (stretched linear to its height) and shrunk when the assembly at its scale
// would exceed 2^24 pixels. linear: CheckBox1. T must be at least 1.
void MitreIt(TBitmap32& canvas, const TBitmap32& tile, int wb, int hb, int T, bool linear);

// One raise rectangle (x1, y1, x2, y2) with its contrast.
struct TRaiseRing {
    int X1, Y1, X2, Y2, Contrast;
};
// The same pixels as RaiseRectTS called for each ring in order, visiting the picture row by row
// (a vertical edge per ring costs a cache miss per row otherwise). Blends of different rings on the
// same pixel keep their order.
void RaiseRings(TBitmap32& pic, const std::vector<TRaiseRing>& rings);

// The raised profile: the outer slope over g lines from the edge, the inner slope over g lines
// outside the photo (T from the edge).
void RaisedProfile(TBitmap32& pic, int T, int DWF, int FDE);

} // namespace kv
