#include "adjust/image_size.h"

#include "adjust/picture_ops.h"
#include "core/error.h"
#include "document/history.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

int KiloBytes(long long w, long long h) {
    return std::clamp(RoundI(double(w) * double(h) * 4.0 / 1024.0), kSizeKbMin, kSizeKbMax);
}

int Side(double v) {
    if (!std::isfinite(v)) return kSideMax;
    return int(std::clamp<long long>(RoundHalfEven(v), kSideMin, kSideMax));
}

} // namespace

TStretchFilter ResampleFilter(int item) {
    switch (item) {
    case 1:
        return sfLinear2;
    case 2:
        return sfSpline;
    default:
        return sfNearest;
    }
}

void ResizeImage(TMainForm& form, int width, int height, int resample) {
    if (width < kSideMin || width > kSideMax || height < kSideMin || height > kSideMax)
        throw Error("Ширина и высота могут лежать в диапазоне от 1 до 10000 точек.");
    TDocument& doc = form.Doc;
    if (doc.Empty()) return;
    RecordSizeStep(doc);
    TBitmap32& base = doc.Base();
    const int W = base.Width(), H = base.Height();
    if (width != W || height != H) {
        const double sx = double(W) / width, sy = double(H) / height;
        TBitmap32 resized(width, height);
        base.SetStretchFilter(ResampleFilter(resample));
        StretchTransfer(resized, resized.BoundsRect(), base, base.BoundsRect());
        BecomeCopyOf(base, resized);
        TLayerCollection& layers = doc.Layers();
        layers.BeginUpdate();
        for (int i = 0; i < layers.Count(); ++i) {
            auto* pos = dynamic_cast<TPositionedLayer*>(&layers[i]);
            if (!pos) continue;
            const TFloatRect r = pos->Location();
            pos->SetLocation(TFloatRect{float(RoundHalfEven(r.Left / sx)), float(RoundHalfEven(r.Top / sy)),
                                        float(RoundHalfEven(r.Right / sx)),
                                        float(RoundHalfEven(r.Bottom / sy))});
        }
        layers.EndUpdate();
    }
    ShowPictureSize(form);
    doc.RefreshCleanPhoto();
}

void TRasm::FormShow() {
    const TBitmap32& b = Form.Doc.Base();
    UpDown1 = std::clamp(b.Width(), kSideMin, kSideMax);
    UpDown2 = std::clamp(b.Height(), kSideMin, kSideMax);
    Resample = 0;
    UpdateSize();
    if (!b.Empty()) R = double(b.Width()) / double(b.Height());
}

void TRasm::UpdateSize() {
    UpDown3 = KiloBytes(UpDown1, UpDown2);
}

void TRasm::Edit1Change(int width) {
    UpDown1 = std::clamp(width, kSideMin, kSideMax);
    if (R != 0 && Prop) UpDown2 = Side(UpDown1 / R);
    UpdateSize();
}

void TRasm::Edit2Change(int height) {
    UpDown2 = std::clamp(height, kSideMin, kSideMax);
    if (R != 0 && Prop) UpDown1 = Side(UpDown2 * R);
    UpdateSize();
}

void TRasm::Edit3Change(int kilobytes) {
    UpDown3 = std::clamp(kilobytes, kSizeKbMin, kSizeKbMax);
    const TBitmap32& b = Form.Doc.Base();
    if (b.Empty()) return;
    const double W = b.Width(), H = b.Height();
    const double k = std::sqrt((W * H * 4.0 / 1024.0) / UpDown3);
    UpDown1 = Side(W / k);
    UpDown2 = Side(H / k);
}

} // namespace kv
