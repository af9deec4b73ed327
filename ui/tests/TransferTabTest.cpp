// The transfer tab: collecting pictures into the upload list, their order
// and sizes, the preview, save-also and the camera switch.
#include "engine/CameraModels.h"
#include "resources/VxfsendRes.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"
#include "testsupport/win/UnixTools.h"
#include "ui/tests/WindowHarness.h"
#include "win/ResourceString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using wintest::runUnixTool;
using wintest::unixPath;
using Names = std::vector<std::wstring>;

void touch(const std::wstring& path)
{
    ASSERT_NO_THROW(writeFileText(path, "x"));
}

void makePicture(const std::wstring& path, const std::string& options)
{
    const wintest::UnixToolRun run = runUnixTool("convert " + options + " " + unixPath(path));
    ASSERT_EQ(run.status, 0) << run.output;
}

TEST(TransferTab, CollectsOrdersAndSizesEntriesWithTheirPathsInStep)
{
    TempFolder folder;
    for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg", L"d.bmp"})
        touch((folder / name).wstring());
    AppSettings settings = WindowHarness::settingsFor(folder.path().wstring());
    settings.DebugMode |= kDebugDropFiles;
    WindowHarness window(settings);
    ASSERT_TRUE(window.started());

    window.selectFiles(IDC_FILE_LIST, {0, 2});
    EXPECT_TRUE(window.enabled(IDC_ADD_SELECTED));
    window.click(IDC_ADD_SELECTED);
    window.click(IDC_ADD_ALL);  // the two already there are skipped
    EXPECT_EQ(window.uploadTexts(),
              (Names{L"[V] a.jpg", L"[V] c.jpg", L"[V] b.jpg", L"[V] d.bmp"}));
    EXPECT_TRUE(window.enabled(IDC_UPLOAD));
    EXPECT_FALSE(window.enabled(IDC_ADD_SELECTED));

    // The same file by another spelling is another entry; dropped files
    // follow the same rules.
    window.dropFiles({(folder / L"a.jpg").wstring(), (folder / L"A.JPG").wstring()});
    ASSERT_EQ(window.uploadTexts().size(), 5u);

    // Three selected entries to [X]: their prefixes change, the rest stay.
    window.selectFiles(IDC_UPLOAD_LIST, {0, 1, 3});
    window.click(IDC_SIZE_X);
    EXPECT_EQ(window.uploadTexts(),
              (Names{L"[X] a.jpg", L"[X] c.jpg", L"[V] b.jpg", L"[X] d.bmp", L"[V] A.JPG"}));
    EXPECT_FALSE(window.checked(IDC_SIZE_V) || window.checked(IDC_SIZE_X) ||
                 window.checked(IDC_SIZE_P));
    window.selectFiles(IDC_UPLOAD_LIST, {2});
    EXPECT_TRUE(window.checked(IDC_SIZE_V));

    // The middle one up and down again: entries and paths as before.
    const std::vector<std::wstring> pathsBefore = window.dialog().UploadPaths();
    window.click(IDC_MOVE_UP);
    EXPECT_EQ(window.uploadTexts()[1], L"[V] b.jpg");
    EXPECT_EQ(window.dialog().UploadPaths()[1], (folder / L"b.jpg").wstring());
    EXPECT_TRUE(window.enabled(IDC_MOVE_UP) && window.enabled(IDC_MOVE_DOWN));
    window.click(IDC_MOVE_DOWN);
    EXPECT_EQ(window.dialog().UploadPaths(), pathsBefore);
    EXPECT_EQ(window.uploadTexts()[2], L"[V] b.jpg");

    window.selectFiles(IDC_UPLOAD_LIST, {0, 4});
    window.click(IDC_REMOVE_SELECTED);
    EXPECT_EQ(window.uploadTexts(), (Names{L"[X] c.jpg", L"[V] b.jpg", L"[X] d.bmp"}));
    EXPECT_EQ(
        window.dialog().UploadPaths(),
        (std::vector<std::wstring>{(folder / L"c.jpg").wstring(), (folder / L"b.jpg").wstring(),
                                   (folder / L"d.bmp").wstring()}));
    window.click(IDC_REMOVE_ALL);
    EXPECT_TRUE(window.uploadTexts().empty());
    EXPECT_FALSE(window.enabled(IDC_UPLOAD));
}

