#include "engine/PictureConversion.h"

#include "base/File.h"
#include "exif/ExifImage.h"
#include "exif/ExifSource.h"
#include "exif/JpegEncoder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Progress position := percentage / divisor; the divisor is always 1.
constexpr int kProgressDivisor = 1;

uint32_t dibWord(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// Integer part of a place, rounded down to a multiple of 8 (negative: 0).
uint32_t placeDown(float v)
{
    if (!(v >= 8.0f))
        return 0;
    if (v >= 4294967295.0f)
        return 0xFFFFFFF8u;
    return static_cast<uint32_t>(v) / 8 * 8;
}

// Scales c (sw x sh) to fit dw x dh without distortion, at 24 bits; the
// scaled rows go to rows as well when it is given.
int scaleToFit(vximg::IPicture& c, float sw, float sh, float dw, float dh,
               vximg::RowSink* rows = nullptr)
{
    // Single precision, as the frame arithmetic has always been done.
    const float rw = dw / sw;
    const float rh = dh / sh;
    float nw, nh;
    if (rh >= rw) {
        nw = dw;
        nh = sh * rw;
    } else {
        nw = sw * rh;
        nh = dh;
    }
    // A sliver still keeps one row or column.
    nw = std::max(nw, 1.0f);
    nh = std::max(nh, 1.0f);

    // Resampling gives 24 bits; converting first would decode a JPEG at full
    // size instead of at the reduced scale the resize can use.
    int rc = rows != nullptr ? c.resizeWithRows(nw, nh, vximg::kResizeResample, rows)
                             : c.resize(nw, nh, vximg::kResizeResample);
    if (rc == vximg::kOk && c.bitsPerPixel() != 24)
        rc = c.setColorResolution(24);
    return rc;
}

// Place of a scaled picture of iw x ih in a frame of dw x dh: centred the way
// it is narrower, rounded down to a multiple of 8.
FrameOffset framePlace(int iw, int ih, float dw, float dh)
{
    FrameOffset place;
    if (iw == static_cast<int>(dw))
        place.y = placeDown((dh - static_cast<float>(ih)) / 2.0f);
    if (ih == static_cast<int>(dh))
        place.x = placeDown((dw - static_cast<float>(iw)) / 2.0f);
    return place;
}

// Fills pixels B, G, R with the fill colour (0x00BBGGRR).
void fillWithColour(std::vector<uint8_t>& pixels, uint32_t fill)
{
    const uint8_t bgr[3] = {static_cast<uint8_t>(fill >> 16), static_cast<uint8_t>(fill >> 8),
                            static_cast<uint8_t>(fill)};
    for (size_t i = 0; i + 3 <= pixels.size(); i += 3)
        std::memcpy(&pixels[i], bgr, 3);
}

// Copies a row of width pixels onto a frame row at x, clipped to the frame
// as the canvas paints.
void pasteRow(uint8_t* frameRow, uint32_t frameWidth, uint32_t x, const uint8_t* row,
              uint32_t width)
{
    if (x < frameWidth)
        std::memcpy(frameRow + static_cast<size_t>(x) * 3, row,
                    static_cast<size_t>(std::min(width, frameWidth - x)) * 3);
}

// Encodes the primary picture while the resize produces it: the frame's
// size, fill and the place of the picture in it follow from the picture's
// new size, so each frame row is complete as soon as its picture row is,
// and the encoder never waits for the whole frame. Rows stop going to the
// encoder once the job is aborted.
class FrameEncoding final : public vximg::RowSink {
public:
    FrameEncoding(uint32_t width, uint32_t height, uint32_t fill, const int32_t& continueFlag,
                  std::vector<uint8_t>& out)
        : width_(width), height_(height), continueFlag_(continueFlag), encoder_(out)
    {
        fillRow_.resize(static_cast<size_t>(width) * 3);
        fillWithColour(fillRow_, fill);
    }

    void begin(int width, int height) override
    {
        if (begun_ || width <= 0 || height <= 0)
            return fail();
        begun_ = true;
        picture_ = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
        place_ = framePlace(width, height, static_cast<float>(width_), static_cast<float>(height_));
        ok_ = encoder_.start(width_, height_, static_cast<int>(kPictureQuality), true);
        writeFill(std::min(place_.y, height_));
    }

    void row(const uint8_t* bgr) override
    {
        if (!ok_ || continueFlag_ == 0 || rowsLeft() == 0)
            return fail();
        // Painted as on the canvas: clipped to the frame.
        if (place_.y + pictureRows_ < height_) {
            const uint8_t* frameRow = bgr;
            if (place_.x != 0 || picture_.width != width_) {
                composed_ = fillRow_;
                pasteRow(composed_.data(), width_, place_.x, bgr, picture_.width);
                frameRow = composed_.data();
            }
            write(frameRow);
        }
        ++pictureRows_;
        if (rowsLeft() == 0 && written_ < height_)
            writeFill(height_ - written_);
    }

    // True when the whole frame went through the encoder and the JPEG is complete.
    bool finish()
    {
        if (!ok_ || !begun_ || rowsLeft() != 0 || written_ != height_)
            return false;
        ok_ = encoder_.finish();
        return ok_;
    }

private:
    uint32_t rowsLeft() const
    {
        return picture_.height > pictureRows_ ? picture_.height - pictureRows_ : 0;
    }
    void fail() { ok_ = false; }
    void write(const uint8_t* row)
    {
        ok_ = encoder_.write(&row, 1);
        ++written_;
    }
    void writeFill(uint32_t rows)
    {
        for (uint32_t i = 0; i < rows && ok_; ++i)
            write(fillRow_.data());
    }

    const uint32_t width_, height_;
    const int32_t& continueFlag_;
    JpegRowEncoder encoder_;
    std::vector<uint8_t> fillRow_;
    std::vector<uint8_t> composed_;
    FrameImageSize picture_;
    FrameOffset place_;
    uint32_t pictureRows_ = 0;
    uint32_t written_ = 0;
    bool begun_ = false;
    bool ok_ = false;
};

// Encodes the primary picture into memory on a thread of its own while the
// caller makes the thumbnail; the pixels must stay unchanged until finish().
// The destructor joins, so no way out of a conversion leaves it running.
class PrimaryEncoding {
public:
    PrimaryEncoding(const uint8_t* pixels, uint32_t width, uint32_t height, bool bottomUp,
                    std::vector<uint8_t>& out)
        : out_(out), thread_([=, &out] {
              writeJpegFromPixels(out, pixels, width, height, 0, nullptr, 0, false,
                                  static_cast<int>(kPictureQuality), bottomUp, true);
          })
    {}
    ~PrimaryEncoding() { finish(); }
    PrimaryEncoding(const PrimaryEncoding&) = delete;
    PrimaryEncoding& operator=(const PrimaryEncoding&) = delete;

    // The encoded picture; empty when it could not be encoded.
    const std::vector<uint8_t>& finish()
    {
        if (thread_.joinable())
            thread_.join();
        return out_;
    }

private:
    std::vector<uint8_t>& out_;
    std::thread thread_;
};

// The pixel fields of the ExifImage point into buffers of this conversion;
// they must not outlive it. Nor may tags of a write that failed half-way
// reach the next picture.
class PixelsCleared {
public:
    explicit PixelsCleared(ExifImage& exif) : exif_(exif) {}
    ~PixelsCleared()
    {
        exif_.info.pixels = nullptr;
        exif_.info.thumbPixels = nullptr;
        exif_.clearTags();
    }
    PixelsCleared(const PixelsCleared&) = delete;
    PixelsCleared& operator=(const PixelsCleared&) = delete;

private:
    ExifImage& exif_;
};

// Copies the file byte for byte, overwriting; 0 or the system's error code.
// (std::filesystem::copy_file of the mingw runtime refuses to overwrite.)
int copyUnchanged(const fs::path& source, const fs::path& destination)
{
    errno = 0;
    const UniqueFile in = openFile(source, "rb");
    if (!in)
        return errno != 0 ? errno : EIO;
    UniqueFile out = openFile(destination, "wb");
    if (!out)
        return errno != 0 ? errno : EIO;
    std::vector<uint8_t> buffer(kSourceHeadBytes);
    int code = 0;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
        if (std::fwrite(buffer.data(), 1, got, out.get()) != got) {
            code = errno != 0 ? errno : EIO;
            break;
        }
    }
    if (code == 0 && std::ferror(in.get()))
        code = errno != 0 ? errno : EIO;
    if (!closeFile(out) && code == 0)
        code = errno != 0 ? errno : EIO;
    return code;
}

}  // namespace

