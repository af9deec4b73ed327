// The camera's own tags, the carry-over of the source's tags and the rule
// that keeps the Exif data inside one APP1 segment, read back from the
// written files with the Exif library's reader.
#include "engine/CameraMetadata.h"
#include "engine/tests/ConversionTestSupport.h"

#include "exif/ExifImage.h"
#include "exif/TiffTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using Entries = std::map<std::pair<uint16_t, uint16_t>, WrittenEntry>;

// An ExifImage ready to write a small picture with a 160 x 120 thumbnail of
// real content (so the thumbnail's length is a realistic one).
class MetadataWrite {
public:
    MetadataWrite(const fs::path& output, int width = 64, int height = 48)
        : picture_(makeScene(width, height)), thumb_(makeScene(160, 120))
    {
        output_ = output;
        prepare();
    }
    void prepare()
    {
        exif.info.outputPath = output_;
        exif.info.pixels = picture_.pixels.data();
        exif.info.sizes.width = static_cast<uint32_t>(picture_.width);
        exif.info.sizes.height = static_cast<uint32_t>(picture_.height);
        exif.info.sizes.quality = 75;
        exif.info.thumbPixels = thumb_.pixels.data();
        exif.info.sizes.thumbWidth = 160;
        exif.info.sizes.thumbHeight = 120;
        exif.info.sizes.thumbQuality = 85;
    }
    int write(PackedSize target, const fs::path& source, CarryOverReport* report = nullptr,
              uint32_t x = 0, uint32_t y = 0, uint32_t w = 640, uint32_t h = 480)
    {
        prepare();
        return WriteCameraMetadata(
            exif, target, x, y, w, h, -1, source,
            [] { return CameraDateTime{2024, 8, 24, 13, 5, 9}; }, report);
    }
    Entries entries() const { return writtenEntries(output_); }

    ExifImage exif;

private:
    Rgb picture_, thumb_;
    fs::path output_;
};

// The text's bytes, padded with zeros to `size`.
std::vector<uint8_t> bytesOf(const std::string& text, size_t size = 0)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.resize(std::max(size, bytes.size()), 0);
    return bytes;
}

// A camera JPEG whose Exif data hold the given tags.
fs::path writeSource(const fs::path& folder, const std::string& name,
                     const std::vector<SourceTag>& tags, bool motorola)
{
    const fs::path path = folder / name;
    writeFileBytes(path, baselineJpeg(makeScene(96, 64), 90, exifPayload(tags, motorola)));
    return path;
}

std::vector<uint8_t> filler(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 31 + seed);
    return v;
}

// --- The camera's own tags --------------------------------------------------

TEST(CameraTags, LocalTimeWithoutAClock)
{
    const fs::path folder = scratchFolder("own-localtime");
    MetadataWrite w(folder / "out.jpg");
    const std::string before = exifDateText(currentLocalTime());
    w.prepare();
    ASSERT_NE(WriteCameraMetadata(w.exif, kSize640x480, 0, 0, 640, 480, -1, fs::path()), 0);
    const std::string after = exifDateText(currentLocalTime());
    const std::string written = w.entries().at({1, 0x0132}).text();
    EXPECT_GE(written, before);
    EXPECT_LE(written, after);
}

TEST(CameraTags, DateTextIsAlwaysNineteenCharacters)
{
    EXPECT_EQ(exifDateText({2024, 1, 2, 3, 4, 5}), "2024:01:02 03:04:05");
    EXPECT_EQ(exifDateText({123456, 100, -3, 24, 60, 99}), "9999:99:00 24:60:99");
    EXPECT_EQ(exifDateText({}).size(), 19u);
}

