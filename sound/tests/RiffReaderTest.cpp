// Reading RIFF/WAVE: file kinds, the chunk walk, INFO entries, inspection,
// and broken files that must never be read past their loaded bytes.
#include "RiffReader.h"
#include "SoundTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const WaveFormat kMono16 = pcmFormat(22050, 1, 16);

Bytes someData(size_t n)
{
    Bytes data(n);
    for (size_t i = 0; i < n; ++i)
        data[i] = static_cast<uint8_t>(i * 13 + 1);
    return data;
}

// Runs findWaveData on an exact-size copy, so ASan sees any overread.
bool parse(const Bytes& file, WaveData& data, WaveFormat& format)
{
    return findWaveData(file.data(), file.size(), data, format);
}

bool hasEntry(const Bytes& file, const char* id)
{
    return hasInfoEntry(file.data(), file.size(), id);
}

Bytes withRiffSize(Bytes file, uint32_t size)
{
    const Bytes le = le32(size);
    std::copy(le.begin(), le.end(), file.begin() + 4);
    return file;
}

Bytes infoList(const Bytes& entries) { return chunk("LIST", text("INFO") + entries); }

// ---- kinds ----

TEST(SoundFileKind, AiffWaveAndOthers)
{
    ScratchDir dir;
    saveFile(dir / "a.aif", text("FORM") + le32(4) + text("AIFF"));
    saveFile(dir / "w.wav", pcmWave(kMono16, someData(8)));
    saveFile(dir / "t.txt", text("just some words in a file"));
    saveFile(dir / "e.wav", {});
    saveFile(dir / "short.wav", text("RIFF") + le32(4) + text("WAV"));
    saveFile(dir / "aifc.aif", text("FORM") + le32(4) + text("AIFC"));
    EXPECT_EQ(soundFileKind(dir / "a.aif"), kSoundFileAiff);
    EXPECT_EQ(soundFileKind(dir / "w.wav"), kSoundFileWave);
    EXPECT_EQ(soundFileKind(dir / "t.txt"), kSoundFileOther);
    EXPECT_EQ(soundFileKind(dir / "e.wav"), kSoundFileOther);
    EXPECT_EQ(soundFileKind(dir / "short.wav"), kSoundFileOther);
    EXPECT_EQ(soundFileKind(dir / "aifc.aif"), kSoundFileOther);
    EXPECT_EQ(soundFileKind(dir / "missing.wav"), kSoundFileOther);
}

// ---- findWaveData ----

TEST(FindWaveData, PlainFileGivesFormatAndData)
{
    const WaveFormat stereo8 = pcmFormat(11025, 2, 8);
    const Bytes data = someData(100);
    const Bytes file = pcmWave(stereo8, data);
    WaveData found;
    WaveFormat format;
    ASSERT_TRUE(parse(file, found, format));
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samplesPerSecond, 11025u);
    EXPECT_EQ(format.bytesPerSecond, 22050u);
    EXPECT_EQ(format.blockAlign, 2);
    EXPECT_EQ(format.bitsPerSample, 8);
    ASSERT_EQ(found.length, 100u);
    EXPECT_EQ(found.bytes, file.data() + 44);
    EXPECT_EQ(Bytes(found.bytes, found.bytes + found.length), data);
}

TEST(FindWaveData, DataBeforeFormatParsesAlike)
{
    const Bytes data = someData(20);
    const Bytes file =
        riff("WAVE", chunk("data", data) + chunk("LIST", text("INFOxxxx")) +
                         chunk("fmt ", fmtBody(kMono16)));
    WaveData found;
    WaveFormat format;
    ASSERT_TRUE(parse(file, found, format));
    EXPECT_EQ(format.samplesPerSecond, 22050u);
    EXPECT_EQ(Bytes(found.bytes, found.bytes + found.length), data);
    EXPECT_EQ(found.bytes, file.data() + 20);
}

TEST(FindWaveData, OddDataCountsItsPadByte)
{
    const Bytes file = pcmWave(kMono16, someData(7));
    WaveData found;
    WaveFormat format;
    ASSERT_TRUE(parse(file, found, format));
    EXPECT_EQ(found.length, 8u);
}

TEST(FindWaveData, LongFormatChunkGivesTheSameFormat)
{
    const WaveFormat f = pcmFormat(48000, 2, 16);
    for (const Bytes& extra : {le16(0), le16(22) + Bytes(22, 0xEE), Bytes(3, 0x55)}) {
        const Bytes file = riff("WAVE", chunk("fmt ", fmtBody(f) + extra) +
                                            chunk("data", someData(16)));
        WaveData found;
        WaveFormat format;
        ASSERT_TRUE(parse(file, found, format)) << extra.size();
        EXPECT_EQ(std::memcmp(&format, &f, sizeof f), 0) << extra.size();
        EXPECT_EQ(found.length, 16u);
    }
}

