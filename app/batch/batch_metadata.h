#pragma once
// The photo's own metadata that a JPEG output keeps: EXIF (without its thumbnail, which would show
// the picture before the steps), IPTC, XMP and the ICC colour profile. Read with exiv2.
#include "core/codecs/codecs.h"

#include <memory>
#include <string>

namespace kv::batch {

class TPhotoMetadata {
  public:
    TPhotoMetadata();
    ~TPhotoMetadata();
    TPhotoMetadata(TPhotoMetadata&&) noexcept;
    TPhotoMetadata& operator=(TPhotoMetadata&&) noexcept;

    // The metadata of a picture file; a file without any (or of a kind exiv2 does not read) gives
    // empty metadata. Never throws: the picture decoder reports unreadable files.
    static TPhotoMetadata Read(const std::string& fileName);

    bool Empty() const;
    // EXIF orientation 1..8 (1 also when the tag is missing or out of range).
    int Orientation() const;
    // The picture has been turned upright: orientation 1 in EXIF and XMP.
    void SetUpright();
    // The JPEG stream with this metadata in it; the EXIF pixel dimensions become width x height.
    // Throws kv::Error when the metadata cannot be written.
    codecs::Bytes InsertIntoJpeg(const codecs::Bytes& jpeg, int width, int height) const;

  private:
    struct Data;
    std::unique_ptr<Data> fData;
};

// Call once before worker threads start (exiv2's XMP parser needs one-time set-up).
void InitMetadataLibrary();

} // namespace kv::batch
