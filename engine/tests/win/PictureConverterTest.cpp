// The picture converter on Windows (under Wine): dialog 401 with its three
// pictures, the upload job through real message boxes, the hint line and a
// progress bar, ESC reaching the main window while a picture converts, the
// work folder removed at the end; and the whole upload with the stand-in
// photo suite installed, whose transfer application logs the folder it was
// told and the camera files it found there (with the size of each picture's
// embedded thumbnail) and closes itself. The suite is put back after every
// test.
#include "engine/win/PictureConverter.h"
#include "app/win/Environment.h"
#include "engine/tests/UploadTestSupport.h"
#include "engine/tests/win/HandOffSupport.h"
#include "testsupport/win/MessageBoxWatcher.h"

#include "app/PrivateMessages.h"
#include "resources/VxfsendRes.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

namespace {

using Names = std::vector<std::string>;

// What the main window sees.
struct MainWindowLog {
    std::vector<std::pair<int, std::wstring>> hints;
    int escapes = 0;
    int escapeOnHint = 0;  // posts ESC when the progress line of this entry arrives
    PictureConverter* converter = nullptr;
    std::vector<int> barPositions;
    WNDPROC barProc = nullptr;
};
MainWindowLog* theLog = nullptr;

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (theLog != nullptr && message == UM_ESCAPE_PRESSED) {
        // Message 612 answered Yes.
        ++theLog->escapes;
        if (theLog->converter != nullptr)
            theLog->converter->CancelUpload();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK barProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PBM_SETPOS && theLog != nullptr)
        theLog->barPositions.push_back(static_cast<int>(wParam));
    return ::CallWindowProcW(theLog->barProc, window, message, wParam, lParam);
}

class PictureConverterWin : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = scratchFolder("converter");
        ASSERT_TRUE(library.open()) << "VxImaging.dll beside the test";
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = mainProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxfConverterTestMain";
        ::RegisterClassW(&windowClass);
        main = ::CreateWindowExW(0, L"VxfConverterTestMain", L"test",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(main, nullptr);
        bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 250, 300, 16,
                                main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS)),
                                ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(bar, nullptr);
        log.barProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(barProc)));
        log.converter = &converter;
        theLog = &log;
        const RECT place{10, 10, 250, 190};
        ASSERT_TRUE(converter.create(main, place, library));
        // The main window shows the progress lines in its hint line.
        converter.setProgressLineSink([this](int entryNumber, const std::wstring& text) {
            log.hints.push_back({entryNumber, text});
            if (log.escapeOnHint != 0 && entryNumber == log.escapeOnHint)
                ::PostMessageW(main, UM_ESCAPE_PRESSED, VK_ESCAPE, 0);
        });

        saveFolder = folder / "save";
        workFolder = folder / "work";
        settings.PathSave = saveFolder.wstring();
        settings.PathTemp = workFolder.wstring();
        settings.cameraCode = 90;
        settings.TwainIni = L"Vidro!3.ini";
        settings.CehckSeve = 1;
        settings.TwainPath = settings.PathSave;
        settings.DebugMode = 0x18;  // no hand-off unless a test asks for one
        std::filesystem::create_directories(saveFolder);
    }
    void TearDown() override
    {
        converter.destroy();
        if (main != nullptr)
            ::DestroyWindow(main);
        theLog = nullptr;
    }

    fs::path source(const std::string& name, int width, int height)
    {
        const fs::path path = folder / name;
        writeFileBytes(path, baselineJpeg(makeScene(width, height), 90));
        return path;
    }
    fs::path sound(double seconds)
    {
        const fs::path path = folder / "s.wav";
        writeFileBytes(path, toneWave(seconds, 22050, 1));
        return path;
    }
    UploadEntry entry(PackedSize size, const fs::path& sound = fs::path())
    {
        UploadEntry e;
        e.item.targetSize = size;
        if (!sound.empty()) {
            setSoundPath(e.item, sound.wstring());
            e.iconId = kIconSoundGreyed;
        }
        return e;
    }
    // Runs the job with the bar (or none) and the boxes answered by `button`.
    UploadJobReport run(const std::vector<fs::path>& paths, const std::vector<UploadEntry>& entries,
                        bool withBar = true, int button = IDOK)
    {
        std::vector<std::wstring> wide;
        for (const fs::path& p : paths)
            wide.push_back(p.wstring());
        UploadJobReport report;
        MessageBoxWatcher watcher(button);
        EXPECT_EQ(converter.UploadJob(wide, entries, withBar ? bar : nullptr, settings, &report),
                  0);
        boxes = watcher.stop();
        return report;
    }
    std::wstring text(UINT id)
    {
        wchar_t buffer[512] = {};
        ::LoadStringW(::GetModuleHandleW(nullptr), id, buffer, 512);
        return buffer;
    }

    vximg::ImagingLibrary library;
    HWND main = nullptr;
    HWND bar = nullptr;
    MainWindowLog log;
    PictureConverter converter;
    fs::path folder, saveFolder, workFolder;
    AppSettings settings;
    std::vector<SeenBox> boxes;
};

