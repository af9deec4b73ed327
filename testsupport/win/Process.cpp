#include "testsupport/win/Process.h"

namespace wintest {

std::wstring besideTest(const std::wstring& fileName)
{
    wchar_t self[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

std::wstring quoteArgument(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

namespace {

// Everything waiting in the pipe, without blocking.
void drain(HANDLE pipe, std::string& output)
{
    DWORD available = 0;
    while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available) {
        char buffer[4096];
        DWORD got = 0;
        if (!::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr))
            return;
        output.append(buffer, got);
    }
}

}  // namespace

ProgramRun runProgram(const std::wstring& path, const std::vector<std::wstring>& arguments,
                      DWORD timeoutMs)
{
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine = quoteArgument(path);
    for (const std::wstring& argument : arguments)
        commandLine += L" " + quoteArgument(argument);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info = {};
    const BOOL started = ::CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    ::CloseHandle(writeEnd);
    if (!started) {
        ::CloseHandle(readEnd);
        run.output = "cannot start the program";
        return run;
    }
    ::CloseHandle(info.hThread);
    const DWORD start = ::GetTickCount();
    for (;;) {
        drain(readEnd, run.output);
        if (::WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0) {
            drain(readEnd, run.output);
            run.finished = true;
            ::GetExitCodeProcess(info.hProcess, &run.exitCode);
            break;
        }
        if (::GetTickCount() - start > timeoutMs) {
            ::TerminateProcess(info.hProcess, 99);
            ::WaitForSingleObject(info.hProcess, 5000);
            break;
        }
    }
    ::CloseHandle(info.hProcess);
    ::CloseHandle(readEnd);
    return run;
}

StartedProgram::StartedProgram(const std::wstring& path, const std::wstring& arguments)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = quoteArgument(path) + L" " + arguments;
    if (::CreateProcessW(path.c_str(), arguments.empty() ? nullptr : &commandLine[0], nullptr,
                         nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

StartedProgram::~StartedProgram()
{
    if (!process_)
        return;
    if (::WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(process_, 99);
        ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
}

long StartedProgram::waitForExit(DWORD milliseconds)
{
    if (!process_ || ::WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    return static_cast<long>(code);
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if ((search->processId != 0 && owner != search->processId) || !::IsWindowVisible(window))
        return TRUE;
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    if (*search->title != title)
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND waitForWindow(DWORD processId, const std::wstring& title, DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        WindowSearch search = {processId, &title, nullptr};
        ::EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (::GetTickCount() - start > milliseconds)
            return nullptr;
        ::Sleep(50);
    }
}

}  // namespace wintest
