// Finding the Exif thumbnail: pictures written by exiftool in both byte
// orders, and hand-made Exif segments with broken links and sizes.
#include "standin/ExifThumbnail.h"
#include "standin/tests/StandinTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

using standin::findExifThumbnail;
using standin::ThumbnailLocation;
using standin::ThumbnailSearch;
using standin_test::fixture;

namespace {

using Bytes = std::vector<std::uint8_t>;

ThumbnailSearch search(const Bytes& data, ThumbnailLocation& where)
{
    // An exact-size copy on the heap, so a read past the end is a read past the allocation.
    Bytes copy(data);
    return findExifThumbnail(copy.data(), copy.size(), where);
}

Bytes located(const Bytes& data, const ThumbnailLocation& where)
{
    return Bytes(data.begin() + static_cast<std::ptrdiff_t>(where.offset),
                 data.begin() + static_cast<std::ptrdiff_t>(where.offset + where.length));
}

// A picture with a hand-made Exif segment: IFD0 with one tag, then IFD1 with
// the two thumbnail tags, then the thumbnail; the scan data of plain.jpg follows.
struct Layout {
    bool intel = true;
    bool jfifFirst = false;
    bool withIfd1 = true;
    bool withOffsetTag = true;
    bool withLengthTag = true;
    std::uint16_t tagType = 4;
    std::optional<std::uint32_t> offset;
    std::optional<std::uint32_t> length;
    std::optional<std::uint32_t> ifd1;
    std::optional<std::uint16_t> segmentLength;
};

class TiffWriter {
public:
    explicit TiffWriter(bool intel) : m_intel(intel) {}
    void u16(std::uint32_t value)
    {
        if (m_intel) {
            m_bytes.push_back(std::uint8_t(value));
            m_bytes.push_back(std::uint8_t(value >> 8));
        } else {
            m_bytes.push_back(std::uint8_t(value >> 8));
            m_bytes.push_back(std::uint8_t(value));
        }
    }
    void u32(std::uint32_t value)
    {
        if (m_intel) {
            u16(value & 0xFFFF);
            u16(value >> 16);
        } else {
            u16(value >> 16);
            u16(value & 0xFFFF);
        }
    }
    void entry(std::uint16_t tag, std::uint16_t type, std::uint32_t value)
    {
        u16(tag);
        u16(type);
        u32(1);
        if (type == 3) {
            u16(value);
            u16(0);
        } else {
            u32(value);
        }
    }
    Bytes& bytes() { return m_bytes; }

private:
    bool m_intel;
    Bytes m_bytes;
};

Bytes makePicture(const Bytes& thumbnail, const Layout& layout)
{
    TiffWriter tiff(layout.intel);
    tiff.bytes() = layout.intel ? Bytes{'I', 'I'} : Bytes{'M', 'M'};
    tiff.u16(42);
    tiff.u32(8);
    // IFD0 at 8: Orientation, then the link to IFD1 at 26.
    tiff.u16(1);
    tiff.entry(0x0112, 3, 1);
    tiff.u32(layout.withIfd1 ? layout.ifd1.value_or(26) : 0);
    const std::uint32_t tagCount = (layout.withOffsetTag ? 1 : 0) + (layout.withLengthTag ? 1 : 0);
    const std::uint32_t thumbnailAt = 26 + 2 + 12 * tagCount + 4;
    if (layout.withIfd1) {
        tiff.u16(tagCount);
        if (layout.withOffsetTag)
            tiff.entry(0x0201, layout.tagType, layout.offset.value_or(thumbnailAt));
        if (layout.withLengthTag)
            tiff.entry(0x0202, layout.tagType,
                       layout.length.value_or(std::uint32_t(thumbnail.size())));
        tiff.u32(0);
        tiff.bytes().insert(tiff.bytes().end(), thumbnail.begin(), thumbnail.end());
    }
    Bytes picture = {0xFF, 0xD8};
    if (layout.jfifFirst) {
        const Bytes jfif = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0,
                            1,    1,    0,    0,    1,   0,   1,   0,   0};
        picture.insert(picture.end(), jfif.begin(), jfif.end());
    }
    const std::size_t segment = 2 + 6 + tiff.bytes().size();
    const std::uint16_t length = layout.segmentLength.value_or(std::uint16_t(segment));
    const Bytes head = {
        0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
    picture.insert(picture.end(), head.begin(), head.end());
    picture.insert(picture.end(), tiff.bytes().begin(), tiff.bytes().end());
    const Bytes rest = fixture("plain.jpg");
    picture.insert(picture.end(), rest.begin() + 2, rest.end());
    return picture;
}

}  // namespace

TEST(ExifThumbnailWrittenByExiftool, IntelOrderGivesExactlyTheEmbeddedThumbnail)
{
    const Bytes picture = fixture("exif_ii.jpg");
    const Bytes thumbnail = fixture("thumb.jpg");
    ASSERT_FALSE(picture.empty());
    ASSERT_FALSE(thumbnail.empty());
    ThumbnailLocation where;
    ASSERT_EQ(search(picture, where), ThumbnailSearch::Found);
    EXPECT_EQ(located(picture, where), thumbnail);
}

TEST(ExifThumbnailWrittenByExiftool, MotorolaOrderGivesExactlyTheEmbeddedThumbnail)
{
    const Bytes picture = fixture("exif_mm.jpg");
    ThumbnailLocation where;
    ASSERT_EQ(search(picture, where), ThumbnailSearch::Found);
    EXPECT_EQ(located(picture, where), fixture("thumb.jpg"));
}

