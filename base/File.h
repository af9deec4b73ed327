// Opening files by path on every platform, with a closer that cannot be
// forgotten: the Windows program hands us Unicode paths, which only _wfopen
// takes; elsewhere paths are UTF-8 bytes.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Same modes as fopen ("rb", "wb"); empty when the file cannot be opened.
UniqueFile openFile(const std::filesystem::path& path, const char* mode);

// Closes the file now: false when the last buffered bytes did not reach it.
bool closeFile(UniqueFile& file);
