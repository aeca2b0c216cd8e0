// libFuzzer harness: PCX decoding must refuse bad input with kv::Error and never crash; what it
// accepts is opaque.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        kv::TBitmap32 bmp = kv::codecs::DecodePCX(data, size, "fuzz.pcx");
        // A decoded picture always has pixels, all opaque.
        if (bmp.Empty()) std::abort();
        for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
            if ((bmp.Bits()[i] >> 24) != 255) std::abort();
    } catch (const kv::Error&) {
    }
    return 0;
}
