#include "frames/compositor.h"

#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "core/parallel.h"
#include "document/document.h"
#include "frames/frame_util.h"
#include "frames/mat.h"
#include "frames/textures.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr long long kMitreMaxPixels = 1LL << 24;

struct TMitreSize {
    int BW = 0, BH = 0;
};

TMitreSize MitreSize(int n, int wb, int hb, int t) {
    const double f = double(n) / double(t);
    return {RoundI(f * (wb + 2.0 * t)), RoundI(f * (hb + 2.0 * t))};
}

bool MitreFits(const TMitreSize& m) {
    return (long long)m.BW * m.BH <= kMitreMaxPixels && m.BW <= kMaxBitmapSide && m.BH <= kMaxBitmapSide;
}

TBitmap32 StretchedCopy(const TBitmap32& src, int w, int h, TStretchFilter filter) {
    TBitmap32 copy(src);
    copy.SetDrawMode(dmOpaque);
    copy.SetStretchFilter(filter);
    TBitmap32 out(w, h);
    StretchTransfer(out, out.BoundsRect(), copy, copy.BoundsRect());
    return out;
}

// count copies of tile side by side (horizontal) or stacked downward.
TBitmap32 Strip(const TBitmap32& tile, int count, bool horizontal) {
    const int n = tile.Width();
    TBitmap32 strip(horizontal ? count * n : n, horizontal ? n : count * n);
    for (int k = 0; k < count; ++k)
        BlockTransfer(strip, horizontal ? k * n : 0, horizontal ? 0 : k * n, tile);
    strip.SetDrawMode(dmOpaque);
    strip.SetStretchFilter(sfNearest);
    return strip;
}

void Progress(const TFrameEnv& env, int& position) {
    ++position;
    if (env.Progress) env.Progress(position);
    if (env.Platform) env.Platform->ProcessMessages();
}

} // namespace

void RaiseRings(TBitmap32& pic, const std::vector<TRaiseRing>& rings) {
    if (pic.Empty()) return;
    const int W = pic.Width(), H = pic.Height();
    struct Ring {
        int x1, y1, x2, y2;
        TColor32 light, dark;
    };
    std::vector<Ring> live;
    live.reserve(rings.size());
    int top = H, bottom = -1;
    for (const TRaiseRing& r : rings) {
        const int c = r.Contrast;
        if (c == 0 || r.X2 <= r.X1 || r.Y2 <= r.Y1) continue;
        Ring q{r.X1, r.Y1, r.X2, r.Y2, 0, 0};
        if (c > 0) {
            q.light = SetAlpha(clWhite32, Clamp(c * 512 / 100));
            q.dark = SetAlpha(clBlack32, Clamp(c * 255 / 100));
        } else {
            q.light = SetAlpha(clBlack32, Clamp(-c * 255 / 100));
            q.dark = SetAlpha(clWhite32, Clamp(-c * 512 / 100));
        }
        live.push_back(q);
        top = std::min(top, std::max(r.Y1, 0));
        bottom = std::max(bottom, std::min(r.Y2 - 1, H - 1));
    }
    if (live.empty() || top > bottom) return;
    // A span of one colour goes through the row blend (SIMD, the same bits as BlendReg) from a row
    // filled with that colour.
    const auto span = [W](TColor32* row, int x1, int x2, TColor32 c, std::vector<TColor32>& fill) {
        x1 = std::max(x1, 0);
        x2 = std::min(x2, W - 1);
        if (AlphaComponent(c) == 0 || x2 < x1) return;
        const std::size_t n = std::size_t(x2 - x1 + 1);
        std::fill_n(fill.begin(), n, c);
        BlendLine(fill.data(), row + x1, n);
    };
    const auto dot = [W](TColor32* row, int x, TColor32 c) {
        if (x >= 0 && x < W && AlphaComponent(c) != 0) row[x] = BlendReg(c, row[x]);
    };
    pic.BeginUpdate();
    ParallelRows(
        bottom - top + 1, std::size_t(W),
        [&](int r0, int r1) {
            std::vector<TColor32> fill(static_cast<std::size_t>(W));
            for (int y = top + r0; y < top + r1; ++y) {
                TColor32* row = pic.ScanLine(y);
                // Per ring in order: top row, left edge (light), bottom row, right edge (dark).
                for (const Ring& q : live) {
                    if (y < q.y1 || y >= q.y2) continue;
                    if (y == q.y1) span(row, q.x1, q.x2 - 1, q.light, fill);
                    if (y > q.y1 && y < q.y2 - 1) dot(row, q.x1, q.light);
                    if (y == q.y2 - 1) span(row, q.x1, q.x2 - 1, q.dark, fill);
                    if (y > q.y1 && y < q.y2 - 1) dot(row, q.x2 - 1, q.dark);
                }
            }
        },
        1u << 16);
    pic.Changed();
    pic.EndUpdate();
}

