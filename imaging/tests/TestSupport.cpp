#include "imaging/tests/TestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <jpeglib.h>

namespace vxtest {

namespace {
void put16(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + size_t(i)] = uint8_t(x >> (8 * i));
}
uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
}  // namespace

Image Indexed::toImage() const
{
    Image img(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = palette[index[size_t(y) * size_t(width) + size_t(x)]];
            uint8_t* p = img.at(x, y);
            p[0] = uint8_t(c >> 16);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c);
        }
    return img;
}

Image makeTestPicture(int w, int h)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.at(x, y);
            p[0] = uint8_t(40 + x * 150 / std::max(1, w - 1));             // red grows to the right
            p[1] = uint8_t(20 + y * 200 / std::max(1, h - 1));             // green grows downwards
            p[2] = uint8_t(((x + 2 * y) * 255) / std::max(1, w + 2 * h));  // blue along a diagonal
            if (x < w / 4 && y < h / 4) {                                  // red block, top left
                p[0] = 250;
                p[1] = 10;
                p[2] = 10;
            }
            if (x >= w - w / 5 && y >= h - h / 3) {  // blue block, bottom right
                p[0] = 5;
                p[1] = 15;
                p[2] = 245;
            }
        }
    return img;
}

Indexed makeIndexedPicture(int w, int h, int colors)
{
    Indexed pic;
    pic.width = w;
    pic.height = h;
    pic.index.resize(size_t(w) * size_t(h));
    for (int i = 0; i < colors; ++i) {
        // distinct, non-gray colours; entry 1 is pure red, entry 2 pure blue
        uint32_t r = uint32_t((i * 97 + 31) % 256), g = uint32_t((i * 57 + 101) % 256),
                 b = uint32_t((i * 151 + 7) % 256);
        if (i == 1)
            r = 255, g = 0, b = 0;
        if (i == 2)
            r = 0, g = 0, b = 255;
        pic.palette.push_back((r << 16) | (g << 8) | b);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v = (x / 3 + 2 * (y / 2) + x * y / 7) % colors;
            if (colors > 2) {
                if (x < w / 4 && y < h / 4)
                    v = 1;
                if (x >= w - w / 5 && y >= h - h / 3)
                    v = 2;
            } else if (x < w / 3 && y < h / 3) {
                v = 1;
            }
            pic.index[size_t(y) * size_t(w) + size_t(x)] = uint8_t(v);
        }
    return pic;
}

Image fromBitmap(const vximg::Bitmap& b)
{
    Image img(b.width(), b.height());
    for (int y = 0; y < b.height(); ++y) {
        const uint8_t* s = b.row(y);
        for (int x = 0; x < b.width(); ++x) {
            uint8_t* d = img.at(x, y);
            if (b.indexed()) {
                const vximg::Bgr c =
                    s[x] < b.palette().size() ? b.palette()[s[x]] : vximg::Bgr{0, 0, 0};
                d[0] = c.r;
                d[1] = c.g;
                d[2] = c.b;
            } else {
                d[0] = s[3 * x + 2];
                d[1] = s[3 * x + 1];
                d[2] = s[3 * x];
            }
        }
    }
    return img;
}

bool imageFromDib(const uint8_t* dib, size_t size, Image& out)
{
    if (size < 40 || get32(dib) != 40)
        return false;
    const int32_t w = int32_t(get32(dib + 4)), h = int32_t(get32(dib + 8));
    const int bits = dib[14] | (dib[15] << 8);
    const uint32_t used = get32(dib + 32);
    if (w <= 0 || h <= 0 || get32(dib + 16) != 0)
        return false;
    const size_t entries = bits <= 8 ? (used ? used : (size_t(1) << bits)) : 0;
    const size_t stride = ((size_t(w) * size_t(bits) + 31) / 32) * 4;
    const uint8_t* pal = dib + 40;
    const uint8_t* rows = pal + 4 * entries;
    if (size < 40 + 4 * entries + stride * size_t(h))
        return false;
    out = Image(w, h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* r = rows + size_t(h - 1 - y) * stride;  // bottom-up
        for (int x = 0; x < w; ++x) {
            uint8_t* d = out.at(x, y);
            if (bits == 24) {
                d[0] = r[3 * x + 2];
                d[1] = r[3 * x + 1];
                d[2] = r[3 * x];
            } else if (bits <= 8) {
                int i = bits == 8   ? r[x]
                        : bits == 4 ? ((x & 1) ? r[x / 2] & 15 : r[x / 2] >> 4)
                                    : (r[x / 8] >> (7 - x % 8)) & 1;
                if (size_t(i) >= entries)
                    return false;
                d[0] = pal[4 * i + 2];
                d[1] = pal[4 * i + 1];
                d[2] = pal[4 * i];
            } else {
                return false;
            }
        }
    }
    return true;
}

