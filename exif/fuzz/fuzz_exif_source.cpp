// Arbitrary bytes through the coding-kind scan and the source reader; every
// walked entry and its value must lie inside the reader's own segment copy
// (a separate heap block, so AddressSanitizer sees any step outside it).
#include "exif/ExifImage.h"
#include "exif/ExifSource.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    volatile int kind = jpegCodingKindOfBytes(data, size);
    (void)kind;

    ExifImage image;
    const ExifSourceReader* reader = image.openSourceBytes(data, size, kSourceKindExifJpeg);
    if (reader == nullptr)
        return 0;
    const uint8_t* begin = image.sourceSegment();
    const uint8_t* end = begin + reader->segment.size();
    if (image.sourceTiff() != begin + 10 || reader->tiffLength + 10 != reader->segment.size())
        std::abort();
    if (reader->thumbnail != nullptr &&
        (reader->thumbnail < reader->tiff || reader->thumbnail + reader->thumbnailLength > end))
        std::abort();

    ExifEntryCursor cursor;
    unsigned sum = 0;
    size_t steps = 0;
    while (const uint8_t* entry = image.nextSourceEntry(cursor)) {
        if (entry < reader->tiff || entry + 12 > end)
            std::abort();
        const size_t bytes = static_cast<size_t>(sourceElementSize(cursor.type)) * cursor.count;
        if (cursor.data < reader->tiff || cursor.data + bytes > end || cursor.ifd < 1 ||
            cursor.ifd > 6)
            std::abort();
        for (size_t i = 0; i < bytes; ++i)
            sum += cursor.data[i];
        // Six directories of at most 5460 entries each: a longer walk loops.
        if (++steps > 6 * 5461)
            std::abort();
    }
    // Carrying the entries over, as the metadata builder does.
    ExifEntryCursor again;
    while (image.nextSourceEntry(again))
        image.addTag(again.ifd, again.tag, again.data, again.type, again.count);
    volatile unsigned sink = sum + static_cast<unsigned>(image.countTags(1));
    (void)sink;
    return 0;
}