void RaisedProfile(TBitmap32& pic, int T, int DWF, int FDE) {
    if (pic.Empty()) return;
    const int W = pic.Width(), H = pic.Height();
    const int g = RoundI((W / 100.0) * (DWF / 10.0));
    const double h = (2400.0 / W) * (FDE / 50.0);
    std::vector<TRaiseRing> rings;
    rings.reserve(std::size_t(std::max(g, 0)) * 2);
    for (int l = 0; l < g; ++l)
        rings.push_back({l, l, W - l, H - l, RoundI((g - l) * h)});
    for (int m = 0; m < g; ++m)
        rings.push_back({T + m - g, T + m - g, W - T - m + g, H - T - m + g, -RoundI(m * h)});
    RaiseRings(pic, rings);
}

void MitreIt(TBitmap32& canvas, const TBitmap32& tileIn, int wb, int hb, int T, bool linear) {
    if (tileIn.Empty() || T < 1 || wb < 1 || hb < 1) return;
    // A tile that is not square is first made square, of side its height.
    TBitmap32 S = tileIn.Width() == tileIn.Height()
                      ? TBitmap32(tileIn)
                      : StretchedCopy(tileIn, tileIn.Height(), tileIn.Height(), sfLinear);
    S.SetDrawMode(dmOpaque);
    int n = S.Height();
    const int t = T;
    TMitreSize sz = MitreSize(n, wb, hb, t);
    if (!MitreFits(sz) && n > 1) {
        // Shrink the tile so the assembly at its scale fits.
        const double area = double(sz.BW) * double(sz.BH);
        int m = int(std::floor(n * std::sqrt(double(kMitreMaxPixels) / area)));
        m = std::clamp(m, 1, n - 1);
        while (m > 1 && !MitreFits(MitreSize(m, wb, hb, t)))
            --m;
        S = StretchedCopy(S, m, m, sfLinear2);
        n = m;
        sz = MitreSize(n, wb, hb, t);
    }
    const int BW = sz.BW, BH = sz.BH;
    const int LX = BW - 2 * n, LY = BH - 2 * n;
    const int nx = RoundI(double(BW) / n), ny = RoundI(double(BH) / n);
    TBitmap32 B(BW, BH);

    // Top.
    StretchTransfer(B, TRect{n, 0, n + LX, n}, Strip(S, nx, true), TRect{0, 0, nx * n, n});

    // V: the tile flipped top to bottom.
    TBitmap32 V(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            V.SetPixel(x, y, S.Pixel(x, n - 1 - y));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x <= y; ++x)
            B.SetPixel(BW - n + x, BH - n + y, V.Pixel(x, y));
    for (int y = 0; y < n; ++y)
        for (int x = n - 1 - y; x <= n - 1; ++x)
            B.SetPixel(x, BH - n + y, V.Pixel(x, y));
    StretchTransfer(B, TRect{n, n + LY, n + LX, 2 * n + LY}, Strip(V, nx, true), TRect{0, 0, nx * n, n});

    // R: the tile turned a quarter turn clockwise, R(n−1−y, x) = S(x, y).
    TBitmap32 R(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            R.SetPixel(n - 1 - y, x, S.Pixel(x, y));
    StretchTransfer(B, TRect{n + LX, n, 2 * n + LX, n + LY}, Strip(R, ny, false), TRect{0, 0, n, ny * n});
    for (int y = 0; y < n; ++y)
        for (int x = n - 1 - y; x <= n - 1; ++x)
            B.SetPixel(BW - n + x, y, R.Pixel(x, y));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x <= n - 1 - y; ++x)
            B.SetPixel(BW - n + x, y, S.Pixel(x, y));
    for (int y = 0; y < n; ++y)
        for (int x = y; x <= n - 1; ++x)
            B.SetPixel(BW - n + x, BH - n + y, R.Pixel(x, y));

    // Q: the tile turned a quarter turn counter-clockwise, Q(y, n−1−x) = S(x, y).
    TBitmap32 Q(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            Q.SetPixel(y, n - 1 - x, S.Pixel(x, y));
    StretchTransfer(B, TRect{0, n, n, n + LY}, Strip(Q, ny, false), TRect{0, 0, n, ny * n});
    for (int y = 0; y < n; ++y)
        for (int x = 0; x <= y; ++x)
            B.SetPixel(x, y, Q.Pixel(x, y));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x <= n - 1 - y; ++x)
            B.SetPixel(x, BH - n + y, Q.Pixel(x, y));
    for (int y = 0; y < n; ++y)
        for (int x = y; x <= n - 1; ++x)
            B.SetPixel(x, y, S.Pixel(x, y));

    B.SetDrawMode(dmOpaque);
    B.SetStretchFilter(linear ? sfLinear : sfNearest);
    TBitmap32 O(wb + 2 * t, hb + 2 * t);
    StretchTransfer(O, O.BoundsRect(), B, B.BoundsRect());
    canvas.BeginUpdate();
    canvas.Swap(O);
    canvas.SetDrawMode(O.DrawMode());
    canvas.SetMasterAlpha(O.MasterAlpha());
    canvas.SetOuterColor(O.OuterColor());
    canvas.SetStretchFilter(O.StretchFilter());
    canvas.EndUpdate();
}

