#include "widgets/tests/WidgetTestSupport.h"
#include "widgets/tests/WidgetsTestRes.h"

#include "resources/VxfsendRes.h"
#include "widgets/HintBitmapButton.h"
#include "widgets/HintFileList.h"
#include "widgets/IconListBox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class OwnerDraw : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_host.Open()); }
    HWND control(int id) const { return m_host.GetDlgItem(id); }
    RECT itemRect(int id, int index) const
    {
        RECT rect = {};
        ::SendMessageW(control(id), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
        return rect;
    }
    // How many pixels of the item show `colour`.
    int pixelsOfColour(int id, int index, COLORREF colour) const
    {
        HWND list = control(id);
        ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const RECT rect = itemRect(id, index);
        HDC dc = ::GetDC(list);
        int count = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                count += ::GetPixel(dc, x, y) == colour;
        ::ReleaseDC(list, dc);
        return count;
    }

    CHostDialog m_host;
};

TEST_F(OwnerDraw, FileListGreyedWithoutHighlightShowsNoSelectionAndGreyText)
{
    CHintFileList list;
    ASSERT_TRUE(list.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_FILE_LIST));
    m_host.onDrawItem = [&](const DRAWITEMSTRUCT& item) { return list.DrawItem(item); };
    list.SetItemHeight(13);
    EXPECT_EQ(::SendMessageW(control(IDC_HOST_FILE_LIST), LB_GETITEMHEIGHT, 0, 0), 13);
    for (const wchar_t* name : {L"MMMMMMMM.JPG", L"WWWWWWWW.BMP"})
        ::SendMessageW(control(IDC_HOST_FILE_LIST), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    ::SendMessageW(control(IDC_HOST_FILE_LIST), LB_SETSEL, TRUE, 0);

    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT);
    const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
    const RECT selected = itemRect(IDC_HOST_FILE_LIST, 0);
    EXPECT_EQ(clientPixel(control(IDC_HOST_FILE_LIST), selected.right - 2, selected.top + 1), highlight);
    EXPECT_GT(pixelsOfColour(IDC_HOST_FILE_LIST, 1, text), 0);
    EXPECT_EQ(pixelsOfColour(IDC_HOST_FILE_LIST, 1, grey), 0);

    list.SetState(ListEnabled | ListGreyed | ListNoHighlight);
    EXPECT_TRUE(::IsWindowEnabled(control(IDC_HOST_FILE_LIST)));
    EXPECT_EQ(clientPixel(control(IDC_HOST_FILE_LIST), selected.right - 2, selected.top + 1), window);
    EXPECT_EQ(pixelsOfColour(IDC_HOST_FILE_LIST, 0, highlight), 0);
    EXPECT_GT(pixelsOfColour(IDC_HOST_FILE_LIST, 0, grey), 0);
    EXPECT_EQ(pixelsOfColour(IDC_HOST_FILE_LIST, 1, text), 0);

    list.SetState(ListGreyed | ListNoHighlight);
    EXPECT_FALSE(::IsWindowEnabled(control(IDC_HOST_FILE_LIST)));
}

// A record of the caller's, as the upload list's entries are.
struct Entry {
    int value;
};