bool nameEndsInBmp(const fs::path& path)
{
    const fs::path::string_type& name = path.native();
    if (name.size() < 3)
        return false;
    const auto at = name.size() - 3;
    auto is = [](fs::path::value_type c, char lower) {
        return c == static_cast<fs::path::value_type>(lower) ||
               c == static_cast<fs::path::value_type>(lower - 'a' + 'A');
    };
    return is(name[at], 'b') && is(name[at + 1], 'm') && is(name[at + 2], 'p');
}

SourceHints scanSourceHints(const fs::path& source, int32_t cameraCode)
{
    return scanSourceHints(readSourceHead(source, kSourceHeadBytes), cameraCode);
}

SourceHints scanSourceHints(const SourceHead& head, int32_t cameraCode)
{
    SourceHints hints;
    const size_t got = std::min(head.bytes.size(), kSourceHeadBytes);

    static const char kKey[] = "ROTATE=";
    constexpr size_t kKeyLength = sizeof kKey - 1;
    const uint8_t* const begin = head.bytes.data();
    const uint8_t* const end = begin + got;
    const uint8_t* last = nullptr;
    for (const uint8_t* at = begin; end - at >= static_cast<std::ptrdiff_t>(kKeyLength); ++at) {
        at = static_cast<const uint8_t*>(std::memchr(at, 'R', static_cast<size_t>(end - at)));
        if (at == nullptr || end - at < static_cast<std::ptrdiff_t>(kKeyLength))
            break;
        if (std::memcmp(at, kKey, kKeyLength) == 0)
            last = at;
    }
    if (last == nullptr)
        return hints;

    // The zero-terminated text after it; the buffer's end also ends it.
    const uint8_t* const text = last + kKeyLength;
    const std::string value(text, std::find(text, end, uint8_t{0}));
    const long degrees = std::strtol(value.c_str(), nullptr, 10);
    hints.rotation = static_cast<int>(std::min<long>(std::max<long>(degrees, INT_MIN), INT_MAX));
    if ((cameraCode == 52 || cameraCode == 82 || cameraCode == 86) &&
        (hints.rotation == 90 || hints.rotation == 270))
        hints.rotation = 0;
    return hints;
}

