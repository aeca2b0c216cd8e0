#include "app/batch/batch.h"

#include "core/codecs/codecs.h"
#include "core/error.h"
#include "core/parallel.h"
#include "document/document.h"
#include "document/project.h"

#include <charconv>
#include <cstdlib>
#include <ostream>
#include <type_traits>

namespace kv::batch {

namespace {

// A whole number made only of digits (no sign, no blanks), within [lo, hi]; false otherwise.
bool ParseWhole(const std::string& s, long long lo, long long hi, long long& value) {
    if (s.empty() || s.size() > 12) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    long long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
    value = v;
    return true;
}

struct FilterName {
    const char* name;
    TStretchFilter filter;
};
constexpr FilterName kFilters[] = {
    {"nearest", sfNearest}, {"linear", sfLinear}, {"linear2", sfLinear2}, {"spline", sfSpline}};

} // namespace

const char* StepName(const Step& step) {
    return std::visit([](const auto& s) { return std::decay_t<decltype(s)>::kName; }, step);
}

ResizeStep ParseResize(const std::string& text) {
    const std::string syntax = "--resize expects WxH[:nearest|linear|linear2|spline], got \"" + text + "\"";
    ResizeStep step;
    std::string size = text;
    if (auto colon = text.find(':'); colon != std::string::npos) {
        size = text.substr(0, colon);
        std::string name = text.substr(colon + 1);
        bool found = false;
        for (const auto& f : kFilters)
            if (name == f.name) {
                step.filter = f.filter;
                found = true;
            }
        if (!found)
            throw UsageError("unknown resize filter \"" + name +
                             "\" (use nearest, linear, linear2 or spline)");
    }
    auto x = size.find_first_of("xX");
    if (x == std::string::npos) throw UsageError(syntax);
    long long w = 0, h = 0;
    if (!ParseWhole(size.substr(0, x), 0, 1LL << 40, w) || !ParseWhole(size.substr(x + 1), 0, 1LL << 40, h))
        throw UsageError(syntax);
    if (w < 1 || h < 1)
        throw UsageError("--resize: width and height must be at least 1, got \"" + size + "\"");
    if (w > kMaxBitmapSide || h > kMaxBitmapSide)
        throw UsageError("--resize: width and height must be at most " + std::to_string(kMaxBitmapSide) +
                         ", got \"" + size + "\"");
    step.width = int(w);
    step.height = int(h);
    return step;
}

Options ParseCommandLine(const std::vector<std::string>& args) {
    Options opt;
    bool outputSet = false, inputSet = false, optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto addInput = [&](const std::string& name) {
            if (inputSet)
                throw UsageError("only one INPUT may be given (\"" + opt.input + "\" and \"" + name + "\")");
            opt.input = name;
            inputSet = true;
        };
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            addInput(a);
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
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "-h" || name == "--help") {
            opt.help = true;
        } else if (name == "-o" || name == "--output") {
            if (outputSet) throw UsageError("only one output may be given");
            opt.output = takeValue();
            if (opt.output.empty()) throw UsageError("the output file name is empty");
            outputSet = true;
        } else if (name == "--resize") {
            opt.steps.push_back(ParseResize(takeValue()));
        } else if (name == "--quality") {
            std::string q = takeValue();
            long long v = 0;
            if (!ParseWhole(q, 1, 100, v))
                throw UsageError("--quality expects a whole number 1..100, got \"" + q + "\"");
            opt.quality = int(v);
        } else if (name == "--bmp32") {
            if (inlineValue) throw UsageError("--bmp32 takes no value");
            opt.bmp32 = true;
        } else {
            throw UsageError("unknown option \"" + a + "\"");
        }
    }
    if (opt.help) return opt;
    if (!inputSet) throw UsageError("no INPUT given");
    if (!outputSet) throw UsageError("no output given (-o OUTPUT)");
    return opt;
}

OutputFormat OutputFormatFor(const Options& opt) {
    if (opt.bmp32) return OutputFormat::BMP32;
    std::string ext = codecs::ExtensionOf(opt.output);
    if (ext == ".bmp") return OutputFormat::BMP24;
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") return OutputFormat::JPEG;
    if (ext == ".gif") return OutputFormat::GIF;
    if (ext == ".png") return OutputFormat::PNG;
    if (ext == ".tif" || ext == ".tiff") return OutputFormat::TIFF;
    if (ext == ".qrv") return OutputFormat::Project;
    if (ext.empty())
        throw Error("Can't write \"" + opt.output +
                    "\": the name has no extension (use .bmp, .jpg, .jpeg, .gif, .png, .tif, .tiff or .qrv)");
    throw Error("Can't write \"" + opt.output + "\": unknown picture file extension (" + ext +
                "); use .bmp, .jpg, .jpeg, .gif, .png, .tif, .tiff or .qrv");
}

