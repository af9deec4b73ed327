#include "app/MessageText.h"

#include <cwchar>

std::wstring composeMessageText(const wchar_t* prefix, const std::wstring& message, bool withCode,
                                int code, const wchar_t* suffix)
{
    std::wstring text;
    if (prefix && *prefix) {
        text += prefix;
        text += L' ';
    }
    text += message;
    if (withCode) {
        wchar_t line[32];
        std::swprintf(line, sizeof line / sizeof line[0], L"\n[%d]", code);
        text += line;
    }
    if (suffix && *suffix) {
        text += suffix;
        text += L' ';
    }
    return text;
}
