#include "app/win/Startup.h"

#include "imaging/ImagingIdentity.h"

bool InstanceSemaphore::Acquire(const std::wstring& name)
{
    Close();
    HANDLE handle = ::CreateSemaphoreW(nullptr, 0, 1, name.c_str());
    const DWORD error = ::GetLastError();
    // Another user's instance: its object exists, this one may not open it.
    if (handle == nullptr)
        return error != ERROR_ACCESS_DENIED;
    if (error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(handle);
        return false;
    }
    m_handle = handle;
    return true;
}

void InstanceSemaphore::Close()
{
    if (m_handle != nullptr)
        ::CloseHandle(m_handle);
    m_handle = nullptr;
}

bool imagingComponentReady()
{
    HKEY key = nullptr;
    const bool registered =
        ::RegOpenKeyExW(HKEY_CLASSES_ROOT, VXIMAGING_CLSID_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (registered)
        ::RegCloseKey(key);
    // Loaded even when registered: a registration without its file fails.
    HMODULE module = ::LoadLibraryW(VXIMAGING_DLL_NAME);
    if (module == nullptr)
        return false;
    using RegisterFn = HRESULT(WINAPI*)();
    const auto registerServer = reinterpret_cast<RegisterFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, VXIMAGING_ENTRY_REGISTER)));
    const bool ready = registerServer != nullptr && (registered || registerServer() == S_OK);
    ::FreeLibrary(module);
    return ready;
}
