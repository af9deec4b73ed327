// The source reader on hand-made Exif structures (both byte orders, broken
// ones included) and on files of our own writer; the coding-kind scan.
#include "exif/ExifImage.h"
#include "exif/ExifSource.h"
#include "exif/JpegEncoder.h"
#include "exif/tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
    void u16(uint32_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void text(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
    void padTo(uint32_t size) { bytes_.resize(size, 0); }
    void set32(uint32_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes_[at + i] = static_cast<uint8_t>(motorola_ ? v >> (24 - 8 * i) : v >> (8 * i));
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
    void put(uint32_t v, int width)
    {
        for (int i = 0; i < width; ++i) {
            const int shift = motorola_ ? 8 * (width - 1 - i) : 8 * i;
            bytes_.push_back(static_cast<uint8_t>(v >> shift));
        }
    }

private:
    bool motorola_;
    std::vector<uint8_t> bytes_;
};

// Hand-made TIFF data as a list of items: 'h' a 16-bit word, 'w' a 32-bit
// word, 'p' zeros up to an offset, 't' `tag` bytes as they are, 'e' an
// entry with a 32-bit value field, 's' a SHORT entry with its two value
// halves, 'b' an entry with 4 bytes as they are.
struct Item {
    char kind;
    uint32_t tag = 0, type = 0, count = 0, field = 0;
    const char* bytes = nullptr;
};

TiffBytes tiff(bool motorola, const std::vector<Item>& items)
{
    TiffBytes t(motorola);
    for (const Item& i : items) {
        switch (i.kind) {
        case 'h': t.u16(i.tag); break;
        case 'w': t.u32(i.tag); break;
        case 'p': t.padTo(i.tag); break;
        case 't': t.text(std::string(i.bytes, i.tag)); break;
        case 'e':
            t.u16(i.tag);
            t.u16(i.type);
            t.u32(i.count);
            t.u32(i.field);
            break;
        case 's':
            t.u16(i.tag);
            t.u16(kTiffShort);
            t.u32(i.type);
            t.u16(i.count);
            t.u16(i.field);
            break;
        case 'b':
            t.u16(i.tag);
            t.u16(i.type);
            t.u32(i.count);
            t.text(std::string(i.bytes, 4));
            break;
        }
    }
    return t;
}

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
        const size_t bytes = static_cast<size_t>(sourceElementSize(cursor.type)) * cursor.count;
        EXPECT_GE(entry, image.sourceTiff());
        EXPECT_LE(entry + 12, end);
        EXPECT_GE(cursor.data, image.sourceTiff());
        EXPECT_LE(cursor.data + bytes, end);
        out.push_back({cursor.ifd, cursor.tag, cursor.type, cursor.count,
                       std::vector<uint8_t>(cursor.data, cursor.data + bytes)});
        if (out.size() > 100000) {
            ADD_FAILURE() << "walk does not end";
            return out;
        }
    }
    EXPECT_EQ(nullptr, image.nextSourceEntry(cursor)) << "the end stays the end";
    return out;
}

// Values as the host stores them.
template <typename T>
std::vector<uint8_t> host(std::initializer_list<T> values)
{
    std::vector<uint8_t> out(values.size() * sizeof(T));
    std::memcpy(out.data(), values.begin(), out.size());
    return out;
}

