// The camera sound file: the plain file, the two inserted lists, padding,
// and the finished layout byte by byte.
#include "CameraSoundWriter.h"
#include "SoundTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const CameraSoundInfo kInfo = makeCameraSoundInfo(1999, 8, 24, 14, 5, 9, 7);

uint32_t u32At(const Bytes& b, size_t at)
{
    return readLe32(b.data() + at);
}

std::string textAt(const Bytes& b, size_t at, size_t n)
{
    return std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
}

Bytes samplesOf(size_t n)
{
    Bytes s(n);
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<uint8_t>(128 + (i % 50));  // never 0x7F
    return s;
}

// A finished file from n converted samples.
Bytes finish(const ScratchDir& dir, size_t n, const std::string& name = "s.wav")
{
    const Bytes samples = samplesOf(n);
    EXPECT_TRUE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, dir / name));
    EXPECT_EQ(addCameraChunks(dir / name, kInfo), kCameraChunksOk);
    return loadFile(dir / name);
}

TEST(CameraSoundInfo, ValuesOfTheUploadJob)
{
    EXPECT_EQ(std::string(kInfo.title, 16), std::string(15, ' ') + '\0');
    EXPECT_EQ(std::string(kInfo.creationDate, 11), std::string("1999-08-24", 11));
    EXPECT_EQ(std::string(kInfo.exifVersion, 4), "0201");
    EXPECT_EQ(std::string(kInfo.relatedImage, 13), std::string("08240007.jpg", 13));
    EXPECT_EQ(std::string(kInfo.creationTime, 13), std::string("14:05:09.000", 13));
    EXPECT_EQ(std::string(kInfo.make, 18), std::string("TAMRI ORVEN CORP.", 18));
    EXPECT_EQ(std::string(kInfo.model, 6), std::string("orv01", 6));
}

TEST(PlainWave, HeaderAndSamples)
{
    ScratchDir dir;
    const Bytes samples = samplesOf(1001);
    ASSERT_TRUE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, dir / "p.wav"));
    const Bytes file = loadFile(dir / "p.wav");
    ASSERT_EQ(file.size(), 44u + 1001);
    EXPECT_EQ(textAt(file, 0, 4), "RIFF");
    EXPECT_EQ(u32At(file, 4), file.size() - 8);
    EXPECT_EQ(textAt(file, 8, 8), "WAVEfmt ");
    EXPECT_EQ(u32At(file, 16), 16u);
    const Bytes format = le16(1) + le16(1) + le32(8000) + le32(8000) + le16(1) + le16(8);
    EXPECT_EQ(Bytes(file.begin() + 20, file.begin() + 36), format);
    EXPECT_EQ(textAt(file, 36, 4), "data");
    EXPECT_EQ(u32At(file, 40), 1001u);
    EXPECT_EQ(Bytes(file.begin() + 44, file.end()), samples);
}

TEST(PlainWave, ReplacesAnExistingFileAndFailsInAMissingFolder)
{
    ScratchDir dir;
    saveFile(dir / "p.wav", Bytes(5000, 0xAA));
    const Bytes samples = samplesOf(10);
    ASSERT_TRUE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, dir / "p.wav"));
    EXPECT_EQ(loadFile(dir / "p.wav").size(), 54u);
    EXPECT_FALSE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat,
                                dir / "nowhere" / "p.wav"));
}

TEST(CameraBlocks, SizesAndContent)
{
    const Bytes info = infoBlock(kInfo);
    const Bytes exif = exifBlock(kInfo);
    ASSERT_EQ(info.size(), kInfoBlockSize);
    ASSERT_EQ(exif.size(), kExifBlockSize);
    EXPECT_EQ(textAt(info, 0, 4), "LIST");
    EXPECT_EQ(u32At(info, 4), 48u);
    EXPECT_EQ(textAt(exif, 0, 4), "LIST");
    EXPECT_EQ(u32At(exif, 4), 100u);
}

TEST(PadSoundData, TargetLengths)
{
    EXPECT_EQ(paddedSoundLength(0), 24000u);
    EXPECT_EQ(paddedSoundLength(8000), 24000u);
    EXPECT_EQ(paddedSoundLength(23999), 24000u);
    EXPECT_EQ(paddedSoundLength(24000), 24000u);
    EXPECT_EQ(paddedSoundLength(24001), 40000u);
    EXPECT_EQ(paddedSoundLength(39999), 40000u);
    EXPECT_EQ(paddedSoundLength(40000), 40000u);
    EXPECT_EQ(paddedSoundLength(40001), 80000u);
    EXPECT_EQ(paddedSoundLength(79999), 80000u);
    EXPECT_EQ(paddedSoundLength(80000), 80000u);
    EXPECT_EQ(paddedSoundLength(80002), 80002u);
}

