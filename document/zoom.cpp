#include "document/zoom.h"
#include "core/imgview.h"
#include "document/document.h"

#include <cctype>
#include <climits>

namespace kv {

namespace {

// Zoom changes only the view: the modified mark is put back when the command ends.
class KeepMark {
  public:
    explicit KeepMark(TDocument& doc) : fDoc(doc), fMark(doc.Modified) {}
    ~KeepMark() { fDoc.Modified = fMark; }

  private:
    TDocument& fDoc;
    int fMark;
};

void ShowScale(TZoomModel& combo, float scale) {
    combo.Text = ScalePercentText(scale);
    combo.CaretPos = int(combo.Text.size());
}

// A whole decimal number with an optional sign; -1 when the text is not one (or out of range).
int ParseWholeNumber(const std::string& s) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i == s.size()) return -1;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return -1;
        v = v * 10 + (s[i] - '0');
        if (v > INT_MAX) return -1;
    }
    return int(neg ? -v : v);
}

} // namespace

std::string ScalePercentText(float scale) {
    return std::to_string(RoundHalfEven(double(scale) * 100.0)) + "%";
}

void ImgViewMouseWheelUp(TZoomModel& combo, TDocument& doc) {
    KeepMark keep(doc);
    TImgView32& v = doc.ImgView;
    double s = double(v.Scale()) / 1.1;
    v.SetScale(s < kWheelMinScale ? kWheelMinScale : float(s));
    ShowScale(combo, v.Scale());
}

void ImgViewMouseWheelDown(TZoomModel& combo, TDocument& doc) {
    KeepMark keep(doc);
    TImgView32& v = doc.ImgView;
    double s = double(v.Scale()) * 1.1;
    v.SetScale(s > kWheelMaxScale ? kWheelMaxScale : float(s));
    ShowScale(combo, v.Scale());
}

void ScaleComboChange(TZoomModel& combo, TDocument& doc) {
    KeepMark keep(doc);
    std::string s;
    for (char c : combo.Text)
        if (c != '%' && c != ' ') s += c;
    if (s.empty()) return;
    TImgView32& v = doc.ImgView;
    int n = ParseWholeNumber(s);
    if (n >= 1 && n <= 2000)
        v.SetScale(float(n / 100.0));
    else
        n = int(RoundHalfEven(double(v.Scale()) * 100.0));
    combo.Text = std::to_string(n) + "%";
    combo.CaretPos = int(combo.Text.size()) - 1;
}

void Scale100Click(TZoomModel& combo, TDocument& doc) {
    KeepMark keep(doc);
    doc.ImgView.SetScale(1.0f);
    combo.Text = "100%";
    combo.CaretPos = int(combo.Text.size());
}

void FitToWindow(TZoomModel& combo, TDocument& doc) {
    KeepMark keep(doc);
    TImgView32& v = doc.ImgView;
    if (doc.Base().Empty()) return;
    const int cw = v.ClientWidth(), ch = v.ClientHeight();
    if (cw <= 0 || ch <= 0) return; // no client area yet: nothing to fit into
    const double a = double(doc.Base().Width()) / doc.Base().Height();
    const double aspect = double(cw) / ch;
    if (a >= aspect)
        v.SetScale(float(double(cw) / doc.Base().Width()));
    else
        v.SetScale(float(double(ch) / doc.Base().Height()));
    v.SetScale(float(double(v.Scale()) / 1.1)); // a margin
    ShowScale(combo, v.Scale());
}

void CustomPaintStage(TImgView32& view) {
    view.Buffer().Clear(BufColor);
}

void InstallCustomPaintStage(TImgView32& view) {
    view.SetCustomStage([&view](TBitmap32&, bool) { CustomPaintStage(view); });
}

} // namespace kv
