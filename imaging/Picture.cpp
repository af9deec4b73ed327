#include "imaging/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/PathText.h"
#include "imaging/PictureImpl.h"
#include "imaging/Quantize.h"
#include "imaging/RowsAhead.h"

namespace vximg {

bool roundSize(float v, int& out)
{
    if (!(v >= 0.5f) || !(v < 65535.5f))
        return false;  // also rejects NaN
    out = int(std::floor(v + 0.5f));
    return true;
}

bool roundPlace(float v, int& out)
{
    if (!(v > -1e6f) || !(v < 1e6f))
        return false;
    out = int(std::floor(v + 0.5f));
    return true;
}

namespace {

void clearPadding(Bitmap& b)
{
    const size_t used = size_t(b.width()) * size_t(b.bytesPerPixel());
    if (used == b.stride())
        return;
    for (int y = 0; y < b.height(); ++y)
        std::memset(b.row(y) + used, 0, b.stride() - used);
}

void paletteLut(const std::vector<Bgr>& palette, Bgr lut[256])
{
    for (size_t i = 0; i < 256; ++i)
        lut[i] = i < palette.size() ? palette[i] : Bgr{0, 0, 0};
}

void expandRow(const uint8_t* s, int width, const Bgr lut[256], uint8_t* d)
{
    for (int x = 0; x < width; ++x, d += 3) {
        const Bgr c = lut[s[x]];
        d[0] = c.b;
        d[1] = c.g;
        d[2] = c.r;
    }
}

class FileSink final : public ByteSink {
public:
    explicit FileSink(std::FILE* f) : f_(f) {}
    bool write(const void* data, size_t n) override { return std::fwrite(data, 1, n, f_) == n; }

private:
    std::FILE* f_;
};

bool validBits(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

// Re-entry from a progress event (the host dispatches window messages there)
// must not touch a picture in the middle of an operation.
class PictureCore::BusyGuard {
public:
    explicit BusyGuard(PictureCore& p) : p_(p), ok_(!p.busy_)
    {
        if (ok_)
            p_.busy_ = true;
    }
    ~BusyGuard()
    {
        if (ok_)
            p_.busy_ = false;
    }
    bool ok() const { return ok_; }

private:
    PictureCore& p_;
    bool ok_;
};

PictureCore::PictureCore() = default;
PictureCore::~PictureCore() = default;

void PictureCore::setProgressCallback(ProgressCallback callback, void* user)
{
    callback_ = callback;
    callbackUser_ = user;
}

void PictureCore::progress(double fraction)
{
    const int percent = int(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent <= lastPercent_)
        return;
    lastPercent_ = percent;
    if (!progressOn_ || !callback_)
        return;
    if (!callback_(callbackUser_, percent))
        progressOn_ = false;
}

void PictureCore::endProgress()
{
    if (lastPercent_ < 100)
        progress(1.0);
}

int PictureCore::adopt(std::unique_ptr<ByteSource> bytes)
{
    pending_.reset();
    bitmap_.clear();
    beginProgress();
    progress(0.0);
    std::unique_ptr<SourceImage> source;
    const int rc = openSourceImage(std::move(bytes), limits_, input_, source);
    if (rc != kOk)
        return rc;
    pending_ = std::move(source);
    pending_->suspend();  // the file stays free until the pixels are wanted
    endProgress();
    return kOk;
}

int PictureCore::load(const char* utf8Path)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    auto file = std::make_unique<FileSource>();
    const int rc = file->open(utf8Path);
    if (rc != kOk) {
        pending_.reset();
        bitmap_.clear();
        return rc;
    }
    return adopt(std::move(file));
}

int PictureCore::loadMemory(const void* data, size_t size)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    auto mem = std::make_unique<MemorySource>();
    mem->assign(data, data ? size : 0);
    return adopt(std::move(mem));
}

int PictureCore::width() const
{
    return pending_ ? pending_->width : bitmap_.width();
}
int PictureCore::height() const
{
    return pending_ ? pending_->height : bitmap_.height();
}
int PictureCore::bitsPerPixel() const
{
    return pending_ ? pending_->bitsPerPixel : bitmap_.bitsPerPixel();
}

int PictureCore::paletteSize() const
{
    if (bitsPerPixel() > 8)
        return 0;
    return int(pending_ ? pending_->palette.size() : bitmap_.palette().size());
}

uint32_t PictureCore::paletteEntry(int index) const
{
    if (index < 0 || index >= paletteSize())
        return 0;
    const auto& p = pending_ ? pending_->palette : bitmap_.palette();
    return colorrefFromBgr(p[size_t(index)]);
}

int PictureCore::materialize()
{
    if (!pending_)
        return bitmap_.empty() ? kErrNoPicture : kOk;
    std::unique_ptr<SourceImage> source = std::move(pending_);
    beginProgress();
    std::unique_ptr<RowReader> reader;
    int rc = source->open(0, 0, this, io_, input_, reader);
    if (rc == kOk) {
        const int bits = source->bitsPerPixel;
        Bitmap& dst = scratch_;
        dst.reset(reader->width, reader->height, bits);
        if (reader->format == RowFormat::Index8) {
            dst.palette() = *reader->palette;
            if (bits < 8 && dst.palette().size() > (size_t(1) << bits))
                dst.palette().resize(size_t(1) << bits);
        }
        const size_t bytes = size_t(reader->width) * (reader->format == RowFormat::Index8 ? 1 : 3);
        for (int i = 0; i < reader->height && rc == kOk; ++i) {
            const uint8_t* row = nullptr;
            rc = reader->next(&row);
            if (rc == kOk)
                std::memcpy(dst.row(reader->bottomUp ? reader->height - 1 - i : i), row, bytes);
        }
        if (rc == kOk) {
            clearPadding(dst);
            bitmap_.swap(dst);
        }
    }
    if (rc != kOk) {
        bitmap_.clear();  // a picture that failed half-way is no picture
        return rc;
    }
    endProgress();
    return kOk;
}

int PictureCore::decoded(const Bitmap** out)
{
    *out = nullptr;
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    const int rc = materialize();
    if (rc == kOk)
        *out = &bitmap_;
    return rc;
}

Bitmap& PictureCore::replaceBitmap(int width, int height, int bitsPerPixel)
{
    ++changes_;
    pending_.reset();
    bitmap_.reset(width, height, bitsPerPixel);
    if (bitsPerPixel <= 8)
        bitmap_.palette() = defaultPalette(bitsPerPixel);
    return bitmap_;
}

int PictureCore::createBlank(float width, float height, int bitsPerPixel)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    int w, h;
    if (!roundSize(width, w) || !roundSize(height, h))
        return kErrBadArgument;
    if (bitsPerPixel == 16 || bitsPerPixel == 32)
        bitsPerPixel = 24;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24)
        return kErrBadArgument;
    if (uint64_t(w) * uint64_t(h) > limits_.maxPixels)
        return kErrTooLarge;
    Bitmap& b = replaceBitmap(w, h, bitsPerPixel);
    std::memset(b.bits(), 0, b.bitsSize());
    return kOk;
}