// The whole table of the finished file, for one second of sound.
TEST(FinishedFile, LayoutOfOneSecond)
{
    ScratchDir dir;
    const Bytes f = finish(dir, 8000);
    ASSERT_EQ(f.size(), 24208u);
    EXPECT_EQ(textAt(f, 0, 4), "RIFF");
    EXPECT_EQ(u32At(f, 4), 24200u);
    EXPECT_EQ(textAt(f, 8, 4), "WAVE");
    EXPECT_EQ(textAt(f, 12, 4), "fmt ");
    EXPECT_EQ(u32At(f, 16), 16u);
    EXPECT_EQ(Bytes(f.begin() + 20, f.begin() + 36),
              le16(1) + le16(1) + le32(8000) + le32(8000) + le16(1) + le16(8));
    EXPECT_EQ(textAt(f, 36, 4), "LIST");
    EXPECT_EQ(u32At(f, 40), 48u);
    EXPECT_EQ(textAt(f, 44, 4), "INFO");
    EXPECT_EQ(textAt(f, 48, 4), "INAM");
    EXPECT_EQ(u32At(f, 52), 16u);
    EXPECT_EQ(textAt(f, 56, 16), std::string(15, ' ') + '\0');
    EXPECT_EQ(textAt(f, 72, 4), "ICRD");
    EXPECT_EQ(u32At(f, 76), 11u);
    EXPECT_EQ(textAt(f, 80, 11), std::string("1999-08-24", 11));
    EXPECT_EQ(f[91], 0);
    EXPECT_EQ(textAt(f, 92, 4), "LIST");
    EXPECT_EQ(u32At(f, 96), 100u);
    EXPECT_EQ(textAt(f, 100, 4), "exif");
    EXPECT_EQ(textAt(f, 104, 4), "ever");
    EXPECT_EQ(u32At(f, 108), 4u);
    EXPECT_EQ(textAt(f, 112, 4), "0201");
    EXPECT_EQ(textAt(f, 116, 4), "erel");
    EXPECT_EQ(u32At(f, 120), 13u);
    EXPECT_EQ(textAt(f, 124, 13), std::string("08240007.jpg", 13));
    EXPECT_EQ(f[137], 0);
    EXPECT_EQ(textAt(f, 138, 4), "etim");
    EXPECT_EQ(u32At(f, 142), 13u);
    EXPECT_EQ(textAt(f, 146, 13), std::string("14:05:09.000", 13));
    EXPECT_EQ(f[159], 0);
    EXPECT_EQ(textAt(f, 160, 4), "ecor");
    EXPECT_EQ(u32At(f, 164), 18u);
    EXPECT_EQ(textAt(f, 168, 18), std::string("TAMRI ORVEN CORP.", 18));
    EXPECT_EQ(textAt(f, 186, 4), "emdl");
    EXPECT_EQ(u32At(f, 190), 6u);
    EXPECT_EQ(textAt(f, 194, 6), std::string("orv01", 6));
    EXPECT_EQ(textAt(f, 200, 4), "data");
    EXPECT_EQ(u32At(f, 204), 24000u);
    EXPECT_EQ(Bytes(f.begin() + 208, f.begin() + 208 + 8000), samplesOf(8000));
    for (size_t i = 208 + 8000; i < f.size(); ++i)
        ASSERT_EQ(f[i], 0x7F) << i;
}

TEST(FinishedFile, LengthsAtThePaddingBoundaries)
{
    ScratchDir dir;
    const struct {
        size_t samples;
        size_t data;
    } cases[] = {{0, 24000},     {8000, 24000},  {24000, 24000}, {24001, 40000},
                 {40000, 40000}, {40001, 80000}, {79998, 80000}, {80000, 80000}};
    for (const auto& c : cases) {
        const Bytes f = finish(dir, c.samples, "b" + std::to_string(c.samples) + ".wav");
        ASSERT_EQ(f.size(), 208 + c.data) << c.samples;
        EXPECT_EQ(u32At(f, 4), f.size() - 8) << c.samples;
        EXPECT_EQ(u32At(f, 204), c.data) << c.samples;
        EXPECT_EQ(Bytes(f.begin() + 208, f.begin() + 208 + static_cast<long>(c.samples)),
                  samplesOf(c.samples))
            << c.samples;
        size_t pad = 0;
        for (size_t i = 208 + c.samples; i < f.size(); ++i)
            pad += f[i] == 0x7F;
        EXPECT_EQ(pad, c.data - c.samples) << c.samples;
    }
}

