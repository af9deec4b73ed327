// Picture conversion over the portable imaging component: frame arithmetic,
// the pixels the encoder receives, the written files, broken and odd
// sources, abort and progress routing, the source hint scan.
#include "PictureConversion.h"
#include "ConversionTestSupport.h"

#include "ExifImage.h"
#include "Picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using Entries = std::map<std::pair<uint16_t, uint16_t>, WrittenEntry>;

constexpr uint32_t kFill = 0x00336699;  // red 0x99, green 0x66, blue 0x33
constexpr uint8_t kFillR = 0x99, kFillG = 0x66, kFillB = 0x33;

const Rgb& scene1600()
{
    static const Rgb scene = makeScene(1600, 1200);
    return scene;
}

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
            thumbnail = fromEncoderRows(info.thumbPixels,
                                        static_cast<uint32_t>(info.sizes.thumbWidth),
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
        ConversionSettings settings;
        settings.jpegBaseColor = static_cast<int32_t>(kFill);
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

fs::path writePicture(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    writeFileBytes(path, bytes);
    return path;
}

// Every pixel outside the picture area has exactly the fill colour.
void expectBandsExact(const Rgb& frame, int x, int y, int w, int h)
{
    int wrong = 0;
    for (int j = 0; j < frame.height; ++j) {
        for (int i = 0; i < frame.width; ++i) {
            if (i >= x && i < x + w && j >= y && j < y + h)
                continue;
            const uint8_t* p = frame.at(i, j);
            if (p[0] != kFillR || p[1] != kFillG || p[2] != kFillB)
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels off the fill colour outside " << x << "," << y << " " << w
                        << "x" << h;
}

// --- Frame arithmetic -----------------------------------------------------------

struct FitCase {
    int sw, sh, dw, dh;
    uint32_t x, y, w, h;
};

class FitToCanvasCases : public Conversion, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitToCanvasCases, PlacesThePictureAndFillsTheBands)
{
    const FitCase c = GetParam();
    ASSERT_EQ(workspace_->createBlank(static_cast<float>(c.sw), static_cast<float>(c.sh), 24), 0);
    ASSERT_EQ(workspace_->fill(0x000000FF), 0);  // red
    FrameOffset offset;
    FrameImageSize image;
    ASSERT_EQ(converter->FitToCanvas(*workspace_, static_cast<float>(c.sw), static_cast<float>(c.sh),
                                     static_cast<float>(c.dw), static_cast<float>(c.dh), &offset,
                                     &image, kFill),
              0);
    EXPECT_EQ(offset.x, c.x);
    EXPECT_EQ(offset.y, c.y);
    EXPECT_EQ(image.width, c.w);
    EXPECT_EQ(image.height, c.h);
    EXPECT_EQ(offset.x % 8, 0u);
    EXPECT_EQ(offset.y % 8, 0u);
    ASSERT_EQ(workspace_->width(), c.dw);
    ASSERT_EQ(workspace_->height(), c.dh);
    ASSERT_EQ(workspace_->bitsPerPixel(), 24);

    std::vector<uint8_t> dib(workspace_->dibSize());
    ASSERT_EQ(workspace_->copyDib(dib.data(), dib.size()), 0);
    const size_t stride = (static_cast<size_t>(c.dw) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> rows;
    for (int y = 0; y < c.dh; ++y)
        rows.insert(rows.end(), dib.begin() + 40 + static_cast<std::ptrdiff_t>(stride * static_cast<size_t>(y)),
                    dib.begin() + 40 + static_cast<std::ptrdiff_t>(stride * static_cast<size_t>(y) + static_cast<size_t>(c.dw) * 3));
    const Rgb composed = fromEncoderRows(rows.data(), static_cast<uint32_t>(c.dw),
                                         static_cast<uint32_t>(c.dh), true, true);
    expectBandsExact(composed, static_cast<int>(c.x), static_cast<int>(c.y), static_cast<int>(c.w),
                     static_cast<int>(c.h));
    EXPECT_EQ(maxDeviation(composed, static_cast<int>(c.x), static_cast<int>(c.y),
                           static_cast<int>(c.w), static_cast<int>(c.h), 255, 0, 0),
              0);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FitToCanvasCases,
    ::testing::Values(FitCase{1600, 1200, 1024, 384, 256, 0, 512, 384},  // panorama of a 4:3 picture
                      FitCase{1000, 1000, 640, 480, 80, 0, 480, 480},    // exactly half of 160
                      FitCase{470, 480, 640, 480, 80, 0, 470, 480},      // 85 rounded down to 80
                      FitCase{640, 100, 640, 480, 0, 184, 640, 100},     // 190 rounded down
                      FitCase{10000, 200, 1600, 1200, 0, 584, 1600, 32}, // a long strip
                      FitCase{1, 1, 640, 480, 80, 0, 480, 480},          // one pixel, enlarged
                      FitCase{1024, 384, 160, 120, 0, 24, 160, 60},      // thumbnail of a panorama
                      FitCase{800, 600, 1600, 1200, 0, 0, 1600, 1200},   // same ratio, enlarged
                      FitCase{20000, 10, 640, 480, 0, 232, 640, 1}));    // a sliver keeps one row

// --- Pixels handed to the encoder and the written file ---------------------------

TEST_F(Conversion, PanoramaOfAFourThreePicture)
{
    const fs::path folder = scratchFolder("convert-panorama");
    const fs::path source = writePicture(folder / "scene.bmp", bmp24(scene1600()));
    const fs::path out = folder / "out.jpg";
    ASSERT_EQ(convert(source, out, kSize1024x384, kThumbnail80x60, 52), 0);
    ASSERT_EQ(writes, 1);

    ASSERT_EQ(primary.width, 1024);
    ASSERT_EQ(primary.height, 384);
    expectBandsExact(primary, 256, 0, 512, 384);
    const Rgb reference = areaDownscale(scene1600(), 512, 384);
    EXPECT_GE(psnr(crop(primary, 256, 0, 512, 384), reference), 30.0);

    // The thumbnail is a frame of its own: bands above and below.
    ASSERT_EQ(thumbnail.width, 80);
    ASSERT_EQ(thumbnail.height, 60);
    expectBandsExact(thumbnail, 0, 8, 80, 30);

    const Entries e = writtenEntries(out);
    EXPECT_EQ(e.at({6, 0x020A}).text(), "OFFSET=256,0;IMAGE=512,384;");
    EXPECT_EQ(e.at({2, 0xA002}).number(), 1024u);
    EXPECT_EQ(e.at({2, 0xA003}).number(), 384u);

    const Rgb decoded = decodeFile(out);
    ASSERT_EQ(decoded.width, 1024);
    ASSERT_EQ(decoded.height, 384);
    // JPEG blurs the edge; away from it the bands keep their colour.
    EXPECT_LE(maxDeviation(decoded, 0, 0, 240, 384, kFillR, kFillG, kFillB), 6);
    EXPECT_LE(maxDeviation(decoded, 784, 0, 240, 384, kFillR, kFillG, kFillB), 6);
    EXPECT_GE(psnr(crop(decoded, 256, 0, 512, 384), reference), 30.0);
}

TEST_F(Conversion, SameSizeIsTakenAsItIs)
{
    const fs::path folder = scratchFolder("convert-same");
    const Rgb scene = makeScene(640, 480);
    const fs::path source = writePicture(folder / "scene.bmp", bmp24(scene));
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize640x480), 0);
    EXPECT_EQ(primary.pixels, scene.pixels);
    const Entries e = writtenEntries(folder / "out.jpg");
    EXPECT_EQ(e.at({6, 0x020A}).text(), "OFFSET=0,0;IMAGE=640,480;");
    EXPECT_EQ(e.at({6, 0x0201}).number(), 1u);
    EXPECT_GE(psnr(thumbnail, areaDownscale(scene, 160, 120)), 30.0);
}

TEST_F(Conversion, SquareIntoStandardSize)
{
    const fs::path folder = scratchFolder("convert-square");
    const Rgb scene = makeScene(1000, 1000);
    const fs::path source = writePicture(folder / "square.bmp", bmp24(scene, true));
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize640x480), 0);
    expectBandsExact(primary, 80, 0, 480, 480);
    EXPECT_GE(psnr(crop(primary, 80, 0, 480, 480), areaDownscale(scene, 480, 480)), 30.0);
    EXPECT_EQ(writtenEntries(folder / "out.jpg").at({6, 0x020A}).text(),
              "OFFSET=80,0;IMAGE=480,480;");
}