// IFD0 (Make, SHORT[3] twice on one value, XResolution, Exif link, GPS link,
// next = IFD1), Exif IFD (ExposureTime, maker note "Nikon\0", Interop link),
// GPS, Interoperability, maker-note IFD, IFD1 with a 4-byte "thumbnail".
TiffBytes sampleTiff(bool motorola, const char* makerHeader = "Nikon\0\x01\0")
{
    return tiff(motorola, {// IFD0 at 8: 6 entries -> 2 + 72 + 4 = 78 bytes, ends at 86.
                           {'h', 6},
                           {'e', 0x0102, kTiffShort, 3, 206},
                           {'e', 0x010F, kTiffAscii, 6, 200},
                           {'e', 0x011A, kTiffRational, 1, 212},
                           {'e', 0x0150, kTiffShort, 3, 206},  // shares 0x0102's value
                           {'e', 0x8769, kTiffLong, 1, 86},
                           {'e', 0x8825, kTiffLong, 1, 140},
                           {'w', 300},
                           // Exif IFD at 86: 3 entries -> 42 bytes, ends at 128.
                           {'h', 3},
                           {'e', 0x829A, kTiffRational, 1, 220},
                           {'e', 0x927C, kTiffUndefined, 30, 240},
                           {'e', 0xA005, kTiffLong, 1, 164},
                           {'w', 0},
                           {'p', 140},
                           // GPS IFD at 140: tag 0 ends the walk at once.
                           {'h', 1},
                           {'b', 0x0000, kTiffByte, 4, 0, "\x02\x02\0\0"},
                           {'w', 0},
                           {'p', 164},
                           // Interop IFD at 164: 2 entries -> 30 bytes, ends at 194.
                           {'h', 2},
                           {'b', 0x0001, kTiffAscii, 4, 0, "R98\0"},
                           {'b', 0x0002, kTiffUndefined, 4, 0, "0100"},
                           {'w', 0},
                           // Values: "Maker" at 200, SHORT[3] at 206, 300/1 at 212, 1/125 at 220.
                           {'p', 200},
                           {'t', 6, 0, 0, 0, "Maker\0"},
                           {'h', 10},
                           {'h', 20},
                           {'h', 30},
                           {'w', 300},
                           {'w', 1},
                           {'w', 1},
                           {'w', 125},
                           // Maker note at 240: header then IFD at 248 with 1 entry (18 bytes).
                           {'p', 240},
                           {'t', 8, 0, 0, 0, makerHeader},
                           {'h', 1},
                           {'s', 0x0001, 2, 7, 8},
                           {'w', 0},
                           // IFD1 at 300: 2 entries -> 30 bytes, thumbnail at 330.
                           {'p', 300},
                           {'h', 2},
                           {'e', 0x0201, kTiffLong, 1, 330},
                           {'e', 0x0202, kTiffLong, 1, 4},
                           {'w', 0},
                           {'t', 4, 0, 0, 0, "\xFF\xD8\xFF\xD9"},
                           {'p', 340}});
}

std::vector<Walked> expectedSampleWalk()
{
    const std::vector<uint8_t> shorts = host<uint16_t>({10, 20, 30});
    return {
        {1, 0x0102, kTiffShort, 3, shorts},
        {1, 0x010F, kTiffAscii, 6, {'M', 'a', 'k', 'e', 'r', 0}},
        {1, 0x011A, kTiffRational, 1, host<uint32_t>({300, 1})},
        {1, 0x0150, kTiffShort, 3, shorts},
        {1, 0x8769, kTiffLong, 1, host<uint32_t>({86})},
        {1, 0x8825, kTiffLong, 1, host<uint32_t>({140})},
        {2, 0x829A, kTiffRational, 1, host<uint32_t>({1, 125})},
        {2, 0x927C, kTiffUndefined, 30, {}},  // value filled below
        {2, 0xA005, kTiffLong, 1, host<uint32_t>({164})},
        {3, 0x0201, kTiffLong, 1, {0xFF, 0xD8, 0xFF, 0xD9}},  // data is the thumbnail
        {3, 0x0202, kTiffLong, 1, host<uint32_t>({4})},
        {5, 0x0001, kTiffAscii, 4, {'R', '9', '8', 0}},
        {5, 0x0002, kTiffUndefined, 4, {'0', '1', '0', '0'}},
        {6, 0x0001, kTiffShort, 2, host<uint16_t>({7, 8})},
    };
}

