// Any source file through the camera metadata: whatever the source's Exif
// data hold, the camera picture is written (the carried tags are trimmed to
// fit one APP1 segment) and nothing is read outside a buffer.
#include "engine/CameraMetadata.h"

#include "exif/ExifImage.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path folder = [] {
        const fs::path f = fs::temp_directory_path() /
                           ("vxf-fuzz-metadata-" + std::to_string(static_cast<long>(getpid())));
        fs::create_directories(f);
        return f;
    }();
    static ExifImage exif;
    static std::vector<uint8_t> picture(32 * 16 * 3, 0x80), thumbnail(160 * 120 * 3);
    if (thumbnail[1] == 0) {
        for (size_t i = 0; i < thumbnail.size(); ++i)
            thumbnail[i] = static_cast<uint8_t>(i * 7 + i / 480);  // a busy thumbnail
    }

    const fs::path source = folder / "source.jpg";
    std::FILE* file = std::fopen(source.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    exif.info.outputPath = folder / "out.jpg";
    exif.info.pixels = picture.data();
    exif.info.sizes.width = 32;
    exif.info.sizes.height = 16;
    exif.info.sizes.quality = 75;
    exif.info.thumbPixels = thumbnail.data();
    exif.info.sizes.thumbWidth = 160;
    exif.info.sizes.thumbHeight = 120;
    exif.info.sizes.thumbQuality = 85;
    const int written = WriteCameraMetadata(exif, kSize1024x384, 256, 0, 512, 384, -1, source,
                                            [] { return CameraDateTime{2024, 1, 2, 3, 4, 5}; });
    if (written == 0)
        std::abort();  // the carried tags were not trimmed to fit
    return 0;
}
