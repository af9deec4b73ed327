// Vxfsend imaging component: the picture operations the converter, the
// preview and the screen capture use (load, blank, fill, resize, paint,
// colour resolution, device-independent-bitmap copy, palette, BMP save,
// progress). A pure interface without platform types: the portable core
// implements it, the Windows DLL implements it for its control windows, and
// the program talks to either through it. No exception crosses it.
//
// Colours are 0x00BBGGRR (red in the low byte, as Windows COLORREF).
// Sizes and places are single floats; the component rounds them to the
// nearest pixel. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vximg {

// Bumped whenever the interface below changes; the DLL's factory refuses
// other versions so a stale DLL cannot be driven through a wrong vtable.
constexpr int kApiVersion = 2;

// Result codes of every operation (0 = success). They are shown to the user
// after a failed load, so they stay stable.
enum ErrorCode : int {
    kOk = 0,
    kErrFileOpen = 20,       // file missing or not readable
    kErrFileRead = 21,       // read error in the middle of the file
    kErrUnknownFormat = 22,  // neither JPEG nor BMP
    kErrTruncated = 23,      // file ends before its picture data
    kErrCorrupt = 24,        // inconsistent header or data
    kErrUnsupported = 25,    // a variant we do not decode (BMP with JPEG/PNG inside, ...)
    kErrTooLarge = 26,       // picture larger than the limits
    kErrNoMemory = 27,
    kErrNoPicture = 28,  // operation needs a picture and there is none
    kErrBadArgument = 29,
    kErrFileWrite = 30,
    kErrWindow = 31,       // Windows side: window, device context or GDI failure
    kErrUnavailable = 32,  // operation not available in this build (no windowing)
    kErrBusy = 33,         // called again from inside a progress event of the same picture
};

// Progress of a running operation, 0..100, rising. Return 0 to receive no
// further events (the same as switching events off), nonzero to go on.
typedef int (*ProgressCallback)(void* user, int percent);

// Resize flag: resample (area-correct averaging when shrinking, smooth when
// enlarging). Without it the nearest pixel is taken.
constexpr int kResizeResample = 1;

class PictureCore;  // the implementation behind every IPicture of one module

// Receives the rows of a resized picture, top row first, each row once.
class RowSink {
public:
    // The new size, before the first row.
    virtual void begin(int width, int height) = 0;
    // One row of width pixels B, G, R; the bytes are valid during the call only.
    virtual void row(const uint8_t* bgr) = 0;

protected:
    ~RowSink() = default;
};

class IPicture {
public:
    // Destroys the object (the one that created it frees it).
    virtual void release() = 0;

    // Loads a JPEG or BMP file. The true pixel size is known at once; the
    // pixels are decoded when the next operation needs them (a JPEG about to
    // be shrunk is decoded at the smallest DCT scale that still covers the new
    // size). Broken files give an error code and leave no picture.
    virtual int load(const char* utf8Path) = 0;
    virtual int loadMemory(const void* data, size_t size) = 0;

    // New picture of width x height at 1, 4, 8 or 24 bits (16 and 32 are taken
    // as 24), black, or palette index 0.
    virtual int createBlank(float width, float height, int bitsPerPixel) = 0;
    virtual int fill(uint32_t color) = 0;
    // flags: kResizeResample or 0. A palette picture becomes 24 bits when resampled.
    virtual int resize(float width, float height, int flags) = 0;
    // resize() that also hands the rows of the result to sink, each as soon
    // as it is finished, so that they can be encoded while a JPEG is still
    // being decoded. Only a resampling whose rows are made top row first
    // hands them (not a BMP stored bottom-up, not a resize without
    // resampling or to the same size); otherwise sink is never called.
    virtual int resizeWithRows(float width, float height, int flags, RowSink* sink) = 0;
    // Copies the w x h area of src starting at (srcX, srcY) onto this picture
    // at (x, y); clipped to both pictures.
    virtual int paint(float x, float y, float width, float height, IPicture* src, float srcX,
                      float srcY) = 0;
    // 24: expand to 24 bits; 1, 4, 8: reduce to a palette of that many bits.
    virtual int setColorResolution(int bitsPerPixel) = 0;
    // This picture becomes a copy of src's (buffers of this object are reused).
    virtual int copyFrom(IPicture* src) = 0;

    // True size and depth (0 when there is no picture).
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual int bitsPerPixel() const = 0;

    virtual int paletteSize() const = 0;
    virtual uint32_t paletteEntry(int index) const = 0;  // 0 outside the palette
    virtual int setPaletteEntry(int index, uint32_t color) = 0;

    // Device-independent bitmap: BITMAPINFOHEADER layout (first 32-bit word is
    // the header size 40), then the palette (B, G, R, 0 each) for 1/4/8 bits,
    // then the rows bottom-up, each padded to 4 bytes, pixels B, G, R.
    // dibSize() is the byte count (0 without picture); copyDib writes it into
    // dst, which must hold at least that many bytes.
    virtual size_t dibSize() const = 0;
    virtual int copyDib(void* dst, size_t capacity) = 0;
    // The same DIB without a copy: valid until the next call that changes this
    // picture. Saves a fresh full-size block (and its page faults) per picture.
    virtual int dibView(const void** dib, size_t* size) = 0;

    // Saves as a Windows BMP file at 1, 4, 8, 16, 24 or 32 bits (0 = the
    // picture's own depth). Colours are quantised when the depth is smaller.
    virtual int saveBmp(const char* utf8Path, int bitsPerPixel) = 0;

    virtual void setProgressCallback(ProgressCallback callback, void* user) = 0;
    virtual void enableProgress(bool on) = 0;
    virtual bool progressEnabled() const = 0;

    // Largest picture (width x height) that may be loaded or created.
    virtual void setMaxPixels(uint64_t pixels) = 0;

    // The implementation behind it; only pictures of the same module mix.
    virtual PictureCore* core() = 0;

protected:
    ~IPicture() = default;
};

}  // namespace vximg
