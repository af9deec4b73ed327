#include "testsupport/win/TestFiles.h"

namespace testfiles {

TempFolder::TempFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + name + L"-" + std::to_wstring(::GetCurrentProcessId());
    removeTree(path_);
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { removeTree(path_); }

void removeTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring full = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else
                ::DeleteFileW(full.c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(path.c_str());
}

bool writeFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

std::string readFile(const std::wstring& path)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    ::CloseHandle(file);
    return bytes;
}

bool isFolder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> sectionKeys(const std::wstring& file, const std::wstring& section)
{
    std::wstring buffer(1 << 20, L'\0');
    const DWORD length = ::GetPrivateProfileSectionW(section.c_str(), &buffer[0],
                                                     static_cast<DWORD>(buffer.size()), file.c_str());
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

std::wstring profileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key)
{
    std::wstring buffer(1 << 17, L'\0');
    const DWORD length = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<missing>", &buffer[0],
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

}  // namespace testfiles
