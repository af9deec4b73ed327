// The tag list and the byte layout of the Exif structure, read back with a
// small directory parser of the test's own.
#include "exif/ExifImage.h"
#include "exif/JpegEncoder.h"
#include "exif/tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

struct RawEntry {
    uint16_t tag, type;
    uint32_t count;
    uint32_t field;     // value field as a little-endian number
    const uint8_t* at;  // the entry's 12 bytes
};

struct RawDirectory {
    std::vector<RawEntry> entries;
    uint32_t next = 0;
};

RawDirectory parseDirectory(const std::vector<uint8_t>& payload, uint32_t tiffOffset)
{
    const uint8_t* tiff = payload.data() + 6;
    RawDirectory dir;
    const uint16_t n = le16(tiff + tiffOffset);
    for (uint16_t i = 0; i < n; ++i) {
        const uint8_t* e = tiff + tiffOffset + 2 + 12 * i;
        dir.entries.push_back({le16(e), le16(e + 2), le32(e + 4), le32(e + 8), e});
    }
    dir.next = le32(tiff + tiffOffset + 2 + 12 * n);
    return dir;
}

const RawEntry* find(const RawDirectory& dir, uint16_t tag)
{
    for (const auto& e : dir.entries) {
        if (e.tag == tag)
            return &e;
    }
    return nullptr;
}

struct Written {
    std::vector<uint8_t> file, payload;
    uint32_t s1, s2, s3, s5, s6;
};

// Takes the sizes before the write, as the writer does.
Written writeAndRead(ExifImage& image)
{
    Written w{};
    w.s1 = image.ifdSize(kIfd0);
    w.s2 = image.ifdSize(kIfdExif);
    w.s3 = image.ifdSize(kIfd1);
    w.s5 = image.ifdSize(kIfdInterop);
    w.s6 = image.ifdSize(kIfdMakerNote);
    EXPECT_NE(0, image.writeExifJpeg());
    w.file = readFileBytes(image.info.outputPath);
    w.payload = firstApp1Payload(w.file);
    return w;
}

// --- the tag list ------------------------------------------------------------

TEST(ExifTagList, AddTagKeepsItsOwnCopyNewestFirst)
{
    ExifImage image;
    uint16_t value[2] = {7, 9};
    image.addTag(kIfd0, 0x0102, value, kTiffShort, 2);
    value[0] = 100;
    image.addTag(kIfd0, 0x0103, value, kTiffShort, 1);
    image.addTag(kIfd0, 0x8769, nullptr, kTiffLong, 1);  // no value: zeros
    const ExifTagList& tags = image.info.sizes.tags;
    ASSERT_EQ(3, std::distance(tags.begin(), tags.end()));
    EXPECT_EQ(std::vector<uint8_t>(4, 0), tags.front().value);
    EXPECT_EQ(0x0103, std::next(tags.begin())->tag);
    EXPECT_EQ((std::vector<uint8_t>{7, 0, 9, 0}), std::next(tags.begin(), 2)->value);
}

TEST(ExifTagList, TypesOutsideOneToTwelveAreNotAddedAndCountsKeepTheirLow16Bits)
{
    ExifImage image;
    const uint32_t v = 1;
    image.addTag(kIfd0, 0x0100, &v, 0, 1);
    image.addTag(kIfd0, 0x0101, &v, 13, 1);
    EXPECT_EQ(0, image.countTags(kIfd0));
    image.addTag(kIfd0, 0x0101, &v, kTiffDouble, 0);
    EXPECT_EQ(1, image.countTags(kIfd0));
    std::vector<uint8_t> bytes(70000, 0x11);
    image.addTag(kIfdExif, 0x0200, bytes.data(), kTiffByte, 0x10000 + 6);
    ASSERT_EQ(1, image.countTags(kIfdExif));
    EXPECT_EQ(6u, image.info.sizes.tags.front().count);
    EXPECT_EQ(6u + 12 + 6, image.ifdSize(kIfdExif));
    EXPECT_EQ(0, image.countTags(7));
}