TEST_F(Conversion, JpegSourceDecodedAtReducedScale)
{
    const fs::path folder = scratchFolder("convert-jpeg");
    const fs::path source = writePicture(folder / "scene.jpg", baselineJpeg(scene1600(), 92));
    const Rgb full = decodeFile(source);
    ASSERT_EQ(full.width, 1600);
    ASSERT_EQ(convert(source, folder / "small.jpg", kSize640x480), 0);
    EXPECT_GE(psnr(primary, areaDownscale(full, 640, 480)), 30.0);
    ASSERT_EQ(convert(source, folder / "fine.jpg", kSize1600x1200), 0);
    EXPECT_GE(psnr(primary, full), 40.0);
    EXPECT_EQ(writtenEntries(folder / "fine.jpg").at({6, 0x020A}).text(),
              "OFFSET=0,0;IMAGE=1600,1200;");
}

// The DIB pads rows to 4 bytes; the encoder must get rows of exactly
// width * 3 bytes whatever the width (a padded row would shear the picture).
TEST_F(Conversion, OddWidthsReachTheEncoderUnpadded)
{
    const fs::path folder = scratchFolder("convert-odd");
    const fs::path source = writePicture(folder / "scene.bmp", bmp24(scene1600()));
    const fs::path out = folder / "out.jpg";
    ASSERT_EQ(convert(source, out, packSize(1002, 501), packSize(81, 61)), 0);
    ASSERT_EQ(primary.width, 1002);
    ASSERT_EQ(primary.height, 501);
    // 1600 x 1200 into 1002 x 501: 668 x 501, at (1002 - 668) / 2 = 167, rounded down to 160.
    expectBandsExact(primary, 160, 0, 668, 501);
    EXPECT_GE(psnr(crop(primary, 160, 0, 668, 501), areaDownscale(scene1600(), 668, 501)), 30.0);
    ASSERT_EQ(thumbnail.width, 81);
    ASSERT_EQ(thumbnail.height, 61);

    const Rgb decoded = decodeFile(out);
    ASSERT_EQ(decoded.width, 1002);
    ASSERT_EQ(decoded.height, 501);
    EXPECT_GE(psnr(crop(decoded, 160, 0, 668, 501), areaDownscale(scene1600(), 668, 501)), 30.0);
    EXPECT_LE(maxDeviation(decoded, 0, 0, 150, 501, kFillR, kFillG, kFillB), 6);
    EXPECT_LE(maxDeviation(decoded, 840, 0, 162, 501, kFillR, kFillG, kFillB), 6);
}

