// Camera pictures written by ExifImage, read back by exiftool and djpeg.
#include "exif/ExifImage.h"
#include "exif/JpegEncoder.h"
#include "exif/tests/ToolSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace {

struct AddedTag {
    uint16_t ifd, tag, type;
    uint32_t count;
    std::vector<uint8_t> intel;  // the value as it must be stored
};

class ToolReadBack : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char* tool : {"exiftool", "djpeg"})
            ASSERT_TRUE(toolOnPath(tool)) << tool << " is part of the set-up and must be found";
    }

    // Writes a camera picture; remembers every tag that went in.
    void write(const fs::path& path, uint32_t width, uint32_t height, bool extraTypes)
    {
        buffers_ = prepareWrite(image_, path, width, height);
        addUsualTags(image_, width, height);
        if (extraTypes) {
            const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
            const int8_t sbytes[5] = {-1, -2, 3, 4, -5};
            const uint16_t shorts[3] = {0x1234, 0x5678, 0x9ABC};
            const int16_t sshorts[2] = {-300, 300};
            const uint32_t longs[2] = {0x01020304, 70000};
            const int32_t slongs[1] = {-123456};
            const int32_t srational[4] = {-1, 3, 7, -9};
            const float floats[2] = {1.5f, -0.25f};
            const double doubles[1] = {-2.25};
            image_.addTag(kIfdExif, 0xC001, bytes, kTiffByte, 6);
            image_.addTag(kIfdExif, 0xC002, sbytes, kTiffSByte, 5);
            image_.addTag(kIfdExif, 0xC003, shorts, kTiffShort, 3);
            image_.addTag(kIfdExif, 0xC004, shorts, kTiffShort, 2);
            image_.addTag(kIfdExif, 0xC005, sshorts, kTiffSShort, 2);
            image_.addTag(kIfdExif, 0xC006, longs, kTiffLong, 2);
            image_.addTag(kIfdExif, 0xC007, slongs, kTiffSLong, 1);
            image_.addTag(kIfdExif, 0xC008, srational, kTiffSRational, 2);
            image_.addTag(kIfdExif, 0xC009, floats, kTiffFloat, 2);
            image_.addTag(kIfdExif, 0xC00A, doubles, kTiffDouble, 1);
            image_.addTag(kIfdExif, 0xC00B, "0100", kTiffAscii, 4);
            image_.addTag(kIfdExif, 0xC00C, "abcd", kTiffAscii, 5);
            image_.addTag(kIfdMakerNote, 0x0300, shorts, kTiffShort, 3);
            image_.addTag(kIfdGps, 0x0001, "N", kTiffAscii, 2);
        }
        added_.clear();
        for (const ExifTag& t : image_.info.sizes.tags) {
            if (t.ifd != kIfdGps)
                added_.push_back(
                    {t.ifd, t.tag, t.type, t.count,
                     // the host is little-endian on every build (the library checks it)
                     std::vector<uint8_t>(t.value.begin(),
                                          t.value.begin() + tiffElementSize(t.type) * t.count)});
        }
        makerNoteSize_ = image_.ifdSize(kIfdMakerNote);
        ASSERT_NE(0, image_.writeExifJpeg());
    }

    ExifImage image_;
    PictureBuffers buffers_;
    std::vector<AddedTag> added_;
    uint32_t makerNoteSize_ = 0;
};

TEST_F(ToolReadBack, ExiftoolFindsEveryTagInItsDirectoryWithTypeCountAndValue)
{
    const fs::path path = scratchFolder("readback-tags") / "tags.jpg";
    write(path, 320, 240, true);
    const auto listed = exiftoolEntries(path);
    std::map<std::pair<uint16_t, uint16_t>, ExiftoolEntry> byTag;
    for (const ExiftoolEntry& e : listed) {
        if (e.ifd != 0) {
            EXPECT_TRUE(byTag.emplace(std::make_pair(e.ifd, e.tag), e).second)
                << e.directory << " 0x" << std::hex << e.tag;
        }
    }
    EXPECT_EQ(added_.size(), byTag.size()) << "exiftool lists exactly the tags written";
    const std::set<uint16_t> links = {0x8769, 0xA005, 0x0201, 0x0202};
    for (const AddedTag& t : added_) {
        SCOPED_TRACE(::testing::Message() << "ifd " << t.ifd << " tag 0x" << std::hex << t.tag);
        const auto it = byTag.find({t.ifd, t.tag});
        ASSERT_NE(byTag.end(), it);
        const ExiftoolEntry& e = it->second;
        EXPECT_EQ(t.type, e.type);
        if (t.tag == 0x927C) {
            EXPECT_EQ(makerNoteSize_, e.count);
            continue;
        }
        EXPECT_EQ(t.count, e.count);
        if (links.count(t.tag) != 0)
            continue;
        ASSERT_FALSE(e.shown.empty());
        const size_t n = std::min(e.shown.size(), t.intel.size());
        EXPECT_EQ(
            std::vector<uint8_t>(t.intel.begin(), t.intel.begin() + static_cast<std::ptrdiff_t>(n)),
            std::vector<uint8_t>(e.shown.begin(),
                                 e.shown.begin() + static_cast<std::ptrdiff_t>(n)));
    }
}

