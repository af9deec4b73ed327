// Benchmark: convertToCameraSound on a 30-second 44.1 kHz 16-bit stereo WAV
// (only its first 10 seconds are used), beside the sox process doing the
// same job: `sox in.wav -r 8000 -c 1 -b 8 out.wav`.
#include "sound/FileIo.h"
#include "sound/RiffReader.h"
#include "sound/SoundConvert.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void put(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Music-like: two tones, a slow swell and a little noise, as a 16-bit stereo file.
std::vector<uint8_t> makeSource(uint32_t rate, uint32_t seconds)
{
    const uint32_t frames = rate * seconds;
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    put(file, 36 + frames * 4, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0});
    put(file, rate, 4);
    put(file, rate * 4, 4);
    file.insert(file.end(), {4, 0, 16, 0, 'd', 'a', 't', 'a'});
    put(file, frames * 4, 4);
    uint32_t noise = 1;
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double v = 0.5 * (0.6 + 0.4 * std::sin(t * 0.7)) *
                             (std::sin(t * 2 * M_PI * 440) + 0.5 * std::sin(t * 2 * M_PI * 1250)) +
                         0.02 * (int32_t(noise) / 2147483648.0);
        const auto s = static_cast<int16_t>(std::lround(std::max(-1.0, std::min(1.0, v)) * 32000));
        put(file, static_cast<uint16_t>(s), 2);
        put(file, static_cast<uint16_t>(-s), 2);
    }
    return file;
}

struct Times {
    double first = 0;  // cold: fresh memory, tables not yet built
    std::vector<double> sorted;
    double best() const { return sorted.front(); }
    double median() const { return sorted[sorted.size() / 2]; }
};

template <typename F>
Times timeRuns(int runs, F&& run)
{
    Times times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        run();
        times.sorted.push_back(msSince(start));
    }
    times.first = times.sorted.front();
    std::sort(times.sorted.begin(), times.sorted.end());
    return times;
}

void print(const char* what, const Times& t)
{
    std::printf("%-44s first %8.3f   best %8.3f   median %8.3f ms  (%zu runs)\n", what, t.first,
                t.best(), t.median(), t.sorted.size());
}

}  // namespace

int main()
{
    const fs::path dir =
        fs::temp_directory_path() / ("vxf_bench_sound_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path source = dir / "in.wav";
    const fs::path ours = dir / "ours.wav";
    const fs::path theirs = dir / "sox.wav";

    const std::vector<uint8_t> file = makeSource(44100, 30);
    {
        std::FILE* f = std::fopen(source.string().c_str(), "wb");
        if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size()) {
            std::fprintf(stderr, "cannot write %s\n", source.string().c_str());
            return 1;
        }
        std::fclose(f);
    }
    std::printf("source: 30 s of 44100 Hz 16-bit stereo, %zu bytes; 10 s used\n\n", file.size());

    WaveData data;
    WaveFormat format;
    findWaveData(file.data(), file.size(), data, format);
    std::vector<uint8_t> samples;
    const auto convertOnly =
        timeRuns(50, [&] { convertSamples(format, data.bytes, data.length, 10, samples); });
    print("convertSamples (in memory)", convertOnly);

    // Parts of it: the resampler alone and the filter alone.
    std::vector<int16_t> left(441000);
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = static_cast<int16_t>(readLe16(data.bytes + 4 * i));
    std::vector<int16_t> resampled;
    print("  resampleSinc 441000 -> 80000", timeRuns(50, [&] {
              resampleSinc(kSincTaps, 44100, 8000, left.data(), left.size(), resampled);
          }));
    std::vector<int16_t> filtered(resampled.size());
    print("  fixedFilter 80000",
          timeRuns(50, [&] { fixedFilter(resampled.data(), filtered.data(), resampled.size()); }));

    int result = -1;
    const auto whole = timeRuns(30, [&] { result = convertToCameraSound(ours, source, 10); });
    print("convertToCameraSound (load, convert, write)", whole);
    if (result != kConvertOk) {
        std::fprintf(stderr, "conversion failed: %d\n", result);
        return 1;
    }

    const std::string sox =
        "sox '" + source.string() + "' -r 8000 -c 1 -b 8 '" + theirs.string() + "'";
    int status = 0;
    const auto soxTimes = timeRuns(15, [&] { status = std::system(sox.c_str()); });
    if (status != 0) {
        std::printf("sox: not available (status %d)\n", status);
    } else {
        print("sox process, same job", soxTimes);
        std::printf("\nratio sox / convertToCameraSound (best): %.1f x\n",
                    soxTimes.best() / whole.best());
    }
    std::printf("goal: convertSamples under 5 ms for the 10 s used\n");

    std::error_code error;
    fs::remove_all(dir, error);
    return 0;
}
