// Dialogs from templates without an application framework: the object keeps
// its HWND, one static procedure finds the object and forwards messages to
// small virtual handlers. Modal and modeless dialogs differ only in how they
// are started and ended.
#pragma once
#include <windows.h>

class CDialog {
public:
    explicit CDialog(UINT templateId) : m_templateId(templateId) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns the value given to EndDialog, or -1
    // when the dialog could not be created.
    INT_PTR DoModal(HWND parent = nullptr);
    // Creates the dialog modeless; the caller's message loop drives it.
    bool Create(HWND parent = nullptr);
    // Modal: ends the modal loop with `result`. Modeless: destroys the window.
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool IsModal() const { return m_modal; }

    // The module whose resources dialogs and strings come from.
    static HINSTANCE ResourceInstance() { return ::GetModuleHandleW(nullptr); }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND; return true when handled. IDOK and IDCANCEL reach OnOK and
    // OnCancel unless this returns true for them.
    virtual bool OnCommand(WORD id, WORD notifyCode, HWND control);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnDestroy() {}
    // Sees every message first; return true when handled, with the dialog
    // procedure's result in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    bool m_modal = false;
};
