// The file helpers' contract as the sound code relies on it, on whichever
// platform the tests run.
#include "FileIo.h"
#include "SoundTestSupport.h"

#include <gtest/gtest.h>

namespace {

unsigned g_waits = 0;
void countWait(unsigned) { ++g_waits; }

// Counts the retry waits instead of sleeping, for the test's lifetime.
class CountedWaits {
public:
    CountedWaits() : previous_(setRetrySleep(&countWait)) { g_waits = 0; }
    ~CountedWaits() { setRetrySleep(previous_); }
    unsigned waits() const { return g_waits; }

private:
    RetrySleep previous_;
};

TEST(FileHelpers, ReadAtReadsFromTheOffsetAndStopsAtTheEnd)
{
    ScratchDir dir;
    saveFile(dir / "a.bin", text("0123456789"));
    char buffer[8] = {};
    IoResult got = readFileAt(dir / "a.bin", 3, 4, buffer);
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.bytes, 4u);
    EXPECT_EQ(std::string(buffer, 4), "3456");

    got = readFileAt(dir / "a.bin", 7, 8, buffer);
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.bytes, 3u);
    EXPECT_EQ(std::string(buffer, 3), "789");
}

TEST(FileHelpers, MissingFileFailsAtOnce)
{
    ScratchDir dir;
    CountedWaits waits;
    char buffer[4];
    EXPECT_FALSE(readFileAt(dir / "none.wav", 0, 4, buffer).ok);
    Bytes out{1, 2, 3};
    EXPECT_FALSE(readWholeFile(dir / "none.wav", out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(fileLength(dir / "none.wav"), -1);
    EXPECT_FALSE(readFileAt(dir / "no folder" / "x.wav", 0, 4, buffer).ok);
    EXPECT_EQ(waits.waits(), 0u);
}

TEST(FileHelpers, FolderIsNotAFileAndIsRetried)
{
    ScratchDir dir;
    CountedWaits waits;
    Bytes out;
    EXPECT_FALSE(readWholeFile(dir.path(), out));
    // Windows answers "access denied" for a folder, which a shared open retries.
    EXPECT_EQ(waits.waits(), kRetryAttempts - 1);
}

TEST(FileHelpers, ReadWholeFileLoadsEveryByte)
{
    ScratchDir dir;
    Bytes content(70001);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 7 + 3);
    saveFile(dir / "big.bin", content);
    Bytes out;
    ASSERT_TRUE(readWholeFile(dir / "big.bin", out));
    EXPECT_EQ(out, content);

    saveFile(dir / "empty.bin", {});
    ASSERT_TRUE(readWholeFile(dir / "empty.bin", out));
    EXPECT_TRUE(out.empty());
}

TEST(FileHelpers, WriteNewReplacesTheWholeFile)
{
    ScratchDir dir;
    saveFile(dir / "w.bin", text("a much longer old content"));
    const IoResult put = writeFileAt(dir / "w.bin", kNewFile, "new", 3);
    EXPECT_TRUE(put.ok);
    EXPECT_EQ(put.bytes, 3u);
    EXPECT_EQ(loadFile(dir / "w.bin"), text("new"));
}

TEST(FileHelpers, WriteAtOffsetKeepsTheRestAndCreatesMissingFiles)
{
    ScratchDir dir;
    saveFile(dir / "w.bin", text("0123456789"));
    EXPECT_TRUE(writeFileAt(dir / "w.bin", 4, "ab", 2).ok);
    EXPECT_EQ(loadFile(dir / "w.bin"), text("0123ab6789"));
    EXPECT_TRUE(writeFileAt(dir / "w.bin", 10, "XY", 2).ok);
    EXPECT_EQ(loadFile(dir / "w.bin"), text("0123ab6789XY"));

    EXPECT_TRUE(writeFileAt(dir / "fresh.bin", 0, "z", 1).ok);
    EXPECT_EQ(loadFile(dir / "fresh.bin"), text("z"));
}

TEST(FileHelpers, WriteIntoMissingFolderFailsWithoutRetry)
{
    ScratchDir dir;
    CountedWaits waits;
    EXPECT_FALSE(writeFileAt(dir / "no folder" / "x.wav", kNewFile, "x", 1).ok);
    EXPECT_FALSE(writeFileAt(dir / "no folder" / "x.wav", 5, "x", 1).ok);
    EXPECT_EQ(waits.waits(), 0u);
}

TEST(FileHelpers, FileLengthOfExistingFiles)
{
    ScratchDir dir;
    saveFile(dir / "l.bin", Bytes(12345, 9));
    EXPECT_EQ(fileLength(dir / "l.bin"), 12345);
    saveFile(dir / "e.bin", {});
    EXPECT_EQ(fileLength(dir / "e.bin"), 0);
}

TEST(FileHelpers, NegativeOffsetOtherThanNewIsRefused)
{
    ScratchDir dir;
    saveFile(dir / "w.bin", text("abc"));
    EXPECT_FALSE(writeFileAt(dir / "w.bin", -2, "x", 1).ok);
    EXPECT_EQ(loadFile(dir / "w.bin"), text("abc"));
}

}  // namespace
