// The camera's sound file: 8-bit mono PCM at 8000 per second, a RIFF INFO
// list, the Exif audio list (LIST "exif") and a data chunk of exactly 3, 5
// or 10 seconds padded with 0x7F. Built on disk in two stages: the plain
// 44-byte-header file (writePlainWave), then addCameraChunks, which inserts
// both lists in front of the data chunk and pads the data. The insertion
// relies on the data chunk being the file's last chunk, as writePlainWave
// leaves it.
#pragma once

#include "sound/RiffReader.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

constexpr WaveFormat kCameraSoundFormat{kFormatPcm, 1, 8000, 8000, 1, 8};

// The texts of a camera sound file, each exactly as stored (its width is
// the entry's size in the file).
struct CameraSoundInfo {
    char title[16];         // "INAM"
    char creationDate[11];  // "ICRD"
    char exifVersion[4];    // "ever", no terminating zero
    char relatedImage[13];  // "erel"
    char creationTime[13];  // "etim"
    char make[18];          // "ecor"
    char model[6];          // "emdl"
};
static_assert(sizeof(CameraSoundInfo) == 81, "fixed-width byte fields, no padding");

// The values the upload job stores: its start date and time and the number
// of the picture the sound belongs to ("%02d%02d%0004d.jpg").
CameraSoundInfo makeCameraSoundInfo(int year, int month, int day, int hour, int minute, int second,
                                    int pictureNumber);

constexpr size_t kPlainWaveHeaderSize = 44;
constexpr size_t kInfoBlockSize = 56;
constexpr size_t kExifBlockSize = 108;
constexpr uint8_t kCameraPadByte = 0x7F;

// Results of addCameraChunks.
enum CameraChunksResult : int {
    kCameraChunksOk = 0,
    kCameraChunksFailed = 2,
};

// The blocks as inserted in front of the data chunk.
std::vector<uint8_t> plainWaveHeader(uint32_t sampleBytes, const WaveFormat& format);
std::vector<uint8_t> infoBlock(const CameraSoundInfo& info);
std::vector<uint8_t> exifBlock(const CameraSoundInfo& info);

// The padded data length for D bytes of samples: 24000, 40000 or 80000,
// or D itself when no padding is due (24000, 40000, 80000 and more).
uint32_t paddedSoundLength(uint32_t dataLength);

// Header and samples, replacing any existing file.
bool writePlainWave(const uint8_t* samples, size_t count, const WaveFormat& format,
                    const std::filesystem::path& path);

// insertInfoList (which pads the data) then insertExifList: 0 or 2.
int addCameraChunks(const std::filesystem::path& path, const CameraSoundInfo& info);

bool insertInfoList(const std::filesystem::path& path, const CameraSoundInfo& info);
bool insertExifList(const std::filesystem::path& path, const CameraSoundInfo& info);
bool padSoundData(const std::filesystem::path& path, uint32_t dataLength);
