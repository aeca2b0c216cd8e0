#pragma once
// The preset file "Presets.lst": 800-byte PresetRecords, no header; record k starts at byte 800·k.
#include "core/bitmap32.h"
#include "frames/frame_settings.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

constexpr std::size_t kPresetRecordSize = 800;
constexpr std::size_t kPresetNameMax = 200;
using PresetRecord = std::array<std::uint8_t, kPresetRecordSize>;

// Field offsets within a record.
namespace preset_offset {
constexpr std::size_t Thicka = 52, DWF = 56, FDE = 60, InShad = 64, InBliks = 65, FrameKind = 66, Mixer = 68,
                      FillKind = 72, SColor = 76, k1 = 80, k2 = 84, RTX = 88, Tab = 92, TextureName = 96,
                      MoColor = 300, Matte = 304, Press1 = 305, Pole = 308, PhotoForm = 312, MatKind = 316,
                      MatSC = 320, MatK1 = 324, MatK2 = 328, MatteTone = 332, MatTextureName = 336,
                      Panel12 = 540, MatTab = 544;
}

// The record of the panel values; the texture names are the last path components of Texture and
// MatTexture, stored in Windows-1251 (UTF-8 when a character lies outside it), at most 200 bytes.
// Every byte not listed is 0.
PresetRecord EncodePresetRecord(const FrameSettings& s);

// The panel values of a record, each clamped to its control's range. The texture paths become
// programFolder + the tab's folder + "/" + the stored name (its last path component only); an
// empty name gives an empty path. CheckBox1 (not stored) keeps the value of `base`.
FrameSettings DecodePresetRecord(const PresetRecord& r, const std::string& programFolder,
                                 const FrameSettings& base = FrameSettings{});

// Texture names on disk: Windows-1251 when every character fits, otherwise UTF-8; reading takes
// bytes that are valid UTF-8 with a non-ASCII byte as UTF-8, everything else as Windows-1251.
std::string EncodePresetName(const std::string& utf8);
std::string DecodePresetName(const std::string& bytes);

// Number of whole records in the file (a partial record at the end does not count).
// A missing or unreadable file throws an error naming it.
int PresetCount(const std::string& fileName);
// Reads record k. A missing file or a record beyond the end throws a clear error; nothing changes.
PresetRecord ReadPresetRecord(const std::string& fileName, int k);
// Appends a record after the last whole one (a partial record at the end is overwritten), creating
// the file when it does not exist; returns its number. The file is replaced only when complete.
int AppendPresetRecord(const std::string& fileName, const PresetRecord& r);

// Picture name of record k: "00.bmp" … "09.bmp", "10.bmp", …
std::string PresetPictureName(int k);
// Record number of a preset picture from its file name ("100.bmp" → 100), or −1.
int PresetNumberOfPicture(const std::string& fileName);

class TDocument;
struct TDataFolders;
struct TFrameEnv;

inline const std::string kPresetFileName = "Presets.lst";
inline const std::string kPresetPictureFolder = "Presets";

// Where presets are written: the program folder when it is writable; otherwise the user's data
// folder, into which the installed "Presets.lst" and "Presets" pictures are copied first (once), so
// the record numbers stay those of the installed file.
std::filesystem::path PresetFileForWriting(const TDataFolders& folders);
std::filesystem::path PresetPicturesForWriting(const TDataFolders& folders);
// Where presets are read: the user's copy when the program folder is read-only and it exists.
std::filesystem::path PresetFileForReading(const TDataFolders& folders);
std::filesystem::path PresetPicturesForReading(const TDataFolders& folders);

// The preview of a framed picture: stretched (sfLinear2) to 150 pixels wide and round(H/W·150)
// high, at least 1.
TBitmap32 PresetPreview(const TBitmap32& picture);

// "Сохранить рамку": appends the record of the panel values and writes the preview of the composed
// document as the record's picture (replacing a picture of the same name). Returns the record number.
int SavePreset(TDocument& doc, const FrameSettings& s, const TDataFolders& folders);

// Apply preset k: reads the record (a missing file or a record beyond the end throws before anything
// changes), sets the panel values, resets the base picture to CleanPhoto and builds the frame with
// T = round(W·Thicka/100). Texture paths are resolved in env.ProgramFolder.
void ApplyPreset(TDocument& doc, FrameSettings& panel, int k, const std::filesystem::path& presetFile,
                 const TFrameEnv& env);

// A preset picture of the catalog and the record it stands for.
struct TPresetPicture {
    std::filesystem::path File;
    int Record = -1; // from the file name ("100.bmp" is record 100); −1 when the name is no number
};
// The catalog's pictures: files of the folder matching *.bmp;*.jpg;*.jpeg;*.gif;*.png (extension
// case-insensitive), sorted by name. A missing folder gives an empty list.
std::vector<TPresetPicture> ListPresetPictures(const std::filesystem::path& folder);

// The eight frames of the "Рамки" menu and their record numbers.
struct TMenuFrame {
    std::string_view Caption;
    int Record;
};
inline constexpr TMenuFrame kMenuFrames[8] = {{"Классическая деревянная", 3}, {"Прозрачная градиентная", 1},
                                              {"Градиентная двойная", 4},     {"Ярко-синяя простая", 0},
                                              {"Деревянная с размытием", 11}, {"Контрастная оранжевая", 5},
                                              {"Стильная классическая", 6},   {"Тонкая однотонная", 10}};

} // namespace kv
