// The batch itself: the input list, the output names, the worker threads, the safe writes, the
// progress on stderr, Ctrl+C and the summary.
#include "app/batch/batch.h"
#include "app/batch/batch_metadata.h"

#include "core/codecs/codecs.h"
#include "core/error.h"
#include "core/parallel.h"
#include "document/settings.h"
#include "frames/presets.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv::batch {

namespace fs = std::filesystem;

namespace {

// ---- Ctrl+C -------------------------------------------------------------------------------------

// The first SIGINT or SIGTERM asks the workers to stop: a file being worked on is dropped at its
// next step and its temporary file removed, so no output is ever left half-written. A second one
// removes the temporary files still open and ends the program at once.
constexpr int kMaxSlots = 256;
struct TempSlot {
    std::atomic<bool> active{false};
    char path[4096];
};
TempSlot gSlots[kMaxSlots];
std::atomic<bool> gInterrupt{false};
std::atomic<int> gSignals{0};

extern "C" void OnSignal(int) {
    gInterrupt.store(true);
    if (gSignals.fetch_add(1) < 1) {
        const char msg[] =
            "\nkorvalis-batch: stopping after the files in progress (Ctrl+C again ends at once)\n";
        [[maybe_unused]] ssize_t n = write(2, msg, sizeof msg - 1);
        return;
    }
    for (TempSlot& s : gSlots)
        if (s.active.load()) unlink(s.path);
    _exit(130);
}

void InstallSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

// ---- Inputs -------------------------------------------------------------------------------------

bool IsPictureName(const fs::path& p) {
    static const std::set<std::string> kOpened = {".bmp", ".jpg", ".jpeg", ".jpe", ".png",
                                                  ".gif", ".ico", ".pcx",  ".tga", ".qrv"};
    const std::string name = p.filename().string();
    return !name.empty() && name[0] != '.' && kOpened.count(codecs::ExtensionOf(name)) > 0;
}

std::string Canonical(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::weakly_canonical(p, ec);
    return (ec ? fs::absolute(p, ec) : c).lexically_normal().string();
}

// ---- Writing ------------------------------------------------------------------------------------

enum class TWriteResult { Written, Exists };

[[noreturn]] void WriteFailed(const std::string& name, int err) {
    throw Error("Can't write \"" + name + "\": " + std::strerror(err));
}

// Writes the bytes to a temporary file beside the output, flushes it to the disk, and only then
// gives it the output's name; without overwrite an output that appeared meanwhile is kept. An
// output folder is made when missing; the folder of a single output file must exist.
TWriteResult WriteOutput(const codecs::Bytes& bytes, const fs::path& output, bool overwrite, bool makeFolder,
                         int slot) {
    std::error_code ec;
    if (makeFolder && !output.parent_path().empty()) fs::create_directories(output.parent_path(), ec);
    if (ec) throw Error("Can't make the folder \"" + output.parent_path().string() + "\": " + ec.message());
    const fs::path temp = output.parent_path() / ("." + output.filename().string() + ".kvtmp" +
                                                  std::to_string(getpid()) + "_" + std::to_string(slot));
    TempSlot& s = gSlots[slot];
    std::snprintf(s.path, sizeof s.path, "%s", temp.c_str());
    s.active.store(true);
    // The temporary name is gone after a rename; after a failure or a hard link it is removed here.
    struct Release {
        TempSlot& s;
        const fs::path& temp;
        ~Release() {
            unlink(temp.c_str());
            s.active.store(false);
        }
    } release{s, temp};

    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) WriteFailed(output.string(), errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int e = n < 0 ? errno : EIO;
            close(fd);
            WriteFailed(output.string(), e);
        }
        done += std::size_t(n);
    }
    if (fsync(fd) != 0 && errno != EINVAL) {
        const int e = errno;
        close(fd);
        WriteFailed(output.string(), e);
    }
    if (close(fd) != 0) WriteFailed(output.string(), errno);
    if (gInterrupt.load()) throw Interrupted{};

    if (overwrite) {
        if (rename(temp.c_str(), output.c_str()) != 0) WriteFailed(output.string(), errno);
    } else if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, output.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST) return TWriteResult::Exists;
        if (errno != EINVAL && errno != ENOSYS) WriteFailed(output.string(), errno);
        // A file system without the no-replace rename: a hard link fails as well when the name exists.
        if (link(temp.c_str(), output.c_str()) != 0) {
            if (errno == EEXIST) return TWriteResult::Exists;
            WriteFailed(output.string(), errno);
        }
    }
    return TWriteResult::Written;
}

