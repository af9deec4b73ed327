// The folder dialogs' read-only path edits look read-only: window text on
// the button face. Answers their WM_CTLCOLORSTATIC.
#pragma once

#include <windows.h>

inline INT_PTR readOnlyEditColours(HDC dc)
{
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
}
