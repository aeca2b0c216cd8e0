#include "app/batch/batch_metadata.h"

#include "core/error.h"

// exiv2 0.27 hands out images through std::auto_ptr, deprecated in C++20.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <mutex>
#include <vector>

namespace kv::batch {

namespace {

// exiv2 0.27 keeps some global state (XMP parser, log handler); every use is serialised. Metadata
// work is tiny next to decoding and framing a photo.
std::mutex gExivMutex;

void NoLog(int, const char*) {}

} // namespace

struct TPhotoMetadata::Data {
    Exiv2::ExifData Exif;
    Exiv2::IptcData Iptc;
    Exiv2::XmpData Xmp;
    std::vector<Exiv2::byte> Icc;
};

TPhotoMetadata::TPhotoMetadata() : fData(std::make_unique<Data>()) {}
TPhotoMetadata::~TPhotoMetadata() = default;
TPhotoMetadata::TPhotoMetadata(TPhotoMetadata&&) noexcept = default;
TPhotoMetadata& TPhotoMetadata::operator=(TPhotoMetadata&&) noexcept = default;

void InitMetadataLibrary() {
    std::lock_guard lock(gExivMutex);
    Exiv2::LogMsg::setHandler(NoLog);
    Exiv2::XmpParser::initialize();
}

TPhotoMetadata TPhotoMetadata::Read(const std::string& fileName) {
    TPhotoMetadata m;
    std::lock_guard lock(gExivMutex);
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(fileName);
        if (image.get() == nullptr) return m;
        image->readMetadata();
        m.fData->Exif = image->exifData();
        m.fData->Iptc = image->iptcData();
        m.fData->Xmp = image->xmpData();
        if (image->iccProfileDefined()) {
            const Exiv2::DataBuf* icc = image->iccProfile();
            m.fData->Icc.assign(icc->pData_, icc->pData_ + icc->size_);
        }
    } catch (const std::exception&) {
        return TPhotoMetadata(); // a kind of file exiv2 does not read, or damaged metadata
    }
    return m;
}

bool TPhotoMetadata::Empty() const {
    return fData->Exif.empty() && fData->Iptc.empty() && fData->Xmp.empty() && fData->Icc.empty();
}

int TPhotoMetadata::Orientation() const {
    std::lock_guard lock(gExivMutex);
    auto it = fData->Exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (it == fData->Exif.end() || it->count() < 1) return 1;
    const long v = it->toLong();
    return v >= 1 && v <= 8 ? int(v) : 1;
}

void TPhotoMetadata::SetUpright() {
    std::lock_guard lock(gExivMutex);
    auto it = fData->Exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (it != fData->Exif.end()) fData->Exif["Exif.Image.Orientation"] = uint16_t(1);
    auto x = fData->Xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
    if (x != fData->Xmp.end()) fData->Xmp["Xmp.tiff.Orientation"] = "1";
}

codecs::Bytes TPhotoMetadata::InsertIntoJpeg(const codecs::Bytes& jpeg, int width, int height) const {
    if (Empty()) return jpeg;
    std::lock_guard lock(gExivMutex);
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(jpeg.data(), long(jpeg.size()));
        Exiv2::ExifData exif = fData->Exif;
        Exiv2::ExifThumb(exif).erase();
        for (const char* key : {"Exif.Photo.PixelXDimension", "Exif.Image.ImageWidth"})
            if (exif.findKey(Exiv2::ExifKey(key)) != exif.end()) exif[key] = uint32_t(width);
        for (const char* key : {"Exif.Photo.PixelYDimension", "Exif.Image.ImageLength"})
            if (exif.findKey(Exiv2::ExifKey(key)) != exif.end()) exif[key] = uint32_t(height);
        Exiv2::XmpData xmp = fData->Xmp;
        if (xmp.findKey(Exiv2::XmpKey("Xmp.exif.PixelXDimension")) != xmp.end())
            xmp["Xmp.exif.PixelXDimension"] = std::to_string(width);
        if (xmp.findKey(Exiv2::XmpKey("Xmp.exif.PixelYDimension")) != xmp.end())
            xmp["Xmp.exif.PixelYDimension"] = std::to_string(height);
        image->setExifData(exif);
        image->setIptcData(fData->Iptc);
        image->setXmpData(xmp);
        if (!fData->Icc.empty()) {
            Exiv2::DataBuf icc(fData->Icc.data(), long(fData->Icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        codecs::Bytes out(std::size_t(io.size()));
        if (!out.empty() && io.read(out.data(), long(out.size())) != long(out.size()))
            throw Error("the JPEG stream could not be read back");
        return out;
    } catch (const Exiv2::AnyError& e) {
        throw Error(std::string("Can't keep the photo's metadata: ") + e.what());
    }
}

} // namespace kv::batch
