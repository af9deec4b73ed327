// The component's operations as the converter, the preview and the capture
// use them: blank, fill, paint, colour resolution, palette, DIB copy,
// copying between pictures, progress events.
#include <gtest/gtest.h>

#include <cstring>

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

void loadImage(PictureCore& p, const Image& img)
{
    BmpLayout s;
    s.width = img.width;
    s.height = img.height;
    const auto f = buildBmp(s, encodeRgbRows(img, 24, nullptr, false));
    ASSERT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
}

Image pixelsOf(PictureCore& p)
{
    const vximg::Bitmap* b = nullptr;
    EXPECT_EQ(p.decoded(&b), vximg::kOk);
    return b ? fromBitmap(*b) : Image();
}

std::vector<uint8_t> dibOf(PictureCore& p)
{
    std::vector<uint8_t> d(p.dibSize());
    EXPECT_EQ(p.copyDib(d.data(), d.size()), vximg::kOk);
    return d;
}

}  // namespace

TEST(Dib, HeaderFieldsAndBottomUpBgrRows)
{
    PictureCore p;
    const Image img = makeTestPicture(37, 23);  // 111 bytes a row, padded to 112
    loadImage(p, img);
    const auto d = dibOf(p);
    ASSERT_EQ(d.size(), 40u + 112u * 23u);
    EXPECT_EQ(le32(&d[0]), 40u);        // header size first
    EXPECT_EQ(le32(&d[4]), 37u);        // width
    EXPECT_EQ(le32(&d[8]), 23u);        // height, positive: bottom-up
    EXPECT_EQ(d[12] | d[13] << 8, 1);   // planes
    EXPECT_EQ(d[14] | d[15] << 8, 24);  // bits
    EXPECT_EQ(le32(&d[16]), 0u);        // BI_RGB
    EXPECT_EQ(le32(&d[20]), 112u * 23u);
    EXPECT_EQ(le32(&d[32]), 0u);  // no palette
    // the top-left pixel (red block) is in the last row, stored B, G, R
    const uint8_t* top = &d[40 + 112 * 22];
    EXPECT_EQ(top[0], 10);
    EXPECT_EQ(top[1], 10);
    EXPECT_EQ(top[2], 250);
    EXPECT_EQ(top[111], 0);  // padding is zero
    Image back;
    ASSERT_TRUE(imageFromDib(d.data(), d.size(), back));
    EXPECT_EQ(maxDifference(back, img), 0);
}

TEST(Dib, ViewEqualsCopy)
{
    for (int bits : {1, 4, 8, 24}) {
        PictureCore p;
        ASSERT_EQ(p.createBlank(13, 5, bits), vximg::kOk);
        if (bits == 24)
            loadImage(p, makeTestPicture(13, 5));
        const auto copy = dibOf(p);
        const void* view = nullptr;
        size_t size = 0;
        ASSERT_EQ(p.dibView(&view, &size), vximg::kOk);
        ASSERT_EQ(size, copy.size()) << bits;
        EXPECT_EQ(std::memcmp(view, copy.data(), size), 0) << bits;
    }
}

TEST(Dib, PalettePictureCarriesItsPalette)
{
    PictureCore p;
    ASSERT_EQ(p.createBlank(10, 4, 4), vximg::kOk);
    const auto d = dibOf(p);
    EXPECT_EQ(d[14], 4);
    EXPECT_EQ(le32(&d[32]), 16u);
    EXPECT_EQ(d.size(), 40u + 16u * 4u + 8u * 4u);
    EXPECT_EQ(p.copyDib(nullptr, 0), vximg::kErrBadArgument);
    std::vector<uint8_t> small(d.size() - 1);
    EXPECT_EQ(p.copyDib(small.data(), small.size()), vximg::kErrBadArgument);
}

TEST(Blank, SizeDepthAndRounding)
{
    PictureCore p;
    ASSERT_EQ(p.createBlank(640.4f, 479.6f, 24), vximg::kOk);
    EXPECT_EQ(p.width(), 640);
    EXPECT_EQ(p.height(), 480);
    EXPECT_EQ(p.bitsPerPixel(), 24);
    ASSERT_EQ(p.createBlank(1, 1, 1), vximg::kOk);  // the preview's first picture
    EXPECT_EQ(p.bitsPerPixel(), 1);
    EXPECT_EQ(p.paletteSize(), 2);
    EXPECT_EQ(p.createBlank(0, 5, 24), vximg::kErrBadArgument);
    EXPECT_EQ(p.createBlank(-3, 5, 24), vximg::kErrBadArgument);
    EXPECT_EQ(p.createBlank(10, 10, 7), vximg::kErrBadArgument);
    EXPECT_EQ(p.createBlank(65535, 65535, 24), vximg::kErrTooLarge);
}

