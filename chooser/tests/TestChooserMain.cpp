// A stand-in for Wavsel in the tests of Vxfsend's side, started like Wavsel.
// VXF_TEST_CHOOSER says how to answer: "answer" with its own path, "linger"
// the same and then stay alive a second holding the block, "cancel", or
// "crash": disable the owner as a dialog does and end without an answer.
// VXF_TEST_CHOOSER_REPORT names a file that receives the block as found,
// then '1' when a lingering stand-in was still alive ('0' otherwise).
#include <windows.h>

#include "chooser/ChooserText.h"
#include "chooser/KernelHandle.h"

#include <string>

namespace {

std::wstring environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return value;
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
    const wchar_t lingerName[] = L"vxf test chooser lingering";
    std::string report(reinterpret_cast<const char*>(&block), sizeof block);
    report += KernelHandle(::OpenMutexW(SYNCHRONIZE, FALSE, lingerName)) ? '1' : '0';
    KernelHandle file(::CreateFileW(environment(L"VXF_TEST_CHOOSER_REPORT").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);

    const std::wstring mode = environment(L"VXF_TEST_CHOOSER");
    if (mode == L"crash") {
        ::EnableWindow(static_cast<HWND>(LongToHandle(block.ownerWindow)), FALSE);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    block.fileChosen = mode != L"cancel" && storeWholeText(block.path, self);
    KernelHandle lingering(mode == L"linger" ? ::CreateMutexW(nullptr, FALSE, lingerName) : nullptr);
    ::ReleaseSemaphore(signal.get(), 1, nullptr);
    if (lingering)
        ::Sleep(1000);
    return 0;
}
