#include "engine/FileNaming.h"

#include <cwchar>

namespace {

// Folds ASCII letters only; enough for the names this program makes.
wchar_t foldCase(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

std::wstring numberedName(const std::wstring& stem, uint32_t number, const wchar_t* extension)
{
    wchar_t digits[16];
    std::swprintf(digits, sizeof digits / sizeof digits[0], L"%04u", static_cast<unsigned>(number));
    return stem + digits + L"." + extension;
}

}  // namespace

std::wstring cameraNamePrefix(int month, int day)
{
    wchar_t text[32];
    std::swprintf(text, sizeof text / sizeof text[0], L"%02d%02d", month, day);
    return text;
}

std::wstring cameraPictureName(int month, int day, uint32_t number)
{
    return numberedName(cameraNamePrefix(month, day), number, L"jpg");
}

std::wstring cameraSoundName(int month, int day, uint32_t number)
{
    return numberedName(cameraNamePrefix(month, day), number, L"wav");
}

bool isCameraFileName(const std::wstring& name)
{
    // "MMDDnnnn.jpg"
    if (name.size() != 12 || name[8] != L'.')
        return false;
    for (size_t i = 0; i < 8; ++i) {
        if (name[i] < L'0' || name[i] > L'9')
            return false;
    }
    std::wstring extension;
    for (size_t i = 9; i < 12; ++i)
        extension += foldCase(name[i]);
    return extension == L"JPG" || extension == L"WAV";
}

std::wstring withoutTrailingBackslash(const std::wstring& path)
{
    if (!path.empty() && path.back() == L'\\')
        return path.substr(0, path.size() - 1);
    return path;
}

std::wstring joinFolder(const std::wstring& folder, const std::wstring& name)
{
    return withoutTrailingBackslash(folder) + L"\\" + name;
}

SplitPath splitFolderPath(const std::wstring& path)
{
    size_t nameStart = 0;
    if (path.size() >= 2 && path[1] == L':')
        nameStart = 2;
    for (size_t i = nameStart; i < path.size(); ++i)
        if (isSeparator(path[i]))
            nameStart = i + 1;
    return {path.substr(0, nameStart), path.substr(nameStart)};
}

uint32_t NextFreeNumber(FolderSearch& search, const std::wstring& folder,
                        const std::wstring& prefix, const std::wstring& firstExtension,
                        const std::wstring& secondExtension, size_t prefixLength, uint32_t start)
{
    const std::wstring previous = search.currentDirectory();
    if (!search.setCurrentDirectory(folder))
        return start;
    const std::wstring stem = prefix.substr(0, prefixLength);
    uint32_t n = start;
    // The search ends at the last number rather than wrapping to 0.
    while (n != UINT32_MAX) {
        bool taken = search.anyMatch(numberedName(stem, n, firstExtension.c_str()));
        if (!taken && !secondExtension.empty())
            taken = search.anyMatch(numberedName(stem, n, secondExtension.c_str()));
        if (!taken)
            break;
        ++n;
    }
    search.setCurrentDirectory(previous);
    return n;
}

bool findPatternMatches(const std::wstring& pattern, const std::wstring& name)
{
    // Greedy matching with one back-tracking point for the last '*'.
    size_t p = 0, n = 0;
    size_t starPattern = std::wstring::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == L'?' || foldCase(pattern[p]) == foldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::wstring::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

bool MemoryFolders::setCurrentDirectory(const std::wstring& path)
{
    if (!folders.count(path))
        return false;
    current = path;
    return true;
}

bool MemoryFolders::anyMatch(const std::wstring& pattern)
{
    ++searches;
    const auto it = folders.find(current);
    if (it == folders.end())
        return false;
    for (const std::wstring& name : it->second)
        if (findPatternMatches(pattern, name))
            return true;
    return false;
}
