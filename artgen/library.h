#pragma once
// The artwork library: every data file the program folder needs, how it is made and written.
#include "artgen/image.h"
#include "core/codecs/codecs.h"
#include "frames/frame_settings.h"

#include <functional>
#include <string>
#include <vector>

namespace kv::artgen {

enum class Tiling {
    None,       // shading maps and masks: stretched, never repeated
    Both,       // plain textures: repeated in both directions
    Horizontal, // strip tiles: repeated along the moulding only
};

struct Item {
    std::string path; // relative to the program folder, '/' separated ("NTextures/Oak.jpg")
    Tiling tiling = Tiling::Both;
    std::function<TBitmap32()> make;
};

// Every item of the library, in a fixed order.
const std::vector<Item>& Library();
void AddPlainTextures(std::vector<Item>& out); // NTextures, Textures, MTextures
void AddStripTextures(std::vector<Item>& out); // STextures
void AddShapesAndMaps(std::vector<Item>& out); // SHADOWG.bmp, BLIKG.bmp, the photo-shape masks

// The file's bytes by its extension: .jpg (quality 92), .png (24-bit), .bmp (24-bit).
codecs::Bytes Encode(const std::string& path, const TBitmap32& bmp);
codecs::Bytes RenderItem(const Item& item);

// Writes the whole library below outDir using `threads` workers (0 = the hardware's); returns the
// number of files written.
int GenerateLibrary(const std::string& outDir, int threads);

// The installed presets: caption (for the review sheet) and panel values, with texture paths in
// programFolder. Records 0, 1, 3, 4, 5, 6, 10 and 11 are the frames of the "Рамки" menu.
struct PresetSpec {
    std::string Caption;
    FrameSettings Settings;
};
std::vector<PresetSpec> PresetSpecs(const std::string& programFolder);
// Writes "Presets.lst" and "Presets/NN.bmp" into outDir, building every preset with the frame
// compositor on photoFile; the textures, shading maps and masks must already be in outDir.
int GeneratePresets(const std::string& outDir, const std::string& photoFile);
// The preview picture of one preset: the frame built on the photo, composed, shrunk to 150 wide.
TBitmap32 BuildPresetPreview(const FrameSettings& s, const TBitmap32& photo,
                             const std::string& programFolder);

// The sample photos beside the program besides "coffee.png" (each with its licence note), on which
// the review sheets build every preset once more.
inline constexpr const char* kSamplePhotos[] = {"chelsea.png", "rocket.jpg", "svalbard.jpg"};

// Review sheets: one PNG per folder of libDir (and one for the loose maps and masks), each
// thumbnail numbered, with a legend text file beside each sheet.
void WriteContactSheets(const std::string& libDir, const std::string& outDir);

// Seams: the mean absolute difference (summed over R, G, B) between the last and the first
// column (row) of a picture, against the same figure for neighbouring columns (rows) inside it:
// their mean and their 98th percentile. A tile that wraps well looks like any inner pair; a seam
// stands out above nearly all of them.
struct SeamMeasure {
    double wrapX, innerX, highX; // columns
    double wrapY, innerY, highY; // rows
};
SeamMeasure MeasureSeams(const TBitmap32& bmp);

} // namespace kv::artgen
