#pragma once
// korvalis-batch: the command line is parsed into a list of steps that the runner applies in
// command-line order to the loaded picture, which is then written by the output's extension.
// New steps are added as one more struct in `Step` and one more `Apply` overload.
#include "core/bitmap32.h"

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace kv::batch {

// A command-line mistake: reported with the usage text and exit status 2.
class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& text) : std::runtime_error(text) {}
};

// --resize WxH[:filter]: a new W x H picture receives the whole picture stretch-drawn into it
// (dmOpaque) with the filter set on the picture first, as the image-size command does.
struct ResizeStep {
    static constexpr const char* kName = "resize";
    int width = 0;
    int height = 0;
    TStretchFilter filter = sfLinear2;
};

using Step = std::variant<ResizeStep>;

const char* StepName(const Step& step);

struct Options {
    std::string input;
    std::string output;
    std::vector<Step> steps;
    bool bmp32 = false; // write the 32-bit BMP stream (alpha kept) whatever the output's extension
    int quality = 92;   // JPEG quality 1..100
    bool help = false;
};

// Parses the arguments after the program name. Throws UsageError.
Options ParseCommandLine(const std::vector<std::string>& args);
// Parses "WxH[:nearest|linear|linear2|spline]". Throws UsageError.
ResizeStep ParseResize(const std::string& text);

// The output formats, chosen by the output name's extension (case-insensitive).
enum class OutputFormat { BMP24, JPEG, GIF, PNG, TIFF, BMP32, Project };
// Throws kv::Error for an extension the tool cannot write.
OutputFormat OutputFormatFor(const Options& opt);

void Apply(const ResizeStep& step, TBitmap32& picture);
void ApplySteps(const std::vector<Step>& steps, TBitmap32& picture);
void WritePicture(const TBitmap32& picture, const std::string& fileName, OutputFormat format, int quality);

// Loads, applies the steps, writes. Throws kv::Error (or std::exception) on failure.
// A ".qrv" input is read as a project: written to a ".qrv" output it keeps its layers (steps are
// refused there, since they would not fit the layers' placement); any other output receives its
// composite, with the steps applied to that. A picture written to ".qrv" becomes a project of
// its base picture alone.
void Run(const Options& opt);

// Reads KV_THREADS (a positive whole number) and limits the worker threads to it.
void ApplyThreadLimitFromEnvironment();

void PrintUsage(std::ostream& out);

// The whole program: returns the exit status (0 done, 1 failure, 2 usage error).
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kv::batch