// The sample in both byte orders, with and without its IFD1: the same
// entries in directory order, values in host order.
TEST(ExifSourceWalk, SampleGivesEveryEntryInDirectoryOrderInBothByteOrders)
{
    auto expected = expectedSampleWalk();
    const auto intelJpeg = sampleTiff(false).jpeg();
    expected[7].value.assign(intelJpeg.begin() + 12 + 240, intelJpeg.begin() + 12 + 270);
    for (bool withIfd1 : {true, false}) {
        for (bool mm : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "ifd1 " << withIfd1 << " motorola " << mm);
            TiffBytes t = sampleTiff(mm);
            if (!withIfd1)  // read as a directory, the header would be "converted" over IFD0's data
                t.set32(8 + 2 + 6 * 12, 0);
            const auto jpeg = t.jpeg();
            ExifImage image;
            const ExifSourceReader* reader = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
            ASSERT_NE(nullptr, reader);
            EXPECT_EQ(mm, reader->motorola);
            EXPECT_EQ(image.sourceSegment() + 10, image.sourceTiff());
            EXPECT_EQ(0, std::memcmp(image.sourceSegment(), "\xFF\xE1", 2));
            EXPECT_EQ(0, std::memcmp(image.sourceSegment() + 4, "Exif\0\0", 6));
            uint16_t magic;  // the header words are in host order in the copy too
            std::memcpy(&magic, image.sourceTiff() + 2, 2);
            EXPECT_EQ(42, magic);
            ASSERT_NE(nullptr, reader->makerNote);
            EXPECT_EQ(0, std::memcmp(reader->makerNote, "Nikon", 6));
            EXPECT_EQ(reader->makerNote + 8, reader->makerNoteIfd);
            EXPECT_EQ(withIfd1, reader->ifd1 != nullptr);
            EXPECT_EQ(withIfd1 ? 4u : 0u, reader->thumbnailLength);
            if (withIfd1) {
                ASSERT_NE(nullptr, reader->thumbnail);
                EXPECT_EQ(0xD8, reader->thumbnail[1]);
            }
            auto wanted = expected;
            if (!withIfd1)
                wanted.erase(wanted.begin() + 9, wanted.begin() + 11);
            EXPECT_EQ(wanted, walkAll(image));
        }
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
        EXPECT_EQ(c.walked, walkAll(image).back().ifd == 6) << c.header;
    }
}

