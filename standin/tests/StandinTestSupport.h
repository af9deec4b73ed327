// Helpers of the stand-in suite's tests: fixtures, programs, registry trees
// and a guard that gives every test an empty suite and puts back whatever the
// shared Windows (or Wine prefix) held before.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin_test {

std::vector<std::uint8_t> readBytes(const std::wstring& path);
bool writeBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> fixture(const char* name); // standin/tests/data, copied beside the test
std::wstring fixturePath(const char* name);

std::wstring besideTest(const wchar_t* fileName);
std::wstring setupPath(); // VidroStandinSetup.exe
std::wstring appPath();   // VidroLinkStandin.exe

struct RunResult {
    bool finished = false;
    DWORD exitCode = 0;
    std::string output; // stdout and stderr
};
// One argument quoted for a Windows command line.
std::wstring quoteArgument(const std::wstring& argument);
// Runs a console program with arguments (each quoted) and collects its output.
RunResult runProgram(const std::wstring& path, const std::vector<std::wstring>& arguments, DWORD timeoutMs = 60000);
RunResult runSetup(const std::vector<std::wstring>& arguments);

// Starts a program the way the hand-off does: no command line, nothing
// inherited, an empty start-up record.
class StartedProgram {
public:
    explicit StartedProgram(const std::wstring& path, const std::wstring& arguments = std::wstring());
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    bool started() const { return m_process != nullptr; }
    DWORD processId() const { return m_id; }
    // The exit code, or -1 when the program did not end in time.
    long waitForExit(DWORD milliseconds);

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

// A visible top-level window of the given process with exactly this title.
HWND waitForWindow(DWORD processId, const std::wstring& title, DWORD milliseconds);

// A registry key with its values and subkeys, for comparing and restoring.
struct RegistryTree {
    struct Value {
        std::wstring name;
        DWORD type = 0;
        std::vector<std::uint8_t> data;
        bool operator==(const Value& other) const
        {
            return name == other.name && type == other.type && data == other.data;
        }
    };
    bool exists = false;
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, RegistryTree>> children;
    bool operator==(const RegistryTree& other) const
    {
        return exists == other.exists && values == other.values && children == other.children;
    }
};
RegistryTree captureTree(HKEY root, const std::wstring& path);
void restoreTree(HKEY root, const std::wstring& path, const RegistryTree& tree);
void deleteTree(HKEY root, const std::wstring& path);

// Raw registry reads for checks.
bool rawValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& type, std::vector<std::uint8_t>& data);

// The suite's profile read as bytes: UTF-16LE with a byte-order mark, else ANSI.
std::wstring readProfileText(const std::wstring& path);
// A value from profile text; false when the section or key is missing.
bool profileValue(const std::wstring& text, const std::wstring& section, const std::wstring& key,
                  std::wstring& value);

// Everything the stand-in installer may touch: the suite keys under both
// roots, the stand-in's own key and the suite profile. Captured when made,
// cleared for the test, put back when destroyed. A default card folder the
// test made is removed as well.
class SuiteStateGuard {
public:
    SuiteStateGuard();
    ~SuiteStateGuard();
    SuiteStateGuard(const SuiteStateGuard&) = delete;
    SuiteStateGuard& operator=(const SuiteStateGuard&) = delete;
    static void clearAll();

private:
    RegistryTree m_machine;
    RegistryTree m_user;
    RegistryTree m_standin;
    bool m_profileExisted = false;
    std::vector<std::uint8_t> m_profile;
    bool m_defaultCardExisted = false;
};

// A fresh folder under the temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return m_path; } // without a trailing backslash
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};
void removeFolder(const std::wstring& path);
bool fileExists(const std::wstring& path);
bool folderExists(const std::wstring& path);

// The transfer application's log: lines split at tabs.
std::vector<std::vector<std::wstring>> readLog(const std::wstring& path);
std::wstring fromUtf8(const std::string& text);

} // namespace standin_test
