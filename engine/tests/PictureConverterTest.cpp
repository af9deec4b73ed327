// The picture converter on Windows (under Wine): dialog 401 with its three
// pictures, the upload job through real message boxes, the hint line and a
// progress bar, ESC reaching the main window while a picture converts, and
// the work folder removed at the end.
#include "MessageBoxWatcher.h"
#include "PictureConverter.h"
#include "UploadTestSupport.h"

#include "VxfsendRes.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr UINT UM_ESCAPE_PRESSED = 0x46A;

using Names = std::vector<std::string>;

// What the main window sees.
struct MainWindowLog {
    std::vector<std::pair<WPARAM, std::wstring>> hints;
    int escapes = 0;
    WPARAM escapeOnHint = 0;  // posts ESC when the progress line of this entry arrives
    PictureConverter* converter = nullptr;
    std::vector<int> barPositions;
    WNDPROC barProc = nullptr;
};
MainWindowLog* theLog = nullptr;

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (theLog != nullptr && message == UM_SHOW_HINT) {
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        theLog->hints.push_back({wParam, text != nullptr ? text : L""});
        if (theLog->escapeOnHint != 0 && wParam == theLog->escapeOnHint)
            ::PostMessageW(window, UM_ESCAPE_PRESSED, VK_ESCAPE, 0);
        return 0;
    }
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
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = scratchFolder(std::string("converter-") + info->name());
        ASSERT_TRUE(library.open()) << "VxImaging.dll beside the test";
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = mainProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxfConverterTestMain";
        ::RegisterClassW(&windowClass);
        main = ::CreateWindowExW(0, L"VxfConverterTestMain", L"test", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                 300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(main, nullptr);
        bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 250, 300, 16, main,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS)),
                                ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(bar, nullptr);
        log.barProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(barProc)));
        log.converter = &converter;
        theLog = &log;
        const RECT place{10, 10, 250, 190};
        ASSERT_TRUE(converter.create(::GetModuleHandleW(nullptr), main, place, library));

        saveFolder = folder / "save";
        workFolder = folder / "work";
        settings.PathSave = saveFolder.wstring();
        settings.PathTemp = workFolder.wstring();
        settings.cameraCode = 90;
        settings.CehckSeve = 1;
        settings.TwainPath = settings.PathSave;
        settings.DebugMode = 0x18;  // no hand-off in these tests
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
    UploadJobReport run(const std::vector<fs::path>& paths, const std::vector<UploadEntry>& entries)
    {
        std::vector<std::wstring> wide;
        for (const fs::path& p : paths)
            wide.push_back(p.wstring());
        UploadJobReport report;
        EXPECT_EQ(converter.UploadJob(wide, entries, bar, settings, &report), 0);
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
    const fs::path sound = folder / "s.wav";
    writeFileBytes(sound, toneWave(1.5, 22050, 1));
    const fs::path a = source("a.jpg", 1600, 1200);
    const fs::path b = source("b.jpg", 320, 240);
    MessageBoxWatcher watcher(IDOK);
    const UploadJobReport report = run({a, b}, {entry(kSize1600x1200, sound), entry(kSize640x480)});
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_FALSE(report.aborted);
    const Names names = folderNames(saveFolder);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].substr(8), ".jpg");
    EXPECT_EQ(names[1].substr(8), ".wav");
    EXPECT_EQ(names[0].substr(0, 8), names[1].substr(0, 8));
    ASSERT_EQ(log.hints.size(), 2u);
    EXPECT_EQ(log.hints[0].first, 1u);
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
    MessageBoxWatcher watcher(IDOK);
    const UploadJobReport report =
        run({source("a.jpg", 320, 240), source("b.jpg", 1600, 1200), source("c.jpg", 320, 240)},
            {entry(kSize640x480), entry(kSize1600x1200), entry(kSize640x480)});
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_EQ(log.escapes, 1);
    EXPECT_TRUE(report.aborted);
    ASSERT_EQ(report.entries.size(), 2u);
    EXPECT_EQ(report.entries[1].outcome, EntryOutcome::Aborted);
    EXPECT_EQ(folderNames(saveFolder), Names{"earlier.jpg"});
}

TEST_F(PictureConverterWin, FailedPictureAsksWithPathAndCodeAndCancelTakesTheFilesBack)
{
    const fs::path missing = folder / "gone.jpg";
    MessageBoxWatcher watcher(IDCANCEL);
    const UploadJobReport report =
        run({source("a.jpg", 320, 240), missing}, {entry(kSize640x480), entry(kSize640x480)});
    const std::vector<SeenBox> boxes = watcher.stop();
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
    MessageBoxWatcher watcher(IDOK);
    const UploadJobReport report = run({source("a.jpg", 160, 120)}, {entry(kSize640x480)});
    EXPECT_TRUE(watcher.stop().empty());
    ASSERT_EQ(report.producedFiles.size(), 1u);
    EXPECT_EQ(report.producedFiles[0].substr(0, workFolder.wstring().size() + 1),
              workFolder.wstring() + L"\\");
    EXPECT_FALSE(std::filesystem::exists(workFolder));
}

TEST_F(PictureConverterWin, ReadOnlyProbeSparesAnExistingTmpFile)
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
}

}  // namespace
