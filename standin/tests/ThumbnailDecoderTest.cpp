// Decoding thumbnails: the pixels must match djpeg's output of the same file
// (PNM fixtures made with djpeg), broken and oversized input is refused.
#include "standin/ThumbnailDecoder.h"
#include "standin/tests/StandinTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using standin::decodeThumbnail;
using standin::RgbPicture;
using standin_test::fixture;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Pnm {
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 0;
    Bytes pixels;
};

// Binary P5/P6 as djpeg writes it (no comments).
Pnm parsePnm(const Bytes& data)
{
    Pnm pnm;
    std::size_t at = 0;
    auto token = [&]() {
        while (at < data.size() && std::isspace(data[at]))
            ++at;
        std::string text;
        while (at < data.size() && !std::isspace(data[at]))
            text += char(data[at++]);
        return text;
    };
    const std::string magic = token();
    pnm.channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
    pnm.width = unsigned(std::atoi(token().c_str()));
    pnm.height = unsigned(std::atoi(token().c_str()));
    token();  // maximum value
    ++at;     // the one white-space byte before the pixels
    if (at <= data.size())
        pnm.pixels.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.end());
    return pnm;
}

int largestDifference(const RgbPicture& picture, const Pnm& reference)
{
    int largest = 0;
    for (std::size_t i = 0; i < std::size_t(picture.width) * picture.height; ++i) {
        for (unsigned c = 0; c < 3; ++c) {
            const int ours = picture.rgb[3 * i + c];
            const int theirs = reference.pixels[reference.channels == 3 ? 3 * i + c : i];
            largest = std::max(largest, std::abs(ours - theirs));
        }
    }
    return largest;
}

// Offset of the frame header's height field in a baseline JPEG.
std::size_t frameSizeOffset(const Bytes& jpeg)
{
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0)
            return i + 5;
    }
    return 0;
}

}  // namespace

TEST(ThumbnailDecoder, ColourThumbnailMatchesDjpeg)
{
    const Bytes jpeg = fixture("thumb.jpg");
    const Pnm reference = parsePnm(fixture("thumb_djpeg.ppm"));
    ASSERT_EQ(reference.channels, 3u);
    RgbPicture picture;
    ASSERT_TRUE(decodeThumbnail(jpeg.data(), jpeg.size(), picture));
    EXPECT_EQ(picture.width, 32u);
    EXPECT_EQ(picture.height, 24u);
    ASSERT_EQ(picture.rgb.size(), 32u * 24u * 3u);
    ASSERT_EQ(reference.pixels.size(), 32u * 24u * 3u);
    EXPECT_LE(largestDifference(picture, reference), 1);
}

TEST(ThumbnailDecoder, GreyThumbnailBecomesEqualChannels)
{
    const Bytes jpeg = fixture("gray.jpg");
    const Pnm reference = parsePnm(fixture("gray_djpeg.pgm"));
    ASSERT_EQ(reference.channels, 1u);
    RgbPicture picture;
    ASSERT_TRUE(decodeThumbnail(jpeg.data(), jpeg.size(), picture));
    ASSERT_EQ(picture.width, reference.width);
    ASSERT_EQ(picture.height, reference.height);
    EXPECT_LE(largestDifference(picture, reference), 1);
    for (std::size_t i = 0; i < picture.rgb.size(); i += 3) {
        ASSERT_EQ(picture.rgb[i], picture.rgb[i + 1]);
        ASSERT_EQ(picture.rgb[i], picture.rgb[i + 2]);
    }
}

TEST(ThumbnailDecoder, GarbageIsRefusedAndLeavesNoPicture)
{
    Bytes garbage = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x03, 0x12, 0x34, 0x56, 0x78};
    RgbPicture picture;
    picture.width = 7;
    EXPECT_FALSE(decodeThumbnail(garbage.data(), garbage.size(), picture));
    EXPECT_EQ(picture.width, 0u);
    EXPECT_TRUE(picture.rgb.empty());
    const Bytes text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_FALSE(decodeThumbnail(text.data(), text.size(), picture));
    EXPECT_FALSE(decodeThumbnail(nullptr, 0, picture));
}

TEST(ThumbnailDecoder, OversizedFrameIsRefused)
{
    Bytes jpeg = fixture("thumb.jpg");
    const std::size_t at = frameSizeOffset(jpeg);
    ASSERT_NE(at, 0u);
    jpeg[at] = 0x30;  // height 0x3018 = 12312 lines
    RgbPicture picture;
    EXPECT_FALSE(decodeThumbnail(jpeg.data(), jpeg.size(), picture));
}

TEST(ThumbnailDecoder, TruncatedThumbnailEndsWithoutReadingFurther)
{
    const Bytes jpeg = fixture("thumb.jpg");
    for (std::size_t size : {jpeg.size() / 2, jpeg.size() - 2, std::size_t(20)}) {
        const Bytes part(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(size));
        RgbPicture picture;
        const bool decoded = decodeThumbnail(part.data(), part.size(), picture);
        if (decoded) {  // libjpeg fills the missing rows; the size stays the frame's
            EXPECT_EQ(picture.width, 32u);
            EXPECT_EQ(picture.rgb.size(), 32u * 24u * 3u);
        }
    }
}
