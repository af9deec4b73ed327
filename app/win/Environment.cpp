#include "app/win/Environment.h"

#include "app/MessageText.h"
#include "resources/VxfsendRes.h"
#include "win/ResourceString.h"

namespace {

bool queryVersion(OSVERSIONINFOW& info)
{
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    return ::GetVersionExW(&info) != FALSE;
}

// Calls `query(buffer, size)` with a growing buffer; the query returns the
// length written, or the size needed when the buffer is too small, or 0.
template <class Query>
std::wstring queryText(Query query)
{
    std::wstring text(MAX_PATH + 1, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = query(&text[0], static_cast<DWORD>(text.size()));
        if (length == 0)
            return std::wstring();
        if (length < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(static_cast<size_t>(length) + 1);
    }
    return std::wstring();
}

}  // namespace

int platformId()
{
    OSVERSIONINFOW info;
    return queryVersion(info) ? static_cast<int>(info.dwPlatformId) : -1;
}

int majorVersion()
{
    OSVERSIONINFOW info;
    return queryVersion(info) ? static_cast<int>(info.dwMajorVersion) : -1;
}

std::wstring windowsFolder()
{
    return queryText(
        [](wchar_t* buffer, DWORD size) { return ::GetWindowsDirectoryW(buffer, size); });
}

std::wstring currentDirectory()
{
    return queryText(
        [](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); });
}

std::wstring temporaryFolder()
{
    std::wstring folder =
        queryText([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); });
    if (folder.empty())
        folder = windowsFolder();
    return folder;
}

int showMessage(HWND owner, const wchar_t* prefix, UINT messageId, const wchar_t* suffix, UINT type,
                bool withCode, int code)
{
    const std::wstring caption = loadResourceString(IDS_APP_TITLE);
    const std::wstring text =
        composeMessageText(prefix, loadResourceString(messageId), withCode, code, suffix);
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}
