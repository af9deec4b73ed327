// Saving BMP files at every depth; headers checked field by field, pixels
// read back.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/BmpFormat.h"
#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"
#include "imaging/tests/TestSupport.h"

using namespace vxtest;
using vximg::PictureCore;

namespace {

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint32_t le16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

class MemorySink final : public vximg::ByteSink {
public:
    bool write(const void* d, size_t n) override
    {
        const auto* p = static_cast<const uint8_t*>(d);
        bytes.insert(bytes.end(), p, p + n);
        return true;
    }
    std::vector<uint8_t> bytes;
};

void loadImage(PictureCore& p, const Image& img)
{
    BmpLayout s;
    s.width = img.width;
    s.height = img.height;
    const auto f = buildBmp(s, encodeRgbRows(img, 24, nullptr, false));
    ASSERT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
}

Image reread(const std::vector<uint8_t>& f)
{
    PictureCore p;
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
    const vximg::Bitmap* b = nullptr;
    EXPECT_EQ(p.decoded(&b), vximg::kOk);
    return b ? fromBitmap(*b) : Image();
}

}  // namespace

class SaveDepth : public ::testing::TestWithParam<int> {};

TEST_P(SaveDepth, HeaderFieldsAndPixels)
{
    const int bits = GetParam();
    PictureCore p;
    const Indexed few = makeIndexedPicture(29, 11, bits == 1 ? 2 : 16);
    const Image src = bits <= 4 ? few.toImage() : makeTestPicture(29, 11);
    loadImage(p, src);
    MemorySink sink;
    ASSERT_EQ(p.writeBmpTo(sink, bits), vximg::kOk);
    const auto& f = sink.bytes;
    const size_t entries = bits <= 8 ? le32(&f[46]) : 0;
    const size_t stride = ((29 * size_t(bits) + 31) / 32) * 4;
    ASSERT_GE(f.size(), 54u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(le32(&f[2]), f.size());
    EXPECT_EQ(le32(&f[10]), 54 + 4 * entries);
    EXPECT_EQ(le32(&f[14]), 40u);
    EXPECT_EQ(le32(&f[18]), 29u);
    EXPECT_EQ(le32(&f[22]), 11u);
    EXPECT_EQ(le16(&f[26]), 1u);
    EXPECT_EQ(le16(&f[28]), uint32_t(bits));
    EXPECT_EQ(le32(&f[30]), 0u);
    EXPECT_EQ(le32(&f[34]), stride * 11);
    EXPECT_EQ(f.size(), 54 + 4 * entries + stride * 11);
    if (bits <= 8) {
        EXPECT_GE(entries, 1u);
        EXPECT_LE(entries, size_t(1) << bits);
    }
    const Image back = reread(f);
    if (bits == 16) {
        EXPECT_LE(maxDifference(back, src), 8);
    } else if (bits == 8) {
        EXPECT_GT(psnr(back, src), 30.0);  // quantised photo-like picture
    } else {
        EXPECT_EQ(maxDifference(back, src), 0);
    }
    // the picture itself is not changed by saving
    const vximg::Bitmap* b = nullptr;
    ASSERT_EQ(p.decoded(&b), vximg::kOk);
    EXPECT_EQ(b->bitsPerPixel(), 24);
}

INSTANTIATE_TEST_SUITE_P(Depths, SaveDepth, ::testing::Values(1, 4, 8, 16, 24, 32));

TEST(SaveBmp, OwnDepthForPalettePictures)
{
    PictureCore p;
    ASSERT_EQ(p.createBlank(9, 3, 8), vximg::kOk);
    ASSERT_EQ(p.setPaletteEntry(0, 0x0000FF), vximg::kOk);
    MemorySink sink;
    ASSERT_EQ(p.writeBmpTo(sink, 0), vximg::kOk);
    EXPECT_EQ(le16(&sink.bytes[28]), 8u);
    EXPECT_EQ(le32(&sink.bytes[46]), 256u);  // the capture keeps the whole palette
    EXPECT_EQ(reread(sink.bytes).at(8, 2)[0], 255);
}

TEST(SaveBmp, ToFileAndErrors)
{
    PictureCore p;
    EXPECT_EQ(p.saveBmp((tempDir() + "/none.bmp").c_str(), 24), vximg::kErrNoPicture);
    loadImage(p, makeTestPicture(17, 5));
    const std::string path = tempDir() + "/saved.bmp";
    ASSERT_EQ(p.saveBmp(path.c_str(), 24), vximg::kOk);
    EXPECT_EQ(maxDifference(reread(readFileBytes(path)), makeTestPicture(17, 5)), 0);
    EXPECT_EQ(p.saveBmp(path.c_str(), 12), vximg::kErrBadArgument);
    EXPECT_EQ(p.saveBmp((tempDir() + "/no/such/folder/x.bmp").c_str(), 24), vximg::kErrFileOpen);
}

TEST(SaveBmp, PhotoQuantisedToEightBitsKeepsItsColours)
{
    PictureCore p;
    loadImage(p, makeTestPicture(200, 150));
    ASSERT_EQ(p.setColorResolution(8), vximg::kOk);
    EXPECT_EQ(p.bitsPerPixel(), 8);
    EXPECT_LE(p.paletteSize(), 256);
    const vximg::Bitmap* b = nullptr;
    ASSERT_EQ(p.decoded(&b), vximg::kOk);
    EXPECT_GT(psnr(fromBitmap(*b), makeTestPicture(200, 150)), 30.0);
}
