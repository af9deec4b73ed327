// The whole upload under Wine with the stand-in photo suite installed: the
// picture converter runs the job, the hand-off starts the stand-in transfer
// application, which logs the folder it was told and the camera files it
// found there (with the size of each picture's embedded thumbnail) and closes
// itself. The suite is put back after every test.
#include "HandOffWinSupport.h"
#include "MessageBoxWatcher.h"
#include "PictureConverter.h"
#include "UploadTestSupport.h"
#include "WinTestFiles.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

namespace {

using namespace handoff_test;

constexpr UINT UM_ESCAPE_PRESSED = 0x46A;
const std::wstring kFiles300 = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.00\\3.0\\Files";

// The main window: ESC is posted when the progress line of one entry arrives
// and answered Yes when it is dispatched.
struct Window {
    PictureConverter* converter = nullptr;
    WPARAM escapeOnEntry = 0;
    int escapes = 0;
};
Window* theWindow = nullptr;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (theWindow != nullptr && message == UM_SHOW_HINT) {
        if (theWindow->escapeOnEntry != 0 && wParam == theWindow->escapeOnEntry)
            ::PostMessageW(window, UM_ESCAPE_PRESSED, VK_ESCAPE, 0);
        return 0;
    }
    if (theWindow != nullptr && message == UM_ESCAPE_PRESSED) {
        ++theWindow->escapes;
        theWindow->converter->CancelUpload();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class UploadEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring setup = besideTest(L"VidroStandinSetup.exe");
        const std::wstring app = besideTest(L"VidroLinkStandin.exe");
        ASSERT_NE(::GetFileAttributesW(setup.c_str()), INVALID_FILE_ATTRIBUTES)
            << "the stand-in suite's installer is not beside the test";
        work = temp.sub(L"work");
        save = temp.sub(L"save");
        album = temp.sub(L"album") + L"\\";
        card = temp.sub(L"card");
        log = temp.sub(L"standin.log");
        for (const std::wstring& folder : {save, album, card})
            ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
        const ProgramRun run = runProgram(setup, {L"/version", L"3.00", L"/subkey", L"3.0", L"/app", app,
                                                  L"/folder", album, L"/card", card, L"/testlog", log,
                                                  L"/autoclose", L"500"});
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0u) << run.output;

        ASSERT_TRUE(library.open()) << "VxImaging.dll beside the test";
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxfUploadEndToEnd";
        ::RegisterClassW(&windowClass);
        main = ::CreateWindowExW(0, L"VxfUploadEndToEnd", L"Vxfsend", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 0, 0, 400, 300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(main, nullptr);
        const RECT place{10, 10, 250, 190};
        ASSERT_TRUE(converter.create(::GetModuleHandleW(nullptr), main, place, library));
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 250, 300, 16, main,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(bar, nullptr);
        window.converter = &converter;
        theWindow = &window;

        settings.cameraCode = 90;
        settings.TwainIni = L"Vidro!3.ini";
        settings.PathTemp = work;
        settings.PathSave = save;
        settings.CehckSeve = 0;
        settings.TwainPath = work;
    }
    void TearDown() override
    {
        converter.destroy();
        if (main != nullptr)
            ::DestroyWindow(main);
        theWindow = nullptr;
    }

    std::wstring picture(const std::string& name, int width, int height)
    {
        const fs::path path = fs::path(temp.path()) / name;
        writeFileBytes(path, baselineJpeg(makeScene(width, height), 90));
        return path.wstring();
    }
    UploadEntry entry(PackedSize size, const std::wstring& sound = std::wstring())
    {
        UploadEntry e;
        e.item.targetSize = size;
        if (!sound.empty()) {
            setSoundPath(e.item, sound);
            e.iconId = kIconSoundGreyed;
        }
        return e;
    }

    SuiteStateKeeper keeper;  // first made, last gone: puts the suite back
    testfiles::TempFolder temp{L"vxf-upload-e2e"};
    std::wstring work, save, album, card, log;
    vximg::ImagingLibrary library;
    HWND main = nullptr;
    HWND bar = nullptr;
    PictureConverter converter;
    Window window;
    AppSettings settings;
};

