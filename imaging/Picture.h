// The picture behind every IPicture: the decoded bitmap, or a loaded file
// waiting to be decoded, plus the buffers kept for the next operation.
//
// Lazy decoding: load() reads the header and checks the file; the pixels are
// decoded by the first operation that needs them. resize() decodes a JPEG at
// the smallest DCT scale that still covers the new size and streams the rows
// through the resampler, so neither the full-size picture nor the file is
// ever held in memory whole. Every other operation decodes at full size.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/Bitmap.h"
#include "imaging/BmpFormat.h"
#include "imaging/Decoder.h"
#include "imaging/ImagingApi.h"
#include "imaging/Resample.h"

namespace vximg {

class PictureCore final : private ProgressSink {
public:
    PictureCore();
    ~PictureCore();
    PictureCore(const PictureCore&) = delete;
    PictureCore& operator=(const PictureCore&) = delete;

    int load(const char* utf8Path);
    int loadMemory(const void* data, size_t size);
    int createBlank(float width, float height, int bitsPerPixel);
    int fill(uint32_t color);
    // sink, when given, receives the rows as they are made (see IPicture::resizeWithRows).
    int resize(float width, float height, int flags, RowSink* sink = nullptr);
    int paint(float x, float y, float width, float height, PictureCore* src, float srcX,
              float srcY);
    int setColorResolution(int bitsPerPixel);
    int copyFrom(PictureCore* src);

    int width() const;
    int height() const;
    int bitsPerPixel() const;
    int paletteSize() const;
    uint32_t paletteEntry(int index) const;
    int setPaletteEntry(int index, uint32_t color);

    size_t dibSize() const;
    int copyDib(void* dst, size_t capacity);
    int dibView(const void** dib, size_t* size);
    int saveBmp(const char* utf8Path, int bitsPerPixel);
    int writeBmpTo(ByteSink& sink, int bitsPerPixel);

    void setProgressCallback(ProgressCallback callback, void* user);
    void enableProgress(bool on) { progressOn_ = on; }
    bool progressEnabled() const { return progressOn_; }
    void setMaxPixels(uint64_t pixels) { limits_.maxPixels = pixels; }

    bool busy() const { return busy_; }
    // Rises with every operation that may change what the picture shows.
    uint64_t changes() const { return changes_; }
    bool pending() const { return bool(pending_); }
    // The decoded pixels (decoding now if needed); null without a picture.
    int decoded(const Bitmap** out);
    // For the capture: a picture of this size to be filled by the caller.
    Bitmap& replaceBitmap(int width, int height, int bitsPerPixel);
    // A width x height resampled copy for display, the picture unchanged.
    int renderScaled(int width, int height, Bitmap& out);

    // Kernel used when resampling (tests compare them).
    void setKernel(Kernel k) { kernel_ = k; }

private:
    class BusyGuard;
    void progress(double fraction) override;
    void beginProgress() { lastPercent_ = -1; }
    void endProgress();
    int adopt(std::unique_ptr<ByteSource> bytes);
    int materialize();
    int streamResample(RowReader& reader, int dstWidth, int dstHeight, Bitmap& dst, bool reportRows,
                       RowSink* sink = nullptr);
    int decodeResampled(SourceImage& source, int dstWidth, int dstHeight, Bitmap& dst,
                        RowSink* sink = nullptr);
    int prepareDepth(int bits, const Bitmap*& out);

    Bitmap bitmap_;
    std::unique_ptr<SourceImage> pending_;
    Bitmap scratch_;
    Bitmap scratch2_;
    Buffer io_;
    Buffer input_;
    Buffer rowBuffer_;
    Buffer aheadBuffer_;  // rows between the decoding threads and the resampler
    Buffer secondIo_;     // the second decoding pass's own buffers
    Buffer secondInput_;
    Buffer dibBuffer_;  // packed 1 and 4 bit DIBs for dibView
    Resampler resampler_;
    Kernel kernel_ = Kernel::Lanczos3;
    LoadLimits limits_;
    ProgressCallback callback_ = nullptr;
    void* callbackUser_ = nullptr;
    bool progressOn_ = false;
    int lastPercent_ = -1;
    bool busy_ = false;
    uint64_t changes_ = 0;
};

// The portable component (no window). Never null.
IPicture* createPicture();

// Rounds a size or place given as a float; false when out of range.
bool roundSize(float v, int& out);
bool roundPlace(float v, int& out);

}  // namespace vximg
