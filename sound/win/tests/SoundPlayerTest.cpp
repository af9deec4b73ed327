#include "sound/win/SoundPlayer.h"
#include "sound/win/tests/TestWaves.h"

#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace testwaves;

namespace {

constexpr UINT kNotice = WM_APP + 1;

// Stands in for the waveform device: refuses what it is told to, records
// what it gets, and marks the buffer done on a reset or when told the sound
// has ended.
class FakeWaveOut : public WaveOutDevice {
public:
    bool noEvent = false, refuseFormat = false, refuseOpen = false, refusePrepare = false, refuseWrite = false,
         noMemory = false;
    DWORD closeDelayMs = 0;  // a slow clean-up, so that a release that does not wait for it shows
    std::atomic<int> opened{0}, closed{0};
    WAVEFORMATEX format = {};
    std::string written;

    HANDLE createEvent() override { return noEvent ? nullptr : ::CreateEventW(nullptr, FALSE, FALSE, nullptr); }
    MMRESULT query(const WAVEFORMATEX&) override { return refuseFormat ? WAVERR_BADFORMAT : 0; }
    MMRESULT open(HWAVEOUT& output, const WAVEFORMATEX& f, HANDLE event) override
    {
        if (refuseOpen)
            return MMSYSERR_NODRIVER;
        format = f;
        event_ = event;
        output = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(++opened));
        ::SetEvent(event_);  // as a real device signals its opening
        return 0;
    }
    MMRESULT prepare(HWAVEOUT, WAVEHDR&) override { return refusePrepare ? MMSYSERR_NOMEM : 0; }
    MMRESULT write(HWAVEOUT, WAVEHDR& header) override
    {
        if (refuseWrite)
            return MMSYSERR_ERROR;
        written.assign(header.lpData, header.dwBufferLength);
        header_ = &header;
        return 0;
    }
    MMRESULT reset(HWAVEOUT) override { return finish(), 0; }
    MMRESULT unprepare(HWAVEOUT, WAVEHDR&) override { return 0; }
    MMRESULT close(HWAVEOUT) override { return ::Sleep(closeDelayMs), ++closed, 0; }
    void* allocate(size_t bytes) override { return noMemory ? nullptr : std::malloc(bytes); }
    void release(void* samples) override { std::free(samples); }

    // The device is done with the buffer.
    void finish()
    {
        if (WAVEHDR* header = header_.exchange(nullptr)) {
            header->dwFlags |= WHDR_DONE;
            ::SetEvent(event_);
        }
    }

private:
    HANDLE event_ = nullptr;
    std::atomic<WAVEHDR*> header_{nullptr};
};

class SoundPlayerTest : public ::testing::Test {
protected:
    ~SoundPlayerTest() override { ::DestroyWindow(window_); }

    std::wstring file(const std::string& bytes, const wchar_t* name = L"sound.wav")
    {
        const std::wstring path = (folder_ / name).wstring();
        EXPECT_NO_THROW(writeFileText(path, bytes));
        return path;
    }
    // The notices in the queue now, in order.
    std::vector<UINT> notices()
    {
        std::vector<UINT> found;
        for (MSG msg; ::PeekMessageW(&msg, window_, WM_APP, WM_APP + 9, PM_REMOVE);)
            found.push_back(msg.message);
        return found;
    }
    // The next notice; 0 when none comes in time.
    UINT nextNotice(DWORD milliseconds)
    {
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < milliseconds;) {
            MSG msg;
            if (::PeekMessageW(&msg, window_, WM_APP, WM_APP + 9, PM_REMOVE))
                return msg.message;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
        }
        return 0;
    }

    TempFolder folder_;
    FakeWaveOut device_;
    HWND window_ = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
};

