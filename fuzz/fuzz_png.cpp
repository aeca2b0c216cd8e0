// libFuzzer harness for the PNG decoder: any input either decodes or raises kv::Error, and the
// composed decoding is opaque.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const kv::TBitmap32 bmp = kv::codecs::DecodePNG(data, size, "fuzz.png");
        for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
            if ((bmp.Bits()[i] >> 24) != 255) __builtin_trap();
    } catch (const kv::Error&) {
    }
    return 0;
}
