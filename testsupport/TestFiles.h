// Files and folders of the tests, through the standard library and never
// through the code under test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The whole file; empty when it cannot be read.
std::vector<uint8_t> readFileBytes(const std::filesystem::path& path);
// Replaces the file; throws std::runtime_error when it cannot be written.
void writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
// The same with the bytes in a string.
std::string readFileText(const std::filesystem::path& path);
void writeFileText(const std::filesystem::path& path, const std::string& bytes);

// A fresh empty folder of the running test, kept afterwards for a look:
// test-scratch/<suite>.<test>/<name> in the build tree, or in the temporary
// folder when the tests run outside ctest.
std::filesystem::path scratchFolder(const std::string& name);

// A fresh folder of its own in the temporary folder, removed with its
// content when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const
    {
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};
