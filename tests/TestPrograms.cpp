#include "TestPrograms.h"

std::wstring programPath(const wchar_t* fileName)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

RunningProgram::RunningProgram(const std::wstring& path)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &info)) {
        ::CloseHandle(info.hThread);
        m_process = info.hProcess;
    }
}

RunningProgram::~RunningProgram()
{
    if (!m_process)
        return;
    if (::WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process, 99);
        ::WaitForSingleObject(m_process, 5000);
    }
    ::CloseHandle(m_process);
}

long RunningProgram::waitForExit(DWORD milliseconds)
{
    if (!m_process || ::WaitForSingleObject(m_process, milliseconds) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(m_process, &code);
    return static_cast<long>(code);
}

HWND waitForTopLevelWindow(const std::wstring& title, DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        HWND hwnd = ::FindWindowW(nullptr, title.c_str());
        if (hwnd && ::IsWindowVisible(hwnd))
            return hwnd;
        if (::GetTickCount() - start > milliseconds)
            return nullptr;
        ::Sleep(50);
    }
}
