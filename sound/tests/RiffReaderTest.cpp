// Reading RIFF/WAVE: file kinds, the chunk walk, INFO entries, inspection,
// and broken files that must never be read past their loaded bytes.
#include "sound/RiffReader.h"
#include "sound/tests/SoundTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const WaveFormat kMono16 = pcmFormat(22050, 1, 16);
const Bytes kFmt = chunk("fmt ", fmtBody(kMono16));

Bytes someData(size_t n)
{
    Bytes data(n);
    for (size_t i = 0; i < n; ++i)
        data[i] = static_cast<uint8_t>(i * 13 + 1);
    return data;
}

Bytes withRiffSize(Bytes file, uint32_t size)
{
    const Bytes le = le32(size);
    std::copy(le.begin(), le.end(), file.begin() + 4);
    return file;
}

// The RIFF size set to the bytes present, as a cut recording leaves it.
Bytes cut(const Bytes& file, size_t drop)
{
    const Bytes part(file.begin(), file.end() - static_cast<long>(drop));
    return withRiffSize(part, static_cast<uint32_t>(part.size()));
}

Bytes infoList(const Bytes& entries)
{
    return chunk("LIST", text("INFO") + entries);
}

TEST(SoundFileKind, AiffWaveAndOthers)
{
    TempFolder dir;
    const struct {
        const char* name;
        Bytes bytes;
        int kind;
    } cases[] = {
        {"a.aif", text("FORM") + le32(4) + text("AIFF"), kSoundFileAiff},
        {"w.wav", pcmWave(kMono16, someData(8)), kSoundFileWave},
        {"t.txt", text("just some words in a file"), kSoundFileOther},
        {"e.wav", {}, kSoundFileOther},
        {"short.wav", text("RIFF") + le32(4) + text("WAV"), kSoundFileOther},
        {"aifc.aif", text("FORM") + le32(4) + text("AIFC"), kSoundFileOther},
    };
    for (const auto& c : cases) {
        writeFileBytes(dir / c.name, c.bytes);
        EXPECT_EQ(soundFileKind(dir / c.name), c.kind) << c.name;
    }
    EXPECT_EQ(soundFileKind(dir / "missing.wav"), kSoundFileOther);
}

TEST(FindWaveData, FormatAndDataWhereverTheyLie)
{
    const WaveFormat stereo8 = pcmFormat(11025, 2, 8);
    const WaveFormat wide = pcmFormat(48000, 2, 16);
    const struct {
        const char* name;
        Bytes file;
        WaveFormat format;
        size_t offset, length;  // of the data
    } cases[] = {
        {"plain", pcmWave(stereo8, someData(100)), stereo8, 44, 100},
        {"data first",
         riff("WAVE", chunk("data", someData(20)) + chunk("LIST", text("INFOxxxx")) + kFmt),
         kMono16, 20, 20},
        {"odd data counts its pad byte", pcmWave(kMono16, someData(7)), kMono16, 44, 8},
        {"fmt with cbSize",
         riff("WAVE", chunk("fmt ", fmtBody(wide) + le16(0)) + chunk("data", someData(16))), wide,
         46, 16},
        {"fmt with extension",
         riff("WAVE", chunk("fmt ", fmtBody(wide) + le16(22) + Bytes(22, 0xEE)) +
                          chunk("data", someData(16))),
         wide, 68, 16},
        {"odd fmt",
         riff("WAVE", chunk("fmt ", fmtBody(wide) + Bytes(3, 0x55)) + chunk("data", someData(16))),
         wide, 48, 16},
        {"RIFF size overstated by 8", withRiffSize(pcmWave(kMono16, someData(40)), 36 + 40 + 8),
         kMono16, 44, 40},
        // Left to us: data longer than the loaded bytes is clipped to them.
        {"data cut short", cut(pcmWave(kMono16, someData(1000)), 699), kMono16, 44, 301},
        {"cut after the data header", cut(pcmWave(kMono16, someData(1000)), 1000), kMono16, 44, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WaveData found;
        WaveFormat format;
        ASSERT_TRUE(findWaveData(c.file.data(), c.file.size(), found, format));
        EXPECT_EQ(std::memcmp(&format, &c.format, sizeof format), 0);
        EXPECT_EQ(found.bytes, c.file.data() + c.offset);
        EXPECT_EQ(found.length, c.length);
        EXPECT_EQ(
            Bytes(found.bytes, found.bytes + std::min<size_t>(found.length, 7)),
            Bytes(c.file.begin() + static_cast<long>(c.offset),
                  c.file.begin() + static_cast<long>(c.offset + std::min<size_t>(c.length, 7))));
    }
}

TEST(FindWaveData, BrokenFilesFailInsideTheBuffer)
{
    const Bytes plain = pcmWave(kMono16, someData(40));
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"RIFF size overstated by 10", withRiffSize(plain, 36 + 40 + 10)},
        {"RIFF size overstated by 9, spanning 10", withRiffSize(plain, 36 + 40 + 9)},
        {"data past the declared extent", riff("WAVE", kFmt) + chunk("data", someData(4))},
        {"no data", riff("WAVE", kFmt)},
        {"no fmt", riff("WAVE", chunk("data", someData(4)))},
        {"no chunks", riff("WAVE", {})},
        {"too short", Bytes(11, 0)},
        {"fmt not all loaded", cut(riff("WAVE", chunk("data", someData(2)) + kFmt), 6)},
        {"chunk header cut", withRiffSize(riff("WAVE", kFmt) + text("da"), 36)},
        // A chunk size near 4 GiB must not wrap the walk around.
        {"huge chunk", riff("WAVE", rawChunk("JUNK", 0xFFFFFFF7u, {}) + kFmt)},
    };
    for (const auto& c : cases) {
        WaveData found;
        WaveFormat format;
        EXPECT_FALSE(findWaveData(c.file.data(), c.file.size(), found, format)) << c.name;
    }
    WaveData found;
    WaveFormat format;
    EXPECT_FALSE(findWaveData(nullptr, 0, found, format));
}