bool refusedAsProgressive(const fs::path& source)
{
    // BMP files and empty files are not looked at.
    std::error_code error;
    const uintmax_t length = fs::file_size(source, error);
    return !error && length > 0 && !nameEndsInBmp(source) &&
           jpegCodingKind(source) == kJpegProgressive;
}

bool refusedAsProgressive(const SourceHead& head)
{
    return head.opened && !head.bytes.empty() && !nameEndsInBmp(head.path) &&
           jpegCodingKind(head) == kJpegProgressive;
}

PictureConversion::PictureConversion(const ConverterPictures& pictures, ExifImage& exif)
    : pictures_(pictures), exif_(exif)
{
    if (pictures_.workspace != nullptr)
        pictures_.workspace->setProgressCallback(&PictureConversion::progressReport, this);
    if (pictures_.preview != nullptr)
        pictures_.preview->setProgressCallback(&PictureConversion::progressReport, this);
}

PictureConversion::~PictureConversion()
{
    if (pictures_.workspace != nullptr)
        pictures_.workspace->setProgressCallback(nullptr, nullptr);
    if (pictures_.preview != nullptr)
        pictures_.preview->setProgressCallback(nullptr, nullptr);
}

void PictureConversion::CancelUpload()
{
    continueFlag_ = 0;
    detachProgress();
}

