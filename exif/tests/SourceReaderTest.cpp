// The source reader on hand-made Exif structures (both byte orders, broken
// ones included) and on files of our own writer; the coding-kind scan.
#include "ExifImage.h"
#include "ExifSource.h"
#include "JpegEncoder.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace {

// A TIFF structure written by hand in either byte order.
class TiffBytes {
public:
    explicit TiffBytes(bool motorola) : motorola_(motorola)
    {
        bytes_.push_back(motorola ? 'M' : 'I');
        bytes_.push_back(motorola ? 'M' : 'I');
        u16(42);
        u32(8);
    }
    uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void text(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
    void padTo(uint32_t size) { bytes_.resize(size, 0); }
    void set32(uint32_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes_[at + i] = static_cast<uint8_t>(motorola_ ? v >> (24 - 8 * i) : v >> (8 * i));
    }
    // An entry whose value field holds one 32-bit number (offsets, LONG).
    void entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t field)
    {
        u16(tag);
        u16(type);
        u32(count);
        u32(field);
    }
    void entryShorts(uint16_t tag, uint32_t count, uint16_t a, uint16_t b = 0)
    {
        u16(tag);
        u16(kTiffShort);
        u32(count);
        u16(a);
        u16(b);
    }
    void entryBytes(uint16_t tag, uint16_t type, uint32_t count, const char (&field)[5])
    {
        u16(tag);
        u16(type);
        u32(count);
        bytes_.insert(bytes_.end(), field, field + 4);
    }
    // FF D8, the APP1 "Exif" segment, then a minimal frame header and EOI.
    std::vector<uint8_t> jpeg(int lengthAdjust = 0) const
    {
        std::vector<uint8_t> out = {0xFF, 0xD8, 0xFF, 0xE1};
        const int length = static_cast<int>(bytes_.size()) + 8 + lengthAdjust;
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(length));
        const char exif[6] = {'E', 'x', 'i', 'f', 0, 0};
        out.insert(out.end(), exif, exif + 6);
        out.insert(out.end(), bytes_.begin(), bytes_.end());
        const uint8_t frame[] = {0xFF, 0xC0, 0x00, 0x0B, 8, 0, 8, 0, 8, 1, 1, 0x11, 0, 0xFF, 0xD9};
        out.insert(out.end(), std::begin(frame), std::end(frame));
        return out;
    }

private:
    void put(uint32_t v, int width)
    {
        for (int i = 0; i < width; ++i) {
            const int shift = motorola_ ? 8 * (width - 1 - i) : 8 * i;
            bytes_.push_back(static_cast<uint8_t>(v >> shift));
        }
    }
    bool motorola_;
    std::vector<uint8_t> bytes_;
};

struct Walked {
    uint16_t ifd, tag, type;
    uint32_t count;
    std::vector<uint8_t> value;  // count elements, host order
    bool operator==(const Walked& o) const
    {
        return ifd == o.ifd && tag == o.tag && type == o.type && count == o.count &&
               value == o.value;
    }
};

std::ostream& operator<<(std::ostream& os, const Walked& w)
{
    return os << "{ifd " << w.ifd << " tag 0x" << std::hex << w.tag << std::dec << " type "
              << w.type << " count " << w.count << " bytes " << w.value.size() << "}";
}

// Every entry the walk gives, with checks that each lies inside the segment.
std::vector<Walked> walkAll(const ExifImage& image)
{
    std::vector<Walked> out;
    const uint8_t* segment = image.sourceSegment();
    if (segment == nullptr)
        return out;
    uint16_t length;
    std::memcpy(&length, segment + 2, 2);
    const uint8_t* end = segment + length + 2;
    ExifEntryCursor cursor;
    while (const uint8_t* entry = image.nextSourceEntry(cursor)) {
        const size_t bytes = static_cast<size_t>(tiffElementSize(cursor.type)) * cursor.count;
        EXPECT_GE(entry, image.sourceTiff());
        EXPECT_LE(entry + 12, end);
        EXPECT_GE(cursor.data, image.sourceTiff());
        EXPECT_LE(cursor.data + bytes, end);
        out.push_back({cursor.ifd, cursor.tag, cursor.type, cursor.count,
                       std::vector<uint8_t>(cursor.data, cursor.data + bytes)});
        if (out.size() > 100000) {
            ADD_FAILURE() << "walk does not end";
            break;
        }
    }
    return out;
}

std::vector<uint8_t> hostShorts(std::initializer_list<uint16_t> values)
{
    std::vector<uint8_t> out;
    for (uint16_t v : values)
        out.insert(out.end(), reinterpret_cast<const uint8_t*>(&v),
                   reinterpret_cast<const uint8_t*>(&v) + 2);
    return out;
}