// ---- Progress -----------------------------------------------------------------------------------

enum class TOutcome { Done, Failed, Skipped, NotStarted };

std::string Clock(double seconds) {
    long s = long(seconds + 0.5);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

class TProgress {
  public:
    TProgress(std::ostream& err, int total, bool terminal)
        : fErr(err), fTotal(total), fTerminal(terminal), fStart(std::chrono::steady_clock::now()) {
        if (fTerminal) Draw();
    }

    void Report(int n, const std::string& input, TOutcome outcome, const std::string& text) {
        std::lock_guard lock(fMutex);
        ++fFinished;
        std::ostringstream line;
        line << "[" << n << "/" << fTotal << "] " << input;
        switch (outcome) {
        case TOutcome::Done:
            line << " -> " << text;
            break;
        case TOutcome::Failed:
            line << ": ошибка: " << text;
            break;
        case TOutcome::Skipped:
            line << ": пропущен: " << text;
            break;
        case TOutcome::NotStarted:
            return;
        }
        if (fTerminal) {
            // Successes show in the bar; problems stay on the screen above it.
            if (outcome != TOutcome::Done) fErr << "\r\033[K" << line.str() << "\n";
            Draw();
        } else {
            fErr << line.str() << "\n";
        }
        fErr.flush();
    }

    void Finish() {
        std::lock_guard lock(fMutex);
        if (fTerminal) fErr << "\r\033[K";
        fErr.flush();
    }

  private:
    void Draw() {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - fStart).count();
        constexpr int kWidth = 30;
        const int filled = fTotal > 0 ? fFinished * kWidth / fTotal : kWidth;
        std::string bar(std::size_t(filled), '#');
        bar.append(std::size_t(kWidth - filled), '-');
        fErr << "\r\033[K[" << bar << "] " << fFinished << "/" << fTotal;
        if (fFinished > 0 && elapsed > 0) {
            const double rate = fFinished / elapsed;
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.2f", rate);
            fErr << "  " << buf << " файл/с  осталось " << Clock((fTotal - fFinished) / rate);
        }
        fErr.flush();
    }

    std::ostream& fErr;
    std::mutex fMutex;
    int fTotal;
    bool fTerminal;
    int fFinished = 0;
    std::chrono::steady_clock::time_point fStart;
};

struct Job {
    InputFile in;
    fs::path output;
    OutputFormat format = OutputFormat::PNG;
    std::string error; // known before any work (missing input, clashing names)
    TOutcome outcome = TOutcome::NotStarted;
    std::string text;
};

std::string LowerExtension(const std::string& name) {
    return codecs::ExtensionOf(name);
}

} // namespace

bool InterruptRequested() {
    return gInterrupt.load(std::memory_order_relaxed);
}

std::string ApplyNamePattern(const std::string& pattern, const std::string& stem, const std::string& ext,
                             int n) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '{') {
            out += pattern[i];
            continue;
        }
        const std::size_t close = pattern.find('}', i);
        if (close == std::string::npos)
            throw UsageError("--name: \"{\" without \"}\" in \"" + pattern + "\"");
        const std::string key = pattern.substr(i + 1, close - i - 1);
        if (key == "stem")
            out += stem;
        else if (key == "ext")
            out += ext;
        else if (key == "n")
            out += std::to_string(n);
        else
            throw UsageError("--name: unknown placeholder {" + key + "} (use {stem}, {ext} or {n})");
        i = close;
    }
    if (out.empty() || out == "." || out == "..")
        throw UsageError("--name \"" + pattern + "\" makes an empty file name");
    if (out.find('/') != std::string::npos)
        throw UsageError("--name \"" + pattern + "\" must make a file name, not a path");
    return out;
}

