#pragma once
// TBrowser: the effects catalog ("Каталог эффектов"). On every activation it renders the current
// picture small under nine effects into "EXAMPLES/BROWSER" and shows those files as thumbnails;
// the user's pick is applied to the base picture. The item's file name says which effect it is.
#include "core/bitmap32.h"
#include "document/platform.h"
#include "document/thumbview.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kv {

class TMainForm;

// The nine samples, in name order; their position is the catalog's item number.
const std::vector<std::string>& BrowserSampleNames();

// The sample's size for a W x H picture: 100 wide and Round(H / W * 100) high, but never more than
// 1000 high (then the width shrinks with the aspect kept) and never below 1 on either side.
TExtent BrowserSampleSize(int w, int h);

// Writes the nine sample files of picture into folder (created when missing), replacing older
// ones. A file that cannot be written stops the run with the error of the file system.
void WriteBrowserSamples(const TBitmap32& picture, const std::filesystem::path& folder);

// Applies the effect of the sample file named name (without folder) to picture; false, and the
// picture untouched, when the name is not one of the nine.
bool ApplyBrowserEffect(const std::string& name, TBitmap32& picture);

class TBrowser : public TDialogModel {
  public:
    explicit TBrowser(TMainForm& form);
    std::string DialogName() const override { return "TBrowser"; }
    static constexpr const char* kCaption = "Каталог эффектов";
    static constexpr const char* kLabel = "Выберите нужный эффект....";

    TMainForm& Form;
    TTHumbview FView;

    // The folder the samples go to and the list shows.
    std::filesystem::path SampleFolder() const;

    // Activation: writes the samples and points the list at their folder.
    void FormActivate();
    // "OK": applies the selected item (nothing without one). The window then closes with OK.
    void OKClick();
    // Double click on an item: applies the selected item, then asks the window to close.
    void FViewDblClick();
    // Records an effect step, applies the selected item's effect to the base picture and refreshes
    // the clean photo unless the base picture carries a frame. Nothing without a known item.
    void Apply();

    // Set by the window: closes it with the given result.
    std::function<void(TModalResult)> OnClose;
};

} // namespace kv
