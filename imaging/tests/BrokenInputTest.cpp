// Broken, truncated and absurd files: always an error code, never a crash,
// a hang or a huge allocation (the sanitizer build watches the memory).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "imaging/BmpFormat.h"
#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"
#include "imaging/tests/TestSupport.h"

using namespace vxtest;
using vximg::PictureCore;

namespace {

int loadAndDecode(const std::vector<uint8_t>& f, PictureCore& p)
{
    int rc = p.loadMemory(f.data(), f.size());
    if (rc != vximg::kOk)
        return rc;
    const vximg::Bitmap* b = nullptr;
    return p.decoded(&b);
}

std::vector<uint8_t> smallBmp(int bits)
{
    BmpLayout s;
    s.width = 13;
    s.height = 7;
    s.bits = bits;
    if (bits <= 8) {
        const Indexed pic = makeIndexedPicture(13, 7, 1 << bits);
        s.palette = pic.palette;
        return buildBmp(s, encodeIndexedRows(pic, bits, false));
    }
    return buildBmp(s, encodeRgbRows(makeTestPicture(13, 7), 24, nullptr, false));
}

void setLe32(std::vector<uint8_t>& f, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        f[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

TEST(BrokenInput, EmptyAndTinyFiles)
{
    PictureCore p;
    EXPECT_EQ(p.loadMemory(nullptr, 0), vximg::kErrUnknownFormat);
    EXPECT_EQ(p.width(), 0);
    const uint8_t one[] = {'B'};
    EXPECT_EQ(p.loadMemory(one, 1), vximg::kErrUnknownFormat);
    const uint8_t bm[] = {'B', 'M'};
    EXPECT_EQ(p.loadMemory(bm, 2), vximg::kErrTruncated);
    const uint8_t soi[] = {0xFF, 0xD8};
    EXPECT_NE(p.loadMemory(soi, 2), vximg::kOk);
    const uint8_t text[] = "GIF89a not ours";
    EXPECT_EQ(p.loadMemory(text, sizeof text), vximg::kErrUnknownFormat);
}

TEST(BrokenInput, MissingFileIsAnOpenError)
{
    PictureCore p;
    EXPECT_EQ(p.load((tempDir() + "/no-such-file.bmp").c_str()), vximg::kErrFileOpen);
    EXPECT_EQ(p.load(""), vximg::kErrFileOpen);
    EXPECT_EQ(p.resize(10, 10, 1), vximg::kErrNoPicture);
}

TEST(BrokenInput, EveryPrefixOfABmpFailsCleanly)
{
    for (int bits : {1, 8, 24}) {
        const auto full = smallBmp(bits);
        PictureCore p;
        ASSERT_EQ(loadAndDecode(full, p), vximg::kOk);
        const size_t stride = ((13 * size_t(bits) + 31) / 32) * 4;
        const size_t lastRowPixels = (13 * size_t(bits) + 7) / 8;
        for (size_t n = 0; n < full.size(); ++n) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
            const int rc = loadAndDecode(cut, p);
            if (n >= full.size() - (stride - lastRowPixels)) {
                EXPECT_EQ(rc, vximg::kOk) << "only padding missing, bits " << bits << " n " << n;
            } else {
                EXPECT_NE(rc, vximg::kOk) << "bits " << bits << " n " << n;
                EXPECT_EQ(p.width(), 0);
            }
        }
    }
}

TEST(BrokenInput, EveryPrefixOfAJpegFailsCleanly)
{
    const auto full = encodeJpeg(makeTestPicture(40, 30), 80, false, false);
    const auto prog = encodeJpeg(makeTestPicture(40, 30), 80, true, false);
    for (const auto* f : {&full, &prog}) {
        PictureCore p;
        ASSERT_EQ(loadAndDecode(*f, p), vximg::kOk);
        for (size_t n = 0; n < f->size(); ++n) {
            std::vector<uint8_t> cut(f->begin(), f->begin() + long(n));
            EXPECT_NE(loadAndDecode(cut, p), vximg::kOk) << n;
        }
    }
}

TEST(BrokenInput, TruncatedJpegIsReportedByTheLoad)
{
    auto f = encodeJpeg(makeTestPicture(200, 150), 90, false, false);
    f.resize(f.size() * 2 / 3);
    PictureCore p;
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kErrTruncated);
}

TEST(BrokenInput, JunkAfterTheEndMarkerIsAccepted)
{
    auto f = encodeJpeg(makeTestPicture(64, 48), 90, false, false);
    f.insert(f.end(), 3000, 0);
    PictureCore p;
    EXPECT_EQ(loadAndDecode(f, p), vximg::kOk);
    EXPECT_EQ(p.width(), 64);
}

TEST(BrokenInput, AbsurdBmpSizesFailWithoutAllocating)
{
    auto f = smallBmp(24);
    setLe32(f, 18, 100000);
    setLe32(f, 22, 100000);
    PictureCore p;
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kErrTooLarge);
    // within the dimension limit but not backed by data
    setLe32(f, 18, 60000);
    setLe32(f, 22, 60000);
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kErrTooLarge);
    setLe32(f, 18, 16000);
    setLe32(f, 22, 16000);
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kErrTruncated);
    // top-down with the most negative height
    setLe32(f, 22, 0x80000000u);
    EXPECT_NE(p.loadMemory(f.data(), f.size()), vximg::kOk);
}

TEST(BrokenInput, HugeRleFailsOnTheLimitNotOnMemory)
{
    BmpLayout s;
    s.width = 30000;
    s.height = 30000;
    s.bits = 8;
    s.compression = 1;
    s.palette = {0, 0xFFFFFF};
    const auto f = buildBmp(s, {0, 1});
    PictureCore p;
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kErrTooLarge);
    p.setMaxPixels(1000);
    s.width = 40;
    s.height = 40;
    const auto g = buildBmp(s, {0, 1});
    EXPECT_EQ(p.loadMemory(g.data(), g.size()), vximg::kErrTooLarge);
}

