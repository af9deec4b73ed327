#include "WidgetTestSupport.h"

#include "app/PrivateMessages.h"
#include "resources/VxfsendRes.h"
#include "widgets/CaptureProgressDlg.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

class CaptureProgress : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_progress.Create(nullptr));
        m_window = m_progress.GetSafeHwnd();
    }
    void set(int percent, bool show)
    {
        ::SendMessageW(m_window, UM_PROGRESS_SET, static_cast<WPARAM>(percent), show ? 1 : 0);
    }
    bool visible() const { return ::IsWindowVisible(m_window) != FALSE; }
    int bar() const
    {
        return static_cast<int>(::SendDlgItemMessageW(m_window, IDC_CAPTURE_PROGRESS_BAR, PBM_GETPOS, 0, 0));
    }
    std::wstring percentText() const
    {
        wchar_t text[32] = {};
        ::GetDlgItemTextW(m_window, IDC_CAPTURE_PERCENT, text, 32);
        return text;
    }

    CCaptureProgressDlg m_progress;
    HWND m_window = nullptr;
};

TEST_F(CaptureProgress, ShowsOnlyWhileArmedAndHidesAtTheEnd)
{
    set(50, true);
    EXPECT_FALSE(visible());

    set(0, true);
    ASSERT_TRUE(visible());
    EXPECT_TRUE(::GetWindowLongW(m_window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT window;
    ::GetWindowRect(m_window, &window);
    EXPECT_NEAR((window.left + window.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    set(40, true);
    EXPECT_EQ(bar(), 40);
    EXPECT_EQ(percentText(), L"40 %");
    set(99, true);
    EXPECT_TRUE(visible());
    EXPECT_EQ(bar(), 100);
    EXPECT_EQ(percentText(), L"100 %");
    set(100, true);
    EXPECT_FALSE(visible());
    EXPECT_EQ(bar(), 0);

    // Disarmed by the end: later reports show nothing until the next start.
    set(30, true);
    EXPECT_FALSE(visible());
}

TEST_F(CaptureProgress, ShowZeroAndTheHideMessageEndIt)
{
    set(0, true);
    set(30, false);
    EXPECT_FALSE(visible());
    set(60, true);
    EXPECT_FALSE(visible());

    set(0, true);
    set(20, true);
    ::SendMessageW(m_window, UM_PROGRESS_HIDE, 0, 0);
    EXPECT_FALSE(visible());
    EXPECT_EQ(bar(), 0);
    set(60, true);
    EXPECT_FALSE(visible());
}

} // namespace