TEST(Fill, ColourIsRedInTheLowByte)
{
    PictureCore p;
    ASSERT_EQ(p.createBlank(5, 3, 24), vximg::kOk);
    ASSERT_EQ(p.fill(0x0000FF), vximg::kOk);
    Image img = pixelsOf(p);
    EXPECT_EQ(img.at(4, 2)[0], 255);
    EXPECT_EQ(img.at(4, 2)[2], 0);
    ASSERT_EQ(p.fill(0x123456), vximg::kOk);
    img = pixelsOf(p);
    EXPECT_EQ(img.at(0, 0)[0], 0x56);
    EXPECT_EQ(img.at(0, 0)[1], 0x34);
    EXPECT_EQ(img.at(0, 0)[2], 0x12);
}

TEST(Paint, FrameWithBandsLikeTheConverter)
{
    // 1600 x 1200 into 1024 x 384: the picture becomes 512 x 384 at x 256
    PictureCore work, canvas;
    loadImage(work, makeTestPicture(1600, 1200));
    ASSERT_EQ(work.resize(512, 384, vximg::kResizeResample), vximg::kOk);
    ASSERT_EQ(canvas.createBlank(1024, 384, 24), vximg::kOk);
    ASSERT_EQ(canvas.fill(0x00FF00), vximg::kOk);
    ASSERT_EQ(canvas.paint(256, 0, 512, 384, &work, 0, 0), vximg::kOk);
    ASSERT_EQ(work.copyFrom(&canvas), vximg::kOk);
    EXPECT_EQ(work.width(), 1024);
    const Image frame = pixelsOf(work);
    const Image scaled = [&] {
        PictureCore q;
        loadImage(q, makeTestPicture(1600, 1200));
        EXPECT_EQ(q.resize(512, 384, vximg::kResizeResample), vximg::kOk);
        return pixelsOf(q);
    }();
    for (int y = 0; y < 384; ++y) {
        for (int x : {0, 255, 768, 1023}) {
            ASSERT_EQ(frame.at(x, y)[0], 0);
            ASSERT_EQ(frame.at(x, y)[1], 255);
            ASSERT_EQ(frame.at(x, y)[2], 0);
        }
        ASSERT_EQ(std::memcmp(frame.at(256, y), scaled.at(0, y), 512 * 3), 0);
    }
}

TEST(Paint, ClipsAtEveryEdge)
{
    PictureCore dst, src;
    ASSERT_EQ(dst.createBlank(10, 10, 24), vximg::kOk);
    ASSERT_EQ(src.createBlank(4, 4, 24), vximg::kOk);
    ASSERT_EQ(src.fill(0xFFFFFF), vximg::kOk);
    EXPECT_EQ(dst.paint(-2, 8, 4, 4, &src, 0, 0), vximg::kOk);
    EXPECT_EQ(dst.paint(100, 100, 4, 4, &src, 0, 0), vximg::kOk);
    EXPECT_EQ(dst.paint(5, 0, 9, 9, &src, 2, -1), vximg::kOk);
    const Image img = pixelsOf(dst);
    int white = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            white += img.at(x, y)[0] == 255;
    // (0..1, 8..9) from the first paint: 4 pixels; second: none;
    // third: source x 2..3, y 0..3 at dest x 5..6, y 1..4: 8 pixels
    EXPECT_EQ(white, 12);
    EXPECT_EQ(img.at(0, 8)[0], 255);
    EXPECT_EQ(img.at(6, 4)[0], 255);
    EXPECT_EQ(img.at(7, 1)[0], 0);
    EXPECT_EQ(img.at(5, 0)[0], 0);
    EXPECT_EQ(dst.paint(0, 0, 1, 1, nullptr, 0, 0), vximg::kErrBadArgument);
}

