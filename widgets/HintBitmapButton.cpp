#include "widgets/HintBitmapButton.h"

#include "win/Dialog.h"

#include <string>

bool CHintBitmapButton::LoadBitmaps()
{
    FreeBitmaps();
    if (!m_hWnd)
        return false;
    wchar_t caption[64] = {};
    ::GetWindowTextW(m_hWnd, caption, 64);
    static const wchar_t suffixes[LookCount] = {L'U', L'D', L'F', L'X'};
    for (int look = Normal; look < LookCount; ++look) {
        const std::wstring name = caption + std::wstring(1, suffixes[look]);
        m_bitmaps[look] = static_cast<HBITMAP>(::LoadImageW(
            CDialog::ResourceInstance(), name.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    }
    BITMAP normal = {};
    if (!m_bitmaps[Normal] || !::GetObjectW(m_bitmaps[Normal], sizeof normal, &normal)) {
        FreeBitmaps();
        return false;
    }
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, normal.bmWidth, normal.bmHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return true;
}

bool CHintBitmapButton::DrawItem(const DRAWITEMSTRUCT& item) const
{
    if (!m_hWnd || item.hwndItem != m_hWnd)
        return false;
    Look look = Normal;
    if (item.itemState & ODS_DISABLED)
        look = Disabled;
    else if (item.itemState & ODS_SELECTED)
        look = Pressed;
    else if (item.itemState & ODS_FOCUS)
        look = Focused;
    HBITMAP bitmap = m_bitmaps[look] ? m_bitmaps[look] : m_bitmaps[Normal];
    BITMAP info = {};
    if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info))
        return true;
    HDC source = ::CreateCompatibleDC(item.hDC);
    HGDIOBJ old = ::SelectObject(source, bitmap);
    ::BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, info.bmWidth, info.bmHeight, source, 0, 0,
             SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
    return true;
}

void CHintBitmapButton::FreeBitmaps()
{
    for (HBITMAP& bitmap : m_bitmaps) {
        if (bitmap)
            ::DeleteObject(bitmap);
        bitmap = nullptr;
    }
}
