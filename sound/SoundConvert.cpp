#include "SoundConvert.h"

#include "CameraSoundWriter.h"
#include "FileIo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VXF_SOUND_SSE2 1
#endif

namespace {

// Two's complement views without implementation-defined conversions.
int16_t toInt16(uint32_t low16)
{
    const int value = static_cast<int>(low16 & 0xFFFFu);
    return static_cast<int16_t>(value < 0x8000 ? value : value - 0x10000);
}

int16_t negate16(int16_t value)
{
    return value == std::numeric_limits<int16_t>::min() ? value : static_cast<int16_t>(-value);
}

// ---- resampler ------------------------------------------------------------

constexpr double kSincPi = 3.1415925;
constexpr double kSincTwoPi = 6.283185;
constexpr double kSincInvTwoPi = 0.15915495087284556;
constexpr double kCoefficientScale = 32767.0;
constexpr int kJumpLimit = 36864;  // 0x9000
constexpr uint64_t kMaxTableLength = 1u << 20;

// The table as 16-bit values laid out per phase: row J holds the entries
// J, J + M, J + 2M, ... that one output sample multiplies with its window
// of consecutive inputs. h = 2 x value, and doubling the wrapped 32-bit sum
// gives the same bits as summing the doubled products.
struct PhaseRows {
    int taps = 0;
    uint32_t rows = 0;
    std::vector<int16_t> values;  // rows x taps
    const int16_t* row(uint32_t j) const { return values.data() + size_t{j} * taps; }
};

uint32_t dotWrapped(const int16_t* x, const int16_t* h, int taps)
{
    int i = 0;
    uint32_t acc = 0;
#ifdef VXF_SOUND_SSE2
    // pmaddwd: each pair of products summed in 32 bits; its only overflow
    // (two products of -32768 x -32768) wraps exactly as the sum would.
    __m128i sum = _mm_setzero_si128();
    for (; i + 8 <= taps; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(a, b));
    }
    alignas(16) uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sum);
    acc = lanes[0] + lanes[1] + lanes[2] + lanes[3];
#endif
    for (; i < taps; ++i)
        acc += static_cast<uint32_t>(int32_t{x[i]} * int32_t{h[i]});
    return acc;
}

// ---- fixed filter ---------------------------------------------------------

constexpr uint32_t kFilterCentreBits = 0x40490FDC;  // 3.1415929794f
constexpr double kFilterSideFactor = 15.0;
constexpr double kFilterSinePi = 3.141593;
constexpr double kFilterWindowStep = 0.06220976237623762;
constexpr int kFilterApplied = 101;
constexpr int kTailTaps = kFilterApplied - kFixedFilterDelay - 1;  // taps 51..100
constexpr int kTailPadded = 52;                                     // whole vectors of 4

struct FilterTables {
    std::array<float, kFixedFilterTaps> taps{};
    // Taps 100 down to 51 (memory order of their inputs), two zeros behind,
    // and the same negated: for a negative accumulator.
    alignas(16) float tailUp[kTailPadded]{};
    alignas(16) float tailDown[kTailPadded]{};
    // The shortcut below holds for these taps (it does; checked, not assumed).
    bool shortcut = false;
};

FilterTables makeFilterTables()
{
    FilterTables t;
    float centre;
    std::memcpy(&centre, &kFilterCentreBits, sizeof centre);
    std::array<float, kFixedFilterTaps> raw{};
    for (int k = 0; k < kFixedFilterTaps; ++k) {
        float tap = centre;
        if (k != kFixedFilterDelay) {
            const double n = k - kFixedFilterDelay;
            tap = static_cast<float>(kFilterSideFactor * std::sin(kFilterSinePi * n) / n);
        }
        const double window = 0.54 - 0.46 * std::cos(kFilterWindowStep * k);
        raw[k] = static_cast<float>(tap * window);
    }
    double sum = 0;
    for (const float tap : raw)
        sum += tap;
    for (int k = 0; k < kFixedFilterTaps; ++k)
        t.taps[k] = static_cast<float>(raw[k] / sum);

    for (int i = 0; i < kTailTaps; ++i) {
        t.tailUp[i] = t.taps[kFilterApplied - 1 - i];
        t.tailDown[i] = -t.tailUp[i];
    }

    // With every other tap below 2^-16 no product of a 16-bit sample reaches
    // 1/2, so the truncating sum stays 0 until tap 50, which (just above 1)
    // then yields the sample itself; after that each step can only move the
    // accumulator by one unit toward zero.
    const float centreTap = t.taps[kFixedFilterDelay];
    bool small = true;
    for (int k = 0; k < kFilterApplied; ++k)
        if (k != kFixedFilterDelay && !(std::fabs(t.taps[k]) < 1.0f / 65536))
            small = false;
    t.shortcut = small && centreTap >= 1.0f && centreTap < 1.0f + 1.0f / 65536;
    return t;
}

