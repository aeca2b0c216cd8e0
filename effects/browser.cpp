#include "effects/browser.h"

#include "core/codecs/codecs.h"
#include "core/error.h"
#include "document/history.h"
#include "document/mainform.h"
#include "effects/effects.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace kv {

namespace fs = std::filesystem;

namespace {

constexpr int kSampleWidth = 100;
constexpr int kSampleMaxHeight = 1000;

// Runs routine on a 24-bit copy of picture and puts the result back with alpha 255.
template <class F> void Through24(TBitmap32& picture, F routine) {
    Bitmap24 work;
    CopyToBitmap24(picture, work);
    routine(work);
    CopyFromBitmap24(work, picture);
}

// A 24-bit copy of picture run through routine, written as a 24-bit BMP.
template <class F> void Save24(const TBitmap32& picture, const fs::path& file, F routine) {
    Bitmap24 work;
    CopyToBitmap24(picture, work);
    routine(work);
    TBitmap32 out;
    CopyFromBitmap24(work, out);
    codecs::SaveBMP24(out, file.string());
}

} // namespace

const std::vector<std::string>& BrowserSampleNames() {
    static const std::vector<std::string> names = {"Blur.bmp",      "Color Noise.bmp", "Contrast.bmp",
                                                   "GrayScale.bmp", "Invert.bmp",      "Mono Noise.bmp",
                                                   "Mosaic.bmp",    "Spray.bmp",       "Wave.bmp"};
    return names;
}

TExtent BrowserSampleSize(int w, int h) {
    if (w < 1 || h < 1) return {0, 0};
    const double height = double(h) / double(w) * kSampleWidth;
    if (height <= kSampleMaxHeight) return {kSampleWidth, std::max(1, RoundI(height))};
    // Taller than 1:10: fit into 100 x 1000 with the aspect kept.
    return {std::max(1, RoundI(double(w) / double(h) * kSampleMaxHeight)), kSampleMaxHeight};
}

void WriteBrowserSamples(const TBitmap32& picture, const fs::path& folder) {
    const TExtent size = BrowserSampleSize(picture.Width(), picture.Height());
    if (size.Width == 0) return;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw Error(folder.string() + ": " + ec.message());

    TBitmap32 b(size.Width, size.Height);
    StretchTransfer(b, TRect{0, 0, size.Width, size.Height}, picture,
                    TRect{0, 0, picture.Width(), picture.Height()});

    TBitmap32 contrast(b);
    Contrast(contrast, 90);
    contrast.SaveToFile((folder / "Contrast.bmp").string());

    Save24(b, folder / "Blur.bmp", [](Bitmap24& w) { DiagonalBlur(w, 1); });
    Save24(b, folder / "Spray.bmp", [](Bitmap24& w) { ScatterPixels(w, 7); });
    Save24(b, folder / "Mosaic.bmp", [](Bitmap24& w) { BlockMosaic(w, 5); });
    Save24(b, folder / "Color Noise.bmp", [](Bitmap24& w) { ChannelNoise(w, 70); });
    Save24(b, folder / "Mono Noise.bmp", [](Bitmap24& w) { GreyNoise(w, 70); });
    Save24(b, folder / "GrayScale.bmp", [](Bitmap24& w) { ToGreyscale(w); });

    TBitmap32 invert(b);
    InvertRGB(&invert, &invert);
    invert.SaveToFile((folder / "Invert.bmp").string());

    Save24(b, folder / "Wave.bmp", [](Bitmap24& w) { WaveShift(w, 7, 20, 1); });
}

bool ApplyBrowserEffect(const std::string& name, TBitmap32& picture) {
    if (name == "Blur.bmp")
        Through24(picture, [](Bitmap24& w) { DiagonalBlur(w, 1); });
    else if (name == "Color Noise.bmp")
        Through24(picture, [](Bitmap24& w) { ChannelNoise(w, 70); });
    else if (name == "Contrast.bmp")
        Contrast(picture, 90);
    else if (name == "GrayScale.bmp")
        Through24(picture, [](Bitmap24& w) { ToGreyscale(w); });
    else if (name == "Invert.bmp")
        InvertRGB(&picture, &picture);
    else if (name == "Mono Noise.bmp")
        Through24(picture, [](Bitmap24& w) { GreyNoise(w, 70); });
    else if (name == "Mosaic.bmp")
        Through24(picture, [](Bitmap24& w) { BlockMosaic(w, 5); });
    else if (name == "Spray.bmp")
        Through24(picture, [](Bitmap24& w) { ScatterPixels(w, 7); });
    else if (name == "Wave.bmp")
        Through24(picture, [](Bitmap24& w) { WaveShift(w, 27, 20, 1); });
    else
        return false;
    return true;
}

TBrowser::TBrowser(TMainForm& form) : Form(form) {
    FView.Sorted = true;
    FView.AsButtons = true;
    FView.TitlePlacement = T_Down;
    FView.MaxWidth = 200;
    FView.MaxHeight = 200;
    FView.ThumbGap = 4;
    FView.ScrollMode = SMVertical;
    FView.SetSize(60);
    FView.OnDblClick = [this](int) { FViewDblClick(); };
}

fs::path TBrowser::SampleFolder() const {
    return Form.Folders.DataWritePath("EXAMPLES") / "BROWSER";
}

void TBrowser::FormActivate() {
    if (Form.Doc.Empty()) return;
    const fs::path folder = SampleFolder();
    WriteBrowserSamples(Form.Doc.Base(), folder);
    FView.ProcessMessages = [this] { Form.Platform.ProcessMessages(); };
    // Every call scans afresh, so the rewritten files are read again.
    FView.SetDirectory(folder.string() + "/");
}

void TBrowser::Apply() {
    if (Form.Doc.Empty() || FView.Selected() < 0) return;
    const std::string name = fs::path(FView.SelectedFile()).filename().string();
    const auto& names = BrowserSampleNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) return;
    RecordEffectStep(Form.Doc);
    ApplyBrowserEffect(name, Form.Doc.Base());
    Form.Doc.Base().Changed();
    Form.Doc.RefreshCleanPhoto();
}

void TBrowser::OKClick() {
    Apply();
}

void TBrowser::FViewDblClick() {
    Apply();
    if (OnClose) OnClose(TModalResult::Ok);
}

} // namespace kv
