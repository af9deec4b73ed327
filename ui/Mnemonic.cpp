#include "ui/Mnemonic.h"

std::wstring withWindowsMnemonic(const std::wstring& text)
{
    std::wstring result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // U+001E letter U+001F kana: the letter with "&", the kana dropped.
        if (text[i] == L'\x1E' && i + 2 < text.size() && text[i + 2] == L'\x1F') {
            result += L'&';
            result += text[i + 1];
            i += 2;
            if (i + 1 < text.size() && text[i + 1] != L')')
                ++i;
            continue;
        }
        result += text[i];
    }
    return result;
}
