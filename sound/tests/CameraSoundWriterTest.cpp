// The camera sound file: the plain file and the finished one byte by byte,
// built independently with the test's own chunk writer.
#include "sound/CameraSoundWriter.h"
#include "sound/tests/SoundTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const CameraSoundInfo kInfo = makeCameraSoundInfo(1999, 8, 24, 14, 5, 9, 7);

Bytes samplesOf(size_t n)
{
    Bytes s(n);
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<uint8_t>(128 + (i % 50));  // never 0x7F
    return s;
}

Bytes field(const char* s, size_t n)
{
    return Bytes(s, s + n);
}

// The finished file of kInfo for n samples padded with 0x7F to `data` bytes.
Bytes expectedFile(size_t n, size_t data)
{
    Bytes samples = samplesOf(n);
    samples.resize(data, 0x7F);
    return riff("WAVE", chunk("fmt ", fmtBody(kCameraSoundFormat)) +
                            chunk("LIST", text("INFO") + chunk("INAM", Bytes(15, ' ') + Bytes{0}) +
                                              chunk("ICRD", field("1999-08-24", 11))) +
                            chunk("LIST", text("exif") + chunk("ever", text("0201")) +
                                              chunk("erel", field("08240007.jpg", 13)) +
                                              chunk("etim", field("14:05:09.000", 13)) +
                                              chunk("ecor", field("TAMRI ORVEN CORP.", 18)) +
                                              chunk("emdl", field("orv01", 6))) +
                            chunk("data", samples));
}

// A finished file from n converted samples.
Bytes finish(const TempFolder& dir, size_t n, const std::string& name = "s.wav")
{
    const Bytes samples = samplesOf(n);
    EXPECT_TRUE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, dir / name));
    EXPECT_EQ(addCameraChunks(dir / name, kInfo), kCameraChunksOk);
    return readFileBytes(dir / name);
}

TEST(PlainWave, HeaderAndSamplesReplacingAnyFile)
{
    TempFolder dir;
    writeFileBytes(dir / "p.wav", Bytes(5000, 0xAA));
    const Bytes samples = samplesOf(1000);
    ASSERT_TRUE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, dir / "p.wav"));
    EXPECT_EQ(readFileBytes(dir / "p.wav"), pcmWave(kCameraSoundFormat, samples));
    EXPECT_FALSE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat,
                                dir / "nowhere" / "p.wav"));
}

TEST(FinishedFile, LayoutAtThePaddingBoundaries)
{
    TempFolder dir;
    const struct {
        size_t samples;
        size_t data;
    } cases[] = {{0, 24000},     {999, 24000},   {8000, 24000},  {23999, 24000},
                 {24000, 24000}, {24001, 40000}, {40000, 40000}, {40001, 80000},
                 {79998, 80000}, {80000, 80000}, {80002, 80002}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.samples);
        EXPECT_EQ(paddedSoundLength(static_cast<uint32_t>(c.samples)), c.data);
        // An odd count has no pad byte in the plain file and must still come out whole.
        const Bytes f = finish(dir, c.samples, "b" + std::to_string(c.samples) + ".wav");
        const Bytes e = expectedFile(c.samples, c.data);
        ASSERT_EQ(f.size(), e.size());
        EXPECT_EQ(std::mismatch(f.begin(), f.end(), e.begin()).first - f.begin(), long(f.size()))
            << "offset of the first difference";
    }
}

TEST(AddCameraChunks, MissingOrBrokenFilesFailAndDataNotLastIsLeftUntouched)
{
    TempFolder dir;
    EXPECT_EQ(addCameraChunks(dir / "missing.wav", kInfo), kCameraChunksFailed);
    writeFileBytes(dir / "nodata.wav", riff("WAVE", chunk("fmt ", fmtBody(kCameraSoundFormat))));
    EXPECT_EQ(addCameraChunks(dir / "nodata.wav", kInfo), kCameraChunksFailed);
    writeFileBytes(dir / "text.wav", text("not a sound at all, just text"));
    EXPECT_EQ(addCameraChunks(dir / "text.wav", kInfo), kCameraChunksFailed);
    const Bytes file = riff("WAVE", chunk("fmt ", fmtBody(kCameraSoundFormat)) +
                                        chunk("data", samplesOf(100)) + chunk("JUNK", Bytes(10)));
    writeFileBytes(dir / "j.wav", file);
    EXPECT_EQ(addCameraChunks(dir / "j.wav", kInfo), kCameraChunksFailed);
    EXPECT_EQ(readFileBytes(dir / "j.wav"), file);
}

}  // namespace
