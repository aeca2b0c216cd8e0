#include "document/thumbview.h"

#include "core/codecs/codecs.h"
#include "core/error.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace kv {

namespace {

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// Index of the mask a file name matches (by its extension, case-insensitively), -1 for none.
int MaskIndex(const std::string& name, const std::vector<std::string>& masks) {
    const std::string ext = LowerAscii(fs::path(name).extension().string());
    for (std::size_t i = 0; i < masks.size(); ++i)
        if (ext == LowerAscii(masks[i].substr(1))) return int(i);
    return -1;
}

std::string TimeText(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return "Unknown";
    char buf[32];
    if (std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M:%S", &tm) == 0) return "Unknown";
    return buf;
}

int CeilDiv(int a, int b) {
    return (a + b - 1) / b;
}

// Reduces src into dst (not larger than src) by averaging, for each destination pixel, the block of
// source pixels it covers: every source pixel is read once and a flat colour stays exactly that
// colour. The result is opaque.
void BoxReduce(const TBitmap32& src, TBitmap32& dst) {
    const int W = src.Width(), H = src.Height(), w = dst.Width(), h = dst.Height();
    std::vector<std::uint64_t> sums(std::size_t(w) * 3);
    std::vector<int> x0(std::size_t(w) + 1);
    for (int x = 0; x <= w; ++x)
        x0[std::size_t(x)] = int((long long)x * W / w);
    for (int y = 0; y < h; ++y) {
        const int sy0 = int((long long)y * H / h), sy1 = std::max(sy0 + 1, int((long long)(y + 1) * H / h));
        std::fill(sums.begin(), sums.end(), 0);
        for (int sy = sy0; sy < sy1; ++sy) {
            const TColor32* row = src.ScanLine(sy);
            for (int x = 0; x < w; ++x) {
                const int a = x0[std::size_t(x)], b = std::max(a + 1, x0[std::size_t(x) + 1]);
                std::uint64_t r = 0, g = 0, bl = 0;
                for (int sx = a; sx < b; ++sx) {
                    const TColor32 c = row[sx];
                    r += (c >> 16) & 255;
                    g += (c >> 8) & 255;
                    bl += c & 255;
                }
                sums[std::size_t(x) * 3] += r;
                sums[std::size_t(x) * 3 + 1] += g;
                sums[std::size_t(x) * 3 + 2] += bl;
            }
        }
        TColor32* d = dst.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            const int a = x0[std::size_t(x)], b = std::max(a + 1, x0[std::size_t(x) + 1]);
            const std::uint64_t n = std::uint64_t(b - a) * std::uint64_t(sy1 - sy0);
            d[x] = Color32(int((sums[std::size_t(x) * 3] + n / 2) / n),
                           int((sums[std::size_t(x) * 3 + 1] + n / 2) / n),
                           int((sums[std::size_t(x) * 3 + 2] + n / 2) / n));
        }
    }
    dst.Changed();
}

} // namespace

const std::vector<std::string>& TTHumbview::Masks() {
    static const std::vector<std::string> masks{"*.BMP", "*.JPG", "*.WMF", "*.EMF", "*.ICO",
                                                "*.GIF", "*.PCX", "*.TGA", "*.PNG"};
    return masks;
}

void TTHumbview::SetSize(int percent) {
    percent = std::max(1, percent);
    if (percent == fSize) return;
    fSize = percent;
    SetScrollPos(fScrollX, fScrollY);
    Notify(TThumbChange::Layout);
}

// Real-valued as written (the extended precision of the original arithmetic), then truncated.
int TTHumbview::CellWidth() const {
    return int(std::trunc((long double)MaxWidth / 100 * fSize));
}
int TTHumbview::CellHeight() const {
    return int(std::trunc((long double)MaxHeight / 100 * fSize));
}

void TTHumbview::Notify(TThumbChange what, int index) {
    if (OnViewChange) OnViewChange(what, index);
}

void TTHumbview::ClearEntries() {
    fEntries.clear();
    fSelected = -1;
    fScrollX = fScrollY = 0;
}