TEST(FindWaveData, EveryTruncationStaysInsideTheBuffer)
{
    const Bytes file =
        riff("WAVE", infoList(chunk("ICOP", text("c"))) + kFmt + chunk("data", someData(33)));
    for (size_t n = 0; n <= file.size(); ++n) {
        const Bytes part(file.begin(), file.begin() + static_cast<long>(n));  // exact size for ASan
        WaveData found;
        WaveFormat format;
        if (findWaveData(part.data(), part.size(), found, format)) {
            EXPECT_GE(found.bytes, part.data());
            EXPECT_LE(found.bytes + found.length, part.data() + part.size());
        }
        hasInfoEntry(part.data(), part.size(), "ICOP");
    }
}

TEST(HasInfoEntry, OnlyTheFirstInfoListAndNothingPastTheEnd)
{
    const Bytes icop = infoList(chunk("ICOP", text("c")));
    const Bytes inam = infoList(chunk("INAM", text("x")));
    const Bytes tail = riff("WAVE", kFmt + icop);
    const Bytes twoLists = riff("WAVE", inam + kFmt + chunk("data", someData(4)) + icop);
    const Bytes otherList = riff("WAVE", chunk("LIST", text("adtl") + chunk("ICOP", text("c"))) +
                                             infoList(chunk("IART", text("me"))));
    const Bytes bare = riff("WAVE", inam + text("ICOP"));
    const Bytes three = riff("WAVE", inam + text("ICO")) + Bytes{0};
    const struct {
        const char* name;
        Bytes file;
        std::string id;
        bool found;
    } cases[] = {
        {"first entry",
         riff("WAVE", kFmt + infoList(chunk("ICOP", text("(c) 1999")) + chunk("INAM", text("x"))) +
                          chunk("data", someData(4))),
         "ICOP", true},
        {"last entry",
         riff("WAVE", infoList(chunk("INAM", text("odd")) + chunk("ISFT", text("ab")) +
                               chunk("ICOP", text("c")))),
         "ICOP", true},
        {"absent", tail, "IART", false},
        // The walk runs on past the first list and sees the second list's
        // header as an entry, never its entries.
        {"second list", twoLists, "ICOP", false},
        {"second list's header", twoLists, "data", true},
        {"other list", otherList, "ICOP", false},
        {"after the other list", otherList, "IART", true},
        {"one trailing byte", tail + Bytes{0}, "ICOP", false},
        {"short by two", Bytes(tail.begin(), tail.end() - 2), "ICOP", false},
        {"too short", Bytes(11, 0), "ICOP", false},
        {"empty list at the end", riff("WAVE", chunk("LIST", text("INFO"))), "ICOP", false},
        // The entry walk lands on 4 bytes with no size behind them: compared,
        // not walked past; three bytes and the RIFF pad byte compare as "ICO\0".
        {"bare identifier", bare, "ICOP", true},
        {"bare identifier, other", bare, "IART", false},
        {"three bytes", three, "ICOP", false},
        {"three bytes and the pad", three, std::string("ICO\0", 4), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hasInfoEntry(c.file.data(), c.file.size(), c.id.c_str()), c.found) << c.name;
}

TEST(InspectSourceSound, Results)
{
    TempFolder dir;
    const Bytes icop = infoList(chunk("ICOP", text("(c)")));
    WaveFormat adpcm = kMono16;
    adpcm.formatTag = 2;
    const struct {
        const char* name;
        Bytes file;
        int result;
    } cases[] = {
        {"plain.wav", pcmWave(kMono16, someData(8)), kSourceAcceptable},
        {"icop.wav", riff("WAVE", kFmt + icop + chunk("data", someData(8))), kSourceCopyrighted},
        {"adpcm.wav", pcmWave(adpcm, someData(8)), kSourceNotPcm},
        {"adpcm_icop.wav",
         riff("WAVE", chunk("fmt ", fmtBody(adpcm)) + icop + chunk("data", someData(8))),
         kSourceNotPcm},
        {"nodata.wav", riff("WAVE", kFmt), kSourceAcceptable},
        {"text.txt", text("hello there, not a sound"), kSourceAcceptable},
    };
    for (const auto& c : cases) {
        writeFileBytes(dir / c.name, c.file);
        EXPECT_EQ(inspectSourceSound(dir / c.name), c.result) << c.name;
    }
    EXPECT_EQ(inspectSourceSound(dir / "missing.wav"), kSourceAcceptable);
}

}  // namespace
