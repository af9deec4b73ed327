// libFuzzer target: BMP and JPEG loading from memory on arbitrary bytes,
// then the operations that decode (scaled decode + resample, full decode,
// DIB copy, BMP writing).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/BmpFormat.h"
#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"

namespace {
class NullSink final : public vximg::ByteSink {
public:
    bool write(const void*, size_t) override { return true; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vximg::PictureCore p;
    p.setMaxPixels(uint64_t(1) << 20);  // keeps every run short
    if (p.loadMemory(data, size) != vximg::kOk)
        return 0;
    const int w = p.width(), h = p.height();
    if (w <= 0 || h <= 0)
        __builtin_trap();  // a load that succeeds has a picture
    if (size & 1) {
        // the converter's path: decode at a reduced scale straight into a resize
        if (p.resize(float(1 + w / 5), float(1 + h / 3), vximg::kResizeResample) != vximg::kOk)
            return 0;
    } else {
        const vximg::Bitmap* b = nullptr;
        if (p.decoded(&b) != vximg::kOk)
            return 0;
        if (b->width() != w || b->height() != h)
            __builtin_trap();  // the true size was reported
    }
    std::vector<uint8_t> dib(p.dibSize());
    if (p.copyDib(dib.data(), dib.size()) != vximg::kOk)
        __builtin_trap();
    NullSink sink;
    p.writeBmpTo(sink, (size & 2) ? 8 : 0);
    return 0;
}
