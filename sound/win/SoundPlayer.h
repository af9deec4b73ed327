// Plays one WAV file at a time through the waveform output and tells a
// window when the playback is over, whether it ran to its end or was
// stopped. The file's data chunk goes to the device whole, as one buffer,
// in the file's own PCM format (no conversion); a worker thread waits until
// the device is done with it, closes the device and posts the notice.
//
// Used on one thread: playSound, stopSound and the destructor are called by
// the thread that owns the notified window. Both programs keep one player.
#pragma once

#include "sound/win/WaveOutDevice.h"

#include <atomic>
#include <string>

// Results of playSound.
enum PlayResult : int {
    kPlayStarted = 0,
    kPlayUnreadable =
        1,  // cannot be opened, or holds fewer data bytes than its data chunk declares
    kPlayNotWave =
        2,  // no RIFF form "WAVE"; no "fmt " or one shorter than 16 bytes; no or an empty "data"
    kPlayNotPcm = 3,    // format tag other than 1
    kPlayNoDevice = 4,  // no device takes the format, or it cannot be opened, prepared or written;
                        // also a player whose completion event could not be created
    kPlayNoMemory = 5,  // no memory for the samples or the worker thread
};

class SoundPlayer {
public:
    explicit SoundPlayer(WaveOutDevice& device = systemWaveOut());
    // Stops a running playback and waits for its worker: its notice is
    // posted before this returns, and nothing is posted afterwards.
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Starts playing the file. A playback still running is stopped first
    // and its notice posted before the new one starts. When the result is
    // kPlayStarted, `message` (both parameters 0) is posted to `window`
    // exactly once, at the end of this playback; otherwise nothing is posted
    // and no device stays open.
    int playSound(const std::wstring& path, HWND window, UINT message);
    // Ends the running playback now; its notice follows as after a natural end.
    void stopSound();

private:
    static DWORD WINAPI workerMain(void* player);
    // The worker's end of a playback: the device is closed and the samples freed.
    void closeOutput();
    void waitForWorker();

    WaveOutDevice& device_;
    const HANDLE doneEvent_;
    HANDLE worker_ = nullptr;
    // Read by stopSound while the worker may clear it.
    std::atomic<HWAVEOUT> output_{nullptr};
    WAVEHDR header_ = {};
    HWND noticeWindow_ = nullptr;
    UINT noticeMessage_ = 0;
};