TEST_F(PictureConverterWin, Dialog401HoldsThreePicturesAndShowsOnlyThePreview)
{
    HWND window = converter.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(::GetParent(window), main);
    EXPECT_EQ(::GetWindowLongPtrW(window, GWL_STYLE) & (WS_CAPTION | WS_BORDER), 0);
    RECT r;
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.right - r.left, 240);
    EXPECT_EQ(::GetDlgCtrlID(converter.preview()->window()), IDC_PICTURE_PREVIEW);
    EXPECT_EQ(::GetDlgCtrlID(converter.canvas()->window()), IDC_PICTURE_CANVAS);
    EXPECT_EQ(::GetDlgCtrlID(converter.workspace()->window()), IDC_PICTURE_WORKSPACE);
    // The preview at the origin, a blank 1 x 1 picture of 1 bit.
    RECT p;
    ::GetWindowRect(converter.preview()->window(), &p);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&p), 2);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(converter.preview()->width(), 1);
    EXPECT_EQ(converter.preview()->bitsPerPixel(), 1);
    EXPECT_FALSE(::IsWindowVisible(converter.canvas()->window()));
    EXPECT_FALSE(::IsWindowVisible(converter.workspace()->window()));
}

TEST_F(PictureConverterWin, JobWritesCameraFilesWithProgressLinesAndBar)
{
    const fs::path a = source("a.jpg", 1600, 1200);
    const fs::path b = source("b.jpg", 320, 240);
    const UploadJobReport report =
        run({a, b}, {entry(kSize1600x1200, sound(1.5)), entry(kSize640x480)});
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(report.aborted);
    const Names names = folderNames(saveFolder);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].substr(8), ".jpg");
    EXPECT_EQ(names[1], names[0].substr(0, 8) + ".wav");
    ASSERT_EQ(log.hints.size(), 2u);
    EXPECT_EQ(log.hints[0].first, 1);
    EXPECT_EQ(log.hints[0].second, L"1 / 2  " + a.wstring());
    EXPECT_EQ(log.hints[1].second, L"2 / 2  " + b.wstring());
    ASSERT_FALSE(log.barPositions.empty());
    EXPECT_GT(*std::max_element(log.barPositions.begin(), log.barPositions.end()), 0);
    EXPECT_EQ(log.barPositions.back(), 0);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(settings.JpegQualityThum, 50);
}

TEST_F(PictureConverterWin, EscPostedDuringTheSecondEntryIsDispatchedAndAbortsTheJob)
{
    writeFileBytes(saveFolder / "earlier.jpg", {1});
    log.escapeOnHint = 2;
    const UploadJobReport report =
        run({source("a.jpg", 320, 240), source("b.jpg", 1600, 1200), source("c.jpg", 320, 240)},
            {entry(kSize640x480), entry(kSize1600x1200), entry(kSize640x480)});
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(log.escapes, 1);
    EXPECT_TRUE(report.aborted);
    ASSERT_EQ(report.entries.size(), 2u);
    EXPECT_EQ(report.entries[1].outcome, EntryOutcome::Aborted);
    EXPECT_EQ(folderNames(saveFolder), Names{"earlier.jpg"});
}

