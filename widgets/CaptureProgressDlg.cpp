#include "widgets/CaptureProgressDlg.h"

#include "app/PrivateMessages.h"
#include "resources/VxfsendRes.h"

#include <commctrl.h>

#include <string>

CCaptureProgressDlg::CCaptureProgressDlg() : CDialog(IDD_CAPTURE_PROGRESS) {}

bool CCaptureProgressDlg::Create(HWND parent)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    return CDialog::Create(parent);
}

BOOL CCaptureProgressDlg::OnInitDialog()
{
    m_bar = GetDlgItem(IDC_CAPTURE_PROGRESS_BAR);
    ::SendMessageW(m_bar, PBM_SETRANGE32, 0, 100);
    // Keeps the focus where it is: the window only reports.
    return FALSE;
}

bool CCaptureProgressDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == UM_PROGRESS_SET) {
        SetProgress(static_cast<int>(wParam), lParam != 0);
    } else if (message == UM_PROGRESS_HIDE) {
        Hide();
    } else {
        return false;
    }
    result = TRUE;
    return true;
}

void CCaptureProgressDlg::SetProgress(int percent, bool show)
{
    if (percent == 0)
        m_armed = true;
    if (!m_armed)
        return;
    if (show && !m_shown) {
        RECT window, desktop;
        ::GetWindowRect(m_hWnd, &window);
        ::GetWindowRect(::GetDesktopWindow(), &desktop);
        const int x =
            desktop.left + (desktop.right - desktop.left - (window.right - window.left)) / 2;
        const int y =
            desktop.top + (desktop.bottom - desktop.top - (window.bottom - window.top)) / 2;
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0,
                       SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        m_shown = true;
    }
    const int shownPercent = percent > 98 ? 100 : percent;
    ::SendMessageW(m_bar, PBM_SETPOS, static_cast<WPARAM>(shownPercent), 0);
    ::SetDlgItemTextW(m_hWnd, IDC_CAPTURE_PERCENT, (std::to_wstring(shownPercent) + L" %").c_str());
    // The capture keeps the thread busy between messages.
    ::UpdateWindow(m_hWnd);
    if (percent > 99 || !show)
        Hide();
}

void CCaptureProgressDlg::Hide()
{
    m_armed = false;
    ::ShowWindow(m_hWnd, SW_HIDE);
    ::SendMessageW(m_bar, PBM_SETPOS, 0, 0);
    m_shown = false;
}
