// A push button drawn entirely from four bitmaps, found by the button's
// caption plus a letter: "U" normal, "D" pressed, "F" focused, "X" disabled
// (caption "UPEXE": bitmaps UPEXEU, UPEXED, UPEXEF, UPEXEX). The template
// gives the button the owner-draw style; it reports its hint.
#pragma once

#include "widgets/HintControl.h"

class CHintBitmapButton : public CHintControl {
public:
    CHintBitmapButton() : CHintControl(Hover::MouseMove, RightUp) {}
    ~CHintBitmapButton() override { FreeBitmaps(); }

    // Loads the four bitmaps and gives the button the normal bitmap's size.
    // False, with nothing loaded, when the normal bitmap is missing; a
    // missing other state shows the normal bitmap.
    bool LoadBitmaps();
    // The parent's WM_DRAWITEM; false when the item is not this button's.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

private:
    enum Look { Normal, Pressed, Focused, Disabled, LookCount };

    void FreeBitmaps();

    HBITMAP m_bitmaps[LookCount] = {};
};