TEST_F(Conversion, OnePixelPicture)
{
    const fs::path folder = scratchFolder("convert-one");
    const fs::path source = writePicture(folder / "one.bmp", bmp24(solidPicture(1, 1, 10, 200, 30)));
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize640x480), 0);
    expectBandsExact(primary, 80, 0, 480, 480);
    EXPECT_EQ(maxDeviation(primary, 80, 0, 480, 480, 10, 200, 30), 0);
    EXPECT_EQ(decodeFile(folder / "out.jpg").width, 640);
}

TEST_F(Conversion, LongStrip)
{
    const fs::path folder = scratchFolder("convert-strip");
    const Rgb strip = makeScene(10000, 200);
    const fs::path source = writePicture(folder / "strip.bmp", bmp24(strip));
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize1600x1200), 0);
    expectBandsExact(primary, 0, 584, 1600, 32);
    EXPECT_GE(psnr(crop(primary, 0, 584, 1600, 32), areaDownscale(strip, 1600, 32)), 30.0);
    EXPECT_EQ(writtenEntries(folder / "out.jpg").at({6, 0x020A}).text(),
              "OFFSET=0,584;IMAGE=1600,32;");
}

TEST_F(Conversion, PalettePictureBecomesTwentyFourBits)
{
    const fs::path folder = scratchFolder("convert-palette");
    const Rgb scene = makeScene(640, 480);
    const fs::path source = writePicture(folder / "grey.bmp", bmp8Gray(scene));
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize640x480), 0);
    ASSERT_EQ(primary.width, 640);
    for (int y = 0; y < 480; y += 37) {
        for (int x = 0; x < 640; x += 41) {
            const uint8_t g = scene.at(x, y)[1];
            const uint8_t* p = primary.at(x, y);
            ASSERT_TRUE(p[0] == g && p[1] == g && p[2] == g) << x << "," << y;
        }
    }
}

