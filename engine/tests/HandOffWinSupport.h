// Helpers of the hand-off tests on Windows (run under Wine): the stand-in
// photo suite's programs, registry and profile snapshots that put the shared
// Windows (or Wine prefix) back as it was, and the stand-in's log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace handoff_test {

// A program beside the test executable.
std::wstring besideTest(const std::wstring& fileName);

struct ProgramRun {
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;  // stdout and stderr together
};
// Runs a console program with its arguments (each quoted) and waits for it.
ProgramRun runProgram(const std::wstring& path, const std::vector<std::wstring>& arguments,
                      DWORD timeoutMs = 60000);

// A registry key with its values and subkeys.
struct RegistryTree {
    struct Value {
        std::wstring name;
        DWORD type = 0;
        std::vector<uint8_t> data;
    };
    bool exists = false;
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, RegistryTree>> children;
};
RegistryTree captureTree(HKEY root, const std::wstring& path);
// Deletes the key and rebuilds it from the tree (nothing when it did not exist).
void restoreTree(HKEY root, const std::wstring& path, const RegistryTree& tree);
void deleteTree(HKEY root, const std::wstring& path);

// Subkey names of a key in enumeration order.
std::vector<std::wstring> subkeyNames(HKEY root, const std::wstring& path);

struct RawValue {
    bool present = false;
    DWORD type = 0;
    std::vector<uint8_t> data;
    // A REG_DWORD, or 0xDEADBEEF when the value is something else.
    DWORD number() const;
    // The string up to its first zero character, or "<missing>".
    std::wstring text() const;
};
RawValue readValue(HKEY root, const std::wstring& key, const wchar_t* name);
bool writeDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value);
bool deleteValue(HKEY root, const std::wstring& key, const wchar_t* name);

// The suite profile "<Windows directory>\Vidro!3.ini".
std::wstring suiteProfilePath();
// A profile value, or "<missing>" when the key is not there.
std::wstring profileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key);
bool writeProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       const std::wstring& value);

// Everything the stand-in suite and the hand-off touch: the suite keys under
// both roots, the stand-in's own key and the suite profile. Captured and
// cleared when made, put back exactly when destroyed.
class SuiteStateKeeper {
public:
    SuiteStateKeeper();
    ~SuiteStateKeeper();
    SuiteStateKeeper(const SuiteStateKeeper&) = delete;
    SuiteStateKeeper& operator=(const SuiteStateKeeper&) = delete;
    static void clear();

private:
    RegistryTree machine_;
    RegistryTree user_;
    RegistryTree standin_;
    bool profileExisted_ = false;
    std::string profile_;
};

// The stand-in transfer application's log: UTF-8 lines, fields split at tabs.
using StandinLog = std::vector<std::vector<std::wstring>>;
StandinLog readStandinLog(const std::wstring& path);
// The second field of the only line starting with `what`, or "<n lines>".
std::wstring logField(const StandinLog& log, const std::wstring& what);
// All lines starting with `what`, without that first field.
std::vector<std::vector<std::wstring>> logLines(const StandinLog& log, const std::wstring& what);

}  // namespace handoff_test
