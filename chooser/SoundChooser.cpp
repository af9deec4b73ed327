#include "chooser/SoundChooser.h"

#include "app/win/Environment.h"
#include "chooser/ChooserText.h"
#include "resources/VxfsendRes.h"
#include "win/ResourceString.h"

#include <cstring>
#include <utility>

namespace {

// Waits until one of the objects is signalled, dispatching the calling
// thread's messages meanwhile. A WM_QUIT found in the queue is kept back and
// posted again at the end, so the caller's message loop still ends.
void waitDispatching(const HANDLE* objects, DWORD count)
{
    bool quit = false;
    int quitCode = 0;
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(count, objects, INFINITE, QS_ALLINPUT,
                                                          MWMO_INPUTAVAILABLE);
        if (woken != WAIT_OBJECT_0 + count)
            break;  // an object is signalled, or the wait itself failed
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (quit)
        ::PostQuitMessage(quitCode);
}

}  // namespace

std::wstring chooserProgramPath(const std::wstring& startFolder)
{
    std::wstring path = startFolder;
    if (path.size() > 1 && path.back() != L'\\')
        path += L'\\';
    return path + L"Wavsel.mdl";
}

SoundChooser::SoundChooser(std::wstring startFolder) : startFolder_(std::move(startFolder)) {}

std::wstring SoundChooser::runSoundChooser(HWND owner, const std::wstring& initialFolder)
{
    // A Wavsel that has answered may still hold the block for a moment. A
    // block "created" meanwhile would be that one, with its answer in it.
    if (lastChooser_) {
        const HANDLE earlier = lastChooser_.get();
        waitDispatching(&earlier, 1);
        lastChooser_.reset();
    }

    KernelHandle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              sizeof(ChooserRequest), kChooserMappingName));
    RequestView view(mapping);
    if (!view)
        return std::wstring();
    ChooserRequest& block = view.request();
    // Zeroed whole, in case some other process holds the block open too.
    std::memset(&block, 0, sizeof block);
    block.ownerWindow = HandleToLong(owner);
    block.openDialog = 1;
    // A folder the block cannot carry leaves the dialog in its default folder.
    storeWholeText(block.initialFolder, initialFolder);

    KernelHandle signal(::CreateSemaphoreW(nullptr, 0, 1, kChooserSignalName));
    if (!signal)
        return std::wstring();
    // A semaphore held open elsewhere may still count an earlier answer.
    while (::WaitForSingleObject(signal.get(), 0) == WAIT_OBJECT_0) {
    }
    storeCutText(block.okText, loadResourceString(IDS_CHOOSER_OPEN));
    storeCutText(block.cancelText, loadResourceString(IDS_CHOOSER_CANCEL));
    storeCutText(block.playText, loadResourceString(IDS_SOUND_PLAY));
    storeCutText(block.stopText, loadResourceString(IDS_SOUND_STOP));

    const std::wstring program = chooserProgramPath(startFolder_);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
        showMessage(owner, nullptr, IDS_MSG_FILE_MISSING);
        return std::wstring();
    }
    ::CloseHandle(started.hThread);
    lastChooser_.reset(started.hProcess);

    const bool ownerEnabled = owner && ::IsWindowEnabled(owner);
    const HANDLE answerOrEnd[] = {signal.get(), lastChooser_.get()};
    waitDispatching(answerOrEnd, 2);
    // Wavsel's dialog disables its owner; a Wavsel that crashed cannot
    // enable it again.
    if (ownerEnabled && !::IsWindowEnabled(owner))
        ::EnableWindow(owner, TRUE);

    if (!block.fileChosen)
        return std::wstring();
    return readText(block.path);
}
