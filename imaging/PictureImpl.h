// IPicture over a PictureCore: every call is fenced so that no exception
// leaves the component (the DLL's callers may be C code or another runtime).
#pragma once

#include <new>

#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"

namespace vximg {

template <class Interface>
class PictureImpl : public Interface {
public:
    void release() override { delete this; }
    int load(const char* p) override
    {
        return change([&] { return core_.load(p); });
    }
    int loadMemory(const void* d, size_t n) override
    {
        return change([&] { return core_.loadMemory(d, n); });
    }
    int createBlank(float w, float h, int bits) override
    {
        return change([&] { return core_.createBlank(w, h, bits); });
    }
    int fill(uint32_t c) override
    {
        return change([&] { return core_.fill(c); });
    }
    int resize(float w, float h, int flags) override
    {
        return change([&] { return core_.resize(w, h, flags, nullptr); });
    }
    int resizeWithRows(float w, float h, int flags, RowSink* sink) override
    {
        return change([&] { return core_.resize(w, h, flags, sink); });
    }
    int paint(float x, float y, float w, float h, IPicture* src, float sx, float sy) override
    {
        return change([&] { return core_.paint(x, y, w, h, src ? src->core() : nullptr, sx, sy); });
    }
    int setColorResolution(int bits) override
    {
        return change([&] { return core_.setColorResolution(bits); });
    }
    int copyFrom(IPicture* src) override
    {
        return change([&] { return core_.copyFrom(src ? src->core() : nullptr); });
    }
    int width() const override { return core_.width(); }
    int height() const override { return core_.height(); }
    int bitsPerPixel() const override { return core_.bitsPerPixel(); }
    int paletteSize() const override { return core_.paletteSize(); }
    uint32_t paletteEntry(int i) const override { return core_.paletteEntry(i); }
    int setPaletteEntry(int i, uint32_t c) override
    {
        return change([&] { return core_.setPaletteEntry(i, c); });
    }
    size_t dibSize() const override { return core_.dibSize(); }
    int copyDib(void* d, size_t n) override
    {
        return guard([&] { return core_.copyDib(d, n); });
    }
    int dibView(const void** d, size_t* n) override
    {
        return guard([&] { return core_.dibView(d, n); });
    }
    int saveBmp(const char* p, int bits) override
    {
        return guard([&] { return core_.saveBmp(p, bits); });
    }
    void setProgressCallback(ProgressCallback cb, void* user) override
    {
        core_.setProgressCallback(cb, user);
    }
    void enableProgress(bool on) override { core_.enableProgress(on); }
    bool progressEnabled() const override { return core_.progressEnabled(); }
    void setMaxPixels(uint64_t n) override { core_.setMaxPixels(n); }
    PictureCore* core() override { return &core_; }

protected:
    virtual ~PictureImpl() = default;

    // Called after every operation that may have changed the picture.
    virtual void changed() {}

    template <class F>
    int change(F&& f)
    {
        const int rc = guard(f);
        changed();
        return rc;
    }

    template <class F>
    static int guard(F&& f)
    {
        try {
            return f();
        } catch (const std::bad_alloc&) {
            return kErrNoMemory;
        } catch (...) {
            return kErrNoMemory;
        }
    }

    PictureCore core_;
};

}  // namespace vximg
