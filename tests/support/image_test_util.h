#pragma once
// Helpers shared by the codec and adjustment tests: corpus access, byte patching, bitmap
// comparison, composition over black, the reference table and random pictures.
#include "core/bitmap32.h"
#include "core/blend.h"
#include "core/codecs/codecs.h"
#include "core/error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace kv::test {

// The folder of real test files.
inline const std::filesystem::path kCorpus = KV_CORPUS_DIR;

// The whole file; fails the running test when it cannot be opened.
inline codecs::Bytes ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    EXPECT_TRUE(in) << p;
    return codecs::Bytes(std::istreambuf_iterator<char>(in), {});
}

// Writes v little-endian into b[at..at+3].
inline void Put32(codecs::Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// The first n bytes of b: a file cut short.
inline codecs::Bytes Prefix(const codecs::Bytes& b, std::size_t n) {
    return codecs::Bytes(b.begin(), b.begin() + std::ptrdiff_t(n));
}

// The text of the kv::Error that fn throws, or "" when it throws none.
template <class Fn> std::string ErrorOf(Fn&& fn) {
    try {
        fn();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

// A decoder of a whole file held in memory, e.g. codecs::DecodeGIF.
using Decoder = TBitmap32 (*)(const std::uint8_t*, std::size_t, const std::string&);

// Expects a clean refusal whose text names the file first (and holds about, when given).
inline void ExpectRefused(Decoder decode, const codecs::Bytes& b, const std::string& name,
                          const std::string& about = "") {
    try {
        TBitmap32 bmp = decode(b.data(), b.size(), name);
        ADD_FAILURE() << name << ": decoded as " << bmp.Width() << "x" << bmp.Height()
                      << ", expected a refusal";
    } catch (const Error& e) {
        std::string text = e.what();
        EXPECT_EQ(text.rfind(name + ": ", 0), 0u) << text;
        if (!about.empty()) {
            EXPECT_NE(text.find(about), std::string::npos) << text;
        }
    }
}

// Largest channel difference between two bitmaps of the same size (alpha included).
inline int MaxDiff(const TBitmap32& a, const TBitmap32& b) {
    int m = 0;
    for (std::size_t i = 0; i < a.PixelCount(); ++i)
        for (int sh = 0; sh < 32; sh += 8)
            m = std::max(m, std::abs(int((a.Bits()[i] >> sh) & 255) - int((b.Bits()[i] >> sh) & 255)));
    return m;
}

// Same size and the same pixels, bit for bit.
inline bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::equal(a.Bits(), a.Bits() + a.PixelCount(), b.Bits());
}

// src blended over black, made opaque: how the decoders present transparent pictures.
inline TBitmap32 ComposedOverBlack(const TBitmap32& src) {
    TBitmap32 r = src;
    for (std::size_t i = 0; i < r.PixelCount(); ++i)
        r.Bits()[i] = BlendReg(r.Bits()[i], clBlack32) | 0xFF000000u;
    return r;
}

// A reference decoding (a PNG under the corpus, rel relative to it) composed over black.
inline TBitmap32 ReferenceOverBlack(const std::filesystem::path& rel) {
    return ComposedOverBlack(codecs::LoadPNGRaw((kCorpus / rel).string()));
}

// One row of corpus/ref/refs.tsv: the file, its reference decoding, how that was made, and the
// note column ("" when absent).
struct RefRow {
    std::string file, reference, basis, note;
};

// Rows of corpus/ref/refs.tsv whose file starts with prefix.
inline std::vector<RefRow> RefRows(const std::string& prefix) {
    std::ifstream in(kCorpus / "ref" / "refs.tsv");
    std::vector<RefRow> rows;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string c;
        while (std::getline(ss, c, '\t'))
            cols.push_back(c);
        if (cols.size() < 6 || cols[0].rfind(prefix, 0) != 0) continue;
        rows.push_back({cols[0], cols[2], cols[5], cols.size() > 9 ? cols[9] : ""});
    }
    return rows;
}

// A picture of random pixels (alpha included) from a fixed seed.
inline TBitmap32 RandomPicture(int w, int h, unsigned seed) {
    TBitmap32 p(w, h);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < p.PixelCount(); ++i)
        p.Bits()[i] = rng();
    return p;
}

// Runs body once at every vector level the processor has (Scalar, SSE2, AVX2), then restores the best.
template <class Fn> void AtEveryLevel(Fn body) {
    for (BlendPath level : {BlendPath::Scalar, BlendPath::SSE2, BlendPath::AVX2}) {
        if (int(level) > int(BestBlendPath())) continue;
        SetBlendPath(level);
        SCOPED_TRACE(int(level));
        body();
    }
    SetBlendPath(BestBlendPath());
}

} // namespace kv::test