void PictureConversion::attachProgress(ProgressBar& bar)
{
    bar_ = &bar;
    if (pictures_.workspace != nullptr)
        pictures_.workspace->enableProgress(true);
    if (pictures_.preview != nullptr)
        pictures_.preview->enableProgress(true);
}

void PictureConversion::detachProgress()
{
    bar_ = nullptr;
}

int PictureConversion::progressReport(void* user, int percent)
{
    auto* self = static_cast<PictureConversion*>(user);
    if (self->bar_ == nullptr)
        return 0;  // switches the picture's events off
    if (self->hook_) {
        // A copy: the hook may be replaced while it runs.
        const std::function<void(int)> hook = self->hook_;
        hook(percent);
    }
    // The hook may have ended the routing (ESC): then the bar stays.
    if (self->bar_ != nullptr)
        self->bar_->setPosition(percent / kProgressDivisor);
    return 1;
}

int PictureConversion::unpaddedRows(vximg::IPicture& picture, std::vector<uint8_t>& buffer,
                                    Rows& rows)
{
    const void* view = nullptr;
    size_t size = 0;
    const uint8_t* dib = nullptr;
    bool inBuffer = false;
    if (picture.dibView(&view, &size) == vximg::kOk && view != nullptr) {
        dib = static_cast<const uint8_t*>(view);
    } else {
        size = picture.dibSize();
        if (size == 0)
            return vximg::kErrNoPicture;
        buffer.resize(size);
        const int rc = picture.copyDib(buffer.data(), size);
        if (rc != vximg::kOk)
            return rc;
        dib = buffer.data();
        inBuffer = true;
    }

    // BITMAPINFOHEADER: size, width, height (negative: top-down), planes,
    // bits, compression, ..., colours used.
    if (size < 40)
        return vximg::kErrCorrupt;
    const uint32_t headerSize = dibWord(dib);
    const int32_t width = static_cast<int32_t>(dibWord(dib + 4));
    const int32_t height = static_cast<int32_t>(dibWord(dib + 8));
    const uint32_t bits = static_cast<uint32_t>(dib[14] | dib[15] << 8);
    const uint32_t compression = dibWord(dib + 16);
    const uint64_t colours = dibWord(dib + 32);
    if (headerSize < 40 || headerSize > size || bits != 24 || compression != 0 || width <= 0 ||
        height == 0 || height == INT32_MIN)
        return vximg::kErrCorrupt;
    const uint64_t w = static_cast<uint64_t>(width);
    const uint64_t h = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
    const uint64_t packed = w * 3;
    const uint64_t stride = (packed + 3) & ~uint64_t{3};
    const uint64_t first = headerSize + colours * 4;
    if (colours > size || first + stride * h > size)
        return vximg::kErrCorrupt;

    rows.width = static_cast<uint32_t>(w);
    rows.height = static_cast<uint32_t>(h);
    rows.bottomUp = height > 0;
    if (packed == stride) {
        rows.pixels = dib + first;
        return vximg::kOk;
    }
    // The encoder takes rows of exactly width * 3 bytes.
    if (inBuffer) {
        uint8_t* to = buffer.data();
        for (uint64_t y = 0; y < h; ++y)
            std::memmove(to + y * packed, to + first + y * stride, packed);
    } else {
        buffer.resize(packed * h);
        uint8_t* to = buffer.data();
        for (uint64_t y = 0; y < h; ++y)
            std::memcpy(to + y * packed, dib + first + y * stride, packed);
    }
    rows.pixels = buffer.data();
    return vximg::kOk;
}

