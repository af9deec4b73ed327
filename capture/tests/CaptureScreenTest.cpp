// The capture engine on the virtual display: the foreground window's client
// area and frame, no foreground window, the whole screen against a
// screenshot that ImageMagick takes at the same moment, and a name taken
// between numbering and saving.
#include "capture/tests/CaptureTestSupport.h"

#include "resources/VxfsendRes.h"
#include "win/ResourceString.h"

#include "testsupport/win/MessageBoxWatcher.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace capturetest;

namespace {

constexpr COLORREF kRose = RGB(200, 40, 90);
constexpr COLORREF kTeal = RGB(20, 150, 140);

// A thin frame around a client area of exactly width x height in one
// colour. Neither caption nor activation: Wine would wait for a window
// manager when such a window goes.
class ColouredWindow {
public:
    ColouredWindow(COLORREF colour, int x, int y, int width, int height)
    {
        const std::wstring className = L"VxfCaptureTest" + std::to_wstring(colour);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hbrBackground = ::CreateSolidBrush(colour);
        windowClass.lpszClassName = className.c_str();
        ::RegisterClassW(&windowClass);
        RECT frame = {0, 0, width, height};
        ::AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, 0);
        window = ::CreateWindowExW(0, className.c_str(), L"", WS_POPUP | WS_BORDER, x, y, frame.right - frame.left,
                                   frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
        ::ShowWindow(window, SW_SHOWNOACTIVATE);
        ::UpdateWindow(window);
    }
    ~ColouredWindow() { ::DestroyWindow(window); }
    HWND window = nullptr;
};

bool isColour(const uint8_t* rgb, COLORREF colour)
{
    return rgb[0] == GetRValue(colour) && rgb[1] == GetGValue(colour) && rgb[2] == GetBValue(colour);
}

class CaptureScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(converter.ready());
        settings.PathCapture = folder.path().wstring();
    }
    int capture() { return captureScreen(converter.services(nullptr), nullptr, nullptr, name, settings); }

    TempFolder folder;
    TestConverter converter;
    AppSettings settings;
    std::wstring name;
};

TEST_F(CaptureScreenTest, ClientAreaAndWholeFrameOfTheForegroundWindow)
{
    ColouredWindow window(kRose, 40, 30, 300, 200);
    ::SetForegroundWindow(window.window);
    ASSERT_EQ(::GetForegroundWindow(), window.window);

    settings.CaptureArea = 2;
    ASSERT_EQ(capture(), 1);
    EXPECT_EQ(name, L"cap0001.bmp");
    const Rgb client = pictureRgb((folder / name).wstring());
    ASSERT_EQ(client.width, 300);
    ASSERT_EQ(client.height, 200);
    EXPECT_EQ(bmpHeader((folder / name).wstring()).bitsPerPixel, 24);
    for (const auto& [x, y] : {std::pair{0, 0}, {299, 0}, {150, 100}, {0, 199}, {299, 199}})
        EXPECT_TRUE(isColour(client.at(x, y), kRose)) << x << "," << y;

    settings.CaptureArea = 1;
    ASSERT_EQ(capture(), 2);
    const BmpHeader whole = bmpHeader((folder / name).wstring());
    EXPECT_EQ(whole.width, 302);  // with its one-pixel frame
    EXPECT_EQ(whole.height, 202);
}

TEST_F(CaptureScreenTest, WithoutAForegroundWindowNothingIsCaptured)
{
    {
        ColouredWindow window(kRose, 40, 30, 300, 200);
        ::SetForegroundWindow(window.window);
    }
    ASSERT_EQ(::GetForegroundWindow(), nullptr);
    settings.CaptureArea = 2;
    MessageBoxWatcher boxes(IDOK);
    EXPECT_EQ(capture(), -1);
    const std::vector<SeenBox> seen = boxes.stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, loadResourceString(IDS_MSG_CAPTURE_FAILED) + L"\n[0]");
    EXPECT_EQ(fileNames(folder.path().wstring()), std::vector<std::wstring>{});
}

TEST_F(CaptureScreenTest, WholeScreenMatchesAScreenshotOfTheSameMoment)
{
    // Something on the screen that a shift or a swap of colours would spoil.
    ColouredWindow rose(kRose, 40, 30, 300, 200);
    ColouredWindow teal(kTeal, 700, 500, 420, 260);
    pumpUntil([] { return true; });
    const Rgb before = screenshotRgb();
    ASSERT_EQ(capture(), 1);
    const Rgb after = screenshotRgb();
    const Rgb captured = pictureRgb((folder / name).wstring());
    ASSERT_EQ(captured.width, before.width);
    ASSERT_EQ(captured.height, before.height);
    ASSERT_EQ(after.bytes.size(), before.bytes.size());

    // Over the pixels that stayed the same while the capture ran.
    double squares = 0;
    size_t steady = 0;
    for (size_t i = 0; i < before.bytes.size(); i += 3) {
        if (!std::equal(&before.bytes[i], &before.bytes[i] + 3, &after.bytes[i]))
            continue;
        ++steady;
        for (size_t c = i; c < i + 3; ++c)
            squares += std::pow(double(captured.bytes[c]) - double(before.bytes[c]), 2);
    }
    ASSERT_GT(steady, before.bytes.size() / 3 / 2);
    const double meanSquare = squares / double(steady * 3);
    EXPECT_TRUE(meanSquare == 0 || 10 * std::log10(255.0 * 255.0 / meanSquare) >= 40.0) << meanSquare;
}

TEST_F(CaptureScreenTest, ANameTakenAfterTheNumberingIsNeverOverwritten)
{
    // The target path goes to the hint line right after the numbering;
    // another program creates that very file meanwhile.
    settings.DebugMode = kDebugCapturePath;
    std::vector<std::pair<int, std::wstring>> lines;
    converter.onProgressLine = [&](int number, const std::wstring& text) {
        lines.emplace_back(number, text);
        writeFileText((folder / L"cap0001.bmp").wstring(), "theirs");
    };
    EXPECT_EQ(capture(), 2);
    EXPECT_EQ(name, L"cap0002.bmp");
    EXPECT_EQ(lines, (std::vector<std::pair<int, std::wstring>>{{1, (folder / L"cap0001.bmp").wstring()}}));
    EXPECT_EQ(readFileText((folder / L"cap0001.bmp").wstring()), "theirs");
    EXPECT_EQ(bmpHeader((folder / L"cap0002.bmp").wstring()).width, ::GetSystemMetrics(SM_CXSCREEN));
}

}  // namespace