std::vector<uint8_t> hostLongs(std::initializer_list<uint32_t> values)
{
    std::vector<uint8_t> out;
    for (uint32_t v : values)
        out.insert(out.end(), reinterpret_cast<const uint8_t*>(&v),
                   reinterpret_cast<const uint8_t*>(&v) + 4);
    return out;
}

// IFD0 (Make, SHORT[3] twice on one value, XResolution, Exif link, GPS link,
// next = IFD1), Exif IFD (ExposureTime, maker note "Nikon\0", Interop link),
// GPS, Interoperability, maker-note IFD, IFD1 with a 4-byte "thumbnail".
TiffBytes sampleTiff(bool motorola, const char* makerHeader = "Nikon\0\x01\0")
{
    TiffBytes t(motorola);
    // IFD0 at 8: 6 entries -> 2 + 72 + 4 = 78 bytes, ends at 86.
    t.u16(6);
    t.entry(0x0102, kTiffShort, 3, 206);
    t.entry(0x010F, kTiffAscii, 6, 200);
    t.entry(0x011A, kTiffRational, 1, 212);
    t.entry(0x0150, kTiffShort, 3, 206);  // shares its value with 0x0102
    t.entry(0x8769, kTiffLong, 1, 86);
    t.entry(0x8825, kTiffLong, 1, 140);
    t.u32(300);  // IFD1
    // Exif IFD at 86: 3 entries -> 42 bytes, ends at 128.
    t.u16(3);
    t.entry(0x829A, kTiffRational, 1, 220);
    t.entry(0x927C, kTiffUndefined, 30, 240);
    t.entry(0xA005, kTiffLong, 1, 164);
    t.u32(0);
    t.padTo(140);
    // GPS IFD at 140: 1 entry -> 18 bytes, ends at 158.
    t.u16(1);
    t.entryBytes(0x0000, kTiffByte, 4, "\x02\x02\x00\x00");  // tag 0 ends the walk at once
    t.u32(0);
    t.padTo(164);
    // Interop IFD at 164: 2 entries -> 30 bytes, ends at 194.
    t.u16(2);
    t.entryBytes(0x0001, kTiffAscii, 4, "R98\0");
    t.entryBytes(0x0002, kTiffUndefined, 4, "0100");
    t.u32(0);
    t.padTo(200);
    t.text(std::string("Maker\0", 6));  // 200
    t.u16(10);                          // 206: SHORT[3]
    t.u16(20);
    t.u16(30);
    t.u32(300);  // 212: rational 300/1
    t.u32(1);
    t.u32(1);  // 220: rational 1/125
    t.u32(125);
    t.padTo(240);
    // Maker note at 240: header then IFD at 248 with 1 entry (18 bytes).
    t.text(std::string(makerHeader, 8));
    t.u16(1);
    t.entryShorts(0x0001, 2, 7, 8);
    t.u32(0);
    t.padTo(300);
    // IFD1 at 300: 2 entries -> 30 bytes, thumbnail at 330.
    t.u16(2);
    t.entry(0x0201, kTiffLong, 1, 330);
    t.entry(0x0202, kTiffLong, 1, 4);
    t.u32(0);
    t.u8(0xFF);
    t.u8(0xD8);
    t.u8(0xFF);
    t.u8(0xD9);
    t.padTo(340);
    return t;
}

std::vector<Walked> expectedSampleWalk()
{
    const std::vector<uint8_t> shorts = hostShorts({10, 20, 30});
    return {
        {1, 0x0102, kTiffShort, 3, shorts},
        {1, 0x010F, kTiffAscii, 6, {'M', 'a', 'k', 'e', 'r', 0}},
        {1, 0x011A, kTiffRational, 1, hostLongs({300, 1})},
        {1, 0x0150, kTiffShort, 3, shorts},
        {1, 0x8769, kTiffLong, 1, hostLongs({86})},
        {1, 0x8825, kTiffLong, 1, hostLongs({140})},
        {2, 0x829A, kTiffRational, 1, hostLongs({1, 125})},
        {2, 0x927C, kTiffUndefined, 30, {}},  // value filled below
        {2, 0xA005, kTiffLong, 1, hostLongs({164})},
        {3, 0x0201, kTiffLong, 1, {0xFF, 0xD8, 0xFF, 0xD9}},  // data is the thumbnail
        {3, 0x0202, kTiffLong, 1, hostLongs({4})},
        {5, 0x0001, kTiffAscii, 4, {'R', '9', '8', 0}},
        {5, 0x0002, kTiffUndefined, 4, {'0', '1', '0', '0'}},
        {6, 0x0001, kTiffShort, 2, hostShorts({7, 8})},
    };
}

