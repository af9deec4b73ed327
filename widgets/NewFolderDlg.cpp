#include "widgets/NewFolderDlg.h"

#include "app/win/Environment.h"
#include "resources/VxfsendRes.h"
#include "widgets/CriticalErrorBoxesOff.h"
#include "widgets/FolderName.h"
#include "widgets/ReadOnlyEdit.h"

namespace {

// Longest name component of the parent's drive; a drive that does not
// answer counts as allowing 255.
unsigned long maxComponentLength(const std::wstring& parent)
{
    const std::wstring root = parent.substr(0, 3);
    DWORD length = 0;
    CriticalErrorBoxesOff quiet;
    if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, &length, nullptr, nullptr, 0))
        return 255;
    return length;
}

std::wstring windowText(HWND window)
{
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

// 0 when `path` is a folder now, else the system's error number.
DWORD createFolder(const std::wstring& path)
{
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
    if (::CreateDirectoryW(path.c_str(), &security))
        return 0;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return 0;
    }
    return error;
}

}  // namespace

CNewFolderDlg::CNewFolderDlg() : CDialog(IDD_NEW_FOLDER) {}

BOOL CNewFolderDlg::OnInitDialog()
{
    m_path.clear();
    if (m_parent.empty() || m_parent.back() != L'\\')
        m_parent += L'\\';
    ::SetDlgItemTextW(m_hWnd, IDC_NEW_FOLDER_PARENT, m_parent.c_str());
    ::EnableWindow(GetDlgItem(IDOK), FALSE);

    HWND name = GetDlgItem(IDC_NEW_FOLDER_NAME);
    ::SetWindowTextW(name, L"");
    const int limit = folderNameLimit(maxComponentLength(m_parent), m_parent.size());
    if (limit < 1)
        ::EnableWindow(name, FALSE);
    else
        ::SendMessageW(name, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    ::SetFocus(name);
    return FALSE;
}

bool CNewFolderDlg::OnCommand(WORD id, WORD notifyCode, HWND)
{
    if (id != IDC_NEW_FOLDER_NAME || notifyCode != EN_CHANGE)
        return false;
    ::EnableWindow(GetDlgItem(IDOK), ::GetWindowTextLengthW(GetDlgItem(IDC_NEW_FOLDER_NAME)) > 0);
    return true;
}

void CNewFolderDlg::OnOK()
{
    HWND nameEdit = GetDlgItem(IDC_NEW_FOLDER_NAME);
    const std::wstring name = windowText(nameEdit);
    if (name.empty())
        return;
    if (!isValidFolderName(name)) {
        showMessage(m_hWnd, nullptr, IDS_MSG_FOLDER_NAME_INVALID, nullptr,
                    MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(nameEdit);
        ::SendMessageW(nameEdit, EM_SETSEL, 0, -1);
        return;
    }
    if (showMessage(m_hWnd, name.c_str(), IDS_MSG_CREATE_FOLDER, nullptr,
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    const std::wstring path = m_parent + name;
    const DWORD error = createFolder(path);
    if (error == 0) {
        ::SetCurrentDirectoryW(path.c_str());
        m_path = path;
    } else {
        m_path.clear();
        showMessage(m_hWnd, nullptr, IDS_MSG_FOLDER_CREATE_FAILED, nullptr,
                    MB_OK | MB_ICONEXCLAMATION, true, static_cast<int>(error));
    }
    EndDialog(IDOK);
}

bool CNewFolderDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message != WM_CTLCOLORSTATIC ||
        reinterpret_cast<HWND>(lParam) != GetDlgItem(IDC_NEW_FOLDER_PARENT))
        return false;
    result = readOnlyEditColours(reinterpret_cast<HDC>(wParam));
    return true;
}