int PictureCore::fill(uint32_t color)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    const int rc = materialize();
    if (rc != kOk)
        return rc;
    bitmap_.fillColor(bgrFromColorref(color));
    return kOk;
}

int PictureCore::streamResample(RowReader& reader, int dw, int dh, Bitmap& dst, bool reportRows,
                                RowSink* sink)
{
    resampler_.setup(reader.width, reader.height, dw, dh, kernel_);
    dst.reset(dw, dh, 24);
    // Rows come out in the reader's order: only top-down ones can go to the sink.
    if (reader.bottomUp)
        sink = nullptr;
    if (sink)
        sink->begin(dw, dh);
    Bgr lut[256];
    uint8_t* expanded = nullptr;
    if (reader.format == RowFormat::Index8) {
        paletteLut(*reader.palette, lut);
        expanded = rowBuffer_.ensure(size_t(reader.width) * 3);
    }
    for (int i = 0; i < reader.height; ++i) {
        const uint8_t* row = nullptr;
        const int rc = reader.next(&row);
        if (rc != kOk)
            return rc;
        if (expanded) {
            expandRow(row, reader.width, lut, expanded);
            row = expanded;
        }
        resampler_.push(row);
        while (resampler_.ready()) {
            const int j = resampler_.produced();
            uint8_t* out = dst.row(reader.bottomUp ? dh - 1 - j : j);
            resampler_.produce(out);
            if (sink)
                sink->row(out);
        }
        if (reportRows && (i & 31) == 31)
            progress(double(i + 1) / reader.height);
    }
    clearPadding(dst);
    return kOk;
}

