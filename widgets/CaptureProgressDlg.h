// The small window that shows a capture's progress (dialog 403): created
// once, hidden, by the main window; driven by messages from the capture.
//   UM_PROGRESS_SET (percent, show): percent 0 arms the window. While armed,
//     the first message with show set centres it on the desktop and shows
//     it topmost without activating it; every one sets the bar and the
//     text (above 98 counts as 100); above 99, or with show 0, it then hides
//     as UM_PROGRESS_HIDE does.
//   UM_PROGRESS_HIDE: disarm, hide, bar to 0.
#pragma once

#include "win/Dialog.h"

class CCaptureProgressDlg : public CDialog {
public:
    CCaptureProgressDlg();

    // Creates the window, hidden; false when it could not be created.
    bool Create(HWND parent);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    // No button ends it: it lives as long as its owner.
    void OnOK() override {}
    void OnCancel() override {}

private:
    void SetProgress(int percent, bool show);
    void Hide();

    HWND m_bar = nullptr;
    bool m_armed = false;
    bool m_shown = false;
};