TEST(ExifSourceWalk, MotorolaDirectoryReachedTwiceIsConvertedOnce)
{
    // The Interoperability link points at the Exif IFD itself.
    for (bool mm : {false, true}) {
        const auto jpeg = tiff(mm, {{'h', 1},
                                    {'e', 0x8769, kTiffLong, 1, 26},
                                    {'w', 0},
                                    {'p', 26},
                                    {'h', 2},
                                    {'e', 0x9201, kTiffSRational, 1, 60},
                                    {'e', 0xA005, kTiffLong, 1, 26},
                                    {'w', 0},
                                    {'p', 60},
                                    {'w', static_cast<uint32_t>(-5)},
                                    {'w', 2}})
                              .jpeg();
        ExifImage image;
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

// --- hand-made structures, odd and broken ----------------------------------------

std::vector<Item> ifd1At(uint32_t link)
{
    return {{'h', 1},
            {'s', 0x0100, 1, 1},
            {'w', link},
            {'p', link},
            {'h', 2},
            {'e', 0x0201, kTiffLong, 1, link + 30},
            {'e', 0x0202, kTiffLong, 1, 4},
            {'w', 0}};
}

// IFD1 with a thumbnail at 60 in TIFF data of 64 bytes.
std::vector<Item> thumbnailAt60(uint32_t length)
{
    return {{'h', 1},
            {'s', 0x0100, 1, 1},
            {'w', 26},
            {'h', 2},
            {'e', 0x0201, kTiffLong, 1, 60},
            {'e', 0x0202, kTiffLong, 1, length},
            {'w', 0},
            {'p', 64}};
}

// An Exif IFD whose maker note of `count` bytes ends the segment.
std::vector<Item> makerNoteAtTheEnd(uint32_t count)
{
    return {{'h', 1}, {'e', 0x8769, kTiffLong, 1, 26},          {'w', 0},
            {'h', 1}, {'e', 0x927C, kTiffUndefined, count, 44}, {'w', 0}};
}

// What an opened source holds: E Exif IFD, G GPS IFD, I IFD1, T thumbnail,
// M maker note, N its IFD; with the number of entries walked and the tag of
// the last one.
struct Structure {
    const char* name;
    std::vector<Item> items;
    std::string tail;
    bool bothOrders;
    const char* present;  // null: not checked
    size_t entries;
    uint16_t lastTag;
};

TEST(ExifSourceBroken, HandMadeStructuresAreWalkedOnlyWhereValid)
{
    const Structure cases[] = {
        {"descending entry ends the whole walk, links after it not taken",
         {{'h', 4},
          {'s', 0x0100, 1, 1},
          {'s', 0x0110, 1, 2},
          {'s', 0x0105, 1, 3},
          {'e', 0x8769, kTiffLong, 1, 62},
          {'w', 0},
          {'h', 1},
          {'s', 0xA001, 1, 1},
          {'w', 0}},
         "",
         false,
         "",
         2,
         0x0110},
        {"descent in a later directory ends the walk there",
         {{'h', 2},
          {'s', 0x0100, 1, 1},
          {'e', 0x8769, kTiffLong, 1, 38},
          {'w', 70},
          {'h', 2},
          {'s', 0xA002, 1, 1},
          {'s', 0xA001, 1, 1},
          {'w', 0},
          {'p', 70},
          {'h', 1},
          {'s', 0x0103, 1, 6},
          {'w', 0}},
         "",
         false,
         nullptr,
         3,
         0xA002},
        {"IFD1 link below 4096", ifd1At(4000), "\xFF\xD8\xFF\xD9", false, "IT", 3, 0x0202},
        {"IFD1 link of 4096", ifd1At(4096), "\xFF\xD8\xFF\xD9", false, "", 1, 0x0100},
        {"IFD1 link above 4096", ifd1At(4100), "\xFF\xD8\xFF\xD9", false, "", 1, 0x0100},
        {"unknown type, then a value outside: the directory is left",
         {{'h', 4},
          {'s', 0x0100, 1, 1},
          {'e', 0x0101, 14, 1, 0},
          {'e', 0x0102, kTiffAscii, 10, 1000},
          {'s', 0x0103, 1, 3},
          {'w', 0}},
         "",
         false,
         nullptr,
         1,
         0x0100},
        {"links of type 13 (IFD) are followed",
         {{'h', 2},
          {'s', 0x0100, 1, 1},
          {'e', 0x8769, kTiffIfd, 1, 38},
          {'w', 0},
          {'h', 2},
          {'s', 0xA001, 1, 1},
          {'e', 0xA005, kTiffIfd, 1, 68},
          {'w', 0},
          {'h', 1},
          {'b', 0x0001, kTiffAscii, 4, 0, "R98\0"},
          {'w', 0}},
         "",
         true,
         "E",
         5,
         0x0001},
        {"Exif link into the header is not followed, the walk goes on",
         {{'h', 3},
          {'s', 0x0100, 1, 1},
          {'e', 0x8769, kTiffLong, 1, 4},
          {'s', 0xC000, 1, 5},
          {'w', 0}},
         "",
         true,
         "",
         3,
         0xC000},
        {"invalid first entry leaves the directory",
         {{'h', 2},
          {'e', 0x0100, kTiffLong, 2, 5000},
          {'e', 0x8769, kTiffLong, 1, 38},
          {'w', 0},
          {'h', 1},
          {'s', 0xA001, 1, 1},
          {'w', 0}},
         "",
         false,
         "E",
         1,
         0xA001},
        {"segment ends among IFD0's entries",
         {{'h', 6}, {'s', 0x0100, 1, 1}, {'s', 0x0101, 1, 2}},
         "",
         false,
         "",
         2,
         0x0101},
        {"entry count beyond the segment, no next link read",
         {{'h', 0xFFFF},
          {'s', 0x0100, 1, 1},
          {'s', 0x0101, 1, 2},
          {'h', 0x0102},
          {'h', kTiffShort}},
         "",
         true,
         "",
         2,
         0x0101},
        {"links outside are ignored",
         {{'h', 3},
          {'s', 0x0100, 1, 1},
          {'e', 0x8769, kTiffLong, 1, 0x7FFFFFFF},  // an invalid entry
          {'e', 0x8825, kTiffLong, 1, 51},
          {'w', 0xFFFFFF00},
          {'p', 52}},  // one byte short of a count
         "",
         true,
         "",
         1,
         0x0100},
        {"maker note one byte short of its zero", makerNoteAtTheEnd(5), std::string("Nikon", 5),
         false, "E", 2, 0x927C},
        {"maker note without room for an IFD", makerNoteAtTheEnd(6), std::string("Nikon\0", 6),
         false, "EM", 2, 0x927C},
        {"maker note with half an entry count", makerNoteAtTheEnd(9),
         std::string("Nikon\0\x01\0\x05", 9), false, "EM", 2, 0x927C},
        {"maker note with a count and no entries", makerNoteAtTheEnd(10),
         std::string("Nikon\0\x01\0\x05\0", 10), false, "EMN", 2, 0x927C},
        {"thumbnail ending at the segment's end", thumbnailAt60(4), "", false, "IT", 3, 0x0202},
        {"thumbnail one byte past the segment", thumbnailAt60(5), "", false, "I", 3, 0x0202},
        {"thumbnail far outside the segment", thumbnailAt60(0xFFFFFFF0), "", false, "I", 3, 0x0202},
        {"thumbnail offset at the last byte",  // 4 bytes would end past the data
         {{'h', 1},
          {'s', 0x0100, 1, 1},
          {'w', 26},
          {'h', 1},
          {'e', 0x0201, kTiffLong, 1, 43},
          {'w', 0},
          {'p', 44}},
         "",
         false,
         "I",
         1,
         0x0100},
    };
    for (const Structure& c : cases) {
        for (bool mm : {false, true}) {
            if (mm && !c.bothOrders)
                continue;
            SCOPED_TRACE(::testing::Message() << c.name << (mm ? ", motorola" : ""));
            TiffBytes t = tiff(mm, c.items);
            t.text(c.tail);
            ExifImage image;
            const auto jpeg = t.jpeg();
            const ExifSourceReader* r = image.openSourceBytes(jpeg.data(), jpeg.size(), 7);
            ASSERT_NE(nullptr, r);
            EXPECT_EQ(t.size(), r->tiffLength) << "the segment's length bounds the data";
            if (c.present != nullptr) {
                const std::pair<char, const uint8_t*> parts[] = {
                    {'E', r->exifIfd},   {'G', r->gpsIfd},    {'I', r->ifd1},
                    {'T', r->thumbnail}, {'M', r->makerNote}, {'N', r->makerNoteIfd}};
                for (const auto& p : parts)
                    EXPECT_EQ(std::strchr(c.present, p.first) != nullptr, p.second != nullptr)
                        << p.first;
                EXPECT_EQ(r->thumbnail != nullptr ? 4u : 0u, r->thumbnailLength);
            }
            const auto walked = walkAll(image);
            EXPECT_EQ(c.entries, walked.size());
            if (!walked.empty()) {
                EXPECT_EQ(c.lastTag, walked.back().tag);
            }
        }
    }
}

TEST(ExifSourceBroken, SourcesWithoutAValidEntryAreRefused)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
    const auto sample = sampleTiff(false).jpeg();
    for (size_t cut : {3u, 6u, 11u, 12u, 20u, 100u, 351u})
        cases.emplace_back("cut at " + std::to_string(cut),
                           std::vector<uint8_t>(sample.begin(),
                                                sample.begin() + static_cast<std::ptrdiff_t>(cut)));
    for (int length = 0; length < 16; ++length)
        cases.emplace_back(
            "segment length " + std::to_string(length),
            std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE1, 0, static_cast<uint8_t>(length),
                                 'E',  'x',  'i',  'f',  0, 0,
                                 'I',  'I',  42,   0,    8, 0,
                                 0,    0});
    cases.emplace_back("length longer than the file", sampleTiff(false).jpeg(+2000));
    // Both entries that fit point beyond the segment; the file goes on, unread.
    const auto full = sampleTiff(false);
    cases.emplace_back("values past the segment",
                       full.jpeg(-(static_cast<int>(full.size()) - 8 - 2 - 12 * 2 - 5)));
    for (uint32_t at : {9u, 10u, 11u, 0xFFFFFFF0u}) {
        TiffBytes t = tiff(false, {{'h', 0}});
        t.set32(4, at);
        t.u8(1);
        cases.emplace_back("IFD0 at " + std::to_string(at), t.jpeg());
    }
    cases.emplace_back("counts that overflow",  // 8 x count wraps in 32 bits
                       tiff(false, {{'h', 3},
                                    {'e', 0x0100, kTiffDouble, 0x20000000, 8},
                                    {'e', 0x0101, kTiffLong, 0xFFFFFFFF, 0},
                                    {'e', 0x0102, kTiffRational, 0x40000000, 8},
                                    {'w', 0}})
                           .jpeg());
    cases.emplace_back(
        "first tag zero ends the walk at once",
        tiff(false, {{'h', 2}, {'s', 0x0000, 1, 1}, {'s', 0x0100, 1, 1}, {'w', 0}}).jpeg());
    for (const auto& c : cases) {
        ExifImage image;
        EXPECT_EQ(nullptr, image.openSourceBytes(c.second.data(), c.second.size(), 7)) << c.first;
    }
}