// Decodes straight into the resampler, at a reduced scale where possible, the
// decoder running ahead on a second thread (and a second pass decoding the
// lower part on a third, where the format allows).
int PictureCore::decodeResampled(SourceImage& source, int dw, int dh, Bitmap& dst, RowSink* sink)
{
    std::unique_ptr<RowReader> reader;
    RowsAhead ahead(*this);  // made after the reader: its worker stops before the reader goes
    const int rc = source.open(dw, dh, &ahead, io_, input_, reader);
    if (rc != kOk)
        return rc;
    auto second = [this, &source, dw, dh](std::unique_ptr<RowReader>& pass) {
        return source.openSecond(dw, dh, secondIo_, secondInput_, pass);
    };
    if (ahead.start(*reader, aheadBuffer_, second))
        return streamResample(ahead, dw, dh, dst, false, sink);
    return streamResample(*reader, dw, dh, dst, false, sink);
}

namespace {

// Rows of a decoded bitmap, top-down, for the resampler.
class BitmapRows final : public RowReader {
public:
    explicit BitmapRows(const Bitmap& b) : b_(b)
    {
        width = b.width();
        height = b.height();
        format = b.indexed() ? RowFormat::Index8 : RowFormat::Bgr24;
        palette = &b.palette();
    }
    int next(const uint8_t** row) override
    {
        *row = b_.row(y_++);
        return kOk;
    }

private:
    const Bitmap& b_;
    int y_ = 0;
};

void resizeNearest(const Bitmap& src, int dw, int dh, Bitmap& dst)
{
    dst.reset(dw, dh, src.bitsPerPixel());
    dst.palette() = src.palette();
    const int bpp = src.bytesPerPixel();
    for (int y = 0; y < dh; ++y) {
        const uint8_t* s = src.row(int((int64_t(y) * 2 + 1) * src.height() / (int64_t(dh) * 2)));
        uint8_t* d = dst.row(y);
        for (int x = 0; x < dw; ++x) {
            const int sx = int((int64_t(x) * 2 + 1) * src.width() / (int64_t(dw) * 2));
            std::memcpy(d + size_t(x) * size_t(bpp), s + size_t(sx) * size_t(bpp), size_t(bpp));
        }
    }
    clearPadding(dst);
}

}  // namespace

int PictureCore::resize(float width, float height, int flags, RowSink* sink)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    if (!pending_ && bitmap_.empty())
        return kErrNoPicture;
    int w, h;
    if (!roundSize(width, w) || !roundSize(height, h))
        return kErrBadArgument;
    if (uint64_t(w) * uint64_t(h) > limits_.maxPixels)
        return kErrTooLarge;
    if (w == this->width() && h == this->height())
        return materialize();
    if (!(flags & kResizeResample)) {
        const int rc = materialize();
        if (rc != kOk)
            return rc;
        resizeNearest(bitmap_, w, h, scratch_);
        bitmap_.swap(scratch_);
        return kOk;
    }
    beginProgress();
    int rc;
    if (pending_) {
        std::unique_ptr<SourceImage> source = std::move(pending_);
        rc = decodeResampled(*source, w, h, scratch_, sink);
    } else {
        BitmapRows rows(bitmap_);
        rc = streamResample(rows, w, h, scratch_, true, sink);
    }
    if (rc != kOk) {
        bitmap_.clear();
        return rc;
    }
    bitmap_.swap(scratch_);
    endProgress();
    return kOk;
}

int PictureCore::renderScaled(int width, int height, Bitmap& out)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    if (!pending_ && bitmap_.empty())
        return kErrNoPicture;
    if (width < 1 || height < 1)
        return kErrBadArgument;
    const int saved = lastPercent_;
    const bool on = progressOn_;
    progressOn_ = false;  // drawing is not an operation the host follows
    int rc;
    if (pending_) {
        rc = decodeResampled(*pending_, width, height, out);
        pending_->suspend();
    } else {
        BitmapRows rows(bitmap_);
        rc = streamResample(rows, width, height, out, false);
    }
    progressOn_ = on;
    lastPercent_ = saved;
    return rc;
}

