// The upload list: an owner-drawn list box whose items show a small bitmap
// (13 x 13, white transparent) before their text and carry the caller's
// data pointer. Each item owns a wrapper with its text, icon and bitmap;
// the list frees it when the item goes, however it goes (our calls, list
// messages, the window's end). The data stays the caller's.
//
// The state (ListState bits) is one for all icon lists of the program.
#pragma once

#include "widgets/HintControl.h"
#include "widgets/ListItemColours.h"

#include <memory>
#include <string>
#include <unordered_map>

class CIconListBox : public CHintControl {
public:
    CIconListBox();
    ~CIconListBox() override;

    // Each returns the item's index, or -1 when the list refused it (a
    // refused item's wrapper is freed at once). `iconId` is a bitmap
    // resource id.
    int AddItem(const std::wstring& text, int iconId, void* data);
    int InsertItem(int index, const std::wstring& text, int iconId, void* data);
    int GetItem(int index, std::wstring& text, int& iconId, void*& data) const;
    // Shows another icon for the item (sound attached, greyed while busy).
    int SetItemIcon(int index, int iconId);
    // Shows another text for the item, in place.
    int SetItemText(int index, const std::wstring& text);
    int DeleteItem(int index);
    void ResetContent();
    int GetCount() const;
    // The width an item's icon and text take, of the widest item: the
    // list's horizontal scroll extent.
    int WidestItemWidth() const;
    // Wrappers the list holds: one per item it added and still has.
    size_t WrapperCount() const { return m_items.size(); }

    // Sets the state of every icon list; enables or disables their windows
    // by ListEnabled.
    static void SetStateAll(unsigned bits);
    static unsigned StateAll() { return s_state; }

    // The parent's WM_MEASUREITEM for this list (sent while an item is
    // added): the icon's height, 20 for an item without one.
    void MeasureItem(MEASUREITEMSTRUCT& item) const;
    // The parent's WM_DRAWITEM; false when the item is not this list's.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Item;

    // The wrapper behind an item's data, or null for data the list did not add.
    Item* Wrapper(ULONG_PTR data) const;
    Item* WrapperAt(int index) const;
    int Insert(UINT message, int index, const std::wstring& text, int iconId, void* data);
    void ForgetAll();

    std::unordered_map<const Item*, std::unique_ptr<Item>> m_items;

    static unsigned s_state;
};
