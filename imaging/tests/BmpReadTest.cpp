// Reading BMP files of every variant, each built field by field here.
#include <gtest/gtest.h>

#include "imaging/BmpFormat.h"
#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"
#include "imaging/tests/TestSupport.h"

using namespace vxtest;
using vximg::PictureCore;

namespace {

struct Decoded {
    int rc = -1;
    int bits = 0;
    int width = 0;
    int height = 0;
    Image image;
};

Decoded decode(const std::vector<uint8_t>& file)
{
    Decoded d;
    PictureCore p;
    d.rc = p.loadMemory(file.data(), file.size());
    if (d.rc != vximg::kOk)
        return d;
    d.bits = p.bitsPerPixel();
    d.width = p.width();
    d.height = p.height();
    const vximg::Bitmap* b = nullptr;
    d.rc = p.decoded(&b);
    if (d.rc == vximg::kOk)
        d.image = fromBitmap(*b);
    return d;
}

}  // namespace

class PaletteBmp : public ::testing::TestWithParam<std::tuple<int, bool, int>> {};

TEST_P(PaletteBmp, DecodesIndicesThroughThePalette)
{
    const auto [bits, topDown, width] = GetParam();
    const Indexed pic = makeIndexedPicture(width, 13, 1 << bits);
    BmpLayout s;
    s.width = width;
    s.height = 13;
    s.topDown = topDown;
    s.bits = bits;
    s.palette = pic.palette;
    const Decoded d = decode(buildBmp(s, encodeIndexedRows(pic, bits, topDown)));
    ASSERT_EQ(d.rc, vximg::kOk);
    EXPECT_EQ(d.bits, bits);
    EXPECT_EQ(maxDifference(d.image, pic.toImage()), 0);
}

INSTANTIATE_TEST_SUITE_P(AllDepthsAndPaddings, PaletteBmp,
                         ::testing::Combine(::testing::Values(1, 4, 8), ::testing::Bool(),
                                            ::testing::Values(1, 7, 9, 17, 33)));

TEST(BmpRead, ShortPaletteFromColorsUsed)
{
    Indexed pic = makeIndexedPicture(21, 11, 20);
    BmpLayout s;
    s.width = 21;
    s.height = 11;
    s.bits = 8;
    s.palette = pic.palette;
    s.colorsUsed = 20;
    PictureCore p;
    const auto file = buildBmp(s, encodeIndexedRows(pic, 8, false));
    ASSERT_EQ(p.loadMemory(file.data(), file.size()), vximg::kOk);
    EXPECT_EQ(p.paletteSize(), 20);
    EXPECT_EQ(p.paletteEntry(1), 0x0000FFu);  // pure red as 0x00BBGGRR
    EXPECT_EQ(p.paletteEntry(2), 0xFF0000u);
    EXPECT_EQ(maxDifference(decode(file).image, pic.toImage()), 0);
}

TEST(BmpRead, DataOffsetAfterAGap)
{
    const Indexed pic = makeIndexedPicture(10, 6, 16);
    BmpLayout s;
    s.width = 10;
    s.height = 6;
    s.bits = 4;
    s.palette = pic.palette;
    s.dataOffset = 14 + 40 + 16 * 4 + 30;
    const Decoded d = decode(buildBmp(s, encodeIndexedRows(pic, 4, false)));
    ASSERT_EQ(d.rc, vximg::kOk);
    EXPECT_EQ(maxDifference(d.image, pic.toImage()), 0);
}

TEST(BmpRead, TrueColourBottomUpAndTopDown)
{
    for (int width : {1, 2, 3, 4, 5, 37}) {
        for (bool topDown : {false, true}) {
            const Image pic = makeTestPicture(width, 9);
            BmpLayout s;
            s.width = width;
            s.height = 9;
            s.topDown = topDown;
            const Decoded d = decode(buildBmp(s, encodeRgbRows(pic, 24, nullptr, topDown)));
            ASSERT_EQ(d.rc, vximg::kOk) << width;
            EXPECT_EQ(d.bits, 24);
            EXPECT_EQ(maxDifference(d.image, pic), 0)
                << "width " << width << " topDown " << topDown;
        }
    }
}

