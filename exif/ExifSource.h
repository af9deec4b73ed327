// Looking into source JPEG files without decoding them: the coding kind
// (baseline or progressive) and the Exif APP1 segment with its directories.
//
// The reader copies the segment once and never reads outside that copy,
// whatever sizes, offsets, counts or links the file holds. Motorola ("MM")
// data are put into host order in place, each byte at most once, so entries
// and their values can be read as host numbers. Directory numbers: 1 IFD0,
// 2 Exif IFD, 3 IFD1, 4 GPS IFD, 5 Interoperability IFD, 6 maker-note IFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

// Results of jpegCodingKind.
enum JpegCodingKind : int {
    kJpegUnknown = 0,      // cannot open, other frame type, anything unexpected
    kJpegBaseline = 2,     // first frame marker SOF0
    kJpegProgressive = 3,  // first frame marker SOF2
};

// The only source kind openSource accepts (an Exif JPEG).
constexpr int kSourceKindExifJpeg = 7;

// The first bytes of a source file, read once for every look into it; the
// scans below read on in the file itself when they need more.
struct SourceHead {
    std::filesystem::path path;
    std::vector<uint8_t> bytes;
    bool opened = false;  // the file could be opened
    bool whole = false;   // bytes hold all of it
};
// Up to size bytes from the start of the file.
SourceHead readSourceHead(const std::filesystem::path& path, size_t size);

int jpegCodingKind(const std::filesystem::path& path);
int jpegCodingKind(const SourceHead& head);
// The same scan over bytes already in memory.
int jpegCodingKindOfBytes(const uint8_t* bytes, size_t size);

struct ExifSourceReader {
    // FF E1, the segment length in host order, "Exif" + 2 identifier bytes,
    // then the TIFF data; (segment length + 2) bytes in all.
    std::vector<uint8_t> segment;
    const uint8_t* tiff = nullptr;  // segment + 10
    const uint8_t* ifd0 = nullptr;  // each at its 16-bit entry count, or null
    const uint8_t* ifd1 = nullptr;
    const uint8_t* exifIfd = nullptr;
    const uint8_t* gpsIfd = nullptr;
    const uint8_t* interopIfd = nullptr;
    const uint8_t* makerNoteIfd = nullptr;
    const uint8_t* makerNote = nullptr;  // at its "ORVEN"/"OLYMP"/"Nikon"/"SANYO" header
    // From IFD1's 0x201/0x202; kept only when the whole span lies in the TIFF data.
    const uint8_t* thumbnail = nullptr;
    uint32_t thumbnailLength = 0;
    bool motorola = false;
    uint32_t tiffLength = 0;  // bytes from tiff to the end of the segment

    ExifSourceReader() = default;
    ExifSourceReader(const ExifSourceReader&) = delete;  // pointers into segment
    ExifSourceReader& operator=(const ExifSourceReader&) = delete;

    // Pointer of directory 1..6, null for others or absent ones.
    const uint8_t* directory(uint16_t ifd) const;
};

// Bytes of one element as the reader takes them: the TIFF 6.0 sizes, and 4
// for kTiffIfd (a 32-bit offset, read as LONG); 0 for unknown types, whose
// entries are invalid.
uint32_t sourceElementSize(uint16_t type);

// Walking position shared with the caller: start with tag 0 and ifd 0.
struct ExifEntryCursor {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t rawValue = 0;          // the 4-byte value field as a host number
    const uint8_t* data = nullptr;  // count elements of type, inside the segment
    uint16_t ifd = 0;
};

// Reads the first Exif APP1 segment of a JPEG held in bytes (the same scan as
// for files). Null when there is none or its directories hold no valid entry.
std::unique_ptr<ExifSourceReader> readExifSource(const uint8_t* bytes, size_t size);
std::unique_ptr<ExifSourceReader> readExifSource(const std::filesystem::path& path);
std::unique_ptr<ExifSourceReader> readExifSource(const SourceHead& head);

// Advances cursor to the next valid entry; returns the entry's 12 bytes
// inside the segment, or null at the end (the cursor is then left as it was).
// Directories in the order 1, 2, 3, 4, 5, 6, entries in stored order; an
// invalid entry leaves its directory, a tag not above the one before ends the
// walk, and a directory whose first tag is 0 (the usual GPS IFD) is left at
// once, since a cursor tag of 0 means "not yet entered".
const uint8_t* nextExifEntry(const ExifSourceReader& reader, ExifEntryCursor& cursor);
