// libjpeg reports fatal errors by longjmp: the calls into it sit in one
// C-style function whose state lives on the heap, so nothing the jump skips
// needs a destructor and nothing changed after setjmp lives in a register.
#include "standin/ThumbnailDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace standin {
namespace {

struct DecodeState {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    jpeg_source_mgr source;
    std::jmp_buf jump;
    bool created = false;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::vector<std::uint8_t> row;
};

const JOCTET kEndOfImage[2] = {0xFF, 0xD9};

void errorExit(j_common_ptr cinfo)
{
    auto* state = static_cast<DecodeState*>(cinfo->client_data);
    std::longjmp(state->jump, 1);
}

void quietMessage(j_common_ptr) {}

void initSource(j_decompress_ptr) {}

// Past the end: a fake EOI, as libjpeg's own memory source does, so a
// truncated thumbnail ends instead of looping.
boolean fillInput(j_decompress_ptr cinfo)
{
    cinfo->src->next_input_byte = kEndOfImage;
    cinfo->src->bytes_in_buffer = 2;
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    if (static_cast<std::size_t>(count) > src->bytes_in_buffer) {
        fillInput(cinfo);
        return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void termSource(j_decompress_ptr) {}

bool runDecoder(DecodeState* state, RgbPicture* picture)
{
    jpeg_decompress_struct* cinfo = &state->cinfo;
    if (setjmp(state->jump)) {
        if (state->created)
            jpeg_destroy_decompress(cinfo);
        state->created = false;
        return false;
    }
    cinfo->err = jpeg_std_error(&state->errors);
    state->errors.error_exit = errorExit;
    state->errors.output_message = quietMessage;
    jpeg_create_decompress(cinfo);
    state->created = true;
    cinfo->client_data = state;
    state->source.init_source = initSource;
    state->source.fill_input_buffer = fillInput;
    state->source.skip_input_data = skipInput;
    state->source.resync_to_restart = jpeg_resync_to_restart;
    state->source.term_source = termSource;
    state->source.next_input_byte = state->data;
    state->source.bytes_in_buffer = state->size;
    cinfo->src = &state->source;

    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width == 0 || cinfo->image_height == 0 ||
        cinfo->image_width > kMaxThumbnailSide || cinfo->image_height > kMaxThumbnailSide ||
        (cinfo->num_components != 1 && cinfo->num_components != 3)) {
        jpeg_destroy_decompress(cinfo);
        state->created = false;
        return false;
    }
    cinfo->out_color_space = cinfo->num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(cinfo);
    const unsigned width = cinfo->output_width;
    const unsigned height = cinfo->output_height;
    const unsigned components = static_cast<unsigned>(cinfo->output_components);
    picture->width = width;
    picture->height = height;
    picture->rgb.assign(std::size_t(width) * height * 3, 0);
    state->row.assign(std::size_t(width) * components, 0);
    while (cinfo->output_scanline < height) {
        const unsigned y = cinfo->output_scanline;
        JSAMPROW rows[1] = {state->row.data()};
        jpeg_read_scanlines(cinfo, rows, 1);
        std::uint8_t* out = picture->rgb.data() + std::size_t(y) * width * 3;
        for (unsigned x = 0; x < width; ++x) {
            if (components == 1) {
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = state->row[x];
            } else {
                out[3 * x] = state->row[3 * x];
                out[3 * x + 1] = state->row[3 * x + 1];
                out[3 * x + 2] = state->row[3 * x + 2];
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    state->created = false;
    return true;
}

}  // namespace

bool decodeThumbnail(const std::uint8_t* data, std::size_t size, RgbPicture& picture)
{
    picture = RgbPicture();
    if (!data || size < 4)
        return false;
    auto state = std::make_unique<DecodeState>();
    state->data = data;
    state->size = size;
    RgbPicture* out = &picture;
    if (!runDecoder(state.get(), out)) {
        picture = RgbPicture();
        return false;
    }
    return true;
}

}  // namespace standin
