// A loaded picture whose pixels have not been decoded yet, and one decoding
// pass over it. Loading reads only the header (and checks that the data is
// all there); the pass is opened once the next operation says which size is
// wanted, so a JPEG can be decoded at a reduced DCT scale.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/ByteSource.h"

namespace vximg {

enum class RowFormat { Bgr24, Index8 };

class RowReader {
public:
    virtual ~RowReader() = default;
    // Next row in stream order: width pixels of format (Index8 rows index
    // palette(); entries missing there are black).
    virtual int next(const uint8_t** row) = 0;
    // Passes over the next rows without delivering them, more cheaply than
    // reading them where the format allows.
    virtual int skip(int rows);

    int width = 0;
    int height = 0;
    RowFormat format = RowFormat::Bgr24;
    bool bottomUp = false;  // the first row delivered is the bottom row
    const std::vector<Bgr>* palette = nullptr;
    // Skipping a multiple of this many rows decodes none of them fully.
    int skipStep = 1;
};

// Called during long passes with the fraction done (0..1).
struct ProgressSink {
    virtual void progress(double fraction) = 0;

protected:
    ~ProgressSink() = default;
};

class SourceImage {
public:
    virtual ~SourceImage() = default;
    // Opens a pass whose rows are at least coverWidth x coverHeight when the
    // format can decode smaller than full size (0, 0: full size). io and
    // input are the caller's reusable buffers; the pass uses them until it is
    // destroyed.
    virtual int open(int coverWidth, int coverHeight, ProgressSink* progress, Buffer& io,
                     Buffer& input, std::unique_ptr<RowReader>& reader) = 0;
    // A pass like open's over bytes of its own, to run on another thread
    // beside the first one and skip the rows it reads; kErrUnsupported where
    // skipping saves too little (all but single-scan JPEGs).
    virtual int openSecond(int coverWidth, int coverHeight, Buffer& io, Buffer& input,
                           std::unique_ptr<RowReader>& reader);
    // Between passes: no open file is kept.
    virtual void suspend() = 0;

    int width = 0;  // true size
    int height = 0;
    int bitsPerPixel = 0;      // what the decoded picture will have: 1, 4, 8 or 24
    std::vector<Bgr> palette;  // of a 1, 4 or 8 bit picture
};

struct LoadLimits {
    uint64_t maxPixels = uint64_t(1) << 28;
};

// Reads the header of a JPEG or BMP picture from bytes (which the source then
// owns), reading through the caller's reusable input buffer. On failure the
// result is an error code and source stays empty.
int openSourceImage(std::unique_ptr<ByteSource> bytes, const LoadLimits& limits, Buffer& input,
                    std::unique_ptr<SourceImage>& source);

int openBmpSource(std::unique_ptr<ByteSource> bytes, const LoadLimits& limits,
                  std::unique_ptr<SourceImage>& source);
int openJpegSource(std::unique_ptr<ByteSource> bytes, const LoadLimits& limits, Buffer& input,
                   std::unique_ptr<SourceImage>& source);

// Size of the input chunks (and so of the input buffer).
constexpr size_t kInputChunk = 64 * 1024;

}  // namespace vximg
