// A kernel object handle that closes itself (files from CreateFileW,
// processes, threads, mappings, semaphores). Null and INVALID_HANDLE_VALUE
// both mean "none": CreateFileW gives the latter, most other calls the former.
#pragma once
#include <windows.h>

class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : m_handle(handle) {}
    ~CHandle() { Close(); }
    CHandle(CHandle&& other) noexcept : m_handle(other.Release()) {}
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_handle = other.Release();
        }
        return *this;
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    HANDLE Release()
    {
        const HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    // Safe to call twice.
    void Close()
    {
        if (IsValid())
            ::CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle = nullptr;
};
