#include "exif/tests/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <stdexcept>

std::vector<uint8_t> makeTestPicture(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            // Red grows to the right, blue downwards, green in blocks: a
            // flip moves blue, a swap exchanges the two ramps.
            p[0] = static_cast<uint8_t>(255u * x / (width > 1 ? width - 1 : 1));
            p[1] = static_cast<uint8_t>(((x / 16 + y / 16) % 2) ? 200 : 40);
            p[2] = static_cast<uint8_t>(255u * y / (height > 1 ? height - 1 : 1) / 2);
        }
    }
    return rgb;
}

std::vector<uint8_t> storedForm(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height,
                                bool flipRows, bool swapRedBlue)
{
    std::vector<uint8_t> out(rgb.size());
    const size_t stride = static_cast<size_t>(width) * 3;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t from = flipRows ? height - 1 - y : y;
        std::memcpy(&out[y * stride], &rgb[from * stride], stride);
        if (swapRedBlue) {
            for (size_t i = 0; i < stride; i += 3)
                std::swap(out[y * stride + i], out[y * stride + i + 2]);
        }
    }
    return out;
}

std::vector<JpegMarker> markersUpToScan(const std::vector<uint8_t>& jpeg)
{
    std::vector<JpegMarker> markers;
    size_t pos = 0;
    while (pos + 2 <= jpeg.size() && jpeg[pos] == 0xFF) {
        const uint8_t code = jpeg[pos + 1];
        if (code == 0xD8) {
            markers.push_back({code, pos, 0});
            pos += 2;
            continue;
        }
        if (pos + 4 > jpeg.size())
            break;
        const size_t length = static_cast<size_t>(jpeg[pos + 2] << 8 | jpeg[pos + 3]);
        markers.push_back({code, pos, length});
        if (code == 0xDA)
            break;
        pos += 2 + length;
    }
    return markers;
}

std::vector<FrameComponent> baselineComponents(const std::vector<uint8_t>& jpeg, int* width,
                                               int* height)
{
    for (const JpegMarker& m : markersUpToScan(jpeg)) {
        if (m.code != 0xC0)
            continue;
        const uint8_t* p = &jpeg[m.offset + 4];
        if (height != nullptr)
            *height = p[1] << 8 | p[2];
        if (width != nullptr)
            *width = p[3] << 8 | p[4];
        std::vector<FrameComponent> components;
        for (int i = 0; i < p[5]; ++i) {
            const uint8_t* c = p + 6 + 3 * i;
            components.push_back({c[0], c[1] >> 4, c[1] & 15});
        }
        return components;
    }
    return {};
}

std::vector<uint8_t> firstApp1Payload(const std::vector<uint8_t>& jpeg)
{
    for (const JpegMarker& m : markersUpToScan(jpeg)) {
        if (m.code == 0xE1 && m.length >= 2 && m.offset + 2 + m.length <= jpeg.size())
            return std::vector<uint8_t>(jpeg.begin() + static_cast<std::ptrdiff_t>(m.offset + 4),
                                        jpeg.begin() +
                                            static_cast<std::ptrdiff_t>(m.offset + 2 + m.length));
    }
    return {};
}

const char kUsualDate[] = "2024:05:17 10:20:30";

