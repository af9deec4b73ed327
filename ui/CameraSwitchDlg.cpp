#include "ui/CameraSwitchDlg.h"

#include "engine/CameraModels.h"
#include "resources/VxfsendRes.h"
#include "win/ResourceString.h"

#include <algorithm>
#include <cwchar>

CCameraSwitchDlg::CCameraSwitchDlg() : CDialog(IDD_CAMERA_SWITCH) {}

BOOL CCameraSwitchDlg::OnInitDialog()
{
    const HWND list = GetDlgItem(IDC_CAMERA_LIST);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    // The string table names the models; never more than the table knows.
    const int named =
        static_cast<int>(std::wcstol(loadResourceString(IDS_CAMERA_COUNT).c_str(), nullptr, 10));
    const int count = std::clamp(named, 0, kCameraModelCount);
    for (int i = 0; i < count; ++i) {
        const std::wstring name = loadResourceString(IDS_CAMERA_COUNT + 1 + static_cast<UINT>(i));
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(m_index), 0);

    if (m_buttonRect.right > m_buttonRect.left) {
        RECT own = {};
        ::GetWindowRect(m_hWnd, &own);
        RECT work = {};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const LONG width = own.right - own.left;
        const LONG height = own.bottom - own.top;
        const LONG left =
            std::clamp(m_buttonRect.left, work.left, std::max(work.left, work.right - width));
        const LONG top =
            std::clamp(m_buttonRect.bottom, work.top, std::max(work.top, work.bottom - height));
        ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}

void CCameraSwitchDlg::OnOK()
{
    const LRESULT selected = ::SendDlgItemMessageW(m_hWnd, IDC_CAMERA_LIST, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || cameraModelByIndex(static_cast<int>(selected)) == nullptr) {
        EndDialog(IDCANCEL);
        return;
    }
    m_index = static_cast<int>(selected);
    EndDialog(IDOK);
}