TEST(BmpRead, CoreHeaderWithThreeBytePalette)
{
    for (int bits : {1, 4, 8}) {
        const Indexed pic = makeIndexedPicture(19, 7, 1 << bits);
        BmpLayout s;
        s.headerSize = 12;
        s.width = 19;
        s.height = 7;
        s.bits = bits;
        s.palette = pic.palette;
        const Decoded d = decode(buildBmp(s, encodeIndexedRows(pic, bits, false)));
        ASSERT_EQ(d.rc, vximg::kOk) << bits;
        EXPECT_EQ(maxDifference(d.image, pic.toImage()), 0) << bits;
    }
    const Image rgb = makeTestPicture(11, 5);
    BmpLayout s;
    s.headerSize = 12;
    s.width = 11;
    s.height = 5;
    const Decoded d = decode(buildBmp(s, encodeRgbRows(rgb, 24, nullptr, false)));
    ASSERT_EQ(d.rc, vximg::kOk);
    EXPECT_EQ(maxDifference(d.image, rgb), 0);
}

struct MaskCase {
    int bits;
    uint32_t compression;
    int headerSize;
    uint32_t r, g, b;
    int tolerance;
};

class BitFieldBmp : public ::testing::TestWithParam<MaskCase> {};

TEST_P(BitFieldBmp, DecodesChannelsByMask)
{
    const MaskCase c = GetParam();
    const Image pic = makeTestPicture(23, 10);
    BmpLayout s;
    s.width = 23;
    s.height = 10;
    s.bits = c.bits;
    s.compression = c.compression;
    s.headerSize = c.headerSize;
    s.masks[0] = c.r;
    s.masks[1] = c.g;
    s.masks[2] = c.b;
    const uint32_t m[3] = {c.r, c.g, c.b};
    const Decoded d = decode(buildBmp(s, encodeRgbRows(pic, c.bits, m, false)));
    ASSERT_EQ(d.rc, vximg::kOk);
    EXPECT_EQ(d.bits, 24);
    EXPECT_LE(maxDifference(d.image, pic), c.tolerance);
    // red block top left stays red: catches a channel swap at any tolerance
    EXPECT_GT(d.image.at(0, 0)[0], 200);
    EXPECT_LT(d.image.at(0, 0)[2], 30);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, BitFieldBmp,
    ::testing::Values(MaskCase{16, 0, 40, 0x7C00, 0x03E0, 0x001F, 4},   // default 5-5-5
                      MaskCase{16, 3, 40, 0xF800, 0x07E0, 0x001F, 4},   // 5-6-5
                      MaskCase{16, 3, 108, 0x001F, 0x07E0, 0xF800, 4},  // 5-6-5, blue high, V4
                      MaskCase{16, 6, 40, 0x0F00, 0x00F0, 0x000F, 9},   // 4-4-4 with alpha fields
                      MaskCase{32, 0, 40, 0xFF0000, 0x00FF00, 0x0000FF, 0},  // default
                      MaskCase{32, 3, 40, 0x000000FF, 0x0000FF00, 0x00FF0000,
                               0},  // R in the low byte
                      MaskCase{32, 3, 124, 0x3FF00000, 0x000FFC00, 0x000003FF, 0},  // 10-10-10, V5
                      MaskCase{32, 6, 56, 0xFF000000, 0x00FF0000, 0x0000FF00, 0}));