int PictureConversion::FitToCanvas(vximg::IPicture& c, float sw, float sh, float dw, float dh,
                                   FrameOffset* offset, FrameImageSize* image, uint32_t fill)
{
    Frame frame;
    int rc = composeFrame(c, sw, sh, dw, dh, fill, frame);
    if (rc == vximg::kOk && frame.picture != &c)
        rc = c.copyFrom(frame.picture);
    if (rc != vximg::kOk)
        return rc;
    if (offset != nullptr)
        *offset = frame.offset;
    if (image != nullptr)
        *image = frame.image;
    return vximg::kOk;
}

int PictureConversion::composeFrame(vximg::IPicture& c, float sw, float sh, float dw, float dh,
                                    uint32_t fill, Frame& frame, vximg::RowSink* rows)
{
    vximg::IPicture* const canvas = pictures_.canvas;
    if (canvas == nullptr || canvas == &c || !(sw > 0.0f) || !(sh > 0.0f) || !(dw >= 1.0f) ||
        !(dh >= 1.0f))
        return vximg::kErrBadArgument;
    int rc = scaleToFit(c, sw, sh, dw, dh, rows);
    if (rc != vximg::kOk)
        return rc;
    const int iw = c.width();
    const int ih = c.height();
    frame.image = {static_cast<uint32_t>(iw), static_cast<uint32_t>(ih)};
    if (iw == static_cast<int>(dw) && ih == static_cast<int>(dh)) {
        // Same proportions: the picture covers the whole frame, no bands to compose.
        frame.picture = &c;
        frame.offset = {0, 0};
        return vximg::kOk;
    }

    rc = canvas->createBlank(dw, dh, 24);
    if (rc == vximg::kOk)
        rc = canvas->fill(fill);
    if (rc != vximg::kOk)
        return rc;
    const FrameOffset at = framePlace(iw, ih, dw, dh);
    rc = canvas->paint(static_cast<float>(at.x), static_cast<float>(at.y), static_cast<float>(iw),
                       static_cast<float>(ih), &c, 0.0f, 0.0f);
    if (rc != vximg::kOk)
        return rc;
    frame.picture = canvas;
    frame.offset = at;
    return vximg::kOk;
}

int PictureConversion::makeThumbnail(vximg::IPicture& frame, float W, float H, float tw, float th,
                                     uint32_t fill, Rows& rows)
{
    // Made in the other picture: the frame stays as the encoder reads it.
    vximg::IPicture& workspace = *pictures_.workspace;
    vximg::IPicture& thumb = &frame == &workspace ? *pictures_.canvas : workspace;
    int rc = thumb.copyFrom(&frame);
    if (rc != vximg::kOk)
        return rc;
    if (W / H == tw / th) {
        // Made on the canvas before, which reports to no one: no progress here either.
        const bool reports = workspace.progressEnabled();
        workspace.enableProgress(false);
        rc = thumb.resize(tw, th, vximg::kResizeResample);
        workspace.enableProgress(reports);
        if (rc == vximg::kOk && thumb.bitsPerPixel() != 24)
            rc = thumb.setColorResolution(24);
        return rc == vximg::kOk ? unpaddedRows(thumb, thumbnail_, rows) : rc;
    }

    // A frame of its own, composed here as on the canvas (blank, fill, paint).
    rc = scaleToFit(thumb, W, H, tw, th);
    Rows scaled;
    if (rc == vximg::kOk)
        rc = unpaddedRows(thumb, thumbnail_, scaled);
    if (rc != vximg::kOk)
        return rc;
    const uint32_t fw = static_cast<uint32_t>(tw);
    const uint32_t fh = static_cast<uint32_t>(th);
    if (scaled.width == fw && scaled.height == fh) {
        rows = scaled;
        return vximg::kOk;
    }
    const FrameOffset at =
        framePlace(static_cast<int>(scaled.width), static_cast<int>(scaled.height), tw, th);
    const size_t packed = static_cast<size_t>(fw) * 3;
    thumbnailFrame_.resize(packed * fh);
    fillWithColour(thumbnailFrame_, fill);
    const uint32_t h = at.y < fh ? std::min(scaled.height, fh - at.y) : 0;
    for (uint32_t r = 0; r < h; ++r) {
        const uint32_t from = scaled.bottomUp ? scaled.height - 1 - r : r;
        pasteRow(&thumbnailFrame_[(at.y + r) * packed], fw, at.x,
                 scaled.pixels + static_cast<size_t>(from) * scaled.width * 3, scaled.width);
    }
    rows = {thumbnailFrame_.data(), fw, fh, false};
    return vximg::kOk;
}

