// The conversion, to the bit: the table and the filter's taps against the
// independent model's figures (sound_model.py), hand-worked samples, the
// fast code against a literal reading of the formulas, and the source
// formats taken and refused.
#include "sound/SoundConvert.h"
#include "sound/CameraSoundWriter.h"
#include "sound/tests/SoundTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

// ---- literal readings of the formulas, slow and plain ----

int16_t wrap16(int64_t v)
{
    const int64_t low = ((v % 65536) + 65536) % 65536;
    return static_cast<int16_t>(low >= 32768 ? low - 65536 : low);
}

std::vector<int16_t> literalResample(uint32_t s, uint32_t d, const std::vector<int16_t>& x,
                                     bool negation = true)
{
    SincTable t;
    EXPECT_TRUE(makeSincTable(64, s, d, t));
    const int64_t n = static_cast<int64_t>(x.size());
    const uint64_t m = uint64_t(x.size()) * d / s;
    const int64_t H = 32;
    const uint64_t step = (uint64_t(s) << 32) / d;
    uint64_t P = 0;
    std::vector<int16_t> out;
    for (uint64_t j = 0; j < m; ++j, P += step) {
        const int64_t I = static_cast<int64_t>(P >> 32);
        const uint64_t F = P & 0xFFFFFFFFu;
        const uint64_t p = (F * t.upRate / s) >> 32;
        const int64_t J = int64_t(t.perSample) - int64_t(p);
        int64_t acc = 0;
        for (int64_t k = std::max<int64_t>(0, I - H); k <= std::min<int64_t>(n - 1, I + H - 1);
             ++k) {
            const int64_t index = J + (k - I + H) * int64_t(t.perSample);
            EXPECT_GE(index, 0);
            EXPECT_LT(index, int64_t(t.length));
            acc += int64_t(x[size_t(k)]) * t.h[size_t(index)];
        }
        // 32-bit wrap, then the upper half.
        const int64_t acc32 = ((acc % 4294967296LL) + 4294967296LL) % 4294967296LL;
        int16_t v = wrap16(acc32 >> 16);
        if (negation && j > 0 && std::abs(int(v) - int(out.back())) > 36864)
            v = wrap16(-int64_t(v));
        out.push_back(v);
    }
    return out;
}

std::vector<int16_t> literalFilter(const std::vector<int16_t>& y)
{
    const auto& taps = fixedFilterTaps();
    std::vector<int16_t> z(y.size(), 0);
    for (size_t k = 101; k < y.size(); ++k) {
        int16_t acc = 0;
        for (size_t j = 0; j <= 100; ++j) {
            const float product = static_cast<float>(y[k - j]) * taps[j];
            const float sum = static_cast<float>(acc) + product;
            acc = wrap16(static_cast<int64_t>(sum));
        }
        z[k] = acc;
    }
    return z;
}

std::vector<int16_t> filtered(const std::vector<int16_t>& y)
{
    std::vector<int16_t> z(y.size(), 12345);
    fixedFilter(y.data(), z.data(), y.size());
    return z;
}

std::vector<int16_t> resampled(uint32_t s, const std::vector<int16_t>& x)
{
    std::vector<int16_t> out;
    EXPECT_TRUE(resampleSinc(64, s, 8000, x.data(), x.size(), out));
    return out;
}

Bytes converted(const WaveFormat& f, const Bytes& data, unsigned limit = 10)
{
    Bytes out;
    EXPECT_TRUE(convertSamples(f, data.data(), data.size(), limit, out));
    return out;
}

uint8_t to8(int16_t v)
{
    return static_cast<uint8_t>((v + 32768) >> 8);
}

// ---- the resampler's table and the fixed filter's taps ----

