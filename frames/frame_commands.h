#pragma once
// TFrameCommands: the frame panel's commands: the "Рамки" menu, the top bar's preset buttons and "Просмотр",
// the eyedroppers and the frame dialogs. Constructed once at start-up next to the main window's model; it
// binds the handlers of its menu items in TMainForm's menu data.
#include "document/mainform.h"
#include "frames/frame_settings.h"

#include <memory>
#include <string>

namespace kv {

class TFramePanel;
class TSTC;
class TTextur;
class TPresety;

// "Просмотр" on the document without any window: base picture := CleanPhoto, then FrameIt with T =
// round(W·Thicka/100), PBR progress through the form's shell fields; no history step (building again always
// starts from CleanPhoto).
void PreviewFrame(TMainForm& form, const FrameSettings& s);
// Applies record N of presetFile over base (the panel's values) and builds it as the catalog does; returns
// the settings applied. A missing file or a record beyond the end throws before anything changes.
FrameSettings ApplyPresetFrame(TMainForm& form, const std::string& presetFile, int N,
                               const FrameSettings& base = FrameSettings{});

// The panel's rule applied to settings from outside the panel (a preset, the command line): a mat
// that does not follow the frame is never toned.
void ApplyPanelRules(FrameSettings& s);

class TFrameCommands {
  public:
    explicit TFrameCommands(TMainForm& form);
    ~TFrameCommands();
    TFrameCommands(const TFrameCommands&) = delete;
    TFrameCommands& operator=(const TFrameCommands&) = delete;

    TMainForm& Form;

    // The top bar Panel13's buttons.
    void Button6Click();    // "Просмотр"
    void Button3Click();    // "Сохранить рамку"
    void LoadPresetClick(); // "Загрузить рамку": the preset catalog

    // The side panel's model and the frame dialogs, created once.
    TFramePanel& Panel() { return *fPanel; }
    TSTC& STC() { return *fSTC; }
    TTextur& Textur() { return *fTextur; }
    TPresety& Presety() { return *fPresety; }

    // The eyedropper buttons (SpeedButton29, 25, 31, 14 by the picker caption they give).
    void EyedropperClick(const std::string& caption);
    // "Снять рамку".
    void RemoveFrameClick();
    // A frame of the "Рамки" menu: record k of the installed preset file.
    void N42Click(int record);
    // Apply preset k from a preset file: the panel shows the record's values, then the frame is built.
    void ApplyPreset(int k, const std::string& presetFile);

    // Where the program's own files live (the form's, resolved on first use).
    const TDataFolders& DataFolders();

  private:
    std::unique_ptr<TFramePanel> fPanel;
    std::unique_ptr<TSTC> fSTC;
    std::unique_ptr<TTextur> fTextur;
    std::unique_ptr<TPresety> fPresety;
};

} // namespace kv
