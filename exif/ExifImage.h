// The camera picture writer: a tag list serialised into an Exif APP1 segment
// (Intel order; IFD0, Exif IFD, Interoperability IFD, "ORVEN" maker note,
// IFD1 with a JPEG thumbnail) in front of a baseline 4:2:2 JPEG, plus access
// to the Exif data of the source picture.
//
// Limits: the whole Exif structure must fit one APP1 segment (65533 bytes);
// a larger one is refused. GPS tags (directory 4) are kept but never written.
// The thumbnail is encoded in memory, once per picture, so the output path
// only ever holds the final picture.
#pragma once

#include "exif/ExifSource.h"
#include "exif/TiffTypes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <forward_list>
#include <memory>
#include <vector>

// Directory numbers shared with the metadata builder.
enum ExifIfd : uint16_t {
    kIfd0 = 1,
    kIfdExif = 2,
    kIfd1 = 3,
    kIfdGps = 4,
    kIfdInterop = 5,
    kIfdMakerNote = 6,
};

// Size of the work buffer: the largest payload of one APP1 segment.
constexpr size_t kExifWorkBuffer = 65533;

// One tag held for writing.
struct ExifTag {
    uint16_t ifd = 0;
    uint16_t tag = 0;
    // The tag's own zero-initialised copy of its value, host order; at least
    // 4 bytes so the writer can always store a link value in it.
    std::vector<uint8_t> value;
    uint16_t type = 0;
    uint32_t count = 0;
};

// Newest first; duplicates allowed, all of them written.
using ExifTagList = std::forward_list<ExifTag>;

struct ExifImageSizes {
    ExifTagList tags;
    uint32_t width = 0;  // primary picture, pixels
    uint32_t height = 0;
    uint32_t quality = 0;  // 0..100
    int32_t thumbWidth = 0;
    int32_t thumbHeight = 0;
    uint32_t thumbQuality = 0;
};

struct ExifImageInfo {
    // height rows of exactly width * 3 bytes, owned by the caller.
    const uint8_t* pixels = nullptr;
    std::filesystem::path outputPath;
    uint16_t flipRows = 0;     // rows stored bottom-up
    uint16_t swapRedBlue = 0;  // pixels stored blue, green, red
    const uint8_t* thumbPixels = nullptr;
    uint16_t thumbFlipRows = 0;
    uint16_t thumbSwapRedBlue = 0;
    ExifImageSizes sizes;
};

class ExifImage {
public:
    ExifImage();
    ~ExifImage();
    ExifImage(const ExifImage&) = delete;
    ExifImage& operator=(const ExifImage&) = delete;

    // Filled by the caller before each write.
    ExifImageInfo info;

    // Copies count elements of type (1..12) from value into a new tag at the
    // head of the list; only the low 16 bits of count are kept. A null value
    // gives zeros. Dropped silently for other types or when memory runs out.
    void addTag(uint16_t ifd, uint16_t tag, const void* value, uint16_t type, uint32_t count);

    // On the most recently added tag with that ifd and tag number: copy
    // length bytes over the start of its value (never past its copy), and
    // for the second also replace its count. False when there is no such tag.
    bool setTagValue(uint16_t ifd, uint16_t tag, const void* bytes, size_t length);
    bool setTagValueAndCount(uint16_t ifd, uint16_t tag, const void* bytes, size_t length,
                             uint32_t count);

    int countTags(uint16_t ifd) const;
    // Bytes the directory's block takes in the file; 0 without tags.
    uint32_t ifdSize(uint16_t ifd) const;

    // Bytes of the APP1 payload writeExifJpeg would build from the tag list
    // and the thumbnail fields as they are now, over 65533 included: the
    // writer's own layout run without writing. The thumbnail is encoded here
    // and kept for the write, so its pixels must not change before it.
    uint64_t payloadSize();

    // Builds the Exif payload from the tag list, encodes thumbnail and
    // picture and writes info.outputPath. Nonzero on success, 0 on failure
    // (structure over 65533 bytes, encoder or file failure; nothing is
    // written when encoding fails). The tag list is emptied afterwards,
    // except when the work buffer cannot be had.
    int writeExifJpeg();
    // The same with the picture already encoded: a JPEG without marker
    // segments (writeJpegFromPixels into memory, no marker, no JFIF), which
    // the Exif segment is put into right after its start of image.
    int writeExifJpeg(const std::vector<uint8_t>& primary);

    // Empties the tag list and forgets the thumbnail encoded for it.
    void clearTags();

    // Reads the Exif segment of the source picture; kind must be
    // kSourceKindExifJpeg. Replaces (or, on failure, discards) the reader of
    // any earlier source. Null when there is no usable Exif data.
    const ExifSourceReader* openSource(const std::filesystem::path& path, int kind);
    // The same for a file whose head is already read.
    const ExifSourceReader* openSource(const SourceHead& head, int kind);
    // The same for a file already in memory.
    const ExifSourceReader* openSourceBytes(const uint8_t* bytes, size_t size, int kind);

    // Of the current reader; null without one.
    const uint8_t* sourceSegment() const;
    const uint8_t* sourceTiff() const;
    // Advances cursor to the next source entry (see nextExifEntry); null at
    // the end or without a reader.
    const uint8_t* nextSourceEntry(ExifEntryCursor& cursor) const;

private:
    // The thumbnail JPEG of the thumbnail fields, encoded at the first call
    // for this picture; empty when there is none or it cannot be encoded.
    const std::vector<uint8_t>& thumbnailJpeg();
    // Lays the payload out into the work buffer, or only counts its bytes
    // when there is none: its length, or 0 when it cannot be written.
    uint64_t layOutPayload(uint8_t* payload);

    std::unique_ptr<ExifSourceReader> source_;
    std::vector<uint8_t> thumbnail_;
    bool thumbnailEncoded_ = false;
    std::vector<uint8_t> primary_;  // kept: the next picture reuses its room
};

// Bytes one tag takes in its directory block when written: 12 for the entry
// and the data area bytes reserved for its value. An ASCII value of 4 bytes
// and a SHORT value of 2 elements sit inline yet reserve 4 bytes that stay
// zero. 0 for a type the writer does not know (addTag drops such a tag).
uint64_t exifTagBlockBytes(uint16_t type, uint32_t count);
