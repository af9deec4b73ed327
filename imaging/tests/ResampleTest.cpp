// Resampling quality: every source pixel counts when shrinking (fine charts
// turn gray, no moiré), smooth enlarging, exact weights, orientation kept.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"
#include "imaging/Resample.h"
#include "imaging/tests/TestSupport.h"

using namespace vxtest;
using vximg::PictureCore;

namespace {

Image resizeWith(const Image& src, int w, int h, vximg::Kernel k = vximg::Kernel::Lanczos3,
                 int flags = vximg::kResizeResample)
{
    PictureCore p;
    p.setKernel(k);
    BmpLayout s;
    s.width = src.width;
    s.height = src.height;
    const auto f = buildBmp(s, encodeRgbRows(src, 24, nullptr, false));
    EXPECT_EQ(p.loadMemory(f.data(), f.size()), vximg::kOk);
    EXPECT_EQ(p.resize(float(w), float(h), flags), vximg::kOk);
    const vximg::Bitmap* b = nullptr;
    EXPECT_EQ(p.decoded(&b), vximg::kOk);
    return b ? fromBitmap(*b) : Image();
}

// Exact area average in double precision: the reference for shrinking.
Image areaReference(const Image& src, int w, int h)
{
    Image out(w, h);
    const double sx = double(src.width) / w, sy = double(src.height) / h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double acc[3] = {0, 0, 0}, area = 0;
            const double x0 = x * sx, x1 = (x + 1) * sx, y0 = y * sy, y1 = (y + 1) * sy;
            for (int v = int(y0); v < std::min(src.height, int(std::ceil(y1))); ++v) {
                const double fy = std::min(y1, v + 1.0) - std::max(y0, double(v));
                for (int u = int(x0); u < std::min(src.width, int(std::ceil(x1))); ++u) {
                    const double f = fy * (std::min(x1, u + 1.0) - std::max(x0, double(u)));
                    for (int c = 0; c < 3; ++c)
                        acc[c] += f * src.at(u, v)[c];
                    area += f;
                }
            }
            for (int c = 0; c < 3; ++c)
                out.at(x, y)[c] = uint8_t(std::lround(acc[c] / area));
        }
    return out;
}

// A photo-like picture: the test picture with texture of several scales.
Image texturedPicture(int w, int h)
{
    Image img = makeTestPicture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double t = 18 * std::sin(x * 0.05 + y * 0.013) +
                             10 * std::sin(x * 0.011 - y * 0.07) +
                             6 * std::sin(std::hypot(x - w / 2.0, y - h / 3.0) * 0.09);
            for (int c = 0; c < 3; ++c) {
                const double v = img.at(x, y)[c] + t;
                img.at(x, y)[c] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    return img;
}

double stddevOf(const Image& img, int channel, int border)
{
    double s = 0, s2 = 0;
    int n = 0;
    for (int y = border; y < img.height - border; ++y)
        for (int x = border; x < img.width - border; ++x) {
            const double v = img.at(x, y)[channel];
            s += v;
            s2 += v * v;
            ++n;
        }
    const double m = s / n;
    return std::sqrt(std::max(0.0, s2 / n - m * m));
}

}  // namespace

TEST(ResampleWeights, SumToOneAtEveryRatioAndAReusedAxisMatchesAFreshOne)
{
    vximg::ResampleAxis reused;
    for (int src : {1, 2, 7, 100, 1601, 4000})
        for (int dst : {1, 3, 99, 160, 1600, 4003}) {
            for (auto k : {vximg::Kernel::Box, vximg::Kernel::Triangle, vximg::Kernel::CatmullRom,
                           vximg::Kernel::Lanczos3}) {
                vximg::ResampleAxis a;
                a.build(src, dst, k);
                for (int again = 0; again < 2; ++again) {
                    reused.build(src, dst, k);
                    ASSERT_EQ(reused.taps, a.taps);
                    ASSERT_EQ(reused.start, a.start);
                    ASSERT_EQ(reused.count, a.count);
                    ASSERT_EQ(reused.weights, a.weights) << src << "->" << dst;
                }
                for (int i = 0; i < dst; ++i) {
                    int sum = 0;
                    ASSERT_GE(a.start[size_t(i)], 0);
                    ASSERT_LE(a.start[size_t(i)] + a.count[size_t(i)], src);
                    ASSERT_LE(a.count[size_t(i)], a.taps);
                    for (int t = 0; t < a.count[size_t(i)]; ++t)
                        sum += a.weights[size_t(i) * size_t(a.taps) + size_t(t)];
                    ASSERT_EQ(sum, 1 << vximg::ResampleAxis::kWeightBits) << src << "->" << dst;
                }
            }
        }
}

