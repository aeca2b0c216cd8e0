// libFuzzer harness for the JPEG decoder: any input either decodes or raises kv::Error.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const kv::TBitmap32 bmp = kv::codecs::DecodeJPEG(data, size, "fuzz.jpg");
        if (!bmp.Empty() && (bmp.Pixel(bmp.Width() - 1, bmp.Height() - 1) >> 24) != 255) __builtin_trap();
    } catch (const kv::Error&) {
    }
    return 0;
}
