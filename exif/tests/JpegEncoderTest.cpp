// The encoder's output structure, its handling of the flags and its failures,
// inspected with our own marker walk (the tool-based checks live elsewhere).
#include "exif/JpegEncoder.h"
#include "exif/tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

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

std::vector<int> codes(const std::vector<uint8_t>& jpeg)
{
    std::vector<int> out;
    for (const JpegMarker& m : markersUpToScan(jpeg))
        out.push_back(m.code);
    return out;
}

TEST(JpegEncoderStructure, BaselineFrameWithLuminanceSampledTwoByOne)
{
    const auto jpeg = encodeToMemory(makeTestPicture(64, 48), 64, 48);
    int width = 0, height = 0;
    const auto components = baselineComponents(jpeg, &width, &height);
    ASSERT_EQ(3u, components.size());
    EXPECT_EQ(64, width);
    EXPECT_EQ(48, height);
    const int sampling[3][2] = {{2, 1}, {1, 1}, {1, 1}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sampling[i][0], components[i].h) << i;
        EXPECT_EQ(sampling[i][1], components[i].v) << i;
    }
    EXPECT_EQ(0xFF, jpeg[jpeg.size() - 2]);
    EXPECT_EQ(0xD9, jpeg.back());
}

TEST(JpegEncoderStructure, MarkerRightAfterStartOfImageAndJfifOnlyOnRequest)
{
    const auto pixels = makeTestPicture(16, 16);
    const std::vector<uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0, 1, 2, 3};
    const auto plain = codes(encodeToMemory(pixels, 16, 16));
    ASSERT_GE(plain.size(), 2u);
    EXPECT_EQ(0xDB, plain[1]);
    const auto withMarker = encodeToMemory(pixels, 16, 16, false, false, 0xE1, payload);
    EXPECT_EQ(0xE1, codes(withMarker).at(1));
    EXPECT_EQ(0xDB, codes(withMarker).at(2));
    EXPECT_EQ(payload.size() + 2, markersUpToScan(withMarker)[1].length);
    EXPECT_EQ(payload, firstApp1Payload(withMarker));
    const auto jfif = codes(encodeToMemory(pixels, 16, 16, false, false, 0xE1, payload, true));
    EXPECT_EQ((std::vector<int>{0xD8, 0xE0, 0xE1}),
              std::vector<int>(jfif.begin(), jfif.begin() + 3));
    for (const auto& list : {plain, codes(withMarker)})
        EXPECT_EQ(list.end(), std::find(list.begin(), list.end(), 0xE0))
            << "no JFIF header unless asked";
}

TEST(JpegEncoderStructure, FileAndMemoryOutputAreTheSameWhateverTheirSize)
{
    // Noise compresses badly: forces the memory destination to grow.
    std::vector<uint8_t> noise(512 * 512 * 3);
    uint32_t state = 12345;
    for (auto& b : noise) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 16);
    }
    const fs::path path = scratchFolder("encoder-file") / fs::u8path(u8"\u30ab\u30e1\u30e9.jpg");
    ASSERT_EQ(1, encodeRgbToJpegFile(path, noise.data(), 512, 512, 75, 0, nullptr, 0, false));
    std::vector<uint8_t> memory;
    ASSERT_EQ(1, encodeRgbToJpegMemory(memory, noise.data(), 512, 512, 75, 0, nullptr, 0, false));
    ASSERT_GT(memory.size(), 64u * 1024);
    EXPECT_EQ(0xD9, memory.back());
    EXPECT_EQ(memory, readFileBytes(path));
}

