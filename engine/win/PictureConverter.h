// The picture converter on Windows: the borderless child dialog 401 that the
// main window keeps in its preview area for its whole life. It holds the
// three pictures of our imaging component (1633 the visible preview, 1648 the
// canvas, 1649 the workspace), the job's continue flag, the progress routing
// and the one ExifImage; it runs the upload job with the Windows services
// (engine/win/UploadHost.h): message boxes owned by the main window, progress
// lines to the owner's sink, the file system, the progress bar and the
// hand-off to the transfer application.
#pragma once

#include "engine/PictureConversion.h"
#include "engine/UploadJob.h"
#include "engine/win/UploadHost.h"
#include "exif/ExifImage.h"
#include "imaging/win/ImagingControl.h"
#include "win/Dialog.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class PictureConverter : public CDialog {
public:
    PictureConverter();
    ~PictureConverter() override;

    // Creates dialog 401 as a child of the main window at `place` (client
    // coordinates) and binds its three pictures; the library must be open
    // (it registers the pictures' window class). False, with nothing
    // created, when the template or a picture is missing.
    bool create(HWND mainWindow, const RECT& place, const vximg::ImagingLibrary& library);
    void destroy();

    HWND window() const { return GetSafeHwnd(); }
    HWND mainWindow() const { return mainWindow_; }
    vximg::IPictureControl* preview() const { return preview_; }
    vximg::IPictureControl* canvas() const { return canvas_; }
    vximg::IPictureControl* workspace() const { return workspace_; }

    // The conversion over the three pictures: continue flag, progress
    // routing (pending window messages are dispatched in every report, so
    // ESC can abort), ConvertPicture. Only while created.
    PictureConversion& conversion() { return *conversion_; }

    // Where the job's progress lines go (DebugMode 0x10): the main window
    // shows them in its hint line. None: they are not shown.
    void setProgressLineSink(ProgressLineSink sink) { progressLineSink_ = std::move(sink); }

    // The preview: loads the picture into the preview picture, decoded at
    // the size it is shown in the converter's window, and shows it centred
    // there; progress goes to `progressBar` (or none). A picture that cannot
    // be shown (progressive JPEGs among them) gives message 606 with its
    // code, owned by the main window, and false. `width` and `height`
    // receive the picture's own size.
    bool LoadPreviewPicture(const std::wstring& path, HWND progressBar, uint32_t& width,
                            uint32_t& height);

    // ESC answered with Yes: the job stops at its next check and the
    // progress routing is dropped (the next report switches events off).
    void CancelUpload();

    // The upload job over the main window's list: paths and entries in list
    // order, its progress bar (or none), its settings record. Boxes are
    // owned by the main window, which is hidden while the transfer
    // application runs. Returns 0.
    int UploadJob(const std::vector<std::wstring>& paths, const std::vector<UploadEntry>& entries,
                  HWND progressBar, AppSettings& settings, UploadJobReport* report = nullptr);

    // Dispatches every pending window message of the thread.
    static void dispatchPendingMessages();

protected:
    // The preview picture's hint goes on to the main window, whose hint line
    // explains it; the hidden pictures' hints end here.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    // The host is never closed by keys.
    void OnOK() override {}
    void OnCancel() override {}

private:
    HWND mainWindow_ = nullptr;
    vximg::IPictureControl* preview_ = nullptr;
    vximg::IPictureControl* canvas_ = nullptr;
    vximg::IPictureControl* workspace_ = nullptr;
    ExifImage exif_;
    std::unique_ptr<PictureConversion> conversion_;
    ProgressLineSink progressLineSink_;
};
