// The old-style (non-Explorer) file-open common dialog with a template of
// our own and our hook, as a base class: the system's dialog keeps its
// drive, folder and file controls working, the derived class adds the rest.
// One static hook finds the object and forwards every message; exceptions
// stop there, and the back-pointer goes with the window.
#pragma once
#include <windows.h>

#include <string>

class CFileOpenDialog {
public:
    // `filter`: descriptions and patterns, each followed by "|", as the
    // framework's dialogs take them ("All Files (*.*)|*.*||").
    CFileOpenDialog(UINT templateId, const std::wstring& filter);
    virtual ~CFileOpenDialog() = default;
    CFileOpenDialog(const CFileOpenDialog&) = delete;
    CFileOpenDialog& operator=(const CFileOpenDialog&) = delete;

    // The folder the dialog lists first.
    void SetInitialFolder(const std::wstring& folder) { m_initialFolder = folder; }
    // Runs the dialog modally: IDOK when the system's dialog accepted a
    // file, IDCANCEL when it was closed, -1 when it could not be shown.
    INT_PTR DoModal(HWND owner = nullptr);
    // Ends the modal run with IDCANCEL.
    void EndDialog();

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    // The module whose resources the template comes from.
    static HINSTANCE ResourceInstance() { return ::GetModuleHandleW(nullptr); }

protected:
    // After the system's dialog has set up its own controls.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Sees every message before the system's dialog; return true when
    // handled, with the hook's result in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // Last message of the window.
    virtual void OnNcDestroy() {}

    HWND m_hWnd = nullptr;

private:
    static UINT_PTR CALLBACK HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    std::wstring m_filter;  // with NULs in place of the bars
    std::wstring m_initialFolder;
    wchar_t m_fileName[MAX_PATH] = {};
};