TEST(ExifSourceWalk, EachOpenReplacesTheReaderAndAFailedOneDiscardsIt)
{
    ExifImage image;
    const auto first = sampleTiff(false).jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(first.data(), first.size(), 7));
    const auto second = tiff(false, {{'h', 1}, {'s', 0x0112, 1, 6}, {'w', 0}}).jpeg();
    ASSERT_NE(nullptr, image.openSourceBytes(second.data(), second.size(), 7));
    const auto walked = walkAll(image);
    ASSERT_EQ(1u, walked.size());
    EXPECT_EQ(0x0112, walked[0].tag);
    EXPECT_EQ(nullptr, image.openSourceBytes(first.data(), first.size(), 6));  // another kind
    EXPECT_EQ(nullptr, image.sourceSegment());
    EXPECT_EQ(nullptr, image.sourceTiff());
    ExifEntryCursor cursor;
    EXPECT_EQ(nullptr, image.nextSourceEntry(cursor));
    ASSERT_NE(nullptr, image.openSourceBytes(first.data(), first.size(), 7));
    EXPECT_EQ(nullptr, image.openSource(scratchFolder("source-missing") / "none.jpg", 7));
    EXPECT_EQ(nullptr, image.sourceSegment());
}

TEST(ExifSourceWalk, CursorFromElsewhereIsHandled)
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