TEST_F(PictureConverterWin, FailedPictureAsksWithPathAndCodeAndCancelTakesTheFilesBack)
{
    const fs::path missing = folder / "gone.jpg";
    const UploadJobReport report = run({source("a.jpg", 320, 240), missing},
                                       {entry(kSize640x480), entry(kSize640x480)}, true, IDCANCEL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, missing.wstring() + L" " + text(621) + L"\n[20]");
    EXPECT_EQ(boxes[0].caption, text(102));
    EXPECT_EQ(boxes[0].owner, main);
    EXPECT_NE(std::find(boxes[0].buttons.begin(), boxes[0].buttons.end(), IDCANCEL),
              boxes[0].buttons.end());
    EXPECT_TRUE(report.aborted);
    EXPECT_EQ(folderNames(saveFolder), Names{});
}

TEST_F(PictureConverterWin, WorkFolderIsMadeForTheJobAndRemovedAfterIt)
{
    settings.CehckSeve = 0;
    settings.TwainPath = settings.PathTemp;
    const UploadJobReport report = run({source("a.jpg", 160, 120)}, {entry(kSize640x480)});
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(report.producedFiles.size(), 1u);
    EXPECT_EQ(report.producedFiles[0].substr(0, workFolder.wstring().size() + 1),
              workFolder.wstring() + L"\\");
    EXPECT_FALSE(std::filesystem::exists(workFolder));
}

TEST_F(PictureConverterWin, JobFileOperationsSpareOthersFilesAndKnowTheWorkFolder)
{
    WinUploadFiles files;
    const std::wstring probe = (saveFolder / "tmp").wstring();
    EXPECT_TRUE(files.probeCreate(probe));
    EXPECT_FALSE(std::filesystem::exists(saveFolder / "tmp"));
    writeFileBytes(saveFolder / "tmp", {4, 5});
    EXPECT_TRUE(files.probeCreate(probe));
    EXPECT_EQ(readFileBytes(saveFolder / "tmp"), (std::vector<uint8_t>{4, 5}));
    EXPECT_FALSE(files.probeCreate((folder / "missing" / "tmp").wstring()));
    std::vector<uint8_t> jpeg = baselineJpeg(makeScene(32, 32), 80);
    writeFileBytes(saveFolder / "w.jpg", jpeg);
    EXPECT_FALSE(files.jpegCutShort((saveFolder / "w.jpg").wstring()));
    EXPECT_EQ(files.fileLength((saveFolder / "w.jpg").wstring()), jpeg.size());
    jpeg.pop_back();
    writeFileBytes(saveFolder / "c.jpg", jpeg);
    EXPECT_TRUE(files.jpegCutShort((saveFolder / "c.jpg").wstring()));
    std::vector<std::wstring> names;
    EXPECT_EQ(files.listFiles(saveFolder.wstring(), names), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"c.jpg", L"tmp", L"w.jpg"}));
    EXPECT_EQ(files.listFiles((folder / "missing").wstring(), names), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(files.folderEmpty(saveFolder.wstring()));
    std::filesystem::create_directories(folder / "empty");
    EXPECT_TRUE(files.folderEmpty((folder / "empty").wstring()));
    EXPECT_FALSE(files.folderEmpty((folder / "missing").wstring()));
    EXPECT_TRUE(files.isDefaultWorkFolder(temporaryFolder() + L"~TMP_vxf\\"));
    EXPECT_FALSE(files.isDefaultWorkFolder(temporaryFolder()));
    EXPECT_FALSE(files.isDefaultWorkFolder(saveFolder.wstring()));
}

// --- The whole upload handed to the stand-in suite -----------------------------------

using namespace handoff_test;

