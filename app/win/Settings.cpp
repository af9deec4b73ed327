#include "app/win/Settings.h"

#include "app/win/Environment.h"
#include "app/win/IniProfile.h"
#include "win/ResourceString.h"

#include <windows.h>

SystemSettingsEnvironment::SystemSettingsEnvironment() : startDirectory_(currentDirectory()) {}

std::wstring SystemSettingsEnvironment::executablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        // A cut name fills the buffer completely.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return std::wstring();
        path.resize(path.size() * 2);
    }
}

bool SystemSettingsEnvironment::setCurrentDirectory(const std::wstring& path)
{
    return ::SetCurrentDirectoryW(path.c_str()) != FALSE;
}

std::wstring SystemSettingsEnvironment::temporaryFolder()
{
    return ::temporaryFolder();
}

std::wstring SystemSettingsEnvironment::loadString(unsigned id)
{
    return loadResourceString(id);
}

void loadSettings(AppSettings& settings)
{
    IniProfile profile;
    SystemSettingsEnvironment env;
    loadSettings(profile, env, settings);
}

void saveSettings(const AppSettings& settings)
{
    IniProfile profile;
    SystemSettingsEnvironment env;
    saveSettings(profile, env, settings);
}