TEST(Paint, PalettePictureOntoTrueColour)
{
    PictureCore dst, src;
    ASSERT_EQ(dst.createBlank(4, 4, 24), vximg::kOk);
    ASSERT_EQ(src.createBlank(2, 2, 8), vximg::kOk);
    ASSERT_EQ(src.setPaletteEntry(0, 0xFF0000), vximg::kOk);  // blue
    ASSERT_EQ(dst.paint(1, 1, 2, 2, &src, 0, 0), vximg::kOk);
    const Image img = pixelsOf(dst);
    EXPECT_EQ(img.at(1, 1)[2], 255);
    EXPECT_EQ(img.at(0, 0)[2], 0);
}

TEST(ColourResolution, UpAndDown)
{
    PictureCore p;
    ASSERT_EQ(p.createBlank(6, 6, 8), vximg::kOk);
    ASSERT_EQ(p.setPaletteEntry(0, 0x00FF00), vximg::kOk);
    ASSERT_EQ(p.setColorResolution(24), vximg::kOk);
    EXPECT_EQ(p.bitsPerPixel(), 24);
    EXPECT_EQ(p.paletteSize(), 0);
    EXPECT_EQ(pixelsOf(p).at(3, 3)[1], 255);
    // few colours reduce exactly
    const Indexed few = makeIndexedPicture(20, 10, 16);
    loadImage(p, few.toImage());
    ASSERT_EQ(p.setColorResolution(4), vximg::kOk);
    EXPECT_EQ(p.bitsPerPixel(), 4);
    EXPECT_LE(p.paletteSize(), 16);
    EXPECT_EQ(maxDifference(pixelsOf(p), few.toImage()), 0);
    EXPECT_EQ(p.setColorResolution(3), vximg::kErrBadArgument);
}

TEST(Palette, EntriesGetAndSet)
{
    PictureCore p;
    ASSERT_EQ(p.createBlank(2, 2, 8), vximg::kOk);
    EXPECT_EQ(p.paletteSize(), 256);
    ASSERT_EQ(p.setPaletteEntry(255, 0x010203), vximg::kOk);
    EXPECT_EQ(p.paletteEntry(255), 0x010203u);
    EXPECT_EQ(p.paletteEntry(256), 0u);
    EXPECT_EQ(p.setPaletteEntry(256, 0), vximg::kErrBadArgument);
    ASSERT_EQ(p.createBlank(2, 2, 24), vximg::kOk);
    EXPECT_EQ(p.setPaletteEntry(0, 0), vximg::kErrBadArgument);
}

TEST(CopyFrom, IndependentCopy)
{
    PictureCore a, b;
    loadImage(a, makeTestPicture(30, 20));
    ASSERT_EQ(b.copyFrom(&a), vximg::kOk);
    ASSERT_EQ(a.fill(0), vximg::kOk);
    EXPECT_EQ(maxDifference(pixelsOf(b), makeTestPicture(30, 20)), 0);
    EXPECT_EQ(b.copyFrom(nullptr), vximg::kErrBadArgument);
    PictureCore empty;
    EXPECT_EQ(b.copyFrom(&empty), vximg::kErrNoPicture);
}

namespace {
struct Events {
    std::vector<int> seen;
    int stopAfter = 1000;
    PictureCore* reenter = nullptr;
    int reenterResult = -1;
};
int onProgress(void* user, int percent)
{
    auto* e = static_cast<Events*>(user);
    e->seen.push_back(percent);
    if (e->reenter && e->reenterResult < 0)
        e->reenterResult = e->reenter->resize(10, 10, 1);
    return int(e->seen.size()) < e->stopAfter;
}
}  // namespace

TEST(Progress, RisingPercentagesEndingAtHundred)
{
    PictureCore p;
    Events e;
    p.setProgressCallback(onProgress, &e);
    p.enableProgress(true);
    loadImage(p, makeTestPicture(800, 600));
    e.seen.clear();
    ASSERT_EQ(p.resize(200, 150, 1), vximg::kOk);
    ASSERT_GE(e.seen.size(), 5u);
    for (size_t i = 1; i < e.seen.size(); ++i)
        EXPECT_GT(e.seen[i], e.seen[i - 1]);
    EXPECT_EQ(e.seen.back(), 100);
}

TEST(Progress, HandlerStopsFurtherEvents)
{
    PictureCore p;
    Events e;
    e.stopAfter = 2;
    p.setProgressCallback(onProgress, &e);
    p.enableProgress(true);
    loadImage(p, makeTestPicture(800, 600));
    ASSERT_EQ(p.resize(200, 150, 1), vximg::kOk);
    EXPECT_EQ(e.seen.size(), 2u);
    EXPECT_FALSE(p.progressEnabled());
    ASSERT_EQ(p.resize(100, 75, 1), vximg::kOk);
    EXPECT_EQ(e.seen.size(), 2u);
}

