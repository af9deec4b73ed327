#include "widgets/HintFileList.h"

#include <string>

void CHintFileList::SetState(unsigned bits)
{
    m_state = bits;
    if (m_hWnd) {
        ::EnableWindow(m_hWnd, (bits & ListEnabled) != 0);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
}

void CHintFileList::SetItemHeight(int height)
{
    m_itemHeight = height;
    if (m_hWnd)
        ::SendMessageW(m_hWnd, LB_SETITEMHEIGHT, 0, MAKELPARAM(height, 0));
}

bool CHintFileList::DrawItem(const DRAWITEMSTRUCT& item) const
{
    if (!m_hWnd || item.hwndItem != m_hWnd)
        return false;
    const int index = static_cast<int>(item.itemID);
    if (index < 0 || index >= static_cast<int>(::SendMessageW(m_hWnd, LB_GETCOUNT, 0, 0)))
        return true;

    const LRESULT length = ::SendMessageW(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring text(length > 0 ? static_cast<size_t>(length) + 1 : 1, L'\0');
    const LRESULT got = ::SendMessageW(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);

    // The DC's colours are the list's current ones: every item of one paint
    // starts from them, so they are put back afterwards.
    HDC dc = item.hDC;
    const ItemColours colours =
        listItemColours(item.itemState, m_state, ::GetBkColor(dc), ::GetTextColor(dc));
    const COLORREF oldBack = ::SetBkColor(dc, colours.background);
    const COLORREF oldText = ::SetTextColor(dc, colours.text);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &item.rcItem, nullptr, 0, nullptr);
    RECT textRect = item.rcItem;
    textRect.left += 3;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);

    // Drawn whole on every request, a focus change included, so the
    // rectangle never depends on an earlier drawing being still there.
    if (listItemShowsFocus(item.itemState, m_state))
        ::DrawFocusRect(dc, &item.rcItem);
    return true;
}
