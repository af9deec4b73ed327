// Camera pictures made by exiftool (Intel and Motorola order, GPS, a maker
// note with an offset value) and progressive JPEGs by jpegtran, converted and
// read back with exiftool and djpeg.
#include "engine/tests/ConversionToolSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace {

class ToolCheckedConversion : public Conversion {
protected:
    void SetUp() override
    {
        for (const char* tool : {"exiftool", "djpeg", "jpegtran"})
            ASSERT_TRUE(toolOnPath(tool)) << tool << " is part of the set-up";
        Conversion::SetUp();
    }
};

void put(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes, bool motorola)
{
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<size_t>(i)] =
            static_cast<uint8_t>(v >> (8 * (motorola ? bytes - 1 - i : i)));
}

std::vector<uint8_t> pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 13 + 5);
    return v;
}

// A camera picture as exiftool writes one: Exif in the given byte order with
// exposure tags, GPS, and an Olympus-style maker note (TIFF-relative offsets)
// whose entry 0x0300 of `large` bytes lies after its directory.
fs::path makeCameraJpeg(const fs::path& folder, const std::string& name, const Rgb& scene,
                        bool motorola, size_t large = 40)
{
    const fs::path path = folder / name;
    writeFileBytes(path, baselineJpeg(scene, 92));

    std::vector<uint8_t> note = {'O', 'L', 'Y', 'M', 'P', 0, 1, 0};
    note.resize(8 + 2 + 4 * 12 + 4, 0);
    put(note, 8, 4, 2, motorola);
    const struct {
        uint16_t tag, type;
        uint32_t count, value;
    } entries[] = {{0x0100, 3, 1, 7},
                   {0x0104, 4, 1, 12345},
                   {0x0201, 3, 1, 9},
                   {0x0300, 7, static_cast<uint32_t>(large), 0}};
    for (size_t i = 0; i < 4; ++i) {
        const size_t e = 10 + 12 * i;
        put(note, e, entries[i].tag, 2, motorola);
        put(note, e + 2, entries[i].type, 2, motorola);
        put(note, e + 4, entries[i].count, 4, motorola);
        put(note, e + 8, entries[i].value, entries[i].type == 3 ? 2 : 4, motorola);
    }
    const std::vector<uint8_t> data = pattern(large);
    note.insert(note.end(), data.begin(), data.end());
    writeFileBytes(folder / "makernote.bin", note);

    const ToolRun made = runTool(
        "exiftool -q -overwrite_original -ExifByteOrder=" + std::string(motorola ? "MM" : "II") +
        " -Make=OLYMPUS -Model=E-1 -ExposureTime=1/125 -FNumber=2.8 -ISO=200"
        " -ExposureProgram#=2 -FocalLength=35 '-DateTimeOriginal=2001:02:03 04:05:06'"
        " -Orientation#=6 -UserComment=hello -GPSLatitude=35.5 -GPSLatitudeRef=N"
        " '-MakerNotes<=" +
        (folder / "makernote.bin").string() + "' " + shellQuoted(path));
    EXPECT_EQ(made.status, 0) << made.output;

    // exiftool keeps the block as it is; point entry 0x0300 at its data.
    std::vector<uint8_t> file = readFileBytes(path);
    const auto find = [&](const char* text, size_t n) {
        for (size_t i = 0; i + n <= file.size(); ++i)
            if (std::memcmp(&file[i], text, n) == 0)
                return i;
        return size_t{0};
    };
    const size_t tiff = find("Exif\0\0", 6) + 6;
    const size_t makerNote = find("OLYMP\0\1\0", 8);
    EXPECT_GT(tiff, 6u);
    EXPECT_GT(makerNote, tiff);
    put(file, makerNote + 10 + 36 + 8, static_cast<uint32_t>(makerNote - tiff + 62), 4, motorola);
    writeFileBytes(path, file);
    const std::string warnings = exiftoolTags(path)["Warnings"];
    EXPECT_EQ(warnings.find("aker"), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find("offset"), std::string::npos) << warnings;
    return path;
}

