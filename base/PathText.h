// Path text on every platform. The settings and the Windows API hold paths as
// UTF-16 text; file functions take std::filesystem paths, whose bytes
// elsewhere than on Windows are UTF-8 whatever the locale says. Text that is
// not valid UTF-8 or UTF-16 converts with U+FFFD in place of each bad
// sequence, which no file name contains.
#pragma once

#include <filesystem>
#include <string>

std::string utf8FromWide(const std::wstring& text);
std::wstring wideFromUtf8(const std::string& text);

// A path of the settings as the file functions take it, and back.
std::filesystem::path toFsPath(const std::wstring& path);
std::wstring fromFsPath(const std::filesystem::path& path);

// A UTF-8 path (as the imaging component takes them) for the file
// functions; elsewhere than on Windows its bytes stay as they are.
std::filesystem::path pathFromUtf8(const std::string& path);
