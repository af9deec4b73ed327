#include "standin/StandinSupport.h"

#include "standin/StandinNames.h"

#include <cwchar>
#include <vector>

namespace standin {
namespace {

// Every subkey name of `key` in enumeration order, until enumeration stops.
template <typename Match>
bool lastMatchingSubkey(HKEY root, const std::wstring& key, Match match, std::wstring& found)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    bool any = false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[260];
        DWORD length = 260;
        if (::RegEnumKeyExW(handle, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (match(name)) {
            found = name;
            any = true;
        }
    }
    ::RegCloseKey(handle);
    return any;
}

}  // namespace

SuiteKeys findSuiteKeys()
{
    SuiteKeys keys;
    std::wstring base = std::wstring(kOrvenKey) + L"\\";
    keys.suiteFound = lastMatchingSubkey(
        HKEY_CURRENT_USER, base,
        [](const wchar_t* name) {
            return std::wcsncmp(name, kSuitePrefix, kSuitePrefixLength) == 0;
        },
        keys.suiteName);
    base += keys.suiteName + L"\\";
    keys.versionFound = lastMatchingSubkey(
        HKEY_CURRENT_USER, base,
        [](const wchar_t* name) { return name[0] >= L'1' && name[0] <= L'9'; }, keys.versionName);
    base += (keys.versionFound ? keys.versionName : keys.suiteName) + L"\\";
    keys.dialogKey = base + kDialogSubkey;
    keys.filesKey = base + kFilesSubkey;
    return keys;
}

std::wstring windowsDirectory()
{
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return buffer;
}

std::wstring suiteProfilePath()
{
    const std::wstring folder = windowsDirectory();
    return folder.empty() ? std::wstring() : withBackslash(folder) + kProfileName;
}

std::wstring tempFolder()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return withBackslash(windowsDirectory()) + L"Temp\\";
    return withBackslash(buffer);
}

std::wstring defaultCardRoot()
{
    return tempFolder() + L"VidroStandin\\Card";
}

std::wstring defaultAlbumFolder()
{
    return tempFolder() + L"VidroStandin\\Album\\";
}

std::wstring withBackslash(std::wstring path)
{
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}

std::wstring folderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring moduleFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return folderOf(std::wstring(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

bool readDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& value)
{
    DWORD type = 0, data = 0, size = sizeof data;
    if (::RegGetValueW(root, key.c_str(), name, RRF_RT_ANY, &type, &data, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

bool readString(HKEY root, const std::wstring& key, const wchar_t* name, std::wstring& value)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    LONG status = ::RegQueryValueExW(handle, name, nullptr, &type, nullptr, &size);
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        status = ::RegQueryValueExW(handle, name, nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &size);
    } else if (status == ERROR_SUCCESS) {
        status = ERROR_INVALID_DATA;
    }
    ::RegCloseKey(handle);
    if (status != ERROR_SUCCESS)
        return false;
    value = buffer.data();  // up to the first zero; the buffer always ends in one
    return true;
}

namespace {

LONG setValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type, const void* data,
              DWORD size)
{
    HKEY handle = nullptr;
    LONG status = ::RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = ::RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(handle);
    return status;
}

}  // namespace

LONG writeDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value)
{
    return setValue(root, key, name, REG_DWORD, &value, sizeof value);
}

LONG writeString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    return setValue(root, key, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG writeFolderString(HKEY root, const std::wstring& key, const wchar_t* name,
                       const std::wstring& value)
{
    std::vector<wchar_t> buffer(value.begin(), value.end());
    const std::size_t minimum = kFolderValueBytes / sizeof(wchar_t);
    buffer.resize(buffer.size() + 1 < minimum ? minimum : buffer.size() + 1, L'\0');
    return setValue(root, key, name, REG_SZ, buffer.data(),
                    static_cast<DWORD>(buffer.size() * sizeof(wchar_t)));
}

bool keyExists(HKEY root, const std::wstring& key)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(handle);
    return true;
}

bool readProfileValue(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                      std::wstring& value)
{
    // The list of keys tells a missing key from an empty value.
    std::vector<wchar_t> names(4096);
    const DWORD length = ::GetPrivateProfileStringW(section, nullptr, L"", names.data(),
                                                    static_cast<DWORD>(names.size()), path.c_str());
    bool present = false;
    for (DWORD at = 0; at < length && names[at];) {
        const wchar_t* name = names.data() + at;
        if (::CompareStringOrdinal(name, -1, key, -1, TRUE) == CSTR_EQUAL)
            present = true;
        at += static_cast<DWORD>(std::wcslen(name)) + 1;
    }
    if (!present)
        return false;
    std::vector<wchar_t> text(4096);
    ::GetPrivateProfileStringW(section, key, L"", text.data(), static_cast<DWORD>(text.size()),
                               path.c_str());
    value = text.data();
    return true;
}

TestSettings readTestSettings()
{
    TestSettings settings;
    const std::wstring key = std::wstring(kStandinKey) + L"\\" + kTestSubkey;
    readString(HKEY_CURRENT_USER, key, kValueLogPath, settings.logPath);
    DWORD value = 0;
    if (readDword(HKEY_CURRENT_USER, key, kValueAutoCloseMs, value))
        settings.autoCloseMs = value;
    if (readDword(HKEY_CURRENT_USER, key, kValueAutoTransfer, value))
        settings.autoTransfer = value != 0;
    return settings;
}

std::wstring readCardRoot()
{
    std::wstring root;
    if (readString(HKEY_CURRENT_USER, kStandinKey, kValueCardRoot, root) && !root.empty())
        return root;
    return defaultCardRoot();
}

std::wstring hexValue(DWORD value)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(value));
    return text;
}

}  // namespace standin
