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
// We jump back into encode(), whose frame holds no object with a destructor.
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

// Exactly one of file and memory is set; the caller opens and closes the
// file. Plain C style on purpose: longjmp lands here, so nothing in this
// frame may need destruction.
int encode(std::FILE* file, std::vector<uint8_t>* memory, PixelRows rows, uint32_t width,
           uint32_t height, int quality, int markerCode, const uint8_t* markerData,
           uint32_t markerLength, bool writeJfif)
{
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);  // destroy is then safe at any point
    JumpingErrorManager errors;
    MemoryDestination memoryDest;

    cinfo.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = jumpBackToEncoder;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        if (memory != nullptr)
            memory->clear();
        return 0;
    }

    jpeg_create_compress(&cinfo);
    if (file != nullptr) {
        jpeg_stdio_dest(&cinfo, file);
    } else {
        memoryDest.pub.init_destination = memoryInit;
        memoryDest.pub.empty_output_buffer = memoryGrow;
        memoryDest.pub.term_destination = memoryTerm;
        memoryDest.out = memory;
        cinfo.dest = &memoryDest.pub;
    }

    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = rows.bgr ? JCS_EXT_BGR : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = 1;
    cinfo.write_JFIF_header = writeJfif ? TRUE : FALSE;

    jpeg_start_compress(&cinfo, TRUE);
    if (markerLength != 0)
        jpeg_write_marker(&cinfo, markerCode, markerData, markerLength);

    const size_t stride = static_cast<size_t>(width) * 3;
    constexpr JDIMENSION kBatch = 16;  // one call per iMCU row or more
    JSAMPROW batch[kBatch];
    while (cinfo.next_scanline < cinfo.image_height) {
        const JDIMENSION first = cinfo.next_scanline;
        const JDIMENSION n = std::min(kBatch, cinfo.image_height - first);
        for (JDIMENSION i = 0; i < n; ++i) {
            const size_t y = rows.bottomUp ? height - 1 - (first + i) : first + i;
            batch[i] = const_cast<JSAMPLE*>(rows.pixels + y * stride);
        }
        jpeg_write_scanlines(&cinfo, batch, n);
    }

    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return 1;
}

// Encodes into the file at path or into memory; for a file, write errors of
// the last buffered bytes only show up when it is closed.
int encodeTo(const std::filesystem::path* path, std::vector<uint8_t>* memory, PixelRows rows,
             uint32_t width, uint32_t height, int quality, int markerCode,
             const uint8_t* markerData, uint32_t markerLength, bool writeJfif)
{
    if (markerLength != 0 && markerData == nullptr)
        return 0;
    if (path == nullptr)
        return encode(nullptr, memory, rows, width, height, quality, markerCode, markerData,
                      markerLength, writeJfif);
    UniqueFile file = openFile(*path, "wb");
    if (!file)
        return 0;
    const int result = encode(file.get(), nullptr, rows, width, height, quality, markerCode,
                              markerData, markerLength, writeJfif);
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
    return encodeTo(path, memory, PixelRows{pixels, flipRows, swapRedBlue}, width, height,
                    clampQuality(quality), markerCode, markerData, markerLength, writeJfif);
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
    return encodeTo(&path, nullptr, PixelRows{pixels, false, false}, width, height,
                    clampQuality(quality), markerCode, markerData, markerLength, writeJfif);
}

int encodeRgbToJpegMemory(std::vector<uint8_t>& out, const uint8_t* pixels, uint32_t width,
                          uint32_t height, int quality, int markerCode, const uint8_t* markerData,
                          uint32_t markerLength, bool writeJfif)
{
    out.clear();
    if (pixels == nullptr)
        return 0;
    return encodeTo(nullptr, &out, PixelRows{pixels, false, false}, width, height,
                    clampQuality(quality), markerCode, markerData, markerLength, writeJfif);
}
