// Test helper: answers the message boxes that the watched thread shows. A
// second thread looks for dialog windows of the watched thread, notes caption,
// text, owner, buttons, default button and icon, and presses a button.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenBox {
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
    std::vector<int> buttons;  // ids of the buttons present (IDOK ... IDNO)
    int defaultButton = 0;
    HICON icon = nullptr;
    int pressed = 0;
};

class MessageBoxWatcher {
public:
    // Watches the calling thread; presses `button` on every box it sees.
    explicit MessageBoxWatcher(int button);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Stops watching and returns the boxes seen, in order.
    std::vector<SeenBox> stop();

private:
    void run();
    static BOOL CALLBACK visit(HWND window, LPARAM self);
    void answer(HWND box);

    const DWORD threadId_;
    const int button_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<SeenBox> seen_;
    std::vector<HWND> answered_;
    std::thread thread_;
};