TEST_F(UploadEndToEnd, WorkFolderHoldsTheCameraFilesWhileTheApplicationRunsAndIsGoneAfter)
{
    const std::wstring sound = temp.sub(L"s.wav");
    writeFileBytes(fs::path(sound), toneWave(2.0, 44100, 2));
    MessageBoxWatcher watcher(IDOK);
    UploadJobReport report;
    converter.UploadJob({picture("a.jpg", 1600, 1200), picture("b.jpg", 400, 300)},
                        {entry(kSize1600x1200, sound), entry(kSize1600x600)}, bar, settings,
                        &report);
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_TRUE(report.handedOff);
    EXPECT_FALSE(report.aborted);

    const StandinLog seen = readStandinLog(log);
    EXPECT_EQ(logField(seen, L"folder"), work + L"\\");
    std::vector<std::vector<std::wstring>> listed = logLines(seen, L"listed");
    ASSERT_EQ(listed.size(), 3u);
    std::sort(listed.begin(), listed.end());
    // name, size, thumbnail
    EXPECT_EQ(listed[0][0].substr(8), L".jpg");
    EXPECT_EQ(listed[0][2], L"thumbnail 160x120");
    EXPECT_EQ(listed[1][0], listed[0][0].substr(0, 8) + L".wav");
    EXPECT_EQ(listed[1][1], L"24208");
    EXPECT_EQ(listed[1][2], L"sound");
    EXPECT_EQ(listed[2][2], L"thumbnail 160x120");

    EXPECT_EQ(::GetFileAttributesW(work.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, kFiles300, L"Folder").text(), album);
}

TEST_F(UploadEndToEnd, SaveAlsoKeepsTheFilesAndNamesTheSaveFolder)
{
    settings.CehckSeve = 1;
    settings.TwainPath = save;
    MessageBoxWatcher watcher(IDOK);
    converter.UploadJob({picture("a.jpg", 320, 240)}, {entry(kSize640x480)}, nullptr, settings);
    EXPECT_TRUE(watcher.stop().empty());
    const StandinLog seen = readStandinLog(log);
    EXPECT_EQ(logField(seen, L"folder"), save + L"\\");
    EXPECT_EQ(logLines(seen, L"listed").size(), 1u);
    EXPECT_EQ(folderNames(fs::path(save)).size(), 1u);
}

TEST_F(UploadEndToEnd, EscDuringTheSecondOfThreeWithSaveAlsoLeavesNothingAndStartsNothing)
{
    settings.CehckSeve = 1;
    settings.TwainPath = save;
    settings.DebugMode = 0x10;  // progress lines: the window posts ESC on the second
    window.escapeOnEntry = 2;
    const std::wstring sound = temp.sub(L"s.wav");
    writeFileBytes(fs::path(sound), toneWave(1.0, 22050, 1));
    MessageBoxWatcher watcher(IDOK);
    UploadJobReport report;
    converter.UploadJob(
        {picture("a.jpg", 320, 240), picture("b.jpg", 1600, 1200), picture("c.jpg", 320, 240)},
        {entry(kSize640x480, sound), entry(kSize1600x1200, sound), entry(kSize640x480)}, bar,
        settings, &report);
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_EQ(window.escapes, 1);
    EXPECT_TRUE(report.aborted);
    EXPECT_FALSE(report.handedOff);
    EXPECT_EQ(::GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES) << "the application ran";
    EXPECT_TRUE(folderNames(fs::path(save)).empty());
}

TEST_F(UploadEndToEnd, DebugMode18StartsNoApplication)
{
    settings.DebugMode = 0x18;
    MessageBoxWatcher watcher(IDOK);
    UploadJobReport report;
    converter.UploadJob({picture("a.jpg", 160, 120), picture("b.jpg", 160, 120), picture("c.jpg", 160, 120)},
                        {entry(kSize640x480), entry(kSize640x480), entry(kSize640x480)}, nullptr,
                        settings, &report);
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_FALSE(report.handedOff);
    EXPECT_EQ(::GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES) << "the application ran";
    EXPECT_EQ(::GetFileAttributesW(work.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UploadEndToEnd, EscAnsweredYesWhileTheApplicationRunsTakesTheSaveFolderFilesBack)
{
    // Without a progress bar nothing is dispatched while pictures convert:
    // the ESC posted with the first line is only seen during the wait.
    settings.CehckSeve = 1;
    settings.TwainPath = save;
    settings.DebugMode = 0x10;
    window.escapeOnEntry = 1;
    MessageBoxWatcher watcher(IDOK);
    UploadJobReport report;
    converter.UploadJob({picture("a.jpg", 320, 240)}, {entry(kSize640x480)}, nullptr, settings,
                        &report);
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_EQ(window.escapes, 1);
    EXPECT_TRUE(report.handedOff);
    EXPECT_EQ(logLines(readStandinLog(log), L"listed").size(), 1u);
    EXPECT_TRUE(report.aborted);
    EXPECT_TRUE(folderNames(fs::path(save)).empty());
}

}  // namespace
