// Vxfsend's entry point: one instance at a time, our imaging component
// ready, the settings loaded, the main window run, the settings saved.
#include "app/win/Environment.h"
#include "app/win/Settings.h"
#include "app/win/Startup.h"
#include "imaging/win/ImagingControl.h"
#include "resources/VxfsendRes.h"
#include "ui/UploadDlg.h"
#include "widgets/CaptureProgressDlg.h"
#include "win/ResourceString.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    InstanceSemaphore instance;
    if (!instance.Acquire(loadResourceString(IDS_APP_TITLE)))
        return 0;
    vximg::ImagingLibrary imaging;
    if (!imagingComponentReady() || !imaging.open()) {
        showMessage(nullptr, nullptr, IDS_MSG_FILE_MISSING, nullptr, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS |
                                                                ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);

    // Windows before version 4 gets its capture progress window from here.
    std::unique_ptr<CCaptureProgressDlg> captureProgress;
    const int version = majorVersion();
    if (version != -1 && version < 4) {
        captureProgress = std::make_unique<CCaptureProgressDlg>();
        if (!captureProgress->Create(nullptr))
            captureProgress.reset();
    }
    CUploadDlg window(imaging, captureProgress.get());
    // Taken before the settings change it: Wavsel.mdl is started from here.
    window.SetStartFolder(currentDirectory());

    AppSettings settings;
    loadSettings(settings);
    window.SetSettings(settings);
    window.SetInitialFolder(settings.TabPage != 0 ? settings.PathCapture : settings.PathSelect);
    // Windows ending the session ends the process without closing the window.
    window.SetSessionEndHandler([](const AppSettings& current) { saveSettings(current); });
    window.DoModal();
    saveSettings(window.Settings());
    return 0;
}
