#include "engine/CameraMetadata.h"

#include "exif/ExifImage.h"
#include "exif/ExifTags.h"
#include "exif/TiffTypes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// Directories that end up in the file (GPS tags are kept but never written).
bool written(uint16_t ifd)
{
    return ifd == kIfd0 || ifd == kIfdExif || ifd == kIfd1 || ifd == kIfdInterop ||
           ifd == kIfdMakerNote;
}

// One tag to add: the value either points into the source segment or into
// own storage.
struct PlannedTag {
    uint16_t ifd;
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    const void* value;
};

// A source tag with the bytes it takes in its written directory (0 in one
// that is not written).
struct CarriedTag {
    PlannedTag tag;
    uint64_t blockBytes;
};

class OwnTags {
public:
    void add(uint16_t ifd, uint16_t tag, uint16_t type, uint32_t count, const void* value,
             size_t length)
    {
        values_.emplace_back(static_cast<const uint8_t*>(value),
                             static_cast<const uint8_t*>(value) + length);
        tags_.push_back({ifd, tag, type, count, nullptr});
    }
    void addShort(uint16_t ifd, uint16_t tag, uint16_t v) { add(ifd, tag, kTiffShort, 1, &v, 2); }
    void addLong(uint16_t ifd, uint16_t tag, uint32_t v) { add(ifd, tag, kTiffLong, 1, &v, 4); }
    void addRational(uint16_t ifd, uint16_t tag, uint32_t numerator, uint32_t denominator)
    {
        const uint32_t v[2] = {numerator, denominator};
        add(ifd, tag, kTiffRational, 1, v, sizeof v);
    }
    // count bytes of text, zero-padded when the text is shorter.
    void addBytes(uint16_t ifd, uint16_t tag, uint16_t type, uint32_t count, const char* text)
    {
        std::vector<char> v(count, 0);
        std::memcpy(v.data(), text, std::min<size_t>(std::strlen(text), count));
        add(ifd, tag, type, count, v.data(), v.size());
    }

    // Values are fixed once all tags are in.
    std::vector<PlannedTag>& planned()
    {
        for (size_t i = 0; i < tags_.size(); ++i)
            tags_[i].value = values_[i].data();
        return tags_;
    }

private:
    std::vector<std::vector<uint8_t>> values_;
    std::vector<PlannedTag> tags_;
};

}  // namespace

CameraDateTime currentLocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    CameraDateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    return t;
}

std::string exifDateText(const CameraDateTime& time)
{
    auto clamp = [](int v, int low, int high) { return std::min(std::max(v, low), high); };
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", clamp(time.year, 0, 9999),
                  clamp(time.month, 0, 99), clamp(time.day, 0, 99), clamp(time.hour, 0, 99),
                  clamp(time.minute, 0, 99), clamp(time.second, 0, 99));
    return text;
}

uint32_t cameraResolution(PackedSize targetSize)
{
    switch (targetSize) {
    case kSize640x480: return 150;
    case kSize1024x768:
    case kSize1024x384: return 240;
    case kSize1280x960:
    case kSize1280x480: return 300;
    case kSize1600x1200:
    case kSize1600x600: return 375;
    case kSize1920x1440: return 450;
    case kSize1984x1488: return 465;
    case kSize2048x1536: return 480;
    default: return 0;
    }
}

