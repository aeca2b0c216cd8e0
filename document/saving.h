#pragma once
// Saving and export: the save dialog's filter, the formats "Сохранить..." writes by extension,
// and the two dialog models "Настройка компрессии JPEG" (TCompress) and "Настройка GIF" (TGifType).
#include "core/bitmap32.h"
#include "core/codecs/codecs.h"
#include "document/platform.h"

#include <string>

namespace kv {

inline const std::string kSaveFilter =
    "Bitmaps (*.bmp)|*.bmp|JPEG Image File (*.jpg)|*.jpg|GIF Image (*.gif)|*.gif|PNG Image (*.png)|*.png|"
    "TIFF Image (*.tif)|*.tif";
constexpr int kSaveFilterCount = 5;

// Extension "Сохранить как..." gives a filter index (1..5), or "" outside that range.
std::string SaveAsExtension(int filterIndex);
// The name "Сохранить как..." writes: the dialog's name, with the filter's extension appended
// unless it already ends with it (any case).
std::string SaveAsTarget(const std::string& dialogName, int filterIndex);

// What "Сохранить..." writes for a name's extension (any case).
enum class TSaveKind { None, Bmp, Project, Gif, Jpeg, Png };
TSaveKind SaveKindOf(const std::string& fileName);

// "Настройка компрессии JPEG": the gauge and the up-down are kept equal; quality 1..100.
class TCompress : public TDialogModel {
  public:
    std::string DialogName() const override { return "TCompress"; }
    int TrackBar1 = 70; // gauge position
    int UpDown1 = 70;   // up-down position; its edit box shows the same number
    std::string Edit1 = "70";

    void TrackBar1Change(int position);
    void UpDown1Change(int position);
    // The edit box's text changed; text that is not a number in range leaves the values.
    void Edit1Change(const std::string& text);
    // "Сохранить": closes the dialog with OK; the main window then writes the file.
    TModalResult SaveButtonClick() { return TModalResult::Ok; }
    int Quality() const { return UpDown1; }
};

// "Настройка GIF": colour count choice and the information panel.
class TGifType : public TDialogModel {
  public:
    std::string DialogName() const override { return "TGifType"; }
    enum TChoice { Two, Sixteen, Palette256, Auto };
    TChoice Choice = Auto;             // radio buttons "2", "16", "256", "Auto"
    std::string InfoText;              // the information panel
    const TBitmap32* Source = nullptr; // the picture to be written (the composite)

    // Counts the source's distinct colours into the panel.
    void FormActivate();
    // "Сохранять": closes the dialog with OK; the main window then writes the file.
    TModalResult SaveButtonClick() { return TModalResult::Ok; }
    codecs::GifColours Colours() const;
};

// "Данное изображение содержит N цветов."
std::string GifInfoText(int colours);

} // namespace kv
