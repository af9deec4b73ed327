#include "engine/tests/ConversionTestSupport.h"

#include "exif/JpegEncoder.h"
#include "exif/TiffTypes.h"
#include "imaging/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <jpeglib.h>

namespace {

uint8_t clampByte(double v)
{
    return static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, v))));
}

// Weights of source pixels per target pixel along one axis, by area covered.
std::vector<std::vector<std::pair<int, double>>> coverage(int from, int to)
{
    std::vector<std::vector<std::pair<int, double>>> taps(static_cast<size_t>(to));
    const double scale = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double a = i * scale, b = (i + 1) * scale;
        for (int j = static_cast<int>(std::floor(a));
             j < std::min(from, static_cast<int>(std::ceil(b))); ++j) {
            const double w = std::min<double>(b, j + 1) - std::max<double>(a, j);
            if (w > 0)
                taps[static_cast<size_t>(i)].push_back({j, w / scale});
        }
    }
    return taps;
}

}  // namespace

void putLe16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void putLe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Rgb makeScene(int width, int height)
{
    const double pi2 = 6.283185307179586;
    Rgb p{width, height,
          std::vector<uint8_t>(static_cast<size_t>(width) * static_cast<size_t>(height) * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width, v = (y + 0.5) / height;
            double r = 128 + 80 * std::sin(pi2 * (3 * u + 0.5 * v)) +
                       30 * std::sin(pi2 * 13 * u) * std::cos(pi2 * 9 * v);
            double g = 30 + 180 * v + 25 * std::cos(pi2 * 5 * (u + v));
            const double d = std::hypot(u - 0.3, v - 0.6);
            double b = 128 + 100 * std::sin(pi2 * 6 * d);
            if (u > 0.1 && u < 0.3 && v > 0.1 && v < 0.25) {  // a dark block with hard edges
                r *= 0.2;
                g *= 0.2;
            }
            uint8_t* px =
                p.pixels.data() +
                (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
            px[0] = clampByte(r);
            px[1] = clampByte(g);
            px[2] = clampByte(b);
        }
    }
    return p;
}

Rgb solidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b)
{
    Rgb p{width, height, {}};
    for (int i = 0; i < width * height; ++i)
        p.pixels.insert(p.pixels.end(), {r, g, b});
    return p;
}

Rgb areaDownscale(const Rgb& source, int width, int height)
{
    const auto tx = coverage(source.width, width);
    const auto ty = coverage(source.height, height);
    std::vector<double> rows(static_cast<size_t>(source.height) * static_cast<size_t>(width) * 3,
                             0.0);
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < width; ++x) {
            double* d = &rows[(static_cast<size_t>(y) * static_cast<size_t>(width) +
                               static_cast<size_t>(x)) *
                              3];
            for (const auto& [j, w] : tx[static_cast<size_t>(x)]) {
                const uint8_t* s = source.at(j, y);
                for (int c = 0; c < 3; ++c)
                    d[c] += w * s[c];
            }
        }
    }
    Rgb out{width, height,
            std::vector<uint8_t>(static_cast<size_t>(width) * static_cast<size_t>(height) * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double acc[3] = {0, 0, 0};
            for (const auto& [j, w] : ty[static_cast<size_t>(y)]) {
                const double* s = &rows[(static_cast<size_t>(j) * static_cast<size_t>(width) +
                                         static_cast<size_t>(x)) *
                                        3];
                for (int c = 0; c < 3; ++c)
                    acc[c] += w * s[c];
            }
            uint8_t* d =
                out.pixels.data() +
                (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
            for (int c = 0; c < 3; ++c)
                d[c] = clampByte(acc[c]);
        }
    }
    return out;
}

Rgb crop(const Rgb& source, int x, int y, int width, int height)
{
    Rgb out{width, height, {}};
    for (int r = 0; r < height; ++r) {
        const uint8_t* s = source.at(x, y + r);
        out.pixels.insert(out.pixels.end(), s, s + static_cast<size_t>(width) * 3);
    }
    return out;
}

