// Separable resampling of 24-bit rows, streaming: source rows are pushed in
// order (top-down or bottom-up, the result is the same picture in the same
// order), and each output row is produced as soon as the rows it covers have
// arrived. So a decoder can feed it directly and no full-size copy of a
// large source ever exists. The vertical pass runs first, over whole rows
// (it vectorises well); the horizontal pass then works on the fewer output
// rows, all three channels of a pixel at once.
//
// Shrinking uses a kernel widened by the ratio, so every source pixel
// contributes and fine patterns average out instead of aliasing; enlarging
// uses the kernel at its own width (smooth, no blocks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vximg {

enum class Kernel {
    Box,         // exact area average (enlarging: bilinear)
    Triangle,    // tent widened by the ratio
    CatmullRom,  // cubic, sharp, slight overshoot (clamped)
    Lanczos3,    // shrinking only; enlarging with it uses Catmull-Rom (no halos)
};

// Fixed-point weights of one dimension: output pixel i takes `count`
// source pixels from `start`, weights sum to 1 << kWeightBits.
struct ResampleAxis {
    static constexpr int kWeightBits = 14;
    std::vector<int> start;
    std::vector<int> count;
    std::vector<int16_t> weights;  // taps per output pixel, `taps` apart
    int taps = 0;                  // always even: the SIMD loops take taps in pairs

    // Kept when the sizes and kernel are those of the last build: a job
    // scales picture after picture the same way.
    void build(int srcSize, int dstSize, Kernel kernel);

private:
    int builtSrc_ = 0, builtDst_ = 0;
    Kernel builtKernel_ = Kernel::Box;
};

class Resampler {
public:
    // Throws std::bad_alloc; buffers are kept for the next picture.
    void setup(int srcWidth, int srcHeight, int dstWidth, int dstHeight,
               Kernel kernel = Kernel::Lanczos3);

    // Next source row, srcWidth B G R pixels (copied).
    void push(const uint8_t* bgr);
    // True while an output row can be produced from what was pushed.
    bool ready() const;
    // Writes the next output row (dstWidth B G R pixels).
    void produce(uint8_t* bgr);
    int pushed() const { return pushed_; }
    int produced() const { return produced_; }

    // Loops of the best instruction set the processor has, up to `limit`
    // (tests compare them; chosen at run time, as the 32-bit build has no
    // SSE2 by default and no build assumes AVX2).
    enum class Simd { Plain, Sse2, Avx2 };
    static Simd available();
    void limitSimd(Simd limit);

private:
    int srcWidth_ = 0, srcHeight_ = 0, dstWidth_ = 0, dstHeight_ = 0;
    ResampleAxis horizontal_, vertical_;
    int ringRows_ = 0;
    size_t ringStride_ = 0;
    std::vector<uint8_t> ring_;          // the last source rows
    std::vector<int32_t> accumulator_;   // vertical sums of one row (plain loops)
    std::vector<int16_t> column_;        // vertically resampled row, scaled by 64
    std::vector<const uint8_t*> taken_;  // the source rows of one output row
    std::vector<int32_t> paired_;        // horizontal weights as the AVX2 loop reads them
    void pairWeights();
    int pushed_ = 0;
    int produced_ = 0;
    Simd simd_ = available();
};

}  // namespace vximg
