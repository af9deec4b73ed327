#include "imaging/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <immintrin.h>
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
    if (srcSize == builtSrc_ && dstSize == builtDst_ && kernel == builtKernel_)
        return;
    builtSrc_ = builtDst_ = 0;  // until this build is complete (it may throw)
    const Kernel requested = kernel;
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
    builtSrc_ = srcSize;
    builtDst_ = dstSize;
    builtKernel_ = requested;
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
    // rows padded to whole AVX2 blocks
    ringStride_ = (size_t(srcWidth) * 3 + 31) & ~size_t(31);
    ring_.assign(size_t(ringRows_) * ringStride_, 0);
    accumulator_.resize(ringStride_);
    // the horizontal pass reads past the row's end: a few values, and for the
    // AVX2 loop a window of taps (all with zero weights)
    column_.assign(ringStride_ + 32 + size_t(horizontal_.taps) * 3, 0);
    pairWeights();
    taken_.resize(size_t(vertical_.taps) + 1);
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

constexpr int kColumnShift = 8;  // vertical sums keep 6 of their 14 fraction bits
constexpr int kShift = ResampleAxis::kWeightBits + 6;

// The work of one output row: `rows` (an even count; a padding row has weight
// 0) weighted into `column`, then the horizontal pass into `out`.
struct RowJob {
    const uint8_t* const* rows;
    const int16_t* rowWeights;
    int rowCount;
    size_t len;     // values of a source row
    size_t padded;  // len rounded up to 32
    int16_t* column;
    const ResampleAxis* horizontal;
    const int32_t* paired;  // the AVX2 loop's weights (see pairWeights)
    int dstWidth;
    uint8_t* out;
};

inline uint8_t clampByte(int32_t v)
{
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline int32_t weightPair(const int16_t* w)
{
    return int32_t(uint32_t(uint16_t(w[0])) | (uint32_t(uint16_t(w[1])) << 16));
}

// Plain loops, in an order the compiler vectorises: whole rows, a pair of taps at a time.
void resampleRowPlain(const RowJob& job, int32_t* acc)
{
    for (size_t i = 0; i < job.len; ++i)
        acc[i] = 1 << (kColumnShift - 1);
    for (int k = 0; k < job.rowCount; k += 2) {
        const uint8_t* r0 = job.rows[k];
        const uint8_t* r1 = job.rows[k + 1];
        const int32_t w0 = job.rowWeights[k], w1 = job.rowWeights[k + 1];
        for (size_t i = 0; i < job.len; ++i)
            acc[i] += r0[i] * w0 + r1[i] * w1;
    }
    for (size_t i = 0; i < job.len; ++i)
        job.column[i] = int16_t(acc[i] >> kColumnShift);

    const ResampleAxis& h = *job.horizontal;
    const int16_t* w = h.weights.data();
    for (int x = 0; x < job.dstWidth; ++x, w += h.taps) {
        const int16_t* s = job.column + size_t(h.start[size_t(x)]) * 3;
        int32_t v[3] = {1 << (kShift - 1), 1 << (kShift - 1), 1 << (kShift - 1)};
        for (int k = 0; k < h.count[size_t(x)]; ++k, s += 3)
            for (int c = 0; c < 3; ++c)
                v[c] += s[c] * int32_t(w[k]);
        for (int c = 0; c < 3; ++c)
            job.out[3 * x + c] = clampByte(v[c] >> kShift);
    }
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define VXIMG_X86 1
#if defined(__SSE2__)
#define VXIMG_SSE2
#else
#define VXIMG_SSE2 __attribute__((target("sse2")))
#endif
#define VXIMG_AVX2 __attribute__((target("avx2")))

// Sixteen column values of all taps: the sums stay in registers.
VXIMG_SSE2 inline void verticalBlockSse2(const RowJob& job, size_t i)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i acc0 = _mm_set1_epi32(1 << (kColumnShift - 1));
    __m128i acc1 = acc0, acc2 = acc0, acc3 = acc0;
    for (int k = 0; k < job.rowCount; k += 2) {
        const __m128i ww = _mm_set1_epi32(weightPair(job.rowWeights + k));
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.rows[k] + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.rows[k + 1] + i));
        const __m128i alo = _mm_unpacklo_epi8(a, zero), blo = _mm_unpacklo_epi8(b, zero);
        const __m128i ahi = _mm_unpackhi_epi8(a, zero), bhi = _mm_unpackhi_epi8(b, zero);
        acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), ww));
        acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), ww));
        acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), ww));
        acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), ww));
    }
    // the sums fit 16 bits (at most 255 * 64 * the weights' positive part)
    __m128i* out = reinterpret_cast<__m128i*>(job.column + i);
    _mm_storeu_si128(out, _mm_packs_epi32(_mm_srai_epi32(acc0, kColumnShift),
                                          _mm_srai_epi32(acc1, kColumnShift)));
    _mm_storeu_si128(out + 1, _mm_packs_epi32(_mm_srai_epi32(acc2, kColumnShift),
                                              _mm_srai_epi32(acc3, kColumnShift)));
}