TEST(ExifSourceWalk, IntelSampleGivesEveryEntryInDirectoryOrder)
{
    ExifImage image;
    const auto jpeg = sampleTiff(false).jpeg();
    const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
    ASSERT_NE(nullptr, reader);
    EXPECT_FALSE(reader->motorola);
    EXPECT_EQ(image.sourceSegment() + 10, image.sourceTiff());
    EXPECT_EQ(0, std::memcmp(image.sourceSegment(), "\xFF\xE1", 2));
    EXPECT_EQ(0, std::memcmp(image.sourceSegment() + 4, "Exif\0\0", 6));
    ASSERT_NE(nullptr, reader->makerNote);
    EXPECT_EQ(0, std::memcmp(reader->makerNote, "Nikon", 6));
    EXPECT_EQ(reader->makerNote + 8, reader->makerNoteIfd);
    ASSERT_NE(nullptr, reader->thumbnail);
    EXPECT_EQ(4u, reader->thumbnailLength);
    EXPECT_EQ(0xD8, reader->thumbnail[1]);

    auto expected = expectedSampleWalk();
    const std::vector<uint8_t> tiff = [] {
        const auto j = sampleTiff(false).jpeg();
        return std::vector<uint8_t>(j.begin() + 12, j.end());
    }();
    expected[7].value.assign(tiff.begin() + 240, tiff.begin() + 270);
    EXPECT_EQ(expected, walkAll(image));
}

TEST(ExifSourceWalk, MotorolaSampleGivesTheSameHostValues)
{
    ExifImage intel, motorola;
    const auto ii = sampleTiff(false).jpeg();
    const auto mm = sampleTiff(true).jpeg();
    ASSERT_NE(nullptr, intel.openSourceBytes(ii.data(), ii.size(), 7));
    const ExifSourceReader* reader = motorola.openSourceBytes(mm.data(), mm.size(), 7);
    ASSERT_NE(nullptr, reader);
    EXPECT_TRUE(reader->motorola);
    const auto a = walkAll(intel), b = walkAll(motorola);
    EXPECT_EQ(a, b);
    EXPECT_EQ(14u, b.size());
    // The header words are in host order in the copy too.
    uint16_t magic;
    std::memcpy(&magic, motorola.sourceTiff() + 2, 2);
    EXPECT_EQ(42, magic);
}

TEST(ExifSourceWalk, NextLinkOfZeroMeansNoIfd1)
{
    // Read as a directory, the header would be "converted" over IFD0's data.
    TiffBytes ii = sampleTiff(false), mm = sampleTiff(true);
    ii.set32(8 + 2 + 6 * 12, 0);
    mm.set32(8 + 2 + 6 * 12, 0);
    ExifImage intel, motorola;
    const auto a = ii.jpeg(), b = mm.jpeg();
    ASSERT_NE(nullptr, intel.openSourceBytes(a.data(), a.size(), 7));
    const ExifSourceReader* reader = motorola.openSourceBytes(b.data(), b.size(), 7);
    ASSERT_NE(nullptr, reader);
    EXPECT_EQ(nullptr, reader->ifd1);
    const auto walked = walkAll(motorola);
    EXPECT_EQ(walkAll(intel), walked);
    EXPECT_EQ(12u, walked.size());
    EXPECT_EQ((std::vector<uint8_t>{'M', 'a', 'k', 'e', 'r', 0}), walked.at(1).value);
}

TEST(ExifSourceWalk, MotorolaDirectoryReachedTwiceIsConvertedOnce)
{
    // The Interoperability link points at the Exif IFD itself.
    for (bool mm : {false, true}) {
        TiffBytes t(mm);
        t.u16(1);
        t.entry(0x8769, kTiffLong, 1, 26);
        t.u32(0);
        t.padTo(26);
        t.u16(2);
        t.entry(0x9201, kTiffSRational, 1, 60);
        t.entry(0xA005, kTiffLong, 1, 26);
        t.u32(0);
        t.padTo(60);
        t.u32(static_cast<uint32_t>(-5));
        t.u32(2);
        ExifImage image;
        const auto jpeg = t.jpeg();
        ASSERT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
        const auto walked = walkAll(image);
        ASSERT_EQ(5u, walked.size()) << "mm " << mm;
        EXPECT_EQ(walked[1].value, walked[3].value);
        int32_t numerator;
        std::memcpy(&numerator, walked[3].value.data(), 4);
        EXPECT_EQ(-5, numerator);
        EXPECT_EQ(5, walked[3].ifd);
    }
}

TEST(ExifSourceWalk, MakerNoteNeedsItsExactHeader)
{
    struct Case {
        const char* header;
        bool walked;
    } cases[] = {{"Nikon\0\x01\0", true}, {"NikonX\x01\0", false}, {"ORVEN\0\x01\0", true},
                 {"OLYMP\0\x01\0", true}, {"SANYO\0\x01\0", true}, {"Canon\0\x01\0", false}};
    for (const Case& c : cases) {
        ExifImage image;
        const auto jpeg = sampleTiff(false, c.header).jpeg();
        const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
        ASSERT_NE(nullptr, reader);
        EXPECT_EQ(c.walked, reader->makerNoteIfd != nullptr) << c.header;
        const auto walked = walkAll(image);
        EXPECT_EQ(c.walked, walked.back().ifd == 6) << c.header;
    }
}