double psnr(const Image& a, const Image& b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.empty())
        return 0.0;
    double se = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        se += d * d;
    }
    if (se == 0.0)
        return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (se / double(a.rgb.size())));
}

int maxDifference(const Image& a, const Image& b)
{
    if (a.width != b.width || a.height != b.height)
        return 256;
    int m = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        m = std::max(m, std::abs(int(a.rgb[i]) - int(b.rgb[i])));
    return m;
}

std::vector<uint8_t> buildBmp(const BmpLayout& s, const std::vector<uint8_t>& pixels)
{
    const bool core = s.headerSize == 12;
    const bool masksAfter = s.headerSize == 40 && (s.compression == 3 || s.compression == 6);
    const size_t maskBytes = masksAfter ? (s.compression == 6 ? 16 : 12) : 0;
    const size_t entry = core ? 3 : 4;
    const size_t paletteAt = 14 + size_t(s.headerSize) + maskBytes;
    const size_t dataAt =
        s.dataOffset >= 0 ? size_t(s.dataOffset) : paletteAt + entry * s.palette.size();
    std::vector<uint8_t> f(std::max(dataAt, paletteAt + entry * s.palette.size()) + pixels.size(),
                           0);
    f[0] = 'B';
    f[1] = 'M';
    put32(f, 2, uint32_t(f.size()));
    put32(f, 10, uint32_t(dataAt));
    put32(f, 14, uint32_t(s.headerSize));
    if (core) {
        put16(f, 18, uint32_t(s.width));
        put16(f, 20, uint32_t(s.height));
        put16(f, 22, 1);
        put16(f, 24, uint32_t(s.bits));
    } else {
        put32(f, 18, uint32_t(s.width));
        put32(f, 22, uint32_t(s.topDown ? -s.height : s.height));
        put16(f, 26, 1);
        put16(f, 28, uint32_t(s.bits));
        put32(f, 30, s.compression);
        put32(f, 34, uint32_t(pixels.size()));
        put32(f, 38, 2835);
        put32(f, 42, 2835);
        put32(f, 46, s.colorsUsed);
        put32(f, 50, 0);
        if (s.headerSize >= 52 || masksAfter) {
            for (int i = 0; i < (s.headerSize >= 56 || s.compression == 6 ? 4 : 3); ++i)
                put32(f, 54 + 4 * size_t(i), s.masks[i]);
        }
        if (s.headerSize >= 108)
            put32(f, 70, 0x73524742);  // 'sRGB'
    }
    for (size_t i = 0; i < s.palette.size(); ++i) {
        const uint32_t c = s.palette[i];
        f[paletteAt + entry * i] = uint8_t(c);
        f[paletteAt + entry * i + 1] = uint8_t(c >> 8);
        f[paletteAt + entry * i + 2] = uint8_t(c >> 16);
    }
    std::memcpy(f.data() + dataAt, pixels.data(), pixels.size());
    return f;
}

