#pragma once
// Opening pictures and projects: the loader chosen by extension, the open dialog's filter, the
// extension lists that enable "Сохранить..." and the recent-files submenu model.
#include "core/bitmap32.h"
#include "document/project.h"

#include <string>
#include <vector>

namespace kv {

class TDocument;
class TPlatform;

inline const std::string kOpenFilter =
    "Все форматы|*.qrv;*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*png;*jpe|GIF Image (*.gif)|*.gif|"
    "JPEG Image File (*.jpg)|*.jpg;*.jpeg:*jpe|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
    "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf|Ostrand Project (*.qrv)|*.qrv|"
    "PNG Image (*.png)|*.png";

// The extension exactly as written: the part of the last path component from its last point on.
std::string RawExtensionOf(const std::string& fileName);
// ".qrv" in any case.
bool IsProjectName(const std::string& fileName);

// "Сохранить..." is enabled after opening from the dialog or the recent list when the extension
// is one of these (exact, case-sensitive), and after a command-line open for the second list.
bool SaveEnabledAfterOpen(const std::string& fileName);
bool SaveEnabledAfterCommandLine(const std::string& fileName);

// A decoded file, not yet part of any document.
struct TLoadedFile {
    bool Project = false;
    TProjectContent Content; // Content.Base for pictures; base and layers for projects
};
// Decodes a file completely (projects validated as a whole); throws on any fault. Metafiles are
// rendered at their natural size through the platform.
TLoadedFile LoadDocumentFile(const std::string& fileName, TPlatform& platform);
// Start new content, then the base picture (and for a project the restored layers over the
// stored base picture).
void ApplyLoadedFile(TDocument& doc, TLoadedFile&& file);

// The recent-files submenu "Недавние файлы": captions in menu order, most recent first, and the
// item carrying the marker icon (-1: none).
struct TRecentFiles {
    std::vector<std::string> Captions{"Empty"};
    int MarkerIndex = -1;

    bool Contains(const std::string& name) const;
    // Adds the name at the top (at most five items; the placeholder "Empty" is replaced).
    void Add(const std::string& name);
    // The single placeholder item of a list nothing was ever added to.
    bool IsPlaceholder(int index) const;
    // Start-up: the captions of "Dirs.lst" (a first line "Clear" keeps the placeholder).
    void Load(const std::vector<std::string>& lines);
};

} // namespace kv