TEST(Resample, ShrinkingUsesEverySourcePixel)
{
    // one bright pixel anywhere must show up in the 8x smaller picture
    vximg::ResampleAxis a;
    a.build(800, 100, vximg::Kernel::CatmullRom);
    std::vector<int> covered(800, 0);
    for (int i = 0; i < 100; ++i)
        for (int t = 0; t < a.count[size_t(i)]; ++t)
            if (a.weights[size_t(i) * size_t(a.taps) + size_t(t)] > 0)
                covered[size_t(a.start[size_t(i)] + t)] = 1;
    for (int s = 0; s < 800; ++s)
        ASSERT_TRUE(covered[size_t(s)]) << s;
}

TEST(Resample, ConstantStaysExactlyConstant)
{
    Image flat(333, 217);
    for (size_t i = 0; i < flat.rgb.size(); i += 3) {
        flat.rgb[i] = 201;
        flat.rgb[i + 1] = 7;
        flat.rgb[i + 2] = 99;
    }
    for (auto [w, h] : {std::make_pair(100, 65), std::make_pair(640, 480), std::make_pair(1, 1),
                        std::make_pair(333, 2)}) {
        const Image out = resizeWith(flat, w, h);
        for (size_t i = 0; i < out.rgb.size(); i += 3) {
            ASSERT_EQ(out.rgb[i], 201);
            ASSERT_EQ(out.rgb[i + 1], 7);
            ASSERT_EQ(out.rgb[i + 2], 99);
        }
    }
}

TEST(Resample, FineChartTurnsGrayWithoutMoire)
{
    // one-pixel black and white lines, shrunk by awkward ratios
    Image chart(1000, 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 1000; ++x) {
            const uint8_t v = ((x + y / 300) & 1) ? 255 : 0;
            chart.at(x, y)[0] = chart.at(x, y)[1] = chart.at(x, y)[2] = v;
        }
    for (int w : {333, 377, 411, 640, 700}) {
        const Image out = resizeWith(chart, w, 240, vximg::Kernel::Lanczos3);
        EXPECT_LT(stddevOf(out, 1, 2), 3.0) << "width " << w;
        // the chart really is a trap: point sampling and a plain box show stripes
        EXPECT_GT(stddevOf(resizeWith(chart, w, 240, vximg::Kernel::Lanczos3, 0), 1, 2), 60.0);
        EXPECT_GT(stddevOf(resizeWith(chart, w, 240, vximg::Kernel::Box), 1, 2), 15.0);
    }
}

TEST(Resample, ZonePlateAboveNyquistIsDamped)
{
    // rings whose frequency rises outwards: beyond the new Nyquist limit they
    // must fade, not come back as coarse rings
    const int n = 800;
    Image zone(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double r2 = double(x) * x + double(y) * y;
            const uint8_t v = uint8_t(127.5 + 127.5 * std::cos(3.14159265 * r2 / (2.0 * n)));
            zone.at(x, y)[0] = zone.at(x, y)[1] = zone.at(x, y)[2] = v;
        }
    const int w = 230;  // ratio 3.48
    const Image out = resizeWith(zone, w, w, vximg::Kernel::Lanczos3);
    // local frequency at radius r is r/(2n) cycles per pixel; beyond the new
    // Nyquist (0.5 / 3.48 = 0.144 c/px) with margin: r > 1.5 * 0.144 * 2n
    double worst = 0;
    for (int y = 0; y < w; ++y)
        for (int x = 0; x < w; ++x) {
            const double r = std::hypot(x * 3.48, y * 3.48);
            if (r > 1.5 * 0.1437 * 2 * n && r < n - 4)
                worst = std::max(worst, std::fabs(out.at(x, y)[1] - 127.5));
        }
    EXPECT_LT(worst, 20.0);
}

TEST(Resample, ShrinkMatchesAnAreaReference)
{
    const Image src = texturedPicture(1200, 900);
    for (auto [w, h] :
         {std::make_pair(640, 480), std::make_pair(160, 120), std::make_pair(1024, 768)}) {
        const Image ref = areaReference(src, w, h);
        const double p = psnr(resizeWith(src, w, h), ref);
        EXPECT_GE(p, 30.0) << w << "x" << h;
        EXPECT_GE(psnr(resizeWith(src, w, h, vximg::Kernel::Box), ref), 45.0);
    }
}

