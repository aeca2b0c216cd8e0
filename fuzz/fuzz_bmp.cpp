// libFuzzer harness for the BMP reader, under both alpha rules and with the consumed length.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (bool generic : {false, true}) {
        try {
            kv::codecs::BmpReadOptions opt;
            opt.zeroAlphaMeansOpaque = generic;
            std::size_t consumed = 0;
            kv::TBitmap32 b = kv::codecs::DecodeBMP(data, size, "fuzz.bmp", opt, &consumed);
            // What was decoded must lie inside the input.
            if (consumed > size) std::abort();
            if (!b.Empty()) {
                volatile std::uint32_t sink = b.Pixel(b.Width() - 1, b.Height() - 1);
                (void)sink;
            }
        } catch (const kv::Error&) {
        }
    }
    return 0;
}
