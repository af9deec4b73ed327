#include "sound/SoundConvert.h"

#include "sound/CameraSoundWriter.h"
#include "sound/FileIo.h"

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

// ---- resampler ----------------------------------------------------------

constexpr double kSincPi = 3.1415925;
constexpr double kSincTwoPi = 6.283185;
constexpr double kSincInvTwoPi = 0.15915495087284556;
constexpr double kCoefficientScale = 32767.0;
constexpr int kJumpLimit = 36864;  // 0x9000
constexpr uint64_t kMaxTableLength = 1u << 20;
// Inputs read per block of outputs: small enough to stay in cache, so the
// source is never copied whole.
constexpr uint64_t kBlockInputs = 16384;

// The table as 16-bit values laid out per phase: row J holds the entries
// J, J + M, J + 2M, ... that one output sample multiplies with its window
// of consecutive inputs. h = 2 x value, and doubling the wrapped 32-bit sum
// gives the same bits as summing the doubled products.
struct PhaseRows {
    int taps = 0;
    std::vector<int16_t> values;  // (M + 1) rows of `taps`
    const int16_t* row(uint32_t j) const { return values.data() + size_t{j} * taps; }
};

void buildPhaseRows(const SincTable& table, int taps, PhaseRows& rows)
{
    const uint32_t perSample = table.perSample;
    rows.taps = taps;
    rows.values.resize(size_t{perSample + 1} * taps);  // J = M - p runs from 0 to M
    for (uint32_t j = 0; j <= perSample; ++j)
        for (int i = 0; i < taps; ++i)
            rows.values[size_t{j} * taps + i] =
                static_cast<int16_t>(table.h[j + uint64_t{perSample} * i] / 2);
}

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

// Resamples n inputs, read through get(i), into out[0..outCount). Inputs
// before the start and past the end are absent from the sum: zeros around
// the sound add nothing.
template <typename Get>
void resampleInto(const SincTable& table, const PhaseRows& rows, uint32_t sourceRate,
                  uint32_t targetRate, size_t n, Get get, int16_t* out, uint64_t outCount,
                  std::vector<int16_t>& scratch)
{
    const int taps = rows.taps;
    const int64_t half = taps / 2;
    const uint32_t perSample = table.perSample;
    const uint64_t ratio = sourceRate / targetRate + 1;  // inputs per output, at most
    const uint64_t block = std::max<uint64_t>(1, kBlockInputs / ratio);
    scratch.resize(static_cast<size_t>(block * ratio + taps + 1));

    // Phase p = floor(F x L / s / 2^32), counted against multiples of
    // s x 2^32, which stay below L x 2^32 < 2^64; p runs from 0 to M.
    const uint64_t phaseUnit = uint64_t{sourceRate} << 32;
    const uint64_t step = phaseUnit / targetRate;
    int previous = 0;
    for (uint64_t j0 = 0; j0 < outCount; j0 += block) {
        const uint64_t j1 = std::min(outCount, j0 + block);
        const int64_t from = static_cast<int64_t>((j0 * step) >> 32) - half;
        const int64_t to = static_cast<int64_t>(((j1 - 1) * step) >> 32) + half;  // exclusive
        const int64_t lo = std::max<int64_t>(from, 0);
        const int64_t hi = std::min<int64_t>(to, static_cast<int64_t>(n));
        int16_t* window = scratch.data();
        std::fill(window, window + (to - from), int16_t{0});
        for (int64_t k = lo; k < hi; ++k)
            window[k - from] = get(static_cast<size_t>(k));

        uint64_t position = j0 * step;
        for (uint64_t j = j0; j < j1; ++j, position += step) {
            const int64_t whole = static_cast<int64_t>(position >> 32);
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
            const uint32_t acc =
                dotWrapped(window + (whole - half - from), rows.row(perSample - phase), taps) << 1;
            int16_t sample = toInt16(acc >> 16);
            // A jump this large is the wrap of the accumulator on loud input.
            if (j > 0 && std::abs(sample - previous) > kJumpLimit)
                sample = negate16(sample);
            out[j] = sample;
            previous = sample;
        }
    }
}

