// Baseline JPEG encoding of 24-bit pixel buffers over libjpeg-turbo (6b API
// plus its blue-green-red input).
//
// Output: SOI, [JFIF APP0 only when asked], [one marker segment given by the
// caller], then tables, SOF0 with 4:2:2 sampling (luminance 2x1, chroma 1x1),
// Huffman tables, one scan and EOI. Pixel buffers are rows of exactly
// width * 3 bytes, red-green-blue, top row first, unless the flags say
// otherwise; the caller's buffer is never changed.
//
// Results: 1 on success, 0 on failure (nothing is printed, nothing thrown).
// A library error after the output file was opened leaves that file on disk
// with whatever had been written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

// Largest payload one marker segment can carry; libjpeg refuses more.
constexpr uint32_t kMaxMarkerPayload = 65533;

// Reads the rows bottom-up and/or as blue-green-red when a flag is set (no
// working copy) and encodes into the file at path.
int writeJpegFromPixels(const std::filesystem::path& path, const uint8_t* pixels, uint32_t width,
                        uint32_t height, int markerCode, const uint8_t* markerData,
                        uint32_t markerLength, bool writeJfif, int quality, bool flipRows,
                        bool swapRedBlue);

// The same into memory: out is replaced by the complete JPEG file (emptied on failure).
int writeJpegFromPixels(std::vector<uint8_t>& out, const uint8_t* pixels, uint32_t width,
                        uint32_t height, int markerCode, const uint8_t* markerData,
                        uint32_t markerLength, bool writeJfif, int quality, bool flipRows,
                        bool swapRedBlue);

// The encoder itself: RGB rows top to bottom, straight from the buffer.
int encodeRgbToJpegFile(const std::filesystem::path& path, const uint8_t* pixels, uint32_t width,
                        uint32_t height, int quality, int markerCode, const uint8_t* markerData,
                        uint32_t markerLength, bool writeJfif);

int encodeRgbToJpegMemory(std::vector<uint8_t>& out, const uint8_t* pixels, uint32_t width,
                          uint32_t height, int quality, int markerCode, const uint8_t* markerData,
                          uint32_t markerLength, bool writeJfif);

// The encoder fed row by row, for rows that become known one after another
// (a picture still being scaled): the same settings and the same bytes as
// the whole-buffer calls above. After a failure every call returns false and
// does nothing; memory output is emptied then.
class JpegRowEncoder {
public:
    explicit JpegRowEncoder(std::vector<uint8_t>& out);  // replaced by the JPEG file
    explicit JpegRowEncoder(std::FILE* file);            // opened and closed by the caller
    ~JpegRowEncoder();
    JpegRowEncoder(const JpegRowEncoder&) = delete;
    JpegRowEncoder& operator=(const JpegRowEncoder&) = delete;

    // Writes everything up to the pixel data. bgr: rows are blue-green-red.
    bool start(uint32_t width, uint32_t height, int quality, bool bgr, bool writeJfif = false,
               int markerCode = 0, const uint8_t* markerData = nullptr, uint32_t markerLength = 0);
    // The next count rows (width * 3 bytes each), top row first.
    bool write(const uint8_t* const* rows, uint32_t count);
    // Once every row is written: ends the file.
    bool finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};
