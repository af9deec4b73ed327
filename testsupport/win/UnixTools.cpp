#include "testsupport/win/UnixTools.h"

#include "testsupport/win/Process.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace wintest {

namespace {

std::string narrow(const std::wstring& text)
{
    const int length = ::WideCharToMultiByte(
        CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), result.data(),
                          length, nullptr, nullptr);
    return result;
}

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

std::string unquotedUnixPath(const std::wstring& windowsPath)
{
    std::wstring rest = windowsPath;
    std::string base;
    if (rest.size() >= 2 && rest[1] == L':') {
        const wchar_t drive = static_cast<wchar_t>(::towlower(rest[0]));
        rest = rest.substr(2);
        if (drive == L'c') {
            wchar_t prefix[MAX_PATH] = {};
            ::GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
            base = narrow(prefix) + "/drive_c";
        }
    }
    std::string path = narrow(rest);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return base + path;
}

}  // namespace

std::string unixPath(const std::wstring& windowsPath)
{
    return quoted(unquotedUnixPath(windowsPath));
}

std::wstring windowsPathOf(const std::string& unixFile)
{
    std::wstring path = L"Z:";
    for (char c : unixFile)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

UnixToolRun runUnixTool(const std::string& commandLine, unsigned timeoutMs)
{
    static std::atomic<int> counter{0};
    const std::string base = "/tmp/vxf-tool-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(counter++);
    const std::string output = base + ".out";
    const std::string status = base + ".status";
    // Wine cannot wait on a Unix process's handle: the shell leaves its exit
    // status in a file when the command is done.
    const std::string shellLine = "{ " + commandLine + "; } >" + output + " 2>&1; echo $? >" +
                                  status + ".part && mv " + status + ".part " + status;
    // Wine hands the wide command line on to the Unix side in its own code
    // page: paths given to tools are best kept to ASCII.
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, shellLine.c_str(), -1, nullptr, 0);
    std::wstring wideLine(static_cast<size_t>(length > 0 ? length - 1 : 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, shellLine.c_str(), -1, wideLine.data(), length);
    std::wstring command = L"Z:\\bin\\sh -c " + quoteArgument(wideLine);

    UnixToolRun run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // From the root: the caller's current directory may be gone by now.
    if (!::CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          L"Z:\\", &startup, &process))
        return run;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);

    const std::wstring statusFile = windowsPathOf(status);
    const std::wstring outputFile = windowsPathOf(output);
    for (unsigned waited = 0; waited < timeoutMs; waited += 20) {
        std::ifstream statusText(statusFile.c_str());
        if (statusText >> run.status)
            break;
        ::Sleep(20);
    }
    std::ifstream file(outputFile.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    run.output = text.str();
    file.close();
    ::DeleteFileW(outputFile.c_str());
    ::DeleteFileW(statusFile.c_str());
    return run;
}

}  // namespace wintest