int PictureCore::paint(float x, float y, float width, float height, PictureCore* src, float srcX,
                       float srcY)
{
    if (!src)
        return kErrBadArgument;
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    int dx, dy, w, h, sx, sy;
    if (!roundPlace(x, dx) || !roundPlace(y, dy) || !roundPlace(width, w) ||
        !roundPlace(height, h) || !roundPlace(srcX, sx) || !roundPlace(srcY, sy))
        return kErrBadArgument;
    int rc = materialize();
    if (rc != kOk)
        return rc;
    const Bitmap* from = &bitmap_;
    if (src != this) {
        BusyGuard gs(*src);
        if (!gs.ok())
            return kErrBusy;
        rc = src->materialize();
        if (rc != kOk)
            return rc;
        from = &src->bitmap_;
    }
    // clip against both pictures
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min({w, from->width() - sx, bitmap_.width() - dx});
    h = std::min({h, from->height() - sy, bitmap_.height() - dy});
    if (w <= 0 || h <= 0)
        return kOk;

    const bool samePalette =
        from->indexed() && bitmap_.indexed() && from->palette() == bitmap_.palette();
    if (bitmap_.indexed() && !samePalette)
        bitmap_.expandTo24(scratch_);
    if (from == &bitmap_) {
        // painting a picture onto itself: copy the source area first
        scratch2_.copyFrom(bitmap_);
        from = &scratch2_;
    }
    Bgr lut[256];
    const bool expand = from->indexed() && !bitmap_.indexed();
    if (expand)
        paletteLut(from->palette(), lut);
    const int bpp = bitmap_.bytesPerPixel();
    for (int r = 0; r < h; ++r) {
        const uint8_t* s = from->row(sy + r);
        uint8_t* d = bitmap_.row(dy + r) + size_t(dx) * size_t(bpp);
        if (expand) {
            expandRow(s + sx, w, lut, d);
        } else {
            std::memcpy(d, s + size_t(sx) * size_t(bpp), size_t(w) * size_t(bpp));
        }
    }
    return kOk;
}

int PictureCore::setColorResolution(int bits)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    if (!validBits(bits))
        return kErrBadArgument;
    int rc = materialize();
    if (rc != kOk)
        return rc;
    if (bits >= 16) {
        bitmap_.expandTo24(scratch_);
        return kOk;
    }
    const Bitmap* reduced = nullptr;
    rc = prepareDepth(bits, reduced);
    if (rc != kOk)
        return rc;
    if (reduced == &bitmap_) {
        bitmap_.setIndexedDepth(bits);  // the palette already fits
    } else {
        bitmap_.swap(scratch2_);
    }
    return kOk;
}

// The picture at 1, 4 or 8 bits: itself when its palette and indices fit,
// else a quantised copy in scratch2_.
int PictureCore::prepareDepth(int bits, const Bitmap*& out)
{
    const size_t colors = size_t(1) << bits;
    if (bitmap_.indexed() && bitmap_.palette().size() <= colors) {
        bool fits = true;
        for (int y = 0; y < bitmap_.height() && fits; ++y) {
            const uint8_t* r = bitmap_.row(y);
            for (int x = 0; x < bitmap_.width(); ++x)
                if (r[x] >= colors) {
                    fits = false;
                    break;
                }
        }
        if (fits) {
            out = &bitmap_;
            return kOk;
        }
    }
    const Bitmap* full = &bitmap_;
    if (bitmap_.indexed()) {
        scratch_.copyFrom(bitmap_);
        scratch_.expandTo24(scratch2_);
        full = &scratch_;
    }
    quantize(*full, bits, scratch2_);
    out = &scratch2_;
    return kOk;
}

size_t PictureCore::dibSize() const
{
    if (!pending_ && bitmap_.empty())
        return 0;
    const int bits = bitsPerPixel();
    return dibBytes(width(), height(), bits, bits <= 8 ? size_t(paletteSize()) : 0);
}

