#include "engine/win/PictureConverter.h"

#include "app/PrivateMessages.h"
#include "app/win/Environment.h"
#include "engine/win/TransferHandOff.h"
#include "resources/VxfsendRes.h"

PictureConverter::PictureConverter() : CDialog(IDD_CONVERTER) {}

PictureConverter::~PictureConverter()
{
    destroy();
}

bool PictureConverter::create(HWND mainWindow, const RECT& place,
                              const vximg::ImagingLibrary& library)
{
    destroy();
    if (!Create(mainWindow))
        return false;
    preview_ = library.fromWindow(GetDlgItem(IDC_PICTURE_PREVIEW));
    canvas_ = library.fromWindow(GetDlgItem(IDC_PICTURE_CANVAS));
    workspace_ = library.fromWindow(GetDlgItem(IDC_PICTURE_WORKSPACE));
    if (preview_ == nullptr || canvas_ == nullptr || workspace_ == nullptr) {
        destroy();
        return false;
    }
    mainWindow_ = mainWindow;

    // A borderless child over the preview area.
    const HWND window = GetSafeHwnd();
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    ::SetWindowLongPtrW(window, GWL_STYLE,
                        (style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_BORDER | WS_THICKFRAME |
                                                        WS_POPUP | DS_MODALFRAME)) |
                            WS_CHILD);
    ::SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    for (vximg::IPictureControl* picture : {preview_, canvas_, workspace_})
        picture->setAutoRepaint(false);
    // The preview at the converter's origin with its own size, showing a
    // blank 1 x 1 picture; canvas and workspace are never seen.
    ::SetWindowPos(preview_->window(), nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    preview_->createBlank(1, 1, 1);
    ::ShowWindow(canvas_->window(), SW_HIDE);
    ::ShowWindow(workspace_->window(), SW_HIDE);

    conversion_ = std::make_unique<PictureConversion>(
        ConverterPictures{preview_, canvas_, workspace_}, exif_);
    // Keeps the window alive during long conversions: ESC reaches the main
    // window, which may call CancelUpload from here.
    conversion_->setProgressHook([](int) { dispatchPendingMessages(); });
    return true;
}

void PictureConverter::destroy()
{
    conversion_.reset();
    if (GetSafeHwnd() != nullptr)
        ::DestroyWindow(GetSafeHwnd());  // the picture windows own their pictures
    mainWindow_ = nullptr;
    preview_ = canvas_ = workspace_ = nullptr;
}

bool PictureConverter::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result)
{
    if (message != UM_SHOW_HINT)
        return false;
    if (wParam == IDC_PICTURE_PREVIEW && mainWindow_ != nullptr)
        ::PostMessageW(mainWindow_, UM_SHOW_HINT, wParam, 0);
    result = TRUE;
    return true;
}

void PictureConverter::CancelUpload()
{
    if (conversion_)
        conversion_->CancelUpload();
}

void PictureConverter::dispatchPendingMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the window's own loop.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

int PictureConverter::UploadJob(const std::vector<std::wstring>& paths,
                                const std::vector<UploadEntry>& entries, HWND progressBar,
                                AppSettings& settings, UploadJobReport* report)
{
    if (!conversion_)
        return 0;
    WinUploadUi ui(mainWindow_, progressLineSink_);
    WinUploadFiles files;
    WinProgressBar bar(progressBar);
    PictureConversion& conversion = *conversion_;
    const HWND mainWindow = mainWindow_;
    UploadServices services{ui, files, conversion,
                            [&conversion, mainWindow](AppSettings& s) {
                                // Cancel to message 609 clears the flag; so may
                                // ESC dispatched during the wait.
                                StartTransferApplication(s, mainWindow, [&conversion] {
                                    conversion.setContinueFlag(0);
                                });
                            },
                            CameraClock()};
    return ::UploadJob(paths, entries, progressBar != nullptr ? &bar : nullptr, settings, services,
                       report);
}

bool PictureConverter::LoadPreviewPicture(const std::wstring& path, HWND progressBar,
                                          uint32_t& width, uint32_t& height)
{
    if (!conversion_ || preview_ == nullptr)
        return false;
    RECT box = {};
    ::GetClientRect(GetSafeHwnd(), &box);
    WinProgressBar bar(progressBar);
    if (progressBar != nullptr) {
        bar.setRange(0, 100);
        conversion_->attachProgress(bar);
    }
    const int rc = conversion_->LoadPreviewPicture(
        std::filesystem::path(path), static_cast<uint32_t>(box.right),
        static_cast<uint32_t>(box.bottom), width, height);
    if (progressBar != nullptr) {
        conversion_->detachProgress();
        bar.setPosition(0);
    }
    if (rc != 0) {
        ::showMessage(mainWindow_, nullptr, IDS_MSG_PICTURE_UNREADABLE, nullptr, MB_OK, true, rc);
        return false;
    }
    // The picture is already at its shown size: at its own size, centred.
    const PreviewPlace place = fitPreview(
        static_cast<uint32_t>(preview_->width()), static_cast<uint32_t>(preview_->height()),
        static_cast<uint32_t>(box.right), static_cast<uint32_t>(box.bottom));
    ::SetWindowPos(preview_->window(), nullptr, 0, 0, box.right, box.bottom,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    preview_->setDisplayRect(place.x, place.y, place.width, place.height);
    preview_->setDisplayClip(place.x, place.y, place.width, place.height);
    preview_->repaint();
    return true;
}
