// The about box (dialog 100), opened from the system menu: the splash
// picture at its own size above the program's icon and name, dark blue on
// the hint line's cream colour, centred on the screen.
#pragma once

#include "win/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void FitAroundPicture(HWND picture, int width, int height);
    void CentreOnScreen();

    HBITMAP m_picture = nullptr;
    HBRUSH m_background = nullptr;
};