TEST_F(Conversion, ConverterIsReusedForPictureAfterPicture)
{
    const fs::path folder = scratchFolder("convert-sequence");
    const fs::path big = writePicture(folder / "big.bmp", bmp24(scene1600()));
    const Rgb small = makeScene(300, 500);
    const fs::path tall = writePicture(folder / "tall.jpg", baselineJpeg(small, 95));
    const PackedSize sizes[] = {kSize1600x600, kSize640x480, packSize(1001, 333), kSize1280x960};
    for (PackedSize size : sizes) {
        for (const fs::path& source : {big, tall}) {
            const fs::path out = folder / "out.jpg";
            ASSERT_EQ(convert(source, out, size), 0);
            const Rgb decoded = decodeFile(out);
            EXPECT_EQ(decoded.width, static_cast<int>(packedWidth(size)));
            EXPECT_EQ(decoded.height, static_cast<int>(packedHeight(size)));
            EXPECT_EQ(thumbnail.width, 160);
            EXPECT_EQ(thumbnail.height, 120);
        }
    }
}

TEST_F(Conversion, SourceExifSurvivesTheConversion)
{
    const fs::path folder = scratchFolder("convert-exif");
    const std::vector<uint8_t> app1 =
        exifPayload({rationalTag(2, 0x829A, 1, 250), shortTag(2, 0x8827, {800}),
                     asciiTag(1, 0x010F, "SOMEONE")},
                    true);
    const fs::path source = writePicture(folder / "camera.jpg", baselineJpeg(makeScene(800, 600), 90, app1));
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize1024x768), 0);
    const Entries e = writtenEntries(folder / "out.jpg");
    EXPECT_EQ(e.at({2, 0x829A}).number(1), 250u);
    EXPECT_EQ(e.at({2, 0x8827}).number(), 800u);
    EXPECT_EQ(e.at({1, 0x010F}).text(), "TAMRI ORVEN CORP.      ");
    EXPECT_EQ(e.at({1, 0x011A}).number(), 240u);
}

// --- Sources that are not camera material ---------------------------------------

TEST_F(Conversion, ProgressiveJpegIsRefusedUnloaded)
{
    const fs::path folder = scratchFolder("convert-progressive");
    const fs::path source = writePicture(folder / "p.jpg", progressiveJpeg(makeScene(320, 240), 85));
    EXPECT_EQ(convert(source, folder / "out.jpg", kSize640x480), kConvertProgressive);
    EXPECT_FALSE(fs::exists(folder / "out.jpg"));
    EXPECT_EQ(workspace_->width(), 0);  // never loaded
}

TEST_F(Conversion, BmpNamesAreNotCheckedForProgressiveCoding)
{
    const fs::path folder = scratchFolder("convert-bmpname");
    const fs::path source = writePicture(folder / "p.BmP", progressiveJpeg(makeScene(320, 240), 85));
    EXPECT_NE(convert(source, folder / "out.jpg", kSize640x480), kConvertProgressive);
}

TEST_F(Conversion, EmptyFileGivesTheComponentsCode)
{
    const fs::path folder = scratchFolder("convert-empty");
    const fs::path source = writePicture(folder / "empty.jpg", {});
    const int rc = convert(source, folder / "out.jpg", kSize640x480);
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, kConvertProgressive);
    EXPECT_FALSE(fs::exists(folder / "out.jpg"));
    EXPECT_EQ(writes, 0);
}

