// Helpers of the imaging tests: pictures without symmetry, BMP files built
// field by field (independently of the component's writer), PPM files for
// the checker tools, PSNR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "testsupport/TestFiles.h"

namespace vxtest {

// Top-down RGB picture.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgb(size_t(w) * size_t(h) * 3, 0) {}
    uint8_t* at(int x, int y) { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
    const uint8_t* at(int x, int y) const
    {
        return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    }
};

// Palette picture: one index per pixel, palette entries 0x00RRGGBB.
struct Indexed {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> index;
    std::vector<uint32_t> palette;
    Image toImage() const;
};

// Gradients plus a red block at the top left and a blue block at the bottom
// right: a flip, a mirror or a red/blue swap changes it.
Image makeTestPicture(int width, int height);
// The same layout with `colors` palette entries (2, 16 or 256).
Indexed makeIndexedPicture(int width, int height, int colors);

Image fromBitmap(const vximg::Bitmap& b);
// Parses a DIB (BITMAPINFOHEADER, palette, bottom-up rows) independently.
bool imageFromDib(const uint8_t* dib, size_t size, Image& out);

double psnr(const Image& a, const Image& b);
int maxDifference(const Image& a, const Image& b);

// BMP assembled field by field.
struct BmpLayout {
    int headerSize = 40;  // 12 core, 40 info, 108 V4, 124 V5
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 24;
    uint32_t compression = 0;
    std::vector<uint32_t> palette;     // 0x00RRGGBB
    uint32_t masks[4] = {0, 0, 0, 0};  // r, g, b, a (bit fields)
    uint32_t colorsUsed = 0;
    int32_t dataOffset = -1;  // -1: right after the palette
};
std::vector<uint8_t> buildBmp(const BmpLayout& layout, const std::vector<uint8_t>& pixelData);
// Uncompressed rows, bottom-up unless topDown.
std::vector<uint8_t> encodeIndexedRows(const Indexed& pic, int bits, bool topDown);
std::vector<uint8_t> encodeRgbRows(const Image& pic, int bits, const uint32_t masks[3],
                                   bool topDown);

void writePpm(const std::string& path, const Image& img);
bool readPpm(const std::string& path, Image& img);
std::vector<uint8_t> encodePpm(const Image& img);

// This test program's folder of files, removed at its end.
std::string tempDir();

// Full path of a checker tool on PATH, or "" (tests then fail).
std::string findTool(const std::string& name);
// Runs a shell command; true on exit status 0.
bool run(const std::string& command);

// A JPEG of img through libjpeg (quality, progressive, grayscale).
std::vector<uint8_t> encodeJpeg(const Image& img, int quality, bool progressive, bool gray);

}  // namespace vxtest
