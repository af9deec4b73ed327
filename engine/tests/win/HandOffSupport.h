// Helpers of the hand-off tests on Windows (run under Wine): registry values,
// the suite profile, a keeper that puts the shared Windows (or Wine prefix)
// back as it was, and the stand-in's log.
#pragma once

#include "standin/StandinSupport.h"
#include "standin/tests/StandinTestSupport.h"
#include "testsupport/win/Process.h"
#include "testsupport/win/Registry.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace handoff_test {

using wintest::besideTest;
using wintest::deleteTree;
using wintest::ProgramRun;
using wintest::RegistryTree;
using wintest::runProgram;
using wintest::subkeyNames;

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
using standin::suiteProfilePath;
// A profile value, or "<missing>" when the key is not there.
std::wstring profileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key);
bool writeProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       const std::wstring& value);

// Everything the stand-in suite and the hand-off touch, put back as it was
// when the keeper goes.
using SuiteStateKeeper = standin_test::SuiteStateGuard;

// The stand-in transfer application's log: UTF-8 lines, fields split at tabs.
using StandinLog = std::vector<std::vector<std::wstring>>;
inline StandinLog readStandinLog(const std::wstring& path)
{
    return standin_test::readLog(path);
}
// The second field of the only line starting with `what`, or "<n lines>".
std::wstring logField(const StandinLog& log, const std::wstring& what);
// All lines starting with `what`, without that first field.
std::vector<std::vector<std::wstring>> logLines(const StandinLog& log, const std::wstring& what);

}  // namespace handoff_test
