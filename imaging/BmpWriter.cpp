#include <cstring>
#include <vector>

#include "imaging/BmpFormat.h"
#include "imaging/ImagingApi.h"

namespace vximg {

size_t packedStride(int width, int bitsPerPixel)
{
    return ((size_t(width) * size_t(bitsPerPixel) + 31) / 32) * 4;
}

size_t dibBytes(int width, int height, int bitsPerPixel, size_t paletteEntries)
{
    return 40 + 4 * paletteEntries + packedStride(width, bitsPerPixel) * size_t(height);
}

size_t writeDibHeader(uint8_t* d, int width, int height, int bitsPerPixel,
                      const std::vector<Bgr>& palette)
{
    const size_t entries = bitsPerPixel <= 8 ? palette.size() : 0;
    putLe32(d + 0, 40);                // biSize
    putLe32(d + 4, uint32_t(width));   // biWidth
    putLe32(d + 8, uint32_t(height));  // biHeight: positive, rows bottom-up
    putLe16(d + 12, 1);                // biPlanes
    putLe16(d + 14, uint32_t(bitsPerPixel));
    putLe32(d + 16, 0);  // biCompression: BI_RGB
    putLe32(d + 20, uint32_t(packedStride(width, bitsPerPixel) * size_t(height)));
    putLe32(d + 24, 2835);  // 72 dpi
    putLe32(d + 28, 2835);
    putLe32(d + 32, uint32_t(entries));  // biClrUsed
    putLe32(d + 36, 0);                  // biClrImportant
    uint8_t* p = d + 40;
    for (size_t i = 0; i < entries; ++i, p += 4) {
        p[0] = palette[i].b;
        p[1] = palette[i].g;
        p[2] = palette[i].r;
        p[3] = 0;
    }
    return size_t(p - d);
}

void packRow(const Bitmap& bmp, const uint8_t* s, int outBits, uint8_t* d)
{
    const int w = bmp.width();
    std::memset(d, 0, packedStride(w, outBits));
    if (outBits <= 8) {  // palette picture whose indices fit
        switch (outBits) {
        case 1:
            for (int x = 0; x < w; ++x)
                d[x >> 3] = uint8_t(d[x >> 3] | ((s[x] & 1) << (7 - (x & 7))));
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                d[x >> 1] = uint8_t(d[x >> 1] | ((s[x] & 15) << ((x & 1) ? 0 : 4)));
            break;
        default: std::memcpy(d, s, size_t(w));
        }
        return;
    }
    // true colour out of a palette or a 24-bit row
    Bgr lut[256];
    const uint8_t* px = s;
    uint8_t tmp[3];
    if (bmp.indexed()) {
        for (int i = 0; i < 256; ++i)
            lut[i] = size_t(i) < bmp.palette().size() ? bmp.palette()[size_t(i)] : Bgr{0, 0, 0};
    }
    for (int x = 0; x < w; ++x) {
        if (bmp.indexed()) {
            const Bgr c = lut[s[x]];
            tmp[0] = c.b;
            tmp[1] = c.g;
            tmp[2] = c.r;
            px = tmp;
        } else {
            px = s + 3 * size_t(x);
        }
        switch (outBits) {
        case 16:
            putLe16(d + 2 * size_t(x),
                    uint32_t((px[2] >> 3) << 10 | (px[1] >> 3) << 5 | (px[0] >> 3)));
            break;
        case 24: std::memcpy(d + 3 * size_t(x), px, 3); break;
        default:  // 32: B G R and an unused byte
            std::memcpy(d + 4 * size_t(x), px, 3);
            break;
        }
    }
}

int writeBmp(const Bitmap& bmp, int outBits, ByteSink& sink, ProgressSink* progress)
{
    if (bmp.empty())
        return kErrNoPicture;
    if (outBits != 1 && outBits != 4 && outBits != 8 && outBits != 16 && outBits != 24 &&
        outBits != 32)
        return kErrBadArgument;
    if (outBits <= 8 && (!bmp.indexed() || bmp.palette().size() > (size_t(1) << outBits)))
        return kErrBadArgument;
    const std::vector<Bgr>& palette = bmp.palette();
    const size_t entries = outBits <= 8 ? palette.size() : 0;
    const uint64_t total = 14 + uint64_t(dibBytes(bmp.width(), bmp.height(), outBits, entries));
    if (total > 0xFFFFFFFFu)
        return kErrTooLarge;
    std::vector<uint8_t> head(14 + 40 + 4 * entries);
    head[0] = 'B';
    head[1] = 'M';
    putLe32(&head[2], uint32_t(total));         // bfSize
    putLe32(&head[6], 0);                       // bfReserved1, 2
    putLe32(&head[10], uint32_t(head.size()));  // bfOffBits
    writeDibHeader(&head[14], bmp.width(), bmp.height(), outBits, palette);
    if (!sink.write(head.data(), head.size()))
        return kErrFileWrite;
    const size_t stride = packedStride(bmp.width(), outBits);
    const bool direct = (outBits == 24 && !bmp.indexed()) || (outBits == 8 && bmp.indexed());
    std::vector<uint8_t> row(direct ? 0 : stride);
    for (int i = 0; i < bmp.height(); ++i) {
        const uint8_t* stored = bmp.bits() + size_t(i) * bmp.stride();  // bottom row first
        const uint8_t* out = stored;
        if (!direct) {
            packRow(bmp, stored, outBits, row.data());
            out = row.data();
        }
        if (!sink.write(out, stride))
            return kErrFileWrite;
        if (progress && (i & 63) == 63)
            progress->progress(double(i + 1) / bmp.height());
    }
    return kOk;
}

}  // namespace vximg