TEST(ExifSourceWalk, DescendingEntryEndsTheWholeWalk)
{
    TiffBytes t(false);
    t.u16(4);
    t.entryShorts(0x0100, 1, 1);
    t.entryShorts(0x0110, 1, 2);
    t.entryShorts(0x0105, 1, 3);
    t.entry(0x8769, kTiffLong, 1, 62);
    t.u32(0);
    t.u16(1);  // Exif IFD at 62: its link comes after the descent, so not taken
    t.entryShorts(0xA001, 1, 1);
    t.u32(0);
    ExifImage image;
    const auto jpeg = t.jpeg();
    const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
    ASSERT_NE(nullptr, reader);
    EXPECT_EQ(nullptr, reader->exifIfd);
    const auto walked = walkAll(image);
    ASSERT_EQ(2u, walked.size());
    EXPECT_EQ(0x0110, walked[1].tag);
    // And it stays ended.
    ExifEntryCursor cursor;
    image.nextSourceEntry(cursor);
    image.nextSourceEntry(cursor);
    EXPECT_EQ(nullptr, image.nextSourceEntry(cursor));
    EXPECT_EQ(nullptr, image.nextSourceEntry(cursor));
    EXPECT_EQ(0x0110, cursor.tag);
}

TEST(ExifSourceWalk, DescentInALaterDirectoryEndsTheWalkThere)
{
    TiffBytes t(false);
    t.u16(2);
    t.entryShorts(0x0100, 1, 1);
    t.entry(0x8769, kTiffLong, 1, 38);
    t.u32(70);
    t.u16(2);  // Exif IFD at 38
    t.entryShorts(0xA002, 1, 1);
    t.entryShorts(0xA001, 1, 1);
    t.u32(0);
    t.padTo(70);
    t.u16(1);  // IFD1 at 70: never reached
    t.entryShorts(0x0103, 1, 6);
    t.u32(0);
    ExifImage image;
    const auto jpeg = t.jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    const auto walked = walkAll(image);
    ASSERT_EQ(3u, walked.size());
    EXPECT_EQ(0xA002, walked.back().tag);
}

TEST(ExifSourceWalk, Ifd1LinkOf4096OrMoreIsIgnored)
{
    for (uint32_t link : {4000u, 4096u, 4100u}) {
        TiffBytes t(false);
        t.u16(1);
        t.entryShorts(0x0100, 1, 1);
        t.u32(link);
        t.padTo(link);
        t.u16(2);
        t.entry(0x0201, kTiffLong, 1, link + 30);
        t.entry(0x0202, kTiffLong, 1, 4);
        t.u32(0);
        t.u8(0xFF);
        t.u8(0xD8);
        t.u8(0xFF);
        t.u8(0xD9);
        ExifImage image;
        const auto jpeg = t.jpeg();
        const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
        ASSERT_NE(nullptr, reader);
        const bool taken = link < 4096;
        EXPECT_EQ(taken, reader->ifd1 != nullptr) << link;
        EXPECT_EQ(taken, reader->thumbnail != nullptr) << link;
        EXPECT_EQ(taken ? 3u : 1u, walkAll(image).size()) << link;
    }
}

TEST(ExifSourceWalk, EntryWithUnknownTypeOrOutsideValueIsPassedOver)
{
    TiffBytes t(false);
    t.u16(4);
    t.entryShorts(0x0100, 1, 1);
    t.entry(0x0101, 13, 1, 0);              // unknown type: passed over
    t.entry(0x0102, kTiffAscii, 10, 1000);  // value outside: passed over
    t.entryShorts(0x0103, 1, 3);
    t.u32(0);
    ExifImage image;
    const auto jpeg = t.jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    // The walk leaves a directory at an invalid entry.
    const auto walked = walkAll(image);
    ASSERT_EQ(1u, walked.size());
    EXPECT_EQ(0x0100, walked[0].tag);
}

TEST(ExifSourceWalk, InvalidFirstEntryLeavesTheDirectory)
{
    TiffBytes t(false);
    t.u16(2);
    t.entry(0x0100, kTiffLong, 2, 5000);
    t.entry(0x8769, kTiffLong, 1, 38);
    t.u32(0);
    t.u16(1);
    t.entryShorts(0xA001, 1, 1);
    t.u32(0);
    ExifImage image;
    const auto jpeg = t.jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    const auto walked = walkAll(image);
    ASSERT_EQ(1u, walked.size());
    EXPECT_EQ(2, walked[0].ifd);
}

