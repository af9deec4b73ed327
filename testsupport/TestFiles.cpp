#include "testsupport/TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

std::vector<uint8_t> readFileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

void writeFileBytes(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.u8string());
}

std::string readFileText(const fs::path& path)
{
    const std::vector<uint8_t> bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void writeFileText(const fs::path& path, const std::string& bytes)
{
    writeFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

fs::path scratchFolder(const std::string& name)
{
    const char* binary = std::getenv("VXF_BINARY_DIR");
    fs::path folder = binary != nullptr ? fs::path(binary) / "test-scratch"
                                        : fs::temp_directory_path() / "vxf-test-scratch";
    // Test names are unique across the test programs, which may run at once.
    if (const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info())
        folder /= std::string(test->test_suite_name()) + "." + test->name();
    folder /= name;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    return folder;
}

TempFolder::TempFolder()
{
    // Unique across the test processes that may run at once.
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path temporary = fs::temp_directory_path();
    std::error_code error;
    bool made = false;
    for (int attempt = 0; attempt < 1000 && !made; ++attempt) {
        path_ = temporary /
                ("vxf-test-" + std::to_string(now % 1000000007) + "-" + std::to_string(counter++));
        made = fs::create_directory(path_, error);
    }
    if (!made)
        throw std::runtime_error("no folder of its own in " + temporary.u8string());
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}
