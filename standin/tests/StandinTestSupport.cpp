#include "standin/tests/StandinTestSupport.h"

#include "standin/StandinNames.h"
#include "standin/StandinSupport.h"

#include <atomic>
#include <cstring>

namespace standin_test {

std::vector<std::uint8_t> readBytes(const std::wstring& path)
{
    std::vector<std::uint8_t> bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size = {};
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1 << 30)) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
            got = 0;
        bytes.resize(got);
    }
    ::CloseHandle(file);
    return bytes;
}

bool writeBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size());
    ::CloseHandle(file);
    return ok;
}

std::wstring fixturePath(const char* name)
{
    std::wstring wide(name, name + std::strlen(name));
    return besideTest(L"standin-test-data\\") + wide;
}

std::vector<std::uint8_t> fixture(const char* name)
{
    return readBytes(fixturePath(name));
}

std::wstring setupPath()
{
    return besideTest(L"VidroStandinSetup.exe");
}

std::wstring appPath()
{
    return besideTest(standin::kAppFileName);
}

RunResult runSetup(const std::vector<std::wstring>& arguments)
{
    return runProgram(setupPath(), arguments);
}

bool rawValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& type, std::vector<std::uint8_t>& data)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = ::RegQueryValueExW(handle, name, nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data.assign(size, 0);
        status = ::RegQueryValueExW(handle, name, nullptr, &type, data.data(), &size);
        data.resize(size);
    }
    ::RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

std::wstring readProfileText(const std::wstring& path)
{
    const std::vector<std::uint8_t> bytes = readBytes(path);
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::wstring text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
        return text;
    }
    std::wstring text;
    const int length = ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<int>(bytes.size()), nullptr, 0);
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes.data()),
                              static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

bool profileValue(const std::wstring& text, const std::wstring& section, const std::wstring& key,
                  std::wstring& value)
{
    bool inSection = false;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!line.empty() && line.front() == L'[') {
            inSection = line == L"[" + section + L"]";
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (inSection && equals != std::wstring::npos && line.substr(0, equals) == key) {
            value = line.substr(equals + 1);
            return true;
        }
    }
    return false;
}

SuiteStateGuard::SuiteStateGuard()
{
    m_machine = captureTree(HKEY_LOCAL_MACHINE, standin::kOrvenKey);
    m_user = captureTree(HKEY_CURRENT_USER, standin::kOrvenKey);
    m_standin = captureTree(HKEY_CURRENT_USER, standin::kStandinKey);
    const std::wstring profile = standin::suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    m_profileExisted = fileExists(profile);
    if (m_profileExisted)
        m_profile = readBytes(profile);
    m_defaultCardExisted = folderExists(standin::defaultCardRoot());
    clearAll();
}

SuiteStateGuard::~SuiteStateGuard()
{
    restoreTree(HKEY_LOCAL_MACHINE, standin::kOrvenKey, m_machine);
    restoreTree(HKEY_CURRENT_USER, standin::kOrvenKey, m_user);
    restoreTree(HKEY_CURRENT_USER, standin::kStandinKey, m_standin);
    const std::wstring profile = standin::suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    if (m_profileExisted)
        writeBytes(profile, m_profile);
    else
        ::DeleteFileW(profile.c_str());
    if (!m_defaultCardExisted) {
        const std::wstring card = standin::defaultCardRoot();
        removeFolder(card);
        ::RemoveDirectoryW(standin::folderOf(card).c_str()); // only when empty
    }
}

void SuiteStateGuard::clearAll()
{
    deleteTree(HKEY_LOCAL_MACHINE, standin::kOrvenKey);
    deleteTree(HKEY_CURRENT_USER, standin::kOrvenKey);
    deleteTree(HKEY_CURRENT_USER, standin::kStandinKey);
    const std::wstring profile = standin::suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    ::DeleteFileW(profile.c_str());
}

TempFolder::TempFolder()
{
    static std::atomic<unsigned> counter{0};
    const std::wstring base = standin::tempFolder();
    for (;;) {
        m_path = base + L"standin-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(counter++);
        if (::CreateDirectoryW(m_path.c_str(), nullptr))
            break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            m_path.clear();
            break;
        }
    }
}

TempFolder::~TempFolder()
{
    if (!m_path.empty())
        removeFolder(m_path);
}

void removeFolder(const std::wstring& path)
{
    WIN32_FIND_DATAW found = {};
    HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeFolder(child);
            } else {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(path.c_str());
}

bool fileExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring fromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::vector<std::vector<std::wstring>> readLog(const std::wstring& path)
{
    const std::vector<std::uint8_t> bytes = readBytes(path);
    const std::wstring text = fromUtf8(std::string(bytes.begin(), bytes.end()));
    std::vector<std::vector<std::wstring>> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos)
            end = text.size();
        std::vector<std::wstring> fields;
        std::size_t field = at;
        for (;;) {
            const std::size_t tab = text.find(L'\t', field);
            if (tab == std::wstring::npos || tab > end) {
                fields.push_back(text.substr(field, end - field));
                break;
            }
            fields.push_back(text.substr(field, tab - field));
            field = tab + 1;
        }
        lines.push_back(fields);
        at = end + 1;
    }
    return lines;
}

} // namespace standin_test
