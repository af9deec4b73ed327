#include "widgets/IconListBox.h"

#include "win/Dialog.h"

#include <algorithm>
#include <vector>

struct CIconListBox::Item {
    std::wstring text;
    int iconId = 0;
    void* data = nullptr;
    HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;

    Item(const std::wstring& itemText, int icon, void* itemData) : text(itemText), data(itemData)
    {
        SetIcon(icon);
    }
    ~Item() { FreeBitmap(); }
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    void SetIcon(int icon)
    {
        FreeBitmap();
        iconId = icon;
        bitmap =
            static_cast<HBITMAP>(::LoadImageW(CDialog::ResourceInstance(), MAKEINTRESOURCEW(icon),
                                              IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        BITMAP info = {};
        if (bitmap && ::GetObjectW(bitmap, sizeof info, &info)) {
            width = info.bmWidth;
            height = info.bmHeight;
        }
    }
    void FreeBitmap()
    {
        if (bitmap)
            ::DeleteObject(bitmap);
        bitmap = nullptr;
        width = height = 0;
    }
};

namespace {

// Every icon list alive, for the state they share (user-interface thread only).
std::vector<CIconListBox*>& allLists()
{
    static std::vector<CIconListBox*> lists;
    return lists;
}

constexpr int kHeightWithoutIcon = 20;
constexpr int kTextGap = 5;  // between the icon and the text

}  // namespace

unsigned CIconListBox::s_state = ListEnabled;

CIconListBox::CIconListBox() : CHintControl(Hover::MouseMove, RightUp)
{
    allLists().push_back(this);
}

CIconListBox::~CIconListBox()
{
    auto& lists = allLists();
    lists.erase(std::remove(lists.begin(), lists.end(), this), lists.end());
    // A window that outlives its object keeps no pointer to a freed wrapper.
    if (m_hWnd)
        ForgetAll();
}

int CIconListBox::AddItem(const std::wstring& text, int iconId, void* data)
{
    return Insert(LB_ADDSTRING, 0, text, iconId, data);
}

int CIconListBox::InsertItem(int index, const std::wstring& text, int iconId, void* data)
{
    return Insert(LB_INSERTSTRING, index, text, iconId, data);
}

int CIconListBox::Insert(UINT message, int index, const std::wstring& text, int iconId, void* data)
{
    if (!m_hWnd)
        return -1;
    auto item = std::make_unique<Item>(text, iconId, data);
    Item* wrapper = item.get();
    // Known before the list asks its parent for the item's height.
    m_items.emplace(wrapper, std::move(item));
    const LRESULT result = ::SendMessageW(m_hWnd, message, static_cast<WPARAM>(index),
                                          reinterpret_cast<LPARAM>(wrapper));
    if (result < 0) {
        m_items.erase(wrapper);
        return -1;
    }
    return static_cast<int>(result);
}

int CIconListBox::GetItem(int index, std::wstring& text, int& iconId, void*& data) const
{
    const Item* item = WrapperAt(index);
    if (!item)
        return -1;
    text = item->text;
    iconId = item->iconId;
    data = item->data;
    return index;
}

int CIconListBox::SetItemIcon(int index, int iconId)
{
    Item* item = WrapperAt(index);
    if (!item)
        return -1;
    item->SetIcon(iconId);
    ::SendMessageW(m_hWnd, LB_SETITEMHEIGHT, static_cast<WPARAM>(index),
                   MAKELPARAM(item->bitmap ? item->height : kHeightWithoutIcon, 0));
    RECT rect;
    if (::SendMessageW(m_hWnd, LB_GETITEMRECT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&rect)) != LB_ERR)
        ::InvalidateRect(m_hWnd, &rect, TRUE);
    return index;
}

int CIconListBox::SetItemText(int index, const std::wstring& text)
{
    Item* item = WrapperAt(index);
    if (!item)
        return -1;
    item->text = text;
    RECT rect;
    if (::SendMessageW(m_hWnd, LB_GETITEMRECT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&rect)) != LB_ERR)
        ::InvalidateRect(m_hWnd, &rect, TRUE);
    return index;
}

int CIconListBox::WidestItemWidth() const
{
    if (!m_hWnd)
        return 0;
    HDC dc = ::GetDC(m_hWnd);
    const HGDIOBJ oldFont =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (int i = 0, count = GetCount(); i < count; ++i) {
        const Item* item = WrapperAt(i);
        if (!item)
            continue;
        SIZE extent = {};
        ::GetTextExtentPoint32W(dc, item->text.c_str(), static_cast<int>(item->text.size()),
                                &extent);
        widest = std::max(widest, item->width + kTextGap + static_cast<int>(extent.cx) + 2);
    }
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(m_hWnd, dc);
    return widest;
}

