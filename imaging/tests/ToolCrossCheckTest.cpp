// Cross-checks against independent tools: BMP variants written by ImageMagick
// (decoded by ImageMagick as the reference), our BMP files read back by
// ImageMagick, JPEG decoding against djpeg (same library, so equal bytes),
// CMYK/YCCK against ImageMagick, shrinking against ImageMagick's Lanczos.
// The tools are part of the set-up: a missing tool fails the test.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/Decoder.h"
#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"
#include "imaging/tests/TestSupport.h"

using namespace vxtest;
using vximg::PictureCore;

namespace {

const std::string& magick()
{
    static const std::string path = findTool("convert-im6.q16");
    return path;
}

std::string file(const std::string& name)
{
    return tempDir() + "/" + name;
}

uint32_t le32(const std::vector<uint8_t>& f, size_t at)
{
    return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 |
           uint32_t(f[at + 3]) << 24;
}

Image ourDecode(const std::string& path, int* bits = nullptr)
{
    PictureCore p;
    EXPECT_EQ(p.load(path.c_str()), vximg::kOk) << path;
    if (bits)
        *bits = p.bitsPerPixel();
    const vximg::Bitmap* b = nullptr;
    EXPECT_EQ(p.decoded(&b), vximg::kOk) << path;
    return b ? fromBitmap(*b) : Image();
}

Image magickDecode(const std::string& path)
{
    const std::string out = path + ".ref.ppm";
    EXPECT_TRUE(run(magick() + " '" + path + "' -colorspace sRGB -depth 8 -type TrueColor ppm:'" +
                    out + "'"));
    Image img;
    EXPECT_TRUE(readPpm(out, img)) << out;
    return img;
}

// Sources: the asymmetric picture, one with few colours, one with ~200.
const std::string& sourcePpm(int kind)
{
    static std::string paths[3];
    if (paths[kind].empty()) {
        const std::string p = file("src" + std::to_string(kind) + ".ppm");
        Image img = kind == 1 ? makeIndexedPicture(37, 23, 12).toImage() : makeTestPicture(37, 23);
        writePpm(p, img);
        if (kind == 2)
            run(magick() + " '" + p + "' -colors 200 '" + p + "'");
        paths[kind] = p;
    }
    return paths[kind];
}

struct Variant {
    const char* name;
    int source;        // 0 test picture, 1 few colours, 2 about 200 colours
    const char* args;  // ImageMagick options and output format prefix
    uint32_t header;   // expected header size
    int bits;          // expected depth in the file
    uint32_t compression;
    int tolerance;
};

class MagickBmp : public ::testing::TestWithParam<Variant> {};

}  // namespace

TEST(Tools, AreInstalled)
{
    EXPECT_FALSE(magick().empty());
    EXPECT_FALSE(findTool("djpeg").empty());
    EXPECT_FALSE(findTool("cjpeg").empty());
}

