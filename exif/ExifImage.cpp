#include "exif/ExifImage.h"

#include "base/File.h"
#include "exif/ExifTags.h"
#include "exif/JpegEncoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr int kApp1 = 0xE1;
constexpr size_t kPayloadHeader = 6;  // "Exif\0\0" before the TIFF header
constexpr uint8_t kMakerNoteHeader[8] = {'O', 'R', 'V', 'E', 'N', 0, 1, 0};

void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Host-order elements to Intel order; rationals as two 32-bit words each.
void putElements(uint8_t* to, const uint8_t* from, uint16_t type, uint32_t count)
{
    const uint32_t size = tiffElementSize(type);
    const uint32_t unit = (type == kTiffRational || type == kTiffSRational) ? 4 : size;
    const uint64_t units = static_cast<uint64_t>(size) * count / unit;
    for (uint64_t i = 0; i < units; ++i, to += unit, from += unit) {
        if (unit == 1) {
            *to = *from;
        } else if (unit == 2) {
            uint16_t v;
            std::memcpy(&v, from, 2);
            put16(to, v);
        } else if (unit == 4) {
            uint32_t v;
            std::memcpy(&v, from, 4);
            put32(to, v);
        } else {
            uint64_t v;
            std::memcpy(&v, from, 8);
            put32(to, static_cast<uint32_t>(v));
            put32(to + 4, static_cast<uint32_t>(v >> 32));
        }
    }
}

uint32_t hostWord(const std::vector<uint8_t>& value)
{
    uint32_t v;
    std::memcpy(&v, value.data(), 4);  // every value holds at least 4 bytes
    return v;
}

// Writes one directory block at TIFF offset `at` into the payload buffer.
// False when a value does not fit the bytes reserved for it, which happens
// only when a count was changed after the sizes were taken.
bool writeDirectory(uint8_t* payload, uint64_t at, uint64_t blockBytes, const ExifTagList& tags,
                    uint16_t ifd, uint32_t nextLink)
{
    std::vector<const ExifTag*> entries;
    for (const ExifTag& tag : tags) {
        if (tag.ifd == ifd)
            entries.push_back(&tag);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ExifTag* a, const ExifTag* b) { return a->tag < b->tag; });

    uint8_t* const tiff = payload + kPayloadHeader;
    const uint64_t n = entries.size();
    uint64_t dataAt = at + 2 + 12 * n + 4;
    const uint64_t dataEnd = at + blockBytes;
    if (dataAt > dataEnd)
        return false;
    put16(tiff + at, static_cast<uint16_t>(n));
    uint8_t* entry = tiff + at + 2;
    for (const ExifTag* tag : entries) {
        put16(entry, tag->tag);
        put16(entry + 2, tag->type);
        put32(entry + 4, tag->count);
        const uint64_t bytes = static_cast<uint64_t>(tiffElementSize(tag->type)) * tag->count;
        if (ifd == kIfdExif && tag->tag == kTagMakerNote && tag->type == kTiffUndefined) {
            // Offset and length of the maker note, never a copy of it.
            put32(entry + 8, hostWord(tag->value));
        } else if (bytes > tag->value.size()) {
            return false;
        } else if (tiffValueInline(tag->type, tag->count)) {
            putElements(entry + 8, tag->value.data(), tag->type, tag->count);
        } else {
            if (dataAt + bytes > dataEnd)
                return false;
            put32(entry + 8, static_cast<uint32_t>(dataAt));
            putElements(tiff + dataAt, tag->value.data(), tag->type, tag->count);
            dataAt += bytes;
        }
        entry += 12;
    }
    put32(entry, nextLink);
    return true;
}

}  // namespace

ExifImage::ExifImage() = default;
ExifImage::~ExifImage() = default;

void ExifImage::addTag(uint16_t ifd, uint16_t tag, const void* value, uint16_t type, uint32_t count)
{
    const uint32_t size = tiffElementSize(type);
    if (size == 0)
        return;
    const uint32_t kept = count & 0xFFFF;
    const size_t bytes = static_cast<size_t>(size) * kept;
    try {
        ExifTag added;
        added.ifd = ifd;
        added.tag = tag;
        added.type = type;
        added.count = kept;
        added.value.assign(std::max<size_t>(bytes, 4), 0);
        if (value != nullptr && bytes != 0)
            std::memcpy(added.value.data(), value, bytes);
        info.sizes.tags.push_front(std::move(added));
    } catch (const std::bad_alloc&) {
        // Dropped without a report, as the caller expects.
    }
}

bool ExifImage::setTagValue(uint16_t ifd, uint16_t tag, const void* bytes, size_t length)
{
    for (ExifTag& held : info.sizes.tags) {
        if (held.ifd == ifd && held.tag == tag) {
            if (bytes != nullptr)
                std::memcpy(held.value.data(), bytes, std::min(length, held.value.size()));
            return true;
        }
    }
    return false;
}

