#include "base/PathText.h"

#include <algorithm>
#include <cstdint>

namespace {

void appendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendWide(std::wstring& out, uint32_t c)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

constexpr uint32_t kReplacement = 0xFFFD;

}  // namespace

std::string utf8FromWide(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
                const uint32_t low = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
            c = kReplacement;
        appendUtf8(out, c);
    }
    return out;
}

std::wstring wideFromUtf8(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const uint32_t lead = static_cast<uint8_t>(text[i]);
        size_t extra = 0;
        uint32_t c = 0;
        uint32_t least = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07, least = 0x10000;
        } else {
            appendWide(out, kReplacement);
            ++i;
            continue;
        }
        size_t used = 1;
        bool valid = true;
        for (; used <= extra; ++used) {
            if (i + used >= n || (static_cast<uint8_t>(text[i + used]) & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = (c << 6) | (static_cast<uint8_t>(text[i + used]) & 0x3F);
        }
        if (!valid || c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            appendWide(out, kReplacement);
            i += valid ? used : std::max<size_t>(used, 1);
            continue;
        }
        appendWide(out, c);
        i += used;
    }
    return out;
}

std::filesystem::path toFsPath(const std::wstring& path)
{
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(utf8FromWide(path));
#endif
}

std::wstring fromFsPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    return path.wstring();
#else
    return wideFromUtf8(path.string());
#endif
}

std::filesystem::path pathFromUtf8(const std::string& path)
{
#ifdef _WIN32
    return std::filesystem::path(wideFromUtf8(path));
#else
    return std::filesystem::path(path);
#endif
}
