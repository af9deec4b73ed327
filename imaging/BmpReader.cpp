#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/BmpFormat.h"
#include "imaging/ImagingApi.h"

namespace vximg {

namespace {

constexpr uint64_t kMaxRlePixels = uint64_t(64) << 20;

bool isOs2v2(uint32_t headerSize)
{
    return headerSize == 64 || (headerSize >= 16 && headerSize < 40);
}

struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t mul = 0;  // (value * mul) >> 24 maps the channel onto 0..255

    void set(uint32_t m)
    {
        mask = m;
        shift = 0;
        mul = 0;
        if (!m)
            return;
        while (!((m >> shift) & 1u))
            ++shift;
        const uint64_t maxValue = uint64_t(m) >> shift;
        mul = (uint64_t(255) << 24) / maxValue;
    }
    uint8_t get(uint32_t px) const
    {
        if (!mask)
            return 0;
        const uint64_t v = (uint64_t((px & mask) >> shift) * mul + (uint64_t(1) << 23)) >> 24;
        return uint8_t(v > 255 ? 255 : v);
    }
};

}  // namespace

int parseBmpHeader(const uint8_t* p, size_t n, uint64_t fileSize, const LoadLimits& limits,
                   BmpInfo& info)
{
    info = BmpInfo();
    if (n < 2 || p[0] != 'B' || p[1] != 'M')
        return kErrUnknownFormat;
    if (n < 18)
        return kErrTruncated;
    const uint32_t headerSize = getLe32(p + 14);
    const bool core = headerSize == 12;
    if (!core && !(headerSize >= 16 && headerSize <= 64) && headerSize != 108 && headerSize != 124)
        return kErrCorrupt;
    if (n < 14 + size_t(headerSize))
        return kErrTruncated;

    int64_t width, height;
    uint32_t bits, compression = kBiRgb, colorsUsed = 0;
    if (core) {
        width = getLe16(p + 18);
        height = getLe16(p + 20);
        bits = getLe16(p + 24);
    } else {
        width = int32_t(getLe32(p + 18));
        height = int32_t(getLe32(p + 22));
        bits = getLe16(p + 28);
        if (headerSize >= 20)
            compression = getLe32(p + 30);
        if (headerSize >= 36)
            colorsUsed = getLe32(p + 46);
    }
    if (width <= 0 || height == 0)
        return kErrCorrupt;
    info.topDown = height < 0;
    if (height < 0)
        height = -height;
    if (width > 65535 || height > 65535)
        return kErrTooLarge;
    if (uint64_t(width) * uint64_t(height) > limits.maxPixels)
        return kErrTooLarge;
    info.width = int(width);
    info.height = int(height);

    if (isOs2v2(headerSize) && (compression == 3 || compression == 4))
        return kErrUnsupported;
    if (compression == kBiJpeg || compression == kBiPng)
        return kErrUnsupported;
    switch (compression) {
    case kBiRgb:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return bits == 2 || bits == 0 ? kErrUnsupported : kErrCorrupt;
        break;
    case kBiRle8:
        if (bits != 8)
            return kErrCorrupt;
        break;
    case kBiRle4:
        if (bits != 4)
            return kErrCorrupt;
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (bits != 16 && bits != 32)
            return kErrCorrupt;
        break;
    default: return kErrUnsupported;
    }
    info.bitsPerPixel = int(bits);
    info.compression = compression;

    // Bit fields sit inside V2+ headers, or right after an info header.
    size_t tableStart = 14 + size_t(headerSize);
    if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
        size_t maskAt = 14 + 40;
        if (headerSize < 52) {
            tableStart += compression == kBiAlphaBitfields ? 16 : 12;
            if (tableStart > n || tableStart > fileSize)
                return kErrTruncated;
        }
        for (int i = 0; i < 3; ++i)
            info.masks[i] = getLe32(p + maskAt + 4 * size_t(i));
        if (!info.masks[0] && !info.masks[1] && !info.masks[2])
            info.compression = kBiRgb;
    }
    if (info.compression == kBiRgb && bits == 16) {
        info.masks[0] = 0x7C00;
        info.masks[1] = 0x03E0;
        info.masks[2] = 0x001F;
    } else if (info.compression == kBiRgb && bits == 32) {
        info.masks[0] = 0xFF0000;
        info.masks[1] = 0x00FF00;
        info.masks[2] = 0x0000FF;
    }

    uint64_t offset = getLe32(p + 10);
    if (bits <= 8) {
        const size_t entrySize = core ? 3 : 4;
        size_t entries = size_t(1) << bits;
        if (colorsUsed && colorsUsed < entries)
            entries = colorsUsed;
        // a data offset inside the palette means the palette is shorter
        if (offset >= tableStart && offset < tableStart + entries * entrySize)
            entries = size_t(offset - tableStart) / entrySize;
        if (tableStart + entries * entrySize > fileSize || tableStart + entries * entrySize > n)
            return kErrTruncated;
        if (entries == 0) {
            info.palette = bits == 1 ? defaultPalette(1) : grayPalette();
            if (bits == 4) {
                info.palette.clear();
                for (int i = 0; i < 16; ++i)
                    info.palette.push_back(Bgr{uint8_t(i * 17), uint8_t(i * 17), uint8_t(i * 17)});
            }
        } else {
            info.palette.resize(entries);
            for (size_t i = 0; i < entries; ++i) {
                const uint8_t* e = p + tableStart + i * entrySize;
                info.palette[i] = Bgr{e[0], e[1], e[2]};
            }
        }
        if (offset == 0)
            offset = tableStart + entries * entrySize;
    }
    if (offset == 0)
        offset = tableStart;
    if (offset < 14 + uint64_t(headerSize))
        return kErrCorrupt;
    if (offset > fileSize)
        return kErrTruncated;
    info.dataOffset = offset;
    info.dataBytes = fileSize - offset;

    if (info.compression == kBiRle8 || info.compression == kBiRle4) {
        if (info.dataBytes < 2)
            return kErrTruncated;
    } else {
        info.stride = ((uint64_t(info.width) * bits + 31) / 32) * 4;
        // the last row's padding may be missing; its pixels may not
        const uint64_t need =
            info.stride * uint64_t(info.height - 1) + (uint64_t(info.width) * bits + 7) / 8;
        if (need > info.dataBytes)
            return kErrTruncated;
    }
    return kOk;
}