int PictureConversion::ConvertPicture(const fs::path& source, const fs::path& destination,
                                      PackedSize targetSize, PackedSize thumbnailSize,
                                      const AppSettings& settings)
{
    if (continueFlag_ == 0)
        return 0;
    if (pictures_.workspace == nullptr || pictures_.canvas == nullptr)
        return vximg::kErrBadArgument;
    PixelsCleared cleared(exif_);
    try {
        const SourceHead head = readSourceHead(source, kSourceHeadBytes);
        const SourceHints hints = scanSourceHints(head, settings.cameraCode);
        if (hints.packedSize == targetSize)
            return copyUnchanged(source, destination);
        if (continueFlag_ == 0)
            return 0;
        return convertLoaded(head, destination, targetSize, thumbnailSize, settings,
                             hints.rotation);
    } catch (const std::bad_alloc&) {
        return vximg::kErrNoMemory;
    } catch (const std::system_error& e) {
        return e.code().value();
    } catch (const std::exception&) {
        return kConvertUnexpected;
    }
}

int PictureConversion::convertLoaded(const SourceHead& source, const fs::path& destination,
                                     PackedSize targetSize, PackedSize thumbnailSize,
                                     const AppSettings& settings, int rotation)
{
    vximg::IPicture& workspace = *pictures_.workspace;
    const uint32_t fill = static_cast<uint32_t>(settings.JpegBaseColor);

    if (refusedAsProgressive(source))
        return kConvertProgressive;

    int rc = workspace.load(source.path.u8string().c_str());
    if (rc != vximg::kOk)
        return rc;
    if (continueFlag_ == 0)
        return 0;

    const float W = static_cast<float>(packedWidth(targetSize));
    const float H = static_cast<float>(packedHeight(targetSize));
    const float tw = static_cast<float>(packedWidth(thumbnailSize));
    const float th = static_cast<float>(packedHeight(thumbnailSize));
    Frame frame{&workspace, {}, {packedWidth(targetSize), packedHeight(targetSize)}};
    FrameEncoding streamed(packedWidth(targetSize), packedHeight(targetSize), fill, continueFlag_,
                           encoded_);
    if (static_cast<float>(workspace.width()) != W || static_cast<float>(workspace.height()) != H) {
        rc = composeFrame(workspace, static_cast<float>(workspace.width()),
                          static_cast<float>(workspace.height()), W, H, fill, frame, &streamed);
        if (rc != vximg::kOk)
            return rc;
    }
    vximg::IPicture& framed = *frame.picture;
    if (framed.bitsPerPixel() != 24) {
        rc = framed.setColorResolution(24);
        if (rc != vximg::kOk)
            return rc;
    }
    // The decoding ran in the steps above, and with it the message dispatching.
    if (continueFlag_ == 0)
        return 0;

    // Unless the resize already encoded it, the primary picture is encoded
    // while the thumbnail is made in the other picture; the frame is not
    // touched again until the write.
    Rows primary;
    rc = unpaddedRows(framed, primary_, primary);
    if (rc != vximg::kOk)
        return rc;
    std::optional<PrimaryEncoding> encoding;
    if (!streamed.finish())
        encoding.emplace(primary.pixels, primary.width, primary.height, primary.bottomUp, encoded_);

    Rows thumbnail;
    if (tw >= 1.0f && th >= 1.0f) {
        rc = makeThumbnail(framed, W, H, tw, th, fill, thumbnail);
        if (rc != vximg::kOk)
            return rc;
    }

    // Sizes come from the bitmaps themselves, so they always match the buffers.
    ExifImageInfo& info = exif_.info;
    info.outputPath = destination;
    info.pixels = primary.pixels;
    info.sizes.width = primary.width;
    info.sizes.height = primary.height;
    info.sizes.quality = kPictureQuality;
    info.flipRows = primary.bottomUp ? 1 : 0;
    info.swapRedBlue = 1;
    info.thumbPixels = thumbnail.pixels;
    info.sizes.thumbWidth = static_cast<int32_t>(thumbnail.width);
    info.sizes.thumbHeight = static_cast<int32_t>(thumbnail.height);
    info.sizes.thumbQuality = kThumbnailQuality;
    info.thumbFlipRows = thumbnail.bottomUp ? 1 : 0;
    info.thumbSwapRedBlue = 1;
    if (continueFlag_ == 0)
        return 0;
    if (observer_)
        observer_(info);

    carryOver_ = CarryOverReport{};
    AddCameraMetadata(exif_, targetSize, frame.offset.x, frame.offset.y, frame.image.width,
                      frame.image.height, rotation, source, clock_, &carryOver_);
    // The result is not examined: the upload job checks the written file.
    exif_.writeExifJpeg(encoding ? encoding->finish() : encoded_);
    return 0;
}

