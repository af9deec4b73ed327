#include "imaging/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <emmintrin.h>
#endif

namespace vximg {

namespace {

constexpr double kPi = 3.14159265358979323846;

double kernelRadius(Kernel k)
{
    switch (k) {
    case Kernel::Box:
    case Kernel::Triangle: return 1.0;
    case Kernel::CatmullRom: return 2.0;
    case Kernel::Lanczos3: return 3.0;
    }
    return 1.0;
}

double kernelValue(Kernel k, double x)
{
    x = std::fabs(x);
    switch (k) {
    case Kernel::Box:
    case Kernel::Triangle: return x < 1.0 ? 1.0 - x : 0.0;
    case Kernel::CatmullRom:
        if (x < 1.0)
            return (1.5 * x - 2.5) * x * x + 1.0;
        if (x < 2.0)
            return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
        return 0.0;
    case Kernel::Lanczos3:
        if (x < 1e-9)
            return 1.0;
        if (x < 3.0)
            return 3.0 * std::sin(kPi * x) * std::sin(kPi * x / 3.0) / (kPi * kPi * x * x);
        return 0.0;
    }
    return 0.0;
}

}  // namespace

void ResampleAxis::build(int srcSize, int dstSize, Kernel kernel)
{
    const double scale = double(srcSize) / double(dstSize);
    const bool shrink = scale > 1.0;
    if (!shrink && kernel == Kernel::Lanczos3)
        kernel = Kernel::CatmullRom;
    const bool area = kernel == Kernel::Box && shrink;
    const double widen = shrink ? scale : 1.0;
    const double radius = area ? 0.5 * scale : kernelRadius(kernel) * widen;
    taps = int(std::ceil(radius * 2.0)) + 2;
    taps = std::min(taps, srcSize);
    taps += taps & 1;  // padded with zero weights
    start.assign(size_t(dstSize), 0);
    count.assign(size_t(dstSize), 0);
    weights.assign(size_t(dstSize) * size_t(taps), 0);

    std::vector<double> w(static_cast<size_t>(srcSize));
    for (int i = 0; i < dstSize; ++i) {
        const double center = (i + 0.5) * scale;  // in source pixel edges
        int lo = int(std::floor(center - radius));
        int hi = int(std::ceil(center + radius));
        // contributions of pixels beyond the edges go to the edge pixel
        int first = std::clamp(lo, 0, srcSize - 1);
        int last = std::clamp(hi, 0, srcSize - 1);
        for (int z = first; z <= last; ++z)
            w[size_t(z)] = 0.0;
        double sum = 0.0;
        for (int s = lo; s <= hi; ++s) {
            double v;
            if (area) {
                const double a = std::max(double(s), center - radius);
                const double b = std::min(double(s + 1), center + radius);
                v = b > a ? b - a : 0.0;
            } else {
                v = kernelValue(kernel, (s + 0.5 - center) / widen);
            }
            if (v == 0.0)
                continue;
            w[size_t(std::clamp(s, 0, srcSize - 1))] += v;
            sum += v;
        }
        if (sum == 0.0) {
            // a ratio so large that nothing fell in: take the nearest pixel
            first = last = std::clamp(int(center), 0, srcSize - 1);
            w[size_t(first)] = 1.0;
            sum = 1.0;
        }
        // trim taps that round to nothing
        const double unit = double(1 << kWeightBits) / sum;
        while (first < last && std::lround(w[size_t(first)] * unit) == 0)
            ++first;
        while (last > first && std::lround(w[size_t(last)] * unit) == 0)
            --last;
        int n = last - first + 1;
        if (n > taps)
            n = taps;  // cannot happen by the width above; keeps writes in bounds
        int16_t* out = &weights[size_t(i) * size_t(taps)];
        int total = 0, biggest = 0;
        for (int k = 0; k < n; ++k) {
            const long q = std::lround(w[size_t(first + k)] * unit);
            out[k] = int16_t(q);
            total += int(q);
            if (std::abs(out[k]) > std::abs(out[biggest]))
                biggest = k;
        }
        out[biggest] = int16_t(out[biggest] + ((1 << kWeightBits) - total));
        start[size_t(i)] = first;
        count[size_t(i)] = n;
    }
}

void Resampler::setup(int srcWidth, int srcHeight, int dstWidth, int dstHeight, Kernel kernel)
{
    srcWidth_ = srcWidth;
    srcHeight_ = srcHeight;
    dstWidth_ = dstWidth;
    dstHeight_ = dstHeight;
    horizontal_.build(srcWidth, dstWidth, kernel);
    vertical_.build(srcHeight, dstHeight, kernel);
    // one spare row: trimmed windows may end one row earlier than the last one
    ringRows_ = std::min(vertical_.taps + 1, srcHeight);
    // rows padded to whole SIMD blocks; the horizontal pass reads a pair of
    // pixels and one value more, past the row's end
    ringStride_ = (size_t(srcWidth) * 3 + 15) & ~size_t(15);
    ring_.assign(size_t(ringRows_) * ringStride_, 0);
    accumulator_.resize(ringStride_);
    column_.resize(size_t(srcWidth) * 3 + 8);
    pushed_ = 0;
    produced_ = 0;
}

void Resampler::push(const uint8_t* bgr)
{
    if (pushed_ >= srcHeight_)
        return;
    std::memcpy(&ring_[size_t(pushed_ % ringRows_) * ringStride_], bgr, size_t(srcWidth_) * 3);
    ++pushed_;
}

bool Resampler::ready() const
{
    if (produced_ >= dstHeight_)
        return false;
    const size_t j = size_t(produced_);
    return vertical_.start[j] + vertical_.count[j] <= pushed_;
}

namespace {

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define VXIMG_X86 1
#if defined(__SSE2__)
#define VXIMG_SSE2
#else
#define VXIMG_SSE2 __attribute__((target("sse2")))
#endif
// 32-bit builds target plain i686; SSE2 is then chosen at run time.
bool haveSse2()
{
#if defined(__SSE2__)
    return true;
#else
    static const bool has = __builtin_cpu_supports("sse2");
    return has;
#endif
}
#endif

// acc[i] += r0[i] * w0 + r1[i] * w1 over len values
void verticalPairScalar(const uint8_t* r0, const uint8_t* r1, int16_t w0, int16_t w1, int32_t* acc,
                        size_t len)
{
    for (size_t i = 0; i < len; ++i)
        acc[i] += r0[i] * int32_t(w0) + r1[i] * int32_t(w1);
}

// One output pixel: n taps (weights padded to even) over B G R triples.
void horizontalScalar(const int16_t* s, const int16_t* w, int n, int32_t v[3], int shift)
{
    v[0] = v[1] = v[2] = 1 << (shift - 1);
    for (int k = 0; k < n; ++k, s += 3)
        for (int c = 0; c < 3; ++c)
            v[c] += s[c] * int32_t(w[k]);
    for (int c = 0; c < 3; ++c)
        v[c] >>= shift;
}

#ifdef VXIMG_X86
// len is a multiple of 8 here (rows are padded to 16 bytes)
VXIMG_SSE2 void verticalPairSse2(const uint8_t* r0, const uint8_t* r1, int16_t w0, int16_t w1,
                                 int32_t* acc, size_t len)
{
    const __m128i ww =
        _mm_set1_epi32(int32_t(uint32_t(uint16_t(w0)) | (uint32_t(uint16_t(w1)) << 16)));
    const __m128i zero = _mm_setzero_si128();
    for (size_t i = 0; i < len; i += 8) {
        const __m128i a =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + i)), zero);
        const __m128i b =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1 + i)), zero);
        __m128i* out = reinterpret_cast<__m128i*>(acc + i);
        _mm_storeu_si128(
            out, _mm_add_epi32(_mm_loadu_si128(out), _mm_madd_epi16(_mm_unpacklo_epi16(a, b), ww)));
        _mm_storeu_si128(out + 1, _mm_add_epi32(_mm_loadu_si128(out + 1),
                                                _mm_madd_epi16(_mm_unpackhi_epi16(a, b), ww)));
    }
}

