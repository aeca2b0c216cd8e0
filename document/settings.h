#pragma once
// The three settings files ("View.atp", "CForm.atp", "Dirs.lst") and the rule that says where
// the program's own files are written and read back.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kv {

inline const std::string kViewFileName = "View.atp";
inline const std::string kFormFileName = "CForm.atp";
inline const std::string kDirsFileName = "Dirs.lst";
inline const std::string kViewFileLine = "Korvalis 1";
inline const std::string kRecentPlaceholder = "Empty";
inline const std::string kRecentNeverWritten = "Clear";
constexpr int kMaxRecentFiles = 5;
constexpr std::size_t kFormRecordSize = 56;

// The data folders and files beside the executable, each read by the subsystem that needs it.
inline const std::vector<std::string> kDataFolderNames = {
    "NTextures", "STextures", "MTextures", "Textures", "Patterns", "Masks",           "MASTER",
    "Vector",    "Children",  "Super",     "Lite",     "Presets",  "EXAMPLES/BROWSER"};
inline const std::vector<std::string> kDataFileNames = {"Presets.lst", "SHADOWG.bmp",   "BLIKG.bmp",
                                                        "M11.jpg",     "RoundRect.png", "Oval.png",
                                                        "Complex.png", "Gradient.png",  "Help.chm"};

// Where the program's own files live. With a writable program folder everything stays there;
// otherwise settings go to $XDG_CONFIG_HOME/korvalis and data (presets, samples) to
// $XDG_DATA_HOME/korvalis, and are read back from there before the program folder.
struct TDataFolders {
    std::filesystem::path Program;
    std::filesystem::path UserConfig;
    std::filesystem::path UserData;
    bool ProgramWritable = true;

    std::filesystem::path SettingsWritePath(const std::string& name) const;
    std::filesystem::path SettingsReadPath(const std::string& name) const;
    std::filesystem::path DataWritePath(const std::string& name) const;
    std::filesystem::path DataReadPath(const std::string& name) const;
};
// Fills the folders for a program folder from the environment (XDG_CONFIG_HOME, XDG_DATA_HOME,
// HOME) and tests whether the program folder takes new files.
TDataFolders ResolveDataFolders(const std::string& programFolder);
bool FolderWritable(const std::filesystem::path& folder);

// "CForm.atp": the 56-byte window record. The steps-panel field is kept as its raw 11 bytes so
// that it is written back exactly as read.
struct TFormRecord {
    int WindowState = 0; // 0 normal, 1 minimised, 2 maximised
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    std::array<std::uint8_t, 11> StepsPanel{}; // short string, raw
    std::string SidePanel = "Right";
    std::string PanelStyle = "Modern";
    bool HasGeometry = false; // left, top, width and height came from a sound record

    std::string StepsPanelText() const;
    void SetStepsPanelText(const std::string& s);
};
// Decodes as much of the record as is sound; unsound fields keep their defaults.
TFormRecord DecodeFormRecord(const std::uint8_t* data, std::size_t n);
std::array<std::uint8_t, kFormRecordSize> EncodeFormRecord(const TFormRecord& rec);
TFormRecord DefaultFormRecord();

// "Dirs.lst": at most five captions. Lines are read up to the first unsound one (empty, binary,
// overlong); a file without any sound line, or a missing one, reads as the never-written list.
std::vector<std::string> DecodeRecentList(const std::string& text);
std::string EncodeRecentList(const std::vector<std::string>& captions);

// File helpers: a missing or unreadable file gives nothing; writes replace a file only once the
// new content is complete, creating the folder when needed.
bool ReadSettingsFile(const std::filesystem::path& path, std::string& content);
void WriteSettingsFile(const std::filesystem::path& path, const std::string& content);

} // namespace kv
