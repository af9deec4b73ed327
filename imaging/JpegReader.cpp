// JPEG decoding through libjpeg (6b API; libjpeg-turbo in every build).
// libjpeg reports fatal errors by longjmp, so every call into it sits in a
// small C-style function below that arms setjmp, holds no object with a
// destructor and turns the jump into a result code. The state lives in one
// plain struct on the heap.
//
// Decoded at the smallest DCT scale (n/8) whose output still covers the size
// the caller is about to resize to. Grayscale gives palette rows (a gray
// ramp); CMYK and YCCK (Adobe, inverted) are turned into RGB here.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "imaging/Decoder.h"
#include "imaging/ImagingApi.h"

namespace vximg {

namespace {

// A progressive file may carry any number of scans; each one costs a pass
// over the whole picture. Real files have about ten.
constexpr int kMaxScans = 1000;
constexpr int kBatchRows = 16;

struct JpegContext {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errorMgr;
    jpeg_source_mgr sourceMgr;
    jpeg_progress_mgr progressMgr;
    std::jmp_buf jump;
    ByteSource* bytes;
    const uint8_t* memory;  // whole file when it is in memory
    size_t memorySize;
    uint8_t* input;  // chunk buffer for file sources
    uint64_t fed;    // bytes handed to libjpeg so far
    ProgressSink* progress;
    int messageCode;
    bool created;
    bool hitEnd;
    bool readError;
    bool tooManyScans;
    JOCTET fakeEoi[2];
};

void onErrorExit(j_common_ptr c)
{
    JpegContext* ctx = static_cast<JpegContext*>(c->client_data);
    ctx->messageCode = c->err->msg_code;
    std::longjmp(ctx->jump, 1);
}

void onEmitMessage(j_common_ptr c, int level)
{
    if (level < 0)
        ++c->err->num_warnings;  // corrupt-data warnings: decode on, quietly
}

void onOutputMessage(j_common_ptr) {}

void onInitSource(j_decompress_ptr) {}

boolean onFillInput(j_decompress_ptr d)
{
    JpegContext* ctx = static_cast<JpegContext*>(d->client_data);
    size_t got = 0;
    if (!ctx->memory) {
        got = ctx->bytes->read(ctx->input, kInputChunk);
        if (got == 0 && ctx->bytes->error())
            ctx->readError = true;
    }
    if (got == 0) {
        // End of data: hand libjpeg an end marker so it finishes instead of waiting.
        ctx->hitEnd = true;
        WARNMS(d, JWRN_JPEG_EOF);
        ctx->fakeEoi[0] = 0xFF;
        ctx->fakeEoi[1] = JPEG_EOI;
        d->src->next_input_byte = ctx->fakeEoi;
        d->src->bytes_in_buffer = 2;
        return TRUE;
    }
    ctx->fed += got;
    d->src->next_input_byte = ctx->input;
    d->src->bytes_in_buffer = got;
    return TRUE;
}

void onSkipInput(j_decompress_ptr d, long n)
{
    if (n <= 0)
        return;
    while (size_t(n) > d->src->bytes_in_buffer) {
        n -= long(d->src->bytes_in_buffer);
        onFillInput(d);
    }
    d->src->next_input_byte += n;
    d->src->bytes_in_buffer -= size_t(n);
}

void onTermSource(j_decompress_ptr) {}

void onProgress(j_common_ptr c)
{
    JpegContext* ctx = static_cast<JpegContext*>(c->client_data);
    if (ctx->cinfo.input_scan_number > kMaxScans) {
        ctx->tooManyScans = true;
        ERREXIT(c, JERR_NOTIMPL);
    }
    if (ctx->progress) {
        const jpeg_progress_mgr* p = c->progress;
        double f = p->completed_passes;
        if (p->pass_limit > 0)
            f += double(p->pass_counter) / double(p->pass_limit);
        if (p->total_passes > 0)
            f /= p->total_passes;
        ctx->progress->progress(f > 1.0 ? 1.0 : f);
    }
}

// --- the only functions that call libjpeg ---------------------------------

int jpegReadHeaderC(JpegContext* ctx, long maxMemory)
{
    if (setjmp(ctx->jump))
        return -1;
    ctx->cinfo.err = jpeg_std_error(&ctx->errorMgr);
    ctx->errorMgr.error_exit = onErrorExit;
    ctx->errorMgr.emit_message = onEmitMessage;
    ctx->errorMgr.output_message = onOutputMessage;
    ctx->cinfo.client_data = ctx;
    jpeg_create_decompress(&ctx->cinfo);
    ctx->created = true;
    ctx->cinfo.mem->max_memory_to_use = maxMemory;
    ctx->sourceMgr.init_source = onInitSource;
    ctx->sourceMgr.fill_input_buffer = onFillInput;
    ctx->sourceMgr.skip_input_data = onSkipInput;
    ctx->sourceMgr.resync_to_restart = jpeg_resync_to_restart;
    ctx->sourceMgr.term_source = onTermSource;
    ctx->sourceMgr.next_input_byte = ctx->memory;
    ctx->sourceMgr.bytes_in_buffer = ctx->memory ? ctx->memorySize : 0;
    ctx->cinfo.src = &ctx->sourceMgr;
    ctx->progressMgr.progress_monitor = onProgress;
    ctx->cinfo.progress = &ctx->progressMgr;
    jpeg_read_header(&ctx->cinfo, TRUE);
    return 0;
}

int jpegStartC(JpegContext* ctx, int coverWidth, int coverHeight, J_COLOR_SPACE out)
{
    if (setjmp(ctx->jump))
        return -1;
    jpeg_decompress_struct* c = &ctx->cinfo;
    c->out_color_space = out;
    c->scale_num = 8;
    c->scale_denom = 8;
    if (coverWidth > 0 && coverHeight > 0) {
        for (unsigned n = 1; n <= 8; ++n) {
            c->scale_num = n;
            jpeg_calc_output_dimensions(c);
            if (c->output_width >= unsigned(coverWidth) &&
                c->output_height >= unsigned(coverHeight))
                break;
        }
    }
    jpeg_start_decompress(c);
    return 0;
}

int jpegReadRowsC(JpegContext* ctx, JSAMPARRAY rows, int max, int* got)
{
    if (setjmp(ctx->jump))
        return -1;
    *got = int(jpeg_read_scanlines(&ctx->cinfo, rows, JDIMENSION(max)));
    return 0;
}

int jpegSkipRowsC(JpegContext* ctx, int rows, int* skipped)
{
    if (setjmp(ctx->jump))
        return -1;
    *skipped = int(jpeg_skip_scanlines(&ctx->cinfo, JDIMENSION(rows)));
    return 0;
}

void jpegDestroyC(JpegContext* ctx)
{
    if (ctx->created)
        jpeg_destroy_decompress(&ctx->cinfo);
    ctx->created = false;
}

// ---------------------------------------------------------------------------

int mapError(const JpegContext& ctx)
{
    if (ctx.readError)
        return kErrFileRead;
    if (ctx.tooManyScans)
        return kErrCorrupt;
    switch (ctx.messageCode) {
    case JERR_NO_SOI: return kErrUnknownFormat;
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE: return kErrNoMemory;
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW: return kErrTooLarge;
    default: break;
    }
    return ctx.hitEnd ? kErrTruncated : kErrCorrupt;
}

struct ContextDeleter {
    void operator()(JpegContext* c) const
    {
        jpegDestroyC(c);
        delete c;
    }
};
using ContextPtr = std::unique_ptr<JpegContext, ContextDeleter>;

ContextPtr newContext(ByteSource& bytes, Buffer& input, ProgressSink* progress)
{
    ContextPtr ctx(new JpegContext());  // value-initialised: all zero
    ctx->bytes = &bytes;
    ctx->memory = bytes.memory();
    ctx->memorySize = size_t(bytes.size());
    if (!ctx->memory)
        ctx->input = input.ensure(kInputChunk);
    ctx->progress = progress;
    return ctx;
}

const std::vector<Bgr>& grayRamp()
{
    static const std::vector<Bgr> ramp = grayPalette();
    return ramp;
}

class JpegRowReader final : public RowReader {
public:
    JpegRowReader(std::unique_ptr<ByteSource> ownBytes, ContextPtr ctx, bool cmyk, bool adobe)
        : ownBytes_(std::move(ownBytes)), ctx_(std::move(ctx)), cmyk_(cmyk), adobeInverted_(adobe)
    {}