std::vector<uint8_t> encodeIndexedRows(const Indexed& pic, int bits, bool topDown)
{
    const size_t stride = ((size_t(pic.width) * size_t(bits) + 31) / 32) * 4;
    std::vector<uint8_t> out(stride * size_t(pic.height), 0);
    for (int i = 0; i < pic.height; ++i) {
        const int y = topDown ? i : pic.height - 1 - i;
        uint8_t* r = &out[size_t(i) * stride];
        for (int x = 0; x < pic.width; ++x) {
            const uint8_t v = pic.index[size_t(y) * size_t(pic.width) + size_t(x)];
            if (bits == 8)
                r[x] = v;
            if (bits == 4)
                r[x / 2] = uint8_t(r[x / 2] | (x % 2 ? v : v << 4));
            if (bits == 1)
                r[x / 8] = uint8_t(r[x / 8] | (v << (7 - x % 8)));
        }
    }
    return out;
}

std::vector<uint8_t> encodeRgbRows(const Image& pic, int bits, const uint32_t masks[3],
                                   bool topDown)
{
    const size_t stride = ((size_t(pic.width) * size_t(bits) + 31) / 32) * 4;
    std::vector<uint8_t> out(stride * size_t(pic.height), 0);
    for (int i = 0; i < pic.height; ++i) {
        const int y = topDown ? i : pic.height - 1 - i;
        uint8_t* r = &out[size_t(i) * stride];
        for (int x = 0; x < pic.width; ++x) {
            const uint8_t* p = pic.at(x, y);
            if (bits == 24) {
                r[3 * x] = p[2];
                r[3 * x + 1] = p[1];
                r[3 * x + 2] = p[0];
                continue;
            }
            uint32_t v = 0;
            for (int c = 0; c < 3; ++c) {
                uint32_t m = masks[c];
                int shift = 0;
                while (m && !((m >> shift) & 1))
                    ++shift;
                const uint32_t maxv = m >> shift;
                v |= ((uint32_t(p[c]) * maxv + 127) / 255) << shift;
            }
            for (int k = 0; k < bits / 8; ++k)
                r[size_t(x) * size_t(bits / 8) + size_t(k)] = uint8_t(v >> (8 * k));
        }
    }
    return out;
}

std::vector<uint8_t> encodePpm(const Image& img)
{
    const std::string head =
        "P6\n" + std::to_string(img.width) + " " + std::to_string(img.height) + "\n255\n";
    std::vector<uint8_t> out(head.begin(), head.end());
    out.insert(out.end(), img.rgb.begin(), img.rgb.end());
    return out;
}

void writePpm(const std::string& path, const Image& img)
{
    writeFileBytes(path, encodePpm(img));
}

bool readPpm(const std::string& path, Image& img)
{
    const std::vector<uint8_t> d = readFileBytes(path);
    size_t pos = 0;
    auto token = [&]() -> std::string {
        while (pos < d.size() && (std::isspace(d[pos]) || d[pos] == '#')) {
            if (d[pos] == '#')
                while (pos < d.size() && d[pos] != '\n')
                    ++pos;
            else
                ++pos;
        }
        std::string t;
        while (pos < d.size() && !std::isspace(d[pos]))
            t += char(d[pos++]);
        return t;
    };
    if (token() != "P6")
        return false;
    const int w = std::atoi(token().c_str()), h = std::atoi(token().c_str()),
              maxv = std::atoi(token().c_str());
    ++pos;
    if (w <= 0 || h <= 0 || maxv != 255 || d.size() < pos + size_t(w) * size_t(h) * 3)
        return false;
    img = Image(w, h);
    std::memcpy(img.rgb.data(), d.data() + pos, img.rgb.size());
    return true;
}

std::string tempDir()
{
    static const TempFolder folder;
    return folder.path().u8string();
}

std::string findTool(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "";
    all += ":/usr/bin:/usr/local/bin";
    size_t start = 0;
    while (start <= all.size()) {
        const size_t end = all.find(':', start);
        const std::string dir =
            all.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + name;
            std::error_code ec;
            if (std::filesystem::is_regular_file(candidate, ec))
                return candidate;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return "";
}

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

std::vector<uint8_t> encodeJpeg(const Image& img, int quality, bool progressive, bool gray)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);  // a test picture never fails to encode
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&c, &mem, &memSize);
    c.image_width = JDIMENSION(img.width);
    c.image_height = JDIMENSION(img.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    if (gray)
        jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.at(0, int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> out(mem, mem + memSize);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return out;
}

}  // namespace vxtest
