// libFuzzer harness for the icon and cursor reader.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        kv::TBitmap32 b = kv::codecs::DecodeICO(data, size, "fuzz.ico");
        // Every decoded icon is opaque: composed over black.
        for (std::size_t i = 0; i < b.PixelCount(); ++i)
            if ((b.Bits()[i] >> 24) != 255) std::abort();
    } catch (const kv::Error&) {
    }
    return 0;
}