TEST_F(Conversion, MissingFileAndGarbageGiveCodes)
{
    const fs::path folder = scratchFolder("convert-garbage");
    EXPECT_NE(convert(folder / "missing.jpg", folder / "out.jpg", kSize640x480), 0);
    std::vector<uint8_t> garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    const fs::path source = writePicture(folder / "garbage.jpg", garbage);
    EXPECT_NE(convert(source, folder / "out.jpg", kSize640x480), 0);
    EXPECT_FALSE(fs::exists(folder / "out.jpg"));
}

// A truncated JPEG either still gives a camera picture or a clear code.
TEST_F(Conversion, TruncatedFilesNeverCrash)
{
    const fs::path folder = scratchFolder("convert-truncated");
    const std::vector<uint8_t> jpeg = baselineJpeg(makeScene(800, 600), 90);
    const std::vector<uint8_t> bmp = bmp24(makeScene(203, 150));
    const std::pair<const std::vector<uint8_t>*, const char*> files[] = {{&jpeg, "t.jpg"}, {&bmp, "t.bmp"}};
    for (const auto& [bytes, name] : files) {
        for (const size_t cut : {size_t{2}, size_t{20}, size_t{300}, bytes->size() / 2, bytes->size() - 1}) {
            const std::vector<uint8_t> part(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(cut));
            const fs::path source = writePicture(folder / name, part);
            const fs::path out = folder / "out.jpg";
            std::error_code ignored;
            fs::remove(out, ignored);
            const int rc = convert(source, out, kSize640x480);
            if (rc == 0) {
                const Rgb decoded = decodeFile(out);
                EXPECT_EQ(decoded.width, 640) << name << " cut at " << cut;
                EXPECT_EQ(decoded.height, 480) << name << " cut at " << cut;
            } else {
                EXPECT_FALSE(fs::exists(out)) << name << " cut at " << cut;
            }
        }
    }
}

TEST_F(Conversion, UnchangedCopyForTheSizeTheHintReports)
{
    // The hint never reports a size, so only a target size of 0 copies.
    const fs::path folder = scratchFolder("convert-copy");
    const std::vector<uint8_t> bytes = baselineJpeg(makeScene(64, 48), 90);
    const fs::path source = writePicture(folder / "a.jpg", bytes);
    writeFileBytes(folder / "out.jpg", {1, 2, 3});
    ASSERT_EQ(convert(source, folder / "out.jpg", 0), 0);
    EXPECT_EQ(readFileBytes(folder / "out.jpg"), bytes);
    EXPECT_EQ(writes, 0);
    EXPECT_NE(convert(source, folder / "no-such-folder" / "out.jpg", 0), 0);
}

// --- Abort and progress ------------------------------------------------------------

TEST_F(Conversion, NothingHappensAfterAnAbort)
{
    const fs::path folder = scratchFolder("abort-before");
    const fs::path source = writePicture(folder / "a.bmp", bmp24(makeScene(64, 48)));
    converter->setContinueFlag(0);
    EXPECT_EQ(convert(source, folder / "out.jpg", kSize640x480), 0);
    EXPECT_FALSE(fs::exists(folder / "out.jpg"));
    EXPECT_EQ(workspace_->width(), 0);
}

TEST_F(Conversion, EscapeDuringTheConversionStopsItWithoutAFile)
{
    const fs::path folder = scratchFolder("abort-during");
    const fs::path source = writePicture(folder / "a.jpg", baselineJpeg(scene1600(), 90));
    int reports = 0, afterCancel = 0;
    bool cancelled = false;
    converter->attachProgress([&](int percent) {
        ++reports;
        if (cancelled)
            ++afterCancel;
        // Loading reports 0 and 100; the third report comes from the decoding.
        if (reports == 3 && !cancelled) {
            EXPECT_LT(percent, 100);
            cancelled = true;
            converter->CancelUpload();  // what the host does when ESC is answered with Yes
        }
    });
    EXPECT_EQ(convert(source, folder / "out.jpg", kSize640x480), 0);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(afterCancel, 0);
    EXPECT_EQ(converter->continueFlag(), 0);
    EXPECT_FALSE(fs::exists(folder / "out.jpg"));
    EXPECT_EQ(writes, 0);
    EXPECT_FALSE(workspace_->progressEnabled());  // the next report switched them off
}

