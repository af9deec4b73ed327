#include "app/PrivateMessages.h"
#include "resources/VxfsendRes.h"
#include "widgets/CaptureProgressDlg.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CaptureProgress, ShowsOnlyWhileArmedAndHidesAtTheEnd)
{
    CCaptureProgressDlg progress;
    ASSERT_TRUE(progress.Create(nullptr));
    HWND window = progress.GetSafeHwnd();
    struct Step {
        UINT message;
        int percent;
        bool show;
        bool visible;
        int bar;
        const wchar_t* text;
    };
    const Step steps[] = {
        {UM_PROGRESS_SET, 50, true, false, 0, L"100 %"},  // not armed yet
        {UM_PROGRESS_SET, 0, true, true, 0, L"0 %"},
        {UM_PROGRESS_SET, 40, true, true, 40, L"40 %"},
        {UM_PROGRESS_SET, 99, true, true, 100, L"100 %"},
        {UM_PROGRESS_SET, 100, true, false, 0, L"100 %"},  // the end disarms
        {UM_PROGRESS_SET, 30, true, false, 0, L"100 %"},
        {UM_PROGRESS_SET, 0, true, true, 0, L"0 %"},
        {UM_PROGRESS_SET, 30, false, false, 0, L"30 %"},
        {UM_PROGRESS_SET, 60, true, false, 0, L"30 %"},
        {UM_PROGRESS_SET, 0, true, true, 0, L"0 %"},
        {UM_PROGRESS_SET, 20, true, true, 20, L"20 %"},
        {UM_PROGRESS_HIDE, 0, false, false, 0, L"20 %"},
        {UM_PROGRESS_SET, 60, true, false, 0, L"20 %"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.percent << (step.show ? " shown" : " hidden"));
        ::SendMessageW(window, step.message, static_cast<WPARAM>(step.percent), step.show ? 1 : 0);
        EXPECT_EQ(::IsWindowVisible(window) != FALSE, step.visible);
        EXPECT_EQ(::SendDlgItemMessageW(window, IDC_CAPTURE_PROGRESS_BAR, PBM_GETPOS, 0, 0), step.bar);
        wchar_t text[32] = {};
        ::GetDlgItemTextW(window, IDC_CAPTURE_PERCENT, text, 32);
        EXPECT_EQ(std::wstring(text), step.text);
    }

    ::SendMessageW(window, UM_PROGRESS_SET, 0, 1);
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT rect;
    ::GetWindowRect(window, &rect);
    EXPECT_NEAR((rect.left + rect.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((rect.top + rect.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

} // namespace
