#include "sound/CameraSoundWriter.h"

#include "sound/FileIo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Appends to a buffer, or only counts when it has none: the LIST sizes come
// from a counting pass over the same code that writes the entries.
class ChunkSink {
public:
    explicit ChunkSink(std::vector<uint8_t>* out) : out_(out) {}

    void bytes(const void* data, size_t count)
    {
        if (out_) {
            const auto* at = static_cast<const uint8_t*>(data);
            out_->insert(out_->end(), at, at + count);
        }
        size_ += count;
    }
    void id(const char* fourcc) { bytes(fourcc, 4); }
    void u32(uint32_t value)
    {
        uint8_t le[4];
        writeLe32(le, value);
        bytes(le, sizeof le);
    }
    size_t size() const { return size_; }

private:
    std::vector<uint8_t>* out_;
    size_t size_ = 0;
};

void padByte(ChunkSink& sink, uint32_t size)
{
    if (size & 1u) {
        const uint8_t zero = 0;
        sink.bytes(&zero, 1);
    }
}

template <size_t N>
void putEntry(ChunkSink& sink, const char* id, const char (&body)[N])
{
    sink.id(id);
    sink.u32(static_cast<uint32_t>(N));
    sink.bytes(body, N);
    padByte(sink, static_cast<uint32_t>(N));
}

template <typename Entries>
void putList(ChunkSink& sink, const char* type, Entries entries)
{
    ChunkSink counter(nullptr);
    entries(counter);
    sink.id("LIST");
    sink.u32(static_cast<uint32_t>(4 + counter.size()));
    sink.id(type);
    entries(sink);
}

template <size_t N>
void setText(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(N, std::strlen(text)));
}

bool writeLe32At(const std::filesystem::path& path, int64_t offset, uint32_t value)
{
    uint8_t le[4];
    writeLe32(le, value);
    const IoResult put = writeFileAt(path, offset, le, sizeof le);
    return put.ok && put.bytes == sizeof le;
}

// The RIFF size: the file's length less the 8 bytes of the RIFF header.
bool fixRiffSize(const std::filesystem::path& path)
{
    const int64_t length = fileLength(path);
    if (length < 8 || length - 8 > int64_t{UINT32_MAX})
        return false;
    return writeLe32At(path, 4, static_cast<uint32_t>(length - 8));
}

// Rewrites the file from the data chunk's header on: block, then the data
// chunk again. D is returned for the padding that follows the INFO list.
bool insertBlock(const std::filesystem::path& path, const std::vector<uint8_t>& block,
                 uint32_t& dataLength)
{
    const int64_t length = fileLength(path);
    if (length < 0)
        return false;
    std::vector<uint8_t> file;
    if (!readWholeFile(path, file))
        return false;
    WaveData data;
    WaveFormat format;
    if (!findWaveData(file.data(), file.size(), data, format) || data.length > UINT32_MAX)
        return false;
    const int64_t header = length - static_cast<int64_t>(data.length) - 8;
    // Only a file whose data chunk comes last may be rewritten this way; any
    // other would be damaged, so it fails untouched.
    if (header < 12 || data.bytes - file.data() != header + 8)
        return false;

    const IoResult put = writeFileAt(path, header, block.data(), block.size());
    if (!put.ok || put.bytes != block.size())
        return false;
    const int64_t dataHeader = header + static_cast<int64_t>(put.bytes);
    const IoResult id = writeFileAt(path, dataHeader, "data", 4);
    if (!id.ok || id.bytes != 4)
        return false;
    dataLength = static_cast<uint32_t>(data.length);
    if (!writeLe32At(path, dataHeader + 4, dataLength))
        return false;
    const IoResult samples = writeFileAt(path, dataHeader + 8, data.bytes, data.length);
    if (!samples.ok || samples.bytes != data.length)
        return false;
    return fixRiffSize(path);
}

}  // namespace

CameraSoundInfo makeCameraSoundInfo(int year, int month, int day, int hour, int minute, int second,
                                    int pictureNumber)
{
    CameraSoundInfo info;
    char text[32];
    setText(info.title, "               ");
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    setText(info.creationDate, text);
    std::memcpy(info.exifVersion, "0201", 4);
    // The picture's own name, in the format its naming uses; the compiler's
    // format check objects to the repeated zero flags, which printf reads as one.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
#endif
    std::snprintf(text, sizeof text, "%02d%02d%0004d.jpg", month, day, pictureNumber);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    setText(info.relatedImage, text);
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.000", hour, minute, second);
    setText(info.creationTime, text);
    setText(info.make, "TAMRI ORVEN CORP.");
    setText(info.model, "orv01");
    // Every text ends in a zero byte, except the version, which fills its field.
    info.title[15] = info.creationDate[10] = info.relatedImage[12] = 0;
    info.creationTime[12] = info.make[17] = info.model[5] = 0;
    return info;
}

