// The camera metadata step on its own: the tags of one 640 x 480 camera
// picture with its 160 x 120 thumbnail written as the conversion writes them,
// from a source whose Exif tags are carried over and from one without Exif
// data. The difference between the two is what carrying costs (reading the
// source, planning the segment). Figures are processor time of this thread,
// the least of the runs, so other work on the machine hardly shows.
// Usage: bench_camera_metadata [runs]
#include "engine/CameraMetadata.h"
#include "engine/tests/ConversionTestSupport.h"
#include "exif/ExifImage.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 51;
    const fs::path folder = scratchFolder("bench-camera-metadata");
    const Rgb picture = makeScene(640, 480);
    const Rgb thumbnail = makeScene(160, 120);

    // A camera's exposure data, a maker note and a GPS directory to carry.
    const std::vector<SourceTag> tags = {
        asciiTag(1, 0x010F, "OLYMPUS IMAGING"),
        asciiTag(1, 0x013B, "Somebody Else"),
        rationalTag(2, 0x829A, 1, 125),
        rationalTag(2, 0x829D, 28, 10),
        shortTag(2, 0x8827, {200}),
        rationalTag(2, 0x920A, 350, 10),
        asciiTag(2, 0x9286, "a comment of some length, as cameras write them"),
        shortTag(6, 0x0100, {7}),
        undefinedTag(6, 0x0300, std::vector<uint8_t>(2000, 7)),
        rationalTag(4, 0x0002, 35, 1)};
    const Rgb scene = makeScene(64, 48);
    const fs::path withExif = folder / "camera.jpg";
    const fs::path plain = folder / "plain.jpg";
    writeFileBytes(withExif, baselineJpeg(scene, 90, exifPayload(tags, false)));
    writeFileBytes(plain, baselineJpeg(scene, 90));

    ExifImage exif;
    const auto measure = [&](const fs::path& source) {
        double least = 1e30;
        for (int i = 0; i < runs; ++i) {
            exif.info.outputPath = folder / "out.jpg";
            exif.info.pixels = picture.pixels.data();
            exif.info.sizes.width = 640;
            exif.info.sizes.height = 480;
            exif.info.sizes.quality = 75;
            exif.info.thumbPixels = thumbnail.pixels.data();
            exif.info.sizes.thumbWidth = 160;
            exif.info.sizes.thumbHeight = 120;
            exif.info.sizes.thumbQuality = 85;
            const double start = threadMilliseconds();
            if (WriteCameraMetadata(exif, kSize640x480, 0, 0, 640, 480, -1, source,
                                    [] { return CameraDateTime{2024, 8, 24, 13, 5, 9}; }) == 0) {
                std::printf("bench_camera_metadata: the write failed\n");
                std::exit(1);
            }
            least = std::min(least, threadMilliseconds() - start);
        }
        return least;
    };

    const double carried = measure(withExif);
    const double none = measure(plain);
    std::printf("camera picture 640 x 480 with 160 x 120 thumbnail, least of %d runs:\n", runs);
    std::printf("  source with Exif tags to carry  %7.3f ms\n", carried);
    std::printf("  source without Exif data        %7.3f ms\n", none);
    std::printf("  carrying the tags costs         %7.3f ms\n", carried - none);
    return 0;
}
