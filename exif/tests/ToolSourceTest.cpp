// The source reader on JPEG files made by cjpeg and exiftool (Intel and
// Motorola order, GPS, thumbnail, progressive) and on our own pictures with
// each recognised maker-note header; the walk is compared with exiftool's
// own listing of the same file.
#include "exif/ExifImage.h"
#include "exif/tests/ToolSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

const char kTags[] =
    "-Make=Maker -Model=M1 -Orientation#=6 -XResolution=300 -YResolution=300 "
    "-ResolutionUnit=inches -ExposureTime=1/125 -FNumber=2.8 -ISO=200 "
    "'-SubjectArea=10 20 30' '-DateTimeOriginal=2023:01:02 03:04:05' -GPSLatitude=35.5 "
    "-GPSLatitudeRef=N -GPSLongitude=139.7 -GPSLongitudeRef=E -GPSAltitude=40 "
    "-InteropIndex=R98 ";

fs::path gFolder;

void writePpm(const fs::path& path, uint32_t w, uint32_t h)
{
    const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    const auto rgb = makeTestPicture(w, h);
    bytes.insert(bytes.end(), rgb.begin(), rgb.end());
    writeFileBytes(path, bytes);
}

void mustRun(const std::string& command)
{
    const ToolRun run = runTool(command);
    ASSERT_EQ(0, run.status) << command << "\n" << run.output;
}

class ToolSources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char* tool : {"exiftool", "cjpeg"})
            ASSERT_TRUE(toolOnPath(tool)) << tool << " is part of the set-up and must be found";
        gFolder = scratchFolder("tool-sources");
        const fs::path& f = gFolder;
        writePpm(f / "base.ppm", 96, 64);
        writePpm(f / "small.ppm", 32, 24);
        mustRun("cjpeg -quality 80 -outfile " + shellQuoted(f / "base.jpg") + " " +
                shellQuoted(f / "base.ppm"));
        mustRun("cjpeg -quality 60 -outfile " + shellQuoted(f / "thumb.jpg") + " " +
                shellQuoted(f / "small.ppm"));
        mustRun("cjpeg -progressive -outfile " + shellQuoted(f / "progressive.jpg") + " " +
                shellQuoted(f / "base.ppm"));
        const std::string thumb = "'-ThumbnailImage<=" + (f / "thumb.jpg").string() + "' ";
        mustRun("exiftool -q -o " + shellQuoted(f / "intel.jpg") + " -ExifByteOrder=II " + kTags +
                thumb + shellQuoted(f / "base.jpg"));
        mustRun("exiftool -q -o " + shellQuoted(f / "motorola.jpg") + " -ExifByteOrder=MM " +
                kTags + thumb + shellQuoted(f / "base.jpg"));
        // Without its version entry (tag 0) the GPS directory can be walked.
        mustRun("exiftool -q -o " + shellQuoted(f / "motorola-gps.jpg") +
                " -GPSVersionID= " + shellQuoted(f / "motorola.jpg"));
        mustRun("exiftool -q -o " + shellQuoted(f / "progressive-exif.jpg") + " " + kTags +
                shellQuoted(f / "progressive.jpg"));

        // Our own picture, then the same bytes with the other maker names.
        ExifImage image;
        const auto buffers = prepareWrite(image, f / "orven.jpg", 96, 64);
        addUsualTags(image, 96, 64);
        ASSERT_NE(0, image.writeExifJpeg());
        const auto bytes = readFileBytes(f / "orven.jpg");
        const char header[] = "ORVEN\0\x01\0";
        const auto at = std::search(bytes.begin(), bytes.end(), header, header + 8);
        ASSERT_NE(bytes.end(), at);
        for (const char* maker : {"OLYMP", "Nikon", "SANYO"}) {
            auto copy = bytes;
            std::memcpy(&copy[static_cast<size_t>(at - bytes.begin())], maker, 5);
            writeFileBytes(f / (std::string(maker) + ".jpg"), copy);
        }
        auto other = bytes;
        std::memcpy(&other[static_cast<size_t>(at - bytes.begin())], "NikonX", 6);
        writeFileBytes(f / "nikon-other.jpg", other);
    }
};

struct WalkedEntry {
    uint16_t ifd, tag, type;
    uint32_t count;
    long tiffOffset;  // of the value
    std::vector<uint8_t> value;
};

