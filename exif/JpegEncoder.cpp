#include "exif/JpegEncoder.h"

#include "base/File.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return.
// We jump back into the JpegRowEncoder call that is running (see State).
struct JumpingErrorManager {
    jpeg_error_mgr standard;
    std::jmp_buf jump;
};

void jumpBackToEncoder(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JumpingErrorManager*>(cinfo->err)->jump, 1);
}

// Destination that appends to a vector; growth failures become a libjpeg
// error so they take the same way out as every other failure.
struct MemoryDestination {
    jpeg_destination_mgr pub;
    std::vector<uint8_t>* out;
};

constexpr size_t kFirstMemoryBlock = 64 * 1024;

bool resizeQuietly(std::vector<uint8_t>& v, size_t size) noexcept
{
    try {
        v.resize(size);
        return true;
    } catch (...) {
        return false;
    }
}

void memoryInit(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    if (!resizeQuietly(*dest->out, kFirstMemoryBlock))
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest->pub.next_output_byte = dest->out->data();
    dest->pub.free_in_buffer = dest->out->size();
}

boolean memoryGrow(j_compress_ptr cinfo)
{
    // Called only when the whole buffer is full.
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const size_t used = dest->out->size();
    if (!resizeQuietly(*dest->out, used * 2))
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest->pub.next_output_byte = dest->out->data() + used;
    dest->pub.free_in_buffer = dest->out->size() - used;
    return TRUE;
}

void memoryTerm(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

// Where the rows come from: stored bottom-up and/or blue-green-red is read
// as it is, never copied (libjpeg-turbo takes BGR input directly).
struct PixelRows {
    const uint8_t* pixels;
    bool bottomUp;
    bool bgr;
};

int encode(JpegRowEncoder& encoder, PixelRows rows, uint32_t width, uint32_t height, int quality,
           int markerCode, const uint8_t* markerData, uint32_t markerLength, bool writeJfif)
{
    if (!encoder.start(width, height, quality, rows.bgr, writeJfif, markerCode, markerData,
                       markerLength))
        return 0;
    const size_t stride = static_cast<size_t>(width) * 3;
    constexpr uint32_t kBatch = 16;  // one call per iMCU row or more
    const uint8_t* batch[kBatch];
    for (uint32_t first = 0; first < height; first += kBatch) {
        const uint32_t n = std::min(kBatch, height - first);
        for (uint32_t i = 0; i < n; ++i) {
            const size_t y = rows.bottomUp ? height - 1 - (first + i) : first + i;
            batch[i] = rows.pixels + y * stride;
        }
        if (!encoder.write(batch, n))
            return 0;
    }
    return encoder.finish() ? 1 : 0;
}

// Encodes into the file at path or into memory; for a file, write errors of
// the last buffered bytes only show up when it is closed.
int encodeTo(const std::filesystem::path* path, std::vector<uint8_t>* memory, PixelRows rows,
             uint32_t width, uint32_t height, int quality, int markerCode,
             const uint8_t* markerData, uint32_t markerLength, bool writeJfif)
{
    if (path == nullptr) {
        JpegRowEncoder encoder(*memory);
        return encode(encoder, rows, width, height, quality, markerCode, markerData, markerLength,
                      writeJfif);
    }
    UniqueFile file = openFile(*path, "wb");
    if (!file)
        return 0;
    int result;
    {
        JpegRowEncoder encoder(file.get());
        result = encode(encoder, rows, width, height, quality, markerCode, markerData, markerLength,
                        writeJfif);
    }
    return closeFile(file) ? result : 0;
}

int clampQuality(int quality)
{
    return std::min(std::max(quality, 0), 100);
}

int writeFromPixels(const std::filesystem::path* path, std::vector<uint8_t>* memory,
                    const uint8_t* pixels, uint32_t width, uint32_t height, int markerCode,
                    const uint8_t* markerData, uint32_t markerLength, bool writeJfif, int quality,
                    bool flipRows, bool swapRedBlue)
{
    if (memory != nullptr)
        memory->clear();
    if (pixels == nullptr || width == 0 || height == 0)
        return 0;
    return encodeTo(path, memory, PixelRows{pixels, flipRows, swapRedBlue}, width, height, quality,
                    markerCode, markerData, markerLength, writeJfif);
}

}  // namespace

int writeJpegFromPixels(const std::filesystem::path& path, const uint8_t* pixels, uint32_t width,
                        uint32_t height, int markerCode, const uint8_t* markerData,
                        uint32_t markerLength, bool writeJfif, int quality, bool flipRows,
                        bool swapRedBlue)
{
    return writeFromPixels(&path, nullptr, pixels, width, height, markerCode, markerData,
                           markerLength, writeJfif, quality, flipRows, swapRedBlue);
}

int writeJpegFromPixels(std::vector<uint8_t>& out, const uint8_t* pixels, uint32_t width,
                        uint32_t height, int markerCode, const uint8_t* markerData,
                        uint32_t markerLength, bool writeJfif, int quality, bool flipRows,
                        bool swapRedBlue)
{
    return writeFromPixels(nullptr, &out, pixels, width, height, markerCode, markerData,
                           markerLength, writeJfif, quality, flipRows, swapRedBlue);
}

