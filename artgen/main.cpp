// artgen [--photo FILE] OUTDIR         writes the whole artwork library into OUTDIR, then the frame
//                                      presets built on FILE (default: OUTDIR/coffee.png)
// artgen --contact-sheet DIR [LIBDIR]  writes review sheets of the library in LIBDIR (default: the
//                                      folder of this program) into DIR
#include "artgen/library.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    try {
        if (argc >= 3 && std::string(argv[1]) == "--contact-sheet") {
            std::string lib = argc >= 4 ? argv[3] : fs::canonical("/proc/self/exe").parent_path().string();
            kv::artgen::WriteContactSheets(lib, argv[2]);
            std::printf("contact sheets of %s written to %s\n", lib.c_str(), argv[2]);
            return 0;
        }
        std::string photo;
        int a = 1;
        if (argc >= 4 && std::string(argv[1]) == "--photo") {
            photo = argv[2];
            a = 3;
        }
        if (argc != a + 1 || argv[a][0] == '-') {
            std::fprintf(stderr,
                         "usage: artgen [--photo FILE] OUTDIR | artgen --contact-sheet DIR [LIBDIR]\n");
            return 2;
        }
        const std::string out = argv[a];
        if (photo.empty()) photo = (fs::path(out) / "coffee.png").string();
        auto t0 = std::chrono::steady_clock::now();
        int n = kv::artgen::GenerateLibrary(out, 0);
        auto t1 = std::chrono::steady_clock::now();
        if (!fs::exists(photo)) {
            std::fprintf(stderr, "artgen: no sample photo %s, presets not built\n", photo.c_str());
            return 1;
        }
        int p = kv::artgen::GeneratePresets(out, photo);
        auto t2 = std::chrono::steady_clock::now();
        std::printf("artgen: %d files in %.1f s, %d presets in %.1f s, written to %s\n", n,
                    std::chrono::duration<double>(t1 - t0).count(), p,
                    std::chrono::duration<double>(t2 - t1).count(), out.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artgen: %s\n", e.what());
        return 1;
    }
}