TEST(Resample, EnlargingIsSmooth)
{
    // a hard black/white edge enlarged 4x gets intermediate values; no blocks
    Image step(8, 2);
    for (int x = 4; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            step.at(x, y)[0] = step.at(x, y)[1] = step.at(x, y)[2] = 255;
    const Image out = resizeWith(step, 32, 8);
    int between = 0;
    for (int x = 0; x < 32; ++x) {
        const int v = out.at(x, 4)[1];
        if (v > 20 && v < 235)
            ++between;
        if (x > 0) {
            ASSERT_GE(v + 1, int(out.at(x - 1, 4)[1]))
                << "not monotonic at " << x;  // clamped overshoot only
        }
    }
    EXPECT_GE(between, 3);
    const Image pic = makeTestPicture(40, 30);
    const Image big = resizeWith(pic, 160, 120);
    const Image back = resizeWith(big, 40, 30);
    EXPECT_GT(psnr(back, pic), 30.0);
}

TEST(Resample, OrientationAndChannelsKept)
{
    const Image src = makeTestPicture(400, 300);
    const Image out = resizeWith(src, 100, 75);
    EXPECT_GT(out.at(5, 5)[0], 200);
    EXPECT_LT(out.at(5, 5)[2], 40);
    EXPECT_GT(out.at(95, 70)[2], 200);
    EXPECT_LT(out.at(95, 70)[0], 40);
}

TEST(Resample, RowOrderDoesNotMatter)
{
    const Image src = texturedPicture(301, 203);
    vximg::Resampler down, up;
    down.setup(301, 203, 97, 61);
    up.setup(301, 203, 97, 61);
    std::vector<std::vector<uint8_t>> a(61, std::vector<uint8_t>(97 * 3)), b = a;
    std::vector<uint8_t> row(301 * 3);
    auto bgr = [&](int y) {
        for (int x = 0; x < 301; ++x)
            for (int c = 0; c < 3; ++c)
                row[size_t(x) * 3 + size_t(c)] = src.at(x, y)[2 - c];
        return row.data();
    };
    for (int y = 0; y < 203; ++y) {
        down.push(bgr(y));
        while (down.ready())
            down.produce(a[size_t(down.produced())].data());
        up.push(bgr(202 - y));
        while (up.ready())
            up.produce(b[size_t(60 - up.produced())].data());
    }
    ASSERT_EQ(down.produced(), 61);
    ASSERT_EQ(up.produced(), 61);
    for (int j = 0; j < 61; ++j) {
        int diff = 0;
        for (size_t i = 0; i < a[size_t(j)].size(); ++i)
            diff = std::max(diff, std::abs(a[size_t(j)][i] - b[size_t(j)][i]));
        EXPECT_LE(diff, 1) << "row " << j;
    }
}

TEST(Resample, PlainLoopsEqualSimd)
{
    using Simd = vximg::Resampler::Simd;
    const Image src = texturedPicture(257, 171);
    for (Simd level : {Simd::Sse2, Simd::Avx2}) {
        if (level > vximg::Resampler::available())
            continue;
        for (auto [w, h] : {std::make_pair(100, 67), std::make_pair(513, 300),
                            std::make_pair(257, 3), std::make_pair(31, 170)}) {
            vximg::Resampler simd, plain;
            simd.setup(257, 171, w, h);
            plain.setup(257, 171, w, h);
            simd.limitSimd(level);
            plain.limitSimd(Simd::Plain);
            std::vector<uint8_t> row(257 * 3), a(size_t(w) * 3), b(size_t(w) * 3);
            for (int y = 0; y < 171; ++y) {
                for (int x = 0; x < 257; ++x)
                    for (int c = 0; c < 3; ++c)
                        row[size_t(x) * 3 + size_t(c)] = src.at(x, y)[2 - c];
                simd.push(row.data());
                plain.push(row.data());
                while (simd.ready()) {
                    ASSERT_TRUE(plain.ready());
                    simd.produce(a.data());
                    plain.produce(b.data());
                    ASSERT_EQ(a, b)
                        << int(level) << " " << w << "x" << h << " row " << simd.produced();
                }
            }
            EXPECT_EQ(simd.produced(), h);
        }
    }
}
