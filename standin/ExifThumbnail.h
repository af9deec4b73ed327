// Finds the JPEG thumbnail a camera picture carries in its Exif APP1 segment
// (IFD1, tags JPEGInterchangeFormat 0x0201 and JPEGInterchangeFormatLength
// 0x0202). Platform-free; reads only inside the given buffer.
#pragma once
#include <cstddef>
#include <cstdint>

namespace standin {

enum class ThumbnailSearch {
    Found,        // location is set
    NotJpeg,      // no SOI at the start
    NoExif,       // a JPEG without an Exif APP1 before its first scan
    NoThumbnail,  // Exif without IFD1 or without both thumbnail tags
    Broken,       // truncated segment, bad TIFF header, links or thumbnail outside the data
};

struct ThumbnailLocation {
    std::size_t offset = 0;  // from the start of the buffer
    std::size_t length = 0;
};

ThumbnailSearch findExifThumbnail(const std::uint8_t* data, std::size_t size,
                                  ThumbnailLocation& where);

}  // namespace standin