TEST_P(MagickBmp, DecodesLikeImageMagick)
{
    const Variant v = GetParam();
    ASSERT_FALSE(magick().empty());
    const std::string out = file(std::string(v.name) + ".bmp");
    ASSERT_TRUE(run(magick() + " '" + sourcePpm(v.source) + "' " + v.args + out));
    const std::vector<uint8_t> f = readFileBytes(out);
    ASSERT_GT(f.size(), 30u);
    // make sure the file is the variant this case is about
    EXPECT_EQ(le32(f, 14), v.header);
    if (v.header == 12) {
        EXPECT_EQ(f[24], v.bits);
    } else {
        EXPECT_EQ(f[28], v.bits);
        EXPECT_EQ(le32(f, 30), v.compression);
    }
    int bits = 0;
    const Image ours = ourDecode(out, &bits);
    EXPECT_EQ(bits, v.bits <= 8 ? v.bits : 24);
    EXPECT_LE(maxDifference(ours, magickDecode(out)), v.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, MagickBmp,
    ::testing::Values(Variant{"info24", 0, "BMP3:", 40, 24, 0, 0},
                      Variant{"v5_24", 0, "BMP:", 124, 24, 0, 0},
                      Variant{"core24", 0, "BMP2:", 12, 24, 0, 0},
                      Variant{"pal8", 2, "-type palette -compress None BMP3:", 40, 8, 0, 0},
                      Variant{"pal4", 1, "-type palette BMP3:", 40, 4, 0, 0},
                      Variant{"core4", 1, "-type palette BMP2:", 12, 4, 0, 0},
                      Variant{"mono", 1, "-monochrome BMP3:", 40, 1, 0, 0},
                      Variant{"rle8", 2, "-type palette -compress RLE BMP3:", 40, 8, 1, 0},
                      Variant{"rle8v5", 2, "-type palette -compress RLE BMP:", 124, 8, 1, 0},
                      Variant{"rgb565", 0, "-define bmp:subtype=RGB565 BMP:", 124, 16, 3, 1},
                      Variant{"rgb555", 0, "-define bmp:subtype=RGB555 BMP:", 124, 16, 3, 1},
                      Variant{"argb32", 0, "-alpha set BMP:", 124, 32, 3, 0}),
    [](const ::testing::TestParamInfo<Variant>& i) { return std::string(i.param.name); });

TEST(MagickReadsOurs, EveryDepth)
{
    ASSERT_FALSE(magick().empty());
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        PictureCore p;
        const Image src = bits <= 4 ? makeIndexedPicture(37, 23, bits == 1 ? 2 : 16).toImage()
                                    : makeTestPicture(37, 23);
        const std::string in = file("ours-src.ppm");
        writePpm(in, src);
        // load through a BMP of our own making field by field
        BmpLayout s;
        s.width = 37;
        s.height = 23;
        writeFileBytes(file("ours-in.bmp"), buildBmp(s, encodeRgbRows(src, 24, nullptr, false)));
        ASSERT_EQ(p.load(file("ours-in.bmp").c_str()), vximg::kOk);
        const std::string out = file("ours" + std::to_string(bits) + ".bmp");
        ASSERT_EQ(p.saveBmp(out.c_str(), bits), vximg::kOk);
        const Image theirs = magickDecode(out);
        // 5-bit channels may be widened to 8 bits by shifting or by scaling
        EXPECT_LE(maxDifference(theirs, ourDecode(out)), bits == 16 ? 1 : 0) << bits;
        if (bits == 16) {
            EXPECT_LE(maxDifference(theirs, src), 8);
        } else if (bits == 8) {
            EXPECT_GT(psnr(theirs, src), 30.0);
        } else {
            EXPECT_EQ(maxDifference(theirs, src), 0) << bits;
        }
    }
}

namespace {

struct JpegCase {
    const char* name;
    const char* cjpegArgs;
};

class Djpeg : public ::testing::TestWithParam<JpegCase> {};

std::string makeJpeg(const JpegCase& c, const Image& img)
{
    const std::string in = file(std::string(c.name) + ".ppm"),
                      out = file(std::string(c.name) + ".jpg");
    writePpm(in, img);
    EXPECT_TRUE(
        run(findTool("cjpeg") + " " + c.cjpegArgs + " -outfile '" + out + "' '" + in + "'"));
    return out;
}

Image djpeg(const std::string& jpg, const std::string& scale)
{
    const std::string out = jpg + "." + std::to_string(std::hash<std::string>()(scale)) + ".ppm";
    EXPECT_TRUE(run(findTool("djpeg") + " -rgb -pnm " + (scale.empty() ? "" : "-scale " + scale) +
                    " -outfile '" + out + "' '" + jpg + "'"));
    Image img;
    EXPECT_TRUE(readPpm(out, img));
    return img;
}

}  // namespace

TEST_P(Djpeg, FullDecodeIsIdentical)
{
    const std::string jpg = makeJpeg(GetParam(), makeTestPicture(203, 131));
    EXPECT_EQ(maxDifference(ourDecode(jpg), djpeg(jpg, "")), 0);
}

