// Picture conversion over the portable imaging component: frame arithmetic,
// the pixels the encoder receives, the written files, broken and odd
// sources, abort and progress routing, the source hint scan.
#include "engine/tests/ConversionTestSupport.h"
#include "exif/JpegEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

using Entries = std::map<std::pair<uint16_t, uint16_t>, WrittenEntry>;

fs::path writePicture(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    writeFileBytes(path, bytes);
    return path;
}

// The primary picture of a written camera picture as a JPEG of its own: the
// file without its APP1 segment.
std::vector<uint8_t> primaryJpeg(const fs::path& written)
{
    std::vector<uint8_t> file = readFileBytes(written);
    if (file.size() < 6 || file[2] != 0xFF || file[3] != 0xE1)
        return {};
    const size_t app1End = 4 + (static_cast<size_t>(file[4]) << 8 | file[5]);
    if (app1End > file.size())
        return {};
    file.erase(file.begin() + 2, file.begin() + static_cast<std::ptrdiff_t>(app1End));
    return file;
}

// --- Frames: the pixels handed to the encoder and the written file ------------------

struct PictureCase {
    const char* name;
    const char*
        file;  // the source's file name: ".bmp" (bottom-up, "top" in the name: top-down) or ".jpg"
    int width, height;
    PackedSize target, thumb;
    int32_t code;
    int x, y, w, h;  // where the scaled picture lies in the frame: offsets rounded down to 8
    int compared;    // 0: the frame only; 1: the scaled picture too; 2: and the decoded file
};

void PrintTo(const PictureCase& c, std::ostream* out)
{
    *out << c.name;
}

class ConvertedPictures : public Conversion, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(ConvertedPictures, BandsOfTheFillColourAroundTheScaledSource)
{
    const PictureCase c = GetParam();
    const fs::path folder = scratchFolder(std::string("convert-") + c.name);
    const Rgb scene =
        c.width == 1600 && c.height == 1200 ? scene1600() : makeScene(c.width, c.height);
    const std::string file = c.file;
    const bool bmp = file.size() > 4 && file.substr(file.size() - 4) == ".bmp";
    const fs::path source =
        writePicture(folder / file, bmp ? bmp24(scene, file.find("top") != std::string::npos)
                                        : baselineJpeg(scene, 95));
    const fs::path out = folder / "out.jpg";
    ASSERT_EQ(convert(source, out, c.target, c.thumb, c.code), 0);
    ASSERT_EQ(writes, 1);

    const int fw = static_cast<int>(packedWidth(c.target)),
              fh = static_cast<int>(packedHeight(c.target));
    ASSERT_EQ(primary.width, fw);
    ASSERT_EQ(primary.height, fh);
    expectBandsExact(primary, c.x, c.y, c.w, c.h);
    // The written picture is exactly these pixels encoded, whether the rows
    // were encoded while the source was scaled or from the finished frame.
    std::vector<uint8_t> encoded;
    ASSERT_EQ(encodeRgbToJpegMemory(encoded, primary.pixels.data(), static_cast<uint32_t>(fw),
                                    static_cast<uint32_t>(fh), 75, 0, nullptr, 0, false),
              1);
    EXPECT_TRUE(primaryJpeg(out) == encoded);
    const Rgb reference = areaDownscale(bmp ? scene : decodeFile(source), c.w, c.h);
    if (c.compared >= 1) {
        EXPECT_GE(psnr(crop(primary, c.x, c.y, c.w, c.h), reference), 30.0);
    }
    EXPECT_EQ(thumbnail.width, static_cast<int>(packedWidth(c.thumb)));
    EXPECT_EQ(thumbnail.height, static_cast<int>(packedHeight(c.thumb)));

