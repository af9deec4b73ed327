// WAV files for the Windows tests, built byte by byte, so that broken ones
// can be made as easily as good ones.
#pragma once

#include <cstdint>
#include <string>

namespace testwaves {

inline std::string le16(uint32_t value)
{
    return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

inline std::string le32(uint32_t value) { return le16(value & 0xFFFF) + le16(value >> 16); }

// A chunk whose size field says `declared` (the body's length unless given).
inline std::string chunk(const char* id, const std::string& body, int64_t declared = -1)
{
    const uint32_t size = declared < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(declared);
    return std::string(id, 4) + le32(size) + body + (body.size() % 2 ? std::string(1, '\0') : std::string());
}

inline std::string riff(const char* form, const std::string& chunks)
{
    return chunk("RIFF", std::string(form, 4) + chunks);
}

// The 16-byte format record.
inline std::string formatRecord(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag = 1)
{
    const uint32_t align = channels * ((bits + 7u) / 8u);
    return le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
}

// Silence of 8-bit mono PCM at 8000 samples a second.
inline std::string silence8k(unsigned milliseconds)
{
    return riff("WAVE", chunk("fmt ", formatRecord(1, 8000, 8)) +
                            chunk("data", std::string(8 * milliseconds, '\x80')));
}

}  // namespace testwaves
