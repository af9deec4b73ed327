#include "engine/win/UploadHost.h"

#include "app/win/Environment.h"
#include "win/FindFile.h"
#include "win/Handle.h"

#include <commctrl.h>

int WinUploadUi::showMessage(const UploadMessage& message)
{
    return ::showMessage(owner_, message.subject.empty() ? nullptr : message.subject.c_str(),
                         message.messageId, nullptr, message.boxType, message.withCode,
                         message.code);
}

void WinUploadUi::showProgressLine(int entryNumber, const std::wstring& text)
{
    if (sink_)
        sink_(entryNumber, text);
}

bool WinUploadFiles::probeCreate(const std::wstring& path)
{
    // Read and write, not shared for reading, as the job's own files are made.
    CHandle created(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (created.IsValid()) {
        created.Close();
        ::DeleteFileW(path.c_str());
        return true;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS)
        return false;
    // Someone's own file of that name: only whether it could be written.
    const CHandle existing(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    return existing.IsValid();
}

bool WinUploadFiles::ensureFolder(const std::wstring& path, UploadUi&)
{
    return ::EnsureFolder(path);
}

bool WinUploadFiles::removeFolder(const std::wstring& path, UploadUi&)
{
    return ::RemoveFolder(path);
}

int WinUploadFiles::listFiles(const std::wstring& folder, std::vector<std::wstring>& names)
{
    names.clear();
    if (!::SetCurrentDirectoryW(folder.c_str()))
        return static_cast<int>(::GetLastError());
    CFindFile search;
    for (bool more = search.FindFirst(L"*.*"); more; more = search.FindNext()) {
        if (!search.IsFolder())
            names.emplace_back(search.Found().cFileName);
    }
    return 0;
}

uint64_t WinUploadFiles::fileLength(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return 0;
    return static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool WinUploadFiles::jpegCutShort(const std::wstring& path)
{
    const CHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    unsigned char head[2] = {};
    unsigned char tail[2] = {};
    DWORD got = 0;
    if (!::ReadFile(file.Get(), head, 2, &got, nullptr) || got != 2 || head[0] != 0xFF ||
        head[1] != 0xD8)
        return false;  // not a JPEG: nothing to judge by
    LARGE_INTEGER size;
    LARGE_INTEGER back;
    back.QuadPart = -2;
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 4 ||
        !::SetFilePointerEx(file.Get(), back, nullptr, FILE_END) ||
        !::ReadFile(file.Get(), tail, 2, &got, nullptr) || got != 2)
        return true;
    return tail[0] != 0xFF || tail[1] != 0xD9;
}

bool WinUploadFiles::removeFile(const std::wstring& path)
{
    return ::DeleteFileW(path.c_str()) != FALSE;
}

bool WinUploadFiles::folderEmpty(const std::wstring& folder)
{
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    CFindFile search;
    return !search.FindFirst(joinFolder(folder, L"*").c_str());
}

bool WinUploadFiles::isDefaultWorkFolder(const std::wstring& folder)
{
    auto fullPath = [](const std::wstring& path) {
        wchar_t full[MAX_PATH];
        const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
        return withoutTrailingBackslash(length > 0 && length < MAX_PATH ? std::wstring(full, length)
                                                                        : path);
    };
    const std::wstring a = fullPath(folder);
    const std::wstring b = fullPath(defaultWorkFolder(temporaryFolder()));
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

void WinProgressBar::setRange(int low, int high)
{
    if (bar_ != nullptr)
        ::SendMessageW(bar_, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void WinProgressBar::setPosition(int position)
{
    if (bar_ != nullptr)
        ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