namespace {

// The tag list of a camera picture; the source's Exif data, if any, is
// already read into exif.
void addCameraTags(ExifImage& exif, bool sourceRead, PackedSize targetSize, uint32_t offsetX,
                   uint32_t offsetY, uint32_t imageWidth, uint32_t imageHeight,
                   const CameraClock& clock, CarryOverReport* report)
{
    // The camera's own tags, in the order a camera writes them.
    const std::string date = exifDateText(clock ? clock() : currentLocalTime());
    const uint32_t width = exif.info.sizes.width;
    const uint32_t height = exif.info.sizes.height;
    const uint32_t resolution = cameraResolution(targetSize);
    OwnTags own;
    own.addLong(kIfd0, kTagExifIfd, 0);
    own.addShort(kIfd0, kTagYCbCrPositioning, 2);
    own.addBytes(kIfd0, kTagDateTime, kTiffAscii, 20, date.c_str());
    own.addBytes(kIfd0, kTagSoftware, kTiffAscii, sizeof kCameraSoftwareName, kCameraSoftwareName);
    own.addShort(kIfd0, kTagResolutionUnit, 2);
    own.addRational(kIfd0, kTagYResolution, resolution, 1);
    own.addRational(kIfd0, kTagXResolution, resolution, 1);
    own.addShort(kIfd0, kTagOrientation, 1);
    own.addBytes(kIfd0, kTagModel, kTiffAscii, 14, "VidroTransfer");
    own.addBytes(kIfd0, kTagMake, kTiffAscii, 24, "TAMRI ORVEN CORP.      ");
    own.addBytes(kIfd0, kTagImageDescription, kTiffAscii, 23, "ORVEN DSC picture     ");
    own.addLong(kIfdExif, kTagInteropIfd, 0);
    own.addLong(kIfdExif, kTagPixelYDimension, height);
    own.addLong(kIfdExif, kTagPixelXDimension, width);
    own.addShort(kIfdExif, kTagColorSpace, 1);
    own.addBytes(kIfdExif, kTagFlashpixVersion, kTiffUndefined, 4, "0100");
    own.addBytes(kIfdExif, kTagMakerNote, kTiffUndefined, 4, "    ");
    const uint8_t components[4] = {1, 2, 3, 0};
    own.add(kIfdExif, kTagComponentsConfiguration, kTiffUndefined, 4, components,
            sizeof components);
    own.addBytes(kIfdExif, kTagDateTimeDigitized, kTiffAscii, 20, date.c_str());
    own.addBytes(kIfdExif, kTagDateTimeOriginal, kTiffAscii, 20, date.c_str());
    own.addBytes(kIfdExif, kTagExifVersion, kTiffUndefined, 4, "0210");
    own.addBytes(kIfdInterop, kTagInteropVersion, kTiffUndefined, 4, "0100");
    own.addBytes(kIfdInterop, kTagInteropIndex, kTiffAscii, 4, "R98");
    // The maker note: what kind of picture, and where the real picture lies
    // in the camera-size frame.
    own.addBytes(kIfdMakerNote, 0x020D, kTiffAscii, 8, "FUPLOAD");
    own.addLong(kIfdMakerNote, 0x020B, height);
    own.addLong(kIfdMakerNote, 0x020C, width);
    char place[64];
    std::snprintf(place, sizeof place, "OFFSET=%u,%u;IMAGE=%u,%u;", offsetX, offsetY, imageWidth,
                  imageHeight);
    own.addBytes(kIfdMakerNote, 0x020A, kTiffUndefined, 512, place);
    own.addBytes(kIfdMakerNote, 0x0209, kTiffUndefined, 32, "ORVEN DIGITAL CAMERA");
    own.addRational(kIfdMakerNote, 0x0204, 0, 10);
    own.addShort(kIfdMakerNote, 0x0203, 0);
    own.addShort(kIfdMakerNote, 0x0202, 0);
    own.addShort(kIfdMakerNote, 0x0201, targetSize == kSize640x480 ? 1 : 2);
    const uint32_t panorama[3] = {targetSize == kSize1600x600 ? 1u : 0u, 0, 0};
    own.add(kIfdMakerNote, 0x0200, kTiffLong, 3, panorama, sizeof panorama);
    own.addLong(kIfd1, kTagThumbnailLength, 0);
    own.addLong(kIfd1, kTagThumbnailOffset, 0);
    own.addShort(kIfd1, kTagResolutionUnit, 2);
    own.addRational(kIfd1, kTagYResolution, 72, 1);
    own.addRational(kIfd1, kTagXResolution, 72, 1);
    own.addShort(kIfd1, kTagCompression, 6);
    const std::vector<PlannedTag>& ownTags = own.planned();

    // The source's own tags, except those the camera's replace, as long as
    // the reader is alive (values point into it).
    const auto replaced = [&ownTags](uint16_t ifd, uint16_t tag) {
        return std::any_of(ownTags.begin(), ownTags.end(),
                           [&](const PlannedTag& t) { return t.ifd == ifd && t.tag == tag; });
    };
    std::vector<CarriedTag> carried;
    if (sourceRead && exif.sourceSegment() != nullptr && exif.sourceTiff() != nullptr) {
        ExifEntryCursor cursor;
        while (exif.nextSourceEntry(cursor) != nullptr) {
            if (replaced(cursor.ifd, cursor.tag) ||
                (cursor.ifd == kIfd0 && cursor.tag == kTagGpsIfd))
                continue;
            // The writer keeps the low 16 bits of a count.
            const uint64_t bytes = exifTagBlockBytes(cursor.type, cursor.count & 0xFFFFu);
            if (bytes == 0 || cursor.data == nullptr)
                continue;
            carried.push_back({{cursor.ifd, cursor.tag, cursor.type, cursor.count, cursor.data},
                               written(cursor.ifd) ? bytes : 0});
        }
    }

    // Carried tags first: the list is newest first, and equal tag numbers
    // keep their order in a directory.
    std::vector<bool> keep(carried.size(), true);
    const auto addTags = [&] {
        const auto add = [&exif](const PlannedTag& t) {
            exif.addTag(t.ifd, t.tag, t.value, t.type, t.count);
        };
        for (size_t i = 0; i < carried.size(); ++i) {
            if (keep[i])
                add(carried[i].tag);
        }
        for (const PlannedTag& t : ownTags)
            add(t);
    };
    addTags();

    // Leave out the largest source tags until the payload fits one segment.
    uint64_t payload = exif.payloadSize();
    int dropped = 0;
    uint64_t droppedBytes = 0;
    if (payload > kExifWorkBuffer) {
        std::vector<size_t> order(carried.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return carried[a].blockBytes > carried[b].blockBytes;
        });
        for (size_t i : order) {
            if (payload - droppedBytes <= kExifWorkBuffer || carried[i].blockBytes == 0)
                break;
            keep[i] = false;
            droppedBytes += carried[i].blockBytes;
            ++dropped;
        }
        // The thumbnail encoded for the count stays for the write.
        exif.info.sizes.tags.clear();
        addTags();
        payload = exif.payloadSize();
    }

