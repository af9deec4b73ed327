// Common part of the controls that explain themselves in the main window's
// hint line: attached to an existing control, such a control posts
// UM_SHOW_HINT (wParam its own id, lParam 0) to its parent when the mouse is
// over it, and swallows some right-button messages so that no context menu
// opens. Everything else takes the control's default course.
#pragma once

#include "win/SubclassedWindow.h"

class CHintControl : public CSubclassedWindow {
public:
    // Right-button messages a control swallows.
    enum RightButton : unsigned {
        RightUp = 0x1,
        RightDown = 0x2,
        RightDoubleClick = 0x4,
    };

protected:
    // How the control learns that the mouse is over it.
    enum class Hover {
        MouseMove,  // WM_MOUSEMOVE
        HitTest,    // WM_NCHITTEST, answered HTCLIENT so that a static gets mouse input
    };

    CHintControl(Hover hover, unsigned swallowed) : m_hover(hover), m_swallowed(swallowed) {}

    // Derived controls with messages of their own pass the rest here.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PostHint() const;
    bool Swallows(UINT message) const;

    Hover m_hover;
    unsigned m_swallowed;
};