TEST(ExifTagList, SetTagValueChangesOnlyTheMostRecentMatchWithinItsCopy)
{
    ExifImage image;
    const uint32_t zero = 0, seven = 7;
    EXPECT_FALSE(image.setTagValue(kIfd0, 0x8769, &seven, 4));
    image.addTag(kIfd0, 0x8769, &zero, kTiffLong, 1);
    image.addTag(kIfdExif, 0x8769, &zero, kTiffLong, 1);
    image.addTag(kIfd0, 0x8769, &zero, kTiffLong, 1);
    EXPECT_TRUE(image.setTagValue(kIfd0, 0x8769, &seven, 4));
    EXPECT_FALSE(image.setTagValue(kIfd1, 0x8769, &seven, 4));
    std::vector<uint32_t> values;
    for (const ExifTag& t : image.info.sizes.tags) {
        uint32_t v;
        std::memcpy(&v, t.value.data(), 4);
        values.push_back(v);
    }
    EXPECT_EQ((std::vector<uint32_t>{7, 0, 0}), values);

    const uint8_t one = 1, big[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    image.addTag(kIfd1, 0x0201, &one, kTiffByte, 1);
    EXPECT_TRUE(image.setTagValue(kIfd1, 0x0201, big, sizeof big));
    EXPECT_EQ(4u, image.info.sizes.tags.front().value.size());
    image.addTag(kIfdExif, 0x927C, "    ", kTiffUndefined, 4);
    EXPECT_TRUE(image.setTagValueAndCount(kIfdExif, 0x927C, &seven, 4, 700));
    EXPECT_EQ(700u, image.info.sizes.tags.front().count);
    EXPECT_FALSE(image.setTagValueAndCount(kIfd0, 0x927C, &seven, 4, 1));
}

struct BlockCase {
    uint16_t type;
    uint32_t count;
    uint32_t bytes;
};

TEST(ExifTagList, IfdSizeFollowsTheTypeTable)
{
    const BlockCase cases[] = {
        {kTiffByte, 4, 12},      {kTiffByte, 5, 17},         {kTiffAscii, 3, 12},
        {kTiffAscii, 4, 16},     {kTiffAscii, 5, 17},        {kTiffShort, 1, 12},
        {kTiffShort, 2, 16},     {kTiffShort, 3, 18},        {kTiffLong, 1, 12},
        {kTiffLong, 3, 24},      {kTiffRational, 1, 20},     {kTiffSByte, 6, 18},
        {kTiffUndefined, 4, 12}, {kTiffUndefined, 512, 524}, {kTiffSShort, 2, 16},
        {kTiffSLong, 2, 20},     {kTiffSRational, 2, 28},    {kTiffFloat, 1, 12},
        {kTiffFloat, 2, 20},     {kTiffDouble, 1, 20},       {kTiffShort, 0, 12},
    };
    for (const BlockCase& c : cases) {
        ExifImage image;
        EXPECT_EQ(0u, image.ifdSize(kIfd0));
        std::vector<uint8_t> value(8 * 512);
        image.addTag(kIfd0, 0x100, value.data(), c.type, c.count);
        image.addTag(kIfdMakerNote, 0x100, value.data(), c.type, c.count);
        EXPECT_EQ(c.bytes + 6, image.ifdSize(kIfd0)) << "type " << c.type << " count " << c.count;
        EXPECT_EQ(c.bytes + 14, image.ifdSize(kIfdMakerNote));
    }
}

// --- the layout --------------------------------------------------------------

class ExifLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = scratchFolder("layout");
        buffers_ = prepareWrite(image_, folder_ / "picture.jpg", 320, 240);
    }
    ExifImage image_;
    fs::path folder_;
    PictureBuffers buffers_;
};