std::vector<WalkedEntry> walk(const fs::path& file, const ExifSourceReader** readerOut = nullptr,
                              ExifImage* keep = nullptr)
{
    ExifImage local;
    ExifImage& image = keep != nullptr ? *keep : local;
    const ExifSourceReader* reader = image.openSource(file, kSourceKindExifJpeg);
    if (readerOut != nullptr)
        *readerOut = reader;
    std::vector<WalkedEntry> out;
    ExifEntryCursor cursor;
    while (image.nextSourceEntry(cursor)) {
        const size_t bytes = static_cast<size_t>(sourceElementSize(cursor.type)) * cursor.count;
        out.push_back({cursor.ifd, cursor.tag, cursor.type, cursor.count,
                       static_cast<long>(cursor.data - image.sourceTiff()),
                       std::vector<uint8_t>(cursor.data, cursor.data + bytes)});
    }
    return out;
}

long tiffStartInFile(const fs::path& file)
{
    const auto bytes = readFileBytes(file);
    for (const JpegMarker& m : markersUpToScan(bytes)) {
        if (m.code == 0xE1 && std::memcmp(&bytes[m.offset + 4], "Exif\0", 5) == 0)
            return static_cast<long>(m.offset + 10);
    }
    return -1;
}

// The file's bytes of a value in host order, element by element.
std::vector<uint8_t> toHost(std::vector<uint8_t> bytes, uint16_t type, bool motorola)
{
    const uint32_t size = tiffElementSize(type);
    const uint32_t unit = (type == kTiffRational || type == kTiffSRational) ? 4 : size;
    if (motorola && unit > 1) {
        for (size_t i = 0; i + unit <= bytes.size(); i += unit)
            std::reverse(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                         bytes.begin() + static_cast<std::ptrdiff_t>(i + unit));
    }
    return bytes;
}