int decodeBmpRle(const uint8_t* data, size_t n, int bitsPerPixel, int width, int height,
                 uint8_t* out)
{
    std::memset(out, 0, size_t(width) * size_t(height));
    size_t i = 0;
    int x = 0, y = 0;
    auto put = [&](int value) {
        if (x < width)
            out[size_t(y) * size_t(width) + size_t(x)] = uint8_t(value);
        if (x <= width)
            ++x;  // stays bounded however long the runs are
    };
    while (y < height) {
        if (n - i < 2)
            return kErrTruncated;
        const int a = data[i], b = data[i + 1];
        i += 2;
        if (a > 0) {
            for (int k = 0; k < a; ++k)
                put(bitsPerPixel == 8 ? b : ((k & 1) ? (b & 15) : (b >> 4)));
        } else if (b == 0) {  // end of line
            x = 0;
            ++y;
        } else if (b == 1) {  // end of bitmap
            break;
        } else if (b == 2) {  // delta
            if (n - i < 2)
                return kErrTruncated;
            x = std::min(x + data[i], width + 1);
            y += data[i + 1];
            i += 2;
        } else {  // absolute run of b pixels, padded to 16 bits
            const size_t bytes = bitsPerPixel == 8 ? size_t(b) : (size_t(b) + 1) / 2;
            if (n - i < bytes)
                return kErrTruncated;
            for (int k = 0; k < b; ++k) {
                const uint8_t v = data[i + (bitsPerPixel == 8 ? size_t(k) : size_t(k) / 2)];
                put(bitsPerPixel == 8 ? v : ((k & 1) ? (v & 15) : (v >> 4)));
            }
            i += std::min(n - i, (bytes + 1) & ~size_t(1));
        }
    }
    return kOk;
}

namespace {

class BmpRowReader final : public RowReader {
public:
    BmpRowReader(ByteSource& bytes, const BmpInfo& info, const std::vector<uint8_t>* rle,
                 ProgressSink* progress, Buffer& io)
        : bytes_(bytes), info_(info), rle_(rle), progress_(progress)
    {
        width = info.width;
        height = info.height;
        bottomUp = !info.topDown;
        palette = &info.palette;
        format = info.bitsPerPixel <= 8 ? RowFormat::Index8 : RowFormat::Bgr24;
        if (!rle_) {
            chunkRows_ = int(std::max<uint64_t>(1, (uint64_t(256) << 10) / info.stride));
            chunkRows_ = std::min(chunkRows_, height);
        }
        const size_t chunk = rle_ ? 0 : size_t(info.stride) * size_t(chunkRows_);
        uint8_t* base = io.ensure(chunk + size_t(width) * 3 + 16);
        chunk_ = base;
        row_ = base + chunk;
        for (int c = 0; c < 3; ++c)
            channels_[c].set(info.masks[c]);
    }

    int begin()
    {
        if (rle_)
            return kOk;
        return bytes_.seek(info_.dataOffset) ? kOk : kErrFileRead;
    }

