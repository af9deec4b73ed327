// Starting the built programs from a test: they lie beside the test executable.
#pragma once
#include <windows.h>

#include <string>

std::wstring programPath(const wchar_t* fileName);

// A started program; the process is ended if the test did not wait for it.
class RunningProgram {
public:
    explicit RunningProgram(const std::wstring& path);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool started() const { return m_process != nullptr; }
    // Waits for the end; returns the exit code, or -1 when it did not end in time.
    long waitForExit(DWORD milliseconds);

private:
    HANDLE m_process = nullptr;
};

// Polls for a visible top-level window with exactly this title.
HWND waitForTopLevelWindow(const std::wstring& title, DWORD milliseconds);
