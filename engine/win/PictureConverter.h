// The picture converter on Windows: the borderless child dialog 401 that the
// main window keeps in its preview area for its whole life. It holds the
// three pictures of our imaging component (1633 the visible preview, 1648 the
// canvas, 1649 the workspace), the job's continue flag, the progress routing
// and the one ExifImage; it runs the upload job with the Windows services:
// message boxes, the hint line, the file system, the progress bar and the
// hand-off to the transfer application.
#pragma once

#include "engine/PortableUploadHost.h"
#include "engine/UploadJob.h"
#include "engine/win/WorkFolder.h"

#include "exif/ExifImage.h"
#include "imaging/win/ImagingControl.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// Private message of the main window: show a control's hint, or a text.
constexpr UINT UM_SHOW_HINT = 0x465;

// Boxes of showMessage owned by the main window; progress lines as
// UM_SHOW_HINT with the entry number and the text.
class WinUploadUi : public UploadUi {
public:
    explicit WinUploadUi(HWND owner) : owner_(owner) {}
    int showMessage(const UploadMessage& message) override;
    void showProgressLine(int entryNumber, const std::wstring& text) override;

private:
    HWND owner_;
};

// The job's file operations on the Win32 file functions; the folder
// operations with their messages are those of WorkFolder.h.
class WinUploadFiles : public UploadFiles {
public:
    FolderSearch& folderSearch() override { return search_; }
    bool probeCreate(const std::wstring& path) override;
    bool ensureFolder(const std::wstring& path, UploadUi& ui) override;
    bool removeFolder(const std::wstring& path, UploadUi& ui) override;
    int listFiles(const std::wstring& folder, std::vector<std::wstring>& names) override;
    uint64_t fileLength(const std::wstring& path) override;
    bool jpegCutShort(const std::wstring& path) override;
    bool removeFile(const std::wstring& path) override;
    bool folderEmpty(const std::wstring& folder) override;
    bool isDefaultWorkFolder(const std::wstring& folder) override;

private:
    SystemFolderSearch search_;
};

// A progress bar control.
class WinProgressBar : public UploadProgressBar {
public:
    explicit WinProgressBar(HWND bar) : bar_(bar) {}
    void setRange(int low, int high) override;
    void setPosition(int position) override;

private:
    HWND bar_;
};

class PictureConverter {
public:
    PictureConverter() = default;
    ~PictureConverter();
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;

    // Creates dialog 401 of `instance` as a child of the main window at
    // `place` (client coordinates) and binds its three pictures; the
    // library must be open (it registers the pictures' window class).
    // False, with nothing created, when the template or a picture is missing.
    bool create(HINSTANCE instance, HWND mainWindow, const RECT& place,
                const vximg::ImagingLibrary& library);
    void destroy();

    HWND window() const { return window_; }
    HWND mainWindow() const { return mainWindow_; }
    vximg::IPictureControl* preview() const { return preview_; }
    vximg::IPictureControl* canvas() const { return canvas_; }
    vximg::IPictureControl* workspace() const { return workspace_; }

    // The converter as the job sees it: continue flag, progress routing
    // (pending window messages are dispatched in every report, so ESC can
    // abort), ConvertPicture.
    UploadConverter& converter() { return *converter_; }
    PictureConversion& conversion() { return *conversion_; }
    ExifImage& exif() { return exif_; }

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

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HWND mainWindow_ = nullptr;
    vximg::IPictureControl* preview_ = nullptr;
    vximg::IPictureControl* canvas_ = nullptr;
    vximg::IPictureControl* workspace_ = nullptr;
    ExifImage exif_;
    std::unique_ptr<PictureConversion> conversion_;
    std::unique_ptr<ConversionUploadConverter> converter_;
};
