#pragma once
// The layered project file (".qrv"): picture streams, a block of 108-byte layer records and a
// decimal size list, read from the end through a 4-byte trailer.
#include "core/bitmap32.h"
#include "core/codecs/codecs.h"
#include "core/geometry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

class TDocument;

constexpr std::size_t kLayerRecordSize = 108;
constexpr std::size_t kMaxSizeListBytes = 64 * 1024;
constexpr int kMaxProjectLayers = 1024;
constexpr float kMaxLayerCoordinate = 16777216.0f; // 2^24
inline const std::string kRecordKindBitmap = "bitmap";
inline const std::string kRecordKindOther = "magn";

// One layer record as stored in the record block.
struct TLayerRecord {
    std::string Kind = kRecordKindBitmap; // at most 71 characters
    std::int32_t Opacity = 255;
    TFloatRect Location{};
    bool Scaled = false;
    bool Cropped = false;
    bool Interpolated = false;
};

// Writes the 108 bytes of a record (reserved bytes zero; a "magn" record carries kind and
// location only).
void EncodeLayerRecord(const TLayerRecord& rec, std::uint8_t* out);
// Reads a record; a length byte beyond the kind field, a non-finite or absurd location fails.
// The opacity is clamped to 0..255.
TLayerRecord DecodeLayerRecord(const std::uint8_t* in);

// Every layer of the stack is stored, the topmost included. A bitmap layer with an empty picture
// has no stream to store and is written as a "magn" record.
codecs::Bytes EncodeProject(TDocument& doc);
// Writes the project; an existing file is replaced only once the new one is complete.
void WriteProject(TDocument& doc, const std::string& fileName);

// A project read into memory, ready to become the document.
struct TProjectLayer {
    TBitmap32 Picture;
    TLayerRecord Record;
};
struct TProjectContent {
    TBitmap32 Base;
    std::vector<TProjectLayer> Layers; // bottom first, as written
};

// Validates the whole file before anything is decoded into a document; every fault throws
// (mostly "Bitmap image is not valid"). `name` labels stream errors.
TProjectContent DecodeProject(const std::uint8_t* data, std::size_t n, const std::string& name);
TProjectContent ReadProjectFile(const std::string& fileName);

// Makes the content the document's: the stored base picture under the restored layers (bitmap
// layers in dmBlend, Tag 0), the top layer selected. The caller has started new content.
void ApplyProject(TDocument& doc, TProjectContent&& content);

} // namespace kv
