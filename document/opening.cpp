#include "document/opening.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "document/document.h"
#include "document/platform.h"
#include "document/settings.h"

#include <algorithm>
#include <filesystem>

namespace kv {

std::string RawExtensionOf(const std::string& fileName) {
    const std::string leaf = std::filesystem::path(fileName).filename().string();
    const std::size_t dot = leaf.rfind('.');
    return dot == std::string::npos ? std::string() : leaf.substr(dot);
}

bool IsProjectName(const std::string& fileName) {
    return codecs::ExtensionOf(fileName) == ".qrv";
}

namespace {
bool OneOf(const std::string& ext, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(), [&](const char* e) { return ext == e; });
}
} // namespace

bool SaveEnabledAfterOpen(const std::string& fileName) {
    return OneOf(RawExtensionOf(fileName),
                 {".gif", ".GIF", ".png", ".PNG", ".JPG", ".jpg", ".JPEG", ".jpeg", ".BMP", ".bmp"});
}

bool SaveEnabledAfterCommandLine(const std::string& fileName) {
    return OneOf(RawExtensionOf(fileName),
                 {".gif", ".GIF", ".JPG", ".jpg", ".JPEG", ".jpeg", ".BMP", ".bmp", ".qrv", ".QRV"});
}

TLoadedFile LoadDocumentFile(const std::string& fileName, TPlatform& platform) {
    TLoadedFile f;
    const std::string ext = codecs::ExtensionOf(fileName);
    if (ext == ".qrv") {
        f.Project = true;
        f.Content = ReadProjectFile(fileName);
    } else if (ext == ".emf" || ext == ".wmf") {
        const TExtent size = platform.MetafileSize(fileName);
        CheckBitmapSize(size.Width, size.Height);
        if (size.Width <= 0 || size.Height <= 0) throw Error(fileName + ": the metafile has no size");
        f.Content.Base.SetSize(size.Width, size.Height);
        f.Content.Base.Clear(0);
        platform.RenderMetafile(fileName, size.Width, size.Height, f.Content.Base);
        f.Content.Base.ResetAlpha(255);
    } else {
        f.Content.Base = codecs::LoadPicture(fileName);
    }
    if (f.Content.Base.Empty()) throw Error(fileName + ": the picture is empty");
    return f;
}

void ApplyLoadedFile(TDocument& doc, TLoadedFile&& file) {
    doc.StartNewContent();
    if (file.Project) {
        ApplyProject(doc, std::move(file.Content));
        doc.Select(nullptr); // after opening no layer is selected, whichever path opened it
    } else
        doc.SetBasePixels(file.Content.Base);
}

bool TRecentFiles::Contains(const std::string& name) const {
    return std::find(Captions.begin(), Captions.end(), name) != Captions.end();
}

bool TRecentFiles::IsPlaceholder(int index) const {
    return Captions.size() == 1 && index == 0 && Captions[0] == kRecentPlaceholder;
}

void TRecentFiles::Add(const std::string& name) {
    if (Captions.empty() || IsPlaceholder(0)) {
        Captions.assign(1, name);
    } else {
        Captions.insert(Captions.begin(), name);
        if (int(Captions.size()) > kMaxRecentFiles) Captions.resize(kMaxRecentFiles);
    }
    MarkerIndex = 0;
}

void TRecentFiles::Load(const std::vector<std::string>& lines) {
    Captions.assign(1, kRecentPlaceholder);
    MarkerIndex = -1;
    if (lines.empty() || lines[0] == kRecentNeverWritten) return;
    Captions.assign(lines.begin(),
                    lines.begin() + std::min<std::ptrdiff_t>(std::ptrdiff_t(lines.size()), kMaxRecentFiles));
}

} // namespace kv
