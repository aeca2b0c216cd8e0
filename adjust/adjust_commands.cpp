#include "adjust/adjust_commands.h"

#include "adjust/picture_ops.h"
#include "adjust/rotate.h"
#include "core/error.h"
#include "document/history.h"

namespace kv {

namespace {

const char* const kImageMenu = "Изображение";
const char* const kEffectsMenu = "Эффекты";

// A layer target keeps its transparency; AlphaStore holds it as grey, as the effect dispatch does.
bool PrepareTarget(TMainForm& form) {
    TBitmapLayer* layer = form.Doc.SelectedBitmapLayer();
    if (!layer) return false;
    const TBitmap32& pic = layer->Bitmap;
    form.AlphaStore.SetSize(pic.Width(), pic.Height());
    for (std::size_t i = 0; i < pic.PixelCount(); ++i)
        form.AlphaStore.Bits()[i] = Gray32(AlphaComponent(pic.Bits()[i]));
    form.AlphaStore.Changed();
    return true;
}

// The end of every colour command on the effect target.
void FinishEffect(TMainForm& form) {
    form.EffectSnapshot.Delete();
    form.Doc.RefreshCleanPhoto();
}

// Runs a modal dialog; an exception on the way still lets the model put the picture back.
template <class Model> TModalResult Modal(TMainForm& form, Model& model) {
    try {
        return form.Platform.ShowModal(model);
    } catch (...) {
        model.FormClose(TModalResult::Cancel);
        throw;
    }
}

} // namespace

void RunColourBalance(TMainForm& form, int sr, int sg, int sb, TBalanceMode mode) {
    for (int s : {sr, sg, sb})
        if (s < kBalanceMin || s > kBalanceMax)
            throw Error("Значения баланса могут лежать в диапазоне от -50 до 50.");
    TDocument& doc = form.Doc;
    if (doc.Empty()) return;
    doc.Select(nullptr);
    RecordEffectStep(doc);
    Balance(doc.Base(), sr, sg, sb, mode);
    doc.RefreshCleanPhoto();
}

void RunBrightnessContrast(TMainForm& form, int brightness, int contrast) {
    for (int s : {brightness, contrast})
        if (s < kBrightMin || s > kBrightMax)
            throw Error("Значения яркости и контраста могут лежать в диапазоне от -200 до 200.");
    TDocument& doc = form.Doc;
    if (doc.Empty()) return;
    doc.Select(nullptr);
    RecordEffectStep(doc);
    BrightnessContrast(doc.Base(), brightness, contrast);
    doc.RefreshCleanPhoto();
}

void RunSepia(TMainForm& form) {
    if (form.Doc.Empty()) return;
    RecordEffectStep(form.Doc);
    const bool layer = PrepareTarget(form);
    SepiaPicture(EffectTargetPicture(form.Doc), layer);
    FinishEffect(form);
}

void RunBlackAndWhite(TMainForm& form) {
    if (form.Doc.Empty()) return;
    RecordEffectStep(form.Doc);
    const bool layer = PrepareTarget(form);
    BlackAndWhitePicture(EffectTargetPicture(form.Doc), layer);
    FinishEffect(form);
}

void RunOneColourTint(TMainForm& form, TColor32 colour) {
    if (form.Doc.Empty()) return;
    RecordEffectStep(form.Doc);
    const bool layer = PrepareTarget(form);
    OneColourTintPicture(EffectTargetPicture(form.Doc), colour, layer);
    FinishEffect(form);
}

void RunRotate(TMainForm& form, int degrees) {
    if (degrees != 90 && degrees != -90 && degrees != 180)
        throw Error("Поворот возможен только на 90, -90 или 180 градусов.");
    TDocument& doc = form.Doc;
    if (doc.Empty()) return;
    RecordCanvasStep(doc);
    doc.History.UndoLayer = kBaseLayerIndex;
    if (degrees == 90)
        TurnClockwise(doc.Base());
    else if (degrees == -90)
        TurnCounterClockwise(doc.Base());
    else
        TurnHalf(doc.Base());
    doc.RefreshCleanPhoto();
}

void RunFlip(TMainForm& form, bool horizontal) {
    TDocument& doc = form.Doc;
    if (doc.Empty()) return;
    RecordCanvasStep(doc);
    doc.History.UndoLayer = kBaseLayerIndex;
    if (horizontal)
        MirrorHorizontal(doc.Base());
    else
        MirrorVertical(doc.Base());
    doc.RefreshCleanPhoto();
}

void RunImageSize(TMainForm& form, int width, int height, int resample) {
    if (resample < 0 || resample > 2) throw Error("Метод ресэмплинга: 0, 1 или 2.");
    form.Doc.Select(nullptr);
    ResizeImage(form, width, height, resample);
}

TAdjustCommands::TAdjustCommands(TMainForm& form)
    : Form(form), Gamma(form), Brid(form), Rasm(form), CropLa(form), Holst(form), Povor(form) {
    auto bind = [&](const char* menu, const char* caption, void (TAdjustCommands::*fn)()) {
        if (TMenuItem* it = form.FindItem(menu, caption))
            it->Handler = [this, fn](TMainForm&) { (this->*fn)(); };
    };
    bind(kImageMenu, "Цветовой баланс", &TAdjustCommands::ColourBalanceClick);
    bind(kImageMenu, "Яркость / контраст", &TAdjustCommands::BrightnessContrastClick);
    bind(kImageMenu, "Обрезать изображение", &TAdjustCommands::CropClick);
    bind(kImageMenu, "Размер изображения", &TAdjustCommands::ImageSizeClick);
    bind(kImageMenu, "Размер холста...", &TAdjustCommands::CanvasSizeClick);
    bind(kImageMenu, "На 90° вправо", &TAdjustCommands::RotateRightClick);
    bind(kImageMenu, "На 90° влево", &TAdjustCommands::RotateLeftClick);
    bind(kImageMenu, "На 180°", &TAdjustCommands::RotateHalfClick);
    bind(kImageMenu, "Повернуть на угол...", &TAdjustCommands::RotateAngleClick);
    bind(kImageMenu, "Зеркально", &TAdjustCommands::MirrorClick);
    bind(kImageMenu, "Вертикально", &TAdjustCommands::VerticalClick);
    bind(kEffectsMenu, "Эффект сепия", &TAdjustCommands::SepiaClick);
    bind(kEffectsMenu, "Сделать чёрно-белым", &TAdjustCommands::BlackAndWhiteClick);
    bind(kEffectsMenu, "Оттенки одного цвета", &TAdjustCommands::OneColourClick);
}

TAdjustCommands::~TAdjustCommands() = default;

void TAdjustCommands::ColourBalanceClick() {
    TDocument& doc = Form.Doc;
    doc.Select(nullptr);
    RecordEffectStep(doc);
    Gamma.FormShow();
    Gamma.FormClose(Modal(Form, Gamma));
    doc.RefreshCleanPhoto();
}

void TAdjustCommands::BrightnessContrastClick() {
    TDocument& doc = Form.Doc;
    doc.Select(nullptr);
    RecordEffectStep(doc);
    Brid.FormShow();
    Brid.FormClose(Modal(Form, Brid));
    doc.RefreshCleanPhoto();
}

void TAdjustCommands::CropClick() {
    CropLa.FormShow();
    TModalResult r;
    try {
        r = Form.Platform.ShowModal(CropLa);
        if (r == TModalResult::Ok) CropLa.OkClick();
    } catch (...) {
        CropLa.FormClose();
        throw;
    }
    CropLa.FormClose();
    // A declined or empty crop leaves the clean photo: a framed base picture must not become it.
    if (r == TModalResult::Ok && CropLa.Cropped) {
        Form.Doc.CleanPhoto.Assign(Form.Doc.Base());
        Form.Doc.ClearBaseFramed(); // the cut-out comes from the clean photo and carries no frame
    }
}

void TAdjustCommands::ImageSizeClick() {
    Form.Doc.Select(nullptr);
    Rasm.FormShow();
    if (Form.Platform.ShowModal(Rasm) != TModalResult::Ok) return;
    ResizeImage(Form, Rasm.UpDown1, Rasm.UpDown2, Rasm.Resample);
}

void TAdjustCommands::CanvasSizeClick() {
    TDocument& doc = Form.Doc;
    doc.Select(nullptr);
    doc.Compose();
    Holst.FormShow();
    try {
        if (Form.Platform.ShowModal(Holst) == TModalResult::Ok) Holst.OkClick();
    } catch (...) {
        Holst.FormClose();
        doc.Composite.Delete();
        throw;
    }
    Holst.FormClose();
    doc.Composite.Delete();
    ShowPictureSize(Form);
    if (doc.ImgView.OnInvalidate) doc.ImgView.OnInvalidate();
}

void TAdjustCommands::RotateRightClick() {
    RunRotate(Form, 90);
}
void TAdjustCommands::RotateLeftClick() {
    RunRotate(Form, -90);
}
void TAdjustCommands::RotateHalfClick() {
    RunRotate(Form, 180);
}
void TAdjustCommands::MirrorClick() {
    RunFlip(Form, true);
}
void TAdjustCommands::VerticalClick() {
    RunFlip(Form, false);
}

void TAdjustCommands::RotateAngleClick() {
    if (!Povor.FormShow()) {
        Form.Platform.MessageBox(kSelectLayerText, TMsgButtons::Ok);
        return;
    }
    TModalResult r = TModalResult::Cancel;
    try {
        r = Form.Platform.ShowModal(Povor);
    } catch (...) {
        Povor.CancelClick();
        Povor.FormClose();
        throw;
    }
    if (r == TModalResult::Ok)
        Povor.OkClick();
    else
        Povor.CancelClick();
    Povor.FormClose();
}

void TAdjustCommands::SepiaClick() {
    TintColour = kSepiaColour;
    RunSepia(Form);
}

void TAdjustCommands::BlackAndWhiteClick() {
    RunBlackAndWhite(Form);
}

void TAdjustCommands::OneColourClick() {
    TDocument& doc = Form.Doc;
    if (doc.Empty()) return;
    RecordEffectStep(doc);
    if (auto c = Form.Platform.ColorDialog(TintColour)) {
        TintColour = *c;
        const bool layer = PrepareTarget(Form);
        OneColourTintPicture(EffectTargetPicture(doc), Color32FromWinColor(*c), layer);
    }
    FinishEffect(Form);
}

} // namespace kv
