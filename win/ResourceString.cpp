#include "win/ResourceString.h"

std::wstring loadResourceString(UINT id, HINSTANCE instance)
{
    if (!instance)
        instance = ::GetModuleHandleW(nullptr);
    // With a zero buffer size LoadStringW hands out a pointer into the
    // resource itself, so no length limit applies.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text)
        return std::wstring();
    return std::wstring(text, static_cast<size_t>(length));
}
