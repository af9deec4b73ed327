// Pixel storage of the imaging component. Rows are kept exactly as a
// device-independent bitmap holds them (bottom-up, 4-byte padded, B G R), so
// a DIB copy or a 24-bit BMP is one header plus one block copy, and room is
// left in front of the rows for a DIB header and palette, so the picture can
// also be handed out as a DIB without any copy. Palette
// pictures (1, 4, 8 bits) keep one byte per pixel internally and remember
// their depth; they are packed only when written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vximg {

// Grows only, never initialises: fresh pages are touched by the code that
// fills them, and a buffer kept across pictures stops costing page faults.
// On Linux, large blocks are asked for in huge pages: a fresh 4 KB page
// costs about as much as decoding it.
class Buffer {
public:
    uint8_t* ensure(size_t bytes);  // contents are undefined afterwards
    uint8_t* data() { return data_.get(); }
    const uint8_t* data() const { return data_.get(); }
    size_t capacity() const { return capacity_; }
    void release();

private:
    struct Free {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, Free> data_;
    size_t capacity_ = 0;
};

// One pixel or palette entry as the rows store it.
struct Bgr {
    uint8_t b, g, r;
};
inline bool operator==(Bgr a, Bgr b)
{
    return a.b == b.b && a.g == b.g && a.r == b.r;
}
inline bool operator!=(Bgr a, Bgr b)
{
    return !(a == b);
}

inline Bgr bgrFromColorref(uint32_t c)
{
    return Bgr{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
}
inline uint32_t colorrefFromBgr(Bgr p)
{
    return uint32_t(p.r) | (uint32_t(p.g) << 8) | (uint32_t(p.b) << 16);
}

class Bitmap {
public:
    // Reshapes without clearing; throws std::bad_alloc when memory runs out.
    void reset(int width, int height, int bitsPerPixel);
    void clear();  // no picture; the memory is kept for the next one

    bool empty() const { return width_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bpp_; }
    bool indexed() const { return bpp_ <= 8; }
    int bytesPerPixel() const { return bpp_ <= 8 ? 1 : 3; }
    size_t stride() const { return stride_; }

    // Bytes free in front of bits(): a DIB header and a 256-entry palette.
    static constexpr size_t kHeaderRoom = 1088;

    // Row y counted from the top.
    uint8_t* row(int y) { return bits() + size_t(height_ - 1 - y) * stride_; }
    const uint8_t* row(int y) const { return bits() + size_t(height_ - 1 - y) * stride_; }
    // Stored rows, bottom row first (the DIB order).
    uint8_t* bits() { return buffer_.data() + kHeaderRoom; }
    const uint8_t* bits() const { return buffer_.data() + kHeaderRoom; }
    size_t bitsSize() const { return stride_ * size_t(height_); }

    std::vector<Bgr>& palette() { return palette_; }
    const std::vector<Bgr>& palette() const { return palette_; }

    // A palette picture keeps its pixels and says it has another depth.
    void setIndexedDepth(int bitsPerPixel) { bpp_ = bitsPerPixel; }

    void swap(Bitmap& other);
    void copyFrom(const Bitmap& other);

    // Expands a palette picture to 24 bits in place (uses scratch).
    void expandTo24(Bitmap& scratch);
    void fillColor(Bgr color);
    void fillIndex(uint8_t index);

private:
    int width_ = 0;
    int height_ = 0;
    int bpp_ = 0;
    size_t stride_ = 0;
    Buffer buffer_;
    std::vector<Bgr> palette_;
};

// Bytes of one stored 24-bit or 8-bit-index row, padded to 4.
inline size_t paddedStride(int width, int bytesPerPixel)
{
    return (size_t(width) * size_t(bytesPerPixel) + 3) & ~size_t(3);
}

// Default palettes for blank palette pictures: black and white; the 16 VGA
// colours; a 6x6x6 colour cube followed by greys.
std::vector<Bgr> defaultPalette(int bitsPerPixel);
std::vector<Bgr> grayPalette();

}  // namespace vximg
