// The retry rules of the Win32 file layer, against real share modes: a file
// that another handle holds without the sharing we ask for.
#include "sound/FileIo.h"
#include "sound/tests/SoundTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

// Another program's handle on the file.
class Holder {
public:
    Holder(const std::filesystem::path& path, DWORD access, DWORD share)
        : handle(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr))
    {}
    ~Holder()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
    HANDLE handle;
};

HANDLE g_releaseOnWait = INVALID_HANDLE_VALUE;

class WinFileRetry : public ::testing::Test {
protected:
    void SetUp() override { writeFileBytes(file, text("RIFF....WAVE")); }
    TempFolder dir;
    const std::filesystem::path file = dir / "held.wav";
};

// We open for reading sharing reading only; taking the length opens for
// writing too. Conflicts are retried, the file stays as it was.
TEST_F(WinFileRetry, SharedOpensAreRetriedWhileAnotherHandleConflicts)
{
    const struct {
        const char* name;
        DWORD access, share;
        bool readable, lengthTaken;
    } cases[] = {
        {"exclusive", GENERIC_READ | GENERIC_WRITE, 0, false, false},
        {"writer sharing reading", GENERIC_WRITE, FILE_SHARE_READ, false, false},
        {"reader sharing reading", GENERIC_READ, FILE_SHARE_READ, true, false},
        {"reader sharing everything", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Holder other(file, c.access, c.share);
        ASSERT_NE(other.handle, INVALID_HANDLE_VALUE);
        CountedWaits waits;
        char buffer[12] = {};
        const IoResult got = readFileAt(file, 0, 12, buffer);
        EXPECT_EQ(got.ok, c.readable);
        EXPECT_EQ(got.bytes, c.readable ? 12u : 0u);
        EXPECT_EQ(waits.count(), c.readable ? 0u : kRetryAttempts - 1);
        Bytes out;
        EXPECT_EQ(readWholeFile(file, out), c.readable);
        EXPECT_EQ(fileLength(file), c.lengthTaken ? 12 : -1);
        const unsigned failed = !c.readable * 2 + !c.lengthTaken;
        EXPECT_EQ(waits.count(), failed * (kRetryAttempts - 1));
        // Writes are exclusive: never retried.
        const unsigned before = waits.count();
        EXPECT_FALSE(writeFileAt(file, 0, "x", 1).ok);
        EXPECT_FALSE(writeFileAt(file, kNewFile, "x", 1).ok);
        EXPECT_EQ(waits.count(), before);
    }
    EXPECT_EQ(readFileBytes(file), text("RIFF....WAVE"));
}

TEST_F(WinFileRetry, RetriesReallyWaitAboutHalfASecond)
{
    Holder other(file, GENERIC_READ, 0);
    char buffer[12];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(readFileAt(file, 0, 12, buffer).ok);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    // Four waits of 100 ms between five attempts.
    EXPECT_GE(waited.count(), 380);
}

TEST_F(WinFileRetry, SucceedsWhenTheOtherHandleClosesMeanwhile)
{
    g_releaseOnWait = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(g_releaseOnWait, INVALID_HANDLE_VALUE);
    CountedWaits waits([](unsigned count) {
        if (count == 1)
            ::CloseHandle(g_releaseOnWait);
    });
    Bytes out;
    EXPECT_TRUE(readWholeFile(file, out));
    EXPECT_EQ(out, text("RIFF....WAVE"));
    EXPECT_EQ(waits.count(), 1u);
}

// Missing files fail at once: see the portable file tests.
TEST_F(WinFileRetry, OtherCountsAreKeptAndExclusiveOpensTriedOnce)
{
    CountedWaits waits;
    Holder other(file, GENERIC_READ, 0);
    EXPECT_FALSE(
        openWithRetry(file, kFileRead, kShareRead, FileCreation::OpenExisting, kRetryWaitMs, 3)
            .isOpen());
    EXPECT_EQ(waits.count(), 2u);
    // Exclusive: one attempt whatever the count.
    EXPECT_FALSE(
        openWithRetry(file, kFileRead, kShareExclusive, FileCreation::OpenExisting, kRetryWaitMs, 5)
            .isOpen());
    EXPECT_EQ(waits.count(), 2u);
}

}  // namespace