TEST(FindWaveData, RiffSizeMayOverstateByEightButNotTen)
{
    const Bytes file = pcmWave(kMono16, someData(40));
    ASSERT_EQ(file.size() % 2, 0u);
    const uint32_t honest = static_cast<uint32_t>(file.size() - 8);
    WaveData found;
    WaveFormat format;
    EXPECT_TRUE(parse(withRiffSize(file, honest + 8), found, format));
    EXPECT_EQ(found.length, 40u);
    EXPECT_FALSE(parse(withRiffSize(file, honest + 10), found, format));
    // 9 more is odd and so spans 10 more.
    EXPECT_FALSE(parse(withRiffSize(file, honest + 9), found, format));
}

TEST(FindWaveData, WalkStopsAtTheDeclaredExtent)
{
    // "data" lies past the extent the RIFF size declares: not found.
    const Bytes body = chunk("fmt ", fmtBody(kMono16));
    Bytes file = riff("WAVE", body) + chunk("data", someData(4));
    WaveData found;
    WaveFormat format;
    EXPECT_FALSE(parse(file, found, format));
}

TEST(FindWaveData, MissingChunksFail)
{
    WaveData found;
    WaveFormat format;
    EXPECT_FALSE(parse(riff("WAVE", chunk("fmt ", fmtBody(kMono16))), found, format));
    EXPECT_FALSE(parse(riff("WAVE", chunk("data", someData(4))), found, format));
    EXPECT_FALSE(parse(riff("WAVE", {}), found, format));
    EXPECT_FALSE(parse(Bytes(11, 0), found, format));
    EXPECT_FALSE(findWaveData(nullptr, 0, found, format));
}

// Left to us: a data chunk longer than the loaded bytes is clipped to them.
TEST(FindWaveData, TruncatedDataIsClippedToTheLoadedBytes)
{
    const Bytes data = someData(1000);
    Bytes file = pcmWave(kMono16, data);
    file.resize(44 + 301);  // a recording cut short; RIFF and data sizes unchanged
    file = withRiffSize(file, static_cast<uint32_t>(file.size()));  // within the +9 allowance
    WaveData found;
    WaveFormat format;
    ASSERT_TRUE(parse(file, found, format));
    EXPECT_EQ(found.bytes, file.data() + 44);
    EXPECT_EQ(found.length, 301u);

    // Cut right after the data header: empty data, still a pair.
    Bytes bare(file.begin(), file.begin() + 44);
    bare = withRiffSize(bare, 36);
    ASSERT_TRUE(parse(bare, found, format));
    EXPECT_EQ(found.length, 0u);
}

TEST(FindWaveData, HeadersOrFormatPastTheBufferFail)
{
    WaveData found;
    WaveFormat format;
    // A "fmt " chunk whose 16 bytes are not all loaded.
    Bytes cutFormat = riff("WAVE", chunk("data", someData(2)) + chunk("fmt ", fmtBody(kMono16)));
    cutFormat.resize(cutFormat.size() - 6);
    EXPECT_FALSE(parse(withRiffSize(cutFormat, static_cast<uint32_t>(cutFormat.size())),
                       found, format));
    // A chunk header cut in the middle.
    Bytes cutHeader = riff("WAVE", chunk("fmt ", fmtBody(kMono16))) + text("da");
    EXPECT_FALSE(parse(withRiffSize(cutHeader, static_cast<uint32_t>(cutHeader.size() - 2)),
                       found, format));
    // A chunk size near 4 GiB must not wrap the walk around.
    const Bytes huge = riff("WAVE", rawChunk("JUNK", 0xFFFFFFF7u, {}) + chunk("fmt ", fmtBody(kMono16)));
    EXPECT_FALSE(parse(huge, found, format));
}

TEST(FindWaveData, EveryTruncationStaysInsideTheBuffer)
{
    const Bytes file =
        riff("WAVE", chunk("LIST", text("INFO") + chunk("ICOP", text("c"))) +
                         chunk("fmt ", fmtBody(kMono16)) + chunk("data", someData(33)));
    for (size_t n = 0; n <= file.size(); ++n) {
        const Bytes part(file.begin(), file.begin() + static_cast<long>(n));
        WaveData found;
        WaveFormat format;
        if (parse(part, found, format)) {
            EXPECT_GE(found.bytes, part.data());
            EXPECT_LE(found.bytes + found.length, part.data() + part.size());
        }
        hasEntry(part, "ICOP");
    }
}

// ---- hasInfoEntry ----

TEST(HasInfoEntry, FindsEntryAnywhereInTheFirstInfoList)
{
    const Bytes first = infoList(chunk("ICOP", text("(c) 1999")) + chunk("INAM", text("x")));
    const Bytes last = infoList(chunk("INAM", text("odd")) + chunk("ISFT", text("ab")) +
                                chunk("ICOP", text("c")));
    for (const Bytes& list : {first, last}) {
        const Bytes file = riff("WAVE", chunk("fmt ", fmtBody(kMono16)) + list +
                                            chunk("data", someData(4)));
        EXPECT_TRUE(hasEntry(file, "ICOP"));
        EXPECT_FALSE(hasEntry(file, "IART"));
    }
}