const FilterTables& filterTables()
{
    static const FilterTables tables = makeFilterTables();
    return tables;
}

// The literal accumulation, for taps outside the shortcut's reach.
void fixedFilterLiteral(const float* taps, const int16_t* y, int16_t* z, size_t count)
{
    for (size_t k = kFilterApplied; k < count; ++k) {
        int acc = 0;
        for (int j = 0; j < kFilterApplied; ++j) {
            const float product = static_cast<float>(y[k - j]) * taps[j];
            const float sum = static_cast<float>(acc) + product;
            acc = toInt16(static_cast<uint32_t>(static_cast<int32_t>(sum)));
        }
        z[k] = static_cast<int16_t>(acc);
    }
}

// Half the spacing of floats just below A (A >= 1): A + d rounds below A
// exactly when d < -halfGap(A). For A in (2^(f-1), 2^f] that is 2^(f-25).
int ceilLog2(int a)
{
    int f = 0;
#if defined(__GNUC__)
    if (a > 1)
        f = 32 - __builtin_clz(static_cast<unsigned>(a - 1));
#else
    while ((1 << f) < a)
        ++f;
#endif
    return f;
}

// How many of the 50 tail products fall below `limit` (a negative float).
int countBelow(const float* y, const float* taps, float limit)
{
#ifdef VXF_SOUND_SSE2
    const __m128 bound = _mm_set1_ps(limit);
    __m128i count = _mm_setzero_si128();
    for (int i = 0; i < kTailPadded; i += 4) {
        const __m128 product = _mm_mul_ps(_mm_loadu_ps(y + i), _mm_load_ps(taps + i));
        count = _mm_sub_epi32(count, _mm_castps_si128(_mm_cmplt_ps(product, bound)));
    }
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), count);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
#else
    int count = 0;
    for (int i = 0; i < kTailPadded; ++i)
        count += (y[i] * taps[i] < limit) ? 1 : 0;
    return count;
#endif
}

void fixedFilterShortcut(const FilterTables& t, const int16_t* y, int16_t* z, size_t count)
{
    // The samples as floats (exact), so that the products are single
    // multiplications as in the literal sum.
    std::vector<float> yf(count);
    for (size_t k = 0; k < count; ++k)
        yf[k] = static_cast<float>(y[k]);

    for (size_t k = kFilterApplied; k < count; ++k) {
        const int a = y[k - kFixedFilterDelay];
        if (a == 0) {
            z[k] = 0;
            continue;
        }
        // Step j (51..100) adds y[k - j] x tap j: the accumulator A (its
        // magnitude) loses one unit when that product, seen from A's side,
        // falls below -halfGap(A).
        const float* window = yf.data() + (k - (kFilterApplied - 1));  // y[k - 100]
        const float* taps = a > 0 ? t.tailUp : t.tailDown;
        int magnitude = a > 0 ? a : -a;
        int f = ceilLog2(magnitude);
        int below = (1 << f) >> 1;  // A stays above this within one gap size
        float halfGap = std::ldexp(1.0f, f - 25);
        if (magnitude - kTailTaps > below) {
            magnitude -= countBelow(window, taps, -halfGap);
        } else {
            for (int i = kTailTaps - 1; i >= 0 && magnitude > 0; --i) {
                if (window[i] * taps[i] < -halfGap) {
                    --magnitude;
                    if (magnitude == below) {
                        below >>= 1;
                        halfGap *= 0.5f;
                    }
                }
            }
        }
        z[k] = static_cast<int16_t>(a > 0 ? magnitude : -magnitude);
    }
}

bool readableSourceWidth(const WaveFormat& format)
{
    switch (format.bitsPerSample) {
    case 8:
    case 16:
        return true;
    case 24:
    case 32:
        return format.formatTag == kFormatPcm;
    default:
        return false;
    }
}

