#include "frames/frame_commands.h"

#include "core/error.h"
#include "document/zoom.h"
#include "frames/color_picker.h"
#include "frames/compositor.h"
#include "frames/panel.h"
#include "frames/preset_catalog.h"
#include "frames/presets.h"
#include "frames/texture_picker.h"

namespace kv {

namespace {

// Panel13 during a build: the preset buttons give way to the progress bar, and come back however
// the build ends.
struct BuildProgress {
    TMainForm& form;
    explicit BuildProgress(TMainForm& f) : form(f) {
        form.PresetButtonsVisible = false;
        form.PBRVisible = true;
        form.PBRPosition = 0;
        form.ShellChanged();
        form.Platform.ProcessMessages();
    }
    ~BuildProgress() {
        form.PresetButtonsVisible = true;
        form.PBRVisible = false;
        form.PBRPosition = 0;
        form.ShellChanged();
    }
};

} // namespace

void ApplyPanelRules(FrameSettings& s) {
    if (s.Mat != TMatFill::Prolong) s.MatteTone = 0;
}

void PreviewFrame(TMainForm& form, const FrameSettings& s) {
    TDocument& doc = form.Doc;
    if (doc.CleanPhoto.Empty()) return;
    const int W = doc.CleanPhoto.Width(), H = doc.CleanPhoto.Height();
    const int T = FrameThickness(W, s.Thicka);
    // Refused before the base picture is reset, so the current picture stays as it is.
    const TExtent e = FramedSize(W, H, W, s, T);
    if (!SizeWithinLimit(e.Width, e.Height)) throw Error(kFrameTooLargeText);
    BuildProgress progress(form);
    doc.SetBasePixels(doc.CleanPhoto);
    TFrameEnv env;
    env.ProgramFolder = form.Platform.ProgramFolder();
    env.Platform = &form.Platform;
    env.Progress = [&form](int position) {
        form.PBRPosition = position;
        form.ShellChanged();
    };
    FrameIt(doc, s, T, env);
    FitToWindow(form.Zoom, doc);
}

FrameSettings ApplyPresetFrame(TMainForm& form, const std::string& presetFile, int N,
                               const FrameSettings& base) {
    FrameSettings s =
        DecodePresetRecord(ReadPresetRecord(presetFile, N), form.Platform.ProgramFolder(), base);
    ApplyPanelRules(s);
    PreviewFrame(form, s);
    return s;
}

TFrameCommands::TFrameCommands(TMainForm& form)
    : Form(form), fPanel(std::make_unique<TFramePanel>(form)), fSTC(std::make_unique<TSTC>(form, *fPanel)),
      fTextur(std::make_unique<TTextur>(form, *fPanel)), fPresety(std::make_unique<TPresety>(*this)) {
    for (const TMenuFrame& f : kMenuFrames) {
        const int record = f.Record;
        if (TMenuItem* it = form.FindItem("Рамки", std::string(f.Caption)))
            it->Handler = [this, record](TMainForm&) { N42Click(record); };
    }
    if (TMenuItem* it = form.FindItem("Рамки", "Каталог рамок"))
        it->Handler = [this](TMainForm&) { LoadPresetClick(); };
    if (TMenuItem* it = form.FindItem("Рамки", "Просмотр"))
        it->Handler = [this](TMainForm&) { Button6Click(); };
    if (TMenuItem* it = form.FindItem("Рамки", "Снять рамку"))
        it->Handler = [this](TMainForm&) { RemoveFrameClick(); };
}

TFrameCommands::~TFrameCommands() = default;

const TDataFolders& TFrameCommands::DataFolders() {
    if (Form.Folders.Program.empty()) Form.Folders = ResolveDataFolders(Form.Platform.ProgramFolder());
    return Form.Folders;
}

void TFrameCommands::Button6Click() {
    if (Form.Doc.Empty()) return;
    fPanel->TakeTextureChoices();
    PreviewFrame(Form, fPanel->S);
}

void TFrameCommands::Button3Click() {
    if (Form.Doc.Empty()) return;
    SavePreset(Form.Doc, fPanel->S, DataFolders());
    // A showing catalog gets the new picture at once.
    if (fPresety->Showing()) fPresety->FormActivate();
}

void TFrameCommands::LoadPresetClick() {
    fPresety->Open();
}

void TFrameCommands::EyedropperClick(const std::string& caption) {
    fSTC->Open(caption);
}

void TFrameCommands::RemoveFrameClick() {
    if (Form.Doc.Empty()) return;
    Form.Doc.RemoveFrame(Form.Zoom);
}

void TFrameCommands::N42Click(int record) {
    ApplyPreset(record, (DataFolders().Program / kPresetFileName).string());
}

void TFrameCommands::ApplyPreset(int k, const std::string& presetFile) {
    if (Form.Doc.Empty()) return;
    // Read first: a missing file or record leaves the panel and the picture as they are.
    FrameSettings s =
        DecodePresetRecord(ReadPresetRecord(presetFile, k), Form.Platform.ProgramFolder(), fPanel->S);
    fPanel->ShowPreset(s);
    PreviewFrame(Form, fPanel->S);
}

} // namespace kv
