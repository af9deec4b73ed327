// Helpers of the conversion tests: test pictures and their files (BMP,
// baseline and progressive JPEG, Exif sources in either byte order), a
// reference downscale, and reading the written camera pictures back.
#pragma once

#include "engine/PictureConversion.h"
#include "exif/ExifImage.h"
#include "exif/ExifSource.h"
#include "imaging/Picture.h"
#include "testsupport/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

// RGB, top row first, rows of exactly width * 3 bytes.
struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    const uint8_t* at(int x, int y) const
    {
        return pixels.data() +
               (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    }
};

// Smooth content with detail at several scales, different in every channel
// and without symmetry (a flip or a swap shows).
Rgb makeScene(int width, int height);
Rgb solidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b);

// Area average: every source pixel weighs by how much of it a target pixel covers.
Rgb areaDownscale(const Rgb& source, int width, int height);
// A rectangle of a picture.
Rgb crop(const Rgb& source, int x, int y, int width, int height);
double psnr(const Rgb& a, const Rgb& b);
// Largest difference of any channel from r, g, b over a rectangle.
int maxDeviation(const Rgb& picture, int x, int y, int width, int height, uint8_t r, uint8_t g,
                 uint8_t b);

// Little-endian numbers appended to a byte buffer.
void putLe16(std::vector<uint8_t>& out, uint32_t v);
void putLe32(std::vector<uint8_t>& out, uint32_t v);

// Files of a picture.
std::vector<uint8_t> bmp24(const Rgb& picture, bool topDown = false);
std::vector<uint8_t> bmp8Gray(const Rgb& picture);  // palette of 256 greys from the green channel
// Baseline JPEG, optionally with an APP1 payload (from "Exif").
std::vector<uint8_t> baselineJpeg(const Rgb& picture, int quality,
                                  const std::vector<uint8_t>& app1 = {});
std::vector<uint8_t> progressiveJpeg(const Rgb& picture, int quality);

// One tag of a hand-made Exif source; value holds count elements in host order
// (rationals as two 32-bit words).
struct SourceTag {
    uint16_t ifd;
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::vector<uint8_t> value;
};
SourceTag asciiTag(uint16_t ifd, uint16_t tag, const std::string& text);  // with its zero
SourceTag shortTag(uint16_t ifd, uint16_t tag, std::vector<uint16_t> values);
SourceTag longTag(uint16_t ifd, uint16_t tag, std::vector<uint32_t> values);
SourceTag rationalTag(uint16_t ifd, uint16_t tag, uint32_t numerator, uint32_t denominator);
SourceTag undefinedTag(uint16_t ifd, uint16_t tag, std::vector<uint8_t> bytes);

// The APP1 payload ("Exif\0\0" and a TIFF structure) of these tags, in Intel
// or Motorola order: IFD0 with its links, IFD1, Exif IFD, Interoperability
// IFD, GPS IFD and a maker note of the given kind ("OLYMP", "ORVEN", ...)
// whose directory uses TIFF offsets.
std::vector<uint8_t> exifPayload(const std::vector<SourceTag>& tags, bool motorola,
                                 const std::string& makerNoteKind = "OLYMP");

// An entry of a written camera picture, value as host-order bytes.
struct WrittenEntry {
    uint16_t type = 0;
    uint32_t count = 0;
    std::vector<uint8_t> value;
    std::string text() const;                 // up to the first zero
    uint32_t number(size_t index = 0) const;  // SHORT, LONG or one word of a RATIONAL
};
// Every entry of the Exif data of a JPEG file, by (directory, tag); empty when there is none.
std::map<std::pair<uint16_t, uint16_t>, WrittenEntry> writtenEntries(const fs::path& jpeg);
// The first APP1 payload (from "Exif") of a JPEG file; empty when there is none.
std::vector<uint8_t> app1Payload(const std::vector<uint8_t>& jpeg);

// Decodes a JPEG or BMP file with the imaging component; empty picture on failure.
Rgb decodeFile(const fs::path& path);
// Rows as the encoder receives them (bottom-up and BGR when the flags say so).
Rgb fromEncoderRows(const uint8_t* rows, uint32_t width, uint32_t height, bool bottomUp, bool bgr);

// The colour of the bands around a picture in the conversion tests.
constexpr uint32_t kFill = 0x00336699;  // red 0x99, green 0x66, blue 0x33
constexpr uint8_t kFillR = 0x99, kFillG = 0x66, kFillB = 0x33;

// The 1600 x 1200 scene, made once.
const Rgb& scene1600();

// A progress bar that remembers.
class RecordingBar : public ProgressBar {
public:
    void setRange(int low, int high) override { ranges.push_back({low, high}); }
    void setPosition(int position) override { positions.push_back(position); }

    std::vector<std::pair<int, int>> ranges;
    std::vector<int> positions;
};

// One converter with its three pictures, as the host keeps them.
class Conversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        preview_ = vximg::createPicture();
        canvas_ = vximg::createPicture();
        workspace_ = vximg::createPicture();
        converter = std::make_unique<PictureConversion>(
            ConverterPictures{preview_, canvas_, workspace_}, exif);
        converter->setClock([] { return CameraDateTime{2024, 8, 24, 13, 5, 9}; });
        converter->setEncoderObserver([this](const ExifImageInfo& info) {
            ++writes;
            primary = fromEncoderRows(info.pixels, info.sizes.width, info.sizes.height,
                                      info.flipRows != 0, info.swapRedBlue != 0);
            thumbnail =
                fromEncoderRows(info.thumbPixels, static_cast<uint32_t>(info.sizes.thumbWidth),
                                static_cast<uint32_t>(info.sizes.thumbHeight),
                                info.thumbFlipRows != 0, info.thumbSwapRedBlue != 0);
            EXPECT_EQ(info.sizes.quality, 75u);
            EXPECT_EQ(info.sizes.thumbQuality, 85u);
            EXPECT_NE(info.swapRedBlue, 0);
            EXPECT_NE(info.thumbSwapRedBlue, 0);
        });
    }
    void TearDown() override
    {
        converter.reset();
        preview_->release();
        canvas_->release();
        workspace_->release();
    }

    int convert(const fs::path& source, const fs::path& destination, PackedSize target,
                PackedSize thumb = kThumbnail160x120, int32_t code = 90)
    {
        writes = 0;
        primary = thumbnail = Rgb{};
        AppSettings settings;
        settings.JpegBaseColor = static_cast<int32_t>(kFill);
        settings.cameraCode = code;
        return converter->ConvertPicture(source, destination, target, thumb, settings);
    }

    vximg::IPicture* preview_ = nullptr;
    vximg::IPicture* canvas_ = nullptr;
    vximg::IPicture* workspace_ = nullptr;
    ExifImage exif;
    std::unique_ptr<PictureConversion> converter;
    // What the encoder received in the last conversion.
    int writes = 0;
    Rgb primary, thumbnail;
};

// Every pixel outside the picture area has exactly the fill colour.
void expectBandsExact(const Rgb& frame, int x, int y, int w, int h);