int CIconListBox::DeleteItem(int index)
{
    if (!m_hWnd || ::SendMessageW(m_hWnd, LB_DELETESTRING, static_cast<WPARAM>(index), 0) == LB_ERR)
        return -1;
    return index;
}

void CIconListBox::ResetContent()
{
    if (m_hWnd)
        ::SendMessageW(m_hWnd, LB_RESETCONTENT, 0, 0);
}

int CIconListBox::GetCount() const
{
    return m_hWnd ? static_cast<int>(::SendMessageW(m_hWnd, LB_GETCOUNT, 0, 0)) : 0;
}

void CIconListBox::SetStateAll(unsigned bits)
{
    s_state = bits;
    for (CIconListBox* list : allLists()) {
        if (!list->m_hWnd)
            continue;
        ::EnableWindow(list->m_hWnd, (bits & ListEnabled) != 0);
        ::InvalidateRect(list->m_hWnd, nullptr, TRUE);
    }
}

void CIconListBox::MeasureItem(MEASUREITEMSTRUCT& item) const
{
    const Item* wrapper = Wrapper(item.itemData);
    item.itemHeight =
        static_cast<UINT>(wrapper && wrapper->bitmap ? wrapper->height : kHeightWithoutIcon);
}

bool CIconListBox::DrawItem(const DRAWITEMSTRUCT& item) const
{
    if (!m_hWnd || item.hwndItem != m_hWnd)
        return false;
    const int index = static_cast<int>(item.itemID);
    if (index < 0 || index >= GetCount())
        return true;

    HDC dc = item.hDC;
    const ItemColours colours = listItemColours(
        item.itemState, s_state, ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT));
    const COLORREF oldBack = ::SetBkColor(dc, colours.background);
    const COLORREF oldText = ::SetTextColor(dc, colours.text);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &item.rcItem, nullptr, 0, nullptr);

    if (const Item* wrapper = Wrapper(item.itemData)) {
        int left = item.rcItem.left;
        if (wrapper->bitmap) {
            HDC source = ::CreateCompatibleDC(dc);
            HGDIOBJ old = ::SelectObject(source, wrapper->bitmap);
            ::GdiTransparentBlt(dc, left, item.rcItem.top, wrapper->width, wrapper->height, source,
                                0, 0, wrapper->width, wrapper->height, RGB(255, 255, 255));
            ::SelectObject(source, old);
            ::DeleteDC(source);
            left += wrapper->width;
        }
        RECT textRect = item.rcItem;
        textRect.left = left + kTextGap;
        const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        ::DrawTextW(dc, wrapper->text.c_str(), static_cast<int>(wrapper->text.size()), &textRect,
                    format);
        if (listItemShowsFocus(item.itemState, s_state)) {
            RECT measured = textRect;
            ::DrawTextW(dc, wrapper->text.c_str(), static_cast<int>(wrapper->text.size()),
                        &measured, format | DT_CALCRECT);
            RECT focus = {textRect.left - 2, item.rcItem.top,
                          std::min(measured.right + 2, item.rcItem.right), item.rcItem.bottom};
            ::DrawFocusRect(dc, &focus);
        }
    }
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
    return true;
}

LRESULT CIconListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case LB_DELETESTRING: {
        const Item* wrapper = WrapperAt(static_cast<int>(wParam));
        const LRESULT result = Default(message, wParam, lParam);
        if (result != LB_ERR && wrapper)
            m_items.erase(wrapper);
        return result;
    }
    case LB_RESETCONTENT: {
        const LRESULT result = Default(message, wParam, lParam);
        m_items.clear();
        return result;
    }
    case WM_DESTROY: ForgetAll(); break;
    default: break;
    }
    return CHintControl::WindowProc(message, wParam, lParam);
}

CIconListBox::Item* CIconListBox::Wrapper(ULONG_PTR data) const
{
    const auto found = m_items.find(reinterpret_cast<const Item*>(data));
    return found == m_items.end() ? nullptr : found->second.get();
}

CIconListBox::Item* CIconListBox::WrapperAt(int index) const
{
    if (!m_hWnd || index < 0)
        return nullptr;
    const LRESULT data = ::SendMessageW(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data == LB_ERR ? nullptr : Wrapper(static_cast<ULONG_PTR>(data));
}

void CIconListBox::ForgetAll()
{
    // The items stay in the window for the moment; their data must not
    // point at freed wrappers.
    const int count = GetCount();
    for (int i = 0; i < count; ++i)
        ::SendMessageW(m_hWnd, LB_SETITEMDATA, static_cast<WPARAM>(i), 0);
    m_items.clear();
}
