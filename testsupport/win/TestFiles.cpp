#include "testsupport/win/TestFiles.h"

#include "win/FindFile.h"

#include <algorithm>

namespace testfiles {

std::vector<std::wstring> sectionKeys(const std::wstring& file, const std::wstring& section)
{
    std::wstring buffer(1 << 20, L'\0');
    const DWORD length = ::GetPrivateProfileSectionW(
        section.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()), file.c_str());
    std::vector<std::wstring> keys;
    size_t start = 0;
    while (start < length) {
        const size_t end = buffer.find(L'\0', start);
        const std::wstring line = buffer.substr(start, end - start);
        keys.push_back(line.substr(0, line.find(L'=')));
        start = end + 1;
    }
    return keys;
}

std::wstring profileValue(const std::wstring& file, const std::wstring& section,
                          const std::wstring& key)
{
    std::wstring buffer(1 << 17, L'\0');
    const DWORD length =
        ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<missing>", &buffer[0],
                                   static_cast<DWORD>(buffer.size()), file.c_str());
    buffer.resize(length);
    return buffer;
}

std::wstring processCurrentDirectory()
{
    wchar_t buffer[32768] = {};
    const DWORD length = ::GetCurrentDirectoryW(32768, buffer);
    return std::wstring(buffer, length);
}

std::wstring executableFolder()
{
    wchar_t buffer[32768] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, 32768);
    std::wstring path(buffer, length);
    return path.substr(0, path.find_last_of(L'\\'));
}

std::vector<std::wstring> fileNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    CFindFile search;
    for (bool more = search.FindFirst((folder + L"\\*").c_str()); more; more = search.FindNext()) {
        if (!search.IsFolder())
            names.emplace_back(search.Found().cFileName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testfiles