// The first channel of frame i as a 16-bit sample.
int16_t firstChannel(const uint8_t* frame, unsigned bytesPerSample)
{
    switch (bytesPerSample) {
    case 1:
        return static_cast<int16_t>((frame[0] - 128) * 256);
    case 2:
        return toInt16(readLe16(frame));
    default:
        // Wider samples keep their top 16 bits.
        return toInt16(readLe16(frame + bytesPerSample - 2));
    }
}

}  // namespace

bool makeSincTable(int taps, uint32_t sourceRate, uint32_t targetRate, SincTable& table)
{
    table = SincTable();
    if (taps < 2 || taps > 1024 || (taps & 1) || sourceRate == 0 || targetRate == 0)
        return false;
    const uint64_t s = sourceRate;
    const uint64_t d = targetRate;
    const uint64_t up = (4 * s + d - 1) / d * d;
    // The phase multiplies a 32-bit fraction by L in 64 bits.
    if (up > UINT32_MAX)
        return false;
    uint64_t length = (uint64_t(taps) + 2) * up / s;
    if (length % 2 == 0)
        ++length;
    if (length > kMaxTableLength)
        return false;

    table.upRate = static_cast<uint32_t>(up);
    table.perSample = static_cast<uint32_t>(up / s);
    table.length = static_cast<uint32_t>(length);
    table.centre = static_cast<uint32_t>((length - 1) / 2);
    try {
        table.h.resize(table.length);
    } catch (const std::bad_alloc&) {
        table = SincTable();
        return false;
    }

    const double cutoff = static_cast<double>(std::min(s, d));
    const double omega = kSincPi * cutoff / static_cast<double>(up);
    const double rate = static_cast<double>(s);
    for (uint32_t k = 0; k < table.length; ++k) {
        const double window =
            0.54 - 0.46 * std::cos(k * kSincTwoPi / static_cast<double>(table.length - 1));
        double v;
        if (k == table.centre) {
            v = window / rate * cutoff * kCoefficientScale;
        } else {
            const double t = (static_cast<double>(k) - static_cast<double>(table.centre)) * omega;
            const double turns = std::trunc(t * kSincInvTwoPi);
            v = window * std::sin(t - turns * kSincTwoPi) / (rate * t) * cutoff *
                kCoefficientScale;
        }
        // |v| <= 32767 by construction; kept as 16 bits, then doubled.
        const int32_t whole = static_cast<int32_t>(v);
        table.h[k] = 2 * int32_t{toInt16(static_cast<uint32_t>(whole))};
    }
    return true;
}

bool resampleSinc(int taps, uint32_t sourceRate, uint32_t targetRate, const int16_t* input,
                  size_t count, std::vector<int16_t>& output)
{
    output.clear();
    SincTable table;
    // The 32.32 position must not overflow.
    if (!makeSincTable(taps, sourceRate, targetRate, table) || count >= (uint64_t{1} << 31) ||
        (input == nullptr && count != 0))
        return false;
    const uint64_t outCount = uint64_t{count} * targetRate / sourceRate;
    const int half = taps / 2;
    const uint32_t perSample = table.perSample;
    try {
        output.resize(static_cast<size_t>(outCount));

        PhaseRows rows;
        rows.taps = taps;
        rows.rows = perSample + 1;  // J = M - p runs from 0 to M
        rows.values.resize(size_t{rows.rows} * taps);
        for (uint32_t j = 0; j < rows.rows; ++j)
            for (int i = 0; i < taps; ++i)
                rows.values[size_t{j} * taps + i] =
                    static_cast<int16_t>(table.h[j + uint64_t{perSample} * i] / 2);

        // Inputs before the start and past the end are absent from the sum:
        // zeros around the sound add nothing.
        std::vector<int16_t> padded(count + taps, 0);
        std::copy(input, input + count, padded.begin() + half);

        // Phase p = floor(F x L / s / 2^32) counted against multiples of s x 2^32,
        // which stay below L x 2^32 < 2^64; p runs from 0 to M.
        const uint64_t phaseUnit = uint64_t{sourceRate} << 32;
        const uint64_t step = phaseUnit / targetRate;
        uint64_t position = 0;
        int previous = 0;
        for (uint64_t j = 0; j < outCount; ++j, position += step) {
            const uint64_t whole = position >> 32;
            const uint64_t scaled = (position & 0xFFFFFFFFu) * table.upRate;
            uint32_t phase;
            if (perSample <= 16) {
                phase = 0;
                for (uint64_t bound = phaseUnit; phase < perSample && scaled >= bound;
                     bound += phaseUnit)
                    ++phase;
            } else {
                phase = static_cast<uint32_t>((scaled / sourceRate) >> 32);
            }
            const uint32_t acc = dotWrapped(padded.data() + whole,
                                            rows.row(perSample - phase), taps) << 1;
            int16_t sample = toInt16(acc >> 16);
            // A jump this large is the wrap of the accumulator on loud input.
            if (j > 0 && std::abs(sample - previous) > kJumpLimit)
                sample = negate16(sample);
            output[j] = sample;
            previous = sample;
        }
    } catch (const std::bad_alloc&) {
        output.clear();
        output.shrink_to_fit();
        return false;
    }
    return true;
}

