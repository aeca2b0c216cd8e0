// Whole-file reading and writing, and the generic picture loader.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <random>

namespace kv::codecs {

namespace {

[[noreturn]] void FileError(const std::string& fileName, int err) {
    throw Error(fileName + ": " + std::strerror(err));
}

// Closes the descriptor on every path out of the caller.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= std::size_t(k);
    }
    return true;
}

} // namespace

Bytes ReadWholeFile(const std::string& fileName) {
    Fd f;
    do
        f.fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    while (f.fd < 0 && errno == EINTR);
    if (f.fd < 0) FileError(fileName, errno);
    struct stat st {};
    if (::fstat(f.fd, &st) != 0) FileError(fileName, errno);
    if (S_ISDIR(st.st_mode)) FileError(fileName, EISDIR);

    Bytes out;
    try {
        // The size is a hint only: a file that grows or shrinks while it is read is still read whole.
        out.resize(S_ISREG(st.st_mode) && st.st_size > 0 ? std::size_t(st.st_size) + 1 : 65536);
        std::size_t used = 0;
        for (;;) {
            if (used == out.size()) out.resize(out.size() * 2);
            ssize_t k = ::read(f.fd, out.data() + used, out.size() - used);
            if (k < 0) {
                if (errno == EINTR) continue;
                FileError(fileName, errno);
            }
            if (k == 0) break;
            used += std::size_t(k);
        }
        out.resize(used);
    } catch (const std::bad_alloc&) {
        throw Error(fileName + ": not enough memory to read the file");
    }
    return out;
}

void WriteWholeFile(const std::string& fileName, const std::uint8_t* data, std::size_t n) {
    namespace fs = std::filesystem;
    // A symbolic link keeps pointing at the file it names: the new content replaces the target.
    fs::path target(fileName);
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string base = target.filename().string();

    // The temporary file lives in the target's folder so that the rename stays on one file system.
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    Fd f;
    std::string tmp;
    for (int attempt = 0; attempt < 100 && f.fd < 0; ++attempt) {
        tmp = (dir / ("." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                      "-" + std::to_string(rd() % 100000)))
                  .string();
        f.fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (f.fd < 0 && errno != EEXIST && errno != EINTR) FileError(fileName, errno);
    }
    if (f.fd < 0) FileError(fileName, EEXIST);

    auto fail = [&](int err) {
        ::close(f.fd);
        f.fd = -1;
        ::unlink(tmp.c_str());
        FileError(fileName, err);
    };
    // An existing file keeps its permissions.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(f.fd, st.st_mode & 07777);
    if (!WriteAll(f.fd, data, n)) fail(errno);
    if (::fsync(f.fd) != 0 && errno != EINVAL && errno != EROFS) fail(errno);
    if (::close(f.fd) != 0) {
        f.fd = -1;
        int err = errno;
        ::unlink(tmp.c_str());
        FileError(fileName, err);
    }
    f.fd = -1;
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        FileError(fileName, err);
    }
}

namespace {

// The last path component (either separator counts).
std::string LastComponent(const std::string& fileName) {
    std::size_t slash = fileName.find_last_of("/\\");
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

// Extension of the last path component with its point, in its original case; "" when none.
std::string RawExtension(const std::string& fileName) {
    std::string last = LastComponent(fileName);
    std::size_t dot = last.rfind('.');
    return dot == std::string::npos ? std::string() : last.substr(dot);
}

} // namespace

std::string ExtensionOf(const std::string& fileName) {
    std::string ext = RawExtension(fileName);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return ext;
}

TBitmap32 LoadPicture(const std::string& fileName) {
    const std::string ext = ExtensionOf(fileName);
    using Decoder = TBitmap32 (*)(const std::uint8_t*, std::size_t, const std::string&);
    Decoder decode = nullptr;
    bool isBmp = false;
    if (ext == ".bmp")
        isBmp = true;
    else if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe")
        decode = DecodeJPEG;
    else if (ext == ".png")
        decode = DecodePNG;
    else if (ext == ".gif")
        decode = DecodeGIF;
    else if (ext == ".ico" || ext == ".cur")
        decode = DecodeICO;
    else if (ext == ".pcx")
        decode = DecodePCX;
    else if (ext == ".tga")
        decode = DecodeTGA;
    else if (ext == ".wmf" || ext == ".emf")
        throw Error(fileName + ": metafiles (.wmf, .emf) cannot be opened yet");
    else {
        std::string raw = RawExtension(fileName);
        throw Error("Unknown picture file extension (." + (raw.empty() ? raw : raw.substr(1)) + ")");
    }

    const Bytes bytes = ReadWholeFile(fileName);
    if (isBmp) {
        BmpReadOptions opt;
        opt.zeroAlphaMeansOpaque = true;
        return DecodeBMP(bytes.data(), bytes.size(), fileName, opt);
    }
    return decode(bytes.data(), bytes.size(), fileName);
}

} // namespace kv::codecs
