#include "document/project.h"
#include "core/error.h"
#include "document/document.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace kv {

namespace {

const char* const kNotValid = "Bitmap image is not valid";

[[noreturn]] void NotValid() {
    throw Error(kNotValid);
}

void PutI32(std::uint8_t* p, std::int32_t v) {
    const auto u = std::uint32_t(v);
    p[0] = std::uint8_t(u);
    p[1] = std::uint8_t(u >> 8);
    p[2] = std::uint8_t(u >> 16);
    p[3] = std::uint8_t(u >> 24);
}
std::int32_t GetI32(const std::uint8_t* p) {
    return std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                        std::uint32_t(p[3]) << 24);
}
void PutF32(std::uint8_t* p, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    PutI32(p, std::int32_t(u));
}
float GetF32(const std::uint8_t* p) {
    const auto u = std::uint32_t(GetI32(p));
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// Size list lines: decimal integers without sign or blanks, each within the file.
std::vector<std::uint64_t> ParseSizeList(const std::uint8_t* p, std::size_t len, std::size_t fileSize) {
    std::vector<std::uint64_t> lines;
    std::size_t i = 0;
    while (i < len) {
        std::size_t end = i;
        while (end < len && p[end] != '\n')
            ++end;
        std::size_t stop = end;
        if (stop > i && p[stop - 1] == '\r') --stop;
        if (stop == i || stop - i > 19) NotValid();
        std::uint64_t v = 0;
        for (std::size_t k = i; k < stop; ++k) {
            if (p[k] < '0' || p[k] > '9') NotValid();
            v = v * 10 + std::uint64_t(p[k] - '0');
        }
        if (v > fileSize) NotValid();
        lines.push_back(v);
        i = end < len ? end + 1 : end;
    }
    return lines;
}

TBitmap32 DecodeStream(const std::uint8_t* p, std::size_t n, const std::string& name) {
    if (n < 2 || p[0] != 'B' || p[1] != 'M') NotValid();
    codecs::BmpReadOptions opt;
    opt.zeroAlphaMeansOpaque = false; // project streams keep their alpha bytes as written
    TBitmap32 bmp = codecs::DecodeBMP(p, n, name, opt);
    if (bmp.Empty()) NotValid();
    return bmp;
}

} // namespace

void EncodeLayerRecord(const TLayerRecord& rec, std::uint8_t* out) {
    std::memset(out, 0, kLayerRecordSize);
    const std::size_t len = std::min<std::size_t>(rec.Kind.size(), 71);
    out[0] = std::uint8_t(len);
    std::memcpy(out + 1, rec.Kind.data(), len);
    const bool bitmap = rec.Kind == kRecordKindBitmap;
    if (bitmap) PutI32(out + 72, rec.Opacity);
    PutF32(out + 76, rec.Location.Left);
    PutF32(out + 80, rec.Location.Top);
    PutF32(out + 84, rec.Location.Right);
    PutF32(out + 88, rec.Location.Bottom);
    if (bitmap) {
        out[92] = rec.Scaled ? 1 : 0;
        out[93] = rec.Cropped ? 1 : 0;
        out[104] = rec.Interpolated ? 1 : 0;
    }
}

TLayerRecord DecodeLayerRecord(const std::uint8_t* in) {
    TLayerRecord rec;
    const std::size_t len = in[0];
    if (len > 71) NotValid();
    rec.Kind.assign(reinterpret_cast<const char*>(in + 1), len);
    rec.Opacity = std::clamp<std::int32_t>(GetI32(in + 72), 0, 255);
    float* edges[4] = {&rec.Location.Left, &rec.Location.Top, &rec.Location.Right, &rec.Location.Bottom};
    for (int k = 0; k < 4; ++k) {
        const float v = GetF32(in + 76 + 4 * k);
        if (!std::isfinite(v) || std::fabs(v) > kMaxLayerCoordinate) NotValid();
        *edges[k] = v;
    }
    rec.Scaled = in[92] != 0;
    rec.Cropped = in[93] != 0;
    rec.Interpolated = in[104] != 0;
    return rec;
}

