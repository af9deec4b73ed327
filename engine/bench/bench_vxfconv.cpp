// Speed of the whole conversion as vxfconv runs it, against the decoder
// alone and the usual tools.
//
// 1. Single pictures, whole processes: 24 MP JPEG to 1600 x 1200 and to
//    640 x 480, 12 MP JPEG and 4000 x 3000 BMP to 1600 x 1200 (grainy and
//    smooth JPEGs), vxfconv with its peak memory beside the decode floor
//    (djpeg at the DCT scale vxfconv decodes at), ImageMagick and
//    vipsthumbnail (which only scale and write a JPEG).
// 2. A job: 100 pictures of 12 megapixels to 1600 x 1200 with 20 sounds,
//    one vxfconv process converting one picture at a time and two at once,
//    against a shell loop doing the same with ImageMagick (fit onto the
//    frame, thumbnail), exiftool (thumbnail insertion) and sox (8-bit mono
//    8000 per second).
//
// Inputs are made at run time with ImageMagick and sox into a data folder
// (default "bench_data/vxfconv" under the current directory) and kept there
// for the next run. Usage: bench_vxfconv [data folder] [pictures] [runs]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

// What one run of a command cost: wall seconds, processor seconds (user and
// system: on a busy machine they say more than the wall clock) and the peak
// resident memory of the process.
struct Cost {
    double wall = -1;  // -1: the command failed
    double cpu = 0;
    double peakMb = 0;
};

// Runs a shell command (its output discarded) in a child of its own, so that
// its resources can be read alone.
Cost run(const std::string& command)
{
    const auto t = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string line = "exec " + command + " >/dev/null 2>&1";
        ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    Cost cost;
    int status = 0;
    struct rusage usage {};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return cost;
    cost.wall = secondsSince(t);
    cost.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    cost.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return cost;
}

// The least of each figure over `runs` runs; before runs ahead of each.
Cost bestOf(int runs, const std::string& command, const std::string& before = std::string())
{
    Cost best;
    for (int i = 0; i < runs; ++i) {
        if (!before.empty())
            std::system(before.c_str());
        const Cost c = run(command);
        if (c.wall < 0)
            return c;
        best.wall = best.wall < 0 ? c.wall : std::min(best.wall, c.wall);
        best.cpu = i == 0 ? c.cpu : std::min(best.cpu, c.cpu);
        best.peakMb = i == 0 ? c.peakMb : std::min(best.peakMb, c.peakMb);
    }
    return best;
}