TEST_F(ExifLayout, UsualTagsGiveConsistentOffsets)
{
    addUsualTags(image_, 320, 240);
    const Written w = writeAndRead(image_);
    const std::vector<uint8_t>& p = w.payload;
    ASSERT_GT(p.size(), 14u);
    EXPECT_EQ(0, std::memcmp(p.data(), "Exif\0\0II\x2a\0\x08\0\0\0", 14));
    const uint8_t* tiff = p.data() + 6;

    const RawDirectory ifd0 = parseDirectory(p, 8);
    const uint32_t exifAt = 8 + w.s1, interopAt = exifAt + w.s2, makerAt = interopAt + w.s5,
                   ifd1At = makerAt + w.s6, thumbAt = ifd1At + w.s3;
    EXPECT_EQ(ifd1At, ifd0.next);
    ASSERT_NE(nullptr, find(ifd0, 0x8769));
    EXPECT_EQ(exifAt, find(ifd0, 0x8769)->field);

    const RawDirectory exif = parseDirectory(p, exifAt);
    ASSERT_NE(nullptr, find(exif, 0xA005));
    EXPECT_EQ(interopAt, find(exif, 0xA005)->field);
    const RawEntry* maker = find(exif, 0x927C);
    ASSERT_NE(nullptr, maker);
    EXPECT_EQ(makerAt, maker->field);
    EXPECT_EQ(w.s6, maker->count);
    EXPECT_EQ(0, std::memcmp(tiff + maker->field, "ORVEN\0\x01\0", 8));
    EXPECT_EQ(ifd1At, maker->field + maker->count) << "maker note ends where IFD1 begins";
    EXPECT_EQ(0u, exif.next);

    const RawDirectory interop = parseDirectory(p, interopAt);
    EXPECT_EQ(2u, interop.entries.size());
    EXPECT_EQ(0u, interop.next);
    const RawDirectory makerIfd = parseDirectory(p, makerAt + 8);
    EXPECT_EQ(10u, makerIfd.entries.size());
    EXPECT_EQ(0u, makerIfd.next);

    const RawDirectory ifd1 = parseDirectory(p, ifd1At);
    ASSERT_NE(nullptr, find(ifd1, 0x0201));
    ASSERT_NE(nullptr, find(ifd1, 0x0202));
    const uint32_t thumbOffset = find(ifd1, 0x0201)->field;
    const uint32_t thumbLength = find(ifd1, 0x0202)->field;
    EXPECT_EQ(thumbAt, thumbOffset);
    EXPECT_EQ(0xFF, tiff[thumbOffset]);
    EXPECT_EQ(0xD8, tiff[thumbOffset + 1]);
    EXPECT_EQ(p.size(), 6 + thumbOffset + thumbLength) << "thumbnail ends the payload";
    EXPECT_EQ(0xD9, p.back());
    EXPECT_EQ(0u, ifd1.next);
    const std::vector<uint8_t> thumb(tiff + thumbOffset, tiff + thumbOffset + thumbLength);
    int tw = 0, th = 0;
    EXPECT_EQ(3u, baselineComponents(thumb, &tw, &th).size());
    EXPECT_EQ(160, tw);
    EXPECT_EQ(120, th);
}

TEST_F(ExifLayout, EntriesComeOutSortedWithinEachDirectory)
{
    const uint16_t v = 1;
    for (uint16_t tag : {0x0300, 0x0100, 0xA000, 0x0200, 0x0150, 0x0100})
        image_.addTag(kIfd0, tag, &v, kTiffShort, 1);
    const Written w = writeAndRead(image_);
    std::vector<uint16_t> tags;
    for (const auto& e : parseDirectory(w.payload, 8).entries)
        tags.push_back(e.tag);
    EXPECT_EQ((std::vector<uint16_t>{0x0100, 0x0100, 0x0150, 0x0200, 0x0300, 0xA000}), tags);
}

// Every type's Intel bytes are checked against exiftool's reading.
TEST_F(ExifLayout, ValuesSitInlineOrInTheDataAreaByTypeAndCount)
{
    const uint16_t shorts[3] = {0x1234, 0x5678, 0x9ABC};
    const uint32_t rational[2] = {375, 1};
    const uint8_t six[6] = {1, 2, 3, 4, 5, 6};
    image_.addTag(kIfd0, 0x0102, shorts, kTiffShort, 2);  // inline, reserves 4
    image_.addTag(kIfd0, 0x010E, "ABCD", kTiffAscii, 5);  // data area
    image_.addTag(kIfd0, 0x011A, rational, kTiffRational, 1);
    image_.addTag(kIfd0, 0x0131, "0100", kTiffAscii, 4);  // inline, reserves 4
    image_.addTag(kIfd0, 0x0150, shorts, kTiffShort, 3);  // data area
    image_.addTag(kIfd0, 0x0200, six, kTiffByte, 6);      // data area
    const Written w = writeAndRead(image_);
    const uint8_t* tiff = w.payload.data() + 6;
    const RawDirectory ifd0 = parseDirectory(w.payload, 8);
    ASSERT_EQ(6u, ifd0.entries.size());
    const uint32_t dataStart = 8 + 2 + 6 * 12 + 4;

    const RawEntry& s2 = ifd0.entries[0];
    EXPECT_EQ(0, std::memcmp(s2.at + 8, "\x34\x12\x78\x56", 4));
    const RawEntry& a5 = ifd0.entries[1];
    EXPECT_EQ(dataStart, a5.field);
    EXPECT_EQ(0, std::memcmp(tiff + a5.field, "ABCD", 5));
    const RawEntry& r1 = ifd0.entries[2];
    EXPECT_EQ(dataStart + 5, r1.field) << "no alignment padding";
    EXPECT_EQ(375u, le32(tiff + r1.field));
    EXPECT_EQ(1u, le32(tiff + r1.field + 4));
    const RawEntry& a4 = ifd0.entries[3];
    EXPECT_EQ(0, std::memcmp(a4.at + 8, "0100", 4));
    const RawEntry& s3 = ifd0.entries[4];
    EXPECT_EQ(dataStart + 13, s3.field);
    EXPECT_EQ(0, std::memcmp(tiff + s3.field, "\x34\x12\x78\x56\xBC\x9A", 6));
    const RawEntry& b6 = ifd0.entries[5];
    EXPECT_EQ(dataStart + 19, b6.field);
    EXPECT_EQ(0, std::memcmp(tiff + b6.field, six, 6));

    // The 8 reserved bytes of the two inline values stay zero at the end.
    EXPECT_EQ(6u + 6 * 12 + 5 + 8 + 6 + 6 + 8, w.s1);
    const uint32_t blockEnd = 8 + w.s1;
    EXPECT_EQ(dataStart + 25 + 8, blockEnd);
    for (uint32_t i = dataStart + 25; i < blockEnd; ++i)
        EXPECT_EQ(0, tiff[i]) << "at " << i;
}

