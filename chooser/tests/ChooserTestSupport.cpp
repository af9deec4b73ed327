#include "chooser/tests/ChooserTestSupport.h"

namespace choosertest {

::testing::AssertionResult japaneseCodePage()
{
    if (::GetACP() == 932)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the system code page is " << ::GetACP()
                                         << ", not 932: run the chooser tests with LANG=ja_JP.UTF-8";
}

std::string cp932(const std::wstring& text)
{
    char bytes[1024] = {};
    ::WideCharToMultiByte(932, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

std::wstring windowText(HWND window)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    for (const DWORD start = ::GetTickCount(); !condition(); ::Sleep(20)) {
        if (::GetTickCount() - start > milliseconds)
            return false;
    }
    return true;
}

}  // namespace choosertest
