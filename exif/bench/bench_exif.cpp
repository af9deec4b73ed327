// Writing one camera picture (1600 x 1200, quality 75, usual tags, 160 x 120
// thumbnail) against libjpeg-turbo's own cjpeg on the same pixels with the
// same sampling. cjpeg's figure includes its process start and reading the
// PPM file; both are shown so the ratio can be judged.
#include "exif/ExifImage.h"
#include "exif/JpegEncoder.h"
#include "exif/tests/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void writePpm(const fs::path& path, const std::vector<uint8_t>& rgb, uint32_t w, uint32_t h)
{
    const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), rgb.begin(), rgb.end());
    writeFileBytes(path, bytes);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const uint32_t width = 1600, height = 1200;
    const fs::path folder = scratchFolder("bench");

    // The test pattern plus mild noise, closer to a photograph's entropy.
    std::vector<uint8_t> pixels = makeTestPicture(width, height);
    uint32_t state = 1;
    for (uint8_t& b : pixels) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(std::min(255, std::max(0, b + static_cast<int>(state >> 28) - 8)));
    }
    const std::vector<uint8_t> thumb = makeTestPicture(160, 120);
    const fs::path ppm = folder / "picture.ppm";
    const fs::path tiny = folder / "tiny.ppm";
    writePpm(ppm, pixels, width, height);
    writePpm(tiny, makeTestPicture(16, 16), 16, 16);

    const std::string cjpeg = "cjpeg -quality 75 -sample 2x1 -outfile ";
    const std::string theirs = cjpeg + (folder / "cjpeg.jpg").string() + " " + ppm.string();
    const std::string startOnly = cjpeg + (folder / "tiny.jpg").string() + " " + tiny.string();
    if (std::system(theirs.c_str()) != 0) {
        std::printf("bench_exif: cjpeg not found or failed; no comparison\n");
        return 1;
    }

    std::vector<double> ours, encodeOnly, reference, processStart;
    ExifImage image;
    for (int i = 0; i < runs; ++i) {
        image.info.pixels = pixels.data();
        image.info.thumbPixels = thumb.data();
        image.info.outputPath = folder / "ours.jpg";
        image.info.sizes.width = width;
        image.info.sizes.height = height;
        image.info.sizes.quality = 75;
        image.info.sizes.thumbWidth = 160;
        image.info.sizes.thumbHeight = 120;
        image.info.sizes.thumbQuality = 75;
        Clock::time_point start = Clock::now();
        addUsualTags(image, width, height);
        if (image.writeExifJpeg() == 0) {
            std::printf("bench_exif: writeExifJpeg failed\n");
            return 1;
        }
        ours.push_back(millisecondsSince(start));

        start = Clock::now();
        encodeRgbToJpegFile(folder / "plain.jpg", pixels.data(), width, height, 75, 0, nullptr, 0,
                            false);
        encodeOnly.push_back(millisecondsSince(start));

        start = Clock::now();
        if (std::system(theirs.c_str()) != 0)
            return 1;
        reference.push_back(millisecondsSince(start));

        start = Clock::now();
        if (std::system(startOnly.c_str()) != 0)
            return 1;
        processStart.push_back(millisecondsSince(start));
    }

    const double ourMedian = median(ours), theirMedian = median(reference);
    std::printf("picture 1600x1200 RGB, quality 75, 4:2:2; %d runs, median (best) in ms\n", runs);
    std::printf("writeExifJpeg (usual tags + 160x120 thumbnail): %8.2f (%8.2f)\n", ourMedian,
                *std::min_element(ours.begin(), ours.end()));
    std::printf("  of which encoding the picture alone:           %8.2f (%8.2f)\n",
                median(encodeOnly), *std::min_element(encodeOnly.begin(), encodeOnly.end()));
    std::printf("cjpeg -quality 75 -sample 2x1 (whole process):  %8.2f (%8.2f)\n", theirMedian,
                *std::min_element(reference.begin(), reference.end()));
    std::printf("  cjpeg process start on a 16x16 picture:        %8.2f\n", median(processStart));
    std::printf("file sizes: ours %ju bytes, cjpeg %ju bytes\n",
                static_cast<uintmax_t>(fs::file_size(folder / "ours.jpg")),
                static_cast<uintmax_t>(fs::file_size(folder / "cjpeg.jpg")));
    std::printf("ratio writeExifJpeg / cjpeg: %.3f (goal <= 1.10)\n", ourMedian / theirMedian);
    const double theirNet = theirMedian - median(processStart);
    if (theirNet > 0)
        std::printf("ratio without cjpeg's process start:  %.3f\n", ourMedian / theirNet);
    return 0;
}
