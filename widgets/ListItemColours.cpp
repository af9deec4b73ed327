#include "widgets/ListItemColours.h"

ItemColours listItemColours(UINT itemState, unsigned listState, COLORREF background, COLORREF text)
{
    if ((itemState & ODS_SELECTED) && !(listState & ListNoHighlight))
        return {::GetSysColor(COLOR_HIGHLIGHT), ::GetSysColor(COLOR_HIGHLIGHTTEXT)};
    return {background, (listState & ListGreyed) ? ::GetSysColor(COLOR_GRAYTEXT) : text};
}
