// How soon the preview of a large picture is ready: loading a 24-megapixel
// JPEG into the preview picture and decoding it at the size it is shown in
// the window's 130 x 130 preview box, as the window does when an entry is
// selected. The picture is grainy, as a camera's at high sensitivity, which
// makes the decoder work hardest. The goal is 300 ms. Figures are wall-clock times of the whole
// call, median and least of the runs.
// Usage: bench_preview [runs]
#include "engine/PortableUploadHost.h"
#include "engine/tests/ConversionTestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const fs::path folder = scratchFolder("bench-preview");
    const fs::path source = folder / "24mp.jpg";
    Rgb scene = makeScene(6000, 4000);
    uint32_t seed = 1;
    for (uint8_t& value : scene.pixels) {
        seed = seed * 1664525u + 1013904223u;
        value = static_cast<uint8_t>(std::clamp(int(value) + int(seed >> 26) - 32, 0, 255));
    }
    writeFileBytes(source, baselineJpeg(scene, 92));

    StandaloneConverter converter;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        uint32_t width = 0, height = 0;
        const auto start = std::chrono::steady_clock::now();
        const int rc = converter.conversion().LoadPreviewPicture(source, 130, 130, width, height);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (rc != 0 || width != 6000 || height != 4000) {
            std::printf("bench_preview: the preview failed (%d)\n", rc);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("preview of a 6000 x 4000 JPEG in a 130 x 130 box, %d runs:\n", runs);
    std::printf("  median %7.1f ms   least %7.1f ms   (goal 300 ms)\n", times[times.size() / 2],
                times.front());
    return 0;
}
