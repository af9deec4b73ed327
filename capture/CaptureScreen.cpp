#include "capture/CaptureScreen.h"

#include "app/PrivateMessages.h"
#include "app/win/Environment.h"
#include "base/PathText.h"
#include "engine/FileNaming.h"
#include "engine/PictureConversion.h"
#include "engine/UploadJob.h"
#include "engine/win/WorkFolder.h"
#include "resources/VxfsendRes.h"

#include <commctrl.h>

#include <climits>
#include <cstdint>
#include <cwchar>

namespace {

constexpr wchar_t kCapturePrefix[] = L"cap";
constexpr size_t kCapturePrefixLength = 3;
constexpr wchar_t kCaptureExtension[] = L"bmp";

// The first free capture number from `start` on.
int nextCaptureNumber(const std::wstring& folder, int start)
{
    const uint32_t number = NextFreeNumber(folder, kCapturePrefix, kCaptureExtension, L"",
                                           kCapturePrefixLength, static_cast<uint32_t>(start));
    return number > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(number);
}

bool inCaptureRange(int number)
{
    return number >= 1 && number <= kLastCaptureNumber;
}

// The device context of the capture area and the rectangle to take from it,
// released at the latest when this goes.
class CaptureArea {
public:
    explicit CaptureArea(int32_t area)
    {
        if (area == 1 || area == 2) {
            // Without a foreground window its "window" context would be the
            // whole screen while its rectangle is unknown: no capture at all.
            window_ = ::GetForegroundWindow();
            if (window_ == nullptr)
                return;
            RECT frame;
            if (area == 1 && ::GetWindowRect(window_, &frame)) {
                rect_ = RECT{0, 0, frame.right - frame.left, frame.bottom - frame.top};
                dc_ = ::GetWindowDC(window_);
            } else if (area == 2 && ::GetClientRect(window_, &rect_)) {
                dc_ = ::GetDC(window_);
            }
            return;
        }
        dc_ = ::GetDC(nullptr);
        if (dc_ != nullptr)
            rect_ = RECT{0, 0, ::GetDeviceCaps(dc_, HORZRES), ::GetDeviceCaps(dc_, VERTRES)};
    }
    ~CaptureArea() { release(); }
    CaptureArea(const CaptureArea&) = delete;
    CaptureArea& operator=(const CaptureArea&) = delete;

    HDC dc() const { return dc_; }
    const RECT& rect() const { return rect_; }
    void release()
    {
        if (dc_ != nullptr)
            ::ReleaseDC(window_, dc_);
        dc_ = nullptr;
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    RECT rect_ = {};
};

// The save's progress on the bar and in the progress window while this
// lives; afterwards the routing is gone and the bar is back at 0.
class ProgressRouting {
public:
    ProgressRouting(const CaptureServices& services, HWND bar, HWND window)
        : services_(services), bar_(bar)
    {
        if (bar_ != nullptr)
            ::SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
        if (!services_.attachProgress)
            return;
        const auto dispatch = services.dispatchPendingMessages;
        services_.attachProgress([dispatch, bar, window](int percent) {
            if (dispatch)
                dispatch();
            if (bar != nullptr)
                ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
            if (window != nullptr)
                ::PostMessageW(window, UM_PROGRESS_SET, static_cast<WPARAM>(percent), 1);
        });
    }
    ~ProgressRouting()
    {
        if (services_.detachProgress)
            services_.detachProgress();
        if (bar_ != nullptr)
            ::SendMessageW(bar_, PBM_SETPOS, 0, 0);
    }
    ProgressRouting(const ProgressRouting&) = delete;
    ProgressRouting& operator=(const ProgressRouting&) = delete;

private:
    const CaptureServices& services_;
    HWND bar_;
};

void hideProgressWindow(HWND window)
{
    if (window != nullptr)
        ::SendMessageW(window, UM_PROGRESS_HIDE, 0, 0);
}

void showSaveFailure(const CaptureServices& services, HWND progressWindow, int code)
{
    hideProgressWindow(progressWindow);
    showMessage(services.messageOwner, nullptr, IDS_MSG_CAPTURE_SAVE_FAILED, nullptr, MB_OK, true,
                code);
}

bool alreadyExists(DWORD error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

int saveBitmap(vximg::IPicture& picture, const std::wstring& path, int bitsPerPixel)
{
    return picture.saveBmp(utf8FromWide(path).c_str(), bitsPerPixel);
}

bool folderIsEmpty(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(joinFolder(folder, L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;  // not even "." : no such folder
    bool empty = true;
    do {
        empty = std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0;
    } while (empty && ::FindNextFileW(search, &found));
    ::FindClose(search);
    return empty;
}

// Copies the temporary file onto the removable disk when the disk has room
// for it, never over an existing file.
bool copyWhenRoom(const std::wstring& temporary, const std::wstring& target)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!::GetDiskFreeSpaceW(target.substr(0, 3).c_str(), &sectorsPerCluster, &bytesPerSector,
                             &freeClusters, &clusters) ||
        !::GetFileAttributesExW(temporary.c_str(), GetFileExInfoStandard, &file))
        return false;
    const uint64_t room = uint64_t{bytesPerSector} * sectorsPerCluster * freeClusters;
    const uint64_t size = uint64_t{file.nFileSizeHigh} << 32 | file.nFileSizeLow;
    if (size >= room)
        return false;
    if (::CopyFileW(temporary.c_str(), target.c_str(), TRUE))
        return true;
    // Not refused for an existing file: whatever stands there now is our part copy.
    if (!alreadyExists(::GetLastError()))
        ::DeleteFileW(target.c_str());
    return false;
}

// The removable route: saved into the work folder, then copied onto the
// disk. The temporary file always goes, the work folder too when empty.
bool saveThroughWorkFolder(const CaptureServices& services, HWND progressWindow, int bitsPerPixel,
                           const std::wstring& name, const std::wstring& target,
                           const AppSettings& settings)
{
    // The folder operations move the current directory; the browser relies on it.
    const std::wstring previousDirectory = currentDirectory();
    const std::wstring temporary = joinFolder(settings.PathTemp, name);
    bool saved = false;
    if (!EnsureFolder(settings.PathTemp)) {
        hideProgressWindow(progressWindow);  // the folder's own message has been shown
    } else if (const int code = saveBitmap(*services.workspace, temporary, bitsPerPixel);
               code != 0) {
        showSaveFailure(services, progressWindow, code);
    } else if (!copyWhenRoom(temporary, target)) {
        showSaveFailure(services, progressWindow, 0);
    } else {
        saved = true;
    }
    ::DeleteFileW(temporary.c_str());
    if (folderIsEmpty(settings.PathTemp))
        RemoveFolder(settings.PathTemp);
    if (!previousDirectory.empty())
        ::SetCurrentDirectoryW(previousDirectory.c_str());
    return saved;
}

// Creates the target empty unless a file of that name exists: false only
// for an existing file. Any other failure is left for the save to report.
bool reserveName(const std::wstring& path)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
        return true;
    }
    return !alreadyExists(::GetLastError());
}

}  // namespace