    int prepare(Buffer& io)
    {
        const jpeg_decompress_struct& c = ctx_->cinfo;
        width = int(c.output_width);
        height = int(c.output_height);
        components_ = c.output_components;
        format = components_ == 1 ? RowFormat::Index8 : RowFormat::Bgr24;
        palette = components_ == 1 ? &grayRamp() : nullptr;
        rowBytes_ = size_t(width) * size_t(components_);
        skipStep = c.max_v_samp_factor * c.min_DCT_scaled_size;  // rows of one iMCU row
        uint8_t* base = io.ensure(rowBytes_ * kBatchRows + size_t(width) * 3 + 16);
        for (int i = 0; i < kBatchRows; ++i)
            rows_[i] = base + rowBytes_ * size_t(i);
        converted_ = base + rowBytes_ * kBatchRows;
        return kOk;
    }

    int next(const uint8_t** out) override
    {
        if (delivered_ >= height)
            return kErrCorrupt;
        if (batchPos_ >= batchCount_) {
            int got = 0;
            const int want = std::min(kBatchRows, height - delivered_);
            if (jpegReadRowsC(ctx_.get(), rows_, want, &got) != 0)
                return mapError(*ctx_);
            if (ctx_->readError)
                return kErrFileRead;
            if (got <= 0)
                return kErrCorrupt;
            batchPos_ = 0;
            batchCount_ = got;
        }
        const uint8_t* r = rows_[batchPos_++];
        ++delivered_;
        *out = convert(r);
        return kOk;
    }