    if (report != nullptr) {
        report->carried = static_cast<int>(carried.size()) - dropped;
        report->dropped = dropped;
        report->droppedBytes = static_cast<uint32_t>(droppedBytes);
        report->payloadBytes = static_cast<uint32_t>(std::min<uint64_t>(payload, UINT32_MAX));
    }
}

}  // namespace

void AddCameraMetadata(ExifImage& exif, PackedSize targetSize, uint32_t offsetX, uint32_t offsetY,
                       uint32_t imageWidth, uint32_t imageHeight, int /*rotation*/,
                       const SourceHead& source, const CameraClock& clock, CarryOverReport* report)
{
    const bool sourceRead = exif.openSource(source, kSourceKindExifJpeg) != nullptr;
    addCameraTags(exif, sourceRead, targetSize, offsetX, offsetY, imageWidth, imageHeight, clock,
                  report);
}

int WriteCameraMetadata(ExifImage& exif, PackedSize targetSize, uint32_t offsetX, uint32_t offsetY,
                        uint32_t imageWidth, uint32_t imageHeight, int /*rotation*/,
                        const std::filesystem::path& source, const CameraClock& clock,
                        CarryOverReport* report)
{
    const bool sourceRead = exif.openSource(source, kSourceKindExifJpeg) != nullptr;
    addCameraTags(exif, sourceRead, targetSize, offsetX, offsetY, imageWidth, imageHeight, clock,
                  report);
    // The writer empties the tag list, whatever the outcome.
    return exif.writeExifJpeg();
}
