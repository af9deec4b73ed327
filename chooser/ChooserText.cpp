#include "chooser/ChooserText.h"

#include <windows.h>

#include <cstring>

namespace {

// The text in the system code page; `exact` is cleared when a character
// had to be replaced.
std::string narrow(const wchar_t* text, size_t length, bool& exact)
{
    exact = true;
    if (length == 0)
        return std::string();
    // A UTF-8 code page represents everything but refuses the replacement
    // query; the others report replaced characters through it.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL replaced = FALSE;
    BOOL* replacedQuery = utf8 ? nullptr : &replaced;
    const int count = static_cast<int>(length);
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, flags, text, count, nullptr, 0, nullptr, replacedQuery);
    if (bytes <= 0) {
        exact = false;
        return std::string();
    }
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, text, count, &out[0], bytes, nullptr, replacedQuery);
    exact = !replaced;
    return out;
}

void fill(char* field, size_t fieldBytes, const std::string& bytes)
{
    std::memset(field, 0, fieldBytes);
    std::memcpy(field, bytes.data(), bytes.size());
}

}  // namespace

bool storeWholeText(char* field, size_t fieldBytes, const std::wstring& text)
{
    bool exact = false;
    const std::string bytes = narrow(text.data(), text.size(), exact);
    if (!exact || bytes.size() >= fieldBytes) {
        fill(field, fieldBytes, std::string());
        return false;
    }
    fill(field, fieldBytes, bytes);
    return true;
}

void storeCutText(char* field, size_t fieldBytes, const std::wstring& text)
{
    // Character by character (a surrogate pair is one), so that the cut
    // falls between two characters of the code page.
    std::string bytes;
    for (size_t at = 0; at < text.size();) {
        const size_t units = IS_HIGH_SURROGATE(text[at]) && at + 1 < text.size() ? 2 : 1;
        bool exact = false;
        const std::string character = narrow(text.data() + at, units, exact);
        if (bytes.size() + character.size() >= fieldBytes)
            break;
        bytes += character;
        at += units;
    }
    fill(field, fieldBytes, bytes);
}

std::wstring readText(const char* field, size_t fieldBytes)
{
    const int length = static_cast<int>(strnlen(field, fieldBytes));
    if (length == 0)
        return std::wstring();
    const int units = ::MultiByteToWideChar(CP_ACP, 0, field, length, nullptr, 0);
    if (units <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, field, length, &text[0], units);
    return text;
}