namespace {

// RLE stream of pic, bottom-up, mixing encoded runs and absolute runs.
std::vector<uint8_t> encodeRle(const Indexed& pic, int bits)
{
    std::vector<uint8_t> out;
    for (int y = pic.height - 1; y >= 0; --y) {
        const uint8_t* r = &pic.index[size_t(y) * size_t(pic.width)];
        int x = 0;
        while (x < pic.width) {
            int run = 1;
            if (bits == 8) {
                while (x + run < pic.width && run < 255 && r[x + run] == r[x])
                    ++run;
            } else {
                while (x + run < pic.width && run < 255 && r[x + run] == r[x + (run & 1)])
                    ++run;
            }
            if (run >= 3 || pic.width - x < 3) {
                out.push_back(uint8_t(run));
                out.push_back(bits == 8 ? r[x] : uint8_t((r[x] << 4) | (run > 1 ? r[x + 1] : 0)));
                x += run;
            } else {
                int n =
                    std::min(pic.width - x, 9);  // absolute run (odd lengths exercise the padding)
                out.push_back(0);
                out.push_back(uint8_t(n));
                if (bits == 8) {
                    for (int k = 0; k < n; ++k)
                        out.push_back(r[x + k]);
                    if (n & 1)
                        out.push_back(0);
                } else {
                    const int bytes = (n + 1) / 2;
                    for (int k = 0; k < bytes; ++k)
                        out.push_back(
                            uint8_t((r[x + 2 * k] << 4) | (2 * k + 1 < n ? r[x + 2 * k + 1] : 0)));
                    if (bytes & 1)
                        out.push_back(0);
                }
                x += n;
            }
        }
        out.push_back(0);
        out.push_back(0);  // end of line
    }
    out.push_back(0);
    out.push_back(1);  // end of bitmap
    return out;
}

}  // namespace

TEST(BmpRle, Rle8AndRle4RoundTrip)
{
    for (int bits : {8, 4}) {
        const Indexed pic = makeIndexedPicture(41, 17, 1 << bits);
        BmpLayout s;
        s.width = 41;
        s.height = 17;
        s.bits = bits;
        s.compression = bits == 8 ? 1 : 2;
        s.palette = pic.palette;
        const Decoded d = decode(buildBmp(s, encodeRle(pic, bits)));
        ASSERT_EQ(d.rc, vximg::kOk) << bits;
        EXPECT_EQ(d.bits, bits);
        EXPECT_EQ(maxDifference(d.image, pic.toImage()), 0) << bits;
    }
}

TEST(BmpRle, DeltaSkipsPixelsAndEndOfBitmapStops)
{
    // 6 x 4, bottom row first: run of 3 x index 1, delta (+2, +1), run of 2 x index 2, end.
    const std::vector<uint8_t> data = {3, 1, 0, 2, 2, 1, 2, 2, 0, 1};
    std::vector<uint8_t> out(24, 9);
    ASSERT_EQ(vximg::decodeBmpRle(data.data(), data.size(), 8, 6, 4, out.data()), vximg::kOk);
    const std::vector<uint8_t> expect = {
        1, 1, 1, 0, 0, 0,  // stored row 0 (bottom)
        0, 0, 0, 0, 0, 2,  // row 1: x starts at 5, second pixel clipped
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(out, expect);
}

TEST(BmpRle, RunsPastTheRowEndAreClipped)
{
    const std::vector<uint8_t> data = {255, 7, 0, 0, 255, 7, 0, 1};
    std::vector<uint8_t> out(4 * 3);
    ASSERT_EQ(vximg::decodeBmpRle(data.data(), data.size(), 8, 4, 3, out.data()), vximg::kOk);
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 7, 7, 7, 7, 7, 7, 7, 0, 0, 0, 0}));
}

TEST(BmpRle, StreamEndingEarlyIsTruncated)
{
    const std::vector<uint8_t> data = {3, 1, 0, 0, 3};
    std::vector<uint8_t> out(3 * 3);
    EXPECT_EQ(vximg::decodeBmpRle(data.data(), data.size(), 8, 3, 3, out.data()),
              vximg::kErrTruncated);
    const std::vector<uint8_t> absolute = {0, 5, 1, 2};
    EXPECT_EQ(vximg::decodeBmpRle(absolute.data(), absolute.size(), 8, 8, 1, out.data()),
              vximg::kErrTruncated);
}

TEST(BmpRead, MissingPaddingOfTheLastRowIsAccepted)
{
    const Image pic = makeTestPicture(5, 4);  // rows of 15 bytes padded to 16
    BmpLayout s;
    s.width = 5;
    s.height = 4;
    auto rows = encodeRgbRows(pic, 24, nullptr, false);
    rows.pop_back();
    const Decoded d = decode(buildBmp(s, rows));
    ASSERT_EQ(d.rc, vximg::kOk);
    EXPECT_EQ(maxDifference(d.image, pic), 0);
}