TEST(ExifThumbnailWrittenByExiftool, ExifWithoutThumbnailAndPlainJpeg)
{
    ThumbnailLocation where;
    EXPECT_EQ(search(fixture("exif_nothumb.jpg"), where), ThumbnailSearch::NoThumbnail);
    EXPECT_EQ(search(fixture("plain.jpg"), where), ThumbnailSearch::NoExif);
}

TEST(ExifThumbnailWrittenByExiftool, EveryTruncationStaysInsideTheData)
{
    const Bytes picture = fixture("exif_ii.jpg");
    ASSERT_GT(picture.size(), 300u);
    for (std::size_t size = 0; size <= picture.size(); ++size) {
        const Bytes part(picture.begin(), picture.begin() + static_cast<std::ptrdiff_t>(size));
        ThumbnailLocation where;
        if (search(part, where) == ThumbnailSearch::Found) {
            EXPECT_LE(where.offset + where.length, size) << "prefix of " << size << " bytes";
        }
    }
}

TEST(ExifThumbnailInput, NotAJpegAtAll)
{
    ThumbnailLocation where;
    EXPECT_EQ(search(Bytes{}, where), ThumbnailSearch::NotJpeg);
    EXPECT_EQ(search(Bytes{'G', 'I', 'F', '8', '9', 'a'}, where), ThumbnailSearch::NotJpeg);
    EXPECT_EQ(findExifThumbnail(nullptr, 10, where), ThumbnailSearch::NotJpeg);
}

TEST(ExifThumbnailHandMade, BothByteOrdersAndShortTags)
{
    const Bytes thumbnail = fixture("thumb.jpg");
    for (bool intel : {true, false}) {
        for (std::uint16_t type : {std::uint16_t(3), std::uint16_t(4)}) {
            Layout layout;
            layout.intel = intel;
            layout.tagType = type;
            const Bytes picture = makePicture(thumbnail, layout);
            ThumbnailLocation where;
            ASSERT_EQ(search(picture, where), ThumbnailSearch::Found) << intel << " " << type;
            EXPECT_EQ(located(picture, where), thumbnail);
        }
    }
}

TEST(ExifThumbnailHandMade, ExifAfterAJfifSegment)
{
    Layout layout;
    layout.jfifFirst = true;
    const Bytes picture = makePicture(fixture("thumb.jpg"), layout);
    ThumbnailLocation where;
    ASSERT_EQ(search(picture, where), ThumbnailSearch::Found);
    EXPECT_EQ(located(picture, where), fixture("thumb.jpg"));
}

TEST(ExifThumbnailHandMade, MissingIfd1OrTagsMeansNoThumbnail)
{
    const Bytes thumbnail = fixture("thumb.jpg");
    ThumbnailLocation where;
    Layout noIfd1;
    noIfd1.withIfd1 = false;
    EXPECT_EQ(search(makePicture(thumbnail, noIfd1), where), ThumbnailSearch::NoThumbnail);
    Layout noLength;
    noLength.withLengthTag = false;
    EXPECT_EQ(search(makePicture(thumbnail, noLength), where), ThumbnailSearch::NoThumbnail);
    Layout noOffset;
    noOffset.withOffsetTag = false;
    EXPECT_EQ(search(makePicture(thumbnail, noOffset), where), ThumbnailSearch::NoThumbnail);
    Layout wrongType;
    wrongType.tagType = 2;  // ASCII
    EXPECT_EQ(search(makePicture(thumbnail, wrongType), where), ThumbnailSearch::NoThumbnail);
}

TEST(ExifThumbnailHandMade, LinksAndSizesOutsideTheSegmentAreBroken)
{
    const Bytes thumbnail = fixture("thumb.jpg");
    ThumbnailLocation where;

    Layout tooLong;
    tooLong.length = std::uint32_t(thumbnail.size() + 1);
    EXPECT_EQ(search(makePicture(thumbnail, tooLong), where), ThumbnailSearch::Broken);

    Layout wrapping;  // offset + length wraps around 32 bits
    wrapping.offset = 0xFFFFFFF0u;
    wrapping.length = 0x20;
    EXPECT_EQ(search(makePicture(thumbnail, wrapping), where), ThumbnailSearch::Broken);

    Layout farIfd1;
    farIfd1.ifd1 = 0x7FFFFFF0u;
    EXPECT_EQ(search(makePicture(thumbnail, farIfd1), where), ThumbnailSearch::Broken);

    Layout ifd1IntoHeader;
    ifd1IntoHeader.ifd1 = 4;
    EXPECT_EQ(search(makePicture(thumbnail, ifd1IntoHeader), where), ThumbnailSearch::Broken);

    Layout notAJpegThumbnail;
    notAJpegThumbnail.offset = 8;  // points at IFD0
    EXPECT_EQ(search(makePicture(thumbnail, notAJpegThumbnail), where), ThumbnailSearch::Broken);

    Layout segmentPastTheEnd;
    segmentPastTheEnd.segmentLength = 0xFFFF;
    Bytes picture = makePicture(thumbnail, segmentPastTheEnd);
    picture.resize(2000);
    EXPECT_EQ(search(picture, where), ThumbnailSearch::Broken);
}

TEST(ExifThumbnailHandMade, ThumbnailMayEndExactlyAtTheSegmentEnd)
{
    const Bytes thumbnail = fixture("thumb.jpg");
    Layout layout;
    const Bytes picture = makePicture(thumbnail, layout);
    ThumbnailLocation where;
    ASSERT_EQ(search(picture, where), ThumbnailSearch::Found);
    // The segment holds nothing after the thumbnail: the next marker follows.
    ASSERT_LT(where.offset + where.length + 1, picture.size());
    EXPECT_EQ(picture[where.offset + where.length], 0xFF);
}
