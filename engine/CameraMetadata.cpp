#include "engine/CameraMetadata.h"

#include "exif/ExifImage.h"
#include "exif/JpegEncoder.h"
#include "exif/TiffTypes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr uint16_t kTagGpsIfd = 0x8825;

// Source tags that the camera's own tags replace, per directory.
constexpr uint16_t kReplacedIfd0[] = {0x010E, 0x010F, 0x0110, 0x0112, 0x011A, 0x011B,
                                      0x0128, 0x0131, 0x0132, 0x0213, 0x8769};
constexpr uint16_t kReplacedExif[] = {0x9000, 0x9003, 0x9004, 0x9101, 0x927C,
                                      0xA000, 0xA001, 0xA002, 0xA003, 0xA005};
constexpr uint16_t kReplacedIfd1[] = {0x0103, 0x011A, 0x011B, 0x0128, 0x0201, 0x0202};
constexpr uint16_t kReplacedInterop[] = {0x0001, 0x0002};
constexpr uint16_t kReplacedMakerNote[] = {0x0200, 0x0201, 0x0202, 0x0203, 0x0204,
                                           0x0209, 0x020A, 0x020B, 0x020C, 0x020D};

template <size_t N>
bool listed(const uint16_t (&tags)[N], uint16_t tag)
{
    return std::find(tags, tags + N, tag) != tags + N;
}

bool replaced(uint16_t ifd, uint16_t tag)
{
    switch (ifd) {
    case kIfd0: return listed(kReplacedIfd0, tag);
    case kIfdExif: return listed(kReplacedExif, tag);
    case kIfd1: return listed(kReplacedIfd1, tag);
    case kIfdInterop: return listed(kReplacedInterop, tag);
    case kIfdMakerNote: return listed(kReplacedMakerNote, tag);
    default: return false;
    }
}

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
    uint32_t blockBytes;
};

class OwnTags {
public:
    void add(uint16_t ifd, uint16_t tag, uint16_t type, uint32_t count, const void* value,
             size_t length)
    {
        values_.emplace_back(static_cast<const uint8_t*>(value),
                             static_cast<const uint8_t*>(value) + length);
        tags_.push_back({ifd, tag, type, count, nullptr, exifEntryBlockBytes(type, count)});
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
    case kSize1024x768: case kSize1024x384: return 240;
    case kSize1280x960: case kSize1280x480: return 300;
    case kSize1600x1200: case kSize1600x600: return 375;
    case kSize1920x1440: return 450;
    case kSize1984x1488: return 465;
    case kSize2048x1536: return 480;
    default: return 0;
    }
}

uint32_t exifEntryBlockBytes(uint16_t type, uint32_t count)
{
    return static_cast<uint32_t>(exifTagBlockBytes(type, count & 0xFFFFu));
}