const std::array<float, kFixedFilterTaps>& fixedFilterTaps()
{
    return filterTables().taps;
}

void fixedFilter(const int16_t* input, int16_t* output, size_t count)
{
    std::fill(output, output + std::min<size_t>(count, kFilterApplied), int16_t{0});
    if (count <= static_cast<size_t>(kFilterApplied))
        return;
    const FilterTables& t = filterTables();
    if (t.shortcut) {
        try {
            fixedFilterShortcut(t, input, output, count);
            return;
        } catch (const std::bad_alloc&) {
            // The literal sum needs no memory of its own.
        }
    }
    fixedFilterLiteral(t.taps.data(), input, output, count);
}

bool canConvertSource(const WaveFormat& format)
{
    return format.channels >= 1 && format.channels <= 2 && readableSourceWidth(format) &&
           format.samplesPerSecond >= kMinSourceRate && format.samplesPerSecond <= kMaxSourceRate;
}

bool convertSamples(const WaveFormat& format, const uint8_t* data, size_t length,
                    unsigned limitSeconds, std::vector<uint8_t>& samples)
{
    samples.clear();
    if (!canConvertSource(format) || (data == nullptr && length != 0))
        return false;
    const unsigned bytesPerSample = format.bitsPerSample / 8u;
    const size_t frameSize = size_t{format.channels} * bytesPerSample;
    const uint64_t rate = format.samplesPerSecond;
    const uint64_t frames = std::min<uint64_t>(length / frameSize, rate * limitSeconds);
    if (frames >= (uint64_t{1} << 31))
        return false;
    try {
        std::vector<int16_t> source(static_cast<size_t>(frames));
        for (size_t i = 0; i < source.size(); ++i)
            source[i] = firstChannel(data + i * frameSize, bytesPerSample);

        std::vector<int16_t> resampled;
        if (rate == kCameraSoundRate)
            resampled.swap(source);
        else if (!resampleSinc(kSincTaps, format.samplesPerSecond, kCameraSoundRate,
                               source.data(), source.size(), resampled))
            return false;
        source = std::vector<int16_t>();
        if (resampled.size() & 1)
            resampled.push_back(0);

        const size_t count = resampled.size();
        std::vector<int16_t> filtered(count);
        fixedFilter(resampled.data(), filtered.data(), count);

        samples.resize(count);
        for (size_t i = 0; i < count; ++i)  // v >> 8 (toward minus infinity) + 128
            samples[i] = static_cast<uint8_t>((filtered[i] + 32768) >> 8);

        if (count >= kFadeFrom) {
            for (size_t j = count - kFadeLength; j < count; ++j) {
                const int level = samples[j] - 128;
                const int left = static_cast<int>(count - j);
                samples[j] = static_cast<uint8_t>(128 + level * left / int{kFadeLength});
            }
        }
    } catch (const std::bad_alloc&) {
        samples.clear();
        samples.shrink_to_fit();
        return false;
    }
    return true;
}

int convertToCameraSound(const std::filesystem::path& destination,
                         const std::filesystem::path& source, unsigned limitSeconds)
{
    std::vector<uint8_t> samples;
    {
        std::vector<uint8_t> file;
        if (!readWholeFile(source, file))
            return kConvertNoSource;
        WaveData data;
        WaveFormat format;
        if (!findWaveData(file.data(), file.size(), data, format))
            return kConvertNoSource;
        if (!convertSamples(format, data.bytes, data.length, limitSeconds, samples))
            return kConvertFailed;
    }
    if (!writePlainWave(samples.data(), samples.size(), kCameraSoundFormat, destination))
        return kConvertFailed;
    return kConvertOk;
}