int encodeRgbToJpegFile(const std::filesystem::path& path, const uint8_t* pixels, uint32_t width,
                        uint32_t height, int quality, int markerCode, const uint8_t* markerData,
                        uint32_t markerLength, bool writeJfif)
{
    if (pixels == nullptr)
        return 0;
    return encodeTo(&path, nullptr, PixelRows{pixels, false, false}, width, height, quality,
                    markerCode, markerData, markerLength, writeJfif);
}

int encodeRgbToJpegMemory(std::vector<uint8_t>& out, const uint8_t* pixels, uint32_t width,
                          uint32_t height, int quality, int markerCode, const uint8_t* markerData,
                          uint32_t markerLength, bool writeJfif)
{
    out.clear();
    if (pixels == nullptr)
        return 0;
    return encodeTo(nullptr, &out, PixelRows{pixels, false, false}, width, height, quality,
                    markerCode, markerData, markerLength, writeJfif);
}

// libjpeg's fatal errors jump back into the call that is running: each call
// arms the jump first, and nothing in those frames needs destruction.
struct JpegRowEncoder::State {
    jpeg_compress_struct cinfo;
    JumpingErrorManager errors;
    MemoryDestination memoryDest;
    std::FILE* file = nullptr;
    std::vector<uint8_t>* memory = nullptr;
    bool created = false;
    bool started = false;
    bool failed = false;

    void fail()
    {
        failed = true;
        if (created)
            jpeg_destroy_compress(&cinfo);
        created = false;
        if (memory != nullptr)
            memory->clear();
    }
};

JpegRowEncoder::JpegRowEncoder(std::vector<uint8_t>& out) : state_(std::make_unique<State>())
{
    state_->memory = &out;
    out.clear();
}

JpegRowEncoder::JpegRowEncoder(std::FILE* file) : state_(std::make_unique<State>())
{
    state_->file = file;
}

JpegRowEncoder::~JpegRowEncoder()
{
    if (state_->created)
        jpeg_destroy_compress(&state_->cinfo);
}

bool JpegRowEncoder::start(uint32_t width, uint32_t height, int quality, bool bgr, bool writeJfif,
                           int markerCode, const uint8_t* markerData, uint32_t markerLength)
{
    State& s = *state_;
    if (s.failed || s.started || width == 0 || height == 0 ||
        (markerLength != 0 && markerData == nullptr)) {
        s.fail();
        return false;
    }
    s.started = true;
    std::memset(&s.cinfo, 0, sizeof s.cinfo);
    s.cinfo.err = jpeg_std_error(&s.errors.standard);
    s.errors.standard.error_exit = jumpBackToEncoder;
    if (setjmp(s.errors.jump)) {
        s.fail();
        return false;
    }
    s.created = true;  // destroying a zeroed struct is safe
    jpeg_create_compress(&s.cinfo);
    if (s.file != nullptr) {
        jpeg_stdio_dest(&s.cinfo, s.file);
    } else {
        s.memoryDest.pub.init_destination = memoryInit;
        s.memoryDest.pub.empty_output_buffer = memoryGrow;
        s.memoryDest.pub.term_destination = memoryTerm;
        s.memoryDest.out = s.memory;
        s.cinfo.dest = &s.memoryDest.pub;
    }

    s.cinfo.image_width = width;
    s.cinfo.image_height = height;
    s.cinfo.input_components = 3;
    s.cinfo.in_color_space = bgr ? JCS_EXT_BGR : JCS_RGB;
    jpeg_set_defaults(&s.cinfo);
    jpeg_set_quality(&s.cinfo, clampQuality(quality), TRUE);
    s.cinfo.comp_info[0].h_samp_factor = 2;
    s.cinfo.comp_info[0].v_samp_factor = 1;
    s.cinfo.write_JFIF_header = writeJfif ? TRUE : FALSE;

    jpeg_start_compress(&s.cinfo, TRUE);
    if (markerLength != 0)
        jpeg_write_marker(&s.cinfo, markerCode, markerData, markerLength);
    return true;
}

bool JpegRowEncoder::write(const uint8_t* const* rows, uint32_t count)
{
    State& s = *state_;
    if (s.failed || !s.started || count > s.cinfo.image_height - s.cinfo.next_scanline) {
        s.fail();
        return false;
    }
    if (setjmp(s.errors.jump)) {
        s.fail();
        return false;
    }
    // libjpeg only reads the rows.
    jpeg_write_scanlines(&s.cinfo, const_cast<JSAMPARRAY>(rows), count);
    return true;
}

bool JpegRowEncoder::finish()
{
    State& s = *state_;
    if (s.failed || !s.started || s.cinfo.next_scanline != s.cinfo.image_height) {
        s.fail();
        return false;
    }
    if (setjmp(s.errors.jump)) {
        s.fail();
        return false;
    }
    jpeg_finish_compress(&s.cinfo);
    jpeg_destroy_compress(&s.cinfo);
    s.created = false;
    return true;
}