TEST_F(SoundPlayerTest, RefusesEachCauseWithItsCodeLeavingNoDeviceOpenAndPostingNothing)
{
    const std::string pcm = chunk("fmt ", formatRecord(1, 8000, 8));
    const std::string samples = chunk("data", std::string(100, '\x80'));
    const std::string good = riff("WAVE", pcm + samples);
    const struct {
        const char* what;
        std::string bytes;  // empty: no file at all
        int expected;
        bool FakeWaveOut::*refusal;
    } cases[] = {
        {"missing file", "", 1, nullptr},
        {"data chunk longer than the file", riff("WAVE", pcm + chunk("data", std::string(100, 'x'), 1000)), 1, nullptr},
        {"RIFF form other than WAVE", riff("AVI ", pcm + samples), 2, nullptr},
        {"no fmt chunk", riff("WAVE", samples), 2, nullptr},
        {"no data chunk", riff("WAVE", pcm + chunk("LIST", "INFO")), 2, nullptr},
        {"empty data chunk", riff("WAVE", pcm + chunk("data", "")), 2, nullptr},
        {"fmt body of 14 bytes", riff("WAVE", chunk("fmt ", formatRecord(1, 8000, 8).substr(0, 14)) + samples), 2, nullptr},
        {"format tag 2", riff("WAVE", chunk("fmt ", formatRecord(1, 8000, 4, 2)) + samples), 3, nullptr},
        {"no completion event", good, 4, &FakeWaveOut::noEvent},
        {"no device takes the format", good, 4, &FakeWaveOut::refuseFormat},
        {"device cannot be opened", good, 4, &FakeWaveOut::refuseOpen},
        {"buffer cannot be prepared", good, 4, &FakeWaveOut::refusePrepare},
        {"buffer cannot be written", good, 4, &FakeWaveOut::refuseWrite},
        {"no memory for the samples", good, 5, &FakeWaveOut::noMemory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWaveOut device;
        if (c.refusal)
            device.*c.refusal = true;
        const std::wstring path = c.bytes.empty() ? (folder_ / L"missing.wav").wstring() : file(c.bytes);
        {
            SoundPlayer player(device);
            EXPECT_EQ(player.playSound(path, window_, kNotice), c.expected);
        }
        EXPECT_EQ(device.opened, device.closed) << "a device was left open";
        EXPECT_TRUE(notices().empty()) << "a failed start posted a notice";
    }
}

TEST_F(SoundPlayerTest, PlaysTheFileAsItIsAndPostsOneNoticeAtItsEnd)
{
    // A 16-byte format record (shorter than the system's structure), another
    // chunk, an odd number of samples; a name outside the code page.
    const std::string samples = "\x01\x02\x03\x04\x05\x06\x07\x08\x09";
    const std::wstring path = file(riff("WAVE", chunk("fmt ", formatRecord(2, 44100, 16)) + chunk("LIST", "INFOxxxx") +
                                                    chunk("data", samples)),
                                   L"\u30C6\u30B9\u30C8\u00E9.wav");
    SoundPlayer player(device_);
    ASSERT_EQ(player.playSound(path, window_, kNotice), 0);
    const WAVEFORMATEX expected = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(std::memcmp(&device_.format, &expected, sizeof expected), 0) << "the format was changed";
    EXPECT_EQ(device_.written, samples);

    EXPECT_TRUE(notices().empty()) << "a notice before the end";
    device_.finish();
    EXPECT_EQ(nextNotice(5000), kNotice);
    EXPECT_EQ(device_.closed, 1);
}

TEST_F(SoundPlayerTest, StoppedAtOnceOrReplacedEachPlaybackPostsExactlyOneNoticeBeforeTheRelease)
{
    const std::wstring path = file(silence8k(100));
    device_.closeDelayMs = 200;
    {
        SoundPlayer player(device_);
        ASSERT_EQ(player.playSound(path, window_, WM_APP + 1), 0);
        player.stopSound();
        player.stopSound();
        ASSERT_EQ(player.playSound(path, window_, WM_APP + 2), 0);
        ASSERT_EQ(player.playSound(path, window_, WM_APP + 3), 0);  // stops the second
    }
    EXPECT_EQ(notices(), (std::vector<UINT>{WM_APP + 1, WM_APP + 2, WM_APP + 3}));
    EXPECT_EQ(device_.closed, 3);
    EXPECT_EQ(nextNotice(500), 0u) << "a notice arrived after the release";
}

// The system's device: under Wine the tests' null ALSA device.
TEST_F(SoundPlayerTest, TheSystemDevicePlaysToTheEndAndStops)
{
    ASSERT_GT(::waveOutGetNumDevs(), 0u)
        << "no waveform output device: these tests need one (under Wine: HOME with an .asoundrc "
           "that routes ALSA's default device to a null device)";
    SoundPlayer player;
    ASSERT_EQ(player.playSound(file(silence8k(200)), window_, kNotice), 0);
    EXPECT_EQ(nextNotice(10000), kNotice) << "no notice at the end of the sound";

    ASSERT_EQ(player.playSound(file(silence8k(5000), L"long.wav"), window_, kNotice), 0);
    player.stopSound();
    EXPECT_EQ(nextNotice(10000), kNotice) << "no notice after stopping";
    EXPECT_EQ(nextNotice(300), 0u) << "a second notice for one playback";
}

}  // namespace