// Two taps per step: B G R of neighbouring pixels interleaved for pmaddwd;
// the fourth lane (the next pixel's B) is never used. Reads up to one pixel
// and one value past the last tap.
VXIMG_SSE2 void horizontalSse2(const int16_t* s, const int16_t* w, int n, int32_t v[3], int shift)
{
    __m128i acc = _mm_set1_epi32(1 << (shift - 1));
    for (int k = 0; k < n; k += 2, s += 6) {
        const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 3));
        const __m128i ww = _mm_set1_epi32(
            int32_t(uint32_t(uint16_t(w[k])) | (uint32_t(uint16_t(w[k + 1])) << 16)));
        acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), ww));
    }
    int32_t out[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_srai_epi32(acc, shift));
    v[0] = out[0];
    v[1] = out[1];
    v[2] = out[2];
}
#endif

}  // namespace

void Resampler::produce(uint8_t* bgr)
{
    const size_t j = size_t(produced_);
    const size_t len = size_t(srcWidth_) * 3;
#ifdef VXIMG_X86
    const bool sse2 = simd_ && haveSse2();
#endif
    // vertical: weighted sum of the covered source rows, kept with 6 fraction bits
    {
        const int first = vertical_.start[j];
        const int n = vertical_.count[j];
        const int16_t* w = &vertical_.weights[j * size_t(vertical_.taps)];
        int32_t* acc = accumulator_.data();
        std::memset(acc, 0, ringStride_ * sizeof(int32_t));
        for (int k = 0; k < n; k += 2) {
            const uint8_t* r0 = &ring_[size_t((first + k) % ringRows_) * ringStride_];
            // an odd last tap pairs with a zero weight on the same row
            const uint8_t* r1 =
                k + 1 < n ? &ring_[size_t((first + k + 1) % ringRows_) * ringStride_] : r0;
            const int16_t w0 = w[k], w1 = k + 1 < n ? w[k + 1] : int16_t(0);
#ifdef VXIMG_X86
            if (sse2) {
                verticalPairSse2(r0, r1, w0, w1, acc, ringStride_);
                continue;
            }
#endif
            verticalPairScalar(r0, r1, w0, w1, acc, len);
        }
        int16_t* col = column_.data();
        for (size_t i = 0; i < len; ++i)
            col[i] = int16_t((acc[i] + 128) >> 8);
        for (size_t i = len; i < column_.size(); ++i)
            col[i] = 0;
    }
    // horizontal: the three channels of a pixel together
    constexpr int kShift = ResampleAxis::kWeightBits + 6;
    const int taps = horizontal_.taps;
    const int16_t* w = horizontal_.weights.data();
    for (int x = 0; x < dstWidth_; ++x, w += taps) {
        const int16_t* s = column_.data() + size_t(horizontal_.start[size_t(x)]) * 3;
        const int n = horizontal_.count[size_t(x)];
        int32_t v[3];
#ifdef VXIMG_X86
        if (sse2)
            horizontalSse2(s, w, n, v, kShift);
        else
#endif
            horizontalScalar(s, w, n, v, kShift);
        for (int c = 0; c < 3; ++c)
            bgr[3 * x + c] = uint8_t(v[c] < 0 ? 0 : (v[c] > 255 ? 255 : v[c]));
    }
    ++produced_;
}

}  // namespace vximg
