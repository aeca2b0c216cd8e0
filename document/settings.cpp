#include "document/settings.h"
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace kv {

namespace fs = std::filesystem;

namespace {

fs::path EnvFolder(const char* var, const char* homeRelative) {
    const char* v = std::getenv(var);
    if (v && *v && fs::path(v).is_absolute()) return fs::path(v);
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / homeRelative;
}

fs::path ReadPath(const fs::path& user, const fs::path& program, bool programWritable,
                  const std::string& name) {
    if (!programWritable) {
        std::error_code ec;
        const fs::path p = user / name;
        if (fs::exists(p, ec)) return p;
    }
    return program / name;
}

std::int32_t GetI32(const std::uint8_t* p) {
    return std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                        std::uint32_t(p[3]) << 24);
}
void PutI32(std::uint8_t* p, std::int32_t v) {
    const auto u = std::uint32_t(v);
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(u >> (8 * i));
}

// A short string field of `size` bytes at `at`; false when it lies past the data or its length
// byte runs past the field.
bool ShortString(const std::uint8_t* data, std::size_t n, std::size_t at, std::size_t size,
                 std::string& out) {
    if (at + size > n) return false;
    const std::size_t len = data[at];
    if (len > size - 1) return false;
    out.assign(reinterpret_cast<const char*>(data + at + 1), len);
    return true;
}

void PutShortString(std::uint8_t* p, std::size_t size, const std::string& s) {
    const std::size_t len = std::min(s.size(), size - 1);
    p[0] = std::uint8_t(len);
    std::memcpy(p + 1, s.data(), len);
}

bool SoundLine(const std::string& line) {
    if (line.empty() || line.size() > 4096) return false;
    for (unsigned char c : line)
        if (c < 0x20 || c == 0x7F) return false;
    // Captions are file names in UTF-8: reject byte sequences that are not.
    const std::size_t n = line.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        std::size_t extra;
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if ((c & 0xF0) == 0xE0)
            extra = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (i + extra >= n && extra > 0) return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

fs::path TDataFolders::SettingsWritePath(const std::string& name) const {
    return (ProgramWritable ? Program : UserConfig) / name;
}
fs::path TDataFolders::SettingsReadPath(const std::string& name) const {
    return ReadPath(UserConfig, Program, ProgramWritable, name);
}
fs::path TDataFolders::DataWritePath(const std::string& name) const {
    return (ProgramWritable ? Program : UserData) / name;
}
fs::path TDataFolders::DataReadPath(const std::string& name) const {
    return ReadPath(UserData, Program, ProgramWritable, name);
}

bool FolderWritable(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

TDataFolders ResolveDataFolders(const std::string& programFolder) {
    TDataFolders f;
    f.Program = fs::path(programFolder);
    f.UserConfig = EnvFolder("XDG_CONFIG_HOME", ".config") / "korvalis";
    f.UserData = EnvFolder("XDG_DATA_HOME", ".local/share") / "korvalis";
    f.ProgramWritable = FolderWritable(f.Program);
    return f;
}

std::string TFormRecord::StepsPanelText() const {
    const std::size_t len = std::min<std::size_t>(StepsPanel[0], 10);
    return std::string(reinterpret_cast<const char*>(StepsPanel.data() + 1), len);
}

void TFormRecord::SetStepsPanelText(const std::string& s) {
    StepsPanel.fill(0);
    PutShortString(StepsPanel.data(), StepsPanel.size(), s);
}

TFormRecord DefaultFormRecord() {
    TFormRecord r;
    r.SetStepsPanelText("Yes");
    return r;
}

TFormRecord DecodeFormRecord(const std::uint8_t* data, std::size_t n) {
    TFormRecord r = DefaultFormRecord();
    if (n >= 1 && data[0] <= 2) r.WindowState = data[0];
    if (n >= 20) {
        r.Left = GetI32(data + 4);
        r.Top = GetI32(data + 8);
        r.Width = GetI32(data + 12);
        r.Height = GetI32(data + 16);
        r.HasGeometry = true;
    }
    std::string s;
    if (ShortString(data, n, 20, 11, s)) std::memcpy(r.StepsPanel.data(), data + 20, 11);
    if (ShortString(data, n, 31, 11, s)) r.SidePanel = s;
    if (ShortString(data, n, 42, 14, s)) r.PanelStyle = s;
    return r;
}

std::array<std::uint8_t, kFormRecordSize> EncodeFormRecord(const TFormRecord& rec) {
    std::array<std::uint8_t, kFormRecordSize> out{};
    out[0] = std::uint8_t(rec.WindowState);
    PutI32(out.data() + 4, rec.Left);
    PutI32(out.data() + 8, rec.Top);
    PutI32(out.data() + 12, rec.Width);
    PutI32(out.data() + 16, rec.Height);
    std::memcpy(out.data() + 20, rec.StepsPanel.data(), 11);
    PutShortString(out.data() + 31, 11, rec.SidePanel);
    PutShortString(out.data() + 42, 14, rec.PanelStyle);
    return out;
}

std::vector<std::string> DecodeRecentList(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < text.size() && int(lines.size()) < kMaxRecentFiles) {
        std::size_t end = text.find('\n', i);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(i, end - i);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!SoundLine(line)) break;
        lines.push_back(line);
        i = end + 1;
    }
    if (lines.empty()) lines.push_back(kRecentNeverWritten);
    return lines;
}

std::string EncodeRecentList(const std::vector<std::string>& captions) {
    std::string out;
    for (const std::string& c : captions)
        out += c + "\r\n";
    return out;
}

bool ReadSettingsFile(const fs::path& path, std::string& content) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    // Settings files are tiny; anything large is not one of ours.
    if (fs::file_size(path, ec) > 1024 * 1024 || ec) return false;
    try {
        const codecs::Bytes b = codecs::ReadWholeFile(path.string());
        content.assign(b.begin(), b.end());
        return true;
    } catch (const Error&) {
        return false;
    }
}

void WriteSettingsFile(const fs::path& path, const std::string& content) {
    std::error_code ec;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    codecs::WriteWholeFile(path.string(), reinterpret_cast<const std::uint8_t*>(content.data()),
                           content.size());
}

} // namespace kv