// Every entry exiftool lists in our six directories must be walked, with the
// same type, count, position and value, and nothing else.
void compareWithExiftool(const fs::path& file, bool expectGps)
{
    SCOPED_TRACE(file.filename().string());
    const ExifSourceReader* reader = nullptr;
    ExifImage image;
    const auto walked = walk(file, &reader, &image);
    ASSERT_NE(nullptr, reader);
    const long tiffStart = tiffStartInFile(file);
    ASSERT_GT(tiffStart, 0);

    std::map<std::pair<uint16_t, uint16_t>, WalkedEntry> ours;
    for (const WalkedEntry& w : walked)
        EXPECT_TRUE(ours.emplace(std::make_pair(w.ifd, w.tag), w).second);
    size_t compared = 0;
    bool sawGps = false;
    for (const ExiftoolEntry& e : exiftoolEntries(file)) {
        if (e.ifd == 0)
            continue;
        if (e.ifd == kIfdGps) {
            sawGps = true;
            if (!expectGps)
                continue;
        }
        SCOPED_TRACE(::testing::Message() << e.directory << " tag 0x" << std::hex << e.tag);
        const auto it = ours.find({e.ifd, e.tag});
        ASSERT_NE(ours.end(), it) << "exiftool lists it, the walk does not";
        const WalkedEntry& w = it->second;
        EXPECT_EQ(e.type, w.type);
        EXPECT_EQ(e.count, w.count);
        if (e.ifd == kIfd1 && e.tag == 0x0201) {
            // Its data is the thumbnail itself.
            EXPECT_EQ(0xFF, w.value.at(0));
            EXPECT_EQ(0xD8, w.value.at(1));
        } else if (e.fileOffset >= 0) {
            EXPECT_EQ(e.fileOffset - tiffStart, w.tiffOffset);
            const size_t n = std::min(e.shown.size(), w.value.size());
            const std::vector<uint8_t> shown(e.shown.begin(),
                                             e.shown.begin() + static_cast<std::ptrdiff_t>(n));
            const std::vector<uint8_t> host(w.value.begin(),
                                            w.value.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_EQ(toHost(shown, e.type, reader->motorola), host);
        }
        ours.erase(it);
        ++compared;
    }
    EXPECT_TRUE(sawGps || !expectGps);
    if (!expectGps) {
        for (auto it = ours.begin(); it != ours.end();)
            it = it->first.first == kIfdGps ? ours.erase(it) : std::next(it);
    }
    EXPECT_TRUE(ours.empty()) << ours.size() << " walked entries exiftool does not list, first ifd "
                              << (ours.empty() ? 0 : ours.begin()->first.first) << " tag 0x"
                              << std::hex << (ours.empty() ? 0 : ours.begin()->first.second);
    EXPECT_GT(compared, 10u);
}

// Intel and Motorola order, GPS (walked once its tag-0 version entry is
// gone), progressive, and our own pictures with each maker-note header.
TEST_F(ToolSources, FilesWalkAsExiftoolListsThem)
{
    const struct {
        const char* name;
        bool gps;
        int makerNoteEntries;
    } cases[] = {{"intel.jpg", false, 0},       {"motorola.jpg", false, 0},
                 {"motorola-gps.jpg", true, 0}, {"progressive-exif.jpg", false, 0},
                 {"orven.jpg", false, 10},      {"OLYMP.jpg", false, 10},
                 {"Nikon.jpg", false, 10},      {"SANYO.jpg", false, 10}};
    for (const auto& c : cases) {
        compareWithExiftool(gFolder / c.name, c.gps);
        const auto walked = walk(gFolder / c.name);
        EXPECT_EQ(c.makerNoteEntries,
                  std::count_if(walked.begin(), walked.end(),
                                [](const WalkedEntry& w) { return w.ifd == kIfdMakerNote; }))
            << c.name;
    }
    const auto other = walk(gFolder / "nikon-other.jpg");
    EXPECT_EQ(0, std::count_if(other.begin(), other.end(),
                               [](const WalkedEntry& w) { return w.ifd == kIfdMakerNote; }));
    // A GPS directory that starts with tag 0 is found, and left at once.
    const ExifSourceReader* reader = nullptr;
    ExifImage image;
    const auto intel = walk(gFolder / "intel.jpg", &reader, &image);
    ASSERT_NE(nullptr, reader);
    EXPECT_NE(nullptr, reader->gpsIfd);
    EXPECT_EQ(0, std::count_if(intel.begin(), intel.end(),
                               [](const WalkedEntry& w) { return w.ifd == kIfdGps; }));
}

TEST_F(ToolSources, ThumbnailIsTheOneExiftoolExtracts)
{
    for (const char* name : {"intel.jpg", "motorola.jpg"}) {
        ExifImage image;
        const ExifSourceReader* reader = image.openSource(gFolder / name, kSourceKindExifJpeg);
        ASSERT_NE(nullptr, reader);
        ASSERT_NE(nullptr, reader->thumbnail);
        const ToolRun run = runTool("exiftool -b -ThumbnailImage " + shellQuoted(gFolder / name));
        ASSERT_EQ(0, run.status);
        EXPECT_EQ(
            std::vector<uint8_t>(run.output.begin(), run.output.end()),
            std::vector<uint8_t>(reader->thumbnail, reader->thumbnail + reader->thumbnailLength))
            << name;
    }
}

TEST_F(ToolSources, FilesWithoutExifGiveNoSource)
{
    ExifImage image;
    EXPECT_EQ(nullptr, image.openSource(gFolder / "base.jpg", kSourceKindExifJpeg));
    EXPECT_EQ(nullptr, image.openSource(gFolder / "progressive.jpg", kSourceKindExifJpeg));
    EXPECT_EQ(nullptr, image.openSource(gFolder / "base.ppm", kSourceKindExifJpeg));
}

TEST_F(ToolSources, CodingKindOfToolMadeFiles)
{
    EXPECT_EQ(kJpegBaseline, jpegCodingKind(gFolder / "base.jpg"));  // JFIF, SOF0
    EXPECT_EQ(kJpegBaseline, jpegCodingKind(gFolder / "intel.jpg"));
    EXPECT_EQ(kJpegBaseline, jpegCodingKind(gFolder / "motorola.jpg"));
    EXPECT_EQ(kJpegProgressive, jpegCodingKind(gFolder / "progressive.jpg"));
    EXPECT_EQ(kJpegProgressive, jpegCodingKind(gFolder / "progressive-exif.jpg"));
    EXPECT_EQ(kJpegUnknown, jpegCodingKind(gFolder / "base.ppm"));
}

}  // namespace