bool ExifImage::setTagValueAndCount(uint16_t ifd, uint16_t tag, const void* bytes, size_t length,
                                    uint32_t count)
{
    for (ExifTag& held : info.sizes.tags) {
        if (held.ifd == ifd && held.tag == tag) {
            if (bytes != nullptr)
                std::memcpy(held.value.data(), bytes, std::min(length, held.value.size()));
            held.count = count;
            return true;
        }
    }
    return false;
}

int ExifImage::countTags(uint16_t ifd) const
{
    int n = 0;
    for (const ExifTag& held : info.sizes.tags)
        n += held.ifd == ifd ? 1 : 0;
    return n;
}

uint64_t exifTagBlockBytes(uint16_t type, uint32_t count)
{
    const uint64_t n = count;
    switch (type) {
    case kTiffByte:
    case kTiffSByte:
    case kTiffUndefined: return n <= 4 ? 12 : n + 12;
    case kTiffAscii: return n <= 3 ? 12 : n + 12;
    case kTiffShort:
    case kTiffSShort: return n == 1 ? 12 : 2 * n + 12;
    case kTiffLong:
    case kTiffSLong:
    case kTiffFloat: return n == 1 ? 12 : 4 * n + 12;
    case kTiffRational:
    case kTiffSRational:
    case kTiffDouble: return 8 * n + 12;
    default: return 0;
    }
}

uint32_t ExifImage::ifdSize(uint16_t ifd) const
{
    uint64_t total = 0;
    bool any = false;
    for (const ExifTag& held : info.sizes.tags) {
        if (held.ifd == ifd) {
            any = true;
            total += exifTagBlockBytes(held.type, held.count);
        }
    }
    if (!any)
        return 0;
    total += 6;  // entry count and next-IFD link
    if (ifd == kIfdMakerNote)
        total += sizeof kMakerNoteHeader;
    return static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
}

const std::vector<uint8_t>& ExifImage::thumbnailJpeg()
{
    if (!thumbnailEncoded_) {
        thumbnailEncoded_ = true;
        thumbnail_.clear();
        const ExifImageSizes& sizes = info.sizes;
        if (info.thumbPixels != nullptr && sizes.thumbWidth > 0 && sizes.thumbHeight > 0) {
            // Empty when it cannot be encoded.
            writeJpegFromPixels(thumbnail_, info.thumbPixels,
                                static_cast<uint32_t>(sizes.thumbWidth),
                                static_cast<uint32_t>(sizes.thumbHeight), 0, nullptr, 0, false,
                                static_cast<int>(std::min<uint32_t>(sizes.thumbQuality, 100)),
                                info.thumbFlipRows != 0, info.thumbSwapRedBlue != 0);
        }
    }
    return thumbnail_;
}

uint64_t ExifImage::payloadSize()
{
    return layOutPayload(nullptr);
}

uint64_t ExifImage::layOutPayload(uint8_t* payload)
{
    // Block sizes as the caller added the tags, before the links are filled in.
    const uint64_t s1 = ifdSize(kIfd0), s2 = ifdSize(kIfdExif), s3 = ifdSize(kIfd1),
                   s5 = ifdSize(kIfdInterop), s6 = ifdSize(kIfdMakerNote);
    const uint64_t exifAt = 8 + s1;
    const uint64_t interopAt = exifAt + s2;
    const uint64_t makerNoteAt = interopAt + s5;
    const uint64_t ifd1At = makerNoteAt + s6;
    const uint64_t thumbnailAt = ifd1At + s3;
    // Without IFD1 tags a thumbnail could not be found by any reader.
    static const std::vector<uint8_t> kNoThumbnail;
    const std::vector<uint8_t>& thumbnail = s3 != 0 ? thumbnailJpeg() : kNoThumbnail;
    const bool withIfd1 = !thumbnail.empty();
    const uint64_t length = kPayloadHeader + (withIfd1 ? thumbnailAt + thumbnail.size() : ifd1At);
    if (payload == nullptr)
        return length;
    if (length > kExifWorkBuffer)
        return 0;

    auto link = [this](uint16_t ifd, uint16_t tag, uint64_t value) {
        const uint32_t v = static_cast<uint32_t>(value);
        setTagValue(ifd, tag, &v, sizeof v);
    };
    link(kIfd0, kTagExifIfd, exifAt);
    link(kIfdExif, kTagInteropIfd, interopAt);
    const uint32_t makerNoteValue = static_cast<uint32_t>(makerNoteAt);
    setTagValueAndCount(kIfdExif, kTagMakerNote, &makerNoteValue, sizeof makerNoteValue,
                        static_cast<uint32_t>(s6));
    if (withIfd1) {
        link(kIfd1, kTagThumbnailOffset, thumbnailAt);
        link(kIfd1, kTagThumbnailLength, thumbnail.size());
    }

    const ExifTagList& tags = info.sizes.tags;
    std::memcpy(payload, "Exif\0\0II", 8);
    put16(payload + 8, 42);
    put32(payload + 10, 8);
    uint8_t* const tiff = payload + kPayloadHeader;
    bool ok = (s1 == 0 || writeDirectory(payload, 8, s1, tags, kIfd0,
                                         withIfd1 ? static_cast<uint32_t>(ifd1At) : 0)) &&
              (s2 == 0 || writeDirectory(payload, exifAt, s2, tags, kIfdExif, 0)) &&
              (s5 == 0 || writeDirectory(payload, interopAt, s5, tags, kIfdInterop, 0));
    if (ok && s6 != 0) {
        std::memcpy(tiff + makerNoteAt, kMakerNoteHeader, sizeof kMakerNoteHeader);
        ok = writeDirectory(payload, makerNoteAt + sizeof kMakerNoteHeader,
                            s6 - sizeof kMakerNoteHeader, tags, kIfdMakerNote, 0);
    }
    if (ok && withIfd1) {
        ok = writeDirectory(payload, ifd1At, s3, tags, kIfd1, 0);
        std::memcpy(tiff + thumbnailAt, thumbnail.data(), thumbnail.size());
    }
    return ok ? length : 0;
}

