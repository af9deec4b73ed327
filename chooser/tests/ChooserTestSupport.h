// Shared by the chooser tests: the code page they need, texts in code page
// 932 made independently of the code under test, waiting and window texts.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace choosertest {

// Fails unless the system code page is 932, which the tests' environment
// sets (LANG=ja_JP.UTF-8 under Wine).
::testing::AssertionResult japaneseCodePage();
std::string cp932(const std::wstring& text);
std::wstring windowText(HWND window);
// Polls until the condition holds; false when it did not in time.
bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds = 10000);

// A hidden top-level window, the owner of the chooser's dialog.
struct OwnerWindow {
    HWND handle = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    ~OwnerWindow() { ::DestroyWindow(handle); }
};

}  // namespace choosertest