int WriteCameraMetadata(ExifImage& exif, PackedSize targetSize, uint32_t offsetX, uint32_t offsetY,
                        uint32_t imageWidth, uint32_t imageHeight, int /*rotation*/,
                        const std::filesystem::path& source, const CameraClock& clock,
                        CarryOverReport* report)
{
    // 1. The source's own tags, as long as the reader is alive (values point into it).
    std::vector<PlannedTag> carried;
    if (exif.openSource(source, kSourceKindExifJpeg) != nullptr && exif.sourceSegment() != nullptr &&
        exif.sourceTiff() != nullptr) {
        ExifEntryCursor cursor;
        while (exif.nextSourceEntry(cursor) != nullptr) {
            if (replaced(cursor.ifd, cursor.tag) || (cursor.ifd == kIfd0 && cursor.tag == kTagGpsIfd))
                continue;
            const uint32_t bytes = exifEntryBlockBytes(cursor.type, cursor.count);
            if (bytes == 0 || cursor.data == nullptr)
                continue;
            carried.push_back({cursor.ifd, cursor.tag, cursor.type, cursor.count, cursor.data,
                               written(cursor.ifd) ? bytes : 0});
        }
    }

    // 2. and 3. The camera's own tags, in the order a camera writes them.
    const std::string date = exifDateText(clock ? clock() : currentLocalTime());
    const uint32_t width = exif.info.sizes.width;
    const uint32_t height = exif.info.sizes.height;
    const uint32_t resolution = cameraResolution(targetSize);
    OwnTags own;
    own.addLong(kIfd0, 0x8769, 0);
    own.addShort(kIfd0, 0x0213, 2);
    own.addBytes(kIfd0, 0x0132, kTiffAscii, 20, date.c_str());
    own.addBytes(kIfd0, 0x0131, kTiffAscii, sizeof kCameraSoftwareName, kCameraSoftwareName);
    own.addShort(kIfd0, 0x0128, 2);
    own.addRational(kIfd0, 0x011B, resolution, 1);
    own.addRational(kIfd0, 0x011A, resolution, 1);
    own.addShort(kIfd0, 0x0112, 1);
    own.addBytes(kIfd0, 0x0110, kTiffAscii, 14, "VidroTransfer");
    own.addBytes(kIfd0, 0x010F, kTiffAscii, 24, "TAMRI ORVEN CORP.      ");
    own.addBytes(kIfd0, 0x010E, kTiffAscii, 23, "ORVEN DSC picture     ");
    own.addLong(kIfdExif, 0xA005, 0);
    own.addLong(kIfdExif, 0xA003, height);
    own.addLong(kIfdExif, 0xA002, width);
    own.addShort(kIfdExif, 0xA001, 1);
    own.addBytes(kIfdExif, 0xA000, kTiffUndefined, 4, "0100");
    own.addBytes(kIfdExif, 0x927C, kTiffUndefined, 4, "    ");
    const uint8_t components[4] = {1, 2, 3, 0};
    own.add(kIfdExif, 0x9101, kTiffUndefined, 4, components, sizeof components);
    own.addBytes(kIfdExif, 0x9004, kTiffAscii, 20, date.c_str());
    own.addBytes(kIfdExif, 0x9003, kTiffAscii, 20, date.c_str());
    own.addBytes(kIfdExif, 0x9000, kTiffUndefined, 4, "0210");
    own.addBytes(kIfdInterop, 0x0002, kTiffUndefined, 4, "0100");
    own.addBytes(kIfdInterop, 0x0001, kTiffAscii, 4, "R98");
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
    own.addLong(kIfd1, 0x0202, 0);
    own.addLong(kIfd1, 0x0201, 0);
    own.addShort(kIfd1, 0x0128, 2);
    own.addRational(kIfd1, 0x011B, 72, 1);
    own.addRational(kIfd1, 0x011A, 72, 1);
    own.addShort(kIfd1, 0x0103, 6);
    const std::vector<PlannedTag>& ownTags = own.planned();

    // Size of the APP1 payload: "Exif\0\0", the TIFF header, the five written
    // directories (the own tags reach all of them, so each has its count,
    // its next link and, for the maker note, its header) and the thumbnail.
    uint64_t fixedBytes = 6 + 8 + 5 * 6 + 8;
    for (const PlannedTag& t : ownTags)
        fixedBytes += t.blockBytes;
    uint64_t carriedBytes = 0;
    for (const PlannedTag& t : carried)
        carriedBytes += t.blockBytes;
    uint64_t thumbnailBytes = 0;
    const ExifImageInfo& info = exif.info;
    if (carriedBytes != 0 && info.thumbPixels != nullptr && info.sizes.thumbWidth > 0 &&
        info.sizes.thumbHeight > 0) {
        // The writer's own encoding gives the same bytes; only needed to
        // decide whether anything must be left out.
        std::vector<uint8_t> thumbnail;
        writeJpegFromPixels(thumbnail, info.thumbPixels,
                            static_cast<uint32_t>(info.sizes.thumbWidth),
                            static_cast<uint32_t>(info.sizes.thumbHeight), 0, nullptr, 0, false,
                            static_cast<int>(std::min<uint32_t>(info.sizes.thumbQuality, 100)),
                            info.thumbFlipRows != 0, info.thumbSwapRedBlue != 0);
        thumbnailBytes = thumbnail.size();
    }

    // Leave out the largest source tags until the payload fits one segment.
    std::vector<bool> keep(carried.size(), true);
    int dropped = 0;
    uint64_t droppedBytes = 0;
    if (fixedBytes + carriedBytes + thumbnailBytes > kExifWorkBuffer) {
        std::vector<size_t> order(carried.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return carried[a].blockBytes > carried[b].blockBytes;
        });
        for (size_t i : order) {
            if (fixedBytes + carriedBytes + thumbnailBytes <= kExifWorkBuffer ||
                carried[i].blockBytes == 0)
                break;
            keep[i] = false;
            carriedBytes -= carried[i].blockBytes;
            droppedBytes += carried[i].blockBytes;
            ++dropped;
        }
    }

    int added = 0;
    for (size_t i = 0; i < carried.size(); ++i) {
        if (keep[i]) {
            const PlannedTag& t = carried[i];
            exif.addTag(t.ifd, t.tag, t.value, t.type, t.count);
            ++added;
        }
    }
    for (const PlannedTag& t : ownTags)
        exif.addTag(t.ifd, t.tag, t.value, t.type, t.count);

    if (report != nullptr) {
        report->carried = added;
        report->dropped = dropped;
        report->droppedBytes = static_cast<uint32_t>(droppedBytes);
        report->directoryBytes =
            static_cast<uint32_t>(std::min<uint64_t>(fixedBytes + carriedBytes, UINT32_MAX));
        report->thumbnailBytes = static_cast<uint32_t>(thumbnailBytes);
    }

    // 4. The writer empties the tag list, whatever the outcome.
    return exif.writeExifJpeg();
}
