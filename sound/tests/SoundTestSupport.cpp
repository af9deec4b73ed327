#include "sound/tests/SoundTestSupport.h"

#include <gtest/gtest.h>

namespace {
unsigned g_waits = 0;
void (*g_onWait)(unsigned) = nullptr;
void countWait(unsigned milliseconds)
{
    EXPECT_EQ(milliseconds, kRetryWaitMs);
    ++g_waits;
    if (g_onWait != nullptr)
        g_onWait(g_waits);
}
}  // namespace

CountedWaits::CountedWaits(void (*onWait)(unsigned)) : previous_(setRetrySleep(&countWait))
{
    g_waits = 0;
    g_onWait = onWait;
}
CountedWaits::~CountedWaits()
{
    setRetrySleep(previous_);
}
unsigned CountedWaits::count() const
{
    return g_waits;
}

Bytes text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes le16(uint16_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}

Bytes le32(uint32_t v)
{
    return le16(static_cast<uint16_t>(v)) + le16(static_cast<uint16_t>(v >> 16));
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes chunk(const std::string& id, const Bytes& body)
{
    Bytes out = rawChunk(id, static_cast<uint32_t>(body.size()), body);
    if (body.size() & 1)
        out.push_back(0);
    return out;
}

Bytes rawChunk(const std::string& id, uint32_t size, const Bytes& body)
{
    return text(id) + le32(size) + body;
}

Bytes riff(const std::string& form, const Bytes& parts)
{
    return text("RIFF") + le32(static_cast<uint32_t>(4 + parts.size())) + text(form) + parts;
}

Bytes fmtBody(const WaveFormat& f)
{
    return le16(f.formatTag) + le16(f.channels) + le32(f.samplesPerSecond) +
           le32(f.bytesPerSecond) + le16(f.blockAlign) + le16(f.bitsPerSample);
}

WaveFormat pcmFormat(uint32_t rate, uint16_t channels, uint16_t bits)
{
    WaveFormat f;
    f.formatTag = 1;
    f.channels = channels;
    f.samplesPerSecond = rate;
    f.blockAlign = static_cast<uint16_t>(channels * (bits / 8));
    f.bytesPerSecond = rate * f.blockAlign;
    f.bitsPerSample = bits;
    return f;
}

Bytes pcmWave(const WaveFormat& format, const Bytes& data)
{
    return riff("WAVE", chunk("fmt ", fmtBody(format)) + chunk("data", data));
}

Bytes pcm16(const std::vector<int16_t>& first, int channels)
{
    Bytes out;
    out.reserve(first.size() * 2 * channels);
    for (const int16_t v : first) {
        for (int c = 0; c < channels; ++c) {
            const int sample = c == 0 ? v : (v == -32768 ? 32767 : -v);
            const auto u = static_cast<uint16_t>(sample);
            out.push_back(static_cast<uint8_t>(u));
            out.push_back(static_cast<uint8_t>(u >> 8));
        }
    }
    return out;
}

std::vector<int16_t> lcgNoise(size_t count, uint32_t seed, int shift)
{
    std::vector<int16_t> out;
    out.reserve(count);
    uint32_t state = seed;
    for (size_t i = 0; i < count; ++i) {
        state = (state * 1103515245u + 12345u) & 0x7FFFFFFFu;
        int v = static_cast<int>((state >> 15) & 0xFFFF);
        if (v >= 0x8000)
            v -= 0x10000;
        // Python's >> on negative numbers rounds toward minus infinity.
        out.push_back(static_cast<int16_t>(v >= 0 ? v >> shift : -((-v - 1) >> shift) - 1));
    }
    return out;
}

std::vector<int16_t> square(size_t count, size_t period, int16_t low, int16_t high)
{
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = (i % period) < period / 2 ? high : low;
    return out;
}

uint32_t fnv1a(const Bytes& bytes)
{
    uint32_t h = 0x811C9DC5u;
    for (const uint8_t b : bytes) {
        h ^= b;
        h *= 0x01000193u;
    }
    return h;
}
