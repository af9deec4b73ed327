#include "widgets/HintControl.h"

#include "app/PrivateMessages.h"

LRESULT CHintControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Swallows(message))
        return 0;
    if (m_hover == Hover::HitTest && message == WM_NCHITTEST) {
        PostHint();
        return HTCLIENT;
    }
    if (m_hover == Hover::MouseMove && message == WM_MOUSEMOVE)
        PostHint();
    return Default(message, wParam, lParam);
}

void CHintControl::PostHint() const
{
    ::PostMessageW(::GetParent(m_hWnd), UM_SHOW_HINT, static_cast<WPARAM>(::GetDlgCtrlID(m_hWnd)),
                   0);
}

bool CHintControl::Swallows(UINT message) const
{
    switch (message) {
    case WM_RBUTTONUP: return (m_swallowed & RightUp) != 0;
    case WM_RBUTTONDOWN: return (m_swallowed & RightDown) != 0;
    case WM_RBUTTONDBLCLK: return (m_swallowed & RightDoubleClick) != 0;
    default: return false;
    }
}
