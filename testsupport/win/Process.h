// Starting programs from the Windows tests (run under Wine): programs beside
// the test executable, a console program run to its end with its output, a
// program started the way the hand-off starts one, and its window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

// A file beside the test executable.
std::wstring besideTest(const std::wstring& fileName);

// One argument quoted for a command line: backslashes are doubled only
// before a quote, the closing one included.
std::wstring quoteArgument(const std::wstring& argument);

struct ProgramRun {
    bool finished = false;  // ended within the time limit
    DWORD exitCode = 0;
    std::string output;  // standard output and standard error together
};
// Runs a console program with its arguments (each quoted), reading its
// output while it runs so a full pipe cannot stall it; a program still
// running after timeoutMs is ended.
ProgramRun runProgram(const std::wstring& path, const std::vector<std::wstring>& arguments,
                      DWORD timeoutMs = 60000);

// A program started as the hand-off starts one: nothing inherited, an empty
// start-up record, no command line unless arguments are given. Ended if it
// still runs when this goes.
class StartedProgram {
public:
    explicit StartedProgram(const std::wstring& path,
                            const std::wstring& arguments = std::wstring());
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD processId() const { return id_; }
    // The exit code, or -1 when the program did not end in time.
    long waitForExit(DWORD milliseconds);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A visible top-level window with exactly this title, of that process (of
// any process when processId is 0); nullptr when none appears in time.
HWND waitForWindow(DWORD processId, const std::wstring& title, DWORD milliseconds);

}  // namespace wintest
