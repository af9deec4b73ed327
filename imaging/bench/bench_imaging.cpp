// Speed of the imaging component on camera-sized inputs: a 24-megapixel JPEG
// to 1600 x 1200 and to 640 x 480 (scaled decode + resampling), a 12-megapixel
// JPEG and a 4000 x 3000 24-bit BMP to 1600 x 1200, each with the DIB view
// the converter takes. The inputs are made at run time with ImageMagick and
// kept in the build tree. Prints milliseconds (first run in the process, then
// the best of the following runs, which reuse the component's buffers), and
// for reference the whole-process time of vipsthumbnail and ImageMagick.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "imaging/ImagingApi.h"
#include "imaging/Picture.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

bool exists(const std::string& p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0 && st.st_size > 0;
}

bool make(const std::string& path, const std::string& command)
{
    if (exists(path))
        return true;
    std::printf("making %s ...\n", path.c_str());
    std::fflush(stdout);
    return std::system(command.c_str()) == 0 && exists(path);
}

double timeCommand(const std::string& command)
{
    const auto t = Clock::now();
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        return -1;
    return msSince(t);
}

struct Result {
    double first = 0;
    double best = 1e9;
};

Result convert(vximg::PictureCore& p, const std::string& path, int w, int h, int runs)
{
    Result r;
    for (int i = 0; i < runs; ++i) {
        const auto t = Clock::now();
        int rc = p.load(path.c_str());
        if (rc == vximg::kOk)
            rc = p.resize(float(w), float(h), vximg::kResizeResample);
        if (rc == vximg::kOk) {
            // the view the converter should take: no fresh full-size block
            const void* view = nullptr;
            size_t size = 0;
            rc = p.dibView(&view, &size);
            if (rc == vximg::kOk && size != p.dibSize())
                rc = vximg::kErrCorrupt;
        }
        const double ms = msSince(t);
        if (rc != vximg::kOk) {
            std::printf("  error %d on %s\n", rc, path.c_str());
            return r;
        }
        if (i == 0)
            r.first = ms;
        else
            r.best = std::min(r.best, ms);
    }
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--once") {
        // one conversion in a fresh process: what the program pays per picture at most
        vximg::PictureCore p;
        return convert(p, argv[2], std::atoi(argv[3]), std::atoi(argv[4]), 1).first > 0 ? 0 : 1;
    }
    const std::string self = argv[0];
    const std::string dir = argc > 1 ? argv[1] : "bench_data";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 6;
    const std::string im = "/usr/bin/convert-im6.q16";
    std::system(("mkdir -p " + dir).c_str());
    // Photo-like content: smooth fractal plus sensor-like noise, camera quality.
    const std::string jpg24 = dir + "/p24mp.jpg", jpg12 = dir + "/p12mp.jpg",
                      bmp12 = dir + "/p12mp.bmp";
    const bool ok = make(jpg24, im +
                                    " -size 1500x1000 -seed 7 plasma:fractal -resize 6000x4000! "
                                    "-attenuate 0.6 +noise Gaussian "
                                    "-sampling-factor 2x1 -quality 92 " +
                                    jpg24) &&
                    make(jpg12, im + " " + jpg24 + " -resize 4000x3000! -quality 92 " + jpg12) &&
                    make(bmp12, im + " " + jpg12 + " -type TrueColor BMP3:" + bmp12);
    if (!ok) {
        std::printf("could not make the inputs (ImageMagick missing?)\n");
        return 1;
    }
    vximg::PictureCore p;
    struct Case {
        const char* name;
        std::string path;
        int w, h;
    } cases[] = {{"24 MP JPEG -> 1600x1200", jpg24, 1600, 1200},
                 {"24 MP JPEG -> 640x480  ", jpg24, 640, 480},
                 {"12 MP JPEG -> 1600x1200", jpg12, 1600, 1200},
                 {"12 MP BMP  -> 1600x1200", bmp12, 1600, 1200}};
    std::printf("component, in process (load + resize + DIB view), ms: first / best of %d\n",
                runs - 1);
    for (const Case& c : cases) {
        const Result r = convert(p, c.path, c.w, c.h, runs);
        std::printf("  %s  %7.1f / %7.1f\n", c.name, r.first, r.best);
    }
    std::printf("whole processes (best of 3), ms:\n");
    for (const Case& c : cases) {
        double best = 1e9;
        for (int i = 0; i < 3; ++i)
            best = std::min(best, timeCommand(self + " --once " + c.path + " " +
                                              std::to_string(c.w) + " " + std::to_string(c.h)));
        std::printf("  component %s  %7.1f\n", c.name, best);
    }
    std::printf("for reference, whole processes, ms:\n");
    std::printf("  vipsthumbnail 24 MP -> 1600x1200       %7.1f\n",
                timeCommand("vipsthumbnail " + jpg24 + " -s 1600x1200 -o " + dir + "/vt.jpg"));
    std::printf("  ImageMagick 24 MP -resize 1600x1200    %7.1f\n",
                timeCommand(im + " " + jpg24 + " -resize 1600x1200 " + dir + "/im.bmp"));
    std::printf("  ImageMagick 24 MP jpeg:size=1600x1200  %7.1f\n",
                timeCommand(im + " -define jpeg:size=1600x1200 " + jpg24 + " -resize 1600x1200 " +
                            dir + "/im2.bmp"));
    std::printf("  djpeg -scale 3/8 24 MP (decode only)   %7.1f\n",
                timeCommand("djpeg -scale 3/8 -outfile /dev/null " + jpg24));
    return 0;
}