TEST(CameraTags, SizePlaceResolutionAndMarksByTargetSize)
{
    const std::pair<PackedSize, uint32_t> table[] = {
        {kSize640x480, 150},   {kSize1024x768, 240},    {kSize1024x384, 240},
        {kSize1280x960, 300},  {kSize1280x480, 300},    {kSize1600x1200, 375},
        {kSize1600x600, 375},  {kSize1920x1440, 450},   {kSize1984x1488, 465},
        {kSize2048x1536, 480}, {packSize(800, 600), 0}, {0, 0},
        {kThumbnail160x120, 0}};
    for (const auto& [size, dpi] : table)
        EXPECT_EQ(cameraResolution(size), dpi) << std::hex << size;

    const fs::path folder = scratchFolder("own-marks");
    const struct {
        PackedSize size;
        uint32_t quality, panorama, dpi;
    } cases[] = {{kSize640x480, 1, 0, 150},    {kSize1024x768, 2, 0, 240},
                 {kSize1024x384, 2, 0, 240},   {kSize1280x480, 2, 0, 300},
                 {kSize1600x1200, 2, 0, 375},  {kSize1600x600, 2, 1, 375},
                 {packSize(800, 600), 2, 0, 0}};
    MetadataWrite w(folder / "out.jpg", 72, 40);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.size);
        ASSERT_NE(w.write(c.size, fs::path(), nullptr, 256, 8, 512, 384), 0);
        const Entries e = w.entries();
        EXPECT_EQ(e.at({6, 0x0201}).type, kTiffShort);
        EXPECT_EQ(e.at({6, 0x0201}).number(), c.quality);
        EXPECT_EQ(e.at({6, 0x0200}).type, kTiffLong);
        EXPECT_EQ(e.at({6, 0x0200}).value, (std::vector<uint8_t>{static_cast<uint8_t>(c.panorama),
                                                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(e.at({1, 0x011A}).number(0), c.dpi);
        EXPECT_EQ(e.at({1, 0x011B}).number(0), c.dpi);
        EXPECT_EQ(e.at({1, 0x011B}).number(1), 1u);
        // The picture's size comes from the Exif image, not from the target.
        EXPECT_EQ(e.at({2, 0xA002}).number(), 72u);
        EXPECT_EQ(e.at({2, 0xA003}).number(), 40u);
        EXPECT_EQ(e.at({6, 0x020C}).number(), 72u);
        EXPECT_EQ(e.at({6, 0x020B}).number(), 40u);
        EXPECT_EQ(e.at({6, 0x0204}).number(1), 10u);  // 0/10, which exiftool shows as 0
        EXPECT_EQ(e.at({6, 0x020A}).type, kTiffUndefined);
        EXPECT_EQ(e.at({6, 0x020A}).value, bytesOf("OFFSET=256,8;IMAGE=512,384;", 512));
    }
}

// --- Carrying the source's tags over ----------------------------------------

class CarryOver : public ::testing::TestWithParam<bool> {};

std::vector<SourceTag> cameraSourceTags()
{
    return {
        asciiTag(1, 0x010F, "OLYMPUS IMAGING"),
        asciiTag(1, 0x0110, "E-1"),
        asciiTag(1, 0x013B, "Somebody Else"),
        asciiTag(1, 0x8298, "(c) nobody"),
        shortTag(1, 0x0112, {6}),
        rationalTag(2, 0x829A, 1, 125),
        rationalTag(2, 0x829D, 28, 10),
        shortTag(2, 0x8827, {200}),
        shortTag(2, 0x8822, {2}),
        rationalTag(2, 0x920A, 350, 10),
        shortTag(2, 0x9214, {10, 20, 30}),
        undefinedTag(2, 0x9286, filler(20, 3)),
        asciiTag(2, 0x9003, "2001:01:01 00:00:00"),
        shortTag(2, 0xA001, {65535}),
        asciiTag(5, 0x0001, "THM"),
        shortTag(5, 0x1001, {640}),
        asciiTag(4, 0x0001, "N"),
        rationalTag(4, 0x0002, 35, 1),
        longTag(3, 0x0100, {160}),
        shortTag(3, 0x0103, {1}),
        shortTag(6, 0x0100, {7}),
        undefinedTag(6, 0x0300, filler(40, 9)),
        shortTag(6, 0x0201, {9}),
        undefinedTag(6, 0x020A, bytesOf("OFFSET=1,1;")),
    };
}

TEST_P(CarryOver, KeepsTheSourcesTagsButNotTheReplacedOnes)
{
    const bool motorola = GetParam();
    const fs::path folder = scratchFolder(motorola ? "carry-mm" : "carry-ii");
    const fs::path source = writeSource(folder, "camera.jpg", cameraSourceTags(), motorola);
    MetadataWrite w(folder / "out.jpg");
    CarryOverReport report;
    ASSERT_NE(w.write(kSize1024x384, source, &report, 256, 0, 512, 384), 0);
    const Entries e = w.entries();

    // Exposure and other camera tags stay, with the same values in both byte
    // orders, as do the maker note's own entries other than 0x0200..0x020D;
    // the camera's own values replace the source's.
    const struct {
        uint16_t ifd, tag;
        std::vector<uint32_t> words;
    } numbers[] = {
        {2, 0x829A, {1, 125}}, {2, 0x829D, {28, 10}},     {2, 0x8827, {200}}, {2, 0x8822, {2}},
        {2, 0x920A, {350}},    {2, 0x9214, {10, 20, 30}}, {5, 0x1001, {640}}, {3, 0x0100, {160}},
        {6, 0x0100, {7}},      {1, 0x0112, {1}},          {2, 0xA001, {1}},   {3, 0x0103, {6}},
        {6, 0x0201, {2}},
    };
    for (const auto& n : numbers)
        for (size_t k = 0; k < n.words.size(); ++k)
            EXPECT_EQ(e.at({n.ifd, n.tag}).number(k), n.words[k])
                << n.ifd << "/" << std::hex << n.tag << " " << k;
    EXPECT_EQ(e.at({2, 0x9214}).count, 3u);
    EXPECT_EQ(e.at({2, 0x9286}).value, filler(20, 3));
    EXPECT_EQ(e.at({6, 0x0300}).value, filler(40, 9));
    const std::pair<std::pair<uint16_t, uint16_t>, std::string> texts[] = {
        {{1, 0x013B}, "Somebody Else"},
        {{1, 0x8298}, "(c) nobody"},
        {{1, 0x010F}, "TAMRI ORVEN CORP.      "},
        {{1, 0x0110}, "VidroTransfer"},
        {{2, 0x9003}, "2024:08:24 13:05:09"},
        {{5, 0x0001}, "R98"},
        {{6, 0x020A}, "OFFSET=256,0;IMAGE=512,384;"},
    };
    for (const auto& [key, text] : texts)
        EXPECT_EQ(e.at(key).text(), text);

    // No GPS link into bytes that hold something else, and no GPS directory.
    EXPECT_EQ(e.count({1, 0x8825}), 0u);
    EXPECT_EQ(e.count({4, 0x0001}), 0u);
    EXPECT_EQ(e.count({4, 0x0002}), 0u);
    EXPECT_EQ(report.dropped, 0);
    // Carried: 2 of IFD0, 7 of the Exif IFD, 1 of each of Interop and IFD1,
    // 2 of the maker note and the 2 GPS tags (kept, never written).
    EXPECT_EQ(report.carried, 15);
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, CarryOver, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Motorola") : std::string("Intel");
                         });