TEST(ExifSourceWalk, SecondSourceReplacesTheFirst)
{
    ExifImage image;
    const auto first = sampleTiff(false).jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(first.data(), first.size(), 7));
    TiffBytes t(false);
    t.u16(1);
    t.entryShorts(0x0112, 1, 6);
    t.u32(0);
    const auto second = t.jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(second.data(), second.size(), 7));
    const auto walked = walkAll(image);
    ASSERT_EQ(1u, walked.size());
    EXPECT_EQ(0x0112, walked[0].tag);
}

TEST(ExifSourceWalk, FailedOrRefusedOpenDiscardsTheEarlierReader)
{
    ExifImage image;
    const auto jpeg = sampleTiff(false).jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    EXPECT_EQ(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 6));
    EXPECT_EQ(nullptr, image.sourceSegment());
    EXPECT_EQ(nullptr, image.sourceTiff());
    ExifEntryCursor cursor;
    EXPECT_EQ(nullptr, image.nextSourceEntry(cursor));
    ASSERT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    EXPECT_EQ(nullptr, image.openSource(scratchFolder("source-missing") / "none.jpg", 7));
    EXPECT_EQ(nullptr, image.sourceSegment());
}

// --- broken inputs -------------------------------------------------------------

TEST(ExifSourceBroken, TruncatedSegmentIsRefused)
{
    const auto jpeg = sampleTiff(false).jpeg();
    ExifImage image;
    for (size_t cut : {3u, 6u, 11u, 12u, 20u, 100u, 351u}) {
        const std::vector<uint8_t> part(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(nullptr, image.openSourceBytes(part.data(), part.size(), 7)) << cut;
    }
}

TEST(ExifSourceBroken, SegmentTooShortForATiffHeader)
{
    for (int length = 0; length < 16; ++length) {
        std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, 0, static_cast<uint8_t>(length),
                                     'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
        ExifImage image;
        EXPECT_EQ(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7)) << length;
    }
}

