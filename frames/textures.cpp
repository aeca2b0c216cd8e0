#include "frames/textures.h"

#include "core/codecs/codecs.h"
#include "core/error.h"
#include "core/parallel.h"
#include "document/platform.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

namespace kv {

std::string TextureFolderName(int tab) {
    switch (tab) {
    case kTabSpecial:
        return "STextures";
    case kTabMono:
        return "MTextures";
    default:
        return "NTextures";
    }
}

void GradientDown(TWinColor c1, TWinColor c2, TBitmap32& img) {
    if (img.Empty()) return;
    const int H = img.Height(), W = img.Width();
    const int r1 = int(c1 & 255), g1 = int((c1 >> 8) & 255), b1 = int((c1 >> 16) & 255);
    const int dr = r1 - int(c2 & 255), dg = g1 - int((c2 >> 8) & 255), db = b1 - int((c2 >> 16) & 255);
    img.BeginUpdate();
    ParallelRows(H, std::size_t(W), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const double f = double(y) / double(H);
            const TColor32 c = Color32(r1 - RoundI(f * dr), g1 - RoundI(f * dg), b1 - RoundI(f * db), 255);
            std::fill_n(img.ScanLine(y), W, c);
        }
    });
    img.Changed();
    img.EndUpdate();
}

void TintMono(TBitmap32& img, TWinColor colour) {
    if (img.Empty()) return;
    const int rc = int(colour & 255), gc = int((colour >> 8) & 255), bc = int((colour >> 16) & 255);
    // The factor depends only on R + G + B, so the three results are looked up per sum.
    std::array<TColor32, 766> table{};
    for (int sum = 0; sum <= 765; ++sum) {
        const double x = double(sum) / 765.0 + 0.5;
        table[std::size_t(sum)] =
            Color32(Clamp(RoundI(rc * x)), Clamp(RoundI(gc * x)), Clamp(RoundI(bc * x)), 255);
    }
    img.BeginUpdate();
    ParallelRows(img.Height(), std::size_t(img.Width()), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            TColor32* p = img.ScanLine(y);
            for (int x = 0, w = img.Width(); x < w; ++x) {
                const TColor32 c = p[x];
                p[x] = table[std::size_t(RedComponent(c) + GreenComponent(c) + BlueComponent(c))];
            }
        }
    });
    img.Changed();
    img.EndUpdate();
}

void TileBitmap(const TBitmap32& tile, TBitmap32& target) {
    if (tile.Empty() || target.Empty() || &tile == &target) return;
    const int tw = tile.Width(), th = tile.Height(), W = target.Width();
    target.BeginUpdate();
    // Opaque copies of non-overlapping tiles: the visiting order does not change the result.
    ParallelRows(target.Height(), std::size_t(W), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const TColor32* src = tile.ScanLine(y % th);
            TColor32* dst = target.ScanLine(y);
            for (int x = 0; x < W; x += tw)
                std::memcpy(dst + x, src, sizeof(TColor32) * std::size_t(std::min(tw, W - x)));
        }
    });
    target.Changed();
    target.EndUpdate();
}

bool TileFile(const std::string& fileName, TBitmap32& target) {
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) return false;
    const TBitmap32 tile = codecs::LoadPicture(fileName);
    TileBitmap(tile, target);
    return true;
}

int RtxTileWidth(int rtx, int targetWidth, int pictureWidth) {
    int tw = 0;
    switch (rtx) {
    case 1:
        tw = RoundI(targetWidth / 10.0);
        break;
    case 2:
        tw = RoundI(pictureWidth / 6.7);
        break;
    case 3:
        tw = RoundI(pictureWidth / 5.0);
        break;
    case 4:
        tw = RoundI(pictureWidth / 4.0);
        break;
    default:
        return 0;
    }
    return std::max(tw, 1);
}

TBitmap32 LoadTexture(const std::string& fileName) {
    TBitmap32 x = codecs::LoadPicture(fileName);
    if (x.Empty()) throw Error(fileName + ": the picture has no pixels");
    x.SetDrawMode(dmOpaque);
    x.SetMasterAlpha(255);
    return x;
}

bool TextureIt(TBitmap32& target, const FrameSettings& s, const TTextureContext& ctx, int pictureWidth,
               TPlatform& platform) {
    // Monochrome or not, and the tint. The settings are read only, so the mono colour of the
    // frame needs no restoring afterwards whatever happens.
    bool mono = false;
    TWinColor tint = s.MoColor;
    bool useFrameTexture = true;
    if (!ctx.Mat) {
        mono = s.Fill == TFrameFill::Textura && s.Tab == kTabMono;
    } else if (s.Mat == TMatFill::Prolong) {
        if (s.MatteTone != 0) tint = ctx.TonedMono;
        mono = s.Fill == TFrameFill::Textura && s.Tab == kTabMono;
    } else {
        tint = s.Panel12;
        mono = s.Mat == TMatFill::MatTexture && s.MatTab == kTabMono;
        useFrameTexture = false;
    }
    const std::string& file = useFrameTexture ? s.Texture : s.MatTexture;
    if (file.empty()) {
        platform.MessageBox(kChooseTextureText, TMsgButtons::Ok);
        return false;
    }
    if (target.Empty()) return true;

    if (s.RTX <= 0 || s.RTX > 4) {
        // Item 0: the picture at its own size. A missing file is the loader's error.
        TileBitmap(LoadTexture(file), target);
        if (mono) TintMono(target, tint);
        return true;
    }
    TBitmap32 x = LoadTexture(file);
    if (s.RTX == 2 && ctx.Mat && s.MatteTone != 0) Brighten(x, 2 * s.MatteTone);
    if (mono) TintMono(x, tint);
    x.SetStretchFilter(sfLinear2);
    const int tw = RtxTileWidth(s.RTX, target.Width(), pictureWidth);
    const int th = std::max(1, RoundI(double(x.Height()) / double(x.Width()) * tw));
    TBitmap32 tile(tw, th);
    StretchTransfer(tile, tile.BoundsRect(), x, x.BoundsRect());
    TileBitmap(tile, target);
    return true;
}

} // namespace kv