// ---- fixed filter ---------------------------------------------------------

constexpr uint32_t kFilterCentreBits = 0x40490FDC;  // 3.1415929794f
constexpr double kFilterSideFactor = 15.0;
constexpr double kFilterSinePi = 3.141593;
constexpr double kFilterWindowStep = 0.06220976237623762;
constexpr int kFilterApplied = 101;
constexpr int kTailTaps = kFilterApplied - kFixedFilterDelay - 1;  // taps 51..100
constexpr int kTailPadded = 56;                                    // whole vectors of 8

struct FilterTables {
    std::array<float, kFixedFilterTaps> taps{};
    // Taps 100 down to 51 (memory order of their inputs), zeros behind, and
    // the same negated: for a negative accumulator.
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

// Half the spacing of floats just below A (A >= 1): A + d rounds below A
// exactly when d < -halfGap(A) (a tie rounds to A, whose last mantissa bit
// is 0). For A in (2^(f-1), 2^f] that is 2^(f-25).
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

// How many of the tail products y[i] x taps[i] fall below `limit` (< 0);
// y holds kTailPadded samples, the taps past the 50th are 0.
int countBelow(const int16_t* y, const float* taps, float limit)
{
#ifdef VXF_SOUND_SSE2
    const __m128 bound = _mm_set1_ps(limit);
    __m128i count = _mm_setzero_si128();
    for (int i = 0; i < kTailPadded; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i));
        // Sign-extend to 32 bits, then to float (exact).
        const __m128 low = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16));
        const __m128 high = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16));
        const __m128 p0 = _mm_mul_ps(low, _mm_load_ps(taps + i));
        const __m128 p1 = _mm_mul_ps(high, _mm_load_ps(taps + i + 4));
        count = _mm_sub_epi32(count, _mm_castps_si128(_mm_cmplt_ps(p0, bound)));
        count = _mm_sub_epi32(count, _mm_castps_si128(_mm_cmplt_ps(p1, bound)));
    }
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), count);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
#else
    int count = 0;
    for (int i = 0; i < kTailPadded; ++i)
        count += (static_cast<float>(y[i]) * taps[i] < limit) ? 1 : 0;
    return count;
#endif
}

// The literal accumulation: float products and sums, truncated to 16 bits
// after every step.
int16_t literalOutput(const float* taps, const int16_t* y, size_t k)
{
    int acc = 0;
    for (int j = 0; j < kFilterApplied; ++j) {
        const float product = static_cast<float>(y[k - j]) * taps[j];
        const float sum = static_cast<float>(acc) + product;
        acc = toInt16(static_cast<uint32_t>(static_cast<int32_t>(sum)));
    }
    return static_cast<int16_t>(acc);
}

// The same result by the shortcut: the sample 50 back, moved toward zero
// once for every tail product that pulls it there by more than half a
// float step at its current size.
int16_t shortcutOutput(const FilterTables& t, const int16_t* y, size_t k)
{
    const int a = y[k - kFixedFilterDelay];
    if (a == 0)
        return 0;
    const int16_t* window = y + (k - (kFilterApplied - 1));  // y[k - 100]
    const float* taps = a > 0 ? t.tailUp : t.tailDown;
    int magnitude = a > 0 ? a : -a;
    const int f = ceilLog2(magnitude);
    int below = (1 << f) >> 1;  // the step stays the same while A is above this
    float halfGap = std::ldexp(1.0f, f - 25);
    if (magnitude - kTailTaps > below) {
        magnitude -= countBelow(window, taps, -halfGap);
    } else {
        // Taps 51, 52, ... in order: the step halves as A passes a power of two.
        for (int i = kTailTaps - 1; i >= 0 && magnitude > 0; --i) {
            if (static_cast<float>(window[i]) * taps[i] < -halfGap) {
                --magnitude;
                if (magnitude == below) {
                    below >>= 1;
                    halfGap *= 0.5f;
                }
            }
        }
    }
    return static_cast<int16_t>(a > 0 ? magnitude : -magnitude);
}

