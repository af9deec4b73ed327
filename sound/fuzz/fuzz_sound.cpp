// libFuzzer: arbitrary bytes as a loaded sound file (chunk walk, INFO
// search, conversion of whatever format it declares), as a format record
// followed by sample data, and as 16-bit samples for the fixed filter,
// whose fast path must equal the literal float-by-float sum.
#include "sound/RiffReader.h"
#include "sound/SoundConvert.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void convertChecked(const WaveFormat& format, const uint8_t* data, size_t length, unsigned limit)
{
    std::vector<uint8_t> out;
    const bool ok = convertSamples(format, data, length, limit, out);
    check(ok || out.empty());
    check(!ok || canConvertSource(format));
    check(out.size() % 2 == 0);
    if (ok) {
        const uint64_t frames = length / (format.channels * (format.bitsPerSample / 8u));
        const uint64_t bound = frames * 8000 / format.samplesPerSecond + 1;
        check(out.size() <= bound);
    }
}

// The reference needs no coverage of its own; uninstrumented it is fast.
#if defined(__clang__)
__attribute__((no_sanitize("coverage")))
#endif
void filterMatchesLiteral(const uint8_t* data, size_t size)
{
    // The literal sum is slow under coverage: a few hundred outputs do.
    std::vector<int16_t> y(std::min<size_t>(size / 2, 101 + 200));
    for (size_t i = 0; i < y.size(); ++i)
        y[i] = static_cast<int16_t>(static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8)));
    std::vector<int16_t> z(y.size());
    fixedFilter(y.data(), z.data(), y.size());
    // Raw pointers: checked operator[] would be instrumented after all.
    const float* taps = fixedFilterTaps().data();
    const int16_t* in = y.data();
    for (size_t k = 0; k < y.size(); ++k) {
        int acc = 0;
        if (k >= 101) {
            for (size_t j = 0; j <= 100; ++j) {
                const float sum = static_cast<float>(acc) + static_cast<float>(in[k - j]) * taps[j];
                acc = static_cast<int>(sum);
            }
        }
        check(z[k] == acc);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // libFuzzer's buffer is exactly `size` long: ASan reports any overread.
    WaveData wave;
    WaveFormat format;
    if (findWaveData(data, size, wave, format)) {
        check(wave.bytes >= data + 12);
        check(wave.bytes + wave.length <= data + size);
        convertChecked(format, wave.bytes, wave.length, 1);
    }
    hasInfoEntry(data, size, "ICOP");
    hasInfoEntry(data, size, "INAM");

    if (size >= kWaveFormatSize + 1) {
        const WaveFormat declared = readWaveFormat(data);
        convertChecked(declared, data + kWaveFormatSize + 1, size - kWaveFormatSize - 1,
                       data[kWaveFormatSize] % 11);
    }
    filterMatchesLiteral(data, size);
    return 0;
}
