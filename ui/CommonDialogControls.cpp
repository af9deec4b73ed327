#include "ui/CommonDialogControls.h"

#include "app/PrivateMessages.h"

namespace {

void postToParent(HWND control, UINT message, WPARAM wParam = 0)
{
    ::PostMessageW(::GetParent(control), message, wParam, 0);
}

void postHint(HWND control)
{
    postToParent(control, UM_SHOW_HINT, static_cast<WPARAM>(::GetDlgCtrlID(control)));
}

bool isRightButton(UINT message)
{
    return message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_RBUTTONDBLCLK;
}

}  // namespace

LRESULT CCommonFileListWatch::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case LB_RESETCONTENT: m_emptied = true; break;
    case WM_SETREDRAW:
        if (wParam != 0 && m_emptied)
            Refilled();
        break;
    case LB_DIR: {
        const LRESULT result = Default(message, wParam, lParam);
        if (m_emptied)
            Refilled();
        return result;
    }
    case WM_MOUSEMOVE: postHint(m_hWnd); break;
    default: break;
    }
    return Default(message, wParam, lParam);
}

void CCommonFileListWatch::Refilled()
{
    m_emptied = false;
    postToParent(m_hWnd, UM_FILE_LIST_REFRESH);
}

LRESULT CFolderListWatch::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_RESETCONTENT)
        postToParent(m_hWnd, UM_FOLDER_LIST_RESET);
    else if (message == WM_MOUSEMOVE)
        postHint(m_hWnd);
    else if (isRightButton(message))
        return 0;
    return Default(message, wParam, lParam);
}

LRESULT CDriveComboLock::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_LOCK_DRIVE_COMBO) {
        m_locked = wParam == 0;
        return 0;
    }
    // The combo-box messages of the oldest Windows that has this dialog.
    if (m_locked && message >= CB_GETEDITSEL && message <= 0x15A)
        return 0;
    if (message == WM_MOUSEMOVE)
        postHint(m_hWnd);
    else if (isRightButton(message))
        return 0;
    return Default(message, wParam, lParam);
}

LRESULT CCurrentFolderText::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCHITTEST) {
        postHint(m_hWnd);
        return HTNOWHERE;
    }
    return Default(message, wParam, lParam);
}
