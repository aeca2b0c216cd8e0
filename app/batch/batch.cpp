#include "app/batch/batch.h"

#include "core/codecs/codecs.h"
#include "core/error.h"
#include "effects/effect_commands.h"
#include "frames/frame_settings.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <thread>

#include <unistd.h>

namespace kv::batch {

namespace {

// A whole number made only of digits with an optional leading minus, within [lo, hi].
bool ParseInt(const std::string& s, long long lo, long long hi, long long& value) {
    std::size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
    if (s.size() == start || s.size() > 12) return false;
    for (std::size_t i = start; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    long long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
    value = v;
    return true;
}

int WholeValue(const std::string& option, const std::string& text, long long lo, long long hi) {
    long long v = 0;
    if (!ParseInt(text, lo, hi, v))
        throw UsageError(option + " expects a whole number " + std::to_string(lo) + ".." +
                         std::to_string(hi) + ", got \"" + text + "\"");
    return int(v);
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t p = s.find(sep, start);
        parts.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) return parts;
        start = p + 1;
    }
}

struct ResampleName {
    const char* name;
    int item;
};
// The items of "Метод ресэмплинга:".
constexpr ResampleName kResample[] = {{"nearest", 0}, {"linear2", 1}, {"spline", 2}};

TColor32 ParseColour(const std::string& option, const std::string& text) {
    std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    unsigned v = 0;
    auto [p, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
    if (hex.size() != 6 || ec != std::errc() || p != hex.data() + hex.size())
        throw UsageError(option + " expects a colour RRGGBB, got \"" + text + "\"");
    return 0xFF000000u | v;
}

} // namespace

ResizeStep ParseResize(const std::string& text) {
    const std::string syntax = "--resize expects WxH[:nearest|linear2|spline], got \"" + text + "\"";
    ResizeStep step;
    std::string size = text;
    if (auto colon = text.find(':'); colon != std::string::npos) {
        size = text.substr(0, colon);
        const std::string name = text.substr(colon + 1);
        bool found = false;
        for (const auto& r : kResample)
            if (name == r.name) {
                step.resample = r.item;
                found = true;
            }
        if (!found)
            throw UsageError("unknown resize filter \"" + name + "\" (use nearest, linear2 or spline)");
    }
    auto x = size.find_first_of("xX");
    if (x == std::string::npos) throw UsageError(syntax);
    long long w = 0, h = 0;
    const std::string ws = size.substr(0, x), hs = size.substr(x + 1);
    if (ws.empty() || hs.empty() || ws[0] == '-' || hs[0] == '-' || !ParseInt(ws, 0, 1LL << 40, w) ||
        !ParseInt(hs, 0, 1LL << 40, h))
        throw UsageError(syntax);
    // The ranges of the image-size dialog's width and height fields.
    if (w < 1 || h < 1 || w > 10000 || h > 10000)
        throw UsageError("--resize: width and height must be 1..10000, got \"" + size + "\"");
    step.width = int(w);
    step.height = int(h);
    return step;
}

std::optional<OutputFormat> FormatByName(const std::string& name) {
    std::string n;
    for (char c : name)
        n += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (n == "bmp") return OutputFormat::BMP24;
    if (n == "jpg" || n == "jpeg" || n == "jpe") return OutputFormat::JPEG;
    if (n == "gif") return OutputFormat::GIF;
    if (n == "png") return OutputFormat::PNG;
    if (n == "tif" || n == "tiff") return OutputFormat::TIFF;
    if (n == "qrv") return OutputFormat::Project;
    return std::nullopt;
}

std::optional<OutputFormat> FormatByExtension(const std::string& fileName) {
    const std::string ext = codecs::ExtensionOf(fileName);
    if (ext.size() < 2) return std::nullopt;
    return FormatByName(ext.substr(1));
}

std::string ExtensionFor(OutputFormat format) {
    switch (format) {
    case OutputFormat::BMP24:
    case OutputFormat::BMP32:
        return ".bmp";
    case OutputFormat::JPEG:
        return ".jpg";
    case OutputFormat::GIF:
        return ".gif";
    case OutputFormat::PNG:
        return ".png";
    case OutputFormat::TIFF:
        return ".tif";
    case OutputFormat::Project:
        return ".qrv";
    }
    return ".png";
}

OutputFormat DefaultFormatFor(const std::string& inputName) {
    // TIFF is written but not read, so a TIFF never is an input.
    auto f = FormatByExtension(inputName);
    return f && *f != OutputFormat::TIFF ? *f : OutputFormat::PNG;
}

Options ParseCommandLine(const std::vector<std::string>& args) {
    Options opt;
    bool outputSet = false, optionsEnded = false, formatSet = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            opt.inputs.push_back(a);
            continue;
        }
        // "--name=value" or "--name value"
        std::string name = a, value;
        bool inlineValue = false;
        if (a.rfind("--", 0) == 0) {
            if (auto eq = a.find('='); eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                inlineValue = true;
            }
        }
        auto takeValue = [&]() -> std::string {
            if (inlineValue) return value;
            if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
            return args[++i];
        };
        auto noValue = [&] {
            if (inlineValue) throw UsageError(name + " takes no value");
        };
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "-h" || name == "--help") {
            opt.help = true;
        } else if (name == "-o" || name == "--output") {
            if (outputSet) throw UsageError("only one output may be given");
            opt.output = takeValue();
            if (opt.output.empty()) throw UsageError("the output name is empty");
            outputSet = true;
        } else if (name == "-r" || name == "--recursive") {
            noValue();
            opt.recursive = true;
        } else if (name == "--name") {
            opt.namePattern = takeValue();
            ApplyNamePattern(opt.namePattern, "a", "jpg", 1); // throws for a bad pattern
            opt.nameSet = true;
        } else if (name == "--format") {
            opt.format = takeValue();
            if (!FormatByName(opt.format))
                throw UsageError("--format expects bmp, jpg, gif, png, tif or qrv, got \"" + opt.format +
                                 "\"");
            formatSet = true;
        } else if (name == "--quality") {
            opt.quality = WholeValue(name, takeValue(), 1, 100);
        } else if (name == "--overwrite") {
            noValue();
            opt.overwrite = true;
        } else if (name == "-j" || name == "--jobs") {
            opt.jobs = WholeValue(name, takeValue(), 1, 256);
        } else if (name == "--auto-orient") {
            noValue();
            opt.autoOrient = true;
        } else if (name == "--list-presets") {
            noValue();
            opt.listPresets = true;
        } else if (name == "--presets") {
            opt.presetsFile = takeValue();
            if (opt.presetsFile.empty()) throw UsageError("the preset file name is empty");
        } else if (name == "--bmp32") {
            noValue();
            opt.bmp32 = true;
        } else if (name == "--resize") {
            opt.steps.push_back(ParseResize(takeValue()));
        } else if (name == "--frame") {
            FrameStep step{takeValue()};
            FrameSettings scratch;
            try {
                SetFrameParams(scratch, step.list);
            } catch (const Error& e) {
                throw UsageError(std::string("--frame: ") + e.what());
            }
            opt.steps.push_back(step);
        } else if (name == "--preset") {
            opt.steps.push_back(PresetStep{WholeValue(name, takeValue(), 0, 1 << 24)});
        } else if (name == "--effect") {
            const std::string key = takeValue();
            if (!TEffectCommands::IsEffectKey(key)) {
                std::string keys;
                for (const auto& k : TEffectCommands::EffectKeys())
                    keys += (keys.empty() ? "" : ", ") + k;
                throw UsageError("unknown effect \"" + key + "\" (use " + keys + ")");
            }
            opt.steps.push_back(EffectStep{key, {}});
        } else if (name == "--param") {
            const std::string p = takeValue();
            EffectStep* effect = opt.steps.empty() ? nullptr : std::get_if<EffectStep>(&opt.steps.back());
            if (!effect) throw UsageError("--param " + p + " must follow an --effect KEY");
            const auto eq = p.find('=');
            if (eq == std::string::npos || eq == 0)
                throw UsageError("--param expects NAME=VALUE, got \"" + p + "\"");
            effect->params.emplace_back(p.substr(0, eq), p.substr(eq + 1));
        } else if (name == "--noise") {
            const std::string kind = takeValue();
            if (kind != "color" && kind != "mona")
                throw UsageError("--noise expects color or mona, got \"" + kind + "\"");
            opt.steps.push_back(NoiseStep{kind});
        } else if (name == "--sharpen") {
            opt.steps.push_back(SharpenStep{WholeValue(name, takeValue(), 2, 5)});
        } else if (name == "--blur") {
            std::string v = takeValue();
            BlurStep step;
            if (auto colon = v.find(':'); colon != std::string::npos) {
                if (v.substr(colon + 1) != "defocus")
                    throw UsageError("--blur expects N[:defocus], got \"" + v + "\"");
                step.defocus = true;
                v = v.substr(0, colon);
            }
            step.value = WholeValue(name, v, 1, 100);
            opt.steps.push_back(step);
        } else if (name == "--balance") {
            std::string v = takeValue();
            BalanceStep step;
            if (auto colon = v.find(':'); colon != std::string::npos) {
                const std::string mode = v.substr(colon + 1);
                if (mode == "speed")
                    step.mode = TBalanceMode::Speed;
                else if (mode == "quality")
                    step.mode = TBalanceMode::Quality;
                else
                    throw UsageError("--balance mode must be speed or quality, got \"" + mode + "\"");
                v = v.substr(0, colon);
            }
            const auto parts = Split(v, ',');
            if (parts.size() != 3)
                throw UsageError("--balance expects SR,SG,SB[:speed|quality], got \"" + v + "\"");
            step.sr = WholeValue("--balance", parts[0], -50, 50);
            step.sg = WholeValue("--balance", parts[1], -50, 50);
            step.sb = WholeValue("--balance", parts[2], -50, 50);
            opt.steps.push_back(step);
        } else if (name == "--brightness" || name == "--contrast") {
            const int v = WholeValue(name, takeValue(), -200, 200);
            const bool brightness = name == "--brightness";
            auto* last = opt.steps.empty() ? nullptr : std::get_if<BrightnessContrastStep>(&opt.steps.back());
            // The other gauge of the same dialog use, when it is still free.
            if (!last || (brightness ? last->brightness.has_value() : last->contrast.has_value())) {
                opt.steps.push_back(BrightnessContrastStep{});
                last = &std::get<BrightnessContrastStep>(opt.steps.back());
            }
            (brightness ? last->brightness : last->contrast) = v;
        } else if (name == "--sepia") {
            noValue();
            opt.steps.push_back(SepiaStep{});
        } else if (name == "--bw") {
            noValue();
            opt.steps.push_back(BlackAndWhiteStep{});
        } else if (name == "--tint") {
            opt.steps.push_back(TintStep{ParseColour(name, takeValue())});
        } else if (name == "--rotate") {
            const std::string v = takeValue();
            if (v != "90" && v != "-90" && v != "180")
                throw UsageError("--rotate expects 90, -90 or 180, got \"" + v + "\"");
            opt.steps.push_back(RotateStep{std::stoi(v)});
        } else if (name == "--flip") {
            const std::string v = takeValue();
            if (v != "h" && v != "v") throw UsageError("--flip expects h or v, got \"" + v + "\"");
            opt.steps.push_back(FlipStep{v == "h"});
        } else {
            throw UsageError("unknown option \"" + a + "\"");
        }
    }
    if (opt.help || opt.listPresets) return opt;
    if (opt.inputs.empty()) throw UsageError("no INPUT given");

    // Effect parameters are checked against their dialogs now, before any file is touched.
    for (const Step& s : opt.steps)
        if (const auto* e = std::get_if<EffectStep>(&s)) {
            for (const auto& [n, v] : e->params)
                try {
                    CheckEffectParam(n, v);
                } catch (const Error& err) {
                    throw UsageError(std::string("--param: ") + err.what());
                }
        }

    if (outputSet && formatSet) {
        namespace fs = std::filesystem;
        std::error_code ec;
        const bool folder = opt.output.back() == '/' || fs::is_directory(opt.output, ec);
        if (!folder) {
            auto byName = FormatByExtension(opt.output);
            if (byName && *byName != *FormatByName(opt.format))
                throw UsageError("--format " + opt.format + " does not match the output name \"" +
                                 opt.output + "\"");
        }
    }
    return opt;
}