TEST(TransferTab, TheThousandAndSecondEntryIsRefusedAndTheAddedOnesStay)
{
    TempFolder folder;
    for (int i = 0; i < 1003; ++i)
        touch((folder / (L"p" + std::to_wstring(1000 + i) + L".jpg")).wstring());
    WindowHarness window(WindowHarness::settingsFor(folder.path().wstring()));
    ASSERT_TRUE(window.started());
    ASSERT_EQ(window.listTexts(IDC_FILE_LIST).size(), 1003u);
    ::PostMessageW(window.window(), WM_COMMAND, MAKEWPARAM(IDC_ADD_ALL, BN_CLICKED), 0);
    HWND box = waitForMessageBox(window.threadId());
    ASSERT_NE(box, nullptr);
    EXPECT_NE(messageBoxText(box).find(loadResourceString(IDS_MSG_TOO_MANY_FILES)),
              std::wstring::npos);
    answerMessageBox(box, IDOK);
    window.settle();
    EXPECT_EQ(::SendMessageW(window.item(IDC_UPLOAD_LIST), LB_GETCOUNT, 0, 0), 1001);
}

TEST(TransferTab, SoundFilesAreChosenOneAtATimeAndNeverAdded)
{
    TempFolder folder;
    for (const wchar_t* name : {L"a.wav", L"b.wav", L"c.wav", L"d.jpg"})
        touch((folder / name).wstring());
    WindowHarness window(WindowHarness::settingsFor(folder.path().wstring()));
    ASSERT_TRUE(window.started());
    ::SendMessageW(window.item(IDC_FILE_TYPE), CB_SETCURSEL, 3, 0);
    window.command(IDC_FILE_TYPE, CBN_SELCHANGE);
    ASSERT_EQ(window.listTexts(IDC_FILE_LIST), (Names{L"a.wav", L"b.wav", L"c.wav"}));
    window.selectFiles(IDC_FILE_LIST, {0, 1, 2});
    EXPECT_EQ(::SendMessageW(window.item(IDC_FILE_LIST), LB_GETSELCOUNT, 0, 0), 1);
    EXPECT_GT(::SendMessageW(window.item(IDC_FILE_LIST), LB_GETSEL, 0, 0), 0);
    EXPECT_FALSE(window.enabled(IDC_ADD_ALL));
    EXPECT_FALSE(window.enabled(IDC_ADD_SELECTED));
    EXPECT_FALSE(window.enabled(IDC_PREVIEW_CHECK));
}