TEST_P(Djpeg, ScaledPassIsIdentical)
{
    const std::string jpg = makeJpeg(GetParam(), makeTestPicture(640, 480));
    for (int m = 1; m <= 8; ++m) {
        const Image ref = djpeg(jpg, std::to_string(m) + "/8");
        auto bytes = std::make_unique<vximg::FileSource>();
        ASSERT_EQ(bytes->open(jpg.c_str()), vximg::kOk);
        std::unique_ptr<vximg::SourceImage> src;
        vximg::Buffer io, input;
        ASSERT_EQ(vximg::openSourceImage(std::move(bytes), vximg::LoadLimits(), input, src),
                  vximg::kOk);
        std::unique_ptr<vximg::RowReader> reader;
        ASSERT_EQ(src->open(ref.width, ref.height, nullptr, io, input, reader), vximg::kOk);
        ASSERT_EQ(reader->width, ref.width) << m;
        ASSERT_EQ(reader->height, ref.height) << m;
        Image ours(reader->width, reader->height);
        for (int y = 0; y < reader->height; ++y) {
            const uint8_t* row = nullptr;
            ASSERT_EQ(reader->next(&row), vximg::kOk);
            for (int x = 0; x < reader->width; ++x) {
                uint8_t* d = ours.at(x, y);
                if (reader->format == vximg::RowFormat::Index8) {
                    d[0] = d[1] = d[2] = row[x];  // gray ramp
                } else {
                    d[0] = row[3 * x + 2];
                    d[1] = row[3 * x + 1];
                    d[2] = row[3 * x];
                }
            }
        }
        EXPECT_EQ(maxDifference(ours, ref), 0) << "scale " << m << "/8";
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, Djpeg,
                         ::testing::Values(JpegCase{"base420", "-quality 85"},
                                           JpegCase{"base422", "-quality 90 -sample 2x1"},
                                           JpegCase{"base444", "-quality 90 -sample 1x1"},
                                           JpegCase{"progressive", "-quality 85 -progressive"},
                                           JpegCase{"restarts", "-quality 85 -restart 1"},
                                           JpegCase{"grayscale", "-quality 85 -grayscale"}),
                         [](const ::testing::TestParamInfo<JpegCase>& i) {
                             return std::string(i.param.name);
                         });

TEST(MagickJpeg, YcckFromImageMagick)
{
    ASSERT_FALSE(magick().empty());
    const std::string jpg = file("cmyk.jpg");
    ASSERT_TRUE(
        run(magick() + " '" + sourcePpm(0) + "' -colorspace CMYK -quality 95 '" + jpg + "'"));
    int bits = 0;
    const Image ours = ourDecode(jpg, &bits);
    EXPECT_EQ(bits, 24);
    const Image theirs = magickDecode(jpg);
    EXPECT_LE(maxDifference(ours, theirs), 3);
    EXPECT_GT(psnr(ours, makeTestPicture(37, 23)), 28.0);
    EXPECT_GT(ours.at(1, 1)[0], 200);  // the red block is red, not cyan
}

TEST(MagickResize, ShrinkCloseToImageMagickLanczos)
{
    ASSERT_FALSE(magick().empty());
    Image src = makeTestPicture(1200, 900);
    for (int y = 0; y < 900; ++y)
        for (int x = 0; x < 1200; ++x)
            for (int c = 0; c < 3; ++c) {
                const double t = 20 * std::sin(x * 0.07 + c + y * 0.02) +
                                 12 * std::sin(std::hypot(x - 500.0, y - 300.0) * 0.15);
                const double v = src.at(x, y)[c] + t;
                src.at(x, y)[c] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
    const std::string in = file("resize-src.ppm");
    writePpm(in, src);
    BmpLayout s;
    s.width = 1200;
    s.height = 900;
    writeFileBytes(file("resize-src.bmp"), buildBmp(s, encodeRgbRows(src, 24, nullptr, false)));
    for (auto [w, h] :
         {std::make_pair(640, 480), std::make_pair(160, 120), std::make_pair(1024, 384)}) {
        const std::string ref = file("resize-ref.ppm");
        ASSERT_TRUE(run(magick() + " '" + in + "' -filter Lanczos -resize " + std::to_string(w) +
                        "x" + std::to_string(h) + "! ppm:'" + ref + "'"));
        Image theirs;
        ASSERT_TRUE(readPpm(ref, theirs));
        PictureCore p;
        ASSERT_EQ(p.load(file("resize-src.bmp").c_str()), vximg::kOk);
        ASSERT_EQ(p.resize(float(w), float(h), vximg::kResizeResample), vximg::kOk);
        const vximg::Bitmap* b = nullptr;
        ASSERT_EQ(p.decoded(&b), vximg::kOk);
        EXPECT_GE(psnr(fromBitmap(*b), theirs), 35.0) << w << "x" << h;
    }
}