    const Entries e = writtenEntries(out);
    EXPECT_EQ(e.at({6, 0x020A}).text(), "OFFSET=" + std::to_string(c.x) + "," +
                                            std::to_string(c.y) + ";IMAGE=" + std::to_string(c.w) +
                                            "," + std::to_string(c.h) + ";");
    EXPECT_EQ(e.at({2, 0xA002}).number(), static_cast<uint32_t>(fw));
    EXPECT_EQ(e.at({2, 0xA003}).number(), static_cast<uint32_t>(fh));
    const Rgb decoded = decodeFile(out);
    ASSERT_EQ(decoded.width, fw);
    ASSERT_EQ(decoded.height, fh);
    if (c.compared >= 2) {
        // JPEG blurs the edge; away from it the bands keep their colour.
        if (c.x >= 16) {
            EXPECT_LE(maxDeviation(decoded, 0, 0, c.x - 10, fh, kFillR, kFillG, kFillB), 6);
            EXPECT_LE(maxDeviation(decoded, c.x + c.w + 16, 0, fw - c.x - c.w - 16, fh, kFillR,
                                   kFillG, kFillB),
                      6);
        }
        EXPECT_GE(psnr(crop(decoded, c.x, c.y, c.w, c.h), reference), 30.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ConvertedPictures,
    ::testing::Values(PictureCase{"panorama", "scene.bmp", 1600, 1200, kSize1024x384,
                                  kThumbnail80x60, 52, 256, 0, 512, 384, 2},
                      PictureCase{"square", "square-top.bmp", 1000, 1000, kSize640x480,
                                  kThumbnail160x120, 90, 80, 0, 480, 480, 2},
                      PictureCase{"strip", "strip.bmp", 10000, 200, kSize1600x1200,
                                  kThumbnail160x120, 90, 0, 584, 1600, 32, 1},
                      PictureCase{"jpeg-reduced", "scene.jpg", 1600, 1200, kSize640x480,
                                  kThumbnail160x120, 90, 0, 0, 640, 480, 2},
                      PictureCase{"jpeg-letterbox", "wide.jpg", 1600, 1000, kSize640x480,
                                  kThumbnail160x120, 90, 0, 40, 640, 400, 0},
                      PictureCase{"x-85-to-80", "narrow.bmp", 470, 480, kSize640x480,
                                  kThumbnail160x120, 90, 80, 0, 470, 480, 0},
                      PictureCase{"y-190-to-184", "flat.bmp", 640, 100, kSize640x480,
                                  kThumbnail160x120, 90, 0, 184, 640, 100, 0},
                      PictureCase{"enlarged", "small.bmp", 800, 600, kSize1600x1200,
                                  kThumbnail160x120, 90, 0, 0, 1600, 1200, 0},
                      PictureCase{"sliver-keeps-a-row", "sliver.bmp", 20000, 10, kSize640x480,
                                  kThumbnail160x120, 90, 0, 232, 640, 1, 0},
                      PictureCase{"small-frame", "wide.bmp", 1024, 384, packSize(160, 120),
                                  kThumbnail80x60, 90, 0, 24, 160, 60, 1},
                      // The DIB pads rows to 4 bytes; the encoder must get rows of exactly
                      // width * 3 bytes whatever the width (a padded row would shear the
                      // picture). 668 x 501 at (1002 - 668) / 2 = 167, rounded down to 160.
                      PictureCase{"odd", "scene.bmp", 1600, 1200, packSize(1002, 501),
                                  packSize(81, 61), 90, 160, 0, 668, 501, 2}),
    [](const ::testing::TestParamInfo<PictureCase>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST_F(Conversion, PanoramaThumbnailIsAFrameOfItsOwn)
{
    const fs::path folder = scratchFolder("convert-panorama-thumb");
    const fs::path source = writePicture(folder / "scene.bmp", bmp24(scene1600()));
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize1024x384, kThumbnail80x60, 52), 0);
    expectBandsExact(thumbnail, 0, 8, 80, 30);
}

TEST_F(Conversion, SameSizeIsTakenAsItIsAndFullSizeJpegStaysClose)
{
    const fs::path folder = scratchFolder("convert-same");
    const Rgb scene = makeScene(640, 480);
    const fs::path source = writePicture(folder / "scene.bmp", bmp24(scene));
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize640x480), 0);
    EXPECT_EQ(primary.pixels, scene.pixels);
    EXPECT_EQ(writtenEntries(folder / "out.jpg").at({6, 0x0201}).number(), 1u);
    EXPECT_GE(psnr(thumbnail, areaDownscale(scene, 160, 120)), 30.0);

    const fs::path jpeg = writePicture(folder / "scene.jpg", baselineJpeg(scene1600(), 92));
    ASSERT_EQ(convert(jpeg, folder / "fine.jpg", kSize1600x1200), 0);
    EXPECT_GE(psnr(primary, decodeFile(jpeg)), 40.0);
}

