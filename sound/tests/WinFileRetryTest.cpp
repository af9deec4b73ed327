// The retry rules of the Win32 file layer, against real share modes: a file
// that another handle holds without the sharing we ask for.
#include "FileIo.h"
#include "SoundTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

unsigned g_waits = 0;
HANDLE g_releaseOnWait = INVALID_HANDLE_VALUE;

void countWait(unsigned milliseconds)
{
    EXPECT_EQ(milliseconds, kRetryWaitMs);
    ++g_waits;
}

void releaseOnFirstWait(unsigned)
{
    if (++g_waits == 1 && g_releaseOnWait != INVALID_HANDLE_VALUE) {
        ::CloseHandle(g_releaseOnWait);
        g_releaseOnWait = INVALID_HANDLE_VALUE;
    }
}

class Waits {
public:
    explicit Waits(RetrySleep sleep = &countWait) : previous_(setRetrySleep(sleep)) { g_waits = 0; }
    ~Waits() { setRetrySleep(previous_); }
    unsigned count() const { return g_waits; }

private:
    RetrySleep previous_;
};

// Another program's handle on the file.
class Holder {
public:
    Holder(const std::filesystem::path& path, DWORD access, DWORD share)
        : handle_(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~Holder()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle_);
    }
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release()
    {
        const HANDLE h = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return h;
    }

private:
    HANDLE handle_;
};

class WinFileRetry : public ::testing::Test {
protected:
    void SetUp() override { saveFile(file(), text("RIFF....WAVE")); }
    std::filesystem::path file() const { return dir_ / "held.wav"; }
    ScratchDir dir_;
};

TEST_F(WinFileRetry, HeldWithoutReadSharingIsRetriedThenFails)
{
    Holder other(file(), GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(other.held());
    Waits waits;
    char buffer[12];
    EXPECT_FALSE(readFileAt(file(), 0, 12, buffer).ok);
    EXPECT_EQ(waits.count(), kRetryAttempts - 1);
    Bytes out;
    EXPECT_FALSE(readWholeFile(file(), out));
    EXPECT_EQ(fileLength(file()), -1);
    EXPECT_EQ(waits.count(), 3 * (kRetryAttempts - 1));
}

TEST_F(WinFileRetry, RetriesTakeAboutHalfASecond)
{
    Holder other(file(), GENERIC_READ, 0);
    ASSERT_TRUE(other.held());
    char buffer[12];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(readFileAt(file(), 0, 12, buffer).ok);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    // Four waits of 100 ms between five attempts.
    EXPECT_GE(waited.count(), 380);
}

TEST_F(WinFileRetry, WriterSharingReadStillBlocksOurRead)
{
    // We share reading only: a handle open for writing conflicts.
    Holder other(file(), GENERIC_WRITE, FILE_SHARE_READ);
    ASSERT_TRUE(other.held());
    Waits waits;
    char buffer[12];
    EXPECT_FALSE(readFileAt(file(), 0, 12, buffer).ok);
    EXPECT_EQ(waits.count(), kRetryAttempts - 1);
}

TEST_F(WinFileRetry, ReaderSharingReadLetsUsReadAtOnce)
{
    Holder other(file(), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(other.held());
    Waits waits;
    char buffer[12] = {};
    const IoResult got = readFileAt(file(), 0, 12, buffer);
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.bytes, 12u);
    EXPECT_EQ(waits.count(), 0u);
    // Taking the length opens for writing: a reader that does not share
    // writing blocks it, and it is retried.
    EXPECT_EQ(fileLength(file()), -1);
    EXPECT_EQ(waits.count(), kRetryAttempts - 1);
}

TEST_F(WinFileRetry, SucceedsWhenTheOtherHandleClosesMeanwhile)
{
    Holder other(file(), GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(other.held());
    g_releaseOnWait = other.release();
    Waits waits(&releaseOnFirstWait);
    Bytes out;
    EXPECT_TRUE(readWholeFile(file(), out));
    EXPECT_EQ(out, text("RIFF....WAVE"));
    EXPECT_EQ(waits.count(), 1u);
}

TEST_F(WinFileRetry, ExclusiveWritesAreNeverRetried)
{
    Holder other(file(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(other.held());
    Waits waits;
    EXPECT_FALSE(writeFileAt(file(), 0, "x", 1).ok);
    EXPECT_FALSE(writeFileAt(file(), kNewFile, "x", 1).ok);
    EXPECT_EQ(waits.count(), 0u);
    EXPECT_EQ(loadFile(file()), text("RIFF....WAVE"));
}

TEST_F(WinFileRetry, MissingFileOrFolderFailsAtOnce)
{
    Waits waits;
    char buffer[4];
    EXPECT_FALSE(readFileAt(dir_ / "none.wav", 0, 4, buffer).ok);
    EXPECT_FALSE(readFileAt(dir_ / "none" / "x.wav", 0, 4, buffer).ok);
    EXPECT_EQ(fileLength(dir_ / "none.wav"), -1);
    EXPECT_EQ(waits.count(), 0u);
}

TEST_F(WinFileRetry, RetryWithAnotherCountAndWait)
{
    Holder other(file(), GENERIC_READ, 0);
    ASSERT_TRUE(other.held());
    const RetrySleep previous = setRetrySleep(&countWait);
    g_waits = 0;
    // countWait checks the wait; pass the usual one, with 3 attempts.
    const FileHandle h = openWithRetry(file(), kFileRead, kShareRead, FileCreation::OpenExisting,
                                       kRetryWaitMs, 3);
    EXPECT_FALSE(h.isOpen());
    EXPECT_EQ(g_waits, 2u);
    // Exclusive: one attempt whatever the count.
    g_waits = 0;
    const FileHandle x = openWithRetry(file(), kFileRead, kShareExclusive,
                                       FileCreation::OpenExisting, kRetryWaitMs, 5);
    EXPECT_FALSE(x.isOpen());
    EXPECT_EQ(g_waits, 0u);
    setRetrySleep(previous);
}

}  // namespace