double psnr(const Rgb& a, const Rgb& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() ||
        a.pixels.empty())
        return 0.0;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const double d = static_cast<double>(a.pixels[i]) - b.pixels[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.pixels.size());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

int maxDeviation(const Rgb& picture, int x, int y, int width, int height, uint8_t r, uint8_t g,
                 uint8_t b)
{
    int worst = 0;
    for (int j = y; j < y + height; ++j) {
        for (int i = x; i < x + width; ++i) {
            const uint8_t* p = picture.at(i, j);
            worst = std::max({worst, std::abs(p[0] - r), std::abs(p[1] - g), std::abs(p[2] - b)});
        }
    }
    return worst;
}

namespace {

// A BMP of 24 bits, or of 8 bits with a palette of 256 greys (the green channel).
std::vector<uint8_t> bmp(const Rgb& picture, bool topDown, bool grey)
{
    const uint32_t width = static_cast<uint32_t>(picture.width),
                   height = static_cast<uint32_t>(picture.height);
    const uint32_t rowBytes = grey ? width : width * 3, stride = (rowBytes + 3) & ~3u;
    const uint32_t offset = 54 + (grey ? 1024 : 0), imageBytes = stride * height;
    std::vector<uint8_t> out = {'B', 'M'};
    for (uint32_t v : {offset + imageBytes, 0u, offset, 40u, width, topDown ? 0u - height : height})
        putLe32(out, v);
    putLe16(out, 1);
    putLe16(out, grey ? 8 : 24);
    for (uint32_t v : {0u, imageBytes, 0u, 0u, grey ? 256u : 0u, 0u})
        putLe32(out, v);
    for (int i = 0; grey && i < 256; ++i)
        out.insert(out.end(),
                   {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0});
    for (uint32_t r = 0; r < height; ++r) {
        const int y = static_cast<int>(topDown ? r : height - 1 - r);
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.at(x, y);
            if (grey)
                out.push_back(p[1]);
            else
                out.insert(out.end(), {p[2], p[1], p[0]});
        }
        out.resize(out.size() + (stride - rowBytes), 0);
    }
    return out;
}

}  // namespace

std::vector<uint8_t> bmp24(const Rgb& picture, bool topDown)
{
    return bmp(picture, topDown, false);
}
std::vector<uint8_t> bmp8Gray(const Rgb& picture)
{
    return bmp(picture, false, true);
}

std::vector<uint8_t> baselineJpeg(const Rgb& picture, int quality, const std::vector<uint8_t>& app1)
{
    std::vector<uint8_t> out;
    encodeRgbToJpegMemory(out, picture.pixels.data(), static_cast<uint32_t>(picture.width),
                          static_cast<uint32_t>(picture.height), quality, 0xE1,
                          app1.empty() ? nullptr : app1.data(), static_cast<uint32_t>(app1.size()),
                          app1.empty());
    return out;
}