int PictureCore::copyDib(void* dst, size_t capacity)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    if (!dst)
        return kErrBadArgument;
    int rc = materialize();
    if (rc != kOk)
        return rc;
    const size_t need = dibSize();
    if (capacity < need)
        return kErrBadArgument;
    uint8_t* d = static_cast<uint8_t*>(dst);
    d += writeDibHeader(d, bitmap_.width(), bitmap_.height(), bitmap_.bitsPerPixel(),
                        bitmap_.palette());
    const int bits = bitmap_.bitsPerPixel();
    if (bits == 24 || bits == 8) {
        std::memcpy(d, bitmap_.bits(), bitmap_.bitsSize());  // stored rows are DIB rows
    } else {
        const size_t stride = packedStride(bitmap_.width(), bits);
        for (int i = 0; i < bitmap_.height(); ++i, d += stride)
            packRow(bitmap_, bitmap_.bits() + size_t(i) * bitmap_.stride(), bits, d);
    }
    return kOk;
}

int PictureCore::dibView(const void** dib, size_t* size)
{
    if (!dib || !size)
        return kErrBadArgument;
    *dib = nullptr;
    *size = 0;
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    const int rc = materialize();
    if (rc != kOk)
        return rc;
    const int bits = bitmap_.bitsPerPixel();
    const size_t need = dibSize();
    if (bits == 24 || bits == 8) {
        // the header goes into the room in front of the rows
        const size_t head = 40 + 4 * (bits == 8 ? bitmap_.palette().size() : 0);
        uint8_t* start = bitmap_.bits() - head;
        writeDibHeader(start, bitmap_.width(), bitmap_.height(), bits, bitmap_.palette());
        *dib = start;
    } else {
        uint8_t* d = dibBuffer_.ensure(need);
        uint8_t* p =
            d + writeDibHeader(d, bitmap_.width(), bitmap_.height(), bits, bitmap_.palette());
        const size_t stride = packedStride(bitmap_.width(), bits);
        for (int i = 0; i < bitmap_.height(); ++i, p += stride)
            packRow(bitmap_, bitmap_.bits() + size_t(i) * bitmap_.stride(), bits, p);
        *dib = d;
    }
    *size = need;
    return kOk;
}

int PictureCore::writeBmpTo(ByteSink& sink, int bits)
{
    int rc = materialize();
    if (rc != kOk)
        return rc;
    if (bits == 0)
        bits = bitmap_.bitsPerPixel();
    if (!validBits(bits))
        return kErrBadArgument;
    const Bitmap* out = &bitmap_;
    if (bits <= 8) {
        rc = prepareDepth(bits, out);
        if (rc != kOk)
            return rc;
    }
    beginProgress();
    rc = writeBmp(*out, bits, sink, this);
    if (rc == kOk)
        endProgress();
    return rc;
}

int PictureCore::saveBmp(const char* utf8Path, int bits)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    if (!pending_ && bitmap_.empty())
        return kErrNoPicture;
    if (bits != 0 && !validBits(bits))
        return kErrBadArgument;
    if (!utf8Path || !*utf8Path)
        return kErrFileOpen;
    UniqueFile f = openFile(pathFromUtf8(utf8Path), "wb");
    if (!f)
        return kErrFileOpen;
    FileSink sink(f.get());
    int rc = writeBmpTo(sink, bits);
    if (!closeFile(f) && rc == kOk)
        rc = kErrFileWrite;
    return rc;
}

int PictureCore::setPaletteEntry(int index, uint32_t color)
{
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    const int rc = materialize();
    if (rc != kOk)
        return rc;
    if (!bitmap_.indexed() || index < 0 || index >= (1 << bitmap_.bitsPerPixel()))
        return kErrBadArgument;
    auto& p = bitmap_.palette();
    if (size_t(index) >= p.size())
        p.resize(size_t(index) + 1, Bgr{0, 0, 0});
    p[size_t(index)] = bgrFromColorref(color);
    return kOk;
}

int PictureCore::copyFrom(PictureCore* src)
{
    if (!src)
        return kErrBadArgument;
    if (src == this)
        return kOk;
    BusyGuard g(*this);
    if (!g.ok())
        return kErrBusy;
    ++changes_;
    BusyGuard gs(*src);
    if (!gs.ok())
        return kErrBusy;
    const int rc = src->materialize();
    if (rc != kOk)
        return rc;
    pending_.reset();
    bitmap_.copyFrom(src->bitmap_);
    return kOk;
}

namespace {
class PortablePicture final : public PictureImpl<IPicture> {};
}  // namespace

IPicture* createPicture()
{
    return new PortablePicture();
}

}  // namespace vximg
