// JPEG loading: true size at once, decoding at a DCT scale that covers the
// next resize, grayscale and progressive sources.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/Decoder.h"
#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"
#include "imaging/tests/TestSupport.h"

using namespace vxtest;
using vximg::PictureCore;

namespace {

Image decodeFull(const std::vector<uint8_t>& f, int* bits = nullptr)
{
    PictureCore p;
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
    if (bits)
        *bits = p.bitsPerPixel();
    const vximg::Bitmap* b = nullptr;
    EXPECT_EQ(p.decoded(&b), vximg::kOk);
    return b ? fromBitmap(*b) : Image();
}

std::unique_ptr<vximg::SourceImage> openSource(const std::vector<uint8_t>& f)
{
    auto mem = std::make_unique<vximg::MemorySource>();
    mem->assign(f.data(), f.size());
    std::unique_ptr<vximg::SourceImage> src;
    vximg::Buffer input;
    EXPECT_EQ(vximg::openSourceImage(std::move(mem), vximg::LoadLimits(), input, src), vximg::kOk);
    return src;
}

// Size of the rows a pass opened for a cover size delivers.
std::pair<int, int> passSize(const std::vector<uint8_t>& f, int coverW, int coverH)
{
    const auto src = openSource(f);
    if (!src)
        return {0, 0};
    vximg::Buffer io, input;
    std::unique_ptr<vximg::RowReader> reader;
    EXPECT_EQ(src->open(coverW, coverH, nullptr, io, input, reader), vximg::kOk);
    return reader ? std::make_pair(reader->width, reader->height) : std::make_pair(0, 0);
}

}  // namespace

TEST(Jpeg, DecodesCloseToTheSource)
{
    const Image src = makeTestPicture(97, 61);
    int bits = 0;
    const Image out = decodeFull(encodeJpeg(src, 95, false, false), &bits);
    EXPECT_EQ(bits, 24);
    EXPECT_GT(psnr(out, src), 30.0);    // 4:2:0 chroma blurs the hard block edges
    EXPECT_GT(out.at(2, 2)[0], 200);    // red block still top left
    EXPECT_GT(out.at(95, 59)[2], 200);  // blue block still bottom right
}

TEST(Jpeg, ProgressiveDecodesLikeBaseline)
{
    const Image src = makeTestPicture(120, 80);
    const Image base = decodeFull(encodeJpeg(src, 90, false, false));
    const Image prog = decodeFull(encodeJpeg(src, 90, true, false));
    EXPECT_GT(psnr(prog, src), 35.0);
    EXPECT_GT(psnr(prog, base), 45.0);
}

TEST(Jpeg, GrayscaleIsAnEightBitGrayPalettePicture)
{
    const auto f = encodeJpeg(makeTestPicture(50, 40), 90, false, true);
    PictureCore p;
    ASSERT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
    EXPECT_EQ(p.bitsPerPixel(), 8);
    EXPECT_EQ(p.paletteSize(), 256);
    EXPECT_EQ(p.paletteEntry(200), 0xC8C8C8u);
    ASSERT_EQ(p.setColorResolution(24), vximg::kOk);
    EXPECT_EQ(p.bitsPerPixel(), 24);
    const vximg::Bitmap* b = nullptr;
    ASSERT_EQ(p.decoded(&b), vximg::kOk);
    const Image img = fromBitmap(*b);
    EXPECT_EQ(img.at(10, 10)[0], img.at(10, 10)[1]);
    EXPECT_EQ(img.at(10, 10)[1], img.at(10, 10)[2]);
}

TEST(Jpeg, TrueSizeIsKnownBeforeDecoding)
{
    const auto f = encodeJpeg(makeTestPicture(1600, 1200), 75, false, false);
    PictureCore p;
    ASSERT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
    EXPECT_TRUE(p.pending());
    EXPECT_EQ(p.width(), 1600);
    EXPECT_EQ(p.height(), 1200);
    EXPECT_EQ(p.dibSize(), 40u + 1600u * 3u * 1200u);
    ASSERT_EQ(p.resize(400, 300, vximg::kResizeResample), vximg::kOk);
    EXPECT_FALSE(p.pending());
    EXPECT_EQ(p.width(), 400);
    EXPECT_EQ(p.height(), 300);
}

TEST(Jpeg, ScaleIsTheSmallestThatCovers)
{
    const auto f = encodeJpeg(makeTestPicture(1600, 1200), 75, false, false);
    EXPECT_EQ(passSize(f, 200, 150), std::make_pair(200, 150));  // 1/8
    EXPECT_EQ(passSize(f, 201, 150), std::make_pair(400, 300));  // 2/8
    EXPECT_EQ(passSize(f, 400, 300), std::make_pair(400, 300));
    EXPECT_EQ(passSize(f, 401, 300), std::make_pair(600, 450));    // 3/8
    EXPECT_EQ(passSize(f, 1024, 384), std::make_pair(1200, 900));  // 6/8
    EXPECT_EQ(passSize(f, 1600, 1), std::make_pair(1600, 1200));
    EXPECT_EQ(passSize(f, 3000, 3000), std::make_pair(1600, 1200));
    EXPECT_EQ(passSize(f, 0, 0), std::make_pair(1600, 1200));
}

