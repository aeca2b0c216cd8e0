#pragma once
// TAdjustCommands: the "Изображение" menu's commands and their dialog models. Constructed once at start-up
// next to the main window's model; it binds the handlers of its menu items in TMainForm's menu data.
#include "adjust/canvas.h"
#include "adjust/colour.h"
#include "adjust/colour_dialogs.h"
#include "adjust/crop.h"
#include "adjust/image_size.h"
#include "adjust/povor.h"
#include "document/mainform.h"

namespace kv {

// Headless forms of the editor's commands (the batch tool calls them; the menu handlers run the
// same code). Each records the history step the command records, changes the document exactly as
// the command does, and refreshes the clean photo as the command does. Values out of the dialogs'
// ranges throw kv::Error with a message naming the range; an empty document is left alone.

// "Цветовой баланс" confirmed with the gauges at sr, sg, sb (each -50..50) in the given mode.
void RunColourBalance(TMainForm& form, int sr, int sg, int sb, TBalanceMode mode);
// "Яркость / контраст" confirmed with both gauges (each -200..200): contrast first, then brightness.
void RunBrightnessContrast(TMainForm& form, int brightness, int contrast);
// "Эффект сепия" on the effect target.
void RunSepia(TMainForm& form);
// "Сделать чёрно-белым" on the effect target.
void RunBlackAndWhite(TMainForm& form);
// "Оттенки одного цвета" with the colour confirmed in the colour dialog (alpha ignored).
void RunOneColourTint(TMainForm& form, TColor32 colour);
// "На 90° вправо" (90), "На 90° влево" (-90), "На 180°" (180); any other angle throws.
void RunRotate(TMainForm& form, int degrees);
// "Зеркально" (horizontal = true) or "Вертикально" (horizontal = false).
void RunFlip(TMainForm& form, bool horizontal);
// "Размер изображения" confirmed with width x height (each 1..10000) and the resampling item
// (0 "Ближайший сосед", 1 "Билинейная (оптимально)", 2 "Сплайн (мягко)").
void RunImageSize(TMainForm& form, int width, int height, int resample);

class TAdjustCommands {
  public:
    explicit TAdjustCommands(TMainForm& form);
    ~TAdjustCommands();
    TAdjustCommands(const TAdjustCommands&) = delete;
    TAdjustCommands& operator=(const TAdjustCommands&) = delete;

    TMainForm& Form;

    // The dialogs, each living as long as the commands and keeping its values between uses.
    TGamma Gamma;
    TBrid Brid;
    TRasm Rasm;
    TCropLa CropLa;
    THolst Holst;
    TPovor Povor;
    // The colour the shared colour dialog starts from in "Оттенки одного цвета"; sepia sets it.
    static constexpr TWinColor kSepiaColour = 7847880; // red 200, green 191, blue 119
    TWinColor TintColour = 0;

    // The menu commands.
    void ColourBalanceClick();      // "Цветовой баланс"
    void BrightnessContrastClick(); // "Яркость / контраст"
    void CropClick();               // "Обрезать изображение"
    void ImageSizeClick();          // "Размер изображения"
    void CanvasSizeClick();         // "Размер холста..."
    void RotateRightClick();        // "На 90° вправо"
    void RotateLeftClick();         // "На 90° влево"
    void RotateHalfClick();         // "На 180°"
    void RotateAngleClick();        // "Повернуть на угол..."
    void MirrorClick();             // "Зеркально"
    void VerticalClick();           // "Вертикально"
    void SepiaClick();              // "Эффект сепия"
    void BlackAndWhiteClick();      // "Сделать чёрно-белым"
    void OneColourClick();          // "Оттенки одного цвета"
};

} // namespace kv