namespace {

// The map's intensities once, then the nearest-neighbour picks of an unclipped opaque stretch of
// the map over dw × dh: source index = (i · ((s · 65536) div d)) >> 16.
struct TMapPicks {
    std::vector<std::uint8_t> Alpha;
    std::vector<int> Column;
    long long StepY = 0;
    int SW = 0;
    TMapPicks(const TBitmap32& invertedMap, int dw, int dh) : SW(invertedMap.Width()) {
        const int sh = invertedMap.Height();
        Alpha.resize(std::size_t(SW) * std::size_t(sh));
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < SW; ++x)
                Alpha[std::size_t(y) * std::size_t(SW) + std::size_t(x)] =
                    std::uint8_t(Intensity(invertedMap.Pixel(x, y)));
        const long long stepX = ((long long)SW << 16) / dw;
        StepY = ((long long)sh << 16) / dh;
        Column.resize(std::size_t(dw));
        for (int x = 0; x < dw; ++x)
            Column[std::size_t(x)] = int(((long long)x * stepX) >> 16);
    }
    // The map row picked for row y.
    const std::uint8_t* Row(int y) const {
        return Alpha.data() + std::size_t(((long long)y * StepY) >> 16) * std::size_t(SW);
    }
};

// The shading map as FrameIt uses it: loaded, alpha 255, colours inverted.
TBitmap32 LoadShadingMap(TShadeKind kind, const std::string& programFolder) {
    TBitmap32 map =
        codecs::LoadPicture(programFolder + (kind == TShadeKind::Shadow ? "SHADOWG.bmp" : "BLIKG.bmp"));
    map.ResetAlpha(255);
    InvertRGB(&map, &map);
    return map;
}

// The layer rectangle of ShadeIt: the whole picture, or for an inner frame the middle inside the
// band of width T (empty when the band covers it).
TRect ShadeRect(int Ws, int Hs, const FrameSettings& s, int T) {
    if (!s.InFrama) return TRect{0, 0, Ws, Hs};
    const int t = std::max(T, 0);
    if (Ws - 2 * t <= 0 || Hs - 2 * t <= 0) return TRect{0, 0, 0, 0};
    return TRect{t, t, Ws - t, Hs - t};
}

} // namespace

void ShadingAlpha(TBitmap32& layer, const TBitmap32& invertedMap) {
    if (layer.Empty() || invertedMap.Empty()) return;
    const int dw = layer.Width(), dh = layer.Height();
    const TMapPicks picks(invertedMap, dw, dh);
    layer.BeginUpdate();
    ParallelRows(dh, std::size_t(dw), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* a = picks.Row(y);
            TColor32* p = layer.ScanLine(y);
            for (int x = 0; x < dw; ++x)
                p[x] = (p[x] & 0x00FFFFFFu) | (TColor32(a[picks.Column[std::size_t(x)]]) << 24);
        }
    });
    layer.Changed();
    layer.EndUpdate();
}

