// The encoder's output structure, its handling of the flags and its failures,
// inspected with our own marker walk (the tool-based checks live elsewhere).
#include "JpegEncoder.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> encodeToMemory(const std::vector<uint8_t>& pixels, uint32_t w, uint32_t h,
                                    bool flip = false, bool swap = false, int markerCode = 0,
                                    const std::vector<uint8_t>& marker = {}, bool jfif = false)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(1, writeJpegFromPixels(out, pixels.data(), w, h, markerCode,
                                     marker.empty() ? nullptr : marker.data(),
                                     static_cast<uint32_t>(marker.size()), jfif, 75, flip, swap));
    return out;
}

TEST(JpegEncoderStructure, FrameIsBaselineWithLuminanceSampledTwoByOne)
{
    const auto pixels = makeTestPicture(64, 48);
    const auto jpeg = encodeToMemory(pixels, 64, 48);
    int width = 0, height = 0;
    const auto components = baselineComponents(jpeg, &width, &height);
    ASSERT_EQ(3u, components.size());
    EXPECT_EQ(64, width);
    EXPECT_EQ(48, height);
    EXPECT_EQ(2, components[0].h);
    EXPECT_EQ(1, components[0].v);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(1, components[i].h);
        EXPECT_EQ(1, components[i].v);
    }
    EXPECT_EQ(0xFF, jpeg[jpeg.size() - 2]);
    EXPECT_EQ(0xD9, jpeg.back());
}

TEST(JpegEncoderStructure, WithoutMarkerTheSecondMarkerIsAQuantisationTable)
{
    const auto pixels = makeTestPicture(16, 16);
    const auto markers = markersUpToScan(encodeToMemory(pixels, 16, 16));
    ASSERT_GE(markers.size(), 2u);
    EXPECT_EQ(0xD8, markers[0].code);
    EXPECT_EQ(0xDB, markers[1].code);
    for (const auto& m : markers)
        EXPECT_NE(0xE0, m.code) << "no JFIF header unless asked";
}

TEST(JpegEncoderStructure, GivenMarkerFollowsStartOfImage)
{
    const auto pixels = makeTestPicture(16, 16);
    const std::vector<uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0, 1, 2, 3};
    const auto jpeg = encodeToMemory(pixels, 16, 16, false, false, 0xE1, payload);
    const auto markers = markersUpToScan(jpeg);
    ASSERT_GE(markers.size(), 3u);
    EXPECT_EQ(0xE1, markers[1].code);
    EXPECT_EQ(payload.size() + 2, markers[1].length);
    EXPECT_EQ(payload, firstApp1Payload(jpeg));
    EXPECT_EQ(0xDB, markers[2].code);
}

TEST(JpegEncoderStructure, JfifHeaderOnlyOnRequestAndBeforeTheMarker)
{
    const auto pixels = makeTestPicture(16, 16);
    const std::vector<uint8_t> payload = {'X', 'Y'};
    const auto markers =
        markersUpToScan(encodeToMemory(pixels, 16, 16, false, false, 0xE1, payload, true));
    ASSERT_GE(markers.size(), 3u);
    EXPECT_EQ(0xE0, markers[1].code);
    EXPECT_EQ(0xE1, markers[2].code);
}

TEST(JpegEncoderStructure, FileAndMemoryOutputAreTheSame)
{
    const auto folder = scratchFolder("encoder-file");
    const auto pixels = makeTestPicture(80, 60);
    const fs::path path = folder / "same.jpg";
    ASSERT_EQ(1, encodeRgbToJpegFile(path, pixels.data(), 80, 60, 75, 0, nullptr, 0, false));
    std::vector<uint8_t> memory;
    ASSERT_EQ(1, encodeRgbToJpegMemory(memory, pixels.data(), 80, 60, 75, 0, nullptr, 0, false));
    EXPECT_EQ(memory, readFileBytes(path));
}

TEST(JpegEncoderStructure, OutputLargerThanTheFirstMemoryBlockIsComplete)
{
    // Noise compresses badly: forces the memory destination to grow.
    std::vector<uint8_t> noise(512 * 512 * 3);
    uint32_t state = 12345;
    for (auto& b : noise) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 16);
    }
    const auto jpeg = encodeToMemory(noise, 512, 512);
    ASSERT_GT(jpeg.size(), 64u * 1024);
    EXPECT_EQ(0xD9, jpeg.back());
}

TEST(JpegEncoderFlags, FlippedBgrBufferEncodesLikeThePlainRgbBuffer)
{
    const auto rgb = makeTestPicture(160, 120);
    const auto plain = encodeToMemory(rgb, 160, 120);
    for (int variant = 1; variant < 4; ++variant) {
        const bool flip = variant & 1, swap = variant & 2;
        const auto stored = storedForm(rgb, 160, 120, flip, swap);
        EXPECT_EQ(plain, encodeToMemory(stored, 160, 120, flip, swap))
            << "flip " << flip << " swap " << swap;
        EXPECT_NE(plain, encodeToMemory(stored, 160, 120)) << "the test picture is symmetric";
    }
}