TEST_F(OwnerDraw, IconListOwnsItsItemWrappersButNeverTheData)
{
    CIconListBox list;
    ASSERT_TRUE(list.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_ICON_LIST));
    m_host.onMeasureItem = [&](MEASUREITEMSTRUCT& item) { list.MeasureItem(item); };
    m_host.onDrawItem = [&](const DRAWITEMSTRUCT& item) { return list.DrawItem(item); };
    HWND box = control(IDC_HOST_ICON_LIST);

    Entry first{1}, second{2}, third{3};
    EXPECT_EQ(list.AddItem(L"[V] first.jpg", IDB_SOUND_NONE, &first), 0);
    EXPECT_EQ(list.AddItem(L"[X] third.jpg", IDB_SOUND_ATTACHED, &third), 1);
    EXPECT_EQ(list.InsertItem(1, L"[P] second.jpg", IDB_SOUND_GREYED, &second), 1);
    EXPECT_EQ(list.InsertItem(9, L"[V] refused.jpg", IDB_SOUND_NONE, &first), -1);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.WrapperCount(), 3u);

    std::wstring text;
    int icon = 0;
    void* data = nullptr;
    ASSERT_EQ(list.GetItem(1, text, icon, data), 1);
    EXPECT_EQ(text, L"[P] second.jpg");
    EXPECT_EQ(icon, IDB_SOUND_GREYED);
    EXPECT_EQ(data, &second);
    EXPECT_EQ(list.GetItem(3, text, icon, data), -1);

    // Each item is as high as its icon; an item the list did not add, 20.
    const int iconHeight = ResourceBitmap(MAKEINTRESOURCEW(IDB_SOUND_NONE)).Size().cy;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(::SendMessageW(box, LB_GETITEMHEIGHT, static_cast<WPARAM>(i), 0), iconHeight);
    const LRESULT bare = ::SendMessageW(box, LB_ADDSTRING, 0, 0);
    EXPECT_EQ(::SendMessageW(box, LB_GETITEMHEIGHT, static_cast<WPARAM>(bare), 0), 20);
    EXPECT_EQ(list.WrapperCount(), 3u);

    // White in the icon lets the selection colour through; the note is drawn.
    ::SendMessageW(box, LB_SETSEL, TRUE, 2);
    const RECT withNote = itemRect(IDC_HOST_ICON_LIST, 2);
    EXPECT_EQ(clientPixel(box, withNote.left, withNote.top), ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(clientPixel(box, withNote.left + 6, withNote.top + 5),
              ResourceBitmap(MAKEINTRESOURCEW(IDB_SOUND_ATTACHED)).Pixel(6, 5));

    EXPECT_EQ(list.DeleteItem(0), 0);
    EXPECT_EQ(list.WrapperCount(), 2u);
    EXPECT_EQ(first.value, 1);
    ASSERT_EQ(list.GetItem(0, text, icon, data), 0);
    EXPECT_EQ(data, &second);
    // Deleted by a list message, not through the object: freed all the same.
    ::SendMessageW(box, LB_DELETESTRING, 0, 0);
    EXPECT_EQ(list.WrapperCount(), 1u);
    EXPECT_EQ(list.DeleteItem(5), -1);

    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.WrapperCount(), 0u);

    list.AddItem(L"[V] last.jpg", IDB_SOUND_NONE, &first);
    m_host.EndDialog(IDCANCEL);
    EXPECT_EQ(list.WrapperCount(), 0u);
    EXPECT_EQ(first.value + second.value + third.value, 6);
}

TEST_F(OwnerDraw, IconListStateIsOneForAllIconLists)
{
    CIconListBox upload, other;
    ASSERT_TRUE(upload.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_ICON_LIST));
    ASSERT_TRUE(other.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_OTHER_ICON_LIST));
    CIconListBox::SetStateAll(ListGreyed | ListNoHighlight);
    EXPECT_FALSE(::IsWindowEnabled(control(IDC_HOST_ICON_LIST)));
    EXPECT_FALSE(::IsWindowEnabled(control(IDC_HOST_OTHER_ICON_LIST)));
    CIconListBox::SetStateAll(ListEnabled);
    EXPECT_TRUE(::IsWindowEnabled(control(IDC_HOST_ICON_LIST)));
    EXPECT_TRUE(::IsWindowEnabled(control(IDC_HOST_OTHER_ICON_LIST)));
}

TEST_F(OwnerDraw, PictureButtonTakesItsBitmapsSizeAndShowsTheDisabledOne)
{
    CHintBitmapButton plain;
    ASSERT_TRUE(plain.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_BUTTON));
    EXPECT_FALSE(plain.LoadBitmaps());

    CHintBitmapButton button;
    ASSERT_TRUE(button.AttachDlgItem(m_host.GetSafeHwnd(), IDC_HOST_PICTURE_BUTTON));
    m_host.onDrawItem = [&](const DRAWITEMSTRUCT& item) { return button.DrawItem(item); };
    ASSERT_TRUE(button.LoadBitmaps());
    HWND window = control(IDC_HOST_PICTURE_BUTTON);
    RECT client;
    ::GetClientRect(window, &client);
    const ResourceBitmap normal(L"MOVEUU"), disabled(L"MOVEUX");
    EXPECT_EQ(client.right, normal.Size().cx);
    EXPECT_EQ(client.bottom, normal.Size().cy);

    // A pixel where the normal and the disabled picture differ.
    POINT differing = {-1, -1};
    for (int y = 0; y < normal.Size().cy && differing.x < 0; ++y)
        for (int x = 0; x < normal.Size().cx && differing.x < 0; ++x)
            if (normal.Pixel(x, y) != disabled.Pixel(x, y))
                differing = {x, y};
    ASSERT_GE(differing.x, 0);

    EXPECT_EQ(clientPixel(window, differing.x, differing.y), normal.Pixel(differing.x, differing.y));
    ::EnableWindow(window, FALSE);
    EXPECT_EQ(clientPixel(window, differing.x, differing.y), disabled.Pixel(differing.x, differing.y));
}

} // namespace
