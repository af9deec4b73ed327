// Opening files by path on both platforms: the Windows program hands us
// Unicode paths, which only _wfopen takes; elsewhere paths are UTF-8 bytes.
#pragma once

#include <cstdio>
#include <filesystem>

// Same modes as fopen ("rb", "wb"); nullptr when the file cannot be opened.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);
