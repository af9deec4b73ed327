// Conversion of a PCM WAV file into the camera's sound: the first channel,
// at most `limit` seconds of the source, resampled to 8000 per second by a
// windowed-sinc polyphase interpolator in fixed point, passed through a
// fixed 101-tap filter, reduced to unsigned 8 bits, and faded out over the
// last 3000 samples when cut at 10 seconds.
//
// The arithmetic is reproduced to the bit: cameras play exactly what we
// give them, and sounds converted before must not change. Floating-point
// steps are single or double precision as noted at each; the build keeps
// every step rounded to its own precision (SSE math, no contraction).
//
// Sources taken: 1 or 2 channels; 8 or 16 bits; 24 or 32 bits for plain
// PCM (their top 16 bits are used); 518 to 2^29 samples per second.
// Anything else is refused (result 2).
#pragma once

#include "sound/RiffReader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

// Results of convertToCameraSound.
enum ConvertResult : int {
    kConvertOk = 0,
    kConvertNoSource = 1,  // cannot be loaded, or no "fmt " and "data" pair
    kConvertFailed = 2,    // source refused, memory exhausted, or the write failed
};

constexpr unsigned kCameraSoundLimitSeconds = 10;
constexpr uint32_t kCameraSoundRate = 8000;
constexpr uint32_t kMinSourceRate = 518;       // below, the sinc table outgrows 1020 entries
constexpr uint32_t kMaxSourceRate = 1u << 29;  // keeps the 64-bit phase products exact
constexpr int kSincTaps = 64;
constexpr size_t kFadeFrom = 80000;
constexpr size_t kFadeLength = 3000;
constexpr int kFixedFilterTaps = 102;  // of which the first 101 are applied
constexpr int kFixedFilterDelay = 50;

// Converts `source` into the plain camera-format WAV `destination`.
int convertToCameraSound(const std::filesystem::path& destination,
                         const std::filesystem::path& source, unsigned limitSeconds);

// Whether convertSamples takes a source of this format.
bool canConvertSource(const WaveFormat& format);

// The 8-bit camera samples (an even count) of `length` bytes of source
// data; false for a refused format or when memory cannot be had.
bool convertSamples(const WaveFormat& format, const uint8_t* data, size_t length,
                    unsigned limitSeconds, std::vector<uint8_t>& samples);

// The coefficient table of the resampler for one pair of rates.
struct SincTable {
    uint32_t upRate = 0;     // L: the smallest multiple of the target rate >= 4 x source rate
    uint32_t perSample = 0;  // M = L / source rate: table entries per input sample
    uint32_t length = 0;     // N: odd
    uint32_t centre = 0;     // (N - 1) / 2
    std::vector<int32_t> h;  // N entries, each twice a signed 16-bit value
};

bool makeSincTable(int taps, uint32_t sourceRate, uint32_t targetRate, SincTable& table);

// n x targetRate / sourceRate samples (integer quotient). False when the
// rates are out of range or memory cannot be had.
bool resampleSinc(int taps, uint32_t sourceRate, uint32_t targetRate, const int16_t* input,
                  size_t count, std::vector<int16_t>& output);

// The filter's taps after windowing and normalisation (single precision).
const std::array<float, kFixedFilterTaps>& fixedFilterTaps();

// output[0..100] are 0; from 101 on each output is the input 50 samples
// earlier, moved toward zero by the truncating accumulation.
void fixedFilter(const int16_t* input, int16_t* output, size_t count);
