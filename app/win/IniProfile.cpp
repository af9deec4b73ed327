#include "app/win/IniProfile.h"

#include "app/win/Environment.h"
#include "win/Handle.h"

#include <windows.h>

IniProfile::IniProfile(std::wstring fileName) : fileName_(std::move(fileName)) {}

std::wstring IniProfile::fullPath() const
{
    if (fileName_.find_first_of(L"\\/:") != std::wstring::npos)
        return fileName_;
    std::wstring folder = windowsFolder();
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder + fileName_;
}

std::wstring IniProfile::getString(const std::wstring& section, const std::wstring& key,
                                   const std::wstring& fallback)
{
    // The profile functions say a value did not fit only by filling the
    // buffer to its last character; then read again with more room.
    std::wstring text(1024, L'\0');
    for (;;) {
        const DWORD length =
            ::GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), &text[0],
                                       static_cast<DWORD>(text.size()), fileName_.c_str());
        if (length + 1 < text.size() || text.size() >= (1u << 24)) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 4);
    }
}

void IniProfile::putString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value)
{
    if (!fileChecked_) {
        fileChecked_ = true;
        createUnicodeFile();
    }
    ::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str());
}

void IniProfile::createUnicodeFile()
{
    const std::wstring path = fullPath();
    // CREATE_NEW: an existing profile is never touched here.
    const CHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;
    const unsigned char bom[2] = {0xFF, 0xFE};
    DWORD written = 0;
    ::WriteFile(file.Get(), bom, sizeof bom, &written, nullptr);
}