class UploadEndToEnd : public PictureConverterWin {
protected:
    void SetUp() override
    {
        PictureConverterWin::SetUp();
        album = (folder / "album").wstring() + L"\\";
        card = (folder / "card").wstring();
        standinLogPath = (folder / "standin.log").wstring();
        ASSERT_TRUE(std::filesystem::create_directories(folder / "album"));
        ASSERT_TRUE(std::filesystem::create_directories(folder / "card"));
        const ProgramRun setup =
            runProgram(besideTest(L"VidroStandinSetup.exe"),
                       {L"/version", L"3.00", L"/subkey", L"3.0", L"/app",
                        besideTest(L"VidroLinkStandin.exe"), L"/folder", album, L"/card", card,
                        L"/testlog", standinLogPath, L"/autoclose", L"500"});
        ASSERT_TRUE(setup.finished);
        ASSERT_EQ(setup.exitCode, 0u) << setup.output;
        settings.DebugMode = 0;
        settings.CehckSeve = 0;
        settings.TwainPath = settings.PathTemp;
    }
    void useSaveFolder()
    {
        settings.CehckSeve = 1;
        settings.TwainPath = settings.PathSave;
    }
    bool applicationRan() const
    {
        return ::GetFileAttributesW(standinLogPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    SuiteStateKeeper keeper;  // puts the suite back
    std::wstring album, card, standinLogPath;
};

TEST_F(UploadEndToEnd, WorkFolderHoldsTheCameraFilesWhileTheApplicationRunsAndIsGoneAfter)
{
    const fs::path s = folder / "s.wav";
    writeFileBytes(s, toneWave(2.0, 44100, 2));
    const UploadJobReport report = run({source("a.jpg", 1600, 1200), source("b.jpg", 400, 300)},
                                       {entry(kSize1600x1200, s), entry(kSize1600x600)});
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(report.handedOff);
    EXPECT_FALSE(report.aborted);

    const StandinLog seen = readStandinLog(standinLogPath);
    EXPECT_EQ(logField(seen, L"folder"), workFolder.wstring() + L"\\");
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

    EXPECT_FALSE(std::filesystem::exists(workFolder));
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.00\\3.0\\Files",
                        L"Folder")
                  .text(),
              album);
}

TEST_F(UploadEndToEnd, SaveAlsoKeepsTheFilesAndNamesTheSaveFolder)
{
    useSaveFolder();
    run({source("a.jpg", 320, 240)}, {entry(kSize640x480)}, false);
    EXPECT_TRUE(boxes.empty());
    const StandinLog seen = readStandinLog(standinLogPath);
    EXPECT_EQ(logField(seen, L"folder"), saveFolder.wstring() + L"\\");
    EXPECT_EQ(logLines(seen, L"listed").size(), 1u);
    EXPECT_EQ(folderNames(saveFolder).size(), 1u);
}

TEST_F(UploadEndToEnd, EscDuringTheSecondOfThreeWithSaveAlsoLeavesNothingAndStartsNothing)
{
    useSaveFolder();
    settings.DebugMode = 0x10;  // progress lines: the window posts ESC on the second
    log.escapeOnHint = 2;
    const fs::path s = sound(1.0);
    const UploadJobReport report =
        run({source("a.jpg", 320, 240), source("b.jpg", 1600, 1200), source("c.jpg", 320, 240)},
            {entry(kSize640x480, s), entry(kSize1600x1200, s), entry(kSize640x480)});
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(log.escapes, 1);
    EXPECT_TRUE(report.aborted);
    EXPECT_FALSE(report.handedOff);
    EXPECT_FALSE(applicationRan());
    EXPECT_TRUE(folderNames(saveFolder).empty());
}

TEST_F(UploadEndToEnd, EscAnsweredYesWhileTheApplicationRunsTakesTheSaveFolderFilesBack)
{
    // Without a progress bar nothing is dispatched while pictures convert:
    // the ESC posted with the first line is only seen during the wait.
    useSaveFolder();
    settings.DebugMode = 0x10;
    log.escapeOnHint = 1;
    const UploadJobReport report = run({source("a.jpg", 320, 240)}, {entry(kSize640x480)}, false);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(log.escapes, 1);
    EXPECT_TRUE(report.handedOff);
    EXPECT_EQ(logLines(readStandinLog(standinLogPath), L"listed").size(), 1u);
    EXPECT_TRUE(report.aborted);
    EXPECT_TRUE(folderNames(saveFolder).empty());
}

TEST_F(UploadEndToEnd, DebugMode18StartsNoApplication)
{
    settings.DebugMode = 0x18;
    const UploadJobReport report = run({source("a.jpg", 160, 120), source("b.jpg", 160, 120)},
                                       {entry(kSize640x480), entry(kSize640x480)}, false);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(report.handedOff);
    EXPECT_FALSE(applicationRan());
    EXPECT_FALSE(std::filesystem::exists(workFolder));
}

}  // namespace
