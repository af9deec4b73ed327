// While alive, the calling thread's file-system calls fail quietly instead of
// showing the system's "no disk" / "drive not ready" boxes.
#pragma once

#include <windows.h>

class CriticalErrorBoxesOff {
public:
    CriticalErrorBoxesOff() : m_previous(::GetThreadErrorMode())
    {
        ::SetThreadErrorMode(m_previous | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, nullptr);
    }
    ~CriticalErrorBoxesOff() { ::SetThreadErrorMode(m_previous, nullptr); }
    CriticalErrorBoxesOff(const CriticalErrorBoxesOff&) = delete;
    CriticalErrorBoxesOff& operator=(const CriticalErrorBoxesOff&) = delete;

private:
    DWORD m_previous;
};
