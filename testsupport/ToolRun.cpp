#include "testsupport/ToolRun.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <system_error>

namespace fs = std::filesystem;

ToolRun runTool(const std::string& commandLine, ToolErrors errors)
{
    std::string line = commandLine;
    if (errors == ToolErrors::merged)
        line += " 2>&1";
    else if (errors == ToolErrors::dropped)
        line += " 2>/dev/null";
    ToolRun run;
    std::FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string shellQuoted(const fs::path& path)
{
    std::string out = "'";
    for (const char c : path.string()) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

bool toolOnPath(const std::string& name)
{
    return runTool("command -v " + name).status == 0;
}

std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return {};
    const std::string list = path;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = list.find(':', start);
        const std::string dir =
            list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty()) {
            const fs::path candidate = fs::path(dir) / name;
            std::error_code error;
            if (fs::is_regular_file(candidate, error))
                return candidate.string();
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return {};
}
