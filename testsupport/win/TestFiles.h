// Test helpers for files, folders and profiles on the running system.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testfiles {

// A fresh folder under the temporary folder, removed with its files (one
// level of sub-folders) when the object goes.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name);
    ~TempFolder();
    const std::wstring& path() const { return path_; }
    std::wstring sub(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool writeFile(const std::wstring& path, const std::string& bytes);
std::string readFile(const std::wstring& path);
bool isFolder(const std::wstring& path);
void removeTree(const std::wstring& path);

// Key names of a profile section, in file order.
std::vector<std::wstring> sectionKeys(const std::wstring& file, const std::wstring& section);
// The value of a key, or "<missing>".
std::wstring profileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key);

std::wstring processCurrentDirectory();
std::wstring executableFolder();

}  // namespace testfiles