    // Rows skipped by libjpeg are entropy-decoded only (no IDCT, no colours).
    int skip(int rows) override
    {
        const int buffered = std::min(rows, batchCount_ - batchPos_);
        batchPos_ += buffered;
        delivered_ += buffered;
        rows = std::min(rows - buffered, height - delivered_);
        if (rows <= 0)
            return kOk;
        int skipped = 0;
        if (jpegSkipRowsC(ctx_.get(), rows, &skipped) != 0)
            return mapError(*ctx_);
        if (ctx_->readError)
            return kErrFileRead;
        delivered_ += skipped;
        return skipped == rows ? kOk : kErrCorrupt;
    }

private:
    const uint8_t* convert(const uint8_t* r)
    {
        if (cmyk_) {
            uint8_t* d = converted_;
            for (int x = 0; x < width; ++x, r += 4, d += 3) {
                // Adobe writes the inks inverted (255 = no ink)
                int c = r[0], m = r[1], y = r[2], k = r[3];
                if (!adobeInverted_) {
                    c = 255 - c;
                    m = 255 - m;
                    y = 255 - y;
                    k = 255 - k;
                }
                d[0] = uint8_t((y * k + 127) / 255);
                d[1] = uint8_t((m * k + 127) / 255);
                d[2] = uint8_t((c * k + 127) / 255);
            }
            return converted_;
        }
#ifndef JCS_EXTENSIONS
        if (components_ == 3) {
            uint8_t* d = converted_;
            for (int x = 0; x < width; ++x, r += 3, d += 3) {
                d[0] = r[2];
                d[1] = r[1];
                d[2] = r[0];
            }
            return converted_;
        }
#endif
        return r;
    }

    std::unique_ptr<ByteSource> ownBytes_;  // a second pass's; outlives ctx_
    ContextPtr ctx_;
    bool cmyk_;
    bool adobeInverted_;
    int components_ = 3;
    size_t rowBytes_ = 0;
    JSAMPROW rows_[kBatchRows] = {};
    uint8_t* converted_ = nullptr;
    int batchPos_ = 0;
    int batchCount_ = 0;
    int delivered_ = 0;
};

class JpegSource final : public SourceImage {
public:
    int init(std::unique_ptr<ByteSource> bytes, const LoadLimits& limits, Buffer& input)
    {
        bytes_ = std::move(bytes);
        maxMemory_ =
            long(std::min<uint64_t>(limits.maxPixels * 8 + (uint64_t(64) << 20), 1500000000u));
        ContextPtr ctx = newContext(*bytes_, input, nullptr);
        if (!bytes_->seek(0))
            return kErrFileRead;
        if (jpegReadHeaderC(ctx.get(), maxMemory_) != 0)
            return mapError(*ctx);
        const jpeg_decompress_struct& c = ctx->cinfo;
        if (c.image_width == 0 || c.image_height == 0)
            return kErrCorrupt;
        if (c.image_width > 65535 || c.image_height > 65535)
            return kErrTooLarge;
        if (uint64_t(c.image_width) * c.image_height > limits.maxPixels)
            return kErrTooLarge;
        switch (c.jpeg_color_space) {
        case JCS_GRAYSCALE:
            bitsPerPixel = 8;
            palette = grayPalette();
            break;
        case JCS_YCbCr:
        case JCS_RGB: bitsPerPixel = 24; break;
        case JCS_CMYK:
        case JCS_YCCK:
            bitsPerPixel = 24;
            cmyk_ = true;
            break;
        default: return kErrUnsupported;
        }
        colorSpace_ = c.jpeg_color_space;
        multiScan_ = c.progressive_mode || c.comps_in_scan < c.num_components;
        adobe_ = c.saw_Adobe_marker;
        width = int(c.image_width);
        height = int(c.image_height);
        const uint64_t scanStart = (ctx->memory ? uint64_t(c.src->next_input_byte - ctx->memory)
                                                : ctx->fed - c.src->bytes_in_buffer);
        ctx.reset();
        return checkEnd(scanStart, input);
    }

    int open(int coverWidth, int coverHeight, ProgressSink* progress, Buffer& io, Buffer& input,
             std::unique_ptr<RowReader>& reader) override
    {
        return startPass(nullptr, coverWidth, coverHeight, progress, io, input, reader);
    }