TEST(HasInfoEntry, SecondInfoListIsNotSearched)
{
    const Bytes file =
        riff("WAVE", infoList(chunk("INAM", text("a"))) + chunk("fmt ", fmtBody(kMono16)) +
                         chunk("data", someData(4)) +
                         infoList(chunk("ICOP", text("c"))));
    // The walk runs on past the first list and sees the second list's
    // header as an entry, never its entries.
    EXPECT_FALSE(hasEntry(file, "ICOP"));
    EXPECT_TRUE(hasEntry(file, "data"));
}

TEST(HasInfoEntry, OtherListsAreSkipped)
{
    const Bytes file = riff("WAVE", chunk("LIST", text("adtl") + chunk("ICOP", text("c"))) +
                                        infoList(chunk("IART", text("me"))));
    EXPECT_FALSE(hasEntry(file, "ICOP"));
    EXPECT_TRUE(hasEntry(file, "IART"));
}

TEST(HasInfoEntry, OneTrailingByteOrAShortFileAnswersFalse)
{
    const Bytes file = riff("WAVE", chunk("fmt ", fmtBody(kMono16)) +
                                        infoList(chunk("ICOP", text("c"))));
    ASSERT_TRUE(hasEntry(file, "ICOP"));
    EXPECT_FALSE(hasEntry(file + Bytes{0}, "ICOP"));
    const Bytes shorter(file.begin(), file.end() - 2);
    EXPECT_FALSE(hasEntry(shorter, "ICOP"));
    EXPECT_FALSE(hasEntry(Bytes(11, 0), "ICOP"));
}

TEST(HasInfoEntry, IdentifierInTheLastFourBytesIsComparedButNotWalkedPast)
{
    // The entry walk lands on 4 bytes with no size behind them.
    const Bytes file = riff("WAVE", infoList(chunk("INAM", text("x"))) + text("ICOP"));
    EXPECT_TRUE(hasEntry(file, "ICOP"));
    EXPECT_FALSE(hasEntry(file, "IART"));
    // Three bytes and the RIFF pad byte: compared as "ICO\0", then the end.
    const Bytes three = riff("WAVE", infoList(chunk("INAM", text("x"))) + text("ICO")) + Bytes{0};
    EXPECT_FALSE(hasEntry(three, "ICOP"));
    EXPECT_TRUE(hasEntry(three, std::string("ICO\0", 4).c_str()));
}

TEST(HasInfoEntry, EmptyListAtTheEndAnswersFalse)
{
    const Bytes file = riff("WAVE", chunk("LIST", text("INFO")));
    EXPECT_FALSE(hasEntry(file, "ICOP"));
}

// ---- inspectSourceSound ----

TEST(InspectSourceSound, Results)
{
    ScratchDir dir;
    const Bytes icop = infoList(chunk("ICOP", text("(c)")));
    saveFile(dir / "plain.wav", pcmWave(kMono16, someData(8)));
    saveFile(dir / "icop.wav", riff("WAVE", chunk("fmt ", fmtBody(kMono16)) + icop +
                                                chunk("data", someData(8))));
    WaveFormat adpcm = kMono16;
    adpcm.formatTag = 2;
    saveFile(dir / "adpcm.wav", pcmWave(adpcm, someData(8)));
    saveFile(dir / "adpcm_icop.wav", riff("WAVE", chunk("fmt ", fmtBody(adpcm)) + icop +
                                                      chunk("data", someData(8))));
    saveFile(dir / "nodata.wav", riff("WAVE", chunk("fmt ", fmtBody(kMono16))));
    saveFile(dir / "text.txt", text("hello there, not a sound"));

    EXPECT_EQ(inspectSourceSound(dir / "plain.wav"), kSourceAcceptable);
    EXPECT_EQ(inspectSourceSound(dir / "icop.wav"), kSourceCopyrighted);
    EXPECT_EQ(inspectSourceSound(dir / "adpcm.wav"), kSourceNotPcm);
    EXPECT_EQ(inspectSourceSound(dir / "adpcm_icop.wav"), kSourceNotPcm);
    EXPECT_EQ(inspectSourceSound(dir / "nodata.wav"), kSourceAcceptable);
    EXPECT_EQ(inspectSourceSound(dir / "text.txt"), kSourceAcceptable);
    EXPECT_EQ(inspectSourceSound(dir / "missing.wav"), kSourceAcceptable);
}

TEST(ByteOrder, ReadAndWriteLittleEndian)
{
    uint8_t b[4];
    writeLe32(b, 0x12345678u);
    EXPECT_EQ(b[0], 0x78);
    EXPECT_EQ(b[3], 0x12);
    EXPECT_EQ(readLe32(b), 0x12345678u);
    writeLe16(b, 0xBEEF);
    EXPECT_EQ(b[0], 0xEF);
    EXPECT_EQ(readLe16(b), 0xBEEF);
    EXPECT_EQ(chunkSpan(7), 16u);
    EXPECT_EQ(chunkSpan(0xFFFFFFFFu), 0x100000008ull);
}

}  // namespace