TEST(CarryOverSource, EachPictureCarriesOnlyItsOwnSource)
{
    const fs::path folder = scratchFolder("carry-replaced");
    const fs::path first = writeSource(folder, "a.jpg", cameraSourceTags(), false);
    const fs::path plain = folder / "b.jpg";
    writeFileBytes(plain, baselineJpeg(makeScene(32, 32), 90));
    MetadataWrite w(folder / "out.jpg");
    ASSERT_NE(w.write(kSize640x480, first), 0);
    EXPECT_EQ(w.entries().count({1, 0x013B}), 1u);
    ASSERT_NE(w.write(kSize640x480, plain), 0);
    EXPECT_EQ(w.entries().count({1, 0x013B}), 0u);
    EXPECT_EQ(w.exif.sourceSegment(), nullptr);
    ASSERT_NE(w.write(kSize640x480, first), 0);
    ASSERT_NE(w.write(kSize640x480, folder / "missing.jpg"), 0);
    EXPECT_EQ(w.entries().count({2, 0x829A}), 0u);
}

// --- Keeping the Exif data inside one segment --------------------------------

TEST(SegmentLimit, SixtyKilobyteMakerNoteIsLeftOutAndTheRestStays)
{
    const fs::path folder = scratchFolder("limit-makernote");
    std::vector<SourceTag> tags = {rationalTag(2, 0x829A, 1, 60),
                                   rationalTag(2, 0x829D, 4, 1),
                                   shortTag(2, 0x8827, {400}),
                                   shortTag(6, 0x0100, {7}),
                                   undefinedTag(6, 0x0300, filler(60000, 1)),
                                   asciiTag(6, 0x0400, "small entry")};
    const fs::path source = writeSource(folder, "camera.jpg", tags, true);
    ASSERT_GT(readFileBytes(source).size(), 60000u);
    MetadataWrite w(folder / "out.jpg", 640, 480);
    CarryOverReport report;
    ASSERT_NE(w.write(kSize640x480, source, &report), 0);

    EXPECT_EQ(report.dropped, 1);
    EXPECT_EQ(report.droppedBytes, 60012u);
    const Entries e = w.entries();
    EXPECT_EQ(e.count({6, 0x0300}), 0u);
    EXPECT_EQ(e.at({6, 0x0100}).number(), 7u);
    EXPECT_EQ(e.at({6, 0x0400}).text(), "small entry");
    EXPECT_EQ(e.at({2, 0x829A}).number(1), 60u);
    EXPECT_EQ(e.at({2, 0x8827}).number(), 400u);
    EXPECT_EQ(e.at({6, 0x020A}).text(), "OFFSET=0,0;IMAGE=640,480;");
    EXPECT_EQ(e.at({1, 0x010F}).text(), "TAMRI ORVEN CORP.      ");
    const std::vector<uint8_t> file = readFileBytes(folder / "out.jpg");
    const auto reader = readExifSource(file.data(), file.size());
    ASSERT_TRUE(reader);
    EXPECT_NE(reader->thumbnail, nullptr);
    EXPECT_EQ(app1Payload(file).size(), report.payloadBytes);
}