int ExifImage::writeExifJpeg()
{
    const ExifImageSizes& sizes = info.sizes;
    if (!writeJpegFromPixels(primary_, info.pixels, sizes.width, sizes.height, 0, nullptr, 0, false,
                             static_cast<int>(std::min<uint32_t>(sizes.quality, 100)),
                             info.flipRows != 0, info.swapRedBlue != 0)) {
        clearTags();
        return 0;
    }
    return writeExifJpeg(primary_);
}

int ExifImage::writeExifJpeg(const std::vector<uint8_t>& primary)
{
    // SOI and the APP1 header go in front of the payload: one write for all of it.
    constexpr size_t kHead = 6;
    std::unique_ptr<uint8_t[]> head(new (std::nothrow) uint8_t[kHead + kExifWorkBuffer]());
    if (!head)
        return 0;  // the tags stay for another try

    int result = 0;
    const uint64_t length = layOutPayload(head.get() + kHead);
    if (length != 0 && primary.size() > 2 && primary[0] == 0xFF && primary[1] == 0xD8) {
        const uint8_t top[kHead] = {0xFF,
                                    0xD8,
                                    0xFF,
                                    kApp1,
                                    static_cast<uint8_t>((length + 2) >> 8),
                                    static_cast<uint8_t>(length + 2)};
        std::memcpy(head.get(), top, kHead);
        UniqueFile file = openFile(info.outputPath, "wb");
        if (file) {
            // Both blocks are large: straight to the file, no copy through a buffer.
            std::setvbuf(file.get(), nullptr, _IONBF, 0);
            const size_t headBytes = kHead + static_cast<size_t>(length);
            const bool written = std::fwrite(head.get(), 1, headBytes, file.get()) == headBytes &&
                                 std::fwrite(primary.data() + 2, 1, primary.size() - 2,
                                             file.get()) == primary.size() - 2;
            result = closeFile(file) && written ? 1 : 0;
        }
    }
    // Every file starts with an empty tag list, whatever became of this one.
    clearTags();
    return result;
}

void ExifImage::clearTags()
{
    info.sizes.tags.clear();
    thumbnailEncoded_ = false;
    thumbnail_.clear();
}

const ExifSourceReader* ExifImage::openSource(const std::filesystem::path& path, int kind)
{
    source_.reset();
    if (kind != kSourceKindExifJpeg)
        return nullptr;
    source_ = readExifSource(path);
    return source_.get();
}

const ExifSourceReader* ExifImage::openSource(const SourceHead& head, int kind)
{
    source_.reset();
    if (kind != kSourceKindExifJpeg)
        return nullptr;
    source_ = readExifSource(head);
    return source_.get();
}

const ExifSourceReader* ExifImage::openSourceBytes(const uint8_t* bytes, size_t size, int kind)
{
    source_.reset();
    if (kind != kSourceKindExifJpeg)
        return nullptr;
    source_ = readExifSource(bytes, size);
    return source_.get();
}

const uint8_t* ExifImage::sourceSegment() const
{
    return source_ ? source_->segment.data() : nullptr;
}

const uint8_t* ExifImage::sourceTiff() const
{
    return source_ ? source_->tiff : nullptr;
}

const uint8_t* ExifImage::nextSourceEntry(ExifEntryCursor& cursor) const
{
    return source_ ? nextExifEntry(*source_, cursor) : nullptr;
}