void addUsualTags(ExifImage& image, uint32_t width, uint32_t height)
{
    const uint32_t zero = 0;
    const uint16_t two = 2, one = 1, six = 6, zero16 = 0;
    const uint32_t resolution[2] = {375, 1}, dpi72[2] = {72, 1}, tenth[2] = {0, 10};
    const char software[] = "VidroTransfer3 V130-J";
    const char model[] = "VidroTransfer";
    const char make[] = "TAMRI ORVEN CORP.      ";
    const char description[] = "ORVEN DSC picture     ";
    char offsets[512] = {};
    std::snprintf(offsets, sizeof offsets, "OFFSET=%u,%u;IMAGE=%u,%u;", 0u, 0u, width, height);
    char camera[32] = "ORVEN DIGITAL CAMERA";
    const uint32_t panorama[3] = {0, 0, 0};
    const uint8_t components[4] = {1, 2, 3, 0};

    image.addTag(kIfd0, 0x8769, &zero, kTiffLong, 1);
    image.addTag(kIfd0, 0x0213, &two, kTiffShort, 1);
    image.addTag(kIfd0, 0x0132, kUsualDate, kTiffAscii, 20);
    image.addTag(kIfd0, 0x0131, software, kTiffAscii, sizeof software);
    image.addTag(kIfd0, 0x0128, &two, kTiffShort, 1);
    image.addTag(kIfd0, 0x011B, resolution, kTiffRational, 1);
    image.addTag(kIfd0, 0x011A, resolution, kTiffRational, 1);
    image.addTag(kIfd0, 0x0112, &one, kTiffShort, 1);
    image.addTag(kIfd0, 0x0110, model, kTiffAscii, 14);
    image.addTag(kIfd0, 0x010F, make, kTiffAscii, 24);
    image.addTag(kIfd0, 0x010E, description, kTiffAscii, 23);
    image.addTag(kIfdExif, 0xA005, &zero, kTiffLong, 1);
    image.addTag(kIfdExif, 0xA003, &height, kTiffLong, 1);
    image.addTag(kIfdExif, 0xA002, &width, kTiffLong, 1);
    image.addTag(kIfdExif, 0xA001, &one, kTiffShort, 1);
    image.addTag(kIfdExif, 0xA000, "0100", kTiffUndefined, 4);
    image.addTag(kIfdExif, 0x927C, "    ", kTiffUndefined, 4);
    image.addTag(kIfdExif, 0x9101, components, kTiffUndefined, 4);
    image.addTag(kIfdExif, 0x9004, kUsualDate, kTiffAscii, 20);
    image.addTag(kIfdExif, 0x9003, kUsualDate, kTiffAscii, 20);
    image.addTag(kIfdExif, 0x9000, "0210", kTiffUndefined, 4);
    image.addTag(kIfdInterop, 0x0002, "0100", kTiffUndefined, 4);
    image.addTag(kIfdInterop, 0x0001, "R98", kTiffAscii, 4);
    image.addTag(kIfdMakerNote, 0x020D, "FUPLOAD", kTiffAscii, 8);
    image.addTag(kIfdMakerNote, 0x020B, &height, kTiffLong, 1);
    image.addTag(kIfdMakerNote, 0x020C, &width, kTiffLong, 1);
    image.addTag(kIfdMakerNote, 0x020A, offsets, kTiffUndefined, 512);
    image.addTag(kIfdMakerNote, 0x0209, camera, kTiffUndefined, 32);
    image.addTag(kIfdMakerNote, 0x0204, tenth, kTiffRational, 1);
    image.addTag(kIfdMakerNote, 0x0203, &zero16, kTiffShort, 1);
    image.addTag(kIfdMakerNote, 0x0202, &zero16, kTiffShort, 1);
    image.addTag(kIfdMakerNote, 0x0201, &two, kTiffShort, 1);
    image.addTag(kIfdMakerNote, 0x0200, panorama, kTiffLong, 3);
    image.addTag(kIfd1, 0x0202, &zero, kTiffLong, 1);
    image.addTag(kIfd1, 0x0201, &zero, kTiffLong, 1);
    image.addTag(kIfd1, 0x0128, &two, kTiffShort, 1);
    image.addTag(kIfd1, 0x011B, dpi72, kTiffRational, 1);
    image.addTag(kIfd1, 0x011A, dpi72, kTiffRational, 1);
    image.addTag(kIfd1, 0x0103, &six, kTiffShort, 1);
}

PictureBuffers prepareWrite(ExifImage& image, const fs::path& output, uint32_t width,
                            uint32_t height)
{
    PictureBuffers buffers{makeTestPicture(width, height), makeTestPicture(160, 120)};
    image.info.pixels = buffers.pixels.data();
    image.info.thumbPixels = buffers.thumb.data();
    image.info.outputPath = output;
    image.info.sizes.width = width;
    image.info.sizes.height = height;
    image.info.sizes.quality = 75;
    image.info.sizes.thumbWidth = 160;
    image.info.sizes.thumbHeight = 120;
    image.info.sizes.thumbQuality = 75;
    return buffers;
}