TEST_F(Conversion, OnePixelAndPalettePicturesBecomeTwentyFourBits)
{
    const fs::path folder = scratchFolder("convert-one");
    const fs::path one = writePicture(folder / "one.bmp", bmp24(solidPicture(1, 1, 10, 200, 30)));
    ASSERT_EQ(convert(one, folder / "out.jpg", kSize640x480), 0);
    expectBandsExact(primary, 80, 0, 480, 480);
    EXPECT_EQ(maxDeviation(primary, 80, 0, 480, 480, 10, 200, 30), 0);

    const Rgb scene = makeScene(640, 480);
    const fs::path grey = writePicture(folder / "grey.bmp", bmp8Gray(scene));
    ASSERT_EQ(convert(grey, folder / "out.jpg", kSize640x480), 0);
    ASSERT_EQ(primary.width, 640);
    for (int y = 0; y < 480; y += 37) {
        for (int x = 0; x < 640; x += 41) {
            const uint8_t g = scene.at(x, y)[1];
            const uint8_t* p = primary.at(x, y);
            ASSERT_TRUE(p[0] == g && p[1] == g && p[2] == g) << x << "," << y;
        }
    }
}

// --- Sources that are not camera material ---------------------------------------

TEST_F(Conversion, SourcesThatCannotBeConvertedGiveACodeAndNoFile)
{
    const fs::path folder = scratchFolder("convert-refused");
    const std::vector<uint8_t> progressive = progressiveJpeg(makeScene(320, 240), 85);
    std::vector<uint8_t> garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    enum Expect { Progressive, OtherCode, NotProgressive };
    const struct {
        const char* name;
        const std::vector<uint8_t>* bytes;  // nullptr: no such file
        Expect expect;
    } cases[] = {
        {"p.jpg", &progressive, Progressive},     // refused before it is loaded
        {"p.BmP", &progressive, NotProgressive},  // BMP names are not checked for progressive
                                                  // coding
        {"empty.jpg", nullptr, OtherCode},
        {"garbage.jpg", &garbage, OtherCode},
        {"missing.jpg", nullptr, OtherCode},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path source = folder / c.name;
        if (c.bytes != nullptr)
            writeFileBytes(source, *c.bytes);
        else if (std::string(c.name) == "empty.jpg")
            writeFileBytes(source, {});
        std::error_code ignored;
        fs::remove(folder / "out.jpg", ignored);
        const int rc = convert(source, folder / "out.jpg", kSize640x480);
        if (c.expect == NotProgressive) {
            EXPECT_NE(rc, kConvertProgressive);
            continue;
        }
        EXPECT_EQ(rc == kConvertProgressive, c.expect == Progressive) << rc;
        EXPECT_NE(rc, 0);
        EXPECT_FALSE(fs::exists(folder / "out.jpg"));
        EXPECT_EQ(writes, 0);
        if (c.expect == Progressive) {
            EXPECT_EQ(workspace_->width(), 0);  // never loaded
        }
    }
}

// A failure without a code of its own is still a failure, and leaves no tags
// behind for the next picture.
TEST_F(Conversion, UnexpectedFailureGivesAFailureCode)
{
    const fs::path folder = scratchFolder("convert-unexpected");
    const fs::path source = writePicture(folder / "a.bmp", bmp24(makeScene(64, 48)));
    converter->setEncoderObserver([this](const ExifImageInfo&) {
        exif.addTag(kIfd0, 0x010E, "left", kTiffAscii, 5);
        throw std::runtime_error("unexpected");
    });
    EXPECT_EQ(convert(source, folder / "out.jpg", kSize640x480), kConvertUnexpected);
    EXPECT_FALSE(fs::exists(folder / "out.jpg"));
    EXPECT_EQ(exif.countTags(kIfd0), 0);
}

