// The capture key pressed for real: xdotool gives a Wine window the X input
// focus and types on the virtual display, so the key travels the way a
// person's press does, through the system's hot-key handling.
#include "capture/tests/CaptureTestSupport.h"

#include "resources/VxfsendRes.h"

#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

using namespace capturetest;

namespace {

TEST(CaptureKey, WithCtrlCheckedF5AloneDoesNotCaptureAndCtrlF5Does)
{
    if (runShell("command -v xdotool").status != 0)
        GTEST_SKIP() << "xdotool is not installed";
    TempFolder folder;
    TestConverter converter;
    ASSERT_TRUE(converter.ready());
    CaptureHostDialog host(converter);
    ::ShowWindow(host.GetSafeHwnd(), SW_SHOW);
    host.settings.PathCapture = folder.path().wstring();
    host.settings.Hotkey = VK_F5;
    host.settings.HotkeyModifiers = 0;
    host.click(IDC_KEY_CTRL);
    host.click(IDC_CAPTURE_START);
    ASSERT_TRUE(host.mode.Running());

    // Wine keeps the X window of each of its top-level windows in this property.
    const auto xWindow =
        reinterpret_cast<ULONG_PTR>(::GetPropW(host.GetSafeHwnd(), L"__wine_x11_whole_window"));
    ASSERT_NE(xWindow, 0u);
    const ShellRun f5 = runShell("xdotool windowfocus --sync " + std::to_string(xWindow) + " key F5");
    ASSERT_EQ(f5.status, 0) << f5.output;
    // Once F5 has come back up, a hot key of F5 alone would have been handled.
    bool released = false;
    ASSERT_TRUE(pumpUntil([&] { return released; }, 15000, [&](const MSG& message) {
        released = released || (message.message == WM_KEYUP && message.wParam == VK_F5);
    }));
    EXPECT_TRUE(host.results.empty());

    const ShellRun ctrlF5 = runShell("xdotool key ctrl+F5");
    ASSERT_EQ(ctrlF5.status, 0) << ctrlF5.output;
    ASSERT_TRUE(pumpUntil([&] { return !host.results.empty(); }));
    EXPECT_EQ(host.results, std::vector<int>{1});
    EXPECT_EQ(host.added, std::vector<std::wstring>{L"cap0001.bmp"});
    EXPECT_EQ(fileNames(folder.path().wstring()), std::vector<std::wstring>{L"cap0001.bmp"});
}

}  // namespace