TEST_F(ExifLayout, GpsDirectoryChangesNothingAndTheTagListIsEmptyAfterEveryWrite)
{
    addUsualTags(image_, 320, 240);
    const Written without = writeAndRead(image_);
    addUsualTags(image_, 320, 240);
    const uint32_t gps[6] = {35, 1, 30, 1, 0, 1};
    image_.addTag(kIfdGps, 0x0002, gps, kTiffRational, 3);
    image_.addTag(kIfdGps, 0x0001, "N", kTiffAscii, 2);
    const Written with = writeAndRead(image_);
    EXPECT_EQ(without.file, with.file);
    for (uint16_t ifd = 1; ifd <= 6; ++ifd)
        EXPECT_EQ(0, image_.countTags(ifd));

    addUsualTags(image_, 320, 240);
    image_.info.outputPath = folder_ / "missing" / "x.jpg";
    EXPECT_EQ(0, image_.writeExifJpeg());
    for (uint16_t ifd = 1; ifd <= 6; ++ifd)
        EXPECT_EQ(0, image_.countTags(ifd));
}

TEST_F(ExifLayout, MissingLinkTagIsSimplyNotWritten)
{
    const uint16_t v = 1;
    image_.addTag(kIfd0, 0x0112, &v, kTiffShort, 1);
    image_.addTag(kIfdExif, 0xA001, &v, kTiffShort, 1);
    const Written w = writeAndRead(image_);
    const RawDirectory ifd0 = parseDirectory(w.payload, 8);
    ASSERT_EQ(1u, ifd0.entries.size());
    EXPECT_EQ(0x0112, ifd0.entries[0].tag);
    // The Exif IFD is still laid out after IFD0.
    EXPECT_EQ(0xA001, parseDirectory(w.payload, 8 + w.s1).entries.at(0).tag);
}

TEST_F(ExifLayout, FailedOrMissingThumbnailLeavesOutIfd1)
{
    for (bool noPixels : {false, true}) {
        addUsualTags(image_, 320, 240);
        image_.info.sizes.thumbWidth = noPixels ? 160 : 0;
        image_.info.thumbPixels = noPixels ? nullptr : buffers_.thumb.data();
        const Written w = writeAndRead(image_);
        EXPECT_EQ(0u, parseDirectory(w.payload, 8).next) << noPixels;
        EXPECT_EQ(6u + 8 + w.s1 + w.s2 + w.s5 + w.s6, w.payload.size()) << noPixels;
    }
}