void Apply(const ResizeStep& step, TBitmap32& picture) {
    TBitmap32 resized(step.width, step.height);
    if (!picture.Empty()) {
        picture.SetStretchFilter(step.filter);
        picture.SetDrawMode(dmOpaque);
        picture.DrawTo(resized, resized.BoundsRect());
    }
    picture = std::move(resized);
}

void ApplySteps(const std::vector<Step>& steps, TBitmap32& picture) {
    for (const Step& s : steps)
        std::visit([&](const auto& step) { Apply(step, picture); }, s);
}

void WritePicture(const TBitmap32& picture, const std::string& fileName, OutputFormat format, int quality) {
    switch (format) {
    case OutputFormat::BMP24:
        codecs::SaveBMP24(picture, fileName);
        break;
    case OutputFormat::JPEG:
        codecs::SaveJPEG(picture, fileName, quality);
        break;
    case OutputFormat::GIF:
        codecs::SaveGIF(picture, fileName, codecs::GifColours::Auto);
        break;
    case OutputFormat::PNG:
        codecs::SavePNG(picture, fileName);
        break;
    case OutputFormat::TIFF:
        codecs::SaveTIFF(picture, fileName);
        break;
    case OutputFormat::BMP32: {
        codecs::Bytes bytes = codecs::EncodeBMP32(picture);
        codecs::WriteWholeFile(fileName, bytes.data(), bytes.size());
        break;
    }
    case OutputFormat::Project: {
        TDocument doc;
        doc.SetBasePixels(picture);
        WriteProject(doc, fileName);
        break;
    }
    }
}

void Run(const Options& opt) {
    OutputFormat format = OutputFormatFor(opt); // before any work: a bad name fails at once
    if (codecs::ExtensionOf(opt.input) == ".qrv") {
        TProjectContent project = ReadProjectFile(opt.input);
        TDocument doc;
        ApplyProject(doc, std::move(project));
        if (format == OutputFormat::Project) {
            if (!opt.steps.empty())
                throw UsageError("steps cannot be applied when a project is written as a project");
            WriteProject(doc, opt.output);
            return;
        }
        doc.Compose();
        TBitmap32 picture;
        picture.Swap(doc.Composite);
        ApplySteps(opt.steps, picture);
        WritePicture(picture, opt.output, format, opt.quality);
        return;
    }
    TBitmap32 picture = codecs::LoadPicture(opt.input);
    ApplySteps(opt.steps, picture);
    WritePicture(picture, opt.output, format, opt.quality);
}

void ApplyThreadLimitFromEnvironment() {
    const char* v = std::getenv("KV_THREADS");
    if (!v || !*v) return;
    long long n = 0;
    if (!ParseWhole(v, 1, 4096, n))
        throw UsageError(std::string("KV_THREADS must be a whole number 1..4096, got \"") + v + "\"");
    SetMaxThreads(int(n));
}

void PrintUsage(std::ostream& out) {
    out << "Usage: korvalis-batch [--resize WxH[:nearest|linear|linear2|spline]] [--quality Q] [--bmp32]\n"
           "                      -o OUTPUT INPUT\n"
           "\n"
           "Loads INPUT (.bmp, .jpg/.jpeg/.jpe, .png, .gif, .ico, .pcx, .tga, or a .qrv project, which\n"
           "gives its composite), applies the steps in the order given, and writes OUTPUT in the format\n"
           "its extension names (.bmp 24-bit, .jpg/.jpeg, .gif, .png 24-bit, .tif/.tiff, or .qrv: a\n"
           "project; a project written as a project keeps its layers and takes no steps).\n"
           "\n"
           "  --resize WxH[:F]  stretch the picture into a new W x H picture with filter F\n"
           "                    (nearest, linear, linear2 or spline; default linear2)\n"
           "  --quality Q       JPEG quality 1..100 (default 92)\n"
           "  --bmp32           write the 32-bit BMP stream, alpha kept, whatever OUTPUT's extension\n"
           "  -o, --output F    the output file\n"
           "  -h, --help        show this text\n"
           "\n"
           "Environment: KV_THREADS=N limits the worker threads (1 = single-threaded).\n"
           "Exit status: 0 done, 1 the work failed, 2 the command line is wrong.\n";
}

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        Options opt = ParseCommandLine(args);
        if (opt.help) {
            PrintUsage(out);
            return 0;
        }
        ApplyThreadLimitFromEnvironment();
        Run(opt);
        return 0;
    } catch (const UsageError& e) {
        err << "korvalis-batch: " << e.what() << "\n\n";
        PrintUsage(err);
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
