#include "standin/ExifThumbnail.h"

#include <cstring>

namespace standin {
namespace {

class TiffView {
public:
    TiffView(const std::uint8_t* data, std::size_t size, bool intel)
        : m_data(data), m_size(size), m_intel(intel)
    {}

    bool u16(std::size_t at, std::uint32_t& value) const
    {
        if (at > m_size || m_size - at < 2)
            return false;
        const std::uint8_t* p = m_data + at;
        value = m_intel ? (p[0] | p[1] << 8) : (p[0] << 8 | p[1]);
        return true;
    }
    bool u32(std::size_t at, std::uint32_t& value) const
    {
        if (at > m_size || m_size - at < 4)
            return false;
        const std::uint8_t* p = m_data + at;
        value = m_intel ? (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                           std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24)
                        : (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                           std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]));
        return true;
    }
    std::size_t size() const { return m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    bool m_intel;
};

// Entry count of the directory at `at` when the whole directory (entries and
// next link) lies inside the TIFF data.
bool directoryFits(const TiffView& tiff, std::size_t at, std::uint32_t& count)
{
    if (!tiff.u16(at, count))
        return false;
    const std::size_t bytes = 2 + std::size_t(count) * 12 + 4;
    return at <= tiff.size() && tiff.size() - at >= bytes;
}

// A SHORT or LONG value with count 1, held in the entry itself.
bool entryNumber(const TiffView& tiff, std::size_t entry, std::uint32_t& value)
{
    std::uint32_t type = 0, count = 0;
    if (!tiff.u16(entry + 2, type) || !tiff.u32(entry + 4, count) || count != 1)
        return false;
    if (type == 3)
        return tiff.u16(entry + 8, value);
    if (type == 4)
        return tiff.u32(entry + 8, value);
    return false;
}

ThumbnailSearch searchTiff(const std::uint8_t* tiffData, std::size_t tiffSize,
                           ThumbnailLocation& where, std::size_t tiffStart)
{
    if (tiffSize < 8)
        return ThumbnailSearch::Broken;
    bool intel;
    if (tiffData[0] == 'I' && tiffData[1] == 'I')
        intel = true;
    else if (tiffData[0] == 'M' && tiffData[1] == 'M')
        intel = false;
    else
        return ThumbnailSearch::Broken;
    const TiffView tiff(tiffData, tiffSize, intel);
    std::uint32_t magic = 0, ifd0 = 0, count = 0, ifd1 = 0;
    tiff.u16(2, magic);
    tiff.u32(4, ifd0);
    if (magic != 42 || ifd0 < 8 || !directoryFits(tiff, ifd0, count))
        return ThumbnailSearch::Broken;
    if (!tiff.u32(ifd0 + 2 + std::size_t(count) * 12, ifd1))
        return ThumbnailSearch::Broken;
    if (ifd1 == 0)
        return ThumbnailSearch::NoThumbnail;
    if (ifd1 < 8 || !directoryFits(tiff, ifd1, count))
        return ThumbnailSearch::Broken;

    bool haveOffset = false, haveLength = false;
    std::uint32_t offset = 0, length = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd1 + 2 + std::size_t(i) * 12;
        std::uint32_t tag = 0;
        tiff.u16(entry, tag);
        if (tag == 0x0201)
            haveOffset = entryNumber(tiff, entry, offset);
        else if (tag == 0x0202)
            haveLength = entryNumber(tiff, entry, length);
    }
    if (!haveOffset || !haveLength)
        return ThumbnailSearch::NoThumbnail;
    if (length < 4 || offset > tiffSize || tiffSize - offset < length)
        return ThumbnailSearch::Broken;
    if (tiffData[offset] != 0xFF || tiffData[offset + 1] != 0xD8)
        return ThumbnailSearch::Broken;
    where.offset = tiffStart + offset;
    where.length = length;
    return ThumbnailSearch::Found;
}

}  // namespace

ThumbnailSearch findExifThumbnail(const std::uint8_t* data, std::size_t size,
                                  ThumbnailLocation& where)
{
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return ThumbnailSearch::NotJpeg;
    std::size_t at = 2;
    for (;;) {
        if (at >= size)
            return ThumbnailSearch::NoExif;
        if (data[at] != 0xFF)
            return ThumbnailSearch::Broken;
        while (at < size && data[at] == 0xFF)  // fill bytes
            ++at;
        if (at >= size)
            return ThumbnailSearch::NoExif;
        const std::uint8_t marker = data[at++];
        if (marker == 0xDA || marker == 0xD9)  // Exif comes before the first scan
            return ThumbnailSearch::NoExif;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (size - at < 2)
            return ThumbnailSearch::Broken;
        const std::size_t length = std::size_t(data[at]) << 8 | data[at + 1];
        if (length < 2 || size - at < length)
            return ThumbnailSearch::Broken;
        const std::uint8_t* payload = data + at + 2;
        const std::size_t payloadSize = length - 2;
        if (marker == 0xE1 && payloadSize >= 6 && std::memcmp(payload, "Exif\0\0", 6) == 0)
            return searchTiff(payload + 6, payloadSize - 6, where, at + 2 + 6);
        at += length;
    }
}

}  // namespace standin
