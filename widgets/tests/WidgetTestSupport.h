// Test helpers for windows: a host dialog that routes owner-drawing to the
// widgets under test and records what its controls post, a recorder of the
// messages a control passes on, message pumping and pixel reading.
#pragma once

#include "win/Dialog.h"
#include "win/SubclassedWindow.h"

#include <functional>
#include <utility>
#include <vector>

class CHostDialog : public CDialog {
public:
    CHostDialog();
    // Creates the dialog and shows it without giving it the focus (a window
    // with the focus makes Wine wait 2 s when it goes, without a window
    // manager).
    bool Open();

    std::function<bool(const DRAWITEMSTRUCT&)> onDrawItem;
    std::function<void(MEASUREITEMSTRUCT&)> onMeasureItem;
    std::vector<std::pair<WPARAM, LPARAM>> hints;  // UM_SHOW_HINT received

protected:
    BOOL OnInitDialog() override { return FALSE; }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};

// Attached under a widget: sees what the widget passes on. Right-button
// messages end here, so that a control's context menu never opens.
class CMessageRecorder : public CSubclassedWindow {
public:
    std::vector<UINT> seen;
    bool Saw(UINT message) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Dispatches the calling thread's pending messages.
void pumpMessages();
// Dispatches messages until `done()` holds or `seconds` have passed, waiting
// for messages in between; returns done().
bool pumpUntil(const std::function<bool()>& done, double seconds);
// Draws the window now and reads a pixel of its client area.
COLORREF clientPixel(HWND window, int x, int y);

// A bitmap resource of this program, to compare what windows draw with.
class ResourceBitmap {
public:
    explicit ResourceBitmap(const wchar_t* name);
    ~ResourceBitmap();
    ResourceBitmap(const ResourceBitmap&) = delete;
    ResourceBitmap& operator=(const ResourceBitmap&) = delete;

    SIZE Size() const { return m_size; }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(m_dc, x, y); }

private:
    HBITMAP m_bitmap;
    HDC m_dc;
    HGDIOBJ m_old;
    SIZE m_size = {};
};
