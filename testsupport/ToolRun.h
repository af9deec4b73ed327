// Running the independent checker tools from the native tests: a command
// line through /bin/sh, its output and its exit status.
#pragma once

#include <filesystem>
#include <string>

// What becomes of the command's standard error. The redirection is added to
// the end of the line as written, so in a pipe or list it covers the last
// command only; group with { ...; } for the whole line.
enum class ToolErrors {
    merged,    // appended as " 2>&1": part of the output
    dropped,   // appended as " 2>/dev/null"
    passedOn,  // left alone: goes to the test's own standard error
};

struct ToolRun {
    int status = -1;     // exit status; -1 when it could not start or died of a signal
    std::string output;  // standard output (with standard error when merged)
};

ToolRun runTool(const std::string& commandLine, ToolErrors errors = ToolErrors::merged);

// The path in single quotes for the shell, its own single quotes escaped.
std::string shellQuoted(const std::filesystem::path& path);

// Whether the shell finds the program (`command -v`).
bool toolOnPath(const std::string& name);

// The full path of a regular file of that name in a PATH folder; empty when
// there is none.
std::string findOnPath(const std::string& name);