TEST_F(Conversion, ProgressReachesTheReceiver)
{
    const fs::path folder = scratchFolder("progress");
    const fs::path source = writePicture(folder / "a.jpg", baselineJpeg(scene1600(), 90));
    std::vector<int> seen;
    converter->attachProgress([&](int percent) { seen.push_back(percent); });
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize1024x768), 0);
    ASSERT_FALSE(seen.empty());
    for (int p : seen) {
        EXPECT_GE(p, 0);
        EXPECT_LE(p, 100);
    }
    EXPECT_EQ(seen.back(), 100);
    converter->dropProgress();
    seen.clear();
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize1024x768), 0);
    EXPECT_TRUE(seen.empty());
}

// --- Source hints and names ----------------------------------------------------------

TEST(SourceHints, LastRotationTextWins)
{
    const fs::path folder = scratchFolder("hints");
    std::vector<uint8_t> bytes(1000, 'x');
    const std::string first = "ROTATE=90", second = "ROTATE=270";
    std::memcpy(&bytes[100], first.c_str(), first.size() + 1);
    std::memcpy(&bytes[500], second.c_str(), second.size() + 1);
    writeFileBytes(folder / "a.jpg", bytes);
    EXPECT_EQ(scanSourceHints(folder / "a.jpg", 90).rotation, 270);
    EXPECT_EQ(scanSourceHints(folder / "a.jpg", 90).packedSize, 0u);
    for (int32_t code : {52, 82, 86})
        EXPECT_EQ(scanSourceHints(folder / "a.jpg", code).rotation, 0) << code;

    std::memcpy(&bytes[500], "ROTATE=180", 11);
    writeFileBytes(folder / "b.jpg", bytes);
    EXPECT_EQ(scanSourceHints(folder / "b.jpg", 52).rotation, 180);
}

TEST(SourceHints, NoTextOrTextBeyondTheScannedBytes)
{
    const fs::path folder = scratchFolder("hints-none");
    std::vector<uint8_t> bytes(70000, 'R');
    writeFileBytes(folder / "none.jpg", bytes);
    EXPECT_EQ(scanSourceHints(folder / "none.jpg", 90).rotation, -1);
    std::memcpy(&bytes[65548 - 6], "ROTATE=90", 10);  // starts inside, ends outside
    writeFileBytes(folder / "edge.jpg", bytes);
    EXPECT_EQ(scanSourceHints(folder / "edge.jpg", 90).rotation, -1);
    std::memcpy(&bytes[65548 - 8], "ROTATE=90", 10);  // digits cut by the end of the scan
    writeFileBytes(folder / "cut.jpg", bytes);
    EXPECT_EQ(scanSourceHints(folder / "cut.jpg", 90).rotation, 9);
    EXPECT_EQ(scanSourceHints(folder / "missing.jpg", 90).rotation, -1);
    writeFileBytes(folder / "end.jpg", {'R', 'O', 'T', 'A', 'T', 'E', '='});
    EXPECT_EQ(scanSourceHints(folder / "end.jpg", 90).rotation, 0);
}

TEST(SourceNames, LastThreeCharactersInAnyCase)
{
    EXPECT_TRUE(nameEndsInBmp("a.bmp"));
    EXPECT_TRUE(nameEndsInBmp("A.BMP"));
    EXPECT_TRUE(nameEndsInBmp("dir/x.bMp"));
    EXPECT_TRUE(nameEndsInBmp("bmp"));
    EXPECT_TRUE(nameEndsInBmp("picturebmp"));
    EXPECT_FALSE(nameEndsInBmp("a.bm"));
    EXPECT_FALSE(nameEndsInBmp("a.bmp.jpg"));
    EXPECT_FALSE(nameEndsInBmp("a.dib"));
    EXPECT_FALSE(nameEndsInBmp(""));
}

}  // namespace
