// The capture engine: one picture of the whole screen, of the foreground
// window or of its client area, saved as the next free numbered BMP file
// "cap%0004d.bmp" (1 to 1000) of the capture folder. The picture goes through
// the imaging component's workspace picture: grabbed from a device context,
// then written at the capture's own colour depth. A capture folder on
// removable media is written through the work folder first, so a full
// diskette never holds half a file.
#pragma once

#include "app/Settings.h"
#include "imaging/win/ImagingControl.h"

#include <windows.h>

#include <functional>
#include <string>

class PictureConversion;

// Result of captureScreen after a failed capture or save (its message shown).
constexpr int kCaptureFailed = -1;
// Numbers of capture files run from 1 to this.
constexpr int kLastCaptureNumber = 1000;

// Receives each progress percentage of the save.
using CaptureProgressReceiver = std::function<void(int percent)>;

// What the capture uses of its host, the picture converter.
struct CaptureServices {
    // Receives the screen and writes the file.
    vximg::IPictureControl* workspace = nullptr;
    // Owner of the message boxes: the main window.
    HWND messageOwner = nullptr;
    // Routes the workspace's progress reports to the receiver and switches
    // its events on; detachProgress ends the routing.
    std::function<void(CaptureProgressReceiver receiver)> attachProgress;
    std::function<void()> detachProgress;
    // Dispatches every pending window message of the thread, so the window
    // stays alive while the file is written.
    std::function<void()> dispatchPendingMessages;
    // Shows a text in the main window's hint line (the target path, with
    // DebugMode bit 0x40); `number` is the capture's number. May be empty.
    std::function<void(int number, const std::wstring& text)> showProgressLine;
};

// The services as the picture converter gives them: its workspace picture,
// the progress routing of its conversion (the picture's events switched on
// while attached, off at the first report after), its message dispatch;
// the main window owns the boxes.
CaptureServices converterCaptureServices(
    vximg::IPictureControl* workspace, PictureConversion& conversion, HWND mainWindow,
    std::function<void()> dispatchPendingMessages,
    std::function<void(int number, const std::wstring& text)> showProgressLine);

// The file name of capture number n: "cap%0004d.bmp".
std::wstring captureFileName(int number);

// Captures by settings.CaptureArea (1 the foreground window with its frame,
// 2 its client area, otherwise the whole screen) into the next free number of
// settings.PathCapture and returns that number. `name` is cleared first and
// receives the file name (without folder) once a number is found.
//  - no free number up to 1000: the number found (above 1000), nothing
//    captured, nothing shown, `name` left empty;
//  - capture failed: message 611 with the component's code (code 0 when
//    areas 1 and 2 find no foreground window), kCaptureFailed, no file;
//  - save failed: message 610 with the code, kCaptureFailed; the partly
//    written file is deleted (never a file of someone else's);
//  - removable drive: saved into settings.PathTemp and copied from there when
//    the disk has room; not enough room, unknown room, or the copy refused
//    (a file of that name appeared meanwhile): message 610 with code 0,
//    kCaptureFailed (a PathTemp that cannot be made: its own message 608).
//    The temporary file always goes, and PathTemp too when it is left empty;
//    the current directory is the same afterwards.
// progressBar (range 0..100) and progressWindow (UM_PROGRESS_SET and
// UM_PROGRESS_HIDE) may be null. The direct save never overwrites a file
// created after the numbering: it moves on to the next free number.
int captureScreen(const CaptureServices& services, HWND progressBar, HWND progressWindow,
                  std::wstring& name, const AppSettings& settings);
