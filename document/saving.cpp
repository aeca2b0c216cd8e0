#include "document/saving.h"

#include <algorithm>
#include <cctype>

namespace kv {

namespace {
bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size()) return false;
    return std::equal(
        suffix.begin(), suffix.end(), s.end() - std::ptrdiff_t(suffix.size()), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
}
} // namespace

std::string SaveAsExtension(int filterIndex) {
    switch (filterIndex) {
    case 1:
        return ".bmp";
    case 2:
        return ".jpg";
    case 3:
        return ".gif";
    case 4:
        return ".png";
    case 5:
        return ".tif";
    default:
        return "";
    }
}

std::string SaveAsTarget(const std::string& dialogName, int filterIndex) {
    const std::string ext = SaveAsExtension(filterIndex);
    return EndsWithNoCase(dialogName, ext) ? dialogName : dialogName + ext;
}

TSaveKind SaveKindOf(const std::string& fileName) {
    const std::string ext = codecs::ExtensionOf(fileName);
    if (ext == ".bmp") return TSaveKind::Bmp;
    if (ext == ".qrv") return TSaveKind::Project;
    if (ext == ".gif") return TSaveKind::Gif;
    if (ext == ".jpg" || ext == ".jpeg") return TSaveKind::Jpeg;
    if (ext == ".png") return TSaveKind::Png;
    return TSaveKind::None;
}

void TCompress::TrackBar1Change(int position) {
    TrackBar1 = std::clamp(position, 1, 100);
    UpDown1 = TrackBar1;
    Edit1 = std::to_string(UpDown1);
}

void TCompress::UpDown1Change(int position) {
    UpDown1 = std::clamp(position, 1, 100);
    Edit1 = std::to_string(UpDown1);
    TrackBar1 = UpDown1;
}

void TCompress::Edit1Change(const std::string& text) {
    Edit1 = text;
    if (text.empty() || text.size() > 3) return;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > 100) return;
    UpDown1 = v;
    TrackBar1 = v;
}

std::string GifInfoText(int colours) {
    return "Данное изображение содержит " + std::to_string(colours) + " цветов.";
}

void TGifType::FormActivate() {
    InfoText = GifInfoText(Source ? codecs::CountDistinctColours(*Source) : 0);
}

codecs::GifColours TGifType::Colours() const {
    switch (Choice) {
    case Two:
        return codecs::GifColours::Two;
    case Sixteen:
        return codecs::GifColours::Sixteen;
    case Palette256:
        return codecs::GifColours::Palette256;
    default:
        return codecs::GifColours::Auto;
    }
}

} // namespace kv
