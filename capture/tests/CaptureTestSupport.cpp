#include "capture/tests/CaptureTestSupport.h"

#include "capture/tests/CaptureTestRes.h"
#include "app/PrivateMessages.h"
#include "resources/VxfsendRes.h"

#include "testsupport/win/Process.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include <commctrl.h>
#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <sstream>

namespace capturetest {

namespace {

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());  // the commands and paths here are ASCII
}

std::wstring windowsPath(const std::string& unixPath)
{
    std::wstring path = L"Z:" + wide(unixPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::string scratchPath(const std::string& extension)
{
    static std::atomic<int> counter{0};
    return "/tmp/vxf-capture-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++) +
           extension;
}

// A binary PPM as ImageMagick writes it (deleted once read).
Rgb readPpm(const std::string& unixPath)
{
    const std::wstring path = windowsPath(unixPath);
    std::istringstream file(readFileText(path));
    ::DeleteFileW(path.c_str());
    std::string magic;
    int maximum = 0;
    Rgb rgb;
    file >> magic >> rgb.width >> rgb.height >> maximum;
    file.get();
    rgb.bytes.resize(size_t(std::max(rgb.width, 0)) * size_t(std::max(rgb.height, 0)) * 3);
    if (magic != "P6" || maximum != 255 || !file.read(reinterpret_cast<char*>(rgb.bytes.data()),
                                                       static_cast<std::streamsize>(rgb.bytes.size())))
        return Rgb{};
    return rgb;
}

// Wine's own request to its mount manager: define a drive letter on a Unix
// folder with a drive type, or remove it with its registry entry (no folder,
// type DRIVE_NO_ROOT_DIR).
struct WineUnixDrive {
    ULONG size, type, fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset, deviceOffset, labelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool defineWineDrive(wchar_t letter, const std::string& unixFolder, ULONG type)
{
    HANDLE manager = ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE)
        return false;
    std::vector<char> request(sizeof(WineUnixDrive) + unixFolder.size() + 1, '\0');
    auto* drive = reinterpret_cast<WineUnixDrive*>(request.data());
    drive->size = static_cast<ULONG>(request.size());
    drive->type = type;
    drive->letter = static_cast<WCHAR>(::towlower(letter));
    if (!unixFolder.empty()) {
        drive->mountPointOffset = sizeof(WineUnixDrive);
        std::copy(unixFolder.begin(), unixFolder.end(), request.begin() + sizeof(WineUnixDrive));
    }
    DWORD returned = 0;
    const BOOL done = ::DeviceIoControl(manager, kDefineUnixDrive, request.data(),
                                        static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
    ::CloseHandle(manager);
    return done != FALSE;
}

}  // namespace

TestConverter::TestConverter()
{
    if (library_.open() && (workspace_ = library_.createWindowless()) != nullptr)
        conversion_ = std::make_unique<PictureConversion>(ConverterPictures{nullptr, nullptr, workspace_}, exif_);
}

TestConverter::~TestConverter()
{
    conversion_.reset();
    if (workspace_ != nullptr)
        workspace_->release();
}

CaptureServices TestConverter::services(HWND messageOwner)
{
    return converterCaptureServices(
        workspace_, *conversion_, messageOwner,
        [this] {
            if (onDispatch)
                onDispatch();
            pumpUntil([] { return true; });
        },
        [this](int number, const std::wstring& text) {
            if (onProgressLine)
                onProgressLine(number, text);
        });
}

ProgressRecorder::ProgressRecorder() : CDialog(IDD_PROGRESS_RECORDER)
{
    Create(nullptr);
}

bool ProgressRecorder::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR&)
{
    if (message == UM_PROGRESS_SET || message == UM_PROGRESS_HIDE)
        messages.push_back(MSG{m_hWnd, message, wParam, lParam, 0, {}});
    return false;
}

CaptureHostDialog::CaptureHostDialog(TestConverter& converter, HWND progressWindow)
    : CDialog(IDD_CAPTURE_TEST_HOST), converter_(converter), progressWindow_(progressWindow)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    Create(nullptr);
}

CaptureHostDialog::~CaptureHostDialog()
{
    // While the mode still exists: the window's end reaches it.
    if (m_hWnd != nullptr)
        ::DestroyWindow(m_hWnd);
}

