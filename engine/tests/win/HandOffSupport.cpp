#include "engine/tests/win/HandOffSupport.h"

#include <cstring>

namespace handoff_test {

DWORD RawValue::number() const
{
    DWORD value = 0xDEADBEEF;
    if (present && type == REG_DWORD && data.size() == sizeof value)
        std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::wstring RawValue::text() const
{
    if (!present || (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"<missing>";
    std::wstring chars(data.size() / sizeof(wchar_t), L'\0');
    if (!chars.empty())
        std::memcpy(&chars[0], data.data(), chars.size() * sizeof(wchar_t));
    return chars.substr(0, chars.find(L'\0'));
}

RawValue readValue(HKEY root, const std::wstring& key, const wchar_t* name)
{
    RawValue value;
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (::RegQueryValueExW(handle, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        value.present = ::RegQueryValueExW(handle, name, nullptr, &value.type, value.data.data(),
                                           &size) == ERROR_SUCCESS;
        value.data.resize(size);
    }
    ::RegCloseKey(handle);
    return value;
}

bool writeDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    const bool ok =
        ::RegSetValueExW(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                         sizeof value) == ERROR_SUCCESS;
    ::RegCloseKey(handle);
    return ok;
}

bool deleteValue(HKEY root, const std::wstring& key, const wchar_t* name)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    const bool ok = ::RegDeleteValueW(handle, name) == ERROR_SUCCESS;
    ::RegCloseKey(handle);
    return ok;
}

std::wstring profileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t buffer[4096] = {};
    const DWORD length =
        ::GetPrivateProfileStringW(section, key, L"<missing>", buffer, 4096, file.c_str());
    return std::wstring(buffer, length);
}

bool writeProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       const std::wstring& value)
{
    const bool ok =
        ::WritePrivateProfileStringW(section, key, value.c_str(), file.c_str()) != FALSE;
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
    return ok;
}

std::vector<std::vector<std::wstring>> logLines(const StandinLog& log, const std::wstring& what)
{
    std::vector<std::vector<std::wstring>> found;
    for (const auto& line : log) {
        if (!line.empty() && line[0] == what)
            found.emplace_back(line.begin() + 1, line.end());
    }
    return found;
}

std::wstring logField(const StandinLog& log, const std::wstring& what)
{
    const auto lines = logLines(log, what);
    if (lines.size() != 1 || lines[0].empty())
        return L"<" + std::to_wstring(lines.size()) + L" lines>";
    return lines[0][0];
}

}  // namespace handoff_test
