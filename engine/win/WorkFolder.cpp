#include "engine/win/WorkFolder.h"

#include "app/win/Environment.h"
#include "resources/VxfsendRes.h"
#include "win/FindFile.h"

#include <windows.h>

namespace {

void reportFailure(unsigned messageId, DWORD error)
{
    showMessage(nullptr, nullptr, messageId, nullptr, MB_OK, true, static_cast<int>(error));
}

}  // namespace

std::wstring SystemFolderSearch::currentDirectory()
{
    return ::currentDirectory();
}

bool SystemFolderSearch::setCurrentDirectory(const std::wstring& path)
{
    return ::SetCurrentDirectoryW(path.c_str()) != FALSE;
}

bool SystemFolderSearch::anyMatch(const std::wstring& pattern)
{
    CFindFile search;
    return search.FindFirst(pattern.c_str());
}

uint32_t NextFreeNumber(const std::wstring& folder, const std::wstring& prefix,
                        const std::wstring& firstExtension, const std::wstring& secondExtension,
                        size_t prefixLength, uint32_t start)
{
    SystemFolderSearch search;
    return NextFreeNumber(search, folder, prefix, firstExtension, secondExtension, prefixLength,
                          start);
}

bool EnsureFolder(const std::wstring& path)
{
    const std::wstring folder = withoutTrailingBackslash(path);
    const SplitPath split = splitFolderPath(folder);
    // A missing parent shows here: only the last component is ever created.
    if (!::SetCurrentDirectoryW(split.parent.c_str())) {
        reportFailure(IDS_MSG_FOLDER_CREATE_FAILED, ::GetLastError());
        return false;
    }
    if (split.name.empty())
        return true;  // a drive root
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = TRUE;
    if (::CreateDirectoryW(folder.c_str(), &attributes))
        return true;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED || error == ERROR_ALREADY_EXISTS)
        return true;
    reportFailure(IDS_MSG_FOLDER_CREATE_FAILED, error);
    return false;
}

bool RemoveFolder(const std::wstring& path)
{
    const std::wstring folder = withoutTrailingBackslash(path);
    const SplitPath split = splitFolderPath(folder);
    // Out of the folder first: the current directory cannot be removed.
    if (!::SetCurrentDirectoryW(split.parent.c_str()) || !::RemoveDirectoryW(folder.c_str())) {
        reportFailure(IDS_MSG_WORK_FOLDER_NOT_REMOVED, ::GetLastError());
        return false;
    }
    return true;
}
