// TIFF 6.0 field types as the writer and the reader of Exif data see them.
#pragma once

#include <cstdint>

enum TiffType : uint16_t {
    kTiffByte = 1,
    kTiffAscii = 2,
    kTiffShort = 3,
    kTiffLong = 4,
    kTiffRational = 5,
    kTiffSByte = 6,
    kTiffUndefined = 7,
    kTiffSShort = 8,
    kTiffSLong = 9,
    kTiffSRational = 10,
    kTiffFloat = 11,
    kTiffDouble = 12,
    // An IFD offset (TIFF Technical Note 1), which some cameras and tools
    // give their directory links. Only the source reader knows it, as LONG;
    // the writer takes 1..12.
    kTiffIfd = 13,
};

// Bytes of one element; 0 for a code outside 1..12.
inline uint32_t tiffElementSize(uint16_t type)
{
    switch (type) {
    case kTiffByte:
    case kTiffAscii:
    case kTiffSByte:
    case kTiffUndefined: return 1;
    case kTiffShort:
    case kTiffSShort: return 2;
    case kTiffLong:
    case kTiffSLong:
    case kTiffFloat: return 4;
    case kTiffRational:
    case kTiffSRational:
    case kTiffDouble: return 8;
    default: return 0;
    }
}

// Whether count elements sit in the entry's 4-byte value field.
inline bool tiffValueInline(uint16_t type, uint32_t count)
{
    switch (type) {
    case kTiffByte:
    case kTiffAscii:
    case kTiffSByte:
    case kTiffUndefined: return count <= 4;
    case kTiffShort:
    case kTiffSShort: return count <= 2;
    case kTiffLong:
    case kTiffSLong:
    case kTiffFloat: return count == 1;
    default: return false;
    }
}