TEST(FinishedFile, ReadsBackAsWaveWithItsEntries)
{
    ScratchDir dir;
    const Bytes f = finish(dir, 16000);
    WaveData data;
    WaveFormat format;
    ASSERT_TRUE(findWaveData(f.data(), f.size(), data, format));
    EXPECT_EQ(std::memcmp(&format, &kCameraSoundFormat, sizeof format), 0);
    EXPECT_EQ(data.length, 24000u);
    EXPECT_EQ(data.bytes, f.data() + 208);
    EXPECT_TRUE(hasInfoEntry(f.data(), f.size(), "ICRD"));
    EXPECT_FALSE(hasInfoEntry(f.data(), f.size(), "ICOP"));
}

TEST(AddCameraChunks, MissingOrBrokenFilesFail)
{
    ScratchDir dir;
    EXPECT_EQ(addCameraChunks(dir / "missing.wav", kInfo), kCameraChunksFailed);
    saveFile(dir / "nodata.wav", riff("WAVE", chunk("fmt ", fmtBody(kCameraSoundFormat))));
    EXPECT_EQ(addCameraChunks(dir / "nodata.wav", kInfo), kCameraChunksFailed);
    saveFile(dir / "text.wav", text("not a sound at all, just text"));
    EXPECT_EQ(addCameraChunks(dir / "text.wav", kInfo), kCameraChunksFailed);
}

TEST(AddCameraChunks, DataNotLastIsLeftUntouched)
{
    ScratchDir dir;
    const Bytes file = riff("WAVE", chunk("fmt ", fmtBody(kCameraSoundFormat)) +
                                        chunk("data", samplesOf(100)) + chunk("JUNK", Bytes(10)));
    saveFile(dir / "j.wav", file);
    EXPECT_EQ(addCameraChunks(dir / "j.wav", kInfo), kCameraChunksFailed);
    EXPECT_EQ(loadFile(dir / "j.wav"), file);
}

TEST(AddCameraChunks, OddPlainFileStillFinishes)
{
    // Conversion always writes an even count; an odd one has no pad byte
    // in the plain file and must still come out whole.
    ScratchDir dir;
    const Bytes f = finish(dir, 999);
    ASSERT_EQ(f.size(), 24208u);
    EXPECT_EQ(Bytes(f.begin() + 208, f.begin() + 208 + 999), samplesOf(999));
    EXPECT_EQ(f[208 + 999], 0x7F);
}

TEST(InsertLists, InfoListAloneIsPaddedAndExifListAloneIsNot)
{
    ScratchDir dir;
    const Bytes samples = samplesOf(300);
    ASSERT_TRUE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, dir / "i.wav"));
    ASSERT_TRUE(insertInfoList(dir / "i.wav", kInfo));
    Bytes f = loadFile(dir / "i.wav");
    ASSERT_EQ(f.size(), 44u + 56 + 24000);
    EXPECT_EQ(textAt(f, 36, 4), "LIST");
    EXPECT_EQ(textAt(f, 92, 4), "data");
    EXPECT_EQ(u32At(f, 96), 24000u);
    EXPECT_EQ(u32At(f, 4), f.size() - 8);

    ASSERT_TRUE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, dir / "e.wav"));
    ASSERT_TRUE(insertExifList(dir / "e.wav", kInfo));
    f = loadFile(dir / "e.wav");
    ASSERT_EQ(f.size(), 44u + 108 + 300);
    EXPECT_EQ(textAt(f, 36, 4), "LIST");
    EXPECT_EQ(textAt(f, 44, 4), "exif");
    EXPECT_EQ(textAt(f, 144, 4), "data");
    EXPECT_EQ(u32At(f, 4), f.size() - 8);
}

TEST(PadSoundData, PadsAtTheEndAndFixesBothSizes)
{
    ScratchDir dir;
    const Bytes samples = samplesOf(24001);
    ASSERT_TRUE(writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, dir / "p.wav"));
    ASSERT_TRUE(padSoundData(dir / "p.wav", 24001));
    const Bytes f = loadFile(dir / "p.wav");
    ASSERT_EQ(f.size(), 44u + 40000);
    EXPECT_EQ(u32At(f, 40), 40000u);
    EXPECT_EQ(u32At(f, 4), f.size() - 8);
    EXPECT_EQ(f.back(), 0x7F);
    EXPECT_EQ(f[44 + 24000], samples.back());

    // Nothing to do for exact lengths: the file stays as it is.
    const Bytes exact = samplesOf(40000);
    ASSERT_TRUE(writePlainWave(exact.data(), exact.size(), kCameraSoundFormat, dir / "x.wav"));
    ASSERT_TRUE(padSoundData(dir / "x.wav", 40000));
    EXPECT_EQ(loadFile(dir / "x.wav").size(), 44u + 40000);
    EXPECT_FALSE(padSoundData(dir / "missing.wav", 10));
}

}  // namespace
