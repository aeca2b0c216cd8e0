#include "adjust/povor.h"

#include "adjust/picture_ops.h"
#include "core/transform.h"
#include "document/history.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace kv {

void RotateLayer(TBitmapLayer& layer, double angle, bool bilinear) {
    // The picture at the size of its location, so the turn works in base-picture pixels.
    const TFloatRect loc = layer.Location();
    const TRect place{RoundI(loc.Left), RoundI(loc.Top), RoundI(loc.Right), RoundI(loc.Bottom)};
    const int w = place.Width(), h = place.Height();
    if (w < 1 || h < 1 || layer.Bitmap.Empty()) return;
    TBitmap32& pic = layer.Bitmap;
    {
        TBitmap32 sized(w, h);
        TBitmap32 src(pic);
        src.SetDrawMode(dmOpaque);
        src.SetStretchFilter(sfLinear);
        StretchTransfer(sized, sized.BoundsRect(), src, src.BoundsRect());
        RestorePixels(pic, sized);
    }

    const double theta = -angle, rad = theta * std::numbers::pi / 180.0;
    const double nw = std::fabs(std::cos(rad) * w) + std::fabs(std::sin(rad) * h);
    const double nh = std::fabs(std::sin(rad) * w) + std::fabs(std::cos(rad) * h);
    const int W2 = std::max(1, RoundI(nw)), H2 = std::max(1, RoundI(nh));
    TAffineTransformation t;
    t.SrcRect = TFloatRect{0, 0, float(w), float(h)};
    t.Translate(-w / 2.0, -h / 2.0);
    t.Rotate(0, 0, theta);
    t.Translate(nw / 2.0, nh / 2.0);

    const TStretchFilter filter = bilinear ? sfLinear : sfNearest;
    pic.SetStretchFilter(filter);
    TBitmap32 alpha(w, h);
    for (int y = 0; y < h; ++y) {
        const TColor32* s = pic.ScanLine(y);
        TColor32* a = alpha.ScanLine(y);
        for (int x = 0; x < w; ++x)
            a[x] = Gray32(AlphaComponent(s[x]));
    }
    pic.ResetAlpha(255);

    TBitmap32 turned(W2, H2);
    turned.Clear(clBlack32);
    {
        TBitmap32 src(pic);
        src.SetDrawMode(dmOpaque);
        Transform(turned, src, t);
    }

    alpha.SetStretchFilter(filter);
    // The two outermost rows and columns fade the turned edge to transparent.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x < 2 || y < 2 || x >= w - 2 || y >= h - 2) alpha.SetPixel(x, y, clBlack32);
    TBitmap32 turnedAlpha(W2, H2);
    Transform(turnedAlpha, alpha, t);
    for (int y = 0; y < H2; ++y) {
        TColor32* p = turned.ScanLine(y);
        const TColor32* a = turnedAlpha.ScanLine(y);
        for (int x = 0; x < W2; ++x)
            p[x] = SetAlpha(p[x], Intensity(a[x]));
    }
    pic.BeginUpdate();
    RestorePixels(pic, turned);
    pic.SetStretchFilter(filter);
    pic.EndUpdate();
    layer.SetLocation(
        TFloatRect{float(place.Left), float(place.Top), float(place.Left + W2), float(place.Top + H2)});
}

bool TPovor::FormShow() {
    fLayer = Form.Doc.SelectedBitmapLayer();
    if (!fLayer) return false;
    fKept.Assign(fLayer->Bitmap);
    fKeptLocation = fLayer->Location();
    return true;
}

void TPovor::AngleChange(int position) {
    Angle = std::clamp(position, -180, 180);
    Edit1 = std::to_string(Angle);
}

void TPovor::Edit1Change(const std::string& text) {
    Edit1 = text;
    if (text.empty() || text == "-" || text == "+") return; // still being typed
    int v = 0;
    const char* b = text.data() + (text[0] == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(b, text.data() + text.size(), v);
    if (ec == std::errc::result_out_of_range || (ec == std::errc() && (v > 180 || v < -180))) {
        Form.Platform.MessageBox(kAngleRangeText, TMsgButtons::Ok);
        return;
    }
    if (ec != std::errc() || end != text.data() + text.size()) return; // not a number: the gauge stays
    Angle = v;
}

void TPovor::Restore() {
    if (!fLayer) return;
    fLayer->Bitmap.Assign(fKept);
    fLayer->SetLocation(fKeptLocation);
}

void TPovor::Rotate() {
    if (!fLayer) return;
    Restore();
    RotateLayer(*fLayer, Angle, Inter);
    Form.Doc.Select(nullptr);
    Form.Doc.Select(fLayer);
}

void TPovor::PreviewClick() {
    Rotate();
}

void TPovor::OkClick() {
    if (!fLayer) return;
    Restore();
    RecordGeometryStep(Form.Doc);
    Rotate();
}

void TPovor::CancelClick() {
    if (!fLayer) return;
    Restore();
    Form.Doc.Select(nullptr);
    Form.Doc.Select(fLayer);
}

} // namespace kv
