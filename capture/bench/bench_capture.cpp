// Capture of the whole screen from the key message to the closed file:
// capture mode on a window of the bench's own, UM_CAPTURE_KEY posted 20
// times, each capture timed from the post to the return of captureScreen.
// Prints every time, the median and the maximum.
#include "capture/tests/CaptureTestSupport.h"

#include "resources/VxfsendRes.h"

#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace capturetest;

int main()
{
    constexpr int kPresses = 20;
    TempFolder folder;
    TestConverter converter;
    ProgressRecorder progress;
    if (!converter.ready()) {
        std::fprintf(stderr, "bench_capture: VxImaging.dll cannot be loaded\n");
        return 1;
    }
    CaptureHostDialog host(converter, progress.GetSafeHwnd());
    host.settings.PathCapture = folder.path().wstring();
    host.settings.Hotkey = VK_F9;
    host.settings.HotkeyModifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
    host.click(IDC_CAPTURE_START);
    if (!host.mode.Running()) {
        std::fprintf(stderr, "bench_capture: capture mode did not start\n");
        return 1;
    }

    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> milliseconds;
    for (int i = 0; i < kPresses; ++i) {
        LARGE_INTEGER posted;
        ::QueryPerformanceCounter(&posted);
        host.postCaptureKey(host.mode.HotKeyId());
        if (!pumpUntil([&] { return host.results.size() > size_t(i); }) ||
            host.results.back() != i + 1) {
            std::fprintf(stderr, "bench_capture: capture %d failed\n", i + 1);
            return 1;
        }
        milliseconds.push_back(double(host.lastCaptureEnd.QuadPart - posted.QuadPart) * 1000.0 /
                               double(frequency.QuadPart));
    }
    host.click(IDC_CAPTURE_END);

    std::printf("capture of the %d x %d screen, %d bits, key message to closed file (ms):",
                ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                bmpHeader((folder / L"cap0001.bmp").wstring()).bitsPerPixel);
    for (double m : milliseconds)
        std::printf(" %.1f", m);
    std::vector<double> sorted = milliseconds;
    std::sort(sorted.begin(), sorted.end());
    std::printf("\nmedian %.1f ms, maximum %.1f ms over %d captures\n",
                (sorted[kPresses / 2 - 1] + sorted[kPresses / 2]) / 2, sorted.back(), kPresses);
    return 0;
}
