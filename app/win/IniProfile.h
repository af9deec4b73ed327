// A Windows profile file reached through the profile functions. A name
// without a folder lives in the Windows directory.
#pragma once

#include "app/Settings.h"

#include <string>

class IniProfile : public Profile {
public:
    explicit IniProfile(std::wstring fileName = kProfileFileName);

    std::wstring getString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& fallback) override;
    void putString(const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override;

    const std::wstring& fileName() const { return fileName_; }
    // Where the file is: the name itself when it has a folder, else in the
    // Windows directory.
    std::wstring fullPath() const;

private:
    // A new file is started in UTF-16, so that texts outside the system's
    // code page (the program's Japanese name) are stored unchanged.
    void createUnicodeFile();

    std::wstring fileName_;
    bool fileChecked_ = false;
};