TEST(ExifSourceBroken, LengthLongerThanTheFileIsRefused)
{
    const auto jpeg = sampleTiff(false).jpeg(+2000);
    ExifImage image;
    EXPECT_EQ(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
}

TEST(ExifSourceBroken, SegmentShorterThanItsDirectoriesKeepsWhatFits)
{
    // The segment ends in the middle of IFD0's entries: the file continues,
    // but nothing after the segment is read.
    const auto full = sampleTiff(false);
    const auto jpeg = full.jpeg(-(static_cast<int>(full.size()) - 8 - 2 - 12 * 2 - 5));
    ExifImage image;
    // Both entries that fit point beyond the segment: no valid entry, no source.
    EXPECT_EQ(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    // The same cut with the values pasted into the segment end is read.
    TiffBytes t(false);
    t.u16(6);
    t.entryShorts(0x0100, 1, 1);
    t.entryShorts(0x0101, 1, 2);
    const auto cut = t.jpeg();
    const ExifSourceReader* reader = image.openSourceBytes(cut.data(), cut.size(), 7);
    ASSERT_NE(nullptr, reader);
    EXPECT_EQ(8u + 2 + 24, reader->tiffLength);
    EXPECT_EQ(2u, walkAll(image).size());
}

TEST(ExifSourceBroken, Ifd0OutsideGivesNoSource)
{
    for (uint32_t at : {9u, 10u, 11u, 0xFFFFFFF0u}) {
        TiffBytes t(false);
        t.set32(4, at);
        t.u16(0);
        t.u8(1);
        ExifImage image;
        const auto jpeg = t.jpeg();
        EXPECT_EQ(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7)) << at;
    }
}

TEST(ExifSourceBroken, EntryCountNearTheEndOfTheSegment)
{
    for (bool mm : {false, true}) {
        TiffBytes t(mm);
        t.u16(0xFFFF);  // far more than fit
        t.entryShorts(0x0100, 1, 1);
        t.entryShorts(0x0101, 1, 2);
        t.u16(0x0102);  // a partial third entry
        t.u16(kTiffShort);
        ExifImage image;
        const auto jpeg = t.jpeg();
        const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
        ASSERT_NE(nullptr, reader);
        EXPECT_EQ(nullptr, reader->ifd1) << "no next link read after a cut-off directory";
        EXPECT_EQ(2u, walkAll(image).size());
    }
}

TEST(ExifSourceBroken, CountsThatOverflowAreInvalid)
{
    TiffBytes t(false);
    t.u16(3);
    t.entry(0x0100, kTiffDouble, 0x20000000, 8);  // 8 * count wraps in 32 bits
    t.entry(0x0101, kTiffLong, 0xFFFFFFFF, 0);
    t.entry(0x0102, kTiffRational, 0x40000000, 8);
    t.u32(0);
    ExifImage image;
    const auto jpeg = t.jpeg();
    EXPECT_EQ(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
}

TEST(ExifSourceBroken, LinksOutsideAreIgnored)
{
    for (bool mm : {false, true}) {
        TiffBytes t(mm);
        t.u16(3);
        t.entryShorts(0x0100, 1, 1);
        t.entry(0x8769, kTiffLong, 1, 0x7FFFFFFF);  // invalid entry altogether
        t.entry(0x8825, kTiffLong, 1, 51);          // one byte short of a count
        t.u32(0xFFFFFF00);
        t.padTo(52);
        ExifImage image;
        const auto jpeg = t.jpeg();
        const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
        ASSERT_NE(nullptr, reader);
        EXPECT_EQ(nullptr, reader->exifIfd);
        EXPECT_EQ(nullptr, reader->gpsIfd);
        EXPECT_EQ(nullptr, reader->ifd1);
        EXPECT_EQ(1u, walkAll(image).size());
    }
}

TEST(ExifSourceBroken, MakerNoteHeaderAtTheVeryEnd)
{
    struct Case {
        std::string tail;
        uint32_t count;
        bool note, ifd;
    } cases[] = {
        {std::string("Nikon", 5), 5, false, false},           // one byte short of its zero
        {std::string("Nikon\0", 6), 6, true, false},          // header, no room for an IFD
        {std::string("Nikon\0\x01\0\x05", 9), 9, true, false},  // half an entry count
        {std::string("Nikon\0\x01\0\x05\0", 10), 10, true, true},  // count of 5, no entries
    };
    for (const Case& c : cases) {
        TiffBytes t(false);
        t.u16(1);
        t.entry(0x8769, kTiffLong, 1, 26);
        t.u32(0);
        t.u16(1);
        t.entry(0x927C, kTiffUndefined, c.count, 44);
        t.u32(0);
        t.text(c.tail);
        ExifImage image;
        const auto jpeg = t.jpeg();
        const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
        ASSERT_NE(nullptr, reader);
        EXPECT_EQ(c.note, reader->makerNote != nullptr) << c.count;
        EXPECT_EQ(c.ifd, reader->makerNoteIfd != nullptr) << c.count;
        EXPECT_EQ(2u, walkAll(image).size());
    }
}

TEST(ExifSourceBroken, ThumbnailOutsideTheSegmentIsIgnored)
{
    TiffBytes t(false);
    t.u16(1);
    t.entryShorts(0x0100, 1, 1);
    t.u32(26);
    t.u16(2);
    t.entry(0x0201, kTiffLong, 1, 60);
    t.entry(0x0202, kTiffLong, 1, 0xFFFFFFF0);
    t.u32(0);
    t.padTo(64);
    ExifImage image;
    const auto jpeg = t.jpeg();
    const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
    ASSERT_NE(nullptr, reader);
    ASSERT_NE(nullptr, reader->ifd1);
    EXPECT_EQ(nullptr, reader->thumbnail);
    EXPECT_EQ(0u, reader->thumbnailLength);
}

TEST(ExifSourceBroken, ThumbnailOffsetAtTheLastByteIsInvalid)
{
    TiffBytes t(false);
    t.u16(1);
    t.entryShorts(0x0100, 1, 1);
    t.u32(26);
    t.u16(1);
    t.entry(0x0201, kTiffLong, 1, 43);  // 4 bytes would end past the data
    t.u32(0);
    t.padTo(44);
    ExifImage image;
    const auto jpeg = t.jpeg();
    const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
    ASSERT_NE(nullptr, reader);
    EXPECT_EQ(nullptr, reader->thumbnail);
    EXPECT_EQ(1u, walkAll(image).size());
}

TEST(ExifSourceBroken, FirstTagZeroGivesNoEntries)
{
    TiffBytes t(false);
    t.u16(2);
    t.entryShorts(0x0000, 1, 1);
    t.entryShorts(0x0100, 1, 1);
    t.u32(0);
    ExifImage image;
    const auto jpeg = t.jpeg();
    EXPECT_EQ(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
}

TEST(ExifSourceBroken, CursorFromElsewhereIsHandled)
{
    ExifImage image;
    const auto jpeg = sampleTiff(false).jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    ExifEntryCursor cursor;
    cursor.ifd = 9;
    EXPECT_EQ(nullptr, image.nextSourceEntry(cursor));
    cursor.ifd = 1;
    cursor.tag = 0x7777;  // not in IFD0: leave it for the Exif IFD
    ASSERT_NE(nullptr, image.nextSourceEntry(cursor));
    EXPECT_EQ(2, cursor.ifd);
    EXPECT_EQ(0x829A, cursor.tag);
}

// --- markers before the Exif segment ------------------------------------------

TEST(ExifSourceMarkers, SegmentsBeforeExifAreSkipped)
{
    const auto exif = sampleTiff(false).jpeg();
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0,
                                 1,    1,    0,    0,    1, 0,  1,   0,   0,   0xFF, 0xFE,
                                 0,    4,    'h',  'i'};
    jpeg.insert(jpeg.end(), exif.begin() + 2, exif.end());
    ExifImage image;
    ASSERT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    EXPECT_EQ(14u, walkAll(image).size());
}

TEST(ExifSourceMarkers, FrameBeforeExifIsSkippedButScanDataEndsTheSearch)
{
    const auto exif = sampleTiff(false).jpeg();
    std::vector<uint8_t> withFrame = {0xFF, 0xD8, 0xFF, 0xC0, 0, 4, 1, 2};
    withFrame.insert(withFrame.end(), exif.begin() + 2, exif.end());
    ExifImage image;
    EXPECT_NE(nullptr, image.openSourceBytes(withFrame.data(), withFrame.size(), 7));
    std::vector<uint8_t> withScan = {0xFF, 0xD8, 0xFF, 0xDA, 0, 4, 1, 2, 0x12, 0x34};
    withScan.insert(withScan.end(), exif.begin() + 2, exif.end());
    EXPECT_EQ(nullptr, image.openSourceBytes(withScan.data(), withScan.size(), 7));
}

TEST(ExifSourceMarkers, OtherApp1IsReadOnFromItsNinthByte)
{
    const auto exif = sampleTiff(false).jpeg();
    // "XMP\0.." segment whose ninth byte starts the real Exif segment.
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, 0x40, 0x00, 'X', 'M', 'P', 0, 0, 0};
    jpeg.insert(jpeg.end(), exif.begin() + 2, exif.end());
    ExifImage image;
    EXPECT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
}

TEST(ExifSourceMarkers, ExifIdentifierNeedsItsZeroByte)
{
    auto jpeg = sampleTiff(false).jpeg();
    jpeg[10] = 'X';  // "ExifX\0"
    ExifImage image;
    EXPECT_EQ(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    jpeg[10] = 0;
    jpeg[11] = 'Z';  // "Exif\0Z" still counts
    EXPECT_NE(nullptr, image.openSourceBytes(jpeg.data(), jpeg.size(), 7));
    EXPECT_EQ('Z', image.sourceSegment()[9]);
}

// --- our own files -------------------------------------------------------------

TEST(ExifSourceRoundTrip, WrittenTagsAreWalkedBack)
{
    const auto folder = scratchFolder("source-roundtrip");
    ExifImage writer;
    const auto buffers = prepareWrite(writer, folder / "camera.jpg", 320, 240);
    addUsualTags(writer, 320, 240);
    // What the walk must give, in walk order (1, 2, 3, 5, 6; sorted by tag).
    std::map<std::pair<uint16_t, uint16_t>, std::pair<uint16_t, uint32_t>> added;
    for (const ExifTag& t : writer.info.sizes.tags)
        added[{t.ifd, t.tag}] = {t.type, t.count};
    ASSERT_NE(0, writer.writeExifJpeg());

    ExifImage image;
    const ExifSourceReader* reader = image.openSource(folder / "camera.jpg", 7);
    ASSERT_NE(nullptr, reader);
    const auto walked = walkAll(image);
    ASSERT_EQ(added.size(), walked.size());
    auto it = added.begin();
    for (const Walked& w : walked) {
        EXPECT_EQ(it->first.first, w.ifd);
        EXPECT_EQ(it->first.second, w.tag);
        EXPECT_EQ(it->second.first, w.type);
        if (w.tag != 0x927C) {
            EXPECT_EQ(it->second.second, w.count);
        }
        ++it;
    }
    ASSERT_NE(nullptr, reader->thumbnail);
    const std::vector<uint8_t> thumb(reader->thumbnail, reader->thumbnail + reader->thumbnailLength);
    int tw = 0, th = 0;
    EXPECT_EQ(3u, baselineComponents(thumb, &tw, &th).size());
    EXPECT_EQ(160, tw);
    ASSERT_NE(nullptr, reader->makerNote);
    EXPECT_EQ(0, std::memcmp(reader->makerNote, "ORVEN\0\x01\0", 8));
    EXPECT_EQ(kJpegBaseline, jpegCodingKind(folder / "camera.jpg"));
}

TEST(ExifSourceRoundTrip, WalkedEntriesCanBeAddedToANewPicture)
{
    // What the metadata builder does: carry every source entry over.
    const auto folder = scratchFolder("source-carry");
    ExifImage image;
    auto buffers = prepareWrite(image, folder / "first.jpg", 64, 48);
    addUsualTags(image, 64, 48);
    ASSERT_NE(0, image.writeExifJpeg());
    ASSERT_NE(nullptr, image.openSource(folder / "first.jpg", 7));
    // The maker-note link is the builder's own, never the source's.
    ExifEntryCursor cursor;
    while (image.nextSourceEntry(cursor)) {
        if (!(cursor.ifd == kIfdExif && cursor.tag == 0x927C))
            image.addTag(cursor.ifd, cursor.tag, cursor.data, cursor.type, cursor.count);
    }
    image.addTag(kIfdExif, 0x927C, "    ", kTiffUndefined, 4);
    image.info.outputPath = folder / "second.jpg";
    ASSERT_NE(0, image.writeExifJpeg());
    EXPECT_EQ(readFileBytes(folder / "first.jpg"), readFileBytes(folder / "second.jpg"));
}

// --- coding kind ---------------------------------------------------------------

TEST(JpegCodingKindScan, BaselineProgressiveAndNeither)
{
    const auto pixels = makeTestPicture(16, 16);
    std::vector<uint8_t> baseline;
    ASSERT_EQ(1, writeJpegFromPixels(baseline, pixels.data(), 16, 16, 0, nullptr, 0, true, 75,
                                     false, false));
    EXPECT_EQ(kJpegBaseline, jpegCodingKindOfBytes(baseline.data(), baseline.size()));

    const std::vector<uint8_t> progressive = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC2};
    EXPECT_EQ(kJpegProgressive, jpegCodingKindOfBytes(progressive.data(), progressive.size()));

    const std::vector<uint8_t> endsEarly = {0xFF, 0xD8, 0xFF, 0xDB, 0, 4, 0, 0};
    EXPECT_EQ(kJpegUnknown, jpegCodingKindOfBytes(endsEarly.data(), endsEarly.size()));
    const std::vector<uint8_t> notJpeg = {'B', 'M', 0, 0};
    EXPECT_EQ(kJpegUnknown, jpegCodingKindOfBytes(notJpeg.data(), notJpeg.size()));
    const std::vector<uint8_t> lossless = {0xFF, 0xD8, 0xFF, 0xC3, 0, 4, 0, 0};
    EXPECT_EQ(kJpegUnknown, jpegCodingKindOfBytes(lossless.data(), lossless.size()));
    EXPECT_EQ(kJpegUnknown, jpegCodingKindOfBytes(nullptr, 0));
}

TEST(JpegCodingKindScan, ExifSegmentIsSkippedWhole)
{
    // The sample's TIFF data holds FF C2 nowhere, but its bytes would end the
    // scan if it were read on inside the segment.
    const auto jpeg = sampleTiff(false).jpeg();
    EXPECT_EQ(kJpegBaseline, jpegCodingKindOfBytes(jpeg.data(), jpeg.size()));
}

TEST(JpegCodingKindScan, OtherApp1IsReadOnInside)
{
    std::vector<uint8_t> ordinary = {0xFF, 0xD8, 0xFF, 0xE1, 0, 20, 'h', 't', 't', 'p', ':', '/',
                                     '/', 'n', 's', '.', 'a', 'd', 'o', 'b', 'e', '.', 0xFF, 0xC0};
    EXPECT_EQ(kJpegUnknown, jpegCodingKindOfBytes(ordinary.data(), ordinary.size()));
    std::vector<uint8_t> crafted = {0xFF, 0xD8, 0xFF, 0xE1, 0, 20,   'h',  't',
                                    't',  'p',  ':',  '/',  0xFF, 0xC2, 0,    0};
    EXPECT_EQ(kJpegProgressive, jpegCodingKindOfBytes(crafted.data(), crafted.size()));
}

TEST(JpegCodingKindScan, ShortLengthsEndTheScan)
{
    const std::vector<uint8_t> zero = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0xFF, 0xC0};
    EXPECT_EQ(kJpegUnknown, jpegCodingKindOfBytes(zero.data(), zero.size()));
    const std::vector<uint8_t> shortExif = {0xFF, 0xD8, 0xFF, 0xE1, 0,    4,
                                            'E',  'x',  'i',  'f',  0,    0, 0xFF, 0xC0};
    EXPECT_EQ(kJpegUnknown, jpegCodingKindOfBytes(shortExif.data(), shortExif.size()));
}

TEST(JpegCodingKindScan, FilesByPath)
{
    const auto folder = scratchFolder("coding-kind");
    EXPECT_EQ(kJpegUnknown, jpegCodingKind(folder / "missing.jpg"));
    const auto pixels = makeTestPicture(16, 16);
    const fs::path path = folder / fs::u8path(u8"\u5199\u771f.jpg");
    ASSERT_EQ(1, writeJpegFromPixels(path, pixels.data(), 16, 16, 0, nullptr, 0, false, 75, false,
                                     false));
    EXPECT_EQ(kJpegBaseline, jpegCodingKind(path));
    const std::vector<uint8_t> progressive = {0xFF, 0xD8, 0xFF, 0xC2, 0, 0};
    writeFileBytes(folder / "p.jpg", progressive);
    EXPECT_EQ(kJpegProgressive, jpegCodingKind(folder / "p.jpg"));
}

}  // namespace