TEST(JpegEncoderFlags, OddHeightFlipsAroundTheMiddleRow)
{
    const auto rgb = makeTestPicture(24, 7);
    const auto stored = storedForm(rgb, 24, 7, true, false);
    EXPECT_EQ(encodeToMemory(rgb, 24, 7), encodeToMemory(stored, 24, 7, true, false));
}

TEST(JpegEncoderFlags, SingleRowStaysInPlaceWhenFlipped)
{
    const auto row = makeTestPicture(40, 1);
    EXPECT_EQ(encodeToMemory(row, 40, 1), encodeToMemory(row, 40, 1, true, false));
}

TEST(JpegEncoderFlags, CallerBufferIsNeverChanged)
{
    const auto rgb = makeTestPicture(33, 17);
    auto buffer = rgb;
    encodeToMemory(buffer, 33, 17, true, true);
    EXPECT_EQ(rgb, buffer);
    const auto folder = scratchFolder("encoder-unchanged");
    ASSERT_EQ(1, writeJpegFromPixels(folder / "x.jpg", buffer.data(), 33, 17, 0, nullptr, 0,
                                     false, 75, true, true));
    EXPECT_EQ(rgb, buffer);
}

TEST(JpegEncoderLimits, MarkerOfMaximumLengthIsWritten)
{
    const auto pixels = makeTestPicture(16, 16);
    std::vector<uint8_t> payload(kMaxMarkerPayload, 0x5A);
    const auto jpeg = encodeToMemory(pixels, 16, 16, false, false, 0xE1, payload);
    const auto markers = markersUpToScan(jpeg);
    ASSERT_GE(markers.size(), 2u);
    EXPECT_EQ(0xE1, markers[1].code);
    EXPECT_EQ(65535u, markers[1].length);
}

TEST(JpegEncoderLimits, OneByteTooManyFailsAndClosesTheFile)
{
    const auto folder = scratchFolder("encoder-too-long");
    const auto pixels = makeTestPicture(16, 16);
    std::vector<uint8_t> payload(kMaxMarkerPayload + 1, 0x5A);
    const fs::path path = folder / "long.jpg";
    EXPECT_EQ(0, writeJpegFromPixels(path, pixels.data(), 16, 16, 0xE1, payload.data(),
                                     static_cast<uint32_t>(payload.size()), false, 75, false,
                                     false));
    // The fatal error came back to us: the file exists, is closed and can go.
    EXPECT_TRUE(fs::exists(path));
    std::error_code error;
    EXPECT_TRUE(fs::remove(path, error)) << error.message();

    std::vector<uint8_t> memory = {1, 2, 3};
    EXPECT_EQ(0, writeJpegFromPixels(memory, pixels.data(), 16, 16, 0xE1, payload.data(),
                                     static_cast<uint32_t>(payload.size()), false, 75, false,
                                     false));
    EXPECT_TRUE(memory.empty());
}

TEST(JpegEncoderLimits, PictureWiderThanLibjpegAllowsFails)
{
    const auto folder = scratchFolder("encoder-too-wide");
    std::vector<uint8_t> row(70000 * 3, 0x80);
    EXPECT_EQ(0, encodeRgbToJpegFile(folder / "wide.jpg", row.data(), 70000, 1, 75, 0, nullptr, 0,
                                     false));
    // A second encode still works: nothing was left half-done.
    const auto pixels = makeTestPicture(8, 8);
    EXPECT_EQ(1, encodeRgbToJpegFile(folder / "ok.jpg", pixels.data(), 8, 8, 75, 0, nullptr, 0,
                                     false));
}

TEST(JpegEncoderLimits, EmptyPictureIsRefusedWithoutTouchingTheDisk)
{
    const auto folder = scratchFolder("encoder-empty");
    const auto pixels = makeTestPicture(8, 8);
    EXPECT_EQ(0, writeJpegFromPixels(folder / "a.jpg", nullptr, 8, 8, 0, nullptr, 0, false, 75,
                                     false, false));
    EXPECT_EQ(0, writeJpegFromPixels(folder / "b.jpg", pixels.data(), 0, 8, 0, nullptr, 0, false,
                                     75, true, false));
    EXPECT_EQ(0, writeJpegFromPixels(folder / "c.jpg", pixels.data(), 8, 0, 0, nullptr, 0, false,
                                     75, false, false));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST(JpegEncoderLimits, MissingFolderGivesZero)
{
    const auto folder = scratchFolder("encoder-missing");
    const auto pixels = makeTestPicture(8, 8);
    EXPECT_EQ(0, writeJpegFromPixels(folder / "no" / "such" / "x.jpg", pixels.data(), 8, 8, 0,
                                     nullptr, 0, false, 75, true, true));
    EXPECT_FALSE(fs::exists(folder / "no"));
}

TEST(JpegEncoderLimits, NonAsciiPathIsWritten)
{
    const auto folder = scratchFolder("encoder-unicode");
    const auto pixels = makeTestPicture(8, 8);
    const fs::path path = folder / fs::u8path(u8"\u30ab\u30e1\u30e9.jpg");
    ASSERT_EQ(1, writeJpegFromPixels(path, pixels.data(), 8, 8, 0, nullptr, 0, false, 75, false,
                                     false));
    EXPECT_FALSE(readFileBytes(path).empty());
}

}  // namespace
