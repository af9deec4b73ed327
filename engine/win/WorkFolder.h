// The engine's folder operations on Windows: the free-number search over
// FindFirstFile (names match without regard to case), creating the
// destination folder and removing the work folder, with their messages.
#pragma once

#include "engine/FileNaming.h"

#include <cstddef>
#include <cstdint>
#include <string>

// FolderSearch on the process's current directory and FindFirstFile.
class SystemFolderSearch : public FolderSearch {
public:
    std::wstring currentDirectory() override;
    bool setCurrentDirectory(const std::wstring& path) override;
    bool anyMatch(const std::wstring& pattern) override;
};

// NextFreeNumber in the real folder (see FileNaming.h).
uint32_t NextFreeNumber(const std::wstring& folder, const std::wstring& prefix,
                        const std::wstring& firstExtension, const std::wstring& secondExtension,
                        size_t prefixLength, uint32_t start);

// True when the folder exists afterwards (or could not be created only
// because access was denied or the name exists); false after message 608
// with the system error code. Only the last component is created. Leaves the
// parent folder as the current directory.
bool EnsureFolder(const std::wstring& path);

// Removes an empty folder: true when removed, false after message 607 with
// the system error code. Leaves the parent folder as the current directory.
bool RemoveFolder(const std::wstring& path);
