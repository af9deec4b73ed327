// Helpers of the stand-in suite's tests: fixtures, programs, registry trees
// and a guard that gives every test an empty suite and puts back whatever the
// shared Windows (or Wine prefix) held before.
#pragma once
#include "testsupport/TestFiles.h"
#include "testsupport/win/Process.h"
#include "testsupport/win/Registry.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin_test {

using wintest::besideTest;
using wintest::captureTree;
using wintest::deleteTree;
using wintest::quoteArgument;
using wintest::RegistryTree;
using wintest::restoreTree;
using wintest::runProgram;
using wintest::StartedProgram;
using wintest::waitForWindow;
using RunResult = wintest::ProgramRun;

std::vector<std::uint8_t> fixture(const char* name);  // standin/tests/data, copied beside the test
std::wstring fixturePath(const char* name);

std::wstring setupPath();  // VidroStandinSetup.exe
std::wstring appPath();    // VidroLinkStandin.exe

RunResult runSetup(const std::vector<std::wstring>& arguments);

// Raw registry reads for checks.
bool rawValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& type,
              std::vector<std::uint8_t>& data);

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

// The transfer application's log: lines split at tabs.
std::vector<std::vector<std::wstring>> readLog(const std::wstring& path);

}  // namespace standin_test
