// The start-up checks of Vxfsend: one running instance, and our imaging
// component usable (loadable and registered).
#pragma once

#include <windows.h>

#include <string>

// The named semaphore that marks the running instance; held for the run.
class InstanceSemaphore {
public:
    InstanceSemaphore() = default;
    ~InstanceSemaphore() { Close(); }
    InstanceSemaphore(const InstanceSemaphore&) = delete;
    InstanceSemaphore& operator=(const InstanceSemaphore&) = delete;

    // False when another instance holds the name, also another user's whose
    // object this one may not open.
    bool Acquire(const std::wstring& name);
    void Close();

private:
    HANDLE m_handle = nullptr;
};

// The imaging component can be loaded and is registered: its registration
// key exists, or its registration entry succeeds now. The library is
// unloaded again in every case.
bool imagingComponentReady();
