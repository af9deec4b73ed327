#include "sound/win/SoundPlayer.h"
#include "sound/win/tests/TestWaves.h"

#include "WinTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace testwaves;

namespace {

constexpr UINT kNotice = WM_APP + 1;

// Stands in for the waveform device: records what the player asks of it and
// marks the buffer done when told to (the end of a sound) or on a reset.
class FakeWaveOut : public WaveOutDevice {
public:
    bool noEvent = false, refuseFormat = false, refuseOpen = false, refusePrepare = false,
         refuseWrite = false, noMemory = false;
    // Makes the worker's clean-up slow, so that a release that does not
    // wait for it shows.
    DWORD closeDelayMs = 0;
    std::atomic<int> opened{0}, closed{0};
    WAVEFORMATEX openedFormat = {};
    std::string written;

    HANDLE createEvent() override { return noEvent ? nullptr : ::CreateEventW(nullptr, FALSE, FALSE, nullptr); }
    MMRESULT query(const WAVEFORMATEX&) override { return refuseFormat ? WAVERR_BADFORMAT : MMSYSERR_NOERROR; }
    MMRESULT open(HWAVEOUT& output, const WAVEFORMATEX& format, HANDLE event) override
    {
        if (refuseOpen)
            return MMSYSERR_NODRIVER;
        openedFormat = format;
        event_ = event;
        output = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0x5150));
        ++opened;
        ::SetEvent(event_);  // a real device signals its opening too
        return MMSYSERR_NOERROR;
    }
    MMRESULT prepare(HWAVEOUT, WAVEHDR& header) override
    {
        if (refusePrepare)
            return MMSYSERR_NOMEM;
        header.dwFlags |= WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }
    MMRESULT write(HWAVEOUT, WAVEHDR& header) override
    {
        if (refuseWrite)
            return MMSYSERR_ERROR;
        written.assign(header.lpData, header.dwBufferLength);
        header_ = &header;
        return MMSYSERR_NOERROR;
    }
    MMRESULT reset(HWAVEOUT) override
    {
        finish();
        return MMSYSERR_NOERROR;
    }
    MMRESULT unprepare(HWAVEOUT, WAVEHDR& header) override
    {
        header.dwFlags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }
    MMRESULT close(HWAVEOUT) override
    {
        ::Sleep(closeDelayMs);
        ++closed;
        return MMSYSERR_NOERROR;
    }
    void* allocate(size_t bytes) override { return noMemory ? nullptr : std::malloc(bytes); }
    void release(void* samples) override { std::free(samples); }

    // The device has played the buffer to its end.
    void finish()
    {
        WAVEHDR* header = header_.exchange(nullptr);
        if (!header)
            return;
        header->dwFlags |= WHDR_DONE;
        ::SetEvent(event_);
    }

private:
    HANDLE event_ = nullptr;
    std::atomic<WAVEHDR*> header_{nullptr};
};

// A window of the test thread that receives the notices.
class NoticeWindow {
public:
    NoticeWindow()
        : window_(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
    }
    ~NoticeWindow() { ::DestroyWindow(window_); }
    HWND handle() const { return window_; }

    // The notices waiting now, in order, taken from the queue.
    std::vector<UINT> take()
    {
        std::vector<UINT> messages;
        MSG msg;
        while (::PeekMessageW(&msg, window_, WM_APP, WM_APP + 100, PM_REMOVE))
            messages.push_back(msg.message);
        return messages;
    }
    // Waits for the next notice; 0 when none comes in time.
    UINT wait(DWORD milliseconds)
    {
        const DWORD start = ::GetTickCount();
        for (;;) {
            MSG msg;
            if (::PeekMessageW(&msg, window_, WM_APP, WM_APP + 100, PM_REMOVE))
                return msg.message;
            const DWORD waited = ::GetTickCount() - start;
            if (waited >= milliseconds)
                return 0;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - waited, QS_POSTMESSAGE);
        }
    }

private:
    HWND window_;
};

class SoundPlayerTest : public ::testing::Test {
protected:
    std::wstring file(const std::string& bytes, const wchar_t* name = L"sound.wav")
    {
        const std::wstring path = folder_.sub(name);
        EXPECT_TRUE(testfiles::writeFile(path, bytes));
        return path;
    }

    testfiles::TempFolder folder_{L"vxf-player"};
    FakeWaveOut device_;
    NoticeWindow window_;
};

struct Refusal {
    const char* what;
    std::string bytes;
    int expected;
    void (*setUp)(FakeWaveOut&) = nullptr;
};

