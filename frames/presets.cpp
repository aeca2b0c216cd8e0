#include "frames/presets.h"

#include "core/codecs/codecs.h"
#include "core/error.h"
#include "document/document.h"
#include "document/settings.h"
#include "frames/compositor.h"
#include "frames/textures.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace kv {

namespace {

// Unicode code points of Windows-1251 bytes 0x80..0xFF (0x98 is unassigned and kept as U+0098).
constexpr char32_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

// Decodes one UTF-8 sequence at s[i]; false when it is not a valid, shortest-form sequence.
bool NextUtf8(const std::string& s, std::size_t& i, char32_t& cp) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    int extra = 0;
    char32_t min = 0;
    if (c < 0x80) {
        cp = c;
        ++i;
        return true;
    } else if ((c & 0xE0) == 0xC0) {
        extra = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3, cp = c & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (i + std::size_t(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k) {
        const unsigned char d = b(i + std::size_t(k));
        if ((d & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += std::size_t(extra) + 1;
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

int Cp1251Byte(char32_t cp) {
    if (cp < 0x80) return int(cp);
    for (int k = 0; k < 128; ++k)
        if (kCp1251High[k] == cp) return 0x80 + k;
    return -1;
}

// Last path component, either separator.
std::string LastComponent(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Put32(PresetRecord& r, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        r[at + std::size_t(k)] = std::uint8_t(v >> (8 * k));
}
std::int32_t Get32(const PresetRecord& r, std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k)
        v |= std::uint32_t(r[at + std::size_t(k)]) << (8 * k);
    return std::int32_t(v);
}

void PutName(PresetRecord& r, std::size_t at, const std::string& path) {
    const std::string name = LastComponent(path);
    std::string bytes = EncodePresetName(name);
    if (bytes.size() > kPresetNameMax) {
        std::size_t cut = kPresetNameMax;
        // A name kept in UTF-8 is cut at a character boundary.
        const bool keptAsIs = bytes == name;
        if (keptAsIs)
            while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
                --cut;
        bytes.resize(cut);
    }
    r[at] = std::uint8_t(bytes.size());
    std::copy(bytes.begin(), bytes.end(), r.begin() + std::ptrdiff_t(at + 1));
}

std::string GetName(const PresetRecord& r, std::size_t at) {
    const std::size_t L = std::min<std::size_t>(r[at], kPresetNameMax);
    return LastComponent(DecodePresetName(
        std::string(r.begin() + std::ptrdiff_t(at + 1), r.begin() + std::ptrdiff_t(at + 1 + L))));
}

struct FieldPlace {
    const char* Param;
    std::size_t Offset;
    int Bytes; // 1 or 4
};
constexpr FieldPlace kPlaces[] = {
    {"Thicka", preset_offset::Thicka, 4},
    {"DWF", preset_offset::DWF, 4},
    {"FDE", preset_offset::FDE, 4},
    {"InShad", preset_offset::InShad, 1},
    {"InBliks", preset_offset::InBliks, 1},
    {"InFrama", preset_offset::FrameKind, 1},
    {"Mixer", preset_offset::Mixer, 4},
    {"Fill", preset_offset::FillKind, 1},
    {"SColor", preset_offset::SColor, 4},
    {"k1", preset_offset::k1, 4},
    {"k2", preset_offset::k2, 4},
    {"RTX", preset_offset::RTX, 4},
    {"Tab", preset_offset::Tab, 4},
    {"MoColor", preset_offset::MoColor, 4},
    {"Matte", preset_offset::Matte, 1},
    {"Press1", preset_offset::Press1, 1},
    {"Pole", preset_offset::Pole, 4},
    {"PhotoForm", preset_offset::PhotoForm, 4},
    {"Mat", preset_offset::MatKind, 1},
    {"MatSC", preset_offset::MatSC, 4},
    {"MatK1", preset_offset::MatK1, 4},
    {"MatK2", preset_offset::MatK2, 4},
    {"MatteTone", preset_offset::MatteTone, 4},
    {"Panel12", preset_offset::Panel12, 4},
    {"MatTab", preset_offset::MatTab, 4},
};

const FrameParam& Param(const char* name) {
    const FrameParam* p = FindFrameParam(name);
    if (!p) throw Error(std::string("preset field without parameter: ") + name);
    return *p;
}

} // namespace

std::string EncodePresetName(const std::string& utf8) {
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (!NextUtf8(utf8, i, cp)) return utf8; // not UTF-8 text: kept as it is
        const int b = Cp1251Byte(cp);
        if (b < 0) return utf8; // outside the code page: stored as UTF-8
        out += char(b);
    }
    return out;
}

std::string DecodePresetName(const std::string& bytes) {
    bool ascii = true, valid = true;
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) ascii = false;
        if (!NextUtf8(bytes, i, cp)) {
            valid = false;
            break;
        }
    }
    if (ascii || valid) return bytes;
    std::string out;
    for (const char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        AppendUtf8(out, c < 0x80 ? char32_t(c) : kCp1251High[c - 0x80]);
    }
    return out;
}

PresetRecord EncodePresetRecord(const FrameSettings& s) {
    PresetRecord r{};
    for (const FieldPlace& f : kPlaces) {
        const long long v = Param(f.Param).Get(s);
        if (f.Bytes == 1)
            r[f.Offset] = std::uint8_t(v);
        else
            Put32(r, f.Offset, std::uint32_t(std::int32_t(v)));
    }
    PutName(r, preset_offset::TextureName, s.Texture);
    PutName(r, preset_offset::MatTextureName, s.MatTexture);
    return r;
}

FrameSettings DecodePresetRecord(const PresetRecord& r, const std::string& programFolder,
                                 const FrameSettings& base) {
    FrameSettings s = base;
    for (const FieldPlace& f : kPlaces) {
        const FrameParam& p = Param(f.Param);
        long long v = f.Bytes == 1 ? (long long)r[f.Offset] : (long long)Get32(r, f.Offset);
        if (p.Kind == TParamKind::Flag) v = v != 0;
        p.Set(s, ClampToRange(p, v));
    }
    const auto path = [&](int tab, const std::string& name) {
        // A name that only points at a folder ("." or "..") is no texture.
        if (name.empty() || name == "." || name == "..") return std::string();
        return programFolder + TextureFolderName(tab) + "/" + name;
    };
    s.Texture = path(s.Tab, GetName(r, preset_offset::TextureName));
    s.MatTexture = path(s.MatTab, GetName(r, preset_offset::MatTextureName));
    return s;
}

int PresetCount(const std::string& fileName) {
    return int(codecs::ReadWholeFile(fileName).size() / kPresetRecordSize);
}

PresetRecord ReadPresetRecord(const std::string& fileName, int k) {
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) throw Error("Файл рамок не найден: " + fileName);
    const codecs::Bytes data = codecs::ReadWholeFile(fileName);
    const std::size_t count = data.size() / kPresetRecordSize;
    if (k < 0 || std::size_t(k) >= count)
        throw Error("В файле рамок " + fileName + " нет рамки № " + std::to_string(k) +
                    " (рамок в файле: " + std::to_string(count) + ")");
    PresetRecord r{};
    std::copy_n(data.begin() + std::ptrdiff_t(std::size_t(k) * kPresetRecordSize), kPresetRecordSize,
                r.begin());
    return r;
}

int AppendPresetRecord(const std::string& fileName, const PresetRecord& r) {
    std::error_code ec;
    codecs::Bytes data;
    if (std::filesystem::exists(fileName, ec)) data = codecs::ReadWholeFile(fileName);
    const std::size_t k = data.size() / kPresetRecordSize;
    data.resize(k * kPresetRecordSize);
    data.insert(data.end(), r.begin(), r.end());
    codecs::WriteWholeFile(fileName, data.data(), data.size());
    return int(k);
}

std::string PresetPictureName(int k) {
    char name[32];
    std::snprintf(name, sizeof name, k >= 0 && k < 10 ? "0%d.bmp" : "%d.bmp", k);
    return name;
}

int PresetNumberOfPicture(const std::string& fileName) {
    const std::string name = LastComponent(fileName);
    const std::size_t dot = name.find_last_of('.');
    const std::string stem = name.substr(0, dot);
    if (stem.empty() || stem.size() > 9 ||
        !std::all_of(stem.begin(), stem.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stoi(stem);
}

namespace {

namespace fs = std::filesystem;

// Copies the installed presets into the user's data folder the first time it is needed.
void SeedUserPresets(const TDataFolders& f) {
    std::error_code ec;
    const fs::path userFile = f.UserData / kPresetFileName;
    if (fs::exists(userFile, ec)) return;
    fs::create_directories(f.UserData, ec);
    if (ec) throw Error("Не удаётся создать папку " + f.UserData.string() + ": " + ec.message());
    const fs::path installed = f.Program / kPresetFileName;
    if (fs::exists(installed, ec)) {
        const codecs::Bytes data = codecs::ReadWholeFile(installed.string());
        const std::size_t whole = data.size() / kPresetRecordSize * kPresetRecordSize;
        codecs::WriteWholeFile(userFile.string(), data.data(), whole);
    }
    const fs::path pictures = f.Program / kPresetPictureFolder;
    const fs::path userPictures = f.UserData / kPresetPictureFolder;
    fs::create_directories(userPictures, ec);
    if (fs::is_directory(pictures, ec))
        for (const fs::directory_entry& e : fs::directory_iterator(pictures, ec))
            if (e.is_regular_file(ec))
                fs::copy_file(e.path(), userPictures / e.path().filename(), fs::copy_options::skip_existing,
                              ec);
}

} // namespace

fs::path PresetFileForWriting(const TDataFolders& folders) {
    if (folders.ProgramWritable) return folders.Program / kPresetFileName;
    SeedUserPresets(folders);
    return folders.UserData / kPresetFileName;
}

fs::path PresetPicturesForWriting(const TDataFolders& folders) {
    if (folders.ProgramWritable) return folders.Program / kPresetPictureFolder;
    SeedUserPresets(folders);
    return folders.UserData / kPresetPictureFolder;
}

fs::path PresetFileForReading(const TDataFolders& folders) {
    return folders.DataReadPath(kPresetFileName);
}

fs::path PresetPicturesForReading(const TDataFolders& folders) {
    std::error_code ec;
    if (!folders.ProgramWritable && fs::exists(folders.UserData / kPresetFileName, ec))
        return folders.UserData / kPresetPictureFolder;
    return folders.Program / kPresetPictureFolder;
}

std::vector<TPresetPicture> ListPresetPictures(const fs::path& folder) {
    std::vector<TPresetPicture> out;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return out;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        if (!e.is_regular_file(ec)) continue;
        const std::string ext = codecs::ExtensionOf(e.path().filename().string());
        if (ext == ".bmp" || ext == ".jpg" || ext == ".jpeg" || ext == ".gif" || ext == ".png")
            out.push_back({e.path(), PresetNumberOfPicture(e.path().filename().string())});
    }
    std::sort(out.begin(), out.end(), [](const TPresetPicture& a, const TPresetPicture& b) {
        return a.File.filename().string() < b.File.filename().string();
    });
    return out;
}

TBitmap32 PresetPreview(const TBitmap32& picture) {
    if (picture.Empty()) return TBitmap32();
    const int h = std::max(1, RoundI(double(picture.Height()) / double(picture.Width()) * 150.0));
    TBitmap32 src(picture);
    src.SetDrawMode(dmOpaque);
    src.SetStretchFilter(sfLinear2);
    TBitmap32 out(150, h);
    StretchTransfer(out, out.BoundsRect(), src, src.BoundsRect());
    return out;
}

int SavePreset(TDocument& doc, const FrameSettings& s, const TDataFolders& folders) {
    const fs::path file = PresetFileForWriting(folders);
    const fs::path pictures = PresetPicturesForWriting(folders);
    const int k = AppendPresetRecord(file.string(), EncodePresetRecord(s));
    doc.Compose();
    const TBitmap32 preview = PresetPreview(doc.Composite);
    doc.Composite.Delete();
    if (preview.Empty()) return k;
    std::error_code ec;
    fs::create_directories(pictures, ec);
    const codecs::Bytes bmp = codecs::EncodeBMP32(preview);
    codecs::WriteWholeFile((pictures / PresetPictureName(k)).string(), bmp.data(), bmp.size());
    return k;
}

void ApplyPreset(TDocument& doc, FrameSettings& panel, int k, const fs::path& presetFile,
                 const TFrameEnv& env) {
    const FrameSettings s =
        DecodePresetRecord(ReadPresetRecord(presetFile.string(), k), env.ProgramFolder, panel);
    panel = s;
    doc.SetBasePixels(doc.CleanPhoto);
    FrameIt(doc, panel, FrameThickness(doc.CleanPhoto.Width(), panel.Thicka), env);
}

} // namespace kv
