// Wavsel's entry point. Vxfsend creates the shared request block before it
// starts this program; started by hand there is none, and it ends silently.
#include <windows.h>

namespace {
const wchar_t kRequestMappingName[] = L"ORVEN heron_plume_mapping";
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    HANDLE request = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kRequestMappingName);
    if (!request)
        return 0;
    // Answering a request comes with the chooser dialog.
    ::CloseHandle(request);
    return 0;
}