std::vector<uint8_t> progressiveJpeg(const Rgb& picture, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(picture.at(0, static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

SourceTag asciiTag(uint16_t ifd, uint16_t tag, const std::string& text)
{
    std::vector<uint8_t> v(text.begin(), text.end());
    v.push_back(0);
    const auto count = static_cast<uint32_t>(v.size());
    return {ifd, tag, kTiffAscii, count, std::move(v)};
}

SourceTag shortTag(uint16_t ifd, uint16_t tag, std::vector<uint16_t> values)
{
    std::vector<uint8_t> v(values.size() * 2);
    std::memcpy(v.data(), values.data(), v.size());
    return {ifd, tag, kTiffShort, static_cast<uint32_t>(values.size()), std::move(v)};
}

SourceTag longTag(uint16_t ifd, uint16_t tag, std::vector<uint32_t> values)
{
    std::vector<uint8_t> v(values.size() * 4);
    std::memcpy(v.data(), values.data(), v.size());
    return {ifd, tag, kTiffLong, static_cast<uint32_t>(values.size()), std::move(v)};
}

SourceTag rationalTag(uint16_t ifd, uint16_t tag, uint32_t numerator, uint32_t denominator)
{
    const uint32_t words[2] = {numerator, denominator};
    std::vector<uint8_t> v(8);
    std::memcpy(v.data(), words, 8);
    return {ifd, tag, kTiffRational, 1, std::move(v)};
}

SourceTag undefinedTag(uint16_t ifd, uint16_t tag, std::vector<uint8_t> bytes)
{
    const auto count = static_cast<uint32_t>(bytes.size());
    return {ifd, tag, kTiffUndefined, count, std::move(bytes)};
}

namespace {

class TiffWriter {
public:
    explicit TiffWriter(bool motorola) : motorola_(motorola) {}
    void put16(std::vector<uint8_t>& out, size_t at, uint32_t v) const
    {
        out[at] = static_cast<uint8_t>(motorola_ ? v >> 8 : v);
        out[at + 1] = static_cast<uint8_t>(motorola_ ? v : v >> 8);
    }
    void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) const
    {
        for (int i = 0; i < 4; ++i)
            out[at + static_cast<size_t>(i)] =
                static_cast<uint8_t>(v >> (motorola_ ? 24 - 8 * i : 8 * i));
    }
    // Host-order elements into the file's order.
    void putValue(std::vector<uint8_t>& out, size_t at, const SourceTag& t) const
    {
        const uint32_t size = tiffElementSize(t.type);
        const uint32_t unit = (t.type == kTiffRational || t.type == kTiffSRational) ? 4 : size;
        const size_t bytes = static_cast<size_t>(size) * t.count;
        for (size_t i = 0; i < bytes; i += unit) {
            if (unit == 1) {
                out[at + i] = t.value[i];
            } else if (unit == 2) {
                uint16_t v;
                std::memcpy(&v, &t.value[i], 2);
                put16(out, at + i, v);
            } else if (unit == 4) {
                uint32_t v;
                std::memcpy(&v, &t.value[i], 4);
                put32(out, at + i, v);
            } else {
                for (size_t k = 0; k < 8; ++k)
                    out[at + i + k] = t.value[i + (motorola_ ? 7 - k : k)];
            }
        }
    }

private:
    bool motorola_;
};

size_t valueBytes(const SourceTag& t)
{
    return static_cast<size_t>(tiffElementSize(t.type)) * t.count;
}

// Block bytes of one directory: count, entries, next link, values (even lengths).
size_t blockBytes(const std::vector<SourceTag>& tags)
{
    size_t n = 2 + 12 * tags.size() + 4;
    for (const SourceTag& t : tags)
        if (!tiffValueInline(t.type, t.count) &&
            !(t.ifd == 2 && t.tag == 0x927C))  // the maker note lies apart
            n += (valueBytes(t) + 1) & ~size_t{1};
    return n;
}

}  // namespace

std::vector<uint8_t> exifPayload(const std::vector<SourceTag>& tags, bool motorola,
                                 const std::string& makerNoteKind)
{
    // Directory numbers in file order.
    const uint16_t order[] = {1, 3, 2, 5, 4, 6};
    std::map<uint16_t, std::vector<SourceTag>> dirs;
    for (const SourceTag& t : tags)
        dirs[t.ifd].push_back(t);
    const bool exifNeeded = !dirs[2].empty() || !dirs[5].empty() || !dirs[6].empty();
    if (exifNeeded)
        dirs[1].push_back(longTag(1, 0x8769, {0}));
    if (!dirs[4].empty())
        dirs[1].push_back(longTag(1, 0x8825, {0}));
    if (!dirs[5].empty())
        dirs[2].push_back(longTag(2, 0xA005, {0}));
    const size_t makerNoteBytes = dirs[6].empty() ? 0 : 8 + blockBytes(dirs[6]);
    if (makerNoteBytes != 0)
        dirs[2].push_back(undefinedTag(2, 0x927C, std::vector<uint8_t>(makerNoteBytes, 0)));

    // Positions (TIFF offsets).
    std::map<uint16_t, size_t> at;
    size_t position = 8;
    for (uint16_t d : order) {
        if (dirs[d].empty())
            continue;
        at[d] = position + (d == 6 ? 8 : 0);
        position += d == 6 ? makerNoteBytes : blockBytes(dirs[d]);
    }
    auto link = [&](uint16_t d, uint16_t tag, uint32_t value) {
        for (SourceTag& t : dirs[d])
            if (t.tag == tag)
                std::memcpy(t.value.data(), &value, 4);
    };
    if (exifNeeded)
        link(1, 0x8769, static_cast<uint32_t>(at[2]));
    if (!dirs[4].empty())
        link(1, 0x8825, static_cast<uint32_t>(at[4]));
    if (!dirs[5].empty())
        link(2, 0xA005, static_cast<uint32_t>(at[5]));

    const TiffWriter w(motorola);
    std::vector<uint8_t> tiff(position, 0);
    tiff[0] = tiff[1] = motorola ? 'M' : 'I';
    w.put16(tiff, 2, 42);
    w.put32(tiff, 4, 8);
    for (uint16_t d : order) {
        std::vector<SourceTag>& list = dirs[d];
        if (list.empty())
            continue;
        std::stable_sort(list.begin(), list.end(),
                         [](const SourceTag& a, const SourceTag& b) { return a.tag < b.tag; });
        size_t p = at[d];
        if (d == 6) {
            std::memcpy(&tiff[p - 8], makerNoteKind.c_str(),
                        std::min<size_t>(makerNoteKind.size(), 5));
            tiff[p - 2] = 1;  // version bytes, not a number
            tiff[p - 1] = 0;
        }
        w.put16(tiff, p, static_cast<uint32_t>(list.size()));
        size_t data = p + 2 + 12 * list.size() + 4;
        for (size_t i = 0; i < list.size(); ++i) {
            const SourceTag& t = list[i];
            const size_t e = p + 2 + 12 * i;
            w.put16(tiff, e, t.tag);
            w.put16(tiff, e + 2, t.type);
            w.put32(tiff, e + 4, t.count);
            if (d == 2 && t.tag == 0x927C) {
                w.put32(tiff, e + 8, static_cast<uint32_t>(at[6] - 8));  // the maker note's start
            } else if (tiffValueInline(t.type, t.count)) {
                w.putValue(tiff, e + 8, t);
            } else {
                w.put32(tiff, e + 8, static_cast<uint32_t>(data));
                w.putValue(tiff, data, t);
                data += (valueBytes(t) + 1) & ~size_t{1};
            }
        }
        const uint32_t next = (d == 1 && !dirs[3].empty()) ? static_cast<uint32_t>(at[3]) : 0;
        w.put32(tiff, p + 2 + 12 * list.size(), next);
    }
    std::vector<uint8_t> payload(6 + tiff.size(), 0);
    std::memcpy(payload.data(), "Exif", 4);
    std::copy(tiff.begin(), tiff.end(), payload.begin() + 6);
    return payload;
}

std::string WrittenEntry::text() const
{
    const auto end = std::find(value.begin(), value.end(), uint8_t{0});
    return std::string(value.begin(), end);
}

uint32_t WrittenEntry::number(size_t index) const
{
    if (type == kTiffShort && value.size() >= 2 * (index + 1)) {
        uint16_t v;
        std::memcpy(&v, &value[2 * index], 2);
        return v;
    }
    if (value.size() >= 4 * (index + 1)) {
        uint32_t v;
        std::memcpy(&v, &value[4 * index], 4);
        return v;
    }
    return 0xFFFFFFFFu;
}

std::map<std::pair<uint16_t, uint16_t>, WrittenEntry> writtenEntries(const fs::path& jpeg)
{
    std::map<std::pair<uint16_t, uint16_t>, WrittenEntry> entries;
    const std::vector<uint8_t> bytes = readFileBytes(jpeg);
    const std::unique_ptr<ExifSourceReader> reader = readExifSource(bytes.data(), bytes.size());
    if (!reader)
        return entries;
    ExifEntryCursor cursor;
    while (nextExifEntry(*reader, cursor) != nullptr) {
        WrittenEntry e;
        e.type = cursor.type;
        e.count = cursor.count;
        const size_t n = static_cast<size_t>(sourceElementSize(cursor.type)) * cursor.count;
        if (cursor.ifd == 3 && cursor.tag == 0x201) {
            const uint32_t v = cursor.rawValue;  // data points at the thumbnail itself
            e.value.resize(4);
            std::memcpy(e.value.data(), &v, 4);
        } else if (cursor.data != nullptr) {
            e.value.assign(cursor.data, cursor.data + n);
        }
        entries[{cursor.ifd, cursor.tag}] = e;
    }
    return entries;
}

std::vector<uint8_t> app1Payload(const std::vector<uint8_t>& jpeg)
{
    size_t p = 2;
    while (p + 4 <= jpeg.size() && jpeg[p] == 0xFF) {
        const uint8_t code = jpeg[p + 1];
        const size_t length = static_cast<size_t>(jpeg[p + 2] << 8 | jpeg[p + 3]);
        if (code == 0xDA || length < 2 || p + 2 + length > jpeg.size())
            break;
        if (code == 0xE1 && length >= 8 && std::memcmp(&jpeg[p + 4], "Exif", 4) == 0)
            return std::vector<uint8_t>(jpeg.begin() + static_cast<std::ptrdiff_t>(p + 4),
                                        jpeg.begin() + static_cast<std::ptrdiff_t>(p + 2 + length));
        p += 2 + length;
    }
    return {};
}

Rgb decodeFile(const fs::path& path)
{
    Rgb out;
    vximg::IPicture* picture = vximg::createPicture();
    std::vector<uint8_t> dib;
    if (picture->load(path.u8string().c_str()) == vximg::kOk &&
        picture->setColorResolution(24) == vximg::kOk) {
        dib.resize(picture->dibSize());
        if (!dib.empty() && picture->copyDib(dib.data(), dib.size()) == vximg::kOk) {
            const int w = picture->width(), h = picture->height();
            const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
            uint32_t header;
            std::memcpy(&header, dib.data(), 4);
            out.width = w;
            out.height = h;
            out.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
            for (int y = 0; y < h; ++y) {
                const uint8_t* s = dib.data() + header + stride * static_cast<size_t>(h - 1 - y);
                uint8_t* d =
                    out.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 3;
                for (int x = 0; x < w; ++x) {
                    d[3 * x] = s[3 * x + 2];
                    d[3 * x + 1] = s[3 * x + 1];
                    d[3 * x + 2] = s[3 * x];
                }
            }
        }
    }
    picture->release();
    return out;
}

Rgb fromEncoderRows(const uint8_t* rows, uint32_t width, uint32_t height, bool bottomUp, bool bgr)
{
    Rgb out{static_cast<int>(width), static_cast<int>(height), {}};
    if (rows == nullptr)
        return out;
    out.pixels.resize(static_cast<size_t>(width) * height * 3);
    const size_t stride = static_cast<size_t>(width) * 3;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* s = rows + stride * (bottomUp ? height - 1 - y : y);
        uint8_t* d = out.pixels.data() + stride * y;
        for (uint32_t x = 0; x < width; ++x) {
            d[3 * x] = s[3 * x + (bgr ? 2 : 0)];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x + (bgr ? 0 : 2)];
        }
    }
    return out;
}

const Rgb& scene1600()
{
    static const Rgb scene = makeScene(1600, 1200);
    return scene;
}

void expectBandsExact(const Rgb& frame, int x, int y, int w, int h)
{
    int wrong = 0;
    for (int j = 0; j < frame.height; ++j) {
        for (int i = 0; i < frame.width; ++i) {
            if (i >= x && i < x + w && j >= y && j < y + h)
                continue;
            const uint8_t* p = frame.at(i, j);
            if (p[0] != kFillR || p[1] != kFillG || p[2] != kFillB)
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels off the fill colour outside " << x << "," << y << " " << w << "x"
                        << h;
}
