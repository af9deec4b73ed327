#include "sound/win/WaveOutDevice.h"

#include <cstdlib>

namespace {

class SystemWaveOut final : public WaveOutDevice {
public:
    HANDLE createEvent() override { return ::CreateEventW(nullptr, FALSE, FALSE, nullptr); }
    MMRESULT query(const WAVEFORMATEX& format) override
    {
        return ::waveOutOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY);
    }
    MMRESULT open(HWAVEOUT& output, const WAVEFORMATEX& format, HANDLE event) override
    {
        return ::waveOutOpen(&output, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(event), 0,
                             CALLBACK_EVENT);
    }
    MMRESULT prepare(HWAVEOUT output, WAVEHDR& header) override
    {
        return ::waveOutPrepareHeader(output, &header, sizeof header);
    }
    MMRESULT write(HWAVEOUT output, WAVEHDR& header) override
    {
        return ::waveOutWrite(output, &header, sizeof header);
    }
    MMRESULT reset(HWAVEOUT output) override { return ::waveOutReset(output); }
    MMRESULT unprepare(HWAVEOUT output, WAVEHDR& header) override
    {
        return ::waveOutUnprepareHeader(output, &header, sizeof header);
    }
    MMRESULT close(HWAVEOUT output) override { return ::waveOutClose(output); }
    void* allocate(size_t bytes) override { return std::malloc(bytes); }
    void release(void* samples) override { std::free(samples); }
};

}  // namespace

WaveOutDevice& systemWaveOut()
{
    static SystemWaveOut device;
    return device;
}
