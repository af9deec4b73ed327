// Capture mode of the capture tab: the capture key (a function key with
// optional ALT, CTRL and SHIFT) registered as a system-wide hot key while the
// mode is on, one capture per press, and the key controls that change the
// settings at once. The main window forwards its commands and key messages
// here and does what the mode asks through CaptureModeHost.
#pragma once

#include "app/Settings.h"

#include <windows.h>

#include <string>

// What capture mode needs of the main window. Running() has its new value at
// every call; Busy() is true from a key press until the press is fully
// handled, the end of the mode it may cause included.
class CaptureModeHost {
public:
    // The window the hot key is registered for; it forwards WM_HOTKEY and
    // UM_CAPTURE_KEY to CaptureMode::OnMessage.
    virtual HWND KeyWindow() = 0;
    // Mode on: the system menu's Close, the close button, the key controls,
    // the new-folder button, the tab and the folder browser disabled; CAPEND
    // shown in place of CAPSTA; the window takes the input focus.
    virtual void EnterCaptureMode() = 0;
    // Mode off: CAPSTA back in place of CAPEND, everything enabled again.
    virtual void LeaveCaptureMode() = 0;
    // CAPEND disabled while one capture is being made, enabled after it.
    virtual void EnableCaptureEnd(bool enabled) = 0;
    // Lists the capture folder as it now is (the browser goes to PathCapture).
    virtual void ShowCaptureFolder() = 0;
    // Adds a file name to the file list and selects it.
    virtual void AddCapturedFile(const std::wstring& name) = 0;
    // The hint line's own text again.
    virtual void RestoreDefaultHint() = 0;
    // A message box of the program with string `messageId`.
    virtual void ShowMessage(UINT messageId) = 0;
    // One capture: captureScreen with the window's progress bar, the capture
    // progress window and the settings; its result, `name` filled by it.
    virtual int CaptureScreen(std::wstring& name) = 0;

protected:
    ~CaptureModeHost() = default;
};

class CaptureMode {
public:
    // `settings`: the window's settings copy; Hotkey and HotkeyModifiers are
    // read at every start and written by the key controls.
    CaptureMode(CaptureModeHost& host, AppSettings& settings);
    ~CaptureMode();
    CaptureMode(const CaptureMode&) = delete;
    CaptureMode& operator=(const CaptureMode&) = delete;

    // WM_COMMAND of the window: CAPSTA and CAPEND clicked, the key combo's
    // selection change and close-up, the ALT, CTRL and SHIFT boxes clicked.
    // True when it was one of these (other notifications of those controls
    // are left to the window).
    bool OnCommand(WORD id, WORD notifyCode, HWND control);
    // WM_HOTKEY and UM_CAPTURE_KEY: true when the message was one of them.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window is being destroyed: a running mode gives its key and atom
    // back without calling the host. The destructor does the same.
    void OnWindowDestroyed();

    void Start();
    void End();
    // One press of the capture key with hot-key identifier `id`.
    void OnCaptureKey(WPARAM id);

    bool Running() const { return m_running; }
    bool Busy() const { return m_busy; }
    // Key presses that saved a capture (or found the folder full) since the
    // count was last cleared; the transfer tab opens on the captures then.
    int CaptureCount() const { return m_captureCount; }
    void ClearCaptureCount() { m_captureCount = 0; }
    // The hot-key identifier while the mode is on, else 0.
    ATOM HotKeyId() const { return m_atom; }

private:
    void OnKeyChosen(HWND combo);
    void OnModifierClicked(UINT modifier, HWND checkBox);
    void ReleaseKey();

    CaptureModeHost& m_host;
    AppSettings& m_settings;
    HWND m_keyWindow = nullptr;  // the key is registered for it
    ATOM m_atom = 0;
    bool m_running = false;
    bool m_busy = false;
    int m_captureCount = 0;
};