// The DCT scale M/8 a decoder needs at least so that a sw x sh picture still
// covers the size it is fitted to inside a frame of fw x fh.
int coveringEighths(int sw, int sh, int fw, int fh)
{
    const double fit = std::min(static_cast<double>(fw) / sw, static_cast<double>(fh) / sh);
    const double w = sw * fit, h = sh * fit;
    for (int m = 1; m < 8; ++m) {
        if (std::ceil(sw * m / 8.0) >= std::floor(w) && std::ceil(sh * m / 8.0) >= std::floor(h))
            return m;
    }
    return 8;
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
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
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
    // Smooth pictures (no grain) decode faster: what the conversion adds weighs more there.
    const fs::path smooth24 = data / "s24mp.jpg", smooth12 = data / "s12mp.jpg";
    ok = ok && make(smooth24, kMagick +
                                  " -size 1500x1000 -seed 7 plasma:fractal -resize 6000x4000! "
                                  "-blur 0x2 -sampling-factor 2x1 -quality 92 " +
                                  q(smooth24));
    ok = ok && make(smooth12, kMagick +
                                  " -size 1000x750 -seed 11 plasma:fractal -resize 4000x3000! "
                                  "-blur 0x2 -sampling-factor 2x1 -quality 92 " +
                                  q(smooth12));
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

    // 1. Single pictures, whole processes, best of `runs`.
    struct Case {
        const char* name;
        fs::path source;
        int width, height;      // of the source
        const char* sizeClass;  // of code 90
        int frameWidth, frameHeight;
    } cases[] = {{"24 MP JPEG -> 1600x1200", jpg24, 6000, 4000, "X", 1600, 1200},
                 {"  smooth", smooth24, 6000, 4000, "X", 1600, 1200},
                 {"24 MP JPEG -> 640x480", jpg24, 6000, 4000, "V", 640, 480},
                 {"  smooth", smooth24, 6000, 4000, "V", 640, 480},
                 {"12 MP JPEG -> 1600x1200", variants[0], 4000, 3000, "X", 1600, 1200},
                 {"  smooth", smooth12, 4000, 3000, "X", 1600, 1200},
                 {"12 MP BMP  -> 1600x1200", bmp12, 4000, 3000, "X", 1600, 1200}};
    const fs::path single = data / "single";
    const std::string wipe = "rm -rf " + q(single) + " && mkdir -p " + q(single);
    std::printf("\nsingle pictures, whole processes, best of %d: ms wall (cpu)\n", runs);
    std::printf(
        "  floor: djpeg decoding at the DCT scale vxfconv uses (goal: vxfconv at most\n"
        "  1.10 x the floor; 12 MP BMP at most 60 ms; vipsthumbnail at least 2.2 x vxfconv)\n");
    std::printf("  %-24s %16s %8s %16s %7s %16s %16s %7s\n", "", "vxfconv", "peak MB", "floor",
                "vx/fl", "ImageMagick", "vipsthumbnail", "vips/vx");
    double floor12 = -1;  // the 12 MP picture of the job
    for (const Case& c : cases) {
        const std::string box = std::to_string(c.frameWidth) + "x" + std::to_string(c.frameHeight);
        const Cost vx = bestOf(runs,
                               q(vxfconv) + " -q --no-progress -j 1 --date 2024-08-24 -s " +
                                   c.sizeClass + " -o " + q(single) + " " + q(c.source),
                               wipe);
        Cost floor;
        const bool jpeg = c.source.extension() == ".jpg";
        if (jpeg) {
            const int m = coveringEighths(c.width, c.height, c.frameWidth, c.frameHeight);
            floor = bestOf(runs, "djpeg -scale " + std::to_string(m) + "/8 -outfile /dev/null " +
                                     q(c.source));
            if (c.source == variants[0])
                floor12 = floor.wall;
        }
        const Cost im =
            bestOf(runs, kMagick + " " + q(c.source) + " -resize " + box +
                             " -sampling-factor 2x1 -quality 75 " + q(single / "im.jpg"));
        const Cost vips = bestOf(runs, "vipsthumbnail " + q(c.source) + " -s " + box + " -o " +
                                           q(single / "vt.jpg") + "[Q=75]");
        if (vx.wall < 0) {
            std::printf("  %-24s vxfconv failed\n", c.name);
            continue;
        }
        char floorText[32] = "", ratio[16] = "";
        if (jpeg) {
            std::snprintf(floorText, sizeof floorText, "%7.1f (%6.1f)", floor.wall * 1000,
                          floor.cpu * 1000);
            std::snprintf(ratio, sizeof ratio, "%7.2f", vx.wall / floor.wall);
        }
        std::printf("  %-24s %7.1f (%6.1f) %8.1f %16s %7s %7.1f (%6.1f) %7.1f (%6.1f) %7.2f\n",
                    c.name, vx.wall * 1000, vx.cpu * 1000, vx.peakMb, floorText, ratio,
                    im.wall * 1000, im.cpu * 1000, vips.wall * 1000, vips.cpu * 1000,
                    vx.wall > 0 ? vips.wall / vx.wall : 0.0);
    }
    std::printf("  (vxfconv also fits the frame, makes the thumbnail and writes the Exif data;\n"
                "   the others only scale and write a JPEG)\n");
    std::system(("rm -rf " + q(single)).c_str());

    // 2. The job, one picture at a time and on two threads.
    std::string args = "-q --no-progress --date 2024-08-24 -c 90 -s X";
    for (int i = 0; i < pictures; ++i) {
        if (i % 5 == 0 && i / 5 < sounds)
            args += " -w " + q(waves[static_cast<size_t>(i / 5) % waves.size()]);
        args += " " + q(sources[static_cast<size_t>(i)]);
    }
    std::printf("\njob: %d pictures of 12 MP to 1600x1200, %d sounds\n", pictures, sounds);
    std::printf("  %-40s %9s %11s %9s %11s %8s\n", "", "wall s", "ms/picture", "cpu s",
                "cpu ms/pic", "peak MB");
    const auto line = [&](const char* name, const Cost& c, const fs::path& out) {
        if (c.wall < 0) {
            std::printf("  %-40s failed\n", name);
            return;
        }
        std::printf("  %-40s %9.2f %11.1f %9.2f %11.1f %8.1f   (%zu pictures, %zu sounds)\n", name,
                    c.wall, c.wall * 1000 / pictures, c.cpu, c.cpu * 1000 / pictures, c.peakMb,
                    countFiles(out, ".jpg"), countFiles(out, ".wav"));
    };
    const fs::path out1 = data / "out-j1", out2 = data / "out-j2", outShell = data / "out-shell";
    const std::string clean = "rm -rf " + q(out1) + " " + q(out2) + " " + q(outShell);
    std::system(clean.c_str());
    const Cost j1 = run(q(vxfconv) + " -j 1 -o " + q(out1) + " " + args);
    line("vxfconv -j 1", j1, out1);
    const Cost j2 = run(q(vxfconv) + " -j 2 -o " + q(out2) + " " + args);
    line("vxfconv -j 2", j2, out2);
    const bool same =
        std::system(("diff -r -q " + q(out1) + " " + q(out2) + " >/dev/null 2>&1").c_str()) == 0;

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
    const Cost shell = run("bash " + q(script));
    line("shell loop: ImageMagick, exiftool, sox", shell, outShell);
    std::printf("  -j 2 files byte-identical to -j 1: %s\n", same ? "yes" : "NO");
    if (j2.wall > 0 && floor12 > 0)
        std::printf("  -j 2 per picture / 12 MP decode floor: %.2f   (goal: at most 0.60)\n",
                    j2.wall / pictures / floor12);
    if (j1.wall > 0 && j2.wall > 0 && shell.wall > 0)
        std::printf(
            "  shell loop / vxfconv: %.1f x (-j 1), %.1f x (-j 2)   (goal: at least 25 x)\n",
            shell.wall / j1.wall, shell.wall / j2.wall);
    std::system(clean.c_str());
    return 0;
}
