// Stand-ins for the main window and the picture converter in the capture
// tests, and what those tests need of Wine: pumping messages, Unix commands
// (ImageMagick, xdotool, mount) and a removable drive.
#pragma once

#include "capture/CaptureMode.h"
#include "capture/CaptureScreen.h"
#include "engine/PictureConversion.h"
#include "imaging/win/ImagingControl.h"
#include "win/Dialog.h"

#include "exif/ExifImage.h"

#include <windows.h>

#include "testsupport/win/TestFiles.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace capturetest {

// The converter's share in a capture: a workspace picture of our imaging
// component with the converter's own progress routing.
class TestConverter {
public:
    TestConverter();
    ~TestConverter();
    bool ready() const { return workspace_ != nullptr; }
    CaptureServices services(HWND messageOwner);

    std::function<void()> onDispatch;  // before each dispatch of pending messages
    std::function<void(int number, const std::wstring& text)> onProgressLine;

private:
    vximg::ImagingLibrary library_;
    vximg::IPictureControl* workspace_ = nullptr;
    ExifImage exif_;
    std::unique_ptr<PictureConversion> conversion_;
};

// Stands in for the capture progress window: notes what reaches it.
class ProgressRecorder : public CDialog {
public:
    ProgressRecorder();
    std::vector<MSG> messages;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};

// A hidden window with the capture tab's key controls, CAPSTA, CAPEND and
// the progress bar; as capture mode's host it notes what it is asked.
class CaptureHostDialog : public CDialog, public CaptureModeHost {
public:
    explicit CaptureHostDialog(TestConverter& converter, HWND progressWindow = nullptr);
    ~CaptureHostDialog() override;

    AppSettings settings;
    CaptureMode mode{*this, settings};
    int entered = 0, left = 0, foldersShown = 0, hintsRestored = 0;
    bool captureEndEnabled = true;
    std::vector<std::wstring> added;  // file names for the file list
    std::vector<UINT> messages;
    std::vector<int> results;  // of every captureScreen
    LARGE_INTEGER lastCaptureEnd = {};

    void click(int id) const { ::SendMessageW(GetDlgItem(id), BM_CLICK, 0, 0); }
    bool postCaptureKey(WPARAM id) const;

    HWND KeyWindow() override { return m_hWnd; }
    void EnterCaptureMode() override { ++entered; }
    void LeaveCaptureMode() override { ++left; }
    void EnableCaptureEnd(bool enabled) override { captureEndEnabled = enabled; }
    void ShowCaptureFolder() override { ++foldersShown; }
    void AddCapturedFile(const std::wstring& name) override { added.push_back(name); }
    void RestoreDefaultHint() override { ++hintsRestored; }
    void ShowMessage(UINT messageId) override { messages.push_back(messageId); }
    int CaptureScreen(std::wstring& name) override;

protected:
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override { mode.OnWindowDestroyed(); }

private:
    TestConverter& converter_;
    HWND progressWindow_;
};

// Dispatches every pending message, then asks `done`; waits for more and
// repeats until it holds (false when it still does not after timeoutMs).
// `observe` sees every message first.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 15000,
               const std::function<void(const MSG&)>& observe = nullptr);

using testfiles::fileNames;

// Width, height and bits per pixel from a BMP file's header.
struct BmpHeader {
    int width = 0, height = 0, bitsPerPixel = 0;
};
BmpHeader bmpHeader(const std::wstring& path);

// A picture file of the prefix (or a screenshot of the display) as 8-bit
// RGB, read by ImageMagick.
struct Rgb {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;
    const uint8_t* at(int x, int y) const
    {
        return &bytes[(size_t(y) * size_t(width) + size_t(x)) * 3];
    }
};
Rgb pictureRgb(const std::wstring& windowsPath);
Rgb screenshotRgb();

// A command line of /bin/sh (Wine starts Unix programs too).
struct ShellRun {
    int status = -1;  // -1: it could not run, or ran longer than a minute
    std::string output;
};
ShellRun runShell(const std::string& commandLine);

// A removable drive of the prefix on a small tmpfs of its own, defined by
// Wine's mount manager at once (a drive type in the registry would count
// only from Wine's next start) and removed again with this object.
class WineRemovableDrive {
public:
    WineRemovableDrive(wchar_t letter, const std::string& size);
    ~WineRemovableDrive();
    WineRemovableDrive(const WineRemovableDrive&) = delete;
    WineRemovableDrive& operator=(const WineRemovableDrive&) = delete;
    bool ready() const { return why_.empty(); }
    const std::string& why() const { return why_; }
    std::wstring root() const { return std::wstring(1, letter_) + L":\\"; }

private:
    wchar_t letter_;
    std::string mountPoint_;
    bool mounted_ = false, defined_ = false;
    std::string why_;
};

}  // namespace capturetest
