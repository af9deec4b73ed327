#include "win/FileOpenDialog.h"

#include <commdlg.h>

#include <algorithm>

namespace {
// The system's dialog keeps its own data in the window's user slot on some
// versions, so the object is found through a property of its own.
const wchar_t kObjectProperty[] = L"CFileOpenDialog";
}  // namespace

CFileOpenDialog::CFileOpenDialog(UINT templateId, const std::wstring& filter)
    : m_templateId(templateId), m_filter(filter)
{
    std::replace(m_filter.begin(), m_filter.end(), L'|', L'\0');
    m_filter.push_back(L'\0');
}

INT_PTR CFileOpenDialog::DoModal(HWND owner)
{
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = ResourceInstance();
    ofn.lpstrFilter = m_filter.c_str();
    ofn.nFilterIndex = 1;
    m_fileName[0] = L'\0';
    ofn.lpstrFile = m_fileName;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = m_initialFolder.empty() ? nullptr : m_initialFolder.c_str();
    // No OFN_EXPLORER: the template replaces the whole old-style dialog.
    ofn.Flags = OFN_ENABLETEMPLATE | OFN_HIDEREADONLY | OFN_NONETWORKBUTTON | OFN_ENABLEHOOK;
    ofn.lCustData = reinterpret_cast<LPARAM>(this);
    ofn.lpfnHook = HookProc;
    ofn.lpTemplateName = MAKEINTRESOURCEW(m_templateId);
    if (::GetOpenFileNameW(&ofn))
        return IDOK;
    return ::CommDlgExtendedError() == 0 ? IDCANCEL : -1;
}

void CFileOpenDialog::EndDialog()
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, FALSE);
}

bool CFileOpenDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

UINT_PTR CALLBACK CFileOpenDialog::HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CFileOpenDialog* self;
    if (message == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        self = reinterpret_cast<CFileOpenDialog*>(ofn->lCustData);
        self->m_hWnd = hwnd;
        ::SetPropW(hwnd, kObjectProperty, self);
    } else {
        self = static_cast<CFileOpenDialog*>(::GetPropW(hwnd, kObjectProperty));
    }
    if (!self)
        return FALSE;

    INT_PTR result = FALSE;
    // Nothing may unwind through the system's dialog.
    try {
        if (message == WM_INITDIALOG)
            result = self->OnInitDialog();
        else if (!self->OnMessage(message, wParam, lParam, result))
            result = FALSE;
        if (message == WM_NCDESTROY)
            self->OnNcDestroy();
    } catch (...) {
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::RemovePropW(hwnd, kObjectProperty);
        self->m_hWnd = nullptr;
    }
    return static_cast<UINT_PTR>(result);
}