TEST(SegmentLimit, OnlyAsMuchAsNeededLargestFirst)
{
    const fs::path folder = scratchFolder("limit-largest");
    std::vector<SourceTag> tags = {undefinedTag(2, 0x9286, filler(20000, 2)),
                                   undefinedTag(6, 0x0300, filler(40000, 5)),
                                   undefinedTag(6, 0x0301, filler(100, 6))};
    const fs::path source = writeSource(folder, "camera.jpg", tags, false);
    MetadataWrite w(folder / "out.jpg");
    CarryOverReport report;
    ASSERT_NE(w.write(kSize640x480, source, &report), 0);
    EXPECT_EQ(report.dropped, 1);
    const Entries e = w.entries();
    EXPECT_EQ(e.count({6, 0x0300}), 0u);
    EXPECT_EQ(e.at({2, 0x9286}).value, filler(20000, 2));
    EXPECT_EQ(e.at({6, 0x0301}).value, filler(100, 6));
}

// The last byte that fits is used, one more leaves the tag out: the plan's
// arithmetic is exactly the writer's.
TEST(SegmentLimit, ExactlyFullSegmentIsWrittenWhole)
{
    const fs::path folder = scratchFolder("limit-exact");
    auto sourceWith = [&](size_t bytes) {
        return writeSource(folder, "camera.jpg",
                           {shortTag(2, 0x8827, {100}), undefinedTag(6, 0x0300, filler(bytes, 4))},
                           false);
    };
    MetadataWrite w(folder / "out.jpg");
    CarryOverReport probe;
    ASSERT_NE(w.write(kSize640x480, sourceWith(50000), &probe), 0);
    ASSERT_EQ(probe.dropped, 0);
    const uint32_t used = probe.payloadBytes;
    ASSERT_EQ(app1Payload(readFileBytes(folder / "out.jpg")).size(), used);
    ASSERT_LE(used, 65533u);
    const size_t fitting = 50000 + (65533 - used);

    CarryOverReport full;
    ASSERT_NE(w.write(kSize640x480, sourceWith(fitting), &full), 0);
    EXPECT_EQ(full.dropped, 0);
    EXPECT_EQ(app1Payload(readFileBytes(folder / "out.jpg")).size(), 65533u);
    EXPECT_EQ(w.entries().at({6, 0x0300}).count, fitting);

    CarryOverReport over;
    ASSERT_NE(w.write(kSize640x480, sourceWith(fitting + 1), &over), 0);
    EXPECT_EQ(over.dropped, 1);
    EXPECT_EQ(w.entries().count({6, 0x0300}), 0u);
    EXPECT_EQ(w.entries().at({2, 0x8827}).number(), 100u);
}

}  // namespace