// A truncated JPEG either still gives a camera picture or a clear code.
TEST_F(Conversion, TruncatedFilesNeverCrash)
{
    const fs::path folder = scratchFolder("convert-truncated");
    const std::vector<uint8_t> jpeg = baselineJpeg(makeScene(800, 600), 90);
    const std::vector<uint8_t> bmp = bmp24(makeScene(203, 150));
    const std::pair<const std::vector<uint8_t>*, const char*> files[] = {{&jpeg, "t.jpg"},
                                                                         {&bmp, "t.bmp"}};
    for (const auto& [bytes, name] : files) {
        for (const size_t cut :
             {size_t{2}, size_t{20}, size_t{300}, bytes->size() / 2, bytes->size() - 1}) {
            SCOPED_TRACE(::testing::Message() << name << " cut at " << cut);
            const std::vector<uint8_t> part(bytes->begin(),
                                            bytes->begin() + static_cast<std::ptrdiff_t>(cut));
            const fs::path source = writePicture(folder / name, part);
            const fs::path out = folder / "out.jpg";
            std::error_code ignored;
            fs::remove(out, ignored);
            if (convert(source, out, kSize640x480) == 0) {
                const Rgb decoded = decodeFile(out);
                EXPECT_EQ(decoded.width, 640);
                EXPECT_EQ(decoded.height, 480);
            } else {
                EXPECT_FALSE(fs::exists(out));
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
    RecordingBar bar;
    converter->attachProgress(bar);
    converter->setProgressHook([&](int percent) {
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

// The thumbnail of a panorama frame is made while the picture is encoded
// beside it; ESC there still ends the conversion without a file.
TEST_F(Conversion, EscapeWhileThePictureIsEncodedStopsItWithoutAFile)
{
    const fs::path folder = scratchFolder("abort-encoding");
    const fs::path source = writePicture(folder / "a.jpg", baselineJpeg(scene1600(), 90));
    int finished = 0;  // operations that reported 100: loading, decoding, then the thumbnail
    bool cancelled = false;
    RecordingBar bar;
    converter->attachProgress(bar);
    converter->setProgressHook([&](int percent) {
        if (finished == 2 && !cancelled) {
            cancelled = true;
            converter->CancelUpload();
        }
        finished += percent == 100 ? 1 : 0;
    });
    EXPECT_EQ(convert(source, folder / "out.jpg", kSize1600x600), 0);
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(fs::exists(folder / "out.jpg"));
    EXPECT_EQ(writes, 0);
}

TEST_F(Conversion, ProgressReachesTheBarUntilItIsDetached)
{
    const fs::path folder = scratchFolder("progress");
    const fs::path source = writePicture(folder / "a.jpg", baselineJpeg(scene1600(), 90));
    RecordingBar bar;
    std::vector<int>& seen = bar.positions;
    converter->attachProgress(bar);
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize1024x768), 0);
    ASSERT_FALSE(seen.empty());
    EXPECT_GE(*std::min_element(seen.begin(), seen.end()), 0);
    EXPECT_LE(*std::max_element(seen.begin(), seen.end()), 100);
    EXPECT_EQ(seen.back(), 100);
    converter->detachProgress();
    seen.clear();
    ASSERT_EQ(convert(source, folder / "out.jpg", kSize1024x768), 0);
    EXPECT_TRUE(seen.empty());
}

// --- Source hints and names ----------------------------------------------------------

TEST(SourceHints, LastRotationTextWithinTheScannedBytes)
{
    const fs::path folder = scratchFolder("hints");
    const auto hintIn = [&](std::vector<uint8_t> bytes,
                            const std::vector<std::pair<size_t, std::string>>& texts,
                            int32_t code) {
        for (const auto& [at, text] : texts)
            std::memcpy(&bytes[at], text.c_str(), text.size());
        writeFileBytes(folder / "a.jpg", bytes);
        return scanSourceHints(folder / "a.jpg", code).rotation;
    };
    const std::vector<uint8_t> small(1000, 'x'), big(70000, 'R');
    EXPECT_EQ(
        hintIn(small,
               {{100, std::string("ROTATE=90\0", 10)}, {500, std::string("ROTATE=270\0", 11)}}, 90),
        270);
    for (int32_t code : {52, 82, 86})  // 90 and 270 count as 0 for these cameras
        EXPECT_EQ(hintIn(small, {{100, std::string("ROTATE=270\0", 11)}}, code), 0) << code;
    EXPECT_EQ(hintIn(small, {{500, std::string("ROTATE=180\0", 11)}}, 52), 180);
    EXPECT_EQ(hintIn(big, {}, 90), -1);
    EXPECT_EQ(hintIn(big, {{65548 - 6, std::string("ROTATE=90\0", 10)}}, 90),
              -1);  // starts inside, ends outside
    EXPECT_EQ(hintIn(big, {{65548 - 8, std::string("ROTATE=90\0", 10)}}, 90),
              9);  // digits cut by the end
    EXPECT_EQ(hintIn(std::vector<uint8_t>(7), {{0, "ROTATE="}}, 90), 0);
    EXPECT_EQ(scanSourceHints(folder / "a.jpg", 90).packedSize, 0u);
    EXPECT_EQ(scanSourceHints(folder / "missing.jpg", 90).rotation, -1);
}

TEST(SourceNames, LastThreeCharactersInAnyCase)
{
    for (const char* name : {"a.bmp", "A.BMP", "dir/x.bMp", "bmp", "picturebmp"})
        EXPECT_TRUE(nameEndsInBmp(name)) << name;
    for (const char* name : {"a.bm", "a.bmp.jpg", "a.dib", ""})
        EXPECT_FALSE(nameEndsInBmp(name)) << name;
}

}  // namespace
