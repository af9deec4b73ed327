#include "imaging/Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vximg {

namespace {

// Returns a block of at least `bytes` (and its real size in `bytes`).
uint8_t* allocate(size_t& bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t kHuge = size_t(2) << 20;
    if (bytes >= kHuge / 2) {
        bytes = (bytes + kHuge - 1) & ~(kHuge - 1);
        void* p = nullptr;
        if (posix_memalign(&p, kHuge, bytes) != 0)
            throw std::bad_alloc();
        madvise(p, bytes, MADV_HUGEPAGE);  // advice only: failing is harmless
        return static_cast<uint8_t*>(p);
    }
#endif
    void* p = std::malloc(bytes);
    if (!p)
        throw std::bad_alloc();
    return static_cast<uint8_t*>(p);
}

}  // namespace

void Buffer::Free::operator()(uint8_t* p) const
{
    std::free(p);
}

uint8_t* Buffer::ensure(size_t bytes)
{
    if (bytes > capacity_ || !data_) {
        data_.reset();  // give the old block back before asking for the new one
        capacity_ = 0;
        size_t want = std::max<size_t>(bytes, 16);
        data_.reset(allocate(want));
        capacity_ = want;
    }
    return data_.get();
}

void Buffer::release()
{
    data_.reset();
    capacity_ = 0;
}

void Bitmap::reset(int width, int height, int bitsPerPixel)
{
    const int bytes = bitsPerPixel <= 8 ? 1 : 3;
    const size_t stride = paddedStride(width, bytes);
    // a little slack after the rows: SIMD loops may read one block past the end
    buffer_.ensure(kHeaderRoom + stride * size_t(height) + 16);
    width_ = width;
    height_ = height;
    bpp_ = bitsPerPixel;
    stride_ = stride;
    if (bitsPerPixel > 8)
        palette_.clear();
}

void Bitmap::clear()
{
    width_ = height_ = bpp_ = 0;
    stride_ = 0;
    palette_.clear();
}

void Bitmap::swap(Bitmap& other)
{
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(bpp_, other.bpp_);
    std::swap(stride_, other.stride_);
    std::swap(buffer_, other.buffer_);
    palette_.swap(other.palette_);
}

void Bitmap::copyFrom(const Bitmap& other)
{
    if (this == &other)
        return;
    if (other.empty()) {
        clear();
        return;
    }
    reset(other.width_, other.height_, other.bpp_);
    std::memcpy(bits(), other.bits(), other.bitsSize());
    palette_ = other.palette_;
}

void Bitmap::expandTo24(Bitmap& scratch)
{
    if (!indexed() || empty())
        return;
    scratch.reset(width_, height_, 24);
    Bgr lut[256];
    for (int i = 0; i < 256; ++i) {
        lut[i] = size_t(i) < palette_.size() ? palette_[size_t(i)] : Bgr{0, 0, 0};
    }
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = row(y);
        uint8_t* d = scratch.row(y);
        for (int x = 0; x < width_; ++x) {
            const Bgr c = lut[s[x]];
            d[0] = c.b;
            d[1] = c.g;
            d[2] = c.r;
            d += 3;
        }
    }
    swap(scratch);
}

void Bitmap::fillColor(Bgr color)
{
    if (empty())
        return;
    if (indexed()) {
        // nearest palette entry
        int best = 0;
        long bestDist = -1;
        for (size_t i = 0; i < palette_.size(); ++i) {
            const long db = long(palette_[i].b) - color.b;
            const long dg = long(palette_[i].g) - color.g;
            const long dr = long(palette_[i].r) - color.r;
            const long d = db * db + dg * dg + dr * dr;
            if (bestDist < 0 || d < bestDist) {
                bestDist = d;
                best = int(i);
            }
        }
        fillIndex(uint8_t(best));
        return;
    }
    uint8_t* first = bits();
    for (int x = 0; x < width_; ++x) {
        first[3 * x] = color.b;
        first[3 * x + 1] = color.g;
        first[3 * x + 2] = color.r;
    }
    std::memset(first + 3 * size_t(width_), 0, stride_ - 3 * size_t(width_));
    for (int y = 1; y < height_; ++y)
        std::memcpy(first + size_t(y) * stride_, first, stride_);
}

void Bitmap::fillIndex(uint8_t index)
{
    if (empty())
        return;
    std::memset(bits(), index, bitsSize());
}

std::vector<Bgr> defaultPalette(int bitsPerPixel)
{
    std::vector<Bgr> p;
    if (bitsPerPixel == 1) {
        p = {{0, 0, 0}, {255, 255, 255}};
    } else if (bitsPerPixel == 4) {
        static const uint8_t vga[16][3] = {
            {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
            {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
            {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (const auto& c : vga)
            p.push_back(Bgr{c[2], c[1], c[0]});
    } else if (bitsPerPixel == 8) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p.push_back(Bgr{uint8_t(b * 51), uint8_t(g * 51), uint8_t(r * 51)});
        for (int i = 0; i < 40; ++i) {
            const uint8_t v = uint8_t((i + 1) * 255 / 41);
            p.push_back(Bgr{v, v, v});
        }
    }
    return p;
}

std::vector<Bgr> grayPalette()
{
    std::vector<Bgr> p(256);
    for (int i = 0; i < 256; ++i)
        p[size_t(i)] = Bgr{uint8_t(i), uint8_t(i), uint8_t(i)};
    return p;
}

}  // namespace vximg