TEST_F(SoundPlayerTest, RefusesEachCauseWithItsCodeOpeningNothingAndPostingNothing)
{
    const std::string pcm = chunk("fmt ", formatRecord(1, 8000, 8));
    const std::string samples = chunk("data", std::string(100, '\x80'));
    const std::string good = riff("WAVE", pcm + samples);
    const std::vector<Refusal> cases = {
        {"data chunk longer than the file", riff("WAVE", pcm + chunk("data", std::string(100, 'x'), 1000)), 1},
        {"RIFF form other than WAVE", riff("AVI ", pcm + samples), 2},
        {"no fmt chunk", riff("WAVE", samples), 2},
        {"no data chunk", riff("WAVE", pcm + chunk("LIST", "INFO")), 2},
        {"empty data chunk", riff("WAVE", pcm + chunk("data", "")), 2},
        {"fmt body of 14 bytes", riff("WAVE", chunk("fmt ", formatRecord(1, 8000, 8).substr(0, 14)) + samples), 2},
        {"format tag 2", riff("WAVE", chunk("fmt ", formatRecord(1, 8000, 4, 2)) + samples), 3},
        {"no device takes the format", good, 4, [](FakeWaveOut& d) { d.refuseFormat = true; }},
        {"device cannot be opened", good, 4, [](FakeWaveOut& d) { d.refuseOpen = true; }},
        {"buffer cannot be prepared", good, 4, [](FakeWaveOut& d) { d.refusePrepare = true; }},
        {"buffer cannot be written", good, 4, [](FakeWaveOut& d) { d.refuseWrite = true; }},
        {"no memory for the samples", good, 5, [](FakeWaveOut& d) { d.noMemory = true; }},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWaveOut device;
        if (c.setUp)
            c.setUp(device);
        {
            SoundPlayer player(device);
            EXPECT_EQ(player.playSound(file(c.bytes), window_.handle(), kNotice), c.expected);
        }
        EXPECT_EQ(device.opened, device.closed) << "a device was left open";
        EXPECT_TRUE(window_.take().empty()) << "a failed start posted a notice";
    }

    SoundPlayer player(device_);
    EXPECT_EQ(player.playSound(folder_.sub(L"missing.wav"), window_.handle(), kNotice), 1);
}

TEST_F(SoundPlayerTest, WithoutItsEventAPlayerFailsWith4AndTouchesNoDevice)
{
    device_.noEvent = true;
    SoundPlayer player(device_);
    EXPECT_EQ(player.playSound(file(silence8k(10)), window_.handle(), kNotice), 4);
    EXPECT_EQ(device_.opened, 0);
}

TEST_F(SoundPlayerTest, PlaysTheFileAsItIsAndPostsOneNoticeAtItsEnd)
{
    // A 16-byte format record (shorter than the system's format structure)
    // before an odd number of samples, a chunk of another kind between.
    const std::string samples = "\x01\x02\x03\x04\x05\x06\x07\x08\x09";
    const std::wstring path = file(riff("WAVE", chunk("fmt ", formatRecord(2, 44100, 16)) +
                                                    chunk("LIST", "INFOxxxx") + chunk("data", samples)),
                                   L"\u30C6\u30B9\u30C8\u00E9.wav");
    SoundPlayer player(device_);
    ASSERT_EQ(player.playSound(path, window_.handle(), kNotice), 0);
    EXPECT_EQ(device_.openedFormat.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(device_.openedFormat.nChannels, 2);
    EXPECT_EQ(device_.openedFormat.nSamplesPerSec, 44100u);
    EXPECT_EQ(device_.openedFormat.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(device_.openedFormat.nBlockAlign, 4);
    EXPECT_EQ(device_.openedFormat.wBitsPerSample, 16);
    EXPECT_EQ(device_.openedFormat.cbSize, 0);
    EXPECT_EQ(device_.written, samples);

    EXPECT_TRUE(window_.take().empty()) << "notice before the end";
    device_.finish();
    EXPECT_EQ(window_.wait(5000), kNotice);
    EXPECT_EQ(device_.closed, 1);
}

TEST_F(SoundPlayerTest, StoppedAtOnceOrReplacedEachPlaybackPostsExactlyOneNoticeBeforeRelease)
{
    const std::wstring path = file(silence8k(100));
    device_.closeDelayMs = 200;
    {
        SoundPlayer player(device_);
        ASSERT_EQ(player.playSound(path, window_.handle(), WM_APP + 1), 0);
        player.stopSound();
        player.stopSound();
        // A second start stops nothing more but must wait for the first worker.
        ASSERT_EQ(player.playSound(path, window_.handle(), WM_APP + 2), 0);
        ASSERT_EQ(player.playSound(path, window_.handle(), WM_APP + 3), 0);
    }
    // The release waited for the last worker: all notices are in the queue.
    EXPECT_EQ(window_.take(), (std::vector<UINT>{WM_APP + 1, WM_APP + 2, WM_APP + 3}));
    EXPECT_EQ(device_.opened, 3);
    EXPECT_EQ(device_.closed, 3);
    EXPECT_EQ(window_.wait(500), 0u) << "a notice arrived after the release";
}

// The system's device, under Wine the tests' null ALSA device.
TEST_F(SoundPlayerTest, SystemDevicePlaysToTheEndAndStops)
{
    ASSERT_GT(::waveOutGetNumDevs(), 0u)
        << "no waveform output device: these tests need one (under Wine: HOME with an .asoundrc "
           "that routes ALSA's default device to a null device)";
    SoundPlayer player;
    ASSERT_EQ(player.playSound(file(silence8k(200)), window_.handle(), kNotice), 0);
    EXPECT_EQ(window_.wait(10000), kNotice) << "no notice at the end of the sound";

    ASSERT_EQ(player.playSound(file(silence8k(5000), L"long.wav"), window_.handle(), kNotice), 0);
    player.stopSound();
    EXPECT_EQ(window_.wait(10000), kNotice) << "no notice after stopping";
    EXPECT_EQ(window_.wait(300), 0u) << "a second notice for one playback";
}

}  // namespace