void ShadeIt(TDocument& doc, TShadeKind kind, const FrameSettings& s, int T,
             const std::string& programFolder) {
    TBitmap32& base = doc.Base();
    // The map first: a map that cannot be read stops the build before anything changes.
    TBitmap32 map = LoadShadingMap(kind, programFolder);
    map.SetDrawMode(dmOpaque);
    map.SetStretchFilter(sfNearest);

    doc.Select(nullptr);
    doc.Layers().Clear();
    const int Ws = base.Width(), Hs = base.Height();
    if (base.Empty()) return;
    TBitmap32 C;
    TFloatRect where{0, 0, float(Ws), float(Hs)};
    if (s.InFrama) {
        // The middle rectangle inside the band; nothing to shade when it is empty.
        const TRect r = ShadeRect(Ws, Hs, s, T);
        if (r.IsEmpty()) return;
        C.SetSize(r.Width(), r.Height());
        BlockTransfer(C, 0, 0, base, r);
        where = TFloatRect{float(r.Left), float(r.Top), float(r.Right), float(r.Bottom)};
    } else {
        C.Assign(base);
    }
    Brighten(C, kind == TShadeKind::Glare ? 170 : -170);
    ShadingAlpha(C, map);
    C.SetDrawMode(dmBlend);
    C.SetMasterAlpha(255);
    C.SetStretchFilter(sfLinear);

    TBitmapLayer& L = doc.Layers().Add<TBitmapLayer>();
    L.Bitmap.Swap(C);
    L.SetLocation(where);
    L.SetScaled(true);
    doc.Select(&L);
}

namespace {

// ShadeIt followed by Flatten on an opaque base picture, without the layer and the composite: per
// pixel the brightened colour with the map's intensity as alpha is blended over the base pixel,
// exactly as the layer is drawn (same size, so a block blend) over the composite's copy of the
// opaque base. One pass and no full-size working picture.
void ShadeAndFlattenInPlace(TDocument& doc, TShadeKind kind, const FrameSettings& s, int T,
                            const std::string& programFolder) {
    const TBitmap32 map = LoadShadingMap(kind, programFolder);
    doc.Select(nullptr);
    doc.Layers().Clear();
    doc.History.ClearSteps(); // as Flatten does
    TBitmap32& base = doc.Base();
    if (base.Empty() || map.Empty()) return;
    const TRect r = ShadeRect(base.Width(), base.Height(), s, T);
    const int dw = r.Width(), dh = r.Height();
    if (dw <= 0 || dh <= 0) return;
    const int a = kind == TShadeKind::Glare ? 170 : -170;
    std::uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = std::uint8_t(std::clamp(v + v * a / 255, 0, 255));
    const TMapPicks picks(map, dw, dh);
    base.BeginUpdate();
    ParallelRows(dh, std::size_t(dw), [&](int y0, int y1) {
        std::vector<TColor32> row(static_cast<std::size_t>(dw));
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* am = picks.Row(y);
            TColor32* p = base.ScanLine(r.Top + y) + r.Left;
            for (int x = 0; x < dw; ++x) {
                const TColor32 c = p[x];
                row[std::size_t(x)] = (TColor32(am[picks.Column[std::size_t(x)]]) << 24) |
                                      (TColor32(table[(c >> 16) & 255]) << 16) |
                                      (TColor32(table[(c >> 8) & 255]) << 8) | TColor32(table[c & 255]);
            }
            BlendLine(row.data(), p, std::size_t(dw));
        }
    });
    base.Changed();
    base.EndUpdate();
}

} // namespace

void ShadeStage(TDocument& doc, TShadeKind kind, const FrameSettings& s, int T,
                const std::string& programFolder) {
    if (doc.Base().DrawMode() == dmOpaque) {
        ShadeAndFlattenInPlace(doc, kind, s, T, programFolder);
    } else {
        ShadeIt(doc, kind, s, T, programFolder);
        doc.Flatten();
    }
}

