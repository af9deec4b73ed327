// Helpers shared by the exif tests: test pictures, files, JPEG marker
// inspection written independently of the library, and the engine's usual tags.
#pragma once

#include "exif/ExifImage.h"
#include "testsupport/TestFiles.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// RGB picture without symmetry and with distinct red and blue, so that a
// flip or a channel swap cannot go unnoticed.
std::vector<uint8_t> makeTestPicture(uint32_t width, uint32_t height);
// The same picture as a caller might store it: bottom-up and/or BGR.
std::vector<uint8_t> storedForm(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height,
                                bool flipRows, bool swapRedBlue);

struct JpegMarker {
    uint8_t code;
    size_t offset;  // of the 0xFF byte
    size_t length;  // segment length field (0 for SOI)
};
// SOI and every segment up to and including SOS.
std::vector<JpegMarker> markersUpToScan(const std::vector<uint8_t>& jpeg);

struct FrameComponent {
    int id, h, v;
};
// Components of the SOF0 frame header; empty when there is none.
std::vector<FrameComponent> baselineComponents(const std::vector<uint8_t>& jpeg, int* width,
                                               int* height);

// Payload of the first APP1 segment (from "Exif"); empty when there is none.
std::vector<uint8_t> firstApp1Payload(const std::vector<uint8_t>& jpeg);

inline uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// The tags the conversion engine adds for every camera picture.
extern const char kUsualDate[];
void addUsualTags(ExifImage& image, uint32_t width, uint32_t height);

// Sets up a complete write: a picture of width x height, a 160 x 120 thumbnail.
struct PictureBuffers {
    std::vector<uint8_t> pixels, thumb;
};
PictureBuffers prepareWrite(ExifImage& image, const fs::path& output, uint32_t width,
                            uint32_t height);