std::vector<InputFile> ExpandInputs(const Options& opt) {
    std::vector<InputFile> files;
    std::set<std::string> seen;
    const std::string outputFolder = opt.output.empty() ? std::string() : Canonical(opt.output);
    auto add = [&](InputFile f) {
        if (f.error.empty() && !seen.insert(Canonical(f.path)).second) return; // named twice
        files.push_back(std::move(f));
    };
    for (const std::string& in : opt.inputs) {
        std::error_code ec;
        const fs::file_status st = fs::status(in, ec);
        if (ec || !fs::exists(st)) {
            add({in, "", "файл или папка не найдены"});
            continue;
        }
        if (!fs::is_directory(st)) {
            add({in, "", ""});
            continue;
        }
        std::vector<std::pair<std::string, InputFile>> found;
        const fs::path root(in);
        auto take = [&](const fs::directory_entry& e) {
            std::error_code fe;
            if (!e.is_regular_file(fe) || !IsPictureName(e.path())) return;
            const fs::path rel = e.path().lexically_relative(root);
            std::string sub = rel.parent_path().string();
            found.push_back({rel.string(), InputFile{e.path().string(), sub, ""}});
        };
        if (opt.recursive) {
            fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
            for (; !ec && it != end; it.increment(ec)) {
                // The output folder inside an input folder is not read back as input.
                if (it->is_directory() && !outputFolder.empty() && Canonical(it->path()) == outputFolder) {
                    it.disable_recursion_pending();
                    continue;
                }
                if (it->is_directory() && it->path().filename().string().rfind('.', 0) == 0) {
                    it.disable_recursion_pending();
                    continue;
                }
                take(*it);
            }
        } else {
            fs::directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
            for (; !ec && it != end; it.increment(ec))
                take(*it);
        }
        if (ec) {
            add({in, "", "Can't read the folder: " + ec.message()});
            continue;
        }
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        if (found.empty()) add({in, "", "в папке нет файлов изображений"});
        for (auto& [key, f] : found)
            add(std::move(f));
    }
    return files;
}

