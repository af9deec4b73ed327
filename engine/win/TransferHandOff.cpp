#include "engine/win/TransferHandOff.h"

#include "app/win/Environment.h"
#include "app/win/IniProfile.h"
#include "win/Handle.h"

#include <vector>

namespace {

HKEY rootKey(RegistryRoot root)
{
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Closes a key on every way out.
class OpenKey {
public:
    OpenKey(RegistryRoot root, const std::wstring& key, REGSAM access)
        : status_(::RegOpenKeyExW(rootKey(root), key.c_str(), 0, access, &handle_))
    {}
    ~OpenKey()
    {
        if (status_ == ERROR_SUCCESS)
            ::RegCloseKey(handle_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    LONG status() const { return status_; }
    HKEY handle() const { return handle_; }

private:
    HKEY handle_ = nullptr;
    LONG status_;
};

}  // namespace

std::wstring WinHandOffSystem::windowsFolder()
{
    return ::windowsFolder();
}

std::wstring WinHandOffSystem::readProfileString(const std::wstring& file,
                                                 const std::wstring& section,
                                                 const std::wstring& key, size_t bufferChars)
{
    if (file.empty() || bufferChars == 0)
        return std::wstring();
    std::vector<wchar_t> buffer(bufferChars, L'\0');
    const DWORD length =
        ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(),
                                   static_cast<DWORD>(buffer.size()), file.c_str());
    return std::wstring(buffer.data(), length < buffer.size() ? length : buffer.size() - 1);
}

void WinHandOffSystem::writeProfileString(const std::wstring& file, const std::wstring& section,
                                          const std::wstring& key, const std::wstring& value)
{
    // Without the Windows directory there is no suite profile to write.
    if (file.empty())
        return;
    // A profile that does not exist yet is started in UTF-16, so that folder
    // names outside the system's code page survive.
    IniProfile(file).putString(section, key, value);
    // The transfer application reads the file from another process.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

bool WinHandOffSystem::enumerateSubkey(const std::wstring& key, uint32_t index, std::wstring& name)
{
    OpenKey open(RegistryRoot::CurrentUser, key, KEY_ENUMERATE_SUB_KEYS);
    if (open.status() != ERROR_SUCCESS)
        return false;
    wchar_t buffer[kSubkeyNameChars] = {};
    DWORD length = kSubkeyNameChars;
    if (::RegEnumKeyExW(open.handle(), index, buffer, &length, nullptr, nullptr, nullptr,
                        nullptr) != ERROR_SUCCESS)
        return false;
    name.assign(buffer, length < kSubkeyNameChars ? length : kSubkeyNameChars - 1);
    return true;
}

long WinHandOffSystem::setDwordValue(RegistryRoot root, const std::wstring& key,
                                     const std::wstring& name, uint32_t value)
{
    OpenKey open(root, key, KEY_ALL_ACCESS);
    if (open.status() != ERROR_SUCCESS)
        return open.status();
    const DWORD data = value;
    return ::RegSetValueExW(open.handle(), name.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&data), sizeof data);
}

long WinHandOffSystem::readStringValue(RegistryRoot root, const std::wstring& key,
                                       const std::wstring& name, size_t bufferChars,
                                       std::wstring& text)
{
    OpenKey open(root, key, KEY_QUERY_VALUE);
    if (open.status() != ERROR_SUCCESS)
        return open.status();
    std::vector<wchar_t> buffer(bufferChars, L'\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LONG status = ::RegQueryValueExW(open.handle(), name.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (status != ERROR_SUCCESS)
        return status;
    // The value need not end in a zero character: stop at the buffer's end.
    const size_t chars = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < chars && buffer[length] != L'\0')
        ++length;
    text.assign(buffer.data(), length);
    return ERROR_SUCCESS;
}

long WinHandOffSystem::setPaddedStringValue(RegistryRoot root, const std::wstring& key,
                                            const std::wstring& name, const std::wstring& text,
                                            size_t valueChars)
{
    OpenKey open(root, key, KEY_ALL_ACCESS);
    if (open.status() != ERROR_SUCCESS)
        return open.status();
    std::vector<wchar_t> data(text.begin(), text.end());
    data.resize(data.size() < valueChars ? valueChars : data.size() + 1, L'\0');
    return ::RegSetValueExW(open.handle(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

bool WinHandOffSystem::runApplication(const std::wstring& path)
{
    return runApplicationAndWait(path, mainWindow_);
}

int WinHandOffSystem::showMessage(unsigned messageId, unsigned boxType, long code)
{
    return ::showMessage(mainWindow_, nullptr, messageId, nullptr, boxType, true,
                         static_cast<int>(code));
}

bool runApplicationAndWait(const std::wstring& path, HWND mainWindow)
{
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    ZeroMemory(&started, sizeof started);
    if (!::CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        return false;
    ::CloseHandle(started.hThread);
    const CHandle process(started.hProcess);
    const HANDLE waitFor = process.Get();

    if (mainWindow)
        ::ShowWindow(mainWindow, SW_HIDE);
    // Sleeps until the process ends or a message arrives; every pending
    // message is dispatched, so the hidden window keeps working.
    bool quitSeen = false;
    WPARAM quitCode = 0;
    for (;;) {
        const DWORD woken =
            ::MsgWaitForMultipleObjectsEx(1, &waitFor, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken != WAIT_OBJECT_0 + 1)
            break;  // the process has ended (or it cannot be waited for)
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitSeen = true;
                quitCode = message.wParam;
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    if (mainWindow)
        ::ShowWindow(mainWindow, SW_SHOW);
    // A quit request belongs to the loop that runs the window.
    if (quitSeen)
        ::PostQuitMessage(static_cast<int>(quitCode));
    return true;
}

int StartTransferApplication(AppSettings& settings, HWND mainWindow,
                             const std::function<void()>& clearContinueFlag)
{
    WinHandOffSystem system(mainWindow);
    return runHandOff(settings, system, clearContinueFlag);
}