    int openSecond(int coverWidth, int coverHeight, Buffer& io, Buffer& input,
                   std::unique_ptr<RowReader>& reader) override
    {
        // Every scan of a multi-scan file is read before the first row comes.
        if (multiScan_)
            return kErrUnsupported;
        std::unique_ptr<ByteSource> bytes = bytes_->another();
        if (!bytes)
            return kErrFileOpen;
        return startPass(std::move(bytes), coverWidth, coverHeight, nullptr, io, input, reader);
    }

private:
    // A pass over this source's bytes, or over ownBytes (which it then keeps).
    int startPass(std::unique_ptr<ByteSource> ownBytes, int coverWidth, int coverHeight,
                  ProgressSink* progress, Buffer& io, Buffer& input,
                  std::unique_ptr<RowReader>& reader)
    {
        ByteSource& bytes = ownBytes ? *ownBytes : *bytes_;
        ContextPtr ctx = newContext(bytes, input, progress);
        if (!bytes.seek(0))
            return kErrFileRead;
        if (jpegReadHeaderC(ctx.get(), maxMemory_) != 0)
            return mapError(*ctx);
        if (int(ctx->cinfo.image_width) != width || int(ctx->cinfo.image_height) != height ||
            ctx->cinfo.jpeg_color_space != colorSpace_)
            return kErrCorrupt;  // the file changed since the load
        J_COLOR_SPACE out = cmyk_ ? JCS_CMYK
                                  : (bitsPerPixel == 8 ? JCS_GRAYSCALE :
#ifdef JCS_EXTENSIONS
                                                       JCS_EXT_BGR
#else
                                                       JCS_RGB
#endif
                                    );
        if (jpegStartC(ctx.get(), coverWidth, coverHeight, out) != 0)
            return mapError(*ctx);
        auto r =
            std::make_unique<JpegRowReader>(std::move(ownBytes), std::move(ctx), cmyk_, adobe_);
        const int rc = r->prepare(io);
        if (rc != kOk)
            return rc;
        reader = std::move(r);
        return kOk;
    }

    // A JPEG cut short loses its end marker; entropy-coded data never contains
    // one, so an FF D9 after the first scan's start means the data is complete.
    // Only the tail is searched (cameras may pad a little after the marker).
    int checkEnd(uint64_t scanStart, Buffer& input)
    {
        const uint64_t size = bytes_->size();
        if (scanStart >= size)
            return kErrTruncated;
        const uint64_t from = size - std::min<uint64_t>(size - scanStart, 256 * 1024);
        if (const uint8_t* m = bytes_->memory())
            return hasEnd(m + from, size_t(size - from)) ? kOk : kErrTruncated;
        // backwards in chunks that overlap by one byte, so no marker is split
        uint8_t* chunk = input.ensure(kInputChunk);
        uint64_t end = size;
        while (end > from + 1) {
            const uint64_t begin =
                std::max<uint64_t>(from, end > kInputChunk ? end - kInputChunk : 0);
            if (!bytes_->readAt(begin, chunk, size_t(end - begin)))
                return kErrFileRead;
            if (hasEnd(chunk, size_t(end - begin)))
                return kOk;
            end = begin + 1;
        }
        return kErrTruncated;
    }

    static bool hasEnd(const uint8_t* p, size_t n)
    {
        for (size_t i = n; i-- > 1;)
            if (p[i] == JPEG_EOI && p[i - 1] == 0xFF)
                return true;
        return false;
    }

    void suspend() override
    {
        bytes_->suspend();
    }

    std::unique_ptr<ByteSource> bytes_;
    long maxMemory_ = 0;
    J_COLOR_SPACE colorSpace_ = JCS_UNKNOWN;
    bool cmyk_ = false;
    bool adobe_ = false;
    bool multiScan_ = false;
};

}  // namespace

int openJpegSource(std::unique_ptr<ByteSource> bytes, const LoadLimits& limits, Buffer& input,
                   std::unique_ptr<SourceImage>& source)
{
    auto s = std::make_unique<JpegSource>();
    const int rc = s->init(std::move(bytes), limits, input);
    if (rc != kOk)
        return rc;
    source = std::move(s);
    return kOk;
}

int openSourceImage(std::unique_ptr<ByteSource> bytes, const LoadLimits& limits, Buffer& input,
                    std::unique_ptr<SourceImage>& source)
{
    uint8_t magic[2] = {0, 0};
    if (bytes->size() < 2)
        return kErrUnknownFormat;
    if (!bytes->readAt(0, magic, 2))
        return bytes->error() ? kErrFileRead : kErrTruncated;
    if (magic[0] == 0xFF && magic[1] == 0xD8)
        return openJpegSource(std::move(bytes), limits, input, source);
    if (magic[0] == 'B' && magic[1] == 'M')
        return openBmpSource(std::move(bytes), limits, source);
    return kErrUnknownFormat;
}

}  // namespace vximg
