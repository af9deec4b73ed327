// Reading RIFF/WAVE files loaded whole into memory: the kind of a sound file
// from its first twelve bytes, the walk that finds the format record and the
// sample data, and the search for one entry of the first INFO list.
//
// Limits: numbers are little-endian and read byte by byte; no header, entry
// or body is ever read beyond the loaded bytes. A "data" chunk that declares
// more bytes than were loaded is clipped to the loaded bytes (a truncated
// recording still plays as far as it goes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

// The first 16 bytes of a "fmt " chunk's body.
struct WaveFormat {
    uint16_t formatTag = 0;  // 1: plain PCM
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t bytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

constexpr size_t kWaveFormatSize = 16;
constexpr uint16_t kFormatPcm = 1;

// The sample data found in a loaded file: points into the caller's buffer.
struct WaveData {
    const uint8_t* bytes = nullptr;
    size_t length = 0;  // the chunk's size rounded up to even, clipped to the buffer
};

// Results of soundFileKind.
enum SoundFileKind : int {
    kSoundFileAiff = 0,
    kSoundFileWave = 1,
    kSoundFileOther = 2,  // anything else, shorter than 12 bytes, or unreadable
};

// Results of inspectSourceSound.
enum SourceInspection : int {
    kSourceAcceptable = 0,  // PCM without copyright; also unreadable or unparsable
    kSourceNotPcm = 1,
    kSourceCopyrighted = 2,  // PCM with an "ICOP" entry in its INFO list
};

inline uint16_t readLe16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t readLe32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

inline void writeLe16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void writeLe32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Bytes from a chunk's first identifier byte to the next chunk: header,
// body and the pad byte of an odd body.
inline uint64_t chunkSpan(uint32_t size)
{
    return uint64_t{size} + (size & 1u) + 8;
}

WaveFormat readWaveFormat(const uint8_t* at);
void writeWaveFormat(uint8_t* at, const WaveFormat& format);

int soundFileKind(const std::filesystem::path& path);

// Finds the "fmt " and "data" chunks (either order) within the declared RIFF
// extent, which may exceed the loaded length by at most 9 bytes.
bool findWaveData(const uint8_t* buffer, size_t length, WaveData& data, WaveFormat& format);

// True when the first INFO list holds an entry with this 4-byte identifier.
// The buffer must be exactly one RIFF chunk long. As in the files this has
// always read, the entry walk runs on past the end of the INFO list to the
// end of the buffer.
bool hasInfoEntry(const uint8_t* buffer, size_t length, const char* identifier);

int inspectSourceSound(const std::filesystem::path& path);