    int next(const uint8_t** out) override
    {
        if (delivered_ >= height)
            return kErrCorrupt;
        const uint8_t* src;
        if (rle_) {
            src = rle_->data() + size_t(delivered_) * size_t(width);
        } else {
            if (chunkPos_ >= chunkCount_) {
                const int rows = std::min(chunkRows_, height - delivered_);
                const size_t want = size_t(info_.stride) * size_t(rows);
                const size_t got = bytes_.read(chunk_, want);
                if (got < want) {
                    if (bytes_.error())
                        return kErrFileRead;
                    // only the padding of the very last row may be missing
                    const bool lastRows = delivered_ + rows == height;
                    if (!lastRows || want - got >= info_.stride)
                        return kErrTruncated;
                    std::memset(chunk_ + got, 0, want - got);
                }
                chunkPos_ = 0;
                chunkCount_ = rows;
            }
            src = chunk_ + size_t(chunkPos_++) * size_t(info_.stride);
        }
        *out = convert(src);
        ++delivered_;
        if (progress_ && (delivered_ & 63) == 0)
            progress_->progress(double(delivered_) / height);
        return kOk;
    }

private:
    const uint8_t* convert(const uint8_t* s)
    {
        if (rle_)
            return s;
        switch (info_.bitsPerPixel) {
        case 1:
            for (int x = 0; x < width; ++x)
                row_[x] = uint8_t((s[x >> 3] >> (7 - (x & 7))) & 1);
            return row_;
        case 4:
            for (int x = 0; x < width; ++x)
                row_[x] = uint8_t((x & 1) ? (s[x >> 1] & 15) : (s[x >> 1] >> 4));
            return row_;
        case 8:
        case 24: return s;
        case 16:
            for (int x = 0; x < width; ++x) {
                const uint32_t px = getLe16(s + 2 * size_t(x));
                row_[3 * x] = channels_[2].get(px);
                row_[3 * x + 1] = channels_[1].get(px);
                row_[3 * x + 2] = channels_[0].get(px);
            }
            return row_;
        default:  // 32
            if (info_.masks[0] == 0xFF0000 && info_.masks[1] == 0xFF00 && info_.masks[2] == 0xFF) {
                for (int x = 0; x < width; ++x) {
                    row_[3 * x] = s[4 * x];
                    row_[3 * x + 1] = s[4 * x + 1];
                    row_[3 * x + 2] = s[4 * x + 2];
                }
                return row_;
            }
            for (int x = 0; x < width; ++x) {
                const uint32_t px = getLe32(s + 4 * size_t(x));
                row_[3 * x] = channels_[2].get(px);
                row_[3 * x + 1] = channels_[1].get(px);
                row_[3 * x + 2] = channels_[0].get(px);
            }
            return row_;
        }
    }

    ByteSource& bytes_;
    const BmpInfo& info_;
    const std::vector<uint8_t>* rle_;
    ProgressSink* progress_;
    MaskChannel channels_[3];
    uint8_t* chunk_ = nullptr;
    uint8_t* row_ = nullptr;
    int chunkRows_ = 1;
    int chunkPos_ = 0;
    int chunkCount_ = 0;
    int delivered_ = 0;
};

class BmpSource final : public SourceImage {
public:
    int init(std::unique_ptr<ByteSource> bytes, const LoadLimits& limits)
    {
        bytes_ = std::move(bytes);
        std::vector<uint8_t> head(size_t(std::min<uint64_t>(bytes_->size(), kBmpHeadBytes)));
        if (!bytes_->readAt(0, head.data(), head.size()))
            return bytes_->error() ? kErrFileRead : kErrTruncated;
        int rc = parseBmpHeader(head.data(), head.size(), bytes_->size(), limits, info_);
        if (rc != kOk)
            return rc;
        width = info_.width;
        height = info_.height;
        bitsPerPixel = info_.bitsPerPixel <= 8 ? info_.bitsPerPixel : 24;
        palette = info_.palette;
        if (info_.compression == kBiRle8 || info_.compression == kBiRle4) {
            // Compressed rows can only be found by decoding, so do it now: a broken
            // file is then reported by the load itself. A few bytes of deltas can
            // claim any size, so compressed pictures have a lower limit.
            if (uint64_t(width) * uint64_t(height) > kMaxRlePixels)
                return kErrTooLarge;
            std::vector<uint8_t> packed(size_t(info_.dataBytes));
            if (!bytes_->readAt(info_.dataOffset, packed.data(), packed.size()))
                return bytes_->error() ? kErrFileRead : kErrTruncated;
            rle_.resize(size_t(width) * size_t(height));
            rc = decodeBmpRle(packed.data(), packed.size(), info_.bitsPerPixel, width, height,
                              rle_.data());
            if (rc != kOk)
                return rc;
        }
        return kOk;
    }

    int open(int, int, ProgressSink* progress, Buffer& io, Buffer&,
             std::unique_ptr<RowReader>& reader) override
    {
        auto r = std::make_unique<BmpRowReader>(*bytes_, info_, rle_.empty() ? nullptr : &rle_,
                                                progress, io);
        const int rc = r->begin();
        if (rc != kOk)
            return rc;
        reader = std::move(r);
        return kOk;
    }

private:
    void suspend() override { bytes_->suspend(); }

    std::unique_ptr<ByteSource> bytes_;
    BmpInfo info_;
    std::vector<uint8_t> rle_;
};

}  // namespace

int openBmpSource(std::unique_ptr<ByteSource> bytes, const LoadLimits& limits,
                  std::unique_ptr<SourceImage>& source)
{
    auto s = std::make_unique<BmpSource>();
    const int rc = s->init(std::move(bytes), limits);
    if (rc != kOk)
        return rc;
    source = std::move(s);
    return kOk;
}

}  // namespace vximg
