// From a folder of pictures to the camera card: browse, collect, size,
// upload, and the stand-in transfer application copying the camera files.
#include "engine/CameraModels.h"
#include "resources/VxfsendRes.h"
#include "standin/tests/StandinTestSupport.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/Process.h"
#include "testsupport/win/TestFiles.h"
#include "testsupport/win/UnixTools.h"
#include "ui/tests/WindowHarness.h"
#include "win/ResourceString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using wintest::runUnixTool;
using wintest::unixPath;

std::string tool(const std::string& commandLine)
{
    const wintest::UnixToolRun run = runUnixTool(commandLine);
    EXPECT_EQ(run.status, 0) << commandLine << "\n" << run.output;
    return run.output;
}

// Sound select on an entry, the user choosing `path` in Wavsel's dialog (a
// dialog of another process, owned by the main window).
void chooseSound(WindowHarness& window, int entry, const std::wstring& path)
{
    window.selectFiles(IDC_UPLOAD_LIST, {entry});
    ::PostMessageW(window.window(), WM_COMMAND, MAKEWPARAM(IDC_SOUND_SELECT, BN_CLICKED), 0);
    HWND dialog = waitForChooser(window.window());
    ASSERT_NE(dialog, nullptr) << "Wavsel's dialog did not open";
    ::SendMessageW(::GetDlgItem(dialog, 1152), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(path.c_str()));
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 800 && !window.enabled(IDC_UPLOAD); ++i)
        ::Sleep(25);
    window.settle();
}

TEST(UploadEndToEnd, PicturesOfAFolderReachTheCardInTheirChosenSizes)
{
    standin_test::SuiteStateGuard keeper;
    TempFolder folder;
    const std::wstring pictures = (folder / L"pictures").wstring();
    const std::wstring card = (folder / L"card").wstring();
    const std::wstring log = (folder / L"standin.log").wstring();
    ::CreateDirectoryW(pictures.c_str(), nullptr);
    ::CreateDirectoryW(card.c_str(), nullptr);
    tool("convert -size 1600x1200 gradient:red-blue -quality 90 " +
         unixPath(pictures + L"\\a.jpg") +
         " && exiftool -q -overwrite_original -Make=Sample -Model=Demo -FNumber=5.6 " +
         unixPath(pictures + L"\\a.jpg"));
    tool("convert -size 800x600 gradient:yellow-green BMP3:" + unixPath(pictures + L"\\b.bmp"));
    tool("convert -size 640x480 gradient:white-black -interlace Plane " +
         unixPath(pictures + L"\\c.jpg"));
    tool("sox -n -r 22050 -c 2 -b 16 " + unixPath((folder / L"chime.wav").wstring()) +
         " synth 4 sine 660");
    const wintest::ProgramRun setup =
        wintest::runProgram(wintest::besideTest(L"VidroStandinSetup.exe"),
                            {L"/app", wintest::besideTest(L"VidroLinkStandin.exe"), L"/card", card,
                             L"/testlog", log, L"/autotransfer", L"/autoclose", L"300"});
    ASSERT_TRUE(setup.finished);
    ASSERT_EQ(setup.exitCode, 0u) << setup.output;

    AppSettings settings = WindowHarness::settingsFor(folder.path().wstring());
    settings.DebugMode = 0;  // the suite is installed: checked as at every start
    settings.PathTemp = (folder / L"work").wstring();
    WindowHarness window(settings);
    ASSERT_TRUE(window.started());

    // Into the folder of pictures, collect them all, the first as panorama.
    const HWND folders = window.item(IDC_FOLDER_LIST);
    ::SendMessageW(
        folders, LB_SETCURSEL,
        static_cast<WPARAM>(::SendMessageW(folders, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(L"[pictures]"))),
        0);
    window.command(IDC_FOLDER_LIST, LBN_DBLCLK);
    ASSERT_EQ(window.listTexts(IDC_FILE_LIST),
              (std::vector<std::wstring>{L"a.jpg", L"b.bmp", L"c.jpg"}));
    window.click(IDC_ADD_ALL);
    window.selectFiles(IDC_UPLOAD_LIST, {0});
    window.click(IDC_SIZE_P);
    window.selectFiles(IDC_UPLOAD_LIST, {1});
    window.click(IDC_SIZE_X);
    ASSERT_EQ(window.uploadTexts(),
              (std::vector<std::wstring>{L"[P] a.jpg", L"[X] b.bmp", L"[V] c.jpg"}));
    // The same sound for both pictures: each picture's wav takes its number.
    for (int entry : {0, 1})
        chooseSound(window, entry, (folder / L"chime.wav").wstring());

    // The progressive picture's question, answered OK: the others go on.
    ::PostMessageW(window.window(), WM_COMMAND, MAKEWPARAM(IDC_UPLOAD, BN_CLICKED), 0);
    HWND question = waitForMessageBox(window.threadId(), 60000);
    ASSERT_NE(question, nullptr);
    const std::wstring text = messageBoxText(question);
    EXPECT_EQ(text.rfind(pictures + L"\\c.jpg ", 0), 0u) << "the question names the picture";
    EXPECT_NE(text.find(L"\n[3]"), std::wstring::npos);
    answerMessageBox(question, IDOK);
    for (int i = 0; i < 2400 && !window.enabled(IDC_CLOSE_BUTTON); ++i)
        ::Sleep(25);
    window.settle();
    ASSERT_TRUE(window.enabled(IDC_CLOSE_BUTTON)) << "the upload did not end";

    const std::wstring cardFolder = card + L"\\DCIM\\100ORVEN";
    std::vector<std::wstring> copied = testfiles::fileNames(cardFolder);
    ASSERT_EQ(copied.size(), 4u);
    for (size_t i : {0, 1}) {
        const std::wstring picture = copied[2 * i];
        const std::wstring sound = copied[2 * i + 1];
        ASSERT_EQ(sound, picture.substr(0, 8) + L".wav");
        const std::string path = unixPath(cardFolder + L"\\" + sound);
        EXPECT_NE(tool("exiftool -s -s -s -RelatedImageFile " + path)
                      .find(std::string(picture.begin(), picture.end())),
                  std::string::npos);
        const std::string format =
            tool("sox --i -r " + path + "; sox --i -c " + path + "; sox --i -b " + path);
        EXPECT_EQ(format, "8000\n1\n8\n") << "sound " << i;
    }
    copied = {copied[0], copied[2]};
    const std::string sizes[] = {"1600x600", "1600x1200"};
    for (size_t i = 0; i < copied.size(); ++i) {
        const std::string path = unixPath(cardFolder + L"\\" + copied[i]);
        EXPECT_NE(tool("djpeg " + path + " | identify -format '%wx%h' -").find(sizes[i]),
                  std::string::npos)
            << "picture " << i;
        EXPECT_NE(tool("exiftool -s -s -s -Make " + path).find("ORVEN"), std::string::npos);
        EXPECT_NE(tool("exiftool -s -s -s -ThumbnailLength " + path), "");
    }
    EXPECT_NE(
        tool("exiftool -s -s -s -FNumber " + unixPath(cardFolder + L"\\" + copied[0])).find("5.6"),
        std::string::npos)
        << "the source's exposure data carried over";
    const std::string standinLog = tool("cat " + unixPath(log));
    EXPECT_NE(standinLog.find("transferred\t4\t4"), std::string::npos) << standinLog;
    EXPECT_FALSE(::GetFileAttributesW(settings.PathTemp.c_str()) != INVALID_FILE_ATTRIBUTES)
        << "the work folder stays after the job";
}

}  // namespace
