#include "sound/win/SoundPlayer.h"

#include <algorithm>
#include <cstdint>

namespace {

// A multimedia file open for reading. mmio's own open goes through OpenFile,
// which takes narrow names only (and short ones on Windows); the file is
// opened here by its wide name and mmio reads through the handle, which
// mmioClose closes.
class MmioReader {
public:
    explicit MmioReader(const std::wstring& path)
    {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        LARGE_INTEGER length = {};
        ::GetFileSizeEx(file, &length);
        length_ = length.QuadPart;
        MMIOINFO info = {};
        info.adwInfo[0] = static_cast<DWORD>(HandleToLong(file));
        mmio_ = ::mmioOpenW(nullptr, &info, MMIO_READ | MMIO_ALLOCBUF);
        if (!mmio_)
            ::CloseHandle(file);
    }
    ~MmioReader() { close(); }
    MmioReader(const MmioReader&) = delete;
    MmioReader& operator=(const MmioReader&) = delete;

    bool isOpen() const { return mmio_ != nullptr; }
    void close()
    {
        if (mmio_)
            ::mmioClose(mmio_, 0);
        mmio_ = nullptr;
    }
    bool descendRiff(MMCKINFO& riff, FOURCC form)
    {
        riff = {};
        riff.fccType = form;
        return ::mmioDescend(mmio_, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR;
    }
    bool descendChunk(MMCKINFO& chunk, const MMCKINFO& parent, FOURCC id)
    {
        chunk = {};
        chunk.ckid = id;
        return ::mmioDescend(mmio_, &chunk, &parent, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
    }
    void ascend(MMCKINFO& chunk) { ::mmioAscend(mmio_, &chunk, 0); }
    // Bytes from the read position to the end of the file.
    int64_t remaining() const { return length_ - ::mmioSeek(mmio_, 0, SEEK_CUR); }
    // True when exactly `count` bytes were read.
    bool read(void* buffer, DWORD count)
    {
        if (count > static_cast<DWORD>(LONG_MAX))
            return false;
        const LONG wanted = static_cast<LONG>(count);
        return ::mmioRead(mmio_, static_cast<HPSTR>(buffer), wanted) == wanted;
    }

private:
    HMMIO mmio_ = nullptr;
    int64_t length_ = 0;
};

constexpr DWORD kPcmFormatBytes = 16;

// The "fmt " body into a zeroed full-size structure: a 16-byte body (the
// plain PCM record) is as good as a longer one, a shorter one is no format,
// and nothing is read past the body's end.
int readFormat(MmioReader& file, DWORD bodySize, WAVEFORMATEX& format)
{
    format = {};
    if (bodySize < kPcmFormatBytes)
        return kPlayNotWave;
    if (!file.read(&format, std::min<DWORD>(bodySize, sizeof format)))
        return kPlayNotWave;
    if (format.wFormatTag != WAVE_FORMAT_PCM)
        return kPlayNotPcm;
    format.cbSize = 0;  // PCM has no extra format bytes
    return kPlayStarted;
}

}  // namespace

SoundPlayer::SoundPlayer(WaveOutDevice& device) : device_(device), doneEvent_(device.createEvent())
{}

SoundPlayer::~SoundPlayer()
{
    stopSound();
    waitForWorker();
    if (doneEvent_)
        ::CloseHandle(doneEvent_);
}

int SoundPlayer::playSound(const std::wstring& path, HWND window, UINT message)
{
    // One playback at a time: the earlier one ends, and its worker has
    // posted its notice, before anything of the new one is touched.
    stopSound();
    waitForWorker();
    // Without the event the worker could only spin on the done flag.
    if (!doneEvent_)
        return kPlayNoDevice;

    MmioReader file(path);
    if (!file.isOpen())
        return kPlayUnreadable;
    MMCKINFO riff, chunk;
    if (!file.descendRiff(riff, mmioFOURCC('W', 'A', 'V', 'E')) ||
        !file.descendChunk(chunk, riff, mmioFOURCC('f', 'm', 't', ' ')))
        return kPlayNotWave;
    WAVEFORMATEX format;
    if (const int result = readFormat(file, chunk.cksize, format))
        return result;
    if (device_.query(format) != MMSYSERR_NOERROR)
        return kPlayNoDevice;
    file.ascend(chunk);
    if (!file.descendChunk(chunk, riff, mmioFOURCC('d', 'a', 't', 'a')) || chunk.cksize == 0)
        return kPlayNotWave;
    // A cut-off file: no buffer of the declared size for bytes that are not there.
    if (chunk.cksize > file.remaining())
        return kPlayUnreadable;

    HWAVEOUT output = nullptr;
    if (device_.open(output, format, doneEvent_) != MMSYSERR_NOERROR)
        return kPlayNoDevice;
    header_ = {};
    bool prepared = false;
    // Every later failure gives back what was taken, device last.
    auto abandon = [&](int result) {
        if (prepared)
            device_.unprepare(output, header_);
        device_.release(header_.lpData);
        header_ = {};
        device_.close(output);
        return result;
    };
    header_.lpData = static_cast<LPSTR>(device_.allocate(chunk.cksize));
    if (!header_.lpData)
        return abandon(kPlayNoMemory);
    if (!file.read(header_.lpData, chunk.cksize))
        return abandon(kPlayUnreadable);
    file.close();
    header_.dwBufferLength = chunk.cksize;
    if (device_.prepare(output, header_) != MMSYSERR_NOERROR)
        return abandon(kPlayNoDevice);
    prepared = true;
    if (device_.write(output, header_) != MMSYSERR_NOERROR)
        return abandon(kPlayNoDevice);

    noticeWindow_ = window;
    noticeMessage_ = message;
    output_ = output;
    worker_ = ::CreateThread(nullptr, 0, workerMain, this, 0, nullptr);
    if (!worker_) {
        output_ = nullptr;
        device_.reset(output);
        return abandon(kPlayNoMemory);
    }
    return kPlayStarted;
}

void SoundPlayer::stopSound()
{
    // The worker may close the device meanwhile; a reset of a closed
    // device does nothing.
    if (HWAVEOUT output = output_.load())
        device_.reset(output);
}

DWORD WINAPI SoundPlayer::workerMain(void* param)
{
    auto* self = static_cast<SoundPlayer*>(param);
    // The device sets the done flag from its own thread. The event is also
    // signalled when the device opens, so the flag is looked at after every
    // wake-up.
    const volatile DWORD& flags = self->header_.dwFlags;
    while (!(flags & WHDR_DONE))
        ::WaitForSingleObject(self->doneEvent_, INFINITE);
    self->closeOutput();
    ::PostMessageW(self->noticeWindow_, self->noticeMessage_, 0, 0);
    return 0;
}

void SoundPlayer::closeOutput()
{
    HWAVEOUT output = output_.exchange(nullptr);
    if (!output)
        return;
    device_.unprepare(output, header_);
    device_.release(header_.lpData);
    header_.lpData = nullptr;
    device_.close(output);
}

void SoundPlayer::waitForWorker()
{
    if (!worker_)
        return;
    ::WaitForSingleObject(worker_, INFINITE);
    ::CloseHandle(worker_);
    worker_ = nullptr;
}