// Two taps of one output pixel: B G R of neighbouring pixels interleaved for
// pmaddwd; the fourth lane (the next pixel's B) is never used.
VXIMG_SSE2 inline __m128i horizontalPairSse2(const int16_t* s, const int16_t* w, __m128i acc)
{
    const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 3));
    return _mm_add_epi32(acc,
                         _mm_madd_epi16(_mm_unpacklo_epi16(a, b), _mm_set1_epi32(weightPair(w))));
}

// Saturating packs clamp to 0..255 as the plain loop does.
VXIMG_SSE2 inline void storePixel(__m128i acc, uint8_t* out)
{
    __m128i v = _mm_srai_epi32(acc, kShift);
    v = _mm_packs_epi32(v, v);
    const int32_t bgr = _mm_cvtsi128_si32(_mm_packus_epi16(v, v));
    std::memcpy(out, &bgr, 3);
}

VXIMG_SSE2 void resampleRowSse2(const RowJob& job)
{
    for (size_t i = 0; i < job.padded; i += 16)
        verticalBlockSse2(job, i);
    const ResampleAxis& h = *job.horizontal;
    const int16_t* w = h.weights.data();
    for (int x = 0; x < job.dstWidth; ++x, w += h.taps) {
        const int16_t* s = job.column + size_t(h.start[size_t(x)]) * 3;
        const int n = h.count[size_t(x)];
        __m128i acc = _mm_set1_epi32(1 << (kShift - 1));
        for (int k = 0; k < n; k += 2)
            acc = horizontalPairSse2(s + 3 * k, w + k, acc);
        storePixel(acc, job.out + 3 * x);
    }
}

// As the SSE2 loops, twice as wide. Vertical: 32 column values at a time; the
// in-lane unpacking leaves the sums of values 0-7 and 16-23 in one pack, 8-15
// and 24-31 in the other, put back in order before the store.
VXIMG_AVX2 void resampleRowAvx2(const RowJob& job)
{
    const __m256i zero = _mm256_setzero_si256();
    for (size_t i = 0; i < job.padded; i += 32) {
        __m256i acc0 = _mm256_set1_epi32(1 << (kColumnShift - 1));
        __m256i acc1 = acc0, acc2 = acc0, acc3 = acc0;
        for (int k = 0; k < job.rowCount; k += 2) {
            const __m256i ww = _mm256_set1_epi32(weightPair(job.rowWeights + k));
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(job.rows[k] + i));
            const __m256i b =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(job.rows[k + 1] + i));
            const __m256i alo = _mm256_unpacklo_epi8(a, zero), blo = _mm256_unpacklo_epi8(b, zero);
            const __m256i ahi = _mm256_unpackhi_epi8(a, zero), bhi = _mm256_unpackhi_epi8(b, zero);
            acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi16(alo, blo), ww));
            acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi16(alo, blo), ww));
            acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi16(ahi, bhi), ww));
            acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi16(ahi, bhi), ww));
        }
        const __m256i lo = _mm256_packs_epi32(_mm256_srai_epi32(acc0, kColumnShift),
                                              _mm256_srai_epi32(acc1, kColumnShift));
        const __m256i hi = _mm256_packs_epi32(_mm256_srai_epi32(acc2, kColumnShift),
                                              _mm256_srai_epi32(acc3, kColumnShift));
        __m256i* out = reinterpret_cast<__m256i*>(job.column + i);
        _mm256_storeu_si256(out, _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    // Horizontal: two output pixels per step, pixel x in the low lane and
    // x + 1 in the high one, a pair of taps each: B G R of neighbouring source
    // pixels gathered by a byte shuffle, the weights of both pixels side by
    // side in `paired`. Each lane ends as one pixel: no sums across lanes.
    const __m256i gather = _mm256_setr_epi8(0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1, 0,
                                            1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1);
    const ResampleAxis& h = *job.horizontal;
    const __m256i* paired = reinterpret_cast<const __m256i*>(job.paired);
    const size_t pairsPerPixel = size_t(h.taps) / 2;
    int x = 0;
    for (; x + 1 < job.dstWidth; x += 2, paired += pairsPerPixel) {
        const int16_t* a = job.column + size_t(h.start[size_t(x)]) * 3;
        const int16_t* b = job.column + size_t(h.start[size_t(x) + 1]) * 3;
        // the shorter window reads past its end with zero weights (column_ is padded for it)
        const int n = std::max(h.count[size_t(x)], h.count[size_t(x) + 1]);
        __m256i acc = _mm256_set1_epi32(1 << (kShift - 1));
        for (int k = 0; k < n; k += 2) {
            const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 3 * k));
            const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 3 * k));
            const __m256i px = _mm256_shuffle_epi8(
                _mm256_inserti128_si256(_mm256_castsi128_si256(pa), pb, 1), gather);
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(px, _mm256_loadu_si256(paired + k / 2)));
        }
        __m256i v = _mm256_srai_epi32(acc, kShift);
        v = _mm256_packs_epi32(v, v);
        v = _mm256_packus_epi16(v, v);
        const int32_t first = _mm256_cvtsi256_si32(v);
        const int32_t second = _mm_cvtsi128_si32(_mm256_extracti128_si256(v, 1));
        std::memcpy(job.out + 3 * x, &first,
                    4);  // its fourth byte is the next pixel's, written now
        std::memcpy(job.out + 3 * x + 3, &second, 3);
    }
    if (x < job.dstWidth) {
        const int16_t* s = job.column + size_t(h.start[size_t(x)]) * 3;
        const int16_t* w = h.weights.data() + size_t(x) * size_t(h.taps);
        __m128i sum = _mm_set1_epi32(1 << (kShift - 1));
        for (int k = 0; k < h.count[size_t(x)]; k += 2)
            sum = horizontalPairSse2(s + 3 * k, w + k, sum);
        storePixel(sum, job.out + 3 * x);
    }
}
#endif

}  // namespace

