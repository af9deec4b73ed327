// Control classes by subclassing: an object attached to an existing window
// (usually a dialog control) sees its messages before the window's own
// procedure does. Uses the common controls' subclass chain with `this` as
// reference data, so several subclasses of one window do not disturb each other.
#pragma once
#include <windows.h>

class CSubclassedWindow {
public:
    CSubclassedWindow() = default;
    virtual ~CSubclassedWindow() { Detach(); }
    CSubclassedWindow(const CSubclassedWindow&) = delete;
    CSubclassedWindow& operator=(const CSubclassedWindow&) = delete;

    bool Attach(HWND hwnd);
    bool AttachDlgItem(HWND dialog, int id) { return Attach(::GetDlgItem(dialog, id)); }
    void Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    // Override to handle messages; pass the rest to Default.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    // The same procedure and id would replace an earlier subclass of the
    // window, so every object subclasses under its own id.
    UINT_PTR SubclassId() const { return reinterpret_cast<UINT_PTR>(this); }
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);
};