TExtent FramedSize(int w, int h, int cleanWidth, const FrameSettings& s, int T) {
    long long W = w, H = h;
    if (s.MatBuilt()) {
        const int P = MatMargin(cleanWidth, s.Pole);
        W = (long long)cleanWidth + P;
        H = (long long)h + P;
    }
    if (!s.InFrama) {
        W += 2LL * std::max(T, 0);
        H += 2LL * std::max(T, 0);
    }
    const auto clampInt = [](long long v) { return int(std::min<long long>(v, 0x7FFFFFFF)); };
    return TExtent{clampInt(W), clampInt(H)};
}

void FrameIt(TDocument& doc, const FrameSettings& s, int T, const TFrameEnv& env) {
    if (!env.Platform) throw Error("FrameIt: no platform");
    TPlatform& platform = *env.Platform;
    if (doc.Base().Empty()) return;
    T = std::max(T, 0);
    {
        // The mat uses CleanPhoto's size; the photo keeps its own height otherwise.
        const int cleanW = doc.CleanPhoto.Empty() ? doc.Base().Width() : doc.CleanPhoto.Width();
        const int cleanH = doc.CleanPhoto.Empty() ? doc.Base().Height() : doc.CleanPhoto.Height();
        const TExtent e = s.MatBuilt() ? FramedSize(cleanW, cleanH, cleanW, s, T)
                                       : FramedSize(doc.Base().Width(), doc.Base().Height(), cleanW, s, T);
        if (!SizeWithinLimit(e.Width, e.Height)) throw Error(kFrameTooLargeText);
    }
    int position = 0;

    if (doc.Layers().Count() > 0) doc.Layers()[0].SetVisible(false);

    if (s.MatBuilt()) MatIt(doc, s, env.ProgramFolder, platform);
    Progress(env, position);

    const bool skipShading = s.InFrama && s.Fill == TFrameFill::Textura && s.Tab == kTabMono;
    if (!skipShading) {
        if (s.InBliks) ShadeStage(doc, TShadeKind::Glare, s, T, env.ProgramFolder);
        Progress(env, position);
        if (s.InShad) ShadeStage(doc, TShadeKind::Shadow, s, T, env.ProgramFolder);
        Progress(env, position);
    }

    TBitmap32& base = doc.Base();
    const int Wb = base.Width(), Hb = base.Height();
    // Fills the canvas with the moulding.
    const auto fill = [&](TBitmap32& F) {
        switch (s.Fill) {
        case TFrameFill::Cola:
            F.Clear(Color32FromWinColor(s.SColor));
            break;
        case TFrameFill::Gradient:
            GradientDown(s.k1, s.k2, F);
            break;
        case TFrameFill::Textura:
            if (s.Tab == kTabSpecial && !s.InFrama) {
                // F arrives empty here: the strip builder makes its own canvas.
                if (T > 0 && s.Texture.empty()) platform.MessageBox(kChooseTextureText, TMsgButtons::Ok);
                if (T > 0 && !s.Texture.empty())
                    MitreIt(F, LoadTexture(s.Texture), Wb, Hb, T, s.CheckBox1);
                else
                    F.SetSize(Wb + 2 * T, Hb + 2 * T); // no moulding: T is 0 or no texture
            } else {
                TextureIt(F, s, TTextureContext{}, base.Width(), platform);
            }
            break;
        }
    };

    if (!s.InFrama) {
        const bool strip = s.Fill == TFrameFill::Textura && s.Tab == kTabSpecial;
        TBitmap32 F;
        if (!strip) F.SetSize(Wb + 2 * T, Hb + 2 * T);
        fill(F);
        Progress(env, position);
        F.SetDrawMode(dmOpaque);
        // The photo replaces the filling, alpha included.
        const TDrawMode mode = base.DrawMode();
        base.SetDrawMode(dmOpaque);
        BlockTransfer(F, T, T, base);
        base.SetDrawMode(mode);
        frames_detail::TakeBasePixels(doc, F);
        Progress(env, position);
    } else {
        TBitmap32 F(Wb, Hb);
        fill(F);
        Progress(env, position);
        if (Wb - 2 * T > 0 && Hb - 2 * T > 0) F.FillRect(T, T, Wb - T, Hb - T, 0x0000FF00u);
        F.SetDrawMode(dmBlend);
        F.SetMasterAlpha(s.Mixer);
        BlockTransfer(base, 0, 0, F);
        Progress(env, position);
    }

    RaisedProfile(doc.Base(), T, s.DWF, s.FDE);
    Progress(env, position);
    Progress(env, position);
}

} // namespace kv