TEST(JpegEncoderFlags, FlippedBgrBufferEncodesLikeThePlainRgbBufferAndIsNeverChanged)
{
    const struct {
        uint32_t w, h;
    } sizes[] = {{160, 120}, {24, 7}, {40, 1}};  // odd height flips around the middle row
    for (const auto& size : sizes) {
        const auto rgb = makeTestPicture(size.w, size.h);
        const auto plain = encodeToMemory(rgb, size.w, size.h);
        for (int variant = 1; variant < 4; ++variant) {
            const bool flip = variant & 1, swap = variant & 2;
            SCOPED_TRACE(::testing::Message()
                         << size.w << "x" << size.h << " flip " << flip << " swap " << swap);
            const auto stored = storedForm(rgb, size.w, size.h, flip, swap);
            auto buffer = stored;
            EXPECT_EQ(plain, encodeToMemory(buffer, size.w, size.h, flip, swap));
            EXPECT_EQ(stored, buffer);
            if (size.h > 1 || swap) {
                EXPECT_NE(plain, encodeToMemory(stored, size.w, size.h))
                    << "the test picture is symmetric";
            }
        }
    }
    const auto rgb = makeTestPicture(33, 17);
    auto buffer = rgb;
    ASSERT_EQ(1, writeJpegFromPixels(scratchFolder("encoder-unchanged") / "x.jpg", buffer.data(),
                                     33, 17, 0, nullptr, 0, false, 75, true, true));
    EXPECT_EQ(rgb, buffer);
}

TEST(JpegEncoderLimits, MarkerOfMaximumLengthIsWrittenAndOneByteMoreFailsClosingTheFile)
{
    const auto folder = scratchFolder("encoder-too-long");
    const auto pixels = makeTestPicture(16, 16);
    std::vector<uint8_t> payload(kMaxMarkerPayload, 0x5A);
    const auto markers =
        markersUpToScan(encodeToMemory(pixels, 16, 16, false, false, 0xE1, payload));
    ASSERT_GE(markers.size(), 2u);
    EXPECT_EQ(0xE1, markers[1].code);
    EXPECT_EQ(65535u, markers[1].length);

    payload.push_back(0x5A);
    const fs::path path = folder / "long.jpg";
    EXPECT_EQ(0,
              writeJpegFromPixels(path, pixels.data(), 16, 16, 0xE1, payload.data(),
                                  static_cast<uint32_t>(payload.size()), false, 75, false, false));
    // The fatal error came back to us: the file exists, is closed and can go.
    EXPECT_TRUE(fs::exists(path));
    std::error_code error;
    EXPECT_TRUE(fs::remove(path, error)) << error.message();
    std::vector<uint8_t> memory = {1, 2, 3};
    EXPECT_EQ(0,
              writeJpegFromPixels(memory, pixels.data(), 16, 16, 0xE1, payload.data(),
                                  static_cast<uint32_t>(payload.size()), false, 75, false, false));
    EXPECT_TRUE(memory.empty());
}

TEST(JpegEncoderLimits, BadPicturesAndFoldersFailWithoutLeavingFiles)
{
    const auto folder = scratchFolder("encoder-refused");
    const auto pixels = makeTestPicture(8, 8);
    EXPECT_EQ(0, writeJpegFromPixels(folder / "a.jpg", nullptr, 8, 8, 0, nullptr, 0, false, 75,
                                     false, false));
    EXPECT_EQ(0, writeJpegFromPixels(folder / "b.jpg", pixels.data(), 0, 8, 0, nullptr, 0, false,
                                     75, true, false));
    EXPECT_EQ(0, writeJpegFromPixels(folder / "c.jpg", pixels.data(), 8, 0, 0, nullptr, 0, false,
                                     75, false, false));
    EXPECT_EQ(0, writeJpegFromPixels(folder / "no" / "such" / "x.jpg", pixels.data(), 8, 8, 0,
                                     nullptr, 0, false, 75, true, true));
    EXPECT_TRUE(fs::is_empty(folder));
    // Wider than libjpeg allows: fails, and a second encode still works.
    std::vector<uint8_t> row(70000 * 3, 0x80);
    EXPECT_EQ(0, encodeRgbToJpegFile(folder / "wide.jpg", row.data(), 70000, 1, 75, 0, nullptr, 0,
                                     false));
    EXPECT_EQ(
        1, encodeRgbToJpegFile(folder / "ok.jpg", pixels.data(), 8, 8, 75, 0, nullptr, 0, false));
}

}  // namespace
