// The main window's file list: an owner-drawn list box of file names with a
// fixed item height, which reports its hint. Its state (ListState bits)
// greys it and switches the highlight off while the list only shows what is
// there (the capture folder) or while the window is busy.
#pragma once

#include "widgets/HintControl.h"
#include "widgets/ListItemColours.h"

class CHintFileList : public CHintControl {
public:
    CHintFileList() : CHintControl(Hover::MouseMove, RightUp) {}

    // Sets the whole state; enables or disables the window by ListEnabled.
    void SetState(unsigned bits);
    unsigned State() const { return m_state; }
    // Item height in pixels, 12 until set; applied at once when attached.
    void SetItemHeight(int height);

    // The parent's WM_MEASUREITEM for this list. It arrives while the dialog
    // creates the control, before anything is attached, so it needs only
    // the stored height.
    void MeasureItem(MEASUREITEMSTRUCT& item) const
    {
        item.itemHeight = static_cast<UINT>(m_itemHeight);
    }
    // The parent's WM_DRAWITEM; false when the item is not this list's.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

private:
    unsigned m_state = ListEnabled;
    int m_itemHeight = 12;
};
