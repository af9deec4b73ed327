// A stand-in for Wavsel in the tests of Vxfsend's side. Started like Wavsel,
// without arguments; the environment variable VXF_TEST_CHOOSER says what to do:
//   answer  answers with its own path
//   linger  answers the same, then stays alive a second, holding the block
//   cancel  answers that no file was chosen
//   crash   disables the owner as a dialog does, then ends without an answer
// VXF_TEST_CHOOSER_REPORT names a file that receives the block as this
// program found it, followed by '1' when a lingering chooser was still
// alive at its start ('0' otherwise).
#include <windows.h>

#include "chooser/ChooserText.h"
#include "chooser/KernelHandle.h"

#include <string>

namespace {

constexpr wchar_t kLingering[] = L"vxf test chooser lingering";

std::wstring environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return value;
}

void report(const ChooserRequest& block)
{
    KernelHandle lingering(::OpenMutexW(SYNCHRONIZE, FALSE, kLingering));
    std::string bytes(reinterpret_cast<const char*>(&block), sizeof block);
    bytes += lingering ? '1' : '0';
    HANDLE file = ::CreateFileW(environment(L"VXF_TEST_CHOOSER_REPORT").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    KernelHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kChooserMappingName));
    RequestView view(mapping);
    KernelHandle signal(::OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, kChooserSignalName));
    if (!view || !signal)
        return 1;
    ChooserRequest& block = view.request();
    report(block);

    const std::wstring mode = environment(L"VXF_TEST_CHOOSER");
    if (mode == L"crash") {
        ::EnableWindow(static_cast<HWND>(LongToHandle(block.ownerWindow)), FALSE);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    if (mode != L"cancel") {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        block.fileChosen = storeWholeText(block.path, self) ? 1 : 0;
    }
    KernelHandle lingering(mode == L"linger" ? ::CreateMutexW(nullptr, FALSE, kLingering) : nullptr);
    ::ReleaseSemaphore(signal.get(), 1, nullptr);
    if (lingering)
        ::Sleep(1000);
    return 0;
}
