// Speed of the whole conversion as vxfconv runs it, against the usual tools.
//
// 1. A job: 100 pictures of 12 megapixels to 1600 x 1200 with 20 sounds,
//    one vxfconv process, against a shell loop doing the same with
//    ImageMagick (fit onto the frame, thumbnail), exiftool (thumbnail
//    insertion) and sox (8-bit mono 8000 per second).
// 2. Single pictures, whole processes: 24 MP JPEG to 1600 x 1200 and to
//    640 x 480, 12 MP JPEG and 4000 x 3000 BMP to 1600 x 1200, vxfconv beside
//    ImageMagick and vipsthumbnail (which only scale and write a JPEG).
//
// Inputs are made at run time with ImageMagick and sox into a data folder
// (default "bench_data/vxfconv" under the current directory) and kept there
// for the next run. Usage: bench_vxfconv [data folder] [pictures] [runs]

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kMagick = "/usr/bin/convert-im6.q16";

double secondsSince(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

std::string q(const fs::path& path)
{
    std::string out = "'";
    for (char c : path.string())
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool nonEmpty(const fs::path& path)
{
    std::error_code error;
    return fs::file_size(path, error) > 0 && !error;
}

bool make(const fs::path& path, const std::string& command)
{
    if (nonEmpty(path))
        return true;
    std::printf("making %s ...\n", path.filename().c_str());
    std::fflush(stdout);
    return std::system(command.c_str()) == 0 && nonEmpty(path);
}

// Processor seconds (user and system) of every child that has ended so far.
double childCpuSeconds()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The processor seconds of the last timed command: on a busy machine they
// say more than the wall clock.
double lastCpu = 0;

// Seconds of a shell command, or -1 when it fails.
double timed(const std::string& command)
{
    const double cpu = childCpuSeconds();
    const auto t = Clock::now();
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        return -1;
    const double wall = secondsSince(t);
    lastCpu = childCpuSeconds() - cpu;
    return wall;
}

// Best wall seconds of `runs` runs; lastCpu becomes the best processor seconds.
double bestOf(int runs, const std::string& command, const std::string& before = std::string())
{
    double best = -1, bestCpu = -1;
    for (int i = 0; i < runs; ++i) {
        if (!before.empty())
            std::system(before.c_str());
        const double s = timed(command);
        if (s < 0)
            return -1;
        best = best < 0 ? s : std::min(best, s);
        bestCpu = bestCpu < 0 ? lastCpu : std::min(bestCpu, lastCpu);
    }
    lastCpu = bestCpu;
    return best;
}

fs::path selfFolder()
{
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

size_t countFiles(const fs::path& folder, const std::string& extension)
{
    size_t n = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        n += it->path().extension() == extension ? 1 : 0;
    return n;
}

}  // namespace

int main(int argc, char** argv)
{
    const fs::path data = fs::absolute(argc > 1 ? argv[1] : "bench_data/vxfconv");
    const int pictures = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const int sounds = pictures / 5;
    const fs::path vxfconv = selfFolder() / "vxfconv";
    if (!nonEmpty(vxfconv)) {
        std::printf("vxfconv not found beside this program (%s)\n", vxfconv.c_str());
        return 1;
    }
    fs::create_directories(data);

    // Photo-like inputs: smooth fractal plus sensor-like noise, camera quality.
    const fs::path jpg24 = data / "p24mp.jpg", bmp12 = data / "p12mp.bmp";
    std::vector<fs::path> variants;
    bool ok = make(jpg24, kMagick +
                              " -size 1500x1000 -seed 7 plasma:fractal -resize 6000x4000! "
                              "-attenuate 0.6 +noise Gaussian -sampling-factor 2x1 -quality 92 " +
                              q(jpg24));
    for (int v = 0; ok && v < 4; ++v) {
        const fs::path p = data / ("p12mp-" + std::to_string(v) + ".jpg");
        ok = make(p, kMagick + " -size 1000x750 -seed " + std::to_string(11 + v) +
                         " plasma:fractal -resize 4000x3000! -attenuate 0.6 +noise Gaussian "
                         "-sampling-factor 2x1 -quality 92 " +
                         q(p));
        variants.push_back(p);
    }
    ok = ok && make(bmp12, kMagick + " " + q(variants[0]) + " -type TrueColor BMP3:" + q(bmp12));
    std::vector<fs::path> waves;
    for (int s = 0; ok && s < 4; ++s) {
        const fs::path w = data / ("s" + std::to_string(s) + ".wav");
        ok = make(w, "sox -n -r 44100 -c 2 -b 16 " + q(w) + " synth " + std::to_string(4 + s) +
                         " sine " + std::to_string(300 + 100 * s) + "-" +
                         std::to_string(900 + 50 * s) + " vol 0.5");
        waves.push_back(w);
    }
    if (!ok) {
        std::printf("could not make the inputs (ImageMagick or sox missing?)\n");
        return 1;
    }
    // The job's pictures: files of their own (copies of the variants).
    const fs::path job = data / "job";
    fs::create_directories(job);
    std::vector<fs::path> sources;
    for (int i = 0; i < pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.jpg", i + 1);
        const fs::path p = job / name;
        if (!nonEmpty(p))
            fs::copy_file(variants[static_cast<size_t>(i) % variants.size()], p,
                          fs::copy_options::overwrite_existing);
        sources.push_back(p);
    }

    // 1. The job.
    const fs::path outVx = data / "out-vxfconv", outShell = data / "out-shell";
    std::string args = "-q --no-progress --date 2024-08-24 -c 90 -s X -o " + q(outVx);
    for (int i = 0; i < pictures; ++i) {
        if (i % 5 == 0 && i / 5 < sounds)
            args += " -w " + q(waves[static_cast<size_t>(i / 5) % waves.size()]);
        args += " " + q(sources[static_cast<size_t>(i)]);
    }
    const std::string clean = "rm -rf " + q(outVx) + " " + q(outShell);
    std::printf("\njob: %d pictures of 12 MP to 1600x1200, %d sounds\n", pictures, sounds);
    std::fflush(stdout);
    std::system(clean.c_str());
    const double vx = timed(q(vxfconv) + " " + args);
    const double vxCpu = lastCpu;
    const size_t vxPictures = countFiles(outVx, ".jpg"), vxSounds = countFiles(outVx, ".wav");

    // The same by the usual tools, one picture after another.
    const fs::path script = data / "shell-loop.sh";
    {
        std::ofstream s(script);
        s << "set -e\nout=" << q(outShell) << "\nmkdir -p \"$out\"\n";
        for (int i = 0; i < pictures; ++i) {
            char stem[16];
            std::snprintf(stem, sizeof stem, "0824%04d", i + 1);
            const std::string jpg = "\"$out/" + std::string(stem) + ".jpg\"";
            s << kMagick << " " << q(sources[static_cast<size_t>(i)])
              << " -resize 1600x1200 -background black -gravity center -extent 1600x1200"
                 " -sampling-factor 2x1 -quality 75 "
              << jpg << "\n";
            s << kMagick << " " << jpg
              << " -resize 160x120 -background black -gravity center -extent 160x120"
                 " -quality 85 \"$out/thumb.jpg\"\n";
            s << "exiftool -q -overwrite_original '-ThumbnailImage<=$out/thumb.jpg'"
                 " -Make='TAMRI ORVEN CORP.' -DateTimeOriginal='2024:08:24 10:00:00' "
              << jpg << "\n";
            if (i % 5 == 0 && i / 5 < sounds)
                s << "sox " << q(waves[static_cast<size_t>(i / 5) % waves.size()])
                  << " -r 8000 -c 1"
                  << " -b 8 -e unsigned-integer \"$out/" << stem << ".wav\" trim 0 10 remix 1\n";
        }
        s << "rm -f \"$out/thumb.jpg\"\n";
    }
    const double shell = timed("bash " + q(script));
    const double shellCpu = lastCpu;
    const size_t shPictures = countFiles(outShell, ".jpg"), shSounds = countFiles(outShell, ".wav");

    std::printf("  %-40s %10s %12s %10s %12s\n", "", "wall s", "ms/picture", "cpu s", "cpu ms/pic");
    std::printf("  %-40s %10.2f %12.1f %10.2f %12.1f   (%zu pictures, %zu sounds)\n",
                "vxfconv, one process", vx, vx * 1000 / pictures, vxCpu, vxCpu * 1000 / pictures,
                vxPictures, vxSounds);
    std::printf("  %-40s %10.2f %12.1f %10.2f %12.1f   (%zu pictures, %zu sounds)\n",
                "shell loop: ImageMagick, exiftool, sox", shell, shell * 1000 / pictures, shellCpu,
                shellCpu * 1000 / pictures, shPictures, shSounds);
    if (vx > 0 && shell > 0 && vxCpu > 0)
        std::printf("  ratio shell loop / vxfconv: %.1f x wall, %.1f x cpu"
                    "   (goal: at least 10 x, at most 80 ms per picture)\n",
                    shell / vx, shellCpu / vxCpu);
    std::system(clean.c_str());

    // 2. Single pictures, whole processes, best of `runs`.
    struct Case {
        const char* name;
        fs::path source;
        const char* sizeClass;  // of code 90
        const char* box;
    } cases[] = {{"24 MP JPEG -> 1600x1200", jpg24, "X", "1600x1200"},
                 {"24 MP JPEG -> 640x480  ", jpg24, "V", "640x480"},
                 {"12 MP JPEG -> 1600x1200", variants[0], "X", "1600x1200"},
                 {"12 MP BMP  -> 1600x1200", bmp12, "X", "1600x1200"}};
    const fs::path single = data / "single";
    const std::string wipe = "rm -rf " + q(single) + " && mkdir -p " + q(single);
    std::printf("\nsingle pictures, whole processes, best of %d, ms wall (cpu)\n", runs);
    std::printf("  %-24s %16s %16s %16s %9s %9s\n", "", "vxfconv", "ImageMagick", "vipsthumbnail",
                "IM / vx", "vips / vx");
    for (const Case& c : cases) {
        const double a = bestOf(runs,
                                q(vxfconv) + " -q --no-progress --date 2024-08-24 -s " +
                                    c.sizeClass + " -o " + q(single) + " " + q(c.source),
                                wipe);
        const double aCpu = lastCpu;
        const double b =
            bestOf(runs, kMagick + " " + q(c.source) + " -resize " + c.box +
                             " -sampling-factor 2x1 -quality 75 " + q(single / "im.jpg"));
        const double bCpu = lastCpu;
        const double v = bestOf(runs, "vipsthumbnail " + q(c.source) + " -s " + c.box + " -o " +
                                          q(single / "vt.jpg") + "[Q=75]");
        const double vCpu = lastCpu;
        std::printf("  %-24s %7.1f (%6.1f) %7.1f (%6.1f) %7.1f (%6.1f) %9.2f %9.2f\n", c.name,
                    a * 1000, aCpu * 1000, b * 1000, bCpu * 1000, v * 1000, vCpu * 1000,
                    a > 0 ? b / a : 0.0, a > 0 ? v / a : 0.0);
    }
    std::printf("  (vxfconv also fits the frame, makes the thumbnail and writes the Exif data;\n"
                "   the others only scale and write a JPEG)\n");
    std::system(("rm -rf " + q(single)).c_str());
    return 0;
}
