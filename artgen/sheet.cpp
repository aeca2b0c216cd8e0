// Review sheets of the generated library: every texture shown small and whole, and next to it at
// full size across its own wrap-around corner, so seams and repetition are easy to spot; strips
// as a small mitred frame and as two tiles side by side.
#include "artgen/library.h"

#include "core/codecs/codecs.h"
#include "frames/presets.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

namespace kv::artgen {
namespace {

// Area average by an integer factor.
TBitmap32 Shrink(const TBitmap32& src, int f) {
    TBitmap32 out(src.Width() / f, src.Height() / f);
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            int r = 0, g = 0, b = 0;
            for (int j = 0; j < f; ++j)
                for (int i = 0; i < f; ++i) {
                    TColor32 c = src.Pixel(x * f + i, y * f + j);
                    r += RedComponent(c), g += GreenComponent(c), b += BlueComponent(c);
                }
            int n = f * f;
            out.SetPixel(x, y, Color32(r / n, g / n, b / n));
        }
    return out;
}

// Nearest-neighbour copy of src into a w x h area of dst at (ox, oy).
void Place(TBitmap32& dst, const TBitmap32& src, int ox, int oy, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            dst.SetPixelS(ox + x, oy + y, src.Pixel(x * src.Width() / w, y * src.Height() / h));
}

// Digits 0-9 in a 3 x 5 font, one bit per pixel, rows top to bottom.
const unsigned char kDigits[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
                                      {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                      {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

void DrawNumber(TBitmap32& dst, int x, int y, int number) {
    std::string s = std::to_string(number);
    const int scale = 3;
    dst.FillRectS(x, y, x + int(s.size()) * 4 * scale + scale, y + 7 * scale, clBlack32);
    for (std::size_t k = 0; k < s.size(); ++k) {
        const unsigned char* g = kDigits[s[k] - '0'];
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                if (g[r] & (4 >> c))
                    dst.FillRectS(x + scale + (int(k) * 4 + c) * scale, y + scale + r * scale,
                                  x + scale + (int(k) * 4 + c + 1) * scale, y + scale + (r + 1) * scale,
                                  clWhite32);
    }
}

// A small frame built the way a mitred moulding looks: each side takes the tile rows from its
// outer edge inwards, the corners split on the diagonals.
TBitmap32 MiniFrame(const TBitmap32& tile, int w, int h, int t) {
    TBitmap32 out(w, h);
    const int n = tile.Width();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int dt = y, db = h - 1 - y, dl = x, dr = w - 1 - x;
            int d = std::min({dt, db, dl, dr});
            if (d >= t) {
                out.SetPixel(x, y, Color32(150 + (x / 16 + y / 16) % 2 * 20, 160, 170));
                continue;
            }
            int along, across = d * n / t;
            if (d == dt)
                along = x;
            else if (d == db)
                along = x;
            else
                along = y;
            along = (along * n / t) % n;
            out.SetPixel(x, y, tile.Pixel(along, across));
        }
    return out;
}

// One sheet of every preset (cells of 300 x 220, previews at twice their size) with its legend:
// base + ".png" and base + ".txt".
void WritePresetSheet(const std::vector<PresetSpec>& specs, const std::filesystem::path& base,
                      const std::function<TBitmap32(std::size_t)>& preview) {
    const int cellW = 300, cellH = 220, gap = 8, cols = 5;
    int rows = int((specs.size() + cols - 1) / cols);
    TBitmap32 sheet(cols * (cellW + gap) + gap, rows * (cellH + gap) + gap);
    sheet.Clear(Color32(48, 48, 48));
    std::ofstream legend(base.string() + ".txt");
    for (std::size_t k = 0; k < specs.size(); ++k) {
        int ox = gap + int(k % cols) * (cellW + gap), oy = gap + int(k / cols) * (cellH + gap);
        TBitmap32 pic = preview(k);
        if (!pic.Empty())
            Place(sheet, pic, ox, oy, std::min(pic.Width() * 2, cellW), std::min(pic.Height() * 2, cellH));
        DrawNumber(sheet, ox + 2, oy + 2, int(k));
        legend << k << " " << specs[k].Caption << "\n";
    }
    codecs::SavePNG(sheet, base.string() + ".png");
}

} // namespace

void WriteContactSheets(const std::string& libDir, const std::string& outDir) {
    namespace fs = std::filesystem;
    fs::create_directories(outDir);
    std::map<std::string, std::vector<const Item*>> groups;
    for (const Item& it : Library()) {
        fs::path p(it.path);
        groups[p.has_parent_path() ? p.parent_path().string() : std::string("Maps")].push_back(&it);
    }
    for (const auto& [group, items] : groups) {
        const int cellW = 512, cellH = 256, gap = 8, cols = 3;
        int rows = int((items.size() + cols - 1) / cols);
        TBitmap32 sheet(cols * (cellW + gap) + gap, rows * (cellH + gap) + gap);
        sheet.Clear(Color32(48, 48, 48));
        std::ofstream legend(fs::path(outDir) / (group + ".txt"));
        for (std::size_t k = 0; k < items.size(); ++k) {
            const Item& it = *items[k];
            TBitmap32 pic = codecs::LoadPicture((fs::path(libDir) / it.path).string());
            int ox = gap + int(k % cols) * (cellW + gap), oy = gap + int(k / cols) * (cellH + gap);
            if (it.tiling == Tiling::Both) {
                int f = std::max(1, pic.Width() / 256);
                Place(sheet, Shrink(pic, f), ox, oy, 256, 256);
                // Full size around the wrap-around corner: a seam would cross the middle.
                for (int y = 0; y < 256; ++y)
                    for (int x = 0; x < 256; ++x) {
                        int sx = (x + pic.Width() - 128) % pic.Width(),
                            sy = (y + pic.Height() - 128) % pic.Height();
                        sheet.SetPixelS(ox + 256 + x, oy + y, pic.Pixel(sx, sy));
                    }
            } else if (it.tiling == Tiling::Horizontal) {
                Place(sheet, MiniFrame(pic, 256, 256, 60), ox, oy, 256, 256);
                TBitmap32 half = Shrink(pic, 2);
                for (int rep = 0; rep < 2; ++rep)
                    Place(sheet, half, ox + 256 + rep * half.Width(), oy + 64, half.Width(), half.Height());
            } else {
                int w = cellW, h = pic.Height() * cellW / pic.Width();
                if (h > cellH) h = cellH, w = pic.Width() * cellH / pic.Height();
                Place(sheet, pic, ox, oy, w, h);
            }
            DrawNumber(sheet, ox + 4, oy + 4, int(k + 1));
            legend << (k + 1) << " " << it.path << "\n";
        }
        codecs::SavePNG(sheet, (fs::path(outDir) / (group + ".png")).string());
    }
    // The presets as the catalog shows them, each preview at twice its size; then the same
    // presets built on every other sample photo of the library, so a frame is judged on
    // portraits, landscapes and dark pictures too, not only on the photo it was tuned on.
    const fs::path presets = fs::path(libDir) / "Presets";
    if (!fs::exists(presets)) return;
    const auto specs = PresetSpecs(libDir);
    WritePresetSheet(specs, fs::path(outDir) / "Presets", [&](std::size_t k) {
        fs::path file = presets / PresetPictureName(int(k));
        return fs::exists(file) ? codecs::LoadPicture(file.string()) : TBitmap32();
    });
    for (const char* name : kSamplePhotos) {
        const fs::path photoFile = fs::path(libDir) / name;
        if (!fs::exists(photoFile)) continue;
        const TBitmap32 photo = codecs::LoadPicture(photoFile.string());
        const std::string programFolder = (fs::path(libDir) / "").string(); // ends with '/'
        WritePresetSheet(specs, fs::path(outDir) / ("Presets-" + photoFile.stem().string()), [&](std::size_t k) {
            return BuildPresetPreview(specs[k].Settings, photo, programFolder);
        });
    }
}

} // namespace kv::artgen
