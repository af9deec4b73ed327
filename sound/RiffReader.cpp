#include "sound/RiffReader.h"

#include "sound/FileIo.h"

#include <cstring>
#include <vector>

namespace {

bool idIs(const uint8_t* at, const char* id)
{
    return std::memcmp(at, id, 4) == 0;
}

// A header (identifier and size) fully inside the buffer at offset.
bool headerFits(uint64_t offset, size_t length)
{
    return offset + 8 <= length;
}

}  // namespace

WaveFormat readWaveFormat(const uint8_t* at)
{
    WaveFormat format;
    format.formatTag = readLe16(at);
    format.channels = readLe16(at + 2);
    format.samplesPerSecond = readLe32(at + 4);
    format.bytesPerSecond = readLe32(at + 8);
    format.blockAlign = readLe16(at + 12);
    format.bitsPerSample = readLe16(at + 14);
    return format;
}

void writeWaveFormat(uint8_t* at, const WaveFormat& format)
{
    writeLe16(at, format.formatTag);
    writeLe16(at + 2, format.channels);
    writeLe32(at + 4, format.samplesPerSecond);
    writeLe32(at + 8, format.bytesPerSecond);
    writeLe16(at + 12, format.blockAlign);
    writeLe16(at + 14, format.bitsPerSample);
}

int soundFileKind(const std::filesystem::path& path)
{
    uint8_t head[12];
    const IoResult got = readFileAt(path, 0, sizeof head, head);
    if (!got.ok || got.bytes < sizeof head)
        return kSoundFileOther;
    if (idIs(head, "FORM") && idIs(head + 8, "AIFF"))
        return kSoundFileAiff;
    if (idIs(head, "RIFF") && idIs(head + 8, "WAVE"))
        return kSoundFileWave;
    return kSoundFileOther;
}

bool findWaveData(const uint8_t* buffer, size_t length, WaveData& data, WaveFormat& format)
{
    if (buffer == nullptr || length < 12)
        return false;
    // Writers that count the RIFF header in its size declare 8 bytes too many.
    const uint64_t extent = chunkSpan(readLe32(buffer + 4));
    if (extent > uint64_t{length} + 9)
        return false;

    bool haveData = false;
    bool haveFormat = false;
    uint64_t offset = 12;
    while (offset < extent) {
        if (!headerFits(offset, length))
            return false;
        const uint8_t* chunk = buffer + offset;
        const uint32_t size = readLe32(chunk + 4);
        const uint64_t span = chunkSpan(size);
        if (idIs(chunk, "data")) {
            const uint64_t body = offset + 8;
            const uint64_t available = length - body;
            const uint64_t declared = span - 8;
            data.bytes = buffer + body;
            data.length = static_cast<size_t>(declared < available ? declared : available);
            haveData = true;
        } else if (idIs(chunk, "fmt ")) {
            if (offset + 8 + kWaveFormatSize > length)
                return false;
            format = readWaveFormat(chunk + 8);
            haveFormat = true;
        }
        if (haveData && haveFormat)
            return true;
        offset += span;
    }
    return false;
}

bool hasInfoEntry(const uint8_t* buffer, size_t length, const char* identifier)
{
    if (buffer == nullptr || identifier == nullptr || length < 12)
        return false;
    if (chunkSpan(readLe32(buffer + 4)) != length)
        return false;

    uint64_t offset = 12;
    while (offset < length) {
        if (!headerFits(offset, length))
            return false;
        const uint8_t* chunk = buffer + offset;
        const uint64_t span = chunkSpan(readLe32(chunk + 4));
        if (idIs(chunk, "LIST") && offset + 12 <= length && idIs(chunk + 8, "INFO")) {
            uint64_t entry = offset + 12;
            while (entry + 4 <= length) {
                if (idIs(buffer + entry, identifier))
                    return true;
                if (!headerFits(entry, length))
                    return false;
                entry += chunkSpan(readLe32(buffer + entry + 4));
            }
            return false;
        }
        offset += span;
    }
    return false;
}

int inspectSourceSound(const std::filesystem::path& path)
{
    std::vector<uint8_t> file;
    if (!readWholeFile(path, file))
        return kSourceAcceptable;
    WaveData data;
    WaveFormat format;
    if (!findWaveData(file.data(), file.size(), data, format))
        return kSourceAcceptable;
    if (format.formatTag != kFormatPcm)
        return kSourceNotPcm;
    return hasInfoEntry(file.data(), file.size(), "ICOP") ? kSourceCopyrighted : kSourceAcceptable;
}