int RunBatch(const Options& optIn, std::ostream& err) {
    Options opt = optIn;
    const std::string programFolder = ExecutableFolder();
    if (opt.presetsFile.empty())
        opt.presetsFile = PresetFileForReading(ResolveDataFolders(programFolder)).string();
    // Every preset record asked for must exist, before any file is touched.
    int presetCount = -1;
    for (const Step& s : opt.steps)
        if (const auto* p = std::get_if<PresetStep>(&s)) {
            if (presetCount < 0) presetCount = PresetCount(opt.presetsFile);
            if (p->record >= presetCount)
                throw UsageError("--preset " + std::to_string(p->record) + ": \"" + opt.presetsFile +
                                 "\" holds " + std::to_string(presetCount) + " presets (0.." +
                                 std::to_string(presetCount - 1) + ")");
        }
    if (const char* v = std::getenv("KV_THREADS"); v && *v) {
        char* end = nullptr;
        const long n = std::strtol(v, &end, 10);
        if (*end != '\0' || n < 1 || n > 4096)
            throw UsageError(std::string("KV_THREADS must be a whole number 1..4096, got \"") + v + "\"");
    }

    std::vector<InputFile> inputs = ExpandInputs(opt);

    // One output file, or a folder.
    std::error_code ec;
    bool singleFile = false;
    if (!opt.output.empty()) {
        const bool folderNamed = opt.output.back() == '/' || fs::is_directory(opt.output, ec);
        const bool oneDirectInput = inputs.size() == 1 && inputs[0].subfolder.empty() &&
                                    opt.inputs.size() == 1 && !fs::is_directory(opt.inputs[0], ec);
        singleFile = !folderNamed && oneDirectInput;
        if (!singleFile && !folderNamed && fs::exists(opt.output, ec))
            throw UsageError("-o \"" + opt.output + "\" is a file; many inputs need an output folder");
        if (singleFile && opt.nameSet) throw UsageError("--name needs an output folder (-o DIR/)");
    }

    std::vector<Job> jobs;
    jobs.reserve(inputs.size());
    std::set<std::string> inputNames;
    for (const InputFile& f : inputs)
        if (f.error.empty()) inputNames.insert(Canonical(f.path));
    std::map<std::string, std::string> taken; // output -> the input that takes it
    int n = 0;
    for (InputFile& f : inputs) {
        Job job;
        job.in = std::move(f);
        ++n;
        if (!job.in.error.empty()) {
            job.error = job.in.error;
            jobs.push_back(std::move(job));
            continue;
        }
        const fs::path in(job.in.path);
        if (singleFile) {
            job.output = opt.output;
            if (opt.bmp32) {
                job.format = OutputFormat::BMP32;
            } else if (!opt.format.empty()) {
                job.format = *FormatByName(opt.format);
            } else if (auto byName = FormatByExtension(opt.output)) {
                job.format = *byName;
            } else {
                const std::string ext = LowerExtension(opt.output);
                throw UsageError("-o \"" + opt.output + "\": " +
                                 (ext.empty() ? std::string("the name has no extension")
                                              : "unknown picture file extension (" + ext + ")") +
                                 "; use .bmp, .jpg, .gif, .png, .tif or .qrv, or end a folder's name with /");
            }
        } else {
            std::string ext;
            if (opt.bmp32) {
                job.format = OutputFormat::BMP32;
            } else if (!opt.format.empty()) {
                job.format = *FormatByName(opt.format);
            } else {
                job.format = DefaultFormatFor(job.in.path);
            }
            const std::string inExt = LowerExtension(job.in.path);
            ext =
                FormatByExtension(job.in.path) == job.format && !opt.bmp32 ? inExt : ExtensionFor(job.format);
            const fs::path folder =
                opt.output.empty() ? in.parent_path() : fs::path(opt.output) / job.in.subfolder;
            const std::string stem = in.stem().string();
            const std::string name =
                ApplyNamePattern(opt.namePattern, stem, inExt.empty() ? "" : inExt.substr(1), n);
            job.output = folder / (name + ext);
        }
        const std::string out = Canonical(job.output);
        if (inputNames.count(out)) {
            job.error = "the output \"" + job.output.string() + "\" would replace an input file";
        } else if (auto it = taken.find(out); it != taken.end()) {
            job.error =
                "the output \"" + job.output.string() + "\" is already the output of \"" + it->second + "\"";
        } else {
            taken.emplace(out, job.in.path);
        }
        jobs.push_back(std::move(job));
    }

    const int total = int(jobs.size());
    const int wanted = opt.jobs > 0 ? opt.jobs : std::max(1, int(std::thread::hardware_concurrency()));
    const int workers = std::max(1, std::min({wanted, total, kMaxSlots}));
    // Threads inside one file share the cores the jobs leave free; results are the same bits.
    int inner = std::max(1, wanted / workers);
    if (const char* v = std::getenv("KV_THREADS"); v && *v) inner = std::min(inner, std::atoi(v));
    SetMaxThreads(inner);

    InitMetadataLibrary();
    InstallSignalHandlers();
    TProgress progress(err, total, isatty(2) == 1);
    std::atomic<int> next{0};
    auto work = [&](int slot) {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= total) return;
            Job& job = jobs[std::size_t(i)];
            if (InterruptRequested()) return;
            try {
                if (!job.error.empty()) {
                    job.outcome = TOutcome::Failed;
                    job.text = job.error;
                } else if (!opt.overwrite && fs::exists(job.output)) {
                    job.outcome = TOutcome::Skipped;
                    job.text = "\"" + job.output.string() + "\" уже существует (--overwrite заменяет)";
                } else {
                    const codecs::Bytes bytes = ProcessFile(opt, job.in.path, job.format);
                    if (WriteOutput(bytes, job.output, opt.overwrite, !singleFile, slot) ==
                        TWriteResult::Exists) {
                        job.outcome = TOutcome::Skipped;
                        job.text = "\"" + job.output.string() + "\" уже существует (--overwrite заменяет)";
                    } else {
                        job.outcome = TOutcome::Done;
                        job.text = job.output.string();
                    }
                }
            } catch (const Interrupted&) {
                job.outcome = TOutcome::NotStarted;
                return;
            } catch (const std::bad_alloc&) {
                job.outcome = TOutcome::Failed;
                job.text = "out of memory";
            } catch (const std::exception& e) {
                job.outcome = TOutcome::Failed;
                job.text = e.what();
            }
            progress.Report(i + 1, job.in.path, job.outcome, job.text);
        }
    };
    std::vector<std::thread> pool;
    for (int w = 1; w < workers; ++w)
        pool.emplace_back(work, w);
    work(0);
    for (auto& t : pool)
        t.join();
    progress.Finish();

    int done = 0, failed = 0, notStarted = 0;
    for (const Job& j : jobs) {
        if (j.outcome == TOutcome::Done)
            ++done;
        else if (j.outcome == TOutcome::NotStarted)
            ++notStarted;
        else
            ++failed;
    }
    err << done << " обработано, " << failed << " с ошибками\n";
    for (const Job& j : jobs)
        if (j.outcome == TOutcome::Failed || j.outcome == TOutcome::Skipped)
            err << "  " << j.in.path << ": " << j.text << "\n";
    if (InterruptRequested()) {
        err << "Прервано: " << notStarted << " не обработано\n";
        return 130;
    }
    return failed == 0 ? 0 : 1;
}

} // namespace kv::batch
