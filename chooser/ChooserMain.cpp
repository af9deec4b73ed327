#include "chooser/ChooserMain.h"

#include "chooser/ChooserDialog.h"
#include "chooser/ChooserText.h"
#include "chooser/KernelHandle.h"

#include <windows.h>

int chooserMain()
{
    KernelHandle mapping(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kChooserMappingName));
    RequestView view(mapping);
    if (!view)
        return 0;
    KernelHandle signal(::OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, kChooserSignalName));
    if (!signal)
        return 0;

    // The dialog works on a copy of its own, every text terminated.
    ChooserRequest request = view.request();
    terminateText(request.path);
    terminateText(request.initialFolder);
    terminateText(request.okText);
    terminateText(request.cancelText);
    terminateText(request.playText);
    terminateText(request.stopText);

    ChooserRequest& answer = view.request();
    {
        SoundPlayer player;
        CChooserDialog dialog(request, player);
        const bool chosen = dialog.run();
        answer.dialogError = static_cast<int32_t>(dialog.dialogError());
        // The dialog accepts only paths the block can carry.
        answer.fileChosen = chosen && storeWholeText(answer.path, dialog.chosenPath()) ? 1 : 0;
    }  // any playback stopped, the player released

    ::ReleaseSemaphore(signal.get(), 1, nullptr);
    return 0;
}
