// Shared by the chooser tests: the code page they need, texts in code page
// 932 written independently of the code under test, and a top-level window
// that counts what reaches it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace choosertest {

// Fails the test unless the system code page is 932, which the tests'
// environment sets (LANG=ja_JP.UTF-8 under Wine).
::testing::AssertionResult japaneseCodePage();

std::string cp932(const std::wstring& text);
std::wstring windowText(HWND window);
// Polls until the condition holds; false when it did not within the time.
bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds = 10000);

// A hidden top-level window of the test thread; counts the WM_APP messages
// dispatched to it.
class OwnerWindow {
public:
    OwnerWindow();
    ~OwnerWindow();
    HWND handle() const { return window_; }
    int dispatched() const { return dispatched_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    int dispatched_ = 0;
};

}  // namespace choosertest
