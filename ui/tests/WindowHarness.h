// The main window on a thread of its own, driven from the test's thread the
// way a person's clicks arrive: commands and notifications by message, then
// controls read back. settle() waits until the window's thread has handled
// everything posted to it, including what its handlers post in turn.
#pragma once

#include "app/Settings.h"
#include "imaging/win/ImagingControl.h"
#include "ui/UploadDlg.h"

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

class WindowHarness {
public:
    // Settings for a window that lists `folder` on the transfer tab and
    // skips the check for the installed suite.
    static AppSettings settingsFor(const std::wstring& folder);

    explicit WindowHarness(const AppSettings& settings);
    ~WindowHarness();
    WindowHarness(const WindowHarness&) = delete;
    WindowHarness& operator=(const WindowHarness&) = delete;

    // False when the window never appeared (it may have ended at once).
    bool started() const { return m_window != nullptr; }
    HWND window() const { return m_window; }
    HWND item(int id) const { return ::GetDlgItem(m_window, id); }
    CUploadDlg& dialog() { return *m_dialog; }
    DWORD threadId() const { return m_threadId; }

    void click(int id);
    void command(int id, WORD code);
    void selectTab(int index);
    void selectFiles(int listId, const std::vector<int>& indices);
    // Drops files on the window as Explorer does.
    void dropFiles(const std::vector<std::wstring>& paths);
    void settle();

    bool enabled(int id) const { return ::IsWindowEnabled(item(id)) != FALSE; }
    bool visible(int id) const { return ::IsWindowVisible(item(id)) != FALSE; }
    bool checked(int id) const { return ::IsDlgButtonChecked(m_window, id) == BST_CHECKED; }
    std::wstring text(int id) const;
    std::vector<std::wstring> listTexts(int id) const;
    // Display texts of the upload list's entries.
    std::vector<std::wstring> uploadTexts();

    // Closes the window (as its close button does) and returns the settings
    // it handed back; the window must not be busy.
    AppSettings close();
    // The window's result: set once its run has ended.
    bool ended() const { return m_ended; }

private:
    void run(AppSettings settings);
    static LRESULT CALLBACK syncProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    vximg::ImagingLibrary m_imaging;
    std::thread m_thread;
    DWORD m_threadId = 0;
    CUploadDlg* m_dialog = nullptr;
    HWND m_window = nullptr;
    HWND m_sync = nullptr;
    HANDLE m_ready = nullptr;
    HANDLE m_synced = nullptr;
    volatile bool m_ended = false;
    AppSettings m_result;
};

// Wavsel's dialog, which the sound select button opens: a dialog of another
// process owned by the main window; null when none appears in time.
HWND waitForChooser(HWND mainWindow, DWORD milliseconds = 30000);

// A message box of the window's thread other than `except`; null when none
// appears in time. Boxes are told apart by handle: their stacking order
// follows X focus, which nothing here controls.
HWND waitForMessageBox(DWORD threadId, DWORD milliseconds = 20000, HWND except = nullptr);
std::wstring messageBoxText(HWND box);
// Presses a button of a message box (IDOK, IDCANCEL, IDYES, IDNO).
void answerMessageBox(HWND box, int button);
