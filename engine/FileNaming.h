// Camera file names (month, day and a four-digit number), the search for the
// next free number in a folder, and the path splitting the folder operations
// use. The search runs over FolderSearch, the platform's find-first view of
// folders, so the same rules serve Windows and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// "%02d%02d" of month and day: the prefix of the day's camera files.
std::wstring cameraNamePrefix(int month, int day);
// "%02d%02d%0004d.jpg" and "%02d%02d%0004d.wav".
std::wstring cameraPictureName(int month, int day, uint32_t number);
std::wstring cameraSoundName(int month, int day, uint32_t number);

// A name the job gives camera files: four digits of month and day, four
// digits, ".jpg" or ".wav" in any case.
bool isCameraFileName(const std::wstring& name);

// The folder, one trailing backslash removed, a backslash and the name.
std::wstring joinFolder(const std::wstring& folder, const std::wstring& name);

// The path without one trailing backslash.
std::wstring withoutTrailingBackslash(const std::wstring& path);

// A path split as the C library's splitpath does: the parent is drive and
// directory (ending in its separator when it has one), the name is the last
// component with its extension. "C:\a\b" gives "C:\a\" and "b"; "C:" gives
// "C:" and "".
struct SplitPath {
    std::wstring parent;
    std::wstring name;
};
SplitPath splitFolderPath(const std::wstring& path);

// What the number search needs from the platform.
class FolderSearch {
public:
    virtual ~FolderSearch() = default;
    virtual std::wstring currentDirectory() = 0;
    virtual bool setCurrentDirectory(const std::wstring& path) = 0;
    // Whether a find-first for `pattern` in the current directory finds
    // anything (wildcards as the platform honours them).
    virtual bool anyMatch(const std::wstring& pattern) = 0;
};

// The first number from `start` on whose names are free in `folder`: the
// first `prefixLength` characters of `prefix`, "%0004u" of the number, a dot
// and the extension. With a second extension a number is free only when
// neither name exists. When the folder cannot be entered, `start` at once.
// The current directory is the same afterwards.
uint32_t NextFreeNumber(FolderSearch& search, const std::wstring& folder,
                        const std::wstring& prefix, const std::wstring& firstExtension,
                        const std::wstring& secondExtension, size_t prefixLength, uint32_t start);

// Whether `name` matches a find pattern with '*' and '?', ignoring the case
// of ASCII letters as the Windows file system does.
bool findPatternMatches(const std::wstring& pattern, const std::wstring& name);

// Folders and their file names in memory.
class MemoryFolders : public FolderSearch {
public:
    std::wstring currentDirectory() override { return current; }
    bool setCurrentDirectory(const std::wstring& path) override;
    bool anyMatch(const std::wstring& pattern) override;

    std::wstring current;
    std::map<std::wstring, std::vector<std::wstring>> folders;
    size_t searches = 0;
};
