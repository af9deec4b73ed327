// What the two owner-drawn lists (file list, icon list) share: their state
// bits and the colours an item is drawn with.
#pragma once

#include <windows.h>

// State of an owner-drawn list, always set as a whole.
enum ListState : unsigned {
    ListEnabled = 0x1,      // the window is enabled
    ListGreyed = 0x2,       // texts in the system's grey-text colour
    ListNoHighlight = 0x4,  // selection and focus are not shown
};

struct ItemColours {
    COLORREF background;
    COLORREF text;
};

// A selected item shows the system highlight colours unless highlighting is
// off; any other item shows `background` with `text`, or with the grey-text
// colour when the list is greyed.
ItemColours listItemColours(UINT itemState, unsigned listState, COLORREF background, COLORREF text);

// Whether an item draws its focus rectangle.
inline bool listItemShowsFocus(UINT itemState, unsigned listState)
{
    return (itemState & ODS_FOCUS) != 0 && (listState & ListNoHighlight) == 0;
}