void TTHumbview::SetDirectory(const std::string& folder) {
    StopLoading(); // a new folder ends the previous scan first
    ++fGeneration;
    ClearEntries();
    fDirectory = folder;
    if (folder.empty()) {
        Notify(TThumbChange::Entries);
        return;
    }

    struct Found {
        int mask;
        std::string name, path;
        std::string key; // the path lower-cased, for the case-insensitive order
    };
    std::vector<Found> found;
    const std::vector<std::string>& masks = FileMasks.empty() ? Masks() : FileMasks;
    std::error_code ec;
    const fs::path dir(folder);
    if (fs::is_directory(dir, ec)) {
        fs::directory_iterator it(dir, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            std::error_code fec;
            if (!it->is_regular_file(fec)) continue;
            std::string name = it->path().filename().string();
            const int mask = MaskIndex(name, masks);
            if (mask < 0) continue;
            std::string path = (dir / name).string();
            std::string key = LowerAscii(path);
            found.push_back({mask, std::move(name), std::move(path), std::move(key)});
        }
    }
    if (Sorted) {
        std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
            return a.key != b.key ? a.key < b.key : a.path < b.path;
        });
    } else {
        // Mask by mask as listed; within one mask by name, as the folder listing has no order here.
        std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
            return a.mask != b.mask ? a.mask < b.mask : a.name < b.name;
        });
    }

    fEntries.reserve(found.size());
    for (auto& f : found) {
        TThumbEntry e;
        e.FileName = std::move(f.path);
        e.Title = std::move(f.name);
        struct stat st {};
        if (::stat(e.FileName.c_str(), &st) == 0) {
            e.LastAccess = TimeText(st.st_atime);
            e.LastWrite = TimeText(st.st_mtime);
            e.FileSize = std::uintmax_t(st.st_size);
        }
        fEntries.push_back(std::move(e));
    }
    if (!fEntries.empty()) {
        fSelected = 0;
        fLoadPos = 0; // the pictures are still to be decoded
    }
    Notify(TThumbChange::Entries);
    if (fEntries.empty()) return;

    const unsigned gen = fGeneration;
    if (OnStartScan) OnStartScan();
    if (gen != fGeneration) return; // the handler started another scan
    if (!Deferred) LoadAll();
}

void TTHumbview::LoadAll() {
    const unsigned gen = fGeneration;
    while (LoadNext()) {
        if (gen != fGeneration || !Loading()) return;
        if (ProcessMessages) ProcessMessages();
        if (gen != fGeneration) return; // a new folder was set meanwhile; that scan has taken over
    }
}

bool TTHumbview::LoadNext() {
    if (fLoadPos < 0) return false;
    if (fLoadPos >= Count()) {
        FinishScan();
        return false;
    }
    const int i = fLoadPos++;
    TThumbEntry& e = fEntries[std::size_t(i)];
    if (!e.Loaded) {
        try {
            e.Picture = MakeThumbnail(e.FileName, CellWidth(), CellHeight());
        } catch (const std::exception& ex) {
            // One bad file leaves an empty placeholder; the rest of the folder still loads.
            e.Picture.Delete();
            e.Failed = true;
            e.ErrorText = ex.what();
        }
        e.Loaded = true;
    }
    const unsigned gen = fGeneration;
    Notify(TThumbChange::Picture, i);
    bool stop = false;
    if (OnProgress) OnProgress(i, stop);
    if (gen != fGeneration) return true;
    if (stop) {
        StopLoading();
        return true;
    }
    if (fLoadPos >= Count()) FinishScan();
    return true;
}

void TTHumbview::FinishScan() {
    fLoadPos = -1;
    if (OnEndScan) OnEndScan();
}

void TTHumbview::StopLoading() {
    if (fLoadPos < 0) return;
    FinishScan();
}

void TTHumbview::SetSelected(int i) {
    if (fEntries.empty() || i < -1 || i >= Count()) return;
    fSelected = i;
    Notify(TThumbChange::Selection, i);
    if (AutoScrolling && i >= 0) ScrollIntoView(i);
}

std::string TTHumbview::SelectedFile() const {
    if (fSelected < 0 || fSelected >= Count()) return "";
    return fEntries[std::size_t(fSelected)].FileName;
}

void TTHumbview::SetSelectedFile(const std::string& fileName) {
    SetDirectory(fs::path(fileName).parent_path().string());
    for (int i = 0; i < Count(); ++i) {
        if (fEntries[std::size_t(i)].FileName == fileName) {
            fSelected = -1;
            SetSelected(i);
            ScrollIntoView(i);
            return;
        }
    }
    fSelected = -1;
    Notify(TThumbChange::Selection, -1);
}

void TTHumbview::SetViewSize(int width, int height) {
    if (width == fViewW && height == fViewH) return;
    fViewW = width;
    fViewH = height;
    fScrollX = std::clamp(fScrollX, 0, ScrollMaxX());
    fScrollY = std::clamp(fScrollY, 0, ScrollMaxY());
    Notify(TThumbChange::Layout);
}

int TTHumbview::Lines() const {
    const int pitch = std::max(1, ThumbGap + (ScrollMode == SMHorizontal ? CellHeight() : CellWidth()));
    const int n = ((ScrollMode == SMHorizontal ? fViewH : fViewW) - 20) / pitch;
    return std::max(1, n);
}

TRect TTHumbview::CellRect(int index) const {
    const int w = CellWidth(), h = CellHeight(), g = ThumbGap, n = Lines();
    const int k = index + 1;
    int left, top;
    if (ScrollMode == SMHorizontal) {
        const int c = CeilDiv(k, n), r = k - (c - 1) * n;
        left = (c - 1) * h + g * c;
        top = (r - 1) * w + g * r;
    } else {
        const int q = CeilDiv(k, n), r = k - (q - 1) * n;
        left = (r - 1) * w + g * r;
        top = (q - 1) * h + g * q;
    }
    return TRect{left, top, left + w, top + h};
}

TRect TTHumbview::TitleRect(int index) const {
    TRect c = CellRect(index);
    return TRect{c.Left, c.Bottom - std::min(kTitleHeight, c.Height()), c.Right, c.Bottom};
}