TEST(Jpeg, ScaledDecodeMatchesFullDecodeThenResize)
{
    const Image src = makeTestPicture(1200, 900);
    const auto f = encodeJpeg(src, 90, false, false);
    PictureCore lazy, full;
    ASSERT_EQ(lazy.loadMemory(f.data(), f.size()), vximg::kOk);
    ASSERT_EQ(full.loadMemory(f.data(), f.size()), vximg::kOk);
    const vximg::Bitmap* b = nullptr;
    ASSERT_EQ(full.decoded(&b), vximg::kOk);
    ASSERT_EQ(lazy.resize(320, 240, vximg::kResizeResample), vximg::kOk);
    ASSERT_EQ(full.resize(320, 240, vximg::kResizeResample), vximg::kOk);
    const vximg::Bitmap *a = nullptr, *c = nullptr;
    ASSERT_EQ(lazy.decoded(&a), vximg::kOk);
    ASSERT_EQ(full.decoded(&c), vximg::kOk);
    EXPECT_GT(psnr(fromBitmap(*a), fromBitmap(*c)), 35.0);
}

// The second decoding thread relies on this: a second pass that skips the
// upper rows (in several steps) then delivers exactly the rows a whole pass
// does, at full and reduced scales, with chroma halved both ways and in gray.
// A progressive file offers no second pass.
TEST(Jpeg, SecondPassSkipsToTheSameRows)
{
    for (const bool gray : {false, true}) {
        const auto f = encodeJpeg(makeTestPicture(613, 411), 90, false, gray);
        const auto src = openSource(f);
        ASSERT_TRUE(src);
        for (const int cover : {613, 230, 77}) {  // 8/8, 3/8, 1/8
            SCOPED_TRACE(testing::Message() << "gray " << gray << ", cover " << cover);
            vximg::Buffer io, input, io2, input2;
            std::unique_ptr<vximg::RowReader> whole, second;
            ASSERT_EQ(src->open(cover, 1, nullptr, io, input, whole), vximg::kOk);
            ASSERT_EQ(src->openSecond(cover, 1, io2, input2, second), vximg::kOk);
            ASSERT_EQ(second->height, whole->height);
            const int step = second->skipStep;
            const int first = whole->height * 7 / 10 / step * step;
            ASSERT_EQ(second->skip(step), vximg::kOk);
            ASSERT_EQ(second->skip(first - step), vximg::kOk);
            const size_t bytes = size_t(whole->width) * (gray ? 1 : 3);
            for (int y = 0; y < whole->height; ++y) {
                const uint8_t *a = nullptr, *b = nullptr;
                ASSERT_EQ(whole->next(&a), vximg::kOk);
                if (y < first)
                    continue;
                ASSERT_EQ(second->next(&b), vximg::kOk);
                ASSERT_EQ(std::memcmp(a, b, bytes), 0) << "row " << y;
            }
        }
    }
    const auto progressive = openSource(encodeJpeg(makeTestPicture(64, 64), 90, true, false));
    vximg::Buffer io, input;
    std::unique_ptr<vximg::RowReader> second;
    EXPECT_EQ(progressive->openSecond(0, 0, io, input, second), vximg::kErrUnsupported);
}

TEST(Jpeg, OddSizes)
{
    for (auto [w, h] : {std::make_pair(1, 1), std::make_pair(10000, 2), std::make_pair(3, 777)}) {
        const auto f = encodeJpeg(makeTestPicture(w, h), 80, false, false);
        PictureCore p;
        ASSERT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
        EXPECT_EQ(p.width(), w);
        EXPECT_EQ(p.height(), h);
        ASSERT_EQ(p.resize(64, 48, vximg::kResizeResample), vximg::kOk) << w << "x" << h;
        EXPECT_EQ(p.width(), 64);
    }
}

TEST(Jpeg, LoadFromFile)
{
    const std::string path = tempDir() + "/load.jpg";
    writeFileBytes(path, encodeJpeg(makeTestPicture(300, 200), 85, false, false));
    PictureCore p;
    ASSERT_EQ(p.load(path.c_str()), vximg::kOk);
    EXPECT_EQ(p.width(), 300);
    ASSERT_EQ(p.resize(150, 100, vximg::kResizeResample), vximg::kOk);
    const vximg::Bitmap* b = nullptr;
    ASSERT_EQ(p.decoded(&b), vximg::kOk);
    EXPECT_GT(fromBitmap(*b).at(3, 3)[0], 200);
}