std::vector<uint8_t> plainWaveHeader(uint32_t sampleBytes, const WaveFormat& format)
{
    std::vector<uint8_t> header;
    ChunkSink sink(&header);
    uint8_t fmt[kWaveFormatSize];
    writeWaveFormat(fmt, format);
    sink.id("RIFF");
    sink.u32(sampleBytes + 36);
    sink.id("WAVE");
    sink.id("fmt ");
    sink.u32(kWaveFormatSize);
    sink.bytes(fmt, sizeof fmt);
    sink.id("data");
    sink.u32(sampleBytes);
    return header;
}

std::vector<uint8_t> infoBlock(const CameraSoundInfo& info)
{
    std::vector<uint8_t> block;
    ChunkSink sink(&block);
    putList(sink, "INFO", [&info](ChunkSink& entries) {
        putEntry(entries, "INAM", info.title);
        putEntry(entries, "ICRD", info.creationDate);
    });
    return block;
}

std::vector<uint8_t> exifBlock(const CameraSoundInfo& info)
{
    std::vector<uint8_t> block;
    ChunkSink sink(&block);
    putList(sink, "exif", [&info](ChunkSink& entries) {
        putEntry(entries, "ever", info.exifVersion);
        putEntry(entries, "erel", info.relatedImage);
        putEntry(entries, "etim", info.creationTime);
        putEntry(entries, "ecor", info.make);
        putEntry(entries, "emdl", info.model);
    });
    return block;
}

uint32_t paddedSoundLength(uint32_t dataLength)
{
    if (dataLength < 24000)
        return 24000;
    if (dataLength > 24000 && dataLength < 40000)
        return 40000;
    if (dataLength > 40000 && dataLength < 80000)
        return 80000;
    return dataLength;
}

bool writePlainWave(const uint8_t* samples, size_t count, const WaveFormat& format,
                    const std::filesystem::path& path)
{
    if (count > UINT32_MAX - 36 || (samples == nullptr && count != 0))
        return false;
    try {
        const std::vector<uint8_t> header = plainWaveHeader(static_cast<uint32_t>(count), format);
        const IoResult head = writeFileAt(path, kNewFile, header.data(), header.size());
        if (!head.ok || head.bytes != header.size())
            return false;
        const IoResult body =
            writeFileAt(path, static_cast<int64_t>(header.size()), samples, count);
        return body.ok && body.bytes == count;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool padSoundData(const std::filesystem::path& path, uint32_t dataLength)
{
    const uint32_t target = paddedSoundLength(dataLength);
    if (target == dataLength)
        return true;
    try {
        const std::vector<uint8_t> fill(target - dataLength, kCameraPadByte);
        int64_t length = 0;
        {
            std::vector<uint8_t> file;
            if (!readWholeFile(path, file))
                return false;
            length = static_cast<int64_t>(file.size());
        }
        const IoResult put = writeFileAt(path, length, fill.data(), fill.size());
        if (!put.ok || put.bytes != fill.size())
            return false;
        // The data chunk is the last one: its size field sits T + 4 from the end.
        const int64_t padded = fileLength(path);
        const int64_t sizeField = padded - int64_t{target} - 4;
        if (padded < 0 || sizeField < 0 || !writeLe32At(path, sizeField, target))
            return false;
        return fixRiffSize(path);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool insertInfoList(const std::filesystem::path& path, const CameraSoundInfo& info)
{
    try {
        uint32_t dataLength = 0;
        return insertBlock(path, infoBlock(info), dataLength) && padSoundData(path, dataLength);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool insertExifList(const std::filesystem::path& path, const CameraSoundInfo& info)
{
    try {
        uint32_t dataLength = 0;
        return insertBlock(path, exifBlock(info), dataLength);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

int addCameraChunks(const std::filesystem::path& path, const CameraSoundInfo& info)
{
    if (!insertInfoList(path, info) || !insertExifList(path, info))
        return kCameraChunksFailed;
    return kCameraChunksOk;
}