// For each pair of output pixels and pair of taps: the two weights of the
// first pixel four times (its lane's B, G, R and the unused fourth value),
// then those of the second, as pmaddwd takes them.
void Resampler::pairWeights()
{
    const ResampleAxis& h = horizontal_;
    const size_t pairsPerPixel = size_t(h.taps) / 2;
    paired_.assign(size_t(dstWidth_ / 2) * pairsPerPixel * 8, 0);
    int32_t* out = paired_.data();
    for (int x = 0; x + 1 < dstWidth_; x += 2) {
        const int16_t* wa = &h.weights[size_t(x) * size_t(h.taps)];
        const int16_t* wb = wa + h.taps;
        for (size_t k = 0; k < pairsPerPixel; ++k, out += 8) {
            std::fill(out, out + 4, weightPair(wa + 2 * k));
            std::fill(out + 4, out + 8, weightPair(wb + 2 * k));
        }
    }
}

Resampler::Simd Resampler::available()
{
#ifdef VXIMG_X86
    static const Simd best = __builtin_cpu_supports("avx2")   ? Simd::Avx2
                             : __builtin_cpu_supports("sse2") ? Simd::Sse2
                                                              : Simd::Plain;
    return best;
#else
    return Simd::Plain;
#endif
}

void Resampler::limitSimd(Simd limit)
{
    simd_ = std::min(limit, available());
}

void Resampler::produce(uint8_t* bgr)
{
    const size_t j = size_t(produced_);
    RowJob job;
    job.rowWeights = &vertical_.weights[j * size_t(vertical_.taps)];
    job.rowCount = vertical_.count[j];
    for (int k = 0; k < job.rowCount; ++k)
        taken_[size_t(k)] = &ring_[size_t((vertical_.start[j] + k) % ringRows_) * ringStride_];
    if (job.rowCount & 1) {
        // an odd last tap pairs with the zero weight after it, on the same row
        taken_[size_t(job.rowCount)] = taken_[size_t(job.rowCount - 1)];
        ++job.rowCount;
    }
    job.rows = taken_.data();
    job.len = size_t(srcWidth_) * 3;
    job.padded = ringStride_;
    job.column = column_.data();
    job.horizontal = &horizontal_;
    job.paired = paired_.data();
    job.dstWidth = dstWidth_;
    job.out = bgr;
    switch (simd_) {
#ifdef VXIMG_X86
    case Simd::Avx2: resampleRowAvx2(job); break;
    case Simd::Sse2: resampleRowSse2(job); break;
#endif
    default: resampleRowPlain(job, accumulator_.data()); break;
    }
    ++produced_;
}

}  // namespace vximg
