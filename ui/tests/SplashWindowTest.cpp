#include "widgets/tests/WidgetTestSupport.h"

#include "resources/VxfsendRes.h"
#include "ui/SplashWindow.h"

#include <gtest/gtest.h>

namespace {

// A stand-in for the main window: the splash's owner. Without a caption and
// never active, since either makes Wine without a window manager wait 2 s
// when the window goes.
class MainWindow {
public:
    MainWindow()
        : m_hwnd(::CreateWindowExW(0, L"Static", L"main", WS_POPUP | WS_BORDER, 10, 10, 300, 200,
                                   nullptr, nullptr, nullptr, nullptr))
    {
        ::ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
    }
    ~MainWindow()
    {
        if (::IsWindow(m_hwnd))
            ::DestroyWindow(m_hwnd);
    }
    HWND get() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

// The splash: a visible pop-up owned by `owner`, or null.
HWND findSplash(HWND owner)
{
    for (HWND window = ::FindWindowExW(nullptr, nullptr, L"Static", nullptr); window;
         window = ::FindWindowExW(nullptr, window, L"Static", nullptr))
        if (::GetWindow(window, GW_OWNER) == owner && ::IsWindowVisible(window))
            return window;
    return nullptr;
}

TEST(SplashWindow, ShowsThePictureOnceAndGoesByItself)
{
    MainWindow main;
    CSplashWindow::ShowOnce(main.get());
    HWND splash = findSplash(main.get());
    ASSERT_NE(splash, nullptr);

    RECT rect;
    ::GetWindowRect(splash, &rect);
    const SIZE picture = ResourceBitmap(MAKEINTRESOURCEW(IDB_SPLASH)).Size();
    EXPECT_EQ(rect.right - rect.left, picture.cx);
    EXPECT_EQ(rect.bottom - rect.top, picture.cy);
    EXPECT_NEAR((rect.left + rect.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_EQ(clientPixel(splash, picture.cx / 2, picture.cy / 2),
              ResourceBitmap(MAKEINTRESOURCEW(IDB_SPLASH)).Pixel(picture.cx / 2, picture.cy / 2));

    EXPECT_TRUE(pumpUntil([&] { return !::IsWindow(splash); }, 10));

    CSplashWindow::ShowOnce(main.get());
    EXPECT_EQ(findSplash(main.get()), nullptr);
}

TEST(SplashWindow, GoesAtAnyMouseButton)
{
    MainWindow main;
    for (UINT button : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_NCLBUTTONDOWN}) {
        CSplashWindow splash;
        ASSERT_TRUE(splash.Show(main.get()));
        HWND window = splash.GetSafeHwnd();
        ::PostMessageW(window, button, 0, 0);
        pumpMessages();
        EXPECT_FALSE(::IsWindow(window)) << button;
    }
}

TEST(SplashWindow, GoesWithItsOwnerAndLetsTheNextOneShow)
{
    CSplashWindow first;
    {
        MainWindow main;
        ASSERT_TRUE(first.Show(main.get()));
        CSplashWindow second;
        EXPECT_FALSE(second.Show(main.get()));
    }
    EXPECT_EQ(first.GetSafeHwnd(), nullptr);

    MainWindow main;
    CSplashWindow next;
    EXPECT_TRUE(next.Show(main.get()));
}

}  // namespace
