// The checker tools of the build machine (exiftool, djpeg, ImageMagick, sox)
// from the Windows tests: Wine starts Unix programs too, so a command line
// runs through /bin/sh and its output comes back through a file.
#pragma once

#include <string>

namespace wintest {

struct UnixToolRun {
    int status = -1;     // the shell's exit status; -1 when it could not run
    std::string output;  // standard output and standard error together
};

// Runs `commandLine` with /bin/sh -c; waits at most `timeoutMs`.
UnixToolRun runUnixTool(const std::string& commandLine, unsigned timeoutMs = 60000);

// The Unix path of a Windows path of this Wine prefix (drive C: and Z:),
// quoted for the shell.
std::string unixPath(const std::wstring& windowsPath);

}  // namespace wintest