int PictureConversion::LoadPreviewPicture(const fs::path& path, uint32_t boxWidth,
                                          uint32_t boxHeight, uint32_t& width, uint32_t& height)
{
    width = height = 0;
    if (pictures_.preview == nullptr)
        return vximg::kErrBadArgument;
    vximg::IPicture& preview = *pictures_.preview;
    if (refusedAsProgressive(path))
        return kConvertProgressive;
    int rc = preview.load(path.u8string().c_str());
    if (rc != vximg::kOk)
        return rc;
    width = static_cast<uint32_t>(preview.width());
    height = static_cast<uint32_t>(preview.height());
    // Decoded now, at the size it is shown: a broken file fails here, not
    // when the preview paints, and a large JPEG decodes at a small scale.
    const PreviewPlace place = fitPreview(width, height, boxWidth, boxHeight);
    rc = preview.resize(place.width, place.height, vximg::kResizeResample);
    if (rc != vximg::kOk)
        width = height = 0;
    return rc;
}

PreviewPlace fitPreview(uint32_t pictureWidth, uint32_t pictureHeight, uint32_t boxWidth,
                        uint32_t boxHeight)
{
    const float pw = static_cast<float>(std::max(pictureWidth, 1u));
    const float ph = static_cast<float>(std::max(pictureHeight, 1u));
    const float W = static_cast<float>(boxWidth);
    const float H = static_cast<float>(boxHeight);
    PreviewPlace place;
    if (W > pw && H > ph) {
        place = {(W - pw) / 2, (H - ph) / 2, pw, ph};
    } else if (pw > ph) {
        const float scale = W / pw;
        place = {0, (H - ph * scale) / 2, W, ph * scale};
    } else {
        const float scale = H / ph;
        place = {(W - pw * scale) / 2, 0, pw * scale, H};
    }
    // A sliver of a picture still shows one pixel.
    place.width = std::max(place.width, 1.0f);
    place.height = std::max(place.height, 1.0f);
    return place;
}