// Runs the filter over y[0..count), handing each output to put(k, z).
template <typename Put>
void filterInto(const int16_t* y, size_t count, Put put)
{
    const size_t silent = std::min<size_t>(count, kFilterApplied);
    for (size_t k = 0; k < silent; ++k)
        put(k, int16_t{0});
    const FilterTables& t = filterTables();
    if (t.shortcut) {
        // The vector loads read up to y[k - 45]: inside y for every k.
        for (size_t k = kFilterApplied; k < count; ++k)
            put(k, shortcutOutput(t, y, k));
    } else {
        for (size_t k = kFilterApplied; k < count; ++k)
            put(k, literalOutput(t.taps.data(), y, k));
    }
}

bool readableSourceWidth(const WaveFormat& format)
{
    switch (format.bitsPerSample) {
    case 8:
    case 16: return true;
    case 24:
    case 32: return format.formatTag == kFormatPcm;
    default: return false;
    }
}

// Steps 4 to 8 of the conversion, over n frames read through get(i).
template <typename Get>
void convertFrames(Get get, size_t n, uint32_t rate, std::vector<uint8_t>& samples)
{
    std::vector<int16_t> y;
    if (rate == kCameraSoundRate) {
        y.resize(n + (n & 1));
        for (size_t i = 0; i < n; ++i)
            y[i] = get(i);
    } else {
        SincTable table;
        PhaseRows rows;
        if (!makeSincTable(kSincTaps, rate, kCameraSoundRate, table))
            throw std::bad_alloc();  // the rates were checked: only memory fails here
        buildPhaseRows(table, kSincTaps, rows);
        const uint64_t m = uint64_t{n} * kCameraSoundRate / rate;
        y.resize(static_cast<size_t>(m + (m & 1)));
        std::vector<int16_t> scratch;
        resampleInto(table, rows, rate, kCameraSoundRate, n, get, y.data(), m, scratch);
    }
    // An odd count was made even with a 0 above.
    const size_t count = y.size();
    samples.resize(count);
    uint8_t* out = samples.data();
    // v >> 8 (toward minus infinity) + 128.
    filterInto(y.data(), count,
               [out](size_t k, int16_t v) { out[k] = static_cast<uint8_t>((v + 32768) >> 8); });

    if (count >= kFadeFrom) {
        for (size_t j = count - kFadeLength; j < count; ++j) {
            const int level = samples[j] - 128;
            const int left = static_cast<int>(count - j);
            samples[j] = static_cast<uint8_t>(128 + level * left / int{kFadeLength});
        }
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
            v = window * std::sin(t - turns * kSincTwoPi) / (rate * t) * cutoff * kCoefficientScale;
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
    try {
        PhaseRows rows;
        buildPhaseRows(table, taps, rows);
        output.resize(static_cast<size_t>(outCount));
        std::vector<int16_t> scratch;
        resampleInto(
            table, rows, sourceRate, targetRate, count, [input](size_t i) { return input[i]; },
            output.data(), outCount, scratch);
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
    filterInto(input, count, [output](size_t k, int16_t v) { output[k] = v; });
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
    const uint32_t rate = format.samplesPerSecond;
    const uint64_t frames = std::min<uint64_t>(length / frameSize, uint64_t{rate} * limitSeconds);
    if (frames >= (uint64_t{1} << 31))
        return false;
    const size_t n = static_cast<size_t>(frames);
    // Only the first channel's sample of each frame is read.
    try {
        switch (bytesPerSample) {
        case 1:
            convertFrames(
                [=](size_t i) { return static_cast<int16_t>((data[i * frameSize] - 128) * 256); },
                n, rate, samples);
            break;
        case 2:
            convertFrames([=](size_t i) { return toInt16(readLe16(data + i * frameSize)); }, n,
                          rate, samples);
            break;
        default:
            // Wider samples keep their top 16 bits.
            convertFrames(
                [=](size_t i) {
                    return toInt16(readLe16(data + i * frameSize + bytesPerSample - 2));
                },
                n, rate, samples);
            break;
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
