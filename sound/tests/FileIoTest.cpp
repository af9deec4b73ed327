// The file helpers' contract as the sound code relies on it, on whichever
// platform the tests run.
#include "sound/FileIo.h"
#include "sound/tests/SoundTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(FileHelpers, ReadsFromTheOffsetAndStopAtTheEnd)
{
    TempFolder dir;
    writeFileBytes(dir / "a.bin", text("0123456789"));
    char buffer[8] = {};
    IoResult got = readFileAt(dir / "a.bin", 3, 4, buffer);
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(std::string(buffer, got.bytes), "3456");
    got = readFileAt(dir / "a.bin", 7, 8, buffer);
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(std::string(buffer, got.bytes), "789");

    Bytes content(70001);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 7 + 3);
    writeFileBytes(dir / "big.bin", content);
    Bytes out;
    ASSERT_TRUE(readWholeFile(dir / "big.bin", out));
    EXPECT_EQ(out, content);
    EXPECT_EQ(fileLength(dir / "big.bin"), 70001);
    writeFileBytes(dir / "empty.bin", {});
    ASSERT_TRUE(readWholeFile(dir / "empty.bin", out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(fileLength(dir / "empty.bin"), 0);
}

TEST(FileHelpers, WritesReplaceOrPatchAndCreateMissingFiles)
{
    TempFolder dir;
    writeFileBytes(dir / "w.bin", text("a much longer old content"));
    const IoResult put = writeFileAt(dir / "w.bin", kNewFile, "new", 3);
    EXPECT_TRUE(put.ok);
    EXPECT_EQ(put.bytes, 3u);
    EXPECT_EQ(readFileBytes(dir / "w.bin"), text("new"));
    writeFileBytes(dir / "w.bin", text("0123456789"));
    EXPECT_TRUE(writeFileAt(dir / "w.bin", 4, "ab", 2).ok);
    EXPECT_TRUE(writeFileAt(dir / "w.bin", 10, "XY", 2).ok);
    EXPECT_EQ(readFileBytes(dir / "w.bin"), text("0123ab6789XY"));
    EXPECT_FALSE(writeFileAt(dir / "w.bin", -2, "x", 1).ok);  // only kNewFile is negative
    EXPECT_EQ(readFileBytes(dir / "w.bin"), text("0123ab6789XY"));
    EXPECT_TRUE(writeFileAt(dir / "fresh.bin", 0, "z", 1).ok);
    EXPECT_EQ(readFileBytes(dir / "fresh.bin"), text("z"));
}

TEST(FileHelpers, MissingFileOrFolderFailsAtOnce)
{
    TempFolder dir;
    CountedWaits waits;
    char buffer[4];
    EXPECT_FALSE(readFileAt(dir / "none.wav", 0, 4, buffer).ok);
    EXPECT_FALSE(readFileAt(dir / "no folder" / "x.wav", 0, 4, buffer).ok);
    Bytes out{1, 2, 3};
    EXPECT_FALSE(readWholeFile(dir / "none.wav", out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(fileLength(dir / "none.wav"), -1);
    EXPECT_FALSE(writeFileAt(dir / "no folder" / "x.wav", kNewFile, "x", 1).ok);
    EXPECT_FALSE(writeFileAt(dir / "no folder" / "x.wav", 5, "x", 1).ok);
    EXPECT_EQ(waits.count(), 0u);
}

TEST(FileHelpers, FolderIsNotAFileAndIsRetried)
{
    TempFolder dir;
    CountedWaits waits;
    Bytes out;
    EXPECT_FALSE(readWholeFile(dir.path(), out));
    // Windows answers "access denied" for a folder, which a shared open retries.
    EXPECT_EQ(waits.count(), kRetryAttempts - 1);
}

}  // namespace