TEST(BrokenInput, HugeJpegHeaderIsRefused)
{
    auto f = encodeJpeg(makeTestPicture(16, 16), 80, false, false);
    // patch the frame header: FF C0, length, precision, height, width
    for (size_t i = 2; i + 9 < f.size(); ++i) {
        if (f[i] == 0xFF && f[i + 1] == 0xC0) {
            f[i + 5] = 0xFD;  // height 65000
            f[i + 6] = 0xE8;
            f[i + 7] = 0xFD;  // width 65000
            f[i + 8] = 0xE8;
            break;
        }
    }
    PictureCore p;
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kErrTooLarge);
}

TEST(BrokenInput, BadHeaderFields)
{
    struct Patch {
        size_t at;
        uint32_t value;
        int bytes;
        int expect;
    };
    const Patch patches[] = {
        {14, 200, 4, vximg::kErrCorrupt},          // header size
        {18, 0, 4, vximg::kErrCorrupt},            // width 0
        {18, 0xFFFFFFF6u, 4, vximg::kErrCorrupt},  // width -10
        {22, 0, 4, vximg::kErrCorrupt},            // height 0
        {28, 7, 2, vximg::kErrCorrupt},            // 7 bits
        {28, 2, 2, vximg::kErrUnsupported},        // 2 bits
        {30, 4, 4, vximg::kErrUnsupported},        // JPEG inside
        {30, 5, 4, vximg::kErrUnsupported},        // PNG inside
        {30, 9, 4, vximg::kErrUnsupported},        // unknown compression
        {30, 1, 4, vximg::kErrCorrupt},            // RLE8 on 24 bits
        {10, 20, 4, vximg::kErrCorrupt},           // data offset inside the header
        {10, 100000, 4, vximg::kErrTruncated},     // data offset beyond the end
    };
    for (const Patch& pt : patches) {
        auto f = smallBmp(24);
        for (int i = 0; i < pt.bytes; ++i)
            f[pt.at + size_t(i)] = uint8_t(pt.value >> (8 * i));
        PictureCore p;
        EXPECT_EQ(p.loadMemory(f.data(), f.size()), pt.expect)
            << "offset " << pt.at << " value " << pt.value;
    }
}

TEST(BrokenInput, RandomMutationsNeverCrash)
{
    std::mt19937 rng(1234);
    std::vector<std::vector<uint8_t>> seeds = {
        smallBmp(1),
        smallBmp(4),
        smallBmp(8),
        smallBmp(24),
        encodeJpeg(makeTestPicture(33, 21), 75, false, false),
        encodeJpeg(makeTestPicture(33, 21), 75, true, false),
        encodeJpeg(makeTestPicture(33, 21), 75, false, true)};
    {
        BmpLayout s;
        s.width = 20;
        s.height = 9;
        s.bits = 8;
        s.compression = 1;
        s.palette = makeIndexedPicture(1, 1, 16).palette;
        seeds.push_back(buildBmp(s, {5, 1, 0, 4, 1, 2, 3, 4, 0, 0, 0, 2, 3, 3, 7, 2, 0, 1}));
    }
    const auto start = std::chrono::steady_clock::now();
    int decodedOk = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> f = seeds[size_t(round) % seeds.size()];
        const int edits = 1 + int(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % f.size();
            switch (rng() % 4) {
            case 0: f[at] = uint8_t(rng()); break;
            case 1: f[at] ^= uint8_t(1u << (rng() % 8)); break;
            case 2: f[at] = (rng() & 1) ? 0xFF : 0x00; break;
            default: f.resize(at + 1); break;
            }
        }
        PictureCore p;
        p.setMaxPixels(1 << 20);
        if (p.loadMemory(f.data(), f.size()) != vximg::kOk)
            continue;
        if (p.resize(17, 9, vximg::kResizeResample) == vximg::kOk)
            ++decodedOk;
        std::vector<uint8_t> dib(p.dibSize());
        if (!dib.empty())
            p.copyDib(dib.data(), dib.size());
    }
    EXPECT_GT(decodedOk, 100);  // the mutations do not all die at the header
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(2));
}

TEST(BrokenInput, FileReplacedAfterTheLoadFailsCleanly)
{
    const std::string path = tempDir() + "/replaced.jpg";
    writeFileBytes(path, encodeJpeg(makeTestPicture(300, 200), 85, false, false));
    PictureCore p;
    ASSERT_EQ(p.load(path.c_str()), vximg::kOk);
    writeFileBytes(path, encodeJpeg(makeTestPicture(30, 20), 85, false, false));
    EXPECT_NE(p.resize(150, 100, vximg::kResizeResample), vximg::kOk);
    EXPECT_EQ(p.width(), 0);
}

TEST(BrokenInput, LoadedFileIsNotHeldOpen)
{
    // the file may be renamed or removed between the load and the decode
    const std::string path = tempDir() + "/held.bmp", moved = tempDir() + "/held-moved.bmp";
    writeFileBytes(path, smallBmp(24));
    PictureCore p;
    ASSERT_EQ(p.load(path.c_str()), vximg::kOk);
    ASSERT_EQ(std::rename(path.c_str(), moved.c_str()), 0);
    EXPECT_EQ(p.resize(5, 3, vximg::kResizeResample), vximg::kErrFileRead);
    ASSERT_EQ(p.load(moved.c_str()), vximg::kOk);
    EXPECT_EQ(p.resize(5, 3, vximg::kResizeResample), vximg::kOk);
}
