#include "widgets/tests/WidgetTestSupport.h"

#include "resources/VxfsendRes.h"
#include "ui/AboutDlg.h"

#include <gtest/gtest.h>

namespace {

RECT rectIn(HWND parent, HWND child)
{
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(AboutDlg, ShowsTheSplashPictureAtItsOwnSizeCentredOnTheScreen)
{
    CAboutDlg about;
    ASSERT_TRUE(about.Create(nullptr));
    HWND window = about.GetSafeHwnd();
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    HWND picture = about.GetDlgItem(IDC_ABOUT_PICTURE);

    const ResourceBitmap splash(MAKEINTRESOURCEW(IDB_SPLASH));
    const RECT place = rectIn(window, picture);
    EXPECT_EQ(place.right - place.left, splash.Size().cx);
    EXPECT_EQ(place.bottom - place.top, splash.Size().cy);
    EXPECT_EQ(clientPixel(picture, 100, 50), splash.Pixel(100, 50));

    // The dialog fits around it: the button below it, nothing cut off.
    RECT client;
    ::GetClientRect(window, &client);
    const RECT ok = rectIn(window, about.GetDlgItem(IDOK));
    EXPECT_GE(ok.top, place.bottom);
    EXPECT_LE(ok.right, client.right);
    EXPECT_LE(ok.bottom, client.bottom);
    EXPECT_LT(place.right, client.right);

    RECT frame;
    ::GetWindowRect(window, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    // Dark blue on cream, for the dialog and its texts.
    EXPECT_EQ(clientPixel(window, client.right - 2, client.bottom - 2), RGB(255, 251, 240));
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 160));
    ::DeleteDC(dc);
}

}  // namespace