bool CaptureHostDialog::postCaptureKey(WPARAM id) const
{
    return ::PostMessageW(m_hWnd, UM_CAPTURE_KEY, id, 0) != FALSE;
}

int CaptureHostDialog::CaptureScreen(std::wstring& name)
{
    const int result = captureScreen(converter_.services(m_hWnd), GetDlgItem(IDC_PROGRESS), progressWindow_,
                                     name, settings);
    ::QueryPerformanceCounter(&lastCaptureEnd);
    results.push_back(result);
    return result;
}

bool CaptureHostDialog::OnCommand(WORD id, WORD notifyCode, HWND control)
{
    return mode.OnCommand(id, notifyCode, control);
}

bool CaptureHostDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR&)
{
    return mode.OnMessage(message, wParam, lParam);
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs, const std::function<void(const MSG&)>& observe)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (observe)
                observe(message);
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done())
            return true;
        if (::GetTickCount64() >= deadline)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

BmpHeader bmpHeader(const std::wstring& path)
{
    const std::string bytes = readFileText(path);
    auto le = [&](size_t at, size_t size) {
        int value = 0;
        for (size_t i = size; i-- > 0;)
            value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
        return value;
    };
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0)
        return BmpHeader{};
    return BmpHeader{le(18, 4), le(22, 4), le(28, 2)};
}

Rgb pictureRgb(const std::wstring& path)
{
    const std::string copy = scratchPath(".bmp");
    const std::string ppm = scratchPath(".ppm");
    if (!::CopyFileW(path.c_str(), windowsPath(copy).c_str(), FALSE))
        return Rgb{};
    const ShellRun run = runShell("convert " + copy + " -depth 8 ppm:" + ppm);
    ::DeleteFileW(windowsPath(copy).c_str());
    return run.status == 0 ? readPpm(ppm) : Rgb{};
}

Rgb screenshotRgb()
{
    const std::string ppm = scratchPath(".ppm");
    return runShell("import -window root -depth 8 ppm:" + ppm).status == 0 ? readPpm(ppm) : Rgb{};
}

ShellRun runShell(const std::string& commandLine)
{
    // Wine hands out no process handle to wait on for a Unix program: the
    // shell leaves its exit status in a file once the command has ended.
    const std::string base = scratchPath("");
    const std::string shellLine = "{ " + commandLine + "; } >" + base + ".out 2>&1; echo $? >" + base +
                                  ".tmp; mv " + base + ".tmp " + base + ".status";
    std::wstring command = L"Z:\\bin\\sh -c " + wintest::quoteArgument(wide(shellLine));
    ShellRun run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return run;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    const std::wstring status = windowsPath(base + ".status");
    const std::wstring output = windowsPath(base + ".out");
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while (::GetFileAttributesW(status.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (::GetTickCount64() >= deadline)
            return run;
        ::Sleep(10);
    }
    run.status = std::stoi(readFileText(status));
    run.output = readFileText(output);
    ::DeleteFileW(status.c_str());
    ::DeleteFileW(output.c_str());
    return run;
}

WineRemovableDrive::WineRemovableDrive(wchar_t letter, const std::string& size) : letter_(letter)
{
    if ((::GetLogicalDrives() & (1u << (::towupper(letter) - L'A'))) != 0) {
        why_ = "the drive letter is taken";
        return;
    }
    mountPoint_ = scratchPath("-drive");
    const ShellRun mount =
        runShell("mkdir " + mountPoint_ + " && mount -t tmpfs -o size=" + size + " tmpfs " + mountPoint_);
    mounted_ = mount.status == 0;
    defined_ = mounted_ && defineWineDrive(letter_, mountPoint_, DRIVE_REMOVABLE);
    if (!mounted_)
        why_ = "a tmpfs cannot be mounted here (" + mount.output + ")";
    else if (!defined_ || ::GetDriveTypeW(root().c_str()) != DRIVE_REMOVABLE)
        why_ = "Wine's mount manager defines no removable drive here";
}

WineRemovableDrive::~WineRemovableDrive()
{
    if (defined_)
        defineWineDrive(letter_, std::string(), DRIVE_NO_ROOT_DIR);
    if (!mountPoint_.empty())
        runShell((mounted_ ? "umount " + mountPoint_ + "; " : std::string()) + "rmdir " + mountPoint_);
}

}  // namespace capturetest
