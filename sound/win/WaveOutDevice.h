// The waveform output calls of the sound player behind one interface, so
// that tests can stand in for the device. The completion event and the
// memory of the samples come through it too: both are resources a playback
// can be refused, and tests refuse them here.
#pragma once

#include <windows.h>
// after windows.h, whose types it uses
#include <mmsystem.h>

#include <cstddef>

class WaveOutDevice {
public:
    virtual ~WaveOutDevice() = default;

    // An unnamed auto-reset event, not signalled; nullptr when none can be had.
    virtual HANDLE createEvent() = 0;
    // Whether the default device (the wave mapper) takes the format; opens nothing.
    virtual MMRESULT query(const WAVEFORMATEX& format) = 0;
    // Opens the default device; `event` is signalled on each of its events
    // (open, buffer done, close).
    virtual MMRESULT open(HWAVEOUT& output, const WAVEFORMATEX& format, HANDLE event) = 0;
    virtual MMRESULT prepare(HWAVEOUT output, WAVEHDR& header) = 0;
    virtual MMRESULT write(HWAVEOUT output, WAVEHDR& header) = 0;
    // Ends playing at once; a written buffer is marked done.
    virtual MMRESULT reset(HWAVEOUT output) = 0;
    virtual MMRESULT unprepare(HWAVEOUT output, WAVEHDR& header) = 0;
    virtual MMRESULT close(HWAVEOUT output) = 0;
    // Memory for the samples; nullptr when there is not enough.
    virtual void* allocate(size_t bytes) = 0;
    virtual void release(void* samples) = 0;
};

// The system's wave mapper, events and heap.
WaveOutDevice& systemWaveOut();