// --- Camera pictures --------------------------------------------------------------

class CameraSources : public ToolCheckedConversion, public ::testing::WithParamInterface<bool> {};

TEST_P(CameraSources, PanoramaKeepsTheExposureAndGetsTheCameraTags)
{
    const bool motorola = GetParam();
    const fs::path folder = scratchFolder(motorola ? "tool-camera-mm" : "tool-camera-ii");
    const fs::path source = makeCameraJpeg(folder, "camera.jpg", scene1600(), motorola);
    EXPECT_EQ(exiftoolTags(source)["File:ExifByteOrder"], motorola ? "MM" : "II");
    const fs::path out = folder / "out.jpg";
    ASSERT_EQ(convert(source, out, kSize1024x384, kThumbnail80x60, 52), 0);

    // What exiftool reads: the file's layout, the camera's tags, the tags
    // carried over from the source (maker note entries by their TIFF offsets).
    auto tags = exiftoolTags(out);
    const std::pair<const char*, const char*> expected[] = {
        {"File:ExifByteOrder", "II"},
        {"File:ImageWidth", "1024"},
        {"File:ImageHeight", "384"},
        {"File:EncodingProcess", "0"},  // baseline
        {"File:YCbCrSubSampling", "2 1"},
        {"ExifIFD:ExposureTime", "0.008"},
        {"ExifIFD:FNumber", "2.8"},
        {"ExifIFD:ISO", "200"},
        {"ExifIFD:ExposureProgram", "2"},
        {"ExifIFD:FocalLength", "35"},
        {"ExifIFD:UserComment", "hello"},
        {"MakerUnknown:Unknown_0x0100", "7"},
        {"MakerUnknown:Unknown_0x0104", "12345"},
        {"IFD0:Make", "TAMRI ORVEN CORP."},
        {"IFD0:Model", "VidroTransfer"},
        {"IFD0:Orientation", "1"},
        {"IFD0:XResolution", "240"},
        {"IFD0:ResolutionUnit", "2"},
        {"IFD0:ModifyDate", "2024:08:24 13:05:09"},
        {"ExifIFD:DateTimeOriginal", "2024:08:24 13:05:09"},
        {"ExifIFD:ExifVersion", "0210"},
        {"ExifIFD:ExifImageWidth", "1024"},
        {"InteropIFD:InteropIndex", "R98"},
        {"MakerUnknown:Unknown_0x0201", "2"},
        {"MakerUnknown:Unknown_0x0200", "0 0 0"},
        {"MakerUnknown:Unknown_0x020d", "FUPLOAD"},
        {"IFD0:ImageDescription", "ORVEN DSC picture"},
        {"IFD0:Software", "VidroTransfer3 V130-J"},
        {"IFD0:YResolution", "240"},
        {"IFD0:YCbCrPositioning", "2"},
        {"ExifIFD:CreateDate", "2024:08:24 13:05:09"},
        {"ExifIFD:ExifImageHeight", "384"},
        {"ExifIFD:FlashpixVersion", "0100"},
        {"ExifIFD:ComponentsConfiguration", "1 2 3 0"},
        {"ExifIFD:ColorSpace", "1"},
        {"InteropIFD:InteropVersion", "0100"},
        {"MakerUnknown:Unknown_0x0209", "ORVEN DIGITAL CAMERA"},
        {"MakerUnknown:Unknown_0x0204", "0"},
        {"MakerUnknown:Unknown_0x0203", "0"},
        {"MakerUnknown:Unknown_0x0202", "0"},
        {"IFD1:Compression", "6"},
        {"IFD1:XResolution", "72"},
        {"IFD1:YResolution", "72"},
        {"IFD1:ResolutionUnit", "2"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(tags[name], value) << name;
    EXPECT_EQ(exiftoolBinary(out, "MakerUnknown:Unknown_0x0300"), pattern(40));
    std::vector<uint8_t> place(512, 0);
    const std::string text = "OFFSET=256,0;IMAGE=512,384;";
    std::memcpy(place.data(), text.data(), text.size());
    EXPECT_EQ(exiftoolBinary(out, "MakerUnknown:Unknown_0x020a"), place);
    // No GPS directory and no link to one.
    for (const auto& [name, value] : tags)
        EXPECT_EQ(name.find("GPS"), std::string::npos) << name << " = " << value;
    // Only the layout's odd offsets are worth a remark.
    std::istringstream warnings(tags["Warnings"]);
    for (std::string line; std::getline(warnings, line);)
        EXPECT_NE(line.find("[minor]"), std::string::npos) << line;

    const auto formats = exiftoolFormats(out);
    const std::pair<const char*, const char*> layouts[] = {
        {"IFD0:0x010f", "string[24]"},      {"IFD0:0x010e", "string[23]"},
        {"IFD0:0x0110", "string[14]"},      {"IFD0:0x0131", "string[22]"},
        {"IFD0:0x0132", "string[20]"},      {"ExifIFD:0x9003", "string[20]"},
        {"InteropIFD:0x0001", "string[4]"}, {"MakerNotes:0x020d", "string[8]"},
        {"MakerNotes:0x0209", "undef[32]"}, {"MakerNotes:0x020a", "undef[512]"},
        {"MakerNotes:0x0200", "int32u[3]"}, {"MakerNotes:0x0201", "int16u[1]"},
    };
    for (const auto& [entry, format] : layouts)
        EXPECT_EQ(formats.at(entry), format) << entry;

    // Thumbnail: an 80 x 60 frame with bands above and below the panorama.
    const std::vector<uint8_t> thumbnailBytes = exiftoolBinary(out, "IFD1:ThumbnailImage");
    writeFileBytes(folder / "thumb.jpg", thumbnailBytes);
    const Rgb thumb = decodeWithDjpeg(folder / "thumb.jpg");
    ASSERT_EQ(thumb.width, 80);
    ASSERT_EQ(thumb.height, 60);
    EXPECT_LE(maxDeviation(thumb, 0, 0, 80, 6, kFillR, kFillG, kFillB), 8);
    EXPECT_LE(maxDeviation(thumb, 0, 41, 80, 19, kFillR, kFillG, kFillB), 8);

    // The picture: bands of the fill colour, the scaled source between them.
    const Rgb picture = decodeWithDjpeg(out);
    ASSERT_EQ(picture.width, 1024);
    ASSERT_EQ(picture.height, 384);
    EXPECT_LE(maxDeviation(picture, 0, 0, 240, 384, kFillR, kFillG, kFillB), 6);
    EXPECT_LE(maxDeviation(picture, 784, 0, 240, 384, kFillR, kFillG, kFillB), 6);
    const Rgb reference = areaDownscale(decodeWithDjpeg(source), 512, 384);
    EXPECT_GE(psnr(crop(picture, 256, 0, 512, 384), reference), 30.0);
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, CameraSources, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Motorola") : std::string("Intel");
                         });

TEST_F(ToolCheckedConversion, SixtyKilobyteMakerNoteStillConverts)
{
    const fs::path folder = scratchFolder("tool-large-makernote");
    const fs::path source = makeCameraJpeg(folder, "camera.jpg", makeScene(1280, 960), true, 60000);
    ASSERT_GE(exiftoolBinary(source, "ExifIFD:MakerNoteOlympus").size(), 60062u);
    const fs::path out = folder / "out.jpg";
    ASSERT_EQ(convert(source, out, kSize1280x960), 0);
    auto tags = exiftoolTags(out);
    EXPECT_EQ(tags.count("MakerUnknown:Unknown_0x0300"), 0u);
    EXPECT_EQ(tags["MakerUnknown:Unknown_0x0100"], "7");
    EXPECT_EQ(tags["MakerUnknown:Unknown_0x0104"], "12345");
    EXPECT_EQ(tags["ExifIFD:ExposureTime"], "0.008");
    EXPECT_EQ(tags["IFD0:XResolution"], "300");
    EXPECT_EQ(tags["MakerUnknown:Unknown_0x020a"].substr(0, 27), "OFFSET=0,0;IMAGE=1280,960;");
    writeFileBytes(folder / "thumb.jpg", exiftoolBinary(out, "IFD1:ThumbnailImage"));
    EXPECT_EQ(decodeWithDjpeg(folder / "thumb.jpg").width, 160);
    EXPECT_EQ(decodeWithDjpeg(out).width, 1280);
}

TEST_F(ToolCheckedConversion, StandardSizeAndWidePanoramaMarks)
{
    const fs::path folder = scratchFolder("tool-marks");
    const fs::path square = makeCameraJpeg(folder, "square.jpg", makeScene(1000, 1000), false);
    const fs::path wide = folder / "scene.bmp";
    writeFileBytes(wide, bmp24(scene1600()));
    const struct {
        fs::path source;
        PackedSize target;
        const char *mark, *quality, *dpi, *place;
        int x, w;  // the picture between the bands
    } cases[] = {
        {square, kSize640x480, "0 0 0", "1", "150", "OFFSET=80,0;IMAGE=480,480;", 80, 480},
        {wide, kSize1600x600, "1 0 0", "2", "375", "OFFSET=400,0;IMAGE=800,600;", 400, 800}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.place);
        const fs::path out = folder / "out.jpg";
        ASSERT_EQ(convert(c.source, out, c.target), 0);
        auto tags = exiftoolTags(out);
        EXPECT_EQ(tags["MakerUnknown:Unknown_0x0200"], c.mark);
        EXPECT_EQ(tags["MakerUnknown:Unknown_0x0201"], c.quality);
        EXPECT_EQ(tags["IFD0:XResolution"], c.dpi);
        EXPECT_EQ(exiftoolBinary(out, "MakerUnknown:Unknown_0x020a").size(), 512u);
        EXPECT_EQ(tags["MakerUnknown:Unknown_0x020a"].substr(0, std::strlen(c.place)), c.place);
        EXPECT_EQ(tags.count("ExifIFD:ExposureTime"),
                  c.source == square ? 1u : 0u);  // a BMP has no Exif data
        const Rgb picture = decodeWithDjpeg(out);
        const int fw = static_cast<int>(packedWidth(c.target)),
                  fh = static_cast<int>(packedHeight(c.target));
        ASSERT_EQ(picture.width, fw);
        EXPECT_LE(maxDeviation(picture, 0, 0, c.x - 8, fh, kFillR, kFillG, kFillB), 6);
        EXPECT_LE(
            maxDeviation(picture, c.x + c.w + 8, 0, fw - c.x - c.w - 8, fh, kFillR, kFillG, kFillB),
            6);
        const Rgb source = c.source == square ? decodeWithDjpeg(square) : scene1600();
        EXPECT_GE(psnr(crop(picture, c.x, 0, c.w, fh), areaDownscale(source, c.w, fh)), 30.0);
    }
}

// --- Other producers' files --------------------------------------------------------

TEST_F(ToolCheckedConversion, ProgressiveFromJpegtranIsRefused)
{
    const fs::path folder = scratchFolder("tool-progressive");
    const fs::path base = folder / "base.jpg";
    writeFileBytes(base, baselineJpeg(makeScene(400, 300), 90));
    const fs::path progressive = folder / "progressive.jpg";
    ASSERT_EQ(runTool("jpegtran -progressive -outfile " + shellQuoted(progressive) + " " +
                      shellQuoted(base))
                  .status,
              0);
    EXPECT_EQ(convert(progressive, folder / "out.jpg", kSize640x480), kConvertProgressive);
    EXPECT_FALSE(fs::exists(folder / "out.jpg"));
    EXPECT_EQ(convert(base, folder / "out.jpg", kSize640x480), 0);
}

}  // namespace
