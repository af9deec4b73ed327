#include "ChooserTestSupport.h"

namespace choosertest {

::testing::AssertionResult japaneseCodePage()
{
    if (::GetACP() == 932)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the system code page is " << ::GetACP()
           << ", not 932: run these tests with LANG=ja_JP.UTF-8 (scripts/setup.sh generates the locale)";
}

std::string cp932(const std::wstring& text)
{
    const int bytes = ::WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                            nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring windowText(HWND window)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > milliseconds)
            return false;
        ::Sleep(20);
    }
    return true;
}

OwnerWindow::OwnerWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VxfChooserTestOwner";
    ::RegisterClassW(&windowClass);
    window_ = ::CreateWindowExW(0, windowClass.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                nullptr, nullptr, windowClass.hInstance, this);
}

OwnerWindow::~OwnerWindow() { ::DestroyWindow(window_); }

LRESULT CALLBACK OwnerWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<OwnerWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_APP && self)
        ++self->dispatched_;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace choosertest
