// Decodes a small JPEG (an Exif thumbnail) from memory into 8-bit RGB rows.
// Platform-free; libjpeg's fatal errors become a false result.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace standin {

struct RgbPicture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> rgb;  // width * 3 bytes per row, top row first
};

// Thumbnails larger than this on either side are refused.
constexpr unsigned kMaxThumbnailSide = 2048;

bool decodeThumbnail(const std::uint8_t* data, std::size_t size, RgbPicture& picture);

}  // namespace standin
