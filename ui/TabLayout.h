// Where the main window's controls stand on each tab. The transfer tab uses
// the template's places (the preview area made square, the picture-size text
// just below it); the capture tab moves the browser: its folder controls take
// the left column and the file list takes the folder list's place.
#pragma once

#include <windows.h>

#include <map>

enum class Tab { Transfer = 0, Capture = 1 };

class CTabLayout {
public:
    // Reads the controls' current places in `dialog` (client coordinates;
    // combo boxes with their dropped-down height) and derives both tabs.
    void Record(HWND dialog);
    // Moves a control to its place on `tab`; false when it has none there.
    bool MoveToPlace(HWND dialog, int controlId, Tab tab) const;
    // The place of a control on a tab; an empty rectangle when it has none.
    RECT Place(Tab tab, int controlId) const;

private:
    std::map<int, RECT> m_transfer;
    std::map<int, RECT> m_capture;
};