// The frame itself is the encoder's (its own tests); here what surrounds it.
TEST_F(ExifLayout, OutputHoldsOnlyTheFinalPicture)
{
    addUsualTags(image_, 320, 240);
    const Written w = writeAndRead(image_);
    std::vector<int> codes;
    for (const auto& m : markersUpToScan(w.file))
        codes.push_back(m.code);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(0xD8, codes[0]);
    EXPECT_EQ(0xE1, codes[1]);
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), 0xE1));
    EXPECT_EQ(0, std::count(codes.begin(), codes.end(), 0xE0));
    int width = 0, height = 0;
    EXPECT_EQ(3u, baselineComponents(w.file, &width, &height).size());
    EXPECT_EQ(320, width);
    EXPECT_EQ(240, height);
    EXPECT_EQ(1, std::distance(fs::directory_iterator(folder_), fs::directory_iterator()))
        << "no temporary file left beside the picture";
}

// Refused, nothing written: a structure over one segment; a maker-note tag
// given as LONG, which gets the maker note's count and so no longer fits
// the bytes its block reserved; a thumbnail that no longer fits.
TEST_F(ExifLayout, StructuresThatCannotBeWrittenAreRefused)
{
    addUsualTags(image_, 320, 240);
    std::vector<uint8_t> big(65000, 0x41);
    image_.addTag(kIfdExif, 0x9286, big.data(), kTiffUndefined, static_cast<uint32_t>(big.size()));
    EXPECT_EQ(0, image_.writeExifJpeg());
    EXPECT_FALSE(fs::exists(image_.info.outputPath));
    EXPECT_EQ(0, image_.countTags(kIfdExif));

    const uint32_t v = 0;
    image_.addTag(kIfdExif, 0x927C, &v, kTiffLong, 1);
    image_.addTag(kIfdMakerNote, 0x0001, &v, kTiffLong, 1);
    EXPECT_EQ(0, image_.writeExifJpeg());
    EXPECT_FALSE(fs::exists(image_.info.outputPath));

    // Just below the limit without the thumbnail, over it with it.
    addUsualTags(image_, 320, 240);
    const uint32_t room = 65533 - 6 - 8 - image_.ifdSize(kIfd0) - image_.ifdSize(kIfdExif) -
                          image_.ifdSize(kIfdInterop) - image_.ifdSize(kIfdMakerNote) -
                          image_.ifdSize(kIfd1) - 12 - 100;
    std::vector<uint8_t> filler(room, 0x41);
    image_.addTag(kIfdExif, 0x9286, filler.data(), kTiffUndefined, room);
    EXPECT_EQ(0, image_.writeExifJpeg());
    EXPECT_FALSE(fs::exists(image_.info.outputPath));
    addUsualTags(image_, 320, 240);
    image_.addTag(kIfdExif, 0x9286, filler.data(), kTiffUndefined, room);
    image_.info.thumbPixels = nullptr;
    EXPECT_NE(0, image_.writeExifJpeg());
}

// The picture encoded beforehand, as the converter does beside the thumbnail,
// gives the same file; bytes that are no JPEG give none.
TEST_F(ExifLayout, PictureEncodedBeforehandGivesTheSameFile)
{
    addUsualTags(image_, 320, 240);
    const Written direct = writeAndRead(image_);
    std::vector<uint8_t> primary;
    ASSERT_EQ(1, writeJpegFromPixels(primary, buffers_.pixels.data(), 320, 240, 0, nullptr, 0,
                                     false, 75, false, false));
    addUsualTags(image_, 320, 240);
    ASSERT_NE(0, image_.writeExifJpeg(primary));
    EXPECT_EQ(direct.file, readFileBytes(image_.info.outputPath));

    fs::remove(image_.info.outputPath);
    addUsualTags(image_, 320, 240);
    EXPECT_EQ(0, image_.writeExifJpeg(std::vector<uint8_t>{}));
    EXPECT_FALSE(fs::exists(image_.info.outputPath));
    EXPECT_EQ(0, image_.countTags(kIfd0));
}

TEST_F(ExifLayout, PixelFlagsReachTheEncoder)
{
    addUsualTags(image_, 320, 240);
    const Written plain = writeAndRead(image_);
    const auto stored = storedForm(buffers_.pixels, 320, 240, true, true);
    const auto storedThumb = storedForm(buffers_.thumb, 160, 120, true, false);
    image_.info.pixels = stored.data();
    image_.info.flipRows = 1;
    image_.info.swapRedBlue = 1;
    image_.info.thumbPixels = storedThumb.data();
    image_.info.thumbFlipRows = 1;
    addUsualTags(image_, 320, 240);
    const Written flagged = writeAndRead(image_);
    EXPECT_EQ(plain.file, flagged.file);
}

}  // namespace
