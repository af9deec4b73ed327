// The splash window of the start-up: bitmap 301 at its own size, borderless,
// centred on the screen, over the main window. It goes after 1.5 seconds,
// at the first key pressed in the program or at a mouse button pressed on
// it. The window is a static bitmap control of the system's own class,
// owned by the main window, so it also goes with the main window.
#pragma once

#include "win/SubclassedWindow.h"

class CSplashWindow : public CSubclassedWindow {
public:
    CSplashWindow() = default;
    ~CSplashWindow() override;

    // Shows the program's splash over `mainWindow`, the first time only.
    static void ShowOnce(HWND mainWindow);

    // Shows this splash; false when it could not be created, or while
    // another splash is up (the keyboard hook serves one at a time).
    bool Show(HWND mainWindow);
    void Close();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnDestroy();
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);

    HWND m_mainWindow = nullptr;
    HBITMAP m_bitmap = nullptr;
    HHOOK m_hook = nullptr;
    UINT_PTR m_timer = 0;

    // The splash the keyboard hook reports to.
    static CSplashWindow* s_keyTarget;
};
