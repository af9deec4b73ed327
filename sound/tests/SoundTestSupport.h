// Helpers of the sound tests: counted retry waits, WAV files built chunk by
// chunk, and the test sources shared with sound_model.py. Files and folders
// come from testsupport/TestFiles.h.
#pragma once

#include "sound/FileIo.h"
#include "sound/RiffReader.h"
#include "testsupport/TestFiles.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Counts the retry waits instead of sleeping, for its lifetime; each wait
// must be the usual one, and `onWait` (if any) runs at every wait.
class CountedWaits {
public:
    explicit CountedWaits(void (*onWait)(unsigned count) = nullptr);
    ~CountedWaits();
    unsigned count() const;

private:
    RetrySleep previous_;
};

Bytes text(const std::string& s);
Bytes le16(uint16_t v);
Bytes le32(uint32_t v);
Bytes operator+(Bytes a, const Bytes& b);

// id, size, body and the pad byte of an odd body.
Bytes chunk(const std::string& id, const Bytes& body);
// A chunk with a size field of our choosing and no pad byte.
Bytes rawChunk(const std::string& id, uint32_t size, const Bytes& body);
// "RIFF", 4 + the parts' length, the form type, the parts.
Bytes riff(const std::string& form, const Bytes& parts);
Bytes fmtBody(const WaveFormat& format);
WaveFormat pcmFormat(uint32_t rate, uint16_t channels, uint16_t bits);
// A whole PCM file: "fmt " then "data".
Bytes pcmWave(const WaveFormat& format, const Bytes& data);

// Interleaved 16-bit little-endian data of `channels` channels, the first
// channel carrying `first` and the others its negation.
Bytes pcm16(const std::vector<int16_t>& first, int channels = 1);

// The sources of sound_model.py.
std::vector<int16_t> lcgNoise(size_t count, uint32_t seed, int shift);
std::vector<int16_t> square(size_t count, size_t period, int16_t low, int16_t high);
uint32_t fnv1a(const Bytes& bytes);
