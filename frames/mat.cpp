#include "frames/mat.h"

#include "core/codecs/codecs.h"
#include "document/document.h"
#include "document/platform.h"
#include "frames/compositor.h"
#include "frames/frame_util.h"
#include "frames/textures.h"

#include <algorithm>

namespace kv {

TWinColor TonedColor(TWinColor c, int tone) {
    if (tone == 0) return c & 0xFFFFFFu;
    float h = 0, s = 0, l = 0;
    RGBtoHSL(Color32FromWinColor(c), h, s, l);
    if (tone > 0) {
        l = l + float(tone) / 100.0f;
    } else {
        h = h + 0.5f;
        if (h >= 1.0f) h -= 1.0f;
        l = l - float(tone) / 200.0f;
    }
    l = std::clamp(l, 0.0f, 1.0f);
    return WinColor(HSLtoRGB(h, s, l));
}

std::string PhotoFormMaskFile(int photoForm) {
    switch (photoForm) {
    case 1:
        return "M11.jpg";
    case 2:
        return "RoundRect.png";
    case 3:
        return "Oval.png";
    case 4:
        return "Complex.png";
    case 5:
        return "Gradient.png";
    default:
        return "";
    }
}

int MatMargin(int cleanWidth, int pole) {
    return RoundI(cleanWidth * (pole / 100.0));
}

void MatIt(TDocument& doc, const FrameSettings& s, const std::string& programFolder, TPlatform& platform) {
    const int Wu = doc.CleanPhoto.Width(), Hu = doc.CleanPhoto.Height();
    if (Wu <= 0 || Hu <= 0 || doc.Base().Empty()) return;
    const TTextureContext ctx{true, TonedColor(s.MoColor, s.MatteTone)};
    const int P = MatMargin(Wu, s.Pole);
    const int p = RoundI(P / 2.0);
    TBitmap32 M(Wu + P, Hu + P);

    if (s.Mat == TMatFill::Prolong) {
        switch (s.Fill) {
        case TFrameFill::Cola:
            M.Clear(Color32FromWinColor(TonedColor(s.SColor, s.MatteTone)));
            break;
        case TFrameFill::Gradient:
            GradientDown(TonedColor(s.k1, s.MatteTone), TonedColor(s.k2, s.MatteTone), M);
            break;
        case TFrameFill::Textura:
            TextureIt(M, s, ctx, doc.Base().Width(), platform);
            break;
        }
    } else {
        switch (s.Mat) {
        case TMatFill::MatColor:
            M.Clear(Color32FromWinColor(s.MatSC));
            break;
        case TMatFill::MatGradient:
            GradientDown(s.MatK1, s.MatK2, M);
            break;
        default:
            TextureIt(M, s, ctx, doc.Base().Width(), platform);
            break;
        }
    }

    TBitmap32& base = doc.Base();
    const std::string maskFile = PhotoFormMaskFile(s.PhotoForm);
    if (!maskFile.empty()) {
        // Loaded before anything of the base picture changes, so a bad mask leaves it as it was.
        TBitmap32 mask = codecs::LoadPicture(programFolder + maskFile);
        mask.SetDrawMode(dmOpaque);
        mask.SetStretchFilter(sfNearest);
        TBitmap32 stretched(base.Width(), base.Height());
        StretchTransfer(stretched, stretched.BoundsRect(), mask, mask.BoundsRect());
        base.SetDrawMode(dmBlend);
        IntensityToAlpha(&base, &stretched);
    }
    const TDrawMode mode = base.DrawMode();
    const int master = base.MasterAlpha();
    base.SetMasterAlpha(255);
    BlockTransfer(M, p, p, base);
    base.SetMasterAlpha(master);
    base.SetDrawMode(mode);
    frames_detail::TakeBasePixels(doc, M);
    base.SetDrawMode(dmOpaque);

    if (s.Press1) {
        const int W1 = base.Width();
        const int n = RoundI((W1 / 100.0) * 1.1);
        const double k = (2400.0 / W1) * (s.FDE / 25.0);
        std::vector<TRaiseRing> rings;
        for (int e = 0; e < n; ++e)
            rings.push_back({p - n + e, p - n + e, Wu + p + n - e, Hu + p + n - e, -RoundI(e * k)});
        RaiseRings(base, rings);
    }
}

} // namespace kv