TEST_F(ToolReadBack, ValidateReportsOnlyOddOffsets)
{
    const fs::path path = scratchFolder("readback-validate") / "validate.jpg";
    write(path, 640, 480, false);
    const ToolRun run = runTool("exiftool -validate -warning -a " + shellQuoted(path));
    ASSERT_EQ(0, run.status) << run.output;
    std::istringstream lines(run.output);
    std::string line;
    int warnings = 0;
    bool summary = false;
    while (std::getline(lines, line)) {
        if (line.compare(0, 8, "Validate") == 0) {
            summary = true;
            EXPECT_TRUE(line.find("(all minor)") != std::string::npos ||
                        line.find(": OK") != std::string::npos)
                << line;
        } else if (line.compare(0, 7, "Warning") == 0) {
            ++warnings;
            EXPECT_NE(std::string::npos, line.find("[minor] Odd offset")) << line;
        } else {
            ADD_FAILURE() << "unexpected: " << line;
        }
    }
    EXPECT_TRUE(summary) << run.output;
    EXPECT_GT(warnings, 0) << "the layout has no alignment padding, so some offsets are odd";
}

TEST_F(ToolReadBack, PrimaryIsBaseline422WithExifAsSecondMarkerAndItsThumbnailDecodes)
{
    const fs::path folder = scratchFolder("readback-frame");
    const fs::path path = folder / "frame.jpg";
    write(path, 640, 480, false);
    const ToolRun run = runTool("djpeg -verbose -outfile /dev/null " + shellQuoted(path));
    ASSERT_EQ(0, run.status) << run.output;
    const std::string& out = run.output;
    const size_t soi = out.find("Start of Image");
    ASSERT_NE(std::string::npos, soi) << out;
    const std::string app1 = "Miscellaneous marker 0xe1, length";
    EXPECT_EQ(0, out.compare(out.find('\n', soi) + 1, app1.size(), app1)) << out;
    EXPECT_EQ(std::string::npos, out.find("JFIF")) << "no JFIF APP0";
    for (const char* line : {"Start Of Frame 0xc0: width=640, height=480, components=3",
                             "Component 1: 2hx1v", "Component 2: 1hx1v", "Component 3: 1hx1v"})
        EXPECT_NE(std::string::npos, out.find(line)) << line << "\n" << out;

    const fs::path thumb = folder / "thumb.jpg";
    const ToolRun extract =
        runTool("exiftool -b -ThumbnailImage " + shellQuoted(path) + " > " + shellQuoted(thumb));
    ASSERT_EQ(0, extract.status) << extract.output;
    const Decoded decoded = decodeWithDjpeg(thumb);
    EXPECT_EQ(160, decoded.width);
    EXPECT_EQ(120, decoded.height);
    EXPECT_EQ(160u * 120 * 3, decoded.rgb.size());
}

// Mean absolute difference per sample between a decode and the source.
double meanError(const Decoded& decoded, const std::vector<uint8_t>& rgb)
{
    if (decoded.rgb.size() != rgb.size() || rgb.empty())
        return 1e9;
    double sum = 0;
    for (size_t i = 0; i < rgb.size(); ++i)
        sum += std::abs(static_cast<int>(decoded.rgb[i]) - static_cast<int>(rgb[i]));
    return sum / static_cast<double>(rgb.size());
}

TEST_F(ToolReadBack, DecodedPixelsMatchTheSourceWhateverItsStoredForm)
{
    const fs::path path = scratchFolder("readback-pixels") / "pixels.jpg";
    write(path, 320, 240, false);
    const std::vector<uint8_t> source = buffers_.pixels;
    EXPECT_LT(meanError(decodeWithDjpeg(path), source), 4.0);
    for (int variant = 1; variant < 4; ++variant) {
        const bool flip = variant & 1, swap = variant & 2;
        const auto stored = storedForm(source, 320, 240, flip, swap);
        image_.info.pixels = stored.data();
        // With the flags the buffer decodes as the source, without them not.
        for (bool flags : {true, false}) {
            image_.info.flipRows = flags && flip;
            image_.info.swapRedBlue = flags && swap;
            addUsualTags(image_, 320, 240);
            ASSERT_NE(0, image_.writeExifJpeg());
            const double error = meanError(decodeWithDjpeg(path), source);
            EXPECT_EQ(flags, error < 4.0)
                << "flip " << flip << " swap " << swap << " error " << error;
            EXPECT_EQ(!flags, error > 20.0)
                << "flip " << flip << " swap " << swap << " error " << error;
        }
    }
}

TEST_F(ToolReadBack, LargestMarkerDecodes)
{
    const fs::path path = scratchFolder("readback-marker") / "marker.jpg";
    const auto pixels = makeTestPicture(48, 32);
    std::vector<uint8_t> payload(65533, 0);
    std::memcpy(payload.data(), "Exif\0\0", 6);
    ASSERT_EQ(1,
              writeJpegFromPixels(path, pixels.data(), 48, 32, 0xE1, payload.data(),
                                  static_cast<uint32_t>(payload.size()), false, 90, false, false));
    const ToolRun run = runTool("djpeg -verbose -outfile /dev/null " + shellQuoted(path));
    EXPECT_EQ(0, run.status) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("Miscellaneous marker 0xe1, length 65533"));
}

}  // namespace
