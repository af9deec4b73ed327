#include "engine/win/PictureConverter.h"

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