TEST(SincTable, FiguresOfTheModelForTheUsualRates)
{
    // Centre: the window is 1 (less a trace), so v = Fc / s x 32767:
    // 44100: 8000/44100 x 32767 = 5944.1 -> 5944, doubled 11888;
    // 11025: 23776.2 -> 47552; below 8000 Fc = s and v = 32767 x w(c),
    // a hair under 32767, so 32766 -> 65532.
    const struct {
        uint32_t rate, L, M, N;
        int32_t centre, h0, h1;
    } cases[] = {{44100, 184000, 4, 275, 11888, -6, -12}, {48000, 192000, 4, 265, 10922, -50, -50},
                 {22050, 96000, 4, 287, 23776, -12, -24}, {11025, 48000, 4, 287, 47552, -24, -44},
                 {16000, 64000, 4, 265, 32766, 50, 46},   {4000, 16000, 4, 265, 65532, 0, 36},
                 {518, 8000, 15, 1019, 65532, 6, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        SincTable t;
        ASSERT_TRUE(makeSincTable(64, c.rate, 8000, t));
        EXPECT_EQ(t.upRate, c.L);
        EXPECT_EQ(t.perSample, c.M);
        ASSERT_EQ(t.length, c.N);
        ASSERT_EQ(t.h.size(), c.N);
        ASSERT_EQ(t.centre, (c.N - 1) / 2);
        EXPECT_EQ(t.h[t.centre], c.centre);
        EXPECT_EQ(t.h[0], c.h0);
        EXPECT_EQ(t.h[1], c.h1);
        // The window and the sinc are even: the table is symmetric.
        for (uint32_t k = 0; k < t.length; ++k)
            ASSERT_EQ(t.h[k], t.h[t.length - 1 - k]) << k;
    }
}

TEST(SincTable, ImpossibleParametersAreRefused)
{
    SincTable t;
    EXPECT_FALSE(makeSincTable(64, 0, 8000, t));
    EXPECT_FALSE(makeSincTable(64, 44100, 0, t));
    EXPECT_FALSE(makeSincTable(63, 44100, 8000, t));
    EXPECT_FALSE(makeSincTable(64, 4000000000u, 8000, t));
    EXPECT_TRUE(makeSincTable(64, kMaxSourceRate, 8000, t));
    std::vector<int16_t> out{1, 2};
    const std::vector<int16_t> x(100);
    EXPECT_FALSE(resampleSinc(64, 0, 8000, x.data(), x.size(), out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(resampleSinc(64, 4000000000u, 8000, x.data(), x.size(), out));
}

// A tap one float step off may change no output of the signals below.
TEST(FixedFilterTaps, BitsOfTheModel)
{
    const auto& taps = fixedFilterTaps();
    Bytes raw(sizeof(float) * taps.size());
    std::memcpy(raw.data(), taps.data(), raw.size());
    EXPECT_EQ(fnv1a(raw), 0x39AD93CBu);
}

// ---- the fixed filter ----

// Hand-worked: tap 50 passes the sample on; of the taps after it, the 25 at
// odd distance are negative (sin(n x 3.141593) has the sign of (-1)^n), and
// each of those truncates the accumulator one unit toward zero while the
// product is larger than half a float step of the accumulator. The taps
// before tap 50 only add fractions to 0, which truncate away.
TEST(FixedFilter, HandWorkedConstantsAfterSilenceAndALoneSampleFiftyLater)
{
    const struct {
        int16_t in, out;
    } cases[] = {{1000, 975},    {-1000, -975},    {30, 5},        {-30, -5},
                 {20, 0},        {25, 0},          {26, 1},        {0, 0},
                 {32767, 32742}, {-32768, -32743}, {18432, 18407}, {1, 0}};
    for (const auto& c : cases) {
        const std::vector<int16_t> z = filtered(std::vector<int16_t>(200, c.in));
        for (size_t k = 0; k < 101; ++k)
            ASSERT_EQ(z[k], 0) << c.in << " at " << k;
        EXPECT_EQ(z[150], c.out) << c.in;
        EXPECT_EQ(z[199], c.out) << c.in;
    }
    for (const int16_t v : filtered(std::vector<int16_t>(80, 1000)))
        EXPECT_EQ(v, 0);
    EXPECT_TRUE(filtered({}).empty());
    std::vector<int16_t> y(400, 0);
    y[200] = 12000;
    std::vector<int16_t> expected(400, 0);
    expected[250] = 12000;  // no negative products follow a lone sample
    EXPECT_EQ(filtered(y), expected);
}

TEST(FixedFilter, MatchesTheLiteralSumForEveryCentreValue)
{
    // Each 16-bit value once at the centre tap, with random neighbours of
    // every loudness behind it: the shortcut must agree with the literal
    // float-by-float sum everywhere, above all near powers of two.
    std::mt19937 random(1234);
    std::vector<int16_t> y;
    y.reserve(65536 * 2 + 200);
    for (int i = 0; i < 101; ++i)
        y.push_back(static_cast<int16_t>(random()));
    for (int v = -32768; v <= 32767; ++v) {
        y.push_back(static_cast<int16_t>(v));
        const int shift = static_cast<int>(random() % 16);
        y.push_back(static_cast<int16_t>(static_cast<int16_t>(random()) >> shift));
    }
    const std::vector<int16_t> fast = filtered(y);
    const std::vector<int16_t> literal = literalFilter(y);
    ASSERT_EQ(fast.size(), literal.size());
    for (size_t k = 0; k < fast.size(); ++k)
        ASSERT_EQ(fast[k], literal[k]) << k << " centre " << (k >= 50 ? y[k - 50] : 0);
}

TEST(FixedFilter, MatchesTheLiteralSumWhenEveryProductPullsTowardZero)
{
    const auto& taps = fixedFilterTaps();
    std::mt19937 random(5);
    // Centre values near powers of two, each with a tail of its own whose
    // products all pull toward zero, of random loudness.
    std::vector<int16_t> y;
    for (int i = 0; i < 6000; ++i) {
        const int p = 1 + static_cast<int>(random() % 14);
        const int a = (1 << p) + static_cast<int>(random() % 120) - 60;
        const int sign = (random() & 1) ? 1 : -1;
        y.push_back(static_cast<int16_t>(sign * std::max(1, a)));
    }
    std::vector<int16_t> signal(y.size() * 101 + 101, 0);
    for (size_t i = 0; i < y.size(); ++i) {
        const size_t k = 101 + i * 101;  // outputs far apart: each sees its own tail
        const int sign = y[i] > 0 ? 1 : -1;
        signal[k - 50] = y[i];
        const int loud = 1 + static_cast<int>(random() % 30000);
        for (int j = 51; j <= 100; ++j)
            signal[k - j] = static_cast<int16_t>((taps[j] < 0 ? sign : -sign) *
                                                 (1 + static_cast<int>(random() % loud)));
    }
    ASSERT_EQ(filtered(signal), literalFilter(signal));
}

// The accumulator crosses a power of two when all 50 tail products pull it
// toward zero; below it the float step halves, so a small product that did
// not count above counts now. Hand-worked for A = 2^p + 49: the 49 loud
// taps take it down to 2^p, and tap 100's product, between a quarter and
// half a step above 2^p, then takes it to 2^p - 1.
TEST(FixedFilter, CrossingAPowerOfTwoOnTheLastTap)
{
    const auto& taps = fixedFilterTaps();
    for (int p = 7; p <= 14; ++p) {
        for (const int sign : {1, -1}) {
            // Output 101 sees y[101 - j] at tap j.
            std::vector<int16_t> y(102, 0);
            const int a = sign * ((1 << p) + 49);
            y[51] = static_cast<int16_t>(a);
            for (int j = 51; j <= 99; ++j)
                y[101 - j] = static_cast<int16_t>(taps[j] < 0 ? sign * 20000 : -sign * 20000);
            // Tap 100's product: 1.5 x 2^(p-25) in magnitude.
            const double wanted = std::ldexp(1.5, p - 25) / std::fabs(taps[100]);
            y[1] = static_cast<int16_t>((taps[100] < 0 ? sign : -sign) * std::lround(wanted));
            const std::vector<int16_t> z = filtered(y);
            ASSERT_EQ(z, literalFilter(y)) << p;
            EXPECT_EQ(z[101], sign * ((1 << p) - 1)) << p;
        }
    }
}

// ---- the resampler ----

TEST(ResampleSinc, MatchesTheLiteralFormulas)
{
    const uint32_t rates[] = {44100, 48000, 22050,  11025, 16000, 4000,  518,  7999,
                              8001,  96000, 192000, 44101, 32000, 12000, 6000, 1000};
    for (const uint32_t rate : rates) {
        for (const int shift : {0, 3, 9}) {
            const std::vector<int16_t> x = lcgNoise(rate / 4 + 37, rate + shift, shift);
            ASSERT_EQ(resampled(rate, x), literalResample(rate, 8000, x)) << rate << " " << shift;
        }
        for (const size_t n : {size_t{0}, size_t{1}, size_t{31}, size_t{64}, size_t{65}}) {
            const std::vector<int16_t> x = lcgNoise(n, 5, 0);
            ASSERT_EQ(resampled(rate, x), literalResample(rate, 8000, x)) << rate << " n " << n;
        }
    }
}

// ---- convertSamples ----

TEST(ConvertSamples, FiguresOfTheIndependentModel)
{
    const struct {
        const char* name;
        uint32_t rate;
        std::vector<int16_t> source;
        uint32_t fnv;
        uint8_t picks[6];
    } cases[] = {
        {"noise 22050", 22050, lcgNoise(11025, 7, 2), 0x875643F1u, {134, 125, 120, 134, 144, 138}},
        {"noise 44100", 44100, lcgNoise(22050, 11, 0), 0xC4569F7Eu, {111, 130, 121, 140, 114, 154}},
        {"square 44100",
         44100,
         square(22050, 50, -32768, 32767),
         0x0E9A9661u,
         {21, 245, 2, 10, 0, 21}},
        {"noise 11025", 11025, lcgNoise(5513, 3, 4), 0x761FA9E7u, {129, 133, 128, 123, 134, 132}},
        {"noise 8000", 8000, lcgNoise(4000, 5, 1), 0xC42CF1D0u, {70, 145, 158, 98, 87, 131}},
        {"square 8000",
         8000,
         square(4000, 16, -30000, 30000),
         0x9B215F7Eu,
         {245, 245, 245, 10, 10, 10}},
    };
    for (const auto& c : cases) {
        const Bytes out = converted(pcmFormat(c.rate, 1, 16), pcm16(c.source));
        ASSERT_EQ(out.size(), 4000u) << c.name;
        EXPECT_EQ(fnv1a(out), c.fnv) << c.name;
        const size_t at[] = {101, 150, 200, 333, out.size() - 2, out.size() - 1};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(out[at[i]], c.picks[i]) << c.name << " at " << at[i];
    }
}

TEST(ConvertSamples, TenSecondsFadeOverTheLastThreeThousand)
{
    const std::vector<int16_t> x = lcgNoise(80000, 9, 0);
    const Bytes out = converted(pcmFormat(8000, 1, 16), pcm16(x));
    ASSERT_EQ(out.size(), 80000u);
    const std::vector<int16_t> z = filtered(x);
    for (size_t j = 0; j < out.size(); ++j) {
        int expected = to8(z[j]);
        if (j >= 77000)
            expected = 128 + (expected - 128) * int(80000 - j) / 3000;
        ASSERT_EQ(out[j], expected) << j;
    }

    // One frame short: made even again, so faded all the same.
    const std::vector<int16_t> shorter(x.begin(), x.end() - 1);
    const Bytes evened = converted(pcmFormat(8000, 1, 16), pcm16(shorter));
    ASSERT_EQ(evened.size(), 80000u);
    EXPECT_EQ(Bytes(evened.begin(), evened.begin() + 77000),
              Bytes(out.begin(), out.begin() + 77000));
    EXPECT_EQ(evened.back(), 128);

    // Longer sources are cut at ten seconds.
    std::vector<int16_t> longer = x;
    longer.resize(100000, 5000);
    EXPECT_EQ(converted(pcmFormat(8000, 1, 16), pcm16(longer)), out);
}

TEST(ConvertSamples, EightBitSamplesAreCentredAndShiftedAndStereoUsesTheFirstByte)
{
    // 0 -> -32768, 255 -> 32512, 128 -> 0, then the filter as worked above.
    const struct {
        uint8_t in, out;
    } cases[] = {{0, 0}, {255, 254}, {128, 128}, {200, 199}, {1, 1}, {129, 128}};
    for (const auto& c : cases) {
        const Bytes out = converted(pcmFormat(8000, 1, 8), Bytes(400, c.in));
        ASSERT_EQ(out.size(), 400u);
        EXPECT_EQ(out[0], 128);
        EXPECT_EQ(out[300], c.out) << int(c.in);
    }
    // The same as a 16-bit source of (byte - 128) x 256.
    Bytes bytes(5000), stereo;
    std::vector<int16_t> wide(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>((i * 37 + i / 7) % 256);
        wide[i] = static_cast<int16_t>((bytes[i] - 128) * 256);
        stereo.push_back(bytes[i]);
        stereo.push_back(static_cast<uint8_t>(255 - bytes[i]));
    }
    const Bytes mono = converted(pcmFormat(22050, 1, 8), bytes);
    EXPECT_EQ(mono, converted(pcmFormat(22050, 1, 16), pcm16(wide)));
    EXPECT_EQ(mono, converted(pcmFormat(22050, 2, 8), stereo));
}

// Stereo uses the left channel; our choice: 24- and 32-bit plain PCM
// convert through their top 16 bits.
TEST(ConvertSamples, StereoAndWideSamplesUseTheLeftChannelsTopSixteenBits)
{
    const std::vector<int16_t> x = lcgNoise(9000, 31, 0);
    Bytes b16, b24, b32;
    for (size_t i = 0; i < x.size(); ++i) {
        const auto u = static_cast<uint16_t>(x[i]);
        for (int c = 0; c < 2; ++c) {  // stereo, the second channel junk
            const uint8_t junk = static_cast<uint8_t>(i * 17 + c);
            b16.push_back(c ? junk : static_cast<uint8_t>(u));
            b16.push_back(c ? junk : static_cast<uint8_t>(u >> 8));
            b24.push_back(c ? junk : static_cast<uint8_t>(i));
            b24.push_back(c ? junk : static_cast<uint8_t>(u));
            b24.push_back(c ? junk : static_cast<uint8_t>(u >> 8));
            b32.push_back(c ? junk : static_cast<uint8_t>(i * 3));
            b32.push_back(c ? junk : static_cast<uint8_t>(i));
            b32.push_back(c ? junk : static_cast<uint8_t>(u));
            b32.push_back(c ? junk : static_cast<uint8_t>(u >> 8));
        }
    }
    const Bytes expected = converted(pcmFormat(48000, 1, 16), pcm16(x));
    EXPECT_EQ(converted(pcmFormat(48000, 2, 16), b16), expected);
    EXPECT_EQ(converted(pcmFormat(48000, 2, 24), b24), expected);
    EXPECT_EQ(converted(pcmFormat(48000, 2, 32), b32), expected);
}

TEST(ConvertSamples, RefusedSources)
{
    WaveFormat floats = pcmFormat(22050, 1, 32);
    floats.formatTag = 3;
    WaveFormat extensible24 = pcmFormat(22050, 1, 24);
    extensible24.formatTag = 0xFFFE;
    const WaveFormat refused[] = {pcmFormat(22050, 3, 16),
                                  pcmFormat(22050, 0, 16),
                                  pcmFormat(22050, 6, 8),
                                  pcmFormat(22050, 1, 4),
                                  pcmFormat(22050, 1, 12),
                                  pcmFormat(22050, 1, 0),
                                  pcmFormat(22050, 1, 20),
                                  pcmFormat(22050, 1, 64),
                                  pcmFormat(517, 1, 16),
                                  pcmFormat(0, 1, 16),
                                  pcmFormat(kMaxSourceRate + 1, 1, 16),
                                  floats,
                                  extensible24};
    const Bytes data(4000, 0x40);
    for (const WaveFormat& f : refused) {
        SCOPED_TRACE(::testing::Message() << f.formatTag << " " << f.samplesPerSecond << " "
                                          << f.channels << " " << f.bitsPerSample);
        Bytes out{1};
        EXPECT_FALSE(convertSamples(f, data.data(), data.size(), 10, out));
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(canConvertSource(f));
    }
    EXPECT_TRUE(canConvertSource(pcmFormat(kMaxSourceRate, 2, 8)));
    EXPECT_EQ(converted(pcmFormat(518, 1, 16), data).size(),
              2000u * 8000 / 518 + (2000u * 8000 / 518) % 2);
}

TEST(ConvertSamples, EmptyAndPartialFramesAndEvenCounts)
{
    const WaveFormat f = pcmFormat(11025, 1, 16);
    EXPECT_EQ(converted(f, pcm16(lcgNoise(11026, 1, 3))).size(), 8000u);
    EXPECT_EQ(converted(f, pcm16(lcgNoise(11027, 1, 3))).size(), 8002u);  // 8001 made even
    Bytes out{7};
    EXPECT_TRUE(convertSamples(pcmFormat(44100, 2, 16), nullptr, 0, 10, out));
    EXPECT_TRUE(out.empty());
    const Bytes three(3, 0);  // less than one stereo frame
    EXPECT_TRUE(convertSamples(pcmFormat(8000, 2, 16), three.data(), three.size(), 10, out));
    EXPECT_TRUE(out.empty());
    const Bytes odd(2 * 101 + 1, 0x10);  // one frame and a half byte left over
    EXPECT_TRUE(convertSamples(pcmFormat(8000, 1, 16), odd.data(), odd.size(), 10, out));
    EXPECT_EQ(out.size(), 102u);
}

// ---- convertToCameraSound ----

TEST(ConvertToCameraSound, WritesThePlainCameraFileThatCameraChunksFinish)
{
    TempFolder dir;
    writeFileBytes(dir / "src.wav",
                   pcmWave(pcmFormat(44100, 1, 16), pcm16(lcgNoise(22050, 11, 0))));
    ASSERT_EQ(convertToCameraSound(dir / "out.wav", dir / "src.wav", 10), kConvertOk);
    const Bytes file = readFileBytes(dir / "out.wav");
    ASSERT_EQ(file.size(), 44u + 4000);
    WaveData data;
    WaveFormat format;
    ASSERT_TRUE(findWaveData(file.data(), file.size(), data, format));
    EXPECT_EQ(std::memcmp(&format, &kCameraSoundFormat, sizeof format), 0);
    EXPECT_EQ(fnv1a(Bytes(data.bytes, data.bytes + data.length)), 0xC4569F7Eu);  // as the model
    ASSERT_EQ(addCameraChunks(dir / "out.wav", makeCameraSoundInfo(1999, 8, 24, 14, 5, 9, 7)),
              kCameraChunksOk);
    EXPECT_EQ(readFileBytes(dir / "out.wav").size(), 24208u);
}

TEST(ConvertToCameraSound, ResultCodesAndNothingWrittenOnFailure)
{
    TempFolder dir;
    writeFileBytes(dir / "text.wav", text("plain words, no sound here"));
    writeFileBytes(dir / "nodata.wav",
                   riff("WAVE", chunk("fmt ", fmtBody(pcmFormat(8000, 1, 16)))));
    writeFileBytes(dir / "three.wav", pcmWave(pcmFormat(8000, 3, 16), Bytes(600, 1)));
    writeFileBytes(dir / "slow.wav", pcmWave(pcmFormat(300, 1, 16), Bytes(600, 1)));
    writeFileBytes(dir / "ok.wav", pcmWave(pcmFormat(8000, 1, 8), Bytes(600, 1)));

    EXPECT_EQ(convertToCameraSound(dir / "a.wav", dir / "missing.wav", 10), kConvertNoSource);
    EXPECT_EQ(convertToCameraSound(dir / "a.wav", dir / "text.wav", 10), kConvertNoSource);
    EXPECT_EQ(convertToCameraSound(dir / "a.wav", dir / "nodata.wav", 10), kConvertNoSource);
    EXPECT_EQ(convertToCameraSound(dir / "a.wav", dir / "three.wav", 10), kConvertFailed);
    EXPECT_EQ(convertToCameraSound(dir / "a.wav", dir / "slow.wav", 10), kConvertFailed);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.wav"));

    writeFileBytes(dir / "keep.wav", text("old"));
    EXPECT_EQ(convertToCameraSound(dir / "keep.wav", dir / "three.wav", 10), kConvertFailed);
    EXPECT_EQ(readFileBytes(dir / "keep.wav"), text("old"));

    EXPECT_EQ(convertToCameraSound(dir / "nowhere" / "a.wav", dir / "ok.wav", 10), kConvertFailed);
    EXPECT_EQ(convertToCameraSound(dir / "a.wav", dir / "ok.wav", 10), kConvertOk);
}

}  // namespace
