// Test helpers for profiles and the process state on the running system.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testfiles {

// Key names of a profile section, in file order.
std::vector<std::wstring> sectionKeys(const std::wstring& file, const std::wstring& section);
// The value of a key, or "<missing>".
std::wstring profileValue(const std::wstring& file, const std::wstring& section,
                          const std::wstring& key);

// Names of the files (not folders) in a folder, sorted.
std::vector<std::wstring> fileNames(const std::wstring& folder);

std::wstring processCurrentDirectory();
std::wstring executableFolder();

}  // namespace testfiles