void PrintUsage(std::ostream& out) {
    out << "Usage: korvalis-batch [OPTIONS] [STEPS] INPUT...\n"
           "\n"
           "Opens every INPUT (a picture file, a .qrv project, or a folder of them) as the editor's\n"
           "\"Открыть\" does, applies the STEPS in the order given, each exactly as the editor's command\n"
           "of the same name, and writes the result as \"Сохранить как...\" does. Folders give their\n"
           "picture files (.bmp .jpg .jpeg .jpe .png .gif .ico .pcx .tga .qrv), sorted by name.\n"
           "\n"
           "Output:\n"
           "  -o, --output PATH     a file for a single INPUT, else a folder (made when missing; the\n"
           "                        subfolders of a --recursive input are made inside it). Without -o\n"
           "                        each result is written beside its input.\n"
           "                          korvalis-batch --preset 3 -o out/ photos/\n"
           "  --name PATTERN        output name without extension: {stem} the input's name without\n"
           "                        extension, {ext} its extension, {n} its number in the batch\n"
           "                        (default {stem}_framed)\n"
           "                          korvalis-batch --preset 3 --name 'frame_{n}' -o out/ photos/\n"
           "  --format F            bmp, jpg, gif, png, tif or qrv (default: the input's own format\n"
           "                        when it can be written, else png)\n"
           "                          korvalis-batch --preset 0 --format png -o out/ photos/\n"
           "  --quality Q           JPEG quality 1..100 (default 92)\n"
           "  --bmp32               write the 32-bit BMP stream (alpha kept)\n"
           "  --overwrite           replace existing output files (they are skipped otherwise; an\n"
           "                        output never replaces an input)\n"
           "  -r, --recursive       take the subfolders of folder INPUTs too\n"
           "  -j, --jobs N          files processed at the same time (default: the number of cores);\n"
           "                        the results do not depend on N\n"
           "                          korvalis-batch --jobs 2 --preset 3 -o out/ photos/\n"
           "  --auto-orient         turn photos upright by their EXIF orientation before the steps\n"
           "                        and write orientation 1\n"
           "                          korvalis-batch --auto-orient --preset 3 -o out/ photos/\n"
           "\n"
           "Steps (any number, in command-line order):\n"
           "  --frame KEY=VALUE,... set frame panel values, then build the frame as \"Просмотр\" does.\n"
           "                        Keys: Thicka DWF FDE InShad InBliks InFrama Mixer\n"
           "                        Fill=Cola|Gradient|Textura SColor k1 k2 RTX Tab Texture MoColor\n"
           "                        Matte Press1 Pole PhotoForm Mat=Prolong|MatColor|MatGradient|MatTexture\n"
           "                        MatteTone MatSC MatK1 MatK2 MatTab MatTexture Panel12; colours as\n"
           "                        RRGGBB; a texture by its file name in the tab's folder or a path\n"
           "                          korvalis-batch --frame Thicka=12,Fill=Textura,Texture=Oak.jpg -o out/ "
           "photos/\n"
           "  --preset N            apply preset record N and build it (the \"Рамки\" menu frames are\n"
           "                        records 0, 1, 3, 4, 5, 6, 10, 11)\n"
           "                          korvalis-batch --preset 3 -o out/ photos/\n"
           "  --presets FILE        the preset file for --preset and --list-presets (default: the\n"
           "                        installed \"Presets.lst\")\n"
           "  --effect KEY [--param NAME=VALUE ...]\n"
           "                        an effect (spray textur invert mosa emboss button fractal oval\n"
           "                        ripple_7 ripple_12 ripple_24 wave post) with its dialog's values:\n"
           "                        TSprayWin.Value TWaves.Value TWaves.Interf TWaves.Nu TMarb.Scal\n"
           "                        TMarb.Freq TPosta.Value TFractal.Threshold\n"
           "                          korvalis-batch --effect wave --param TWaves.Value=12 -o out/ photos/\n"
           "  --noise color|mona    add colour or monochrome noise\n"
           "  --sharpen N           \"Настройка резкости\" with value N (2..5; 5 is \"Быстрая резкость\")\n"
           "  --blur N[:defocus]    \"Настройка размытия\" with value N (1..100)\n"
           "                          korvalis-batch --blur 3:defocus -o out/ photos/\n"
           "  --balance SR,SG,SB[:speed|quality]\n"
           "                        \"Цветовой баланс\", each -50..50 (default mode speed)\n"
           "                          korvalis-batch --balance 10,0,-5:quality -o out/ photos/\n"
           "  --brightness B --contrast C\n"
           "                        \"Яркость / контраст\", each -200..200; given next to each other they\n"
           "                        are one use of the dialog (contrast first, then brightness)\n"
           "  --sepia               \"Эффект сепия\"\n"
           "  --bw                  \"Сделать чёрно-белым\"\n"
           "  --tint RRGGBB         \"Оттенки одного цвета\" with that colour\n"
           "  --rotate 90|-90|180   \"На 90° вправо\", \"На 90° влево\", \"На 180°\"\n"
           "  --flip h|v            \"Зеркально\", \"Вертикально\"\n"
           "  --resize WxH[:F]      \"Размер изображения\", W and H 1..10000, resampling F nearest,\n"
           "                        linear2 or spline (default linear2)\n"
           "                          korvalis-batch --resize 1600x1200:spline --preset 3 -o out/ photos/\n"
           "\n"
           "Other:\n"
           "  --list-presets        print the preset records with their numbers and main settings\n"
           "  -h, --help            show this text\n"
           "\n"
           "Progress goes to stderr: a bar with the file count, rate and time left on a terminal, one\n"
           "line per file otherwise; then \"N обработано, M с ошибками\" and every failed file with its\n"
           "error. One bad file never stops the others. Each file is written to a temporary name and\n"
           "renamed when complete, so Ctrl+C leaves no half-written file.\n"
           "\n"
           "Environment: KV_THREADS=N limits the threads one file's pixel loops may use.\n"
           "Exit status: 0 every file done, 1 some file failed or was skipped, 2 the command line is\n"
           "wrong, 130 interrupted.\n";
}

std::string ExecutableFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::string dir = ec ? std::filesystem::current_path(ec).string() : exe.parent_path().string();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        Options opt = ParseCommandLine(args);
        if (opt.help) {
            PrintUsage(out);
            return 0;
        }
        if (opt.listPresets) {
            ListPresets(opt, out);
            return 0;
        }
        return RunBatch(opt, err);
    } catch (const UsageError& e) {
        err << "korvalis-batch: " << e.what() << "\n(korvalis-batch --help shows every option)\n";
        return 2;
    } catch (const std::bad_alloc&) {
        err << "korvalis-batch: out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        err << "korvalis-batch: " << e.what() << "\n";
        return 1;
    }
}

} // namespace kv::batch
