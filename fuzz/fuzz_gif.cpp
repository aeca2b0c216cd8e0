// libFuzzer harness: GIF decoding must refuse bad input with kv::Error and never crash. What it
// accepts is opaque, and a picture of at most 256 colours survives an "Auto" encode and decode.
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kv::TBitmap32 bmp;
    try {
        bmp = kv::codecs::DecodeGIF(data, size, "fuzz.gif");
    } catch (const kv::Error&) {
        return 0;
    }
    for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
        if ((bmp.Bits()[i] >> 24) != 255) std::abort();
    if (bmp.PixelCount() > (1u << 20) || kv::codecs::CountDistinctColours(bmp) > 256) return 0;
    kv::codecs::Bytes gif = kv::codecs::EncodeGIF(bmp, kv::codecs::GifColours::Auto);
    kv::TBitmap32 back = kv::codecs::DecodeGIF(gif.data(), gif.size(), "again.gif");
    if (back.Width() != bmp.Width() || back.Height() != bmp.Height()) std::abort();
    for (std::size_t i = 0; i < bmp.PixelCount(); ++i)
        if (back.Bits()[i] != bmp.Bits()[i]) std::abort();
    return 0;
}