TEST(Progress, NoEventsWhenSwitchedOff)
{
    PictureCore p;
    Events e;
    p.setProgressCallback(onProgress, &e);
    loadImage(p, makeTestPicture(300, 200));
    ASSERT_EQ(p.resize(100, 70, 1), vximg::kOk);
    EXPECT_TRUE(e.seen.empty());
}

TEST(Progress, ReentryFromAnEventIsRefused)
{
    PictureCore p;
    Events e;
    e.reenter = &p;
    p.setProgressCallback(onProgress, &e);
    p.enableProgress(true);
    loadImage(p, makeTestPicture(400, 300));
    ASSERT_EQ(p.resize(200, 150, 1), vximg::kOk);
    EXPECT_EQ(e.reenterResult, vximg::kErrBusy);
    EXPECT_EQ(p.width(), 200);
}

TEST(Resize, NearestKeepsPalette)
{
    PictureCore p;
    const Indexed pic = makeIndexedPicture(16, 8, 16);
    BmpLayout s;
    s.width = 16;
    s.height = 8;
    s.bits = 4;
    s.palette = pic.palette;
    const auto f = buildBmp(s, encodeIndexedRows(pic, 4, false));
    ASSERT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
    ASSERT_EQ(p.resize(32, 16, 0), vximg::kOk);
    EXPECT_EQ(p.bitsPerPixel(), 4);
    const Image big = pixelsOf(p);
    const Image small = pic.toImage();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(std::memcmp(big.at(x, y), small.at(x / 2, y / 2), 3), 0);
    ASSERT_EQ(p.resize(8, 4, 1), vximg::kOk);
    EXPECT_EQ(p.bitsPerPixel(), 24);  // averaging needs true colour
    EXPECT_EQ(p.resize(0.2f, 4, 1), vximg::kErrBadArgument);
}

namespace {

// Keeps the rows a resize hands out, in the order they come.
struct KeptRows final : vximg::RowSink {
    void begin(int w, int h) override
    {
        ++begins;
        picture = Image(w, h);
    }
    void row(const uint8_t* bgr) override
    {
        ASSERT_LT(rows, picture.height);
        for (int x = 0; x < picture.width; ++x) {
            uint8_t* to = picture.at(x, rows);
            to[0] = bgr[x * 3 + 2];
            to[1] = bgr[x * 3 + 1];
            to[2] = bgr[x * 3];
        }
        ++rows;
    }
    int begins = 0;
    int rows = 0;
    Image picture;
};

}  // namespace

// Rows made top row first (a decoding JPEG, a decoded picture) are handed
// out as the result has them; a BMP stored bottom-up and a resize that does
// not resample hand none.
TEST(Resize, RowsHandedAsTheResultHasThem)
{
    const Image img = makeTestPicture(400, 300);
    const std::vector<uint8_t> jpeg = encodeJpeg(img, 90, false, false);
    PictureCore p;
    KeptRows kept;
    ASSERT_EQ(p.loadMemory(jpeg.data(), jpeg.size()), vximg::kOk);
    ASSERT_EQ(p.resize(150, 113, vximg::kResizeResample, &kept), vximg::kOk);
    ASSERT_EQ(kept.begins, 1);
    EXPECT_EQ(kept.rows, 113);
    EXPECT_EQ(maxDifference(kept.picture, pixelsOf(p)), 0);

    KeptRows again;
    ASSERT_EQ(p.resize(60, 45, vximg::kResizeResample, &again), vximg::kOk);  // decoded already
    EXPECT_EQ(again.rows, 45);
    EXPECT_EQ(maxDifference(again.picture, pixelsOf(p)), 0);

    KeptRows none;
    ASSERT_EQ(p.resize(30, 20, 0, &none), vximg::kOk);
    ASSERT_EQ(p.resize(30, 20, vximg::kResizeResample, &none), vximg::kOk);
    loadImage(p, img);  // bottom-up
    ASSERT_EQ(p.resize(200, 150, vximg::kResizeResample, &none), vximg::kOk);
    EXPECT_EQ(none.begins + none.rows, 0);
}
