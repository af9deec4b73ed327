#include "win/SubclassedWindow.h"

#include <commctrl.h>

bool CSubclassedWindow::Attach(HWND hwnd)
{
    Detach();
    if (!hwnd ||
        !::SetWindowSubclass(hwnd, SubclassProc, SubclassId(), reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hWnd = hwnd;
    return true;
}

void CSubclassedWindow::Detach()
{
    if (m_hWnd) {
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, SubclassId());
        m_hWnd = nullptr;
    }
}

LRESULT CSubclassedWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT CSubclassedWindow::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedWindow::SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR, DWORD_PTR refData)
{
    auto* self = reinterpret_cast<CSubclassedWindow*>(refData);
    if (message == WM_NCDESTROY) {
        // The window goes away: unhook before it does, then let it finish.
        ::RemoveWindowSubclass(hwnd, SubclassProc, self->SubclassId());
        self->m_hWnd = nullptr;
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
    try {
        return self->WindowProc(message, wParam, lParam);
    } catch (...) {
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
}
