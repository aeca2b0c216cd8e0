#pragma once
// korvalis-batch: frames and adjusts whole folders of photos with the editor's own commands. The
// command line is parsed into options and a list of steps; every input file is opened, as
// "Открыть" opens it, into a main window model of its own, the steps run there in command-line
// order as the editor's commands of the same name, and the result is written as "Сохранить как..."
// writes it. New steps are one more struct in `Step` and one more case in ApplyStep.
#include "adjust/colour.h"
#include "core/color32.h"

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kv {
class TMainForm;
class TEffectCommands;
struct FrameSettings;
} // namespace kv

namespace kv::batch {

// A command-line mistake: reported with a pointer to --help and exit status 2.
class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& text) : std::runtime_error(text) {}
};

// --resize WxH[:nearest|linear2|spline]: "Размер изображения" with that size and resampling item.
struct ResizeStep {
    int width = 0, height = 0;
    int resample = 1; // 0 "Ближайший сосед", 1 "Билинейная (оптимально)", 2 "Сплайн (мягко)"
};
// --frame KEY=VALUE,...: the panel's values changed, then "Просмотр".
struct FrameStep {
    std::string list;
};
// --preset N: the preset record applied and built as the catalog and the "Рамки" menu do.
struct PresetStep {
    int record = 0;
};
// --effect KEY [--param NAME=VALUE ...]: the effect's command confirmed with those dialog values.
struct EffectStep {
    std::string key;
    std::vector<std::pair<std::string, std::string>> params;
};
struct NoiseStep {
    std::string kind; // "color" or "mona"
};
struct SharpenStep {
    int value = 5;
};
struct BlurStep {
    int value = 1;
    bool defocus = false;
};
struct BalanceStep {
    int sr = 0, sg = 0, sb = 0;
    TBalanceMode mode = TBalanceMode::Speed;
};
// --brightness and --contrast given next to each other are one use of the dialog.
struct BrightnessContrastStep {
    std::optional<int> brightness, contrast;
};
struct SepiaStep {};
struct BlackAndWhiteStep {};
struct TintStep {
    TColor32 colour = 0;
};
struct RotateStep {
    int degrees = 90;
};
struct FlipStep {
    bool horizontal = true;
};

using Step =
    std::variant<ResizeStep, FrameStep, PresetStep, EffectStep, NoiseStep, SharpenStep, BlurStep, BalanceStep,
                 BrightnessContrastStep, SepiaStep, BlackAndWhiteStep, TintStep, RotateStep, FlipStep>;

// The formats written, by --format name (or an output file's extension).
enum class OutputFormat { BMP24, JPEG, GIF, PNG, TIFF, BMP32, Project };

struct Options {
    std::vector<std::string> inputs; // files and folders, in command-line order
    std::string output;              // -o: a file for one input, a folder for many; "" beside each input
    bool recursive = false;
    std::string namePattern = "{stem}_framed";
    bool nameSet = false;
    std::string format; // --format name; "" = the input's own format when it can be written, else png
    bool bmp32 = false; // write the 32-bit BMP stream (alpha kept) whatever the output's name
    int quality = 92;   // JPEG quality 1..100
    bool overwrite = false;
    int jobs = 0; // 0: the number of cores
    bool autoOrient = false;
    std::string presetsFile; // --presets; "" = the installed "Presets.lst"
    std::vector<Step> steps;
    bool listPresets = false;
    bool help = false;
};

// Parses the arguments after the program name. Throws UsageError.
Options ParseCommandLine(const std::vector<std::string>& args);
// "WxH[:nearest|linear2|spline]". Throws UsageError.
ResizeStep ParseResize(const std::string& text);

// The format of a --format name ("bmp", "jpg", "jpeg", "gif", "png", "tif", "tiff", "qrv"), or of a
// file name's extension (case-insensitive); nullopt when it names none of them.
std::optional<OutputFormat> FormatByName(const std::string& name);
std::optional<OutputFormat> FormatByExtension(const std::string& fileName);
// The extension written for a format (".bmp", ".jpg", ...).
std::string ExtensionFor(OutputFormat format);
// The input's own format when the tool can write it (extension case kept as lower case), else PNG.
OutputFormat DefaultFormatFor(const std::string& inputName);

// The photo files of the inputs: files as given, folders by their picture files (any extension
// the editor opens) sorted by name, and with --recursive their subfolders too. `subfolder` is the
// file's folder relative to the folder given (empty for files given directly); `error` is set
// for an input that does not exist or cannot be listed.
struct InputFile {
    std::string path;
    std::string subfolder;
    std::string error;
};
std::vector<InputFile> ExpandInputs(const Options& opt);

// The output name from --name: {stem} the input's name without its extension, {ext} its
// extension without the point, {n} its number in the batch (from 1). Throws UsageError for an
// unknown placeholder or a pattern that makes an empty name or a path.
std::string ApplyNamePattern(const std::string& pattern, const std::string& stem, const std::string& ext,
                             int n);

// Every file of the batch; progress and the summary go to err. Returns the exit status.
int RunBatch(const Options& opt, std::ostream& err);

// --list-presets: every record of the preset file with its number and main settings.
void ListPresets(const Options& opt, std::ostream& out);

// Opens one file as "Открыть" does, applies the steps and returns the encoded output bytes.
// Throws kv::Error (or std::exception) with the text to report, and Interrupted once Ctrl+C has
// been pressed (checked between steps).
std::vector<unsigned char> ProcessFile(const Options& opt, const std::string& input, OutputFormat format);

// Sets the dialog value on a scratch copy of the effect dialogs: throws kv::Error for an unknown
// name or a value out of its range, as the run would.
void CheckEffectParam(const std::string& name, const std::string& value);

struct Interrupted {};
bool InterruptRequested();

// Applies one step to the form's document; `panel` keeps the frame panel's values for this file.
void ApplyStep(TMainForm& form, TEffectCommands& effects, const Step& step, const Options& opt,
               kv::FrameSettings& panel);

// The whole program: returns the exit status (0 every file done, 1 some file failed, 2 usage
// error, 130 interrupted).
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

void PrintUsage(std::ostream& out);

// The folder of the running executable (the program folder with the data folders), ending in '/'.
std::string ExecutableFolder();

} // namespace kv::batch