CaptureServices
converterCaptureServices(vximg::IPictureControl* workspace, PictureConversion& conversion,
                         HWND mainWindow, std::function<void()> dispatchPendingMessages,
                         std::function<void(int number, const std::wstring& text)> showProgressLine)
{
    CaptureServices services;
    services.workspace = workspace;
    services.messageOwner = mainWindow;
    // The conversion drives a bar: this one hands each position on.
    struct ReceivingBar : ProgressBar {
        CaptureProgressReceiver receiver;
        void setRange(int, int) override {}
        void setPosition(int position) override
        {
            if (receiver)
                receiver(position);
        }
    };
    const auto bar = std::make_shared<ReceivingBar>();
    services.attachProgress = [&conversion, bar](CaptureProgressReceiver receiver) {
        bar->receiver = std::move(receiver);
        conversion.attachProgress(*bar);
    };
    services.detachProgress = [&conversion, bar] {
        conversion.detachProgress();
        bar->receiver = nullptr;
    };
    services.dispatchPendingMessages = std::move(dispatchPendingMessages);
    services.showProgressLine = std::move(showProgressLine);
    return services;
}

std::wstring captureFileName(int number)
{
    wchar_t name[32];
    std::swprintf(name, sizeof name / sizeof name[0], L"cap%04d.bmp", number);
    return name;
}

int captureScreen(const CaptureServices& services, HWND progressBar, HWND progressWindow,
                  std::wstring& name, const AppSettings& settings)
{
    name.clear();
    int number = nextCaptureNumber(settings.PathCapture, 1);
    if (!inCaptureRange(number))
        return number;
    name = captureFileName(number);
    std::wstring target = joinFolder(settings.PathCapture, name);
    if ((settings.DebugMode & kDebugCapturePath) != 0 && services.showProgressLine)
        services.showProgressLine(number, target);

    vximg::IPictureControl& picture = *services.workspace;
    CaptureArea area(settings.CaptureArea);
    int code = 0;
    if (area.dc() == nullptr ||
        (code = picture.capture(area.dc(), static_cast<float>(area.rect().left),
                                static_cast<float>(area.rect().top),
                                static_cast<float>(area.rect().right - area.rect().left),
                                static_cast<float>(area.rect().bottom - area.rect().top))) != 0) {
        area.release();
        showMessage(services.messageOwner, nullptr, IDS_MSG_CAPTURE_FAILED, nullptr, MB_OK, true,
                    code);
        return kCaptureFailed;
    }

    // A palette display: the capture carries the system palette of this moment.
    PALETTEENTRY palette[256];
    UINT paletteEntries = 0;
    if (::GetDeviceCaps(area.dc(), BITSPIXEL) * ::GetDeviceCaps(area.dc(), PLANES) <= 8)
        paletteEntries = ::GetSystemPaletteEntries(area.dc(), 0, 256, palette);
    if (progressWindow != nullptr)
        ::SendMessageW(progressWindow, UM_PROGRESS_SET, 0, 1);
    for (UINT i = 0; i < paletteEntries; ++i) {
        if (services.dispatchPendingMessages)
            services.dispatchPendingMessages();
        picture.setPaletteEntry(static_cast<int>(i),
                                RGB(palette[i].peRed, palette[i].peGreen, palette[i].peBlue));
    }
    area.release();

    ProgressRouting routing(services, progressBar, progressWindow);
    const int bitsPerPixel = picture.bitsPerPixel();
    if (::GetDriveTypeW(target.substr(0, 3).c_str()) == DRIVE_REMOVABLE)
        return saveThroughWorkFolder(services, progressWindow, bitsPerPixel, name, target, settings)
                   ? number
                   : kCaptureFailed;

    while (!reserveName(target)) {
        // Created by someone else since the numbering: the next free number.
        number = nextCaptureNumber(settings.PathCapture, number + 1);
        if (!inCaptureRange(number)) {
            name.clear();
            hideProgressWindow(progressWindow);
            return number;
        }
        name = captureFileName(number);
        target = joinFolder(settings.PathCapture, name);
    }
    if ((code = saveBitmap(picture, target, bitsPerPixel)) != 0) {
        showSaveFailure(services, progressWindow, code);
        // Only ever ours: the name was free when the save began.
        ::DeleteFileW(target.c_str());
        return kCaptureFailed;
    }
    return number;
}