int TTHumbview::ContentWidth() const {
    const int g = ThumbGap, n = Lines();
    if (ScrollMode == SMHorizontal) return CeilDiv(Count(), n) * (CellHeight() + g) + g;
    return std::min(n, std::max(Count(), 1)) * (CellWidth() + g) + g;
}

int TTHumbview::ContentHeight() const {
    const int g = ThumbGap, n = Lines();
    if (ScrollMode == SMHorizontal) return std::min(n, std::max(Count(), 1)) * (CellWidth() + g) + g;
    return CeilDiv(Count(), n) * (CellHeight() + g) + g;
}

int TTHumbview::IndexAtContent(int x, int y) const {
    const int w = CellWidth(), h = CellHeight(), g = ThumbGap, n = Lines();
    const int pitchX = std::max(1, g + (ScrollMode == SMHorizontal ? h : w));
    const int pitchY = std::max(1, g + (ScrollMode == SMHorizontal ? w : h));
    const int xx = x - g, yy = y - g;
    if (xx < 0 || yy < 0 || xx % pitchX >= w || yy % pitchY >= h) return -1;
    const int col = xx / pitchX, row = yy / pitchY;
    int k;
    if (ScrollMode == SMHorizontal) {
        if (row >= n) return -1;
        k = col * n + row;
    } else {
        if (col >= n) return -1;
        k = row * n + col;
    }
    return k < Count() ? k : -1;
}

int TTHumbview::ScrollMaxX() const {
    return std::max(0, ContentWidth() - fViewW);
}
int TTHumbview::ScrollMaxY() const {
    return std::max(0, ContentHeight() - fViewH);
}

void TTHumbview::SetScrollPos(int x, int y) {
    x = std::clamp(x, 0, ScrollMaxX());
    y = std::clamp(y, 0, ScrollMaxY());
    if (x == fScrollX && y == fScrollY) return;
    fScrollX = x;
    fScrollY = y;
    Notify(TThumbChange::Scroll);
}

void TTHumbview::ScrollIntoView(int index) {
    if (index < 0 || index >= Count()) return;
    const TRect c = CellRect(index);
    int x = fScrollX, y = fScrollY;
    if (c.Right + ThumbGap > x + fViewW) x = c.Right + ThumbGap - fViewW;
    if (c.Left - ThumbGap < x) x = c.Left - ThumbGap;
    if (c.Bottom + ThumbGap > y + fViewH) y = c.Bottom + ThumbGap - fViewH;
    if (c.Top - ThumbGap < y) y = c.Top - ThumbGap;
    SetScrollPos(x, y);
}

void TTHumbview::MouseDown(int x, int y) {
    SetSelected(IndexAtContent(x + fScrollX, y + fScrollY));
}

bool TTHumbview::KeyDown(TThumbKey key) {
    if (!AutoHandleKeyb || fEntries.empty()) return false;
    const int n = Lines(), last = Count() - 1;
    const bool vertical = ScrollMode == SMVertical;
    int target = fSelected;
    switch (key) {
    case TThumbKey::Home:
        target = 0;
        break;
    case TThumbKey::End:
        target = last;
        break;
    case TThumbKey::Right:
        target += vertical ? 1 : n;
        break;
    case TThumbKey::Left:
        target -= vertical ? 1 : n;
        break;
    case TThumbKey::Down:
        target += vertical ? n : 1;
        break;
    case TThumbKey::Up:
        target -= vertical ? n : 1;
        break;
    }
    if (target >= 0 && target <= last) SetSelected(target);
    ScrollIntoView(fSelected);
    return true;
}

void TTHumbview::ReducedSize(int width, int height, int cellW, int cellH, int& outW, int& outH) {
    outW = width;
    outH = height;
    if (width <= 0 || height <= 0 || (width <= cellW && height <= cellH)) return;
    const long double pw = (long double)cellW / width * 100, ph = (long double)cellH / height * 100;
    const long double p = std::min(pw, ph);
    outW = int(std::trunc((long double)width / 100 * p));
    outH = int(std::trunc((long double)height / 100 * p));
}

TBitmap32 TTHumbview::MakeThumbnail(const std::string& fileName, int cellW, int cellH) {
    TBitmap32 src;
    const std::string ext = codecs::ExtensionOf(fileName);
    if (ext == ".pcx" || ext == ".tga") {
        const codecs::Bytes data = codecs::ReadWholeFile(fileName);
        src = ext == ".pcx" ? codecs::DecodePCX(data.data(), data.size(), fileName)
                            : codecs::DecodeTGA(data.data(), data.size(), fileName);
    } else {
        src = codecs::LoadPicture(fileName);
    }
    if (src.Empty()) throw Error(fileName + ": the picture has no pixels");
    int w, h;
    ReducedSize(src.Width(), src.Height(), cellW, cellH, w, h);
    if (w == src.Width() && h == src.Height()) {
        src.ResetAlpha(255);
        return src;
    }
    // A very long, thin picture keeps at least one pixel across.
    TBitmap32 out(std::max(1, w), std::max(1, h));
    BoxReduce(src, out);
    return out;
}

} // namespace kv
