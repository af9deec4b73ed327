#include "standin/tests/StandinTestSupport.h"

#include "base/PathText.h"
#include "standin/StandinNames.h"
#include "standin/StandinSupport.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace standin_test {

std::wstring fixturePath(const char* name)
{
    std::wstring wide(name, name + std::strlen(name));
    return besideTest(L"standin-test-data\\") + wide;
}

std::vector<std::uint8_t> fixture(const char* name)
{
    return readFileBytes(fixturePath(name));
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

bool rawValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& type,
              std::vector<std::uint8_t>& data)
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
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
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
    m_profileExisted = std::filesystem::is_regular_file(profile);
    if (m_profileExisted)
        m_profile = readFileBytes(profile);
    m_defaultCardExisted = std::filesystem::is_directory(standin::defaultCardRoot());
    clearAll();
}

SuiteStateGuard::~SuiteStateGuard()
{
    restoreTree(HKEY_LOCAL_MACHINE, standin::kOrvenKey, m_machine);
    restoreTree(HKEY_CURRENT_USER, standin::kOrvenKey, m_user);
    restoreTree(HKEY_CURRENT_USER, standin::kStandinKey, m_standin);
    const std::wstring profile = standin::suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    if (m_profileExisted) {
        try {
            writeFileBytes(profile, m_profile);
        } catch (const std::exception&) {
            // Nothing more can be done from here.
        }
    } else
        ::DeleteFileW(profile.c_str());
    if (!m_defaultCardExisted) {
        const std::wstring card = standin::defaultCardRoot();
        std::error_code ignored;
        std::filesystem::remove_all(card, ignored);
        ::RemoveDirectoryW(standin::folderOf(card).c_str());  // only when empty
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

std::vector<std::vector<std::wstring>> readLog(const std::wstring& path)
{
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    const std::wstring text = wideFromUtf8(std::string(bytes.begin(), bytes.end()));
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

}  // namespace standin_test
