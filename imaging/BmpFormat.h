// Windows BMP files and device-independent bitmaps.
//
// Reading: file header "BM", then a core (12 bytes, OS/2 1.x), OS/2 2.x
// (16..64), info (40), V2/V3 (52/56), V4 (108) or V5 (124) header; 1, 4 and
// 8 bits with a palette, RLE8 and RLE4, 16 and 32 bits with or without bit
// fields, 24 bits; bottom-up or top-down. Not read: embedded JPEG/PNG,
// OS/2 Huffman and RLE24, 2-bit pictures. Every size is checked against the
// file before anything is allocated.
//
// Writing: BITMAPFILEHEADER + BITMAPINFOHEADER, little-endian field by field;
// 1, 4, 8 (palette), 16 (5-5-5), 24 and 32 bits; rows bottom-up, padded to 4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/Decoder.h"

namespace vximg {

enum BmpCompression : uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiJpeg = 4,
    kBiPng = 5,
    kBiAlphaBitfields = 6,
};

struct BmpInfo {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    uint32_t compression = kBiRgb;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue for 16 and 32 bits
    std::vector<Bgr> palette;
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0;  // bytes from dataOffset to the end of the file
    uint64_t stride = 0;     // bytes of one stored row (uncompressed)
};

// Bytes at the start of a file that parseBmpHeader may look at.
constexpr size_t kBmpHeadBytes = 14 + 124 + 16 + 256 * 4;

// head: the first n bytes of a file of fileSize bytes.
int parseBmpHeader(const uint8_t* head, size_t n, uint64_t fileSize, const LoadLimits& limits,
                   BmpInfo& info);

// RLE8 (bitsPerPixel 8) or RLE4 (4) data into one index byte per pixel,
// width x height, stored rows in file order. Pixels not reached stay 0.
int decodeBmpRle(const uint8_t* data, size_t n, int bitsPerPixel, int width, int height,
                 uint8_t* out);

// A DIB (BITMAPINFOHEADER, palette, rows) of width x height at bitsPerPixel.
size_t dibBytes(int width, int height, int bitsPerPixel, size_t paletteEntries);
size_t packedStride(int width, int bitsPerPixel);
// Writes BITMAPINFOHEADER and the palette; returns the bytes written.
size_t writeDibHeader(uint8_t* dst, int width, int height, int bitsPerPixel,
                      const std::vector<Bgr>& palette);
// One stored row of bmp as a file row at outBits (bmp indexed for 1, 4, 8).
void packRow(const Bitmap& bmp, const uint8_t* row, int outBits, uint8_t* dst);

class ByteSink {
public:
    virtual bool write(const void* data, size_t n) = 0;

protected:
    ~ByteSink() = default;
};

// Writes bmp as a BMP file at outBits. For 1, 4 and 8 the picture must be a
// palette picture whose indices fit (the caller quantises before).
int writeBmp(const Bitmap& bmp, int outBits, ByteSink& sink, ProgressSink* progress);

inline void putLe16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void putLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline uint32_t getLe16(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}
inline uint32_t getLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace vximg