TEST(ExifSourceMarkers, SegmentsBeforeExifAreSkippedUntilScanData)
{
    const auto exif = sampleTiff(false).jpeg();
    const struct {
        const char* name;
        std::vector<uint8_t> before;
        bool found;
    } cases[] = {
        {"JFIF and comment",
         {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F',  'I',  'F', 0, 1,   1,
          0,    0,    1,    0,    1, 0,  0,   0xFF, 0xFE, 0,   4, 'h', 'i'},
         true},
        {"frame", {0xFF, 0xD8, 0xFF, 0xC0, 0, 4, 1, 2}, true},
        {"scan data", {0xFF, 0xD8, 0xFF, 0xDA, 0, 4, 1, 2, 0x12, 0x34}, false},
        // "XMP\0.." segment whose ninth byte starts the real Exif segment.
        {"other APP1, read on from its ninth byte",
         {0xFF, 0xD8, 0xFF, 0xE1, 0x40, 0x00, 'X', 'M', 'P', 0, 0, 0},
         true},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> jpeg = c.before;
        jpeg.insert(jpeg.end(), exif.begin() + 2, exif.end());
        ExifImage image;
        EXPECT_EQ(c.found, image.openSourceBytes(jpeg.data(), jpeg.size(), 7) != nullptr) << c.name;
        if (c.found) {
            EXPECT_EQ(14u, walkAll(image).size()) << c.name;
        }
    }
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

// What the metadata builder does: carry every source entry over. Any entry
// missed, or given another type, count or value, changes the file.
TEST(ExifSourceRoundTrip, WalkedEntriesOfOurPictureWriteItAgain)
{
    const auto folder = scratchFolder("source-carry");
    ExifImage image;
    auto buffers = prepareWrite(image, folder / "first.jpg", 64, 48);
    addUsualTags(image, 64, 48);
    ASSERT_NE(0, image.writeExifJpeg());
    const ExifSourceReader* reader = image.openSource(folder / "first.jpg", 7);
    ASSERT_NE(nullptr, reader);
    ASSERT_NE(nullptr, reader->makerNote);
    EXPECT_EQ(0, std::memcmp(reader->makerNote, "ORVEN\0\x01\0", 8));
    ASSERT_NE(nullptr, reader->thumbnail);
    int tw = 0, th = 0;
    EXPECT_EQ(3u, baselineComponents(
                      {reader->thumbnail, reader->thumbnail + reader->thumbnailLength}, &tw, &th)
                      .size());
    EXPECT_EQ(160, tw);
    ExifEntryCursor cursor;
    while (image.nextSourceEntry(cursor)) {
        // The maker-note link is the builder's own, never the source's.
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
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        int kind;
    } cases[] = {
        {"ours", baseline, kJpegBaseline},
        // The sample's TIFF data would end the scan if it were read on inside the segment.
        {"Exif segment skipped whole", sampleTiff(false).jpeg(), kJpegBaseline},
        {"progressive", {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC2}, kJpegProgressive},
        {"ends early", {0xFF, 0xD8, 0xFF, 0xDB, 0, 4, 0, 0}, kJpegUnknown},
        {"not JPEG", {'B', 'M', 0, 0}, kJpegUnknown},
        {"lossless", {0xFF, 0xD8, 0xFF, 0xC3, 0, 4, 0, 0}, kJpegUnknown},
        {"empty", {}, kJpegUnknown},
        // Other APP1 segments are read on inside.
        {"ordinary APP1",
         {0xFF, 0xD8, 0xFF, 0xE1, 0,   20,  'h', 't', 't', 'p', ':',  '/',
          '/',  'n',  's',  '.',  'a', 'd', 'o', 'b', 'e', '.', 0xFF, 0xC0},
         kJpegUnknown},
        {"crafted APP1",
         {0xFF, 0xD8, 0xFF, 0xE1, 0, 20, 'h', 't', 't', 'p', ':', '/', 0xFF, 0xC2, 0, 0},
         kJpegProgressive},
        // Short lengths end the scan.
        {"length zero", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0xFF, 0xC0}, kJpegUnknown},
        {"short Exif",
         {0xFF, 0xD8, 0xFF, 0xE1, 0, 4, 'E', 'x', 'i', 'f', 0, 0, 0xFF, 0xC0},
         kJpegUnknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kind,
                  jpegCodingKindOfBytes(c.bytes.empty() ? nullptr : c.bytes.data(), c.bytes.size()))
            << c.name;
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

// A head shorter than the file: the scans read on in the file and find
// exactly what they find reading the file alone.
TEST(SourceHeadScan, EveryHeadLengthGivesTheFileResults)
{
    const auto folder = scratchFolder("source-head");
    const auto exif = sampleTiff(false).jpeg();
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xFE, 0x03, 0xE8};  // comment of 1000 bytes
    jpeg.resize(jpeg.size() + 998, 'c');
    jpeg.insert(jpeg.end(), exif.begin() + 2, exif.end());
    const fs::path path = folder / "a.jpg";
    writeFileBytes(path, jpeg);
    const auto alone = readExifSource(path);
    ASSERT_NE(nullptr, alone);
    for (const size_t size : {size_t{0}, size_t{3}, size_t{1003}, size_t{1010}, jpeg.size() - 1,
                              jpeg.size(), jpeg.size() + 1}) {
        SCOPED_TRACE(size);
        const SourceHead head = readSourceHead(path, size);
        EXPECT_EQ(std::min(size, jpeg.size()), head.bytes.size());
        EXPECT_EQ(kJpegBaseline, jpegCodingKind(head));
        const auto reader = readExifSource(head);
        ASSERT_NE(nullptr, reader);
        EXPECT_EQ(alone->segment, reader->segment);
    }
    // Cut inside the Exif segment: no more to read once the head holds the whole file.
    writeFileBytes(path, std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 1100));
    EXPECT_EQ(nullptr, readExifSource(readSourceHead(path, 2000)));
    EXPECT_EQ(nullptr, readExifSource(readSourceHead(path, 1050)));
    const SourceHead missing = readSourceHead(folder / "missing.jpg", 100);
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(kJpegUnknown, jpegCodingKind(missing));
    EXPECT_EQ(nullptr, readExifSource(missing));
}

}  // namespace