codecs::Bytes EncodeProject(TDocument& doc) {
    TLayerCollection& layers = doc.Layers();
    codecs::Bytes out;
    std::vector<std::uint64_t> sizes;
    std::vector<TLayerRecord> records;
    records.reserve(std::size_t(layers.Count()));

    auto append = [&](const codecs::Bytes& b) {
        out.insert(out.end(), b.begin(), b.end());
        sizes.push_back(b.size());
    };
    for (int i = 0; i < layers.Count(); ++i) {
        TCustomLayer& layer = layers[i];
        TLayerRecord rec;
        if (auto* pos = dynamic_cast<TPositionedLayer*>(&layer)) rec.Location = pos->Location();
        auto* bl = dynamic_cast<TBitmapLayer*>(&layer);
        if (bl && !bl->Bitmap.Empty()) {
            rec.Kind = kRecordKindBitmap;
            rec.Opacity = bl->Bitmap.MasterAlpha();
            rec.Scaled = bl->Scaled();
            rec.Cropped = bl->Cropped();
            rec.Interpolated = bl->Bitmap.StretchFilter() != sfNearest;
            append(codecs::EncodeBMP32(bl->Bitmap));
        } else {
            rec.Kind = kRecordKindOther;
        }
        records.push_back(rec);
    }
    append(codecs::EncodeBMP32(doc.Base()));
    if (!records.empty()) {
        codecs::Bytes block(records.size() * kLayerRecordSize);
        for (std::size_t i = 0; i < records.size(); ++i)
            EncodeLayerRecord(records[i], block.data() + i * kLayerRecordSize);
        append(block);
    }
    std::string list;
    for (std::uint64_t s : sizes)
        list += std::to_string(s) + "\r\n";
    out.insert(out.end(), list.begin(), list.end());
    std::uint8_t trailer[4];
    PutI32(trailer, std::int32_t(list.size() + 4));
    out.insert(out.end(), trailer, trailer + 4);
    return out;
}

void WriteProject(TDocument& doc, const std::string& fileName) {
    const codecs::Bytes bytes = EncodeProject(doc);
    codecs::WriteWholeFile(fileName, bytes.data(), bytes.size());
}

TProjectContent DecodeProject(const std::uint8_t* data, std::size_t n, const std::string& name) {
    if (n < 4) NotValid();
    const std::int64_t L = GetI32(data + n - 4);
    if (L < 8 || std::uint64_t(L) > n || std::uint64_t(L - 4) > kMaxSizeListBytes) NotValid();
    const std::vector<std::uint64_t> lines = ParseSizeList(data + n - std::size_t(L), std::size_t(L - 4), n);
    if (lines.empty()) NotValid();
    std::uint64_t total = std::uint64_t(L);
    for (std::uint64_t s : lines)
        total += s;
    if (total != n) NotValid();

    // Section offsets from the start: layer streams, base stream, record block.
    TProjectContent content;
    std::vector<TLayerRecord> records;
    std::size_t streamsBefore = 0;
    if (lines.size() == 1) {
        content.Base = DecodeStream(data, std::size_t(lines[0]), name);
        return content;
    }
    const std::uint64_t blockSize = lines.back();
    if (blockSize == 0 || blockSize % kLayerRecordSize != 0) NotValid();
    const std::uint64_t m = blockSize / kLayerRecordSize;
    if (m > std::uint64_t(kMaxProjectLayers)) NotValid();
    const std::size_t blockAt = n - std::size_t(L) - std::size_t(blockSize);
    std::size_t bitmaps = 0;
    for (std::uint64_t i = 0; i < m; ++i) {
        records.push_back(DecodeLayerRecord(data + blockAt + i * kLayerRecordSize));
        if (records.back().Kind == kRecordKindBitmap) ++bitmaps;
    }
    if (lines.size() != bitmaps + 2) NotValid();
    for (std::size_t i = 0; i < bitmaps; ++i)
        streamsBefore += std::size_t(lines[i]);
    content.Base = DecodeStream(data + streamsBefore, std::size_t(lines[bitmaps]), name);

    std::size_t at = 0, stream = 0;
    for (const TLayerRecord& rec : records) {
        if (rec.Kind != kRecordKindBitmap) continue;
        TProjectLayer layer;
        layer.Picture = DecodeStream(data + at, std::size_t(lines[stream]), name);
        layer.Record = rec;
        at += std::size_t(lines[stream]);
        ++stream;
        content.Layers.push_back(std::move(layer));
    }
    return content;
}

TProjectContent ReadProjectFile(const std::string& fileName) {
    const codecs::Bytes bytes = codecs::ReadWholeFile(fileName);
    return DecodeProject(bytes.data(), bytes.size(), fileName);
}

void ApplyProject(TDocument& doc, TProjectContent&& content) {
    TLayerCollection& layers = doc.Layers();
    doc.SetBasePixels(content.Base);
    TCustomLayer* top = nullptr;
    layers.BeginUpdate();
    for (TProjectLayer& pl : content.Layers) {
        auto& layer = layers.Add<TBitmapLayer>();
        layer.Bitmap = std::move(pl.Picture);
        layer.Bitmap.SetDrawMode(dmBlend);
        layer.Bitmap.SetMasterAlpha(pl.Record.Opacity);
        layer.Bitmap.SetStretchFilter(pl.Record.Interpolated ? sfLinear : sfNearest);
        layer.SetLocation(pl.Record.Location);
        layer.SetScaled(pl.Record.Scaled);
        layer.SetCropped(pl.Record.Cropped);
        layer.Tag = kTagOrdinary;
        layer.OnMouseDown = [](TCustomLayer&, int, int, int) {};
        top = &layer;
    }
    layers.EndUpdate();
    doc.Select(nullptr);
    doc.Select(top);
}

} // namespace kv