TEST(TransferTab, PreviewShowsThePictureSizeAndRefusesProgressivePictures)
{
    TempFolder folder;
    makePicture((folder / L"big.jpg").wstring(), "-size 1600x1200 gradient:red-blue");
    makePicture((folder / L"prog.jpg").wstring(),
                "-size 320x240 gradient:green-white -interlace Plane");
    AppSettings settings = WindowHarness::settingsFor(folder.path().wstring());
    settings.CehckViewMode = 1;
    WindowHarness window(settings);
    ASSERT_TRUE(window.started());
    ASSERT_EQ(window.listTexts(IDC_FILE_LIST), (Names{L"big.jpg", L"prog.jpg"}));

    window.selectFiles(IDC_FILE_LIST, {0});
    EXPECT_EQ(window.text(IDC_SIZE_TEXT), L"1600 X 1200");
    EXPECT_TRUE(window.visible(IDC_SIZE_TEXT));
    EXPECT_TRUE(::IsWindowVisible(window.dialog().Converter().window()));

    ::PostMessageW(window.item(IDC_FILE_LIST), LB_SETSEL, FALSE, -1);
    ::PostMessageW(window.item(IDC_FILE_LIST), LB_SETSEL, TRUE, 1);
    ::PostMessageW(window.window(), WM_COMMAND, MAKEWPARAM(IDC_FILE_LIST, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(window.item(IDC_FILE_LIST)));
    HWND box = waitForMessageBox(window.threadId());
    ASSERT_NE(box, nullptr);
    EXPECT_NE(messageBoxText(box).find(loadResourceString(IDS_MSG_PICTURE_UNREADABLE) + L"\n[3]"),
              std::wstring::npos);
    answerMessageBox(box, IDOK);
    window.settle();
    EXPECT_FALSE(window.visible(IDC_SIZE_TEXT));
    EXPECT_FALSE(::IsWindowVisible(window.dialog().Converter().window()));
    EXPECT_TRUE(window.enabled(IDC_FILE_LIST));
}

TEST(TransferTab, SaveAlsoChoosesTheDestinationOfTheJob)
{
    TempFolder folder;
    AppSettings settings = WindowHarness::settingsFor(folder.path().wstring());
    settings.PathSave = (folder / L"saved").wstring();
    WindowHarness window(settings);
    ASSERT_TRUE(window.started());
    EXPECT_FALSE(window.enabled(IDC_BROWSE));
    ::SendMessageW(window.item(IDC_SAVE_ALSO), BM_SETCHECK, BST_CHECKED, 0);
    window.click(IDC_SAVE_ALSO);
    EXPECT_TRUE(window.enabled(IDC_BROWSE));
    EXPECT_TRUE(window.enabled(IDC_SAVE_PATH));
    EXPECT_EQ(window.text(IDC_SAVE_PATH), (folder / L"saved").wstring());
    ::SendMessageW(window.item(IDC_SAVE_ALSO), BM_SETCHECK, BST_UNCHECKED, 0);
    window.click(IDC_SAVE_ALSO);
    ::SendMessageW(window.item(IDC_SAVE_ALSO), BM_SETCHECK, BST_CHECKED, 0);
    window.click(IDC_SAVE_ALSO);
    const AppSettings after = window.close();
    EXPECT_EQ(after.CehckSeve, 1);
    EXPECT_EQ(after.TwainPath, (folder / L"saved").wstring());
}

TEST(TransferTab, TheCameraSwitchCarriesSizesAndCaptionsToTheNewModel)
{
    TempFolder folder;
    touch((folder / L"a.jpg").wstring());
    touch((folder / L"b.jpg").wstring());
    AppSettings settings = WindowHarness::settingsFor(folder.path().wstring());
    settings.JpegSize = static_cast<int32_t>(kSize1600x1200);
    WindowHarness window(settings);
    ASSERT_TRUE(window.started());
    EXPECT_EQ(window.text(IDC_SIZE_X), L"1600 X 1200(&X)");
    window.click(IDC_ADD_ALL);
    ASSERT_EQ(window.uploadTexts(), (Names{L"[X] a.jpg", L"[X] b.jpg"}));

    auto switchTo = [&window](int row, int button) {
        ::PostMessageW(window.window(), WM_COMMAND, MAKEWPARAM(IDC_CAMERA_SWITCH, BN_CLICKED), 0);
        HWND dialog = nullptr;
        for (int i = 0; i < 400 && dialog == nullptr; ++i) {
            ::Sleep(25);
            HWND found = ::FindWindowExW(nullptr, nullptr, L"#32770", nullptr);
            for (; found != nullptr; found = ::FindWindowExW(nullptr, found, L"#32770", nullptr)) {
                if (::GetDlgItem(found, IDC_CAMERA_LIST) != nullptr && ::IsWindowVisible(found))
                    dialog = found;
            }
        }
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(::SendDlgItemMessageW(dialog, IDC_CAMERA_LIST, LB_GETCOUNT, 0, 0),
                  kCameraModelCount);
        EXPECT_EQ(::SendDlgItemMessageW(dialog, IDC_CAMERA_LIST, LB_GETCURSEL, 0, 0), 3);
        ::SendDlgItemMessageW(dialog, IDC_CAMERA_LIST, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        for (int i = 0; i < 400 && ::IsWindow(dialog); ++i)
            ::Sleep(25);
        window.settle();
    };
    switchTo(0, IDCANCEL);
    EXPECT_EQ(window.text(IDC_SIZE_X), L"1600 X 1200(&X)");
    switchTo(0, IDOK);
    EXPECT_EQ(window.text(IDC_SIZE_X), L"1024 X 768(&X)");
    EXPECT_EQ(window.text(IDC_SIZE_P), L"1024 X 384(&P)");
    window.selectFiles(IDC_UPLOAD_LIST, {1});
    EXPECT_TRUE(window.checked(IDC_SIZE_X));
    const AppSettings after = window.close();
    EXPECT_EQ(after.cameraCode, 52);
    EXPECT_EQ(after.previousCameraCode, 90);
    EXPECT_EQ(static_cast<PackedSize>(after.JpegSize), kSize1024x768);
}

}  // namespace
