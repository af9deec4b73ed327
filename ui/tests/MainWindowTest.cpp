// The main window in the test process: listing folders, the two tabs, the
// hint line, the busy state with ESC and closing, the about box.
#include "app/PrivateMessages.h"
#include "resources/VxfsendRes.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"
#include "ui/tests/WindowHarness.h"
#include "win/ResourceString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

std::wstring hint(UINT stringId)
{
    return L" " + loadResourceString(stringId);
}

void touch(const std::wstring& path)
{
    ASSERT_NO_THROW(writeFileText(path, "x"))
        << "cannot write " << std::string(path.begin(), path.end());
}

// A folder of pictures and other files, with a sub-folder.
struct PictureFolder {
    PictureFolder()
    {
        for (const wchar_t* name :
             {L"a.jpg", L"b.BMP", L"c.txt", L"d.jpeg", L"e.bmp", L"f.jpg.txt"})
            touch((folder / name).wstring());
        ::CreateDirectoryW((folder / L"sub").wstring().c_str(), nullptr);
        touch((folder / L"sub\\x.jpg").wstring());
        ::CreateDirectoryW((folder / L"empty").wstring().c_str(), nullptr);
    }
    TempFolder folder;
};

// Double-clicks a folder of the system dialog's folder list.
void openFolder(WindowHarness& window, const std::wstring& name)
{
    const HWND list = window.item(IDC_FOLDER_LIST);
    const std::wstring entry = L"[" + name + L"]";
    const LRESULT index = ::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(entry.c_str()));
    ASSERT_NE(index, LB_ERR) << "no folder entry " << std::string(entry.begin(), entry.end());
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    window.command(IDC_FOLDER_LIST, LBN_DBLCLK);
}

TEST(MainWindow, ListsThePicturesOfItsFolderByFileTypeAndFollowsFolderChanges)
{
    PictureFolder pictures;
    WindowHarness window(WindowHarness::settingsFor(pictures.folder.path().wstring()));
    ASSERT_TRUE(window.started());
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), (Names{L"a.jpg", L"b.BMP", L"e.bmp"}));

    ::SendMessageW(window.item(IDC_FILE_TYPE), CB_SETCURSEL, 2, 0);
    window.command(IDC_FILE_TYPE, CBN_SELCHANGE);
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), (Names{L"b.BMP", L"e.bmp"}));

    openFolder(window, L"sub");
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), Names{});
    ::SendMessageW(window.item(IDC_FILE_TYPE), CB_SETCURSEL, 1, 0);
    window.command(IDC_FILE_TYPE, CBN_SELCHANGE);
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), Names{L"x.jpg"});
    // An empty folder empties the list as well.
    openFolder(window, L"..");
    openFolder(window, L"empty");
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), Names{});
    EXPECT_FALSE(window.enabled(IDC_ADD_ALL));

    const AppSettings after = window.close();
    EXPECT_EQ(after.PathSelect, (pictures.folder / L"empty").wstring());
    EXPECT_EQ(after.FileTypeIndex, 1);
}

TEST(MainWindow, StartsOnTheSavedTabAndSwitchesControlSetsBothWays)
{
    PictureFolder pictures;
    TempFolder captures;
    touch((captures / L"cap0001.bmp").wstring());
    AppSettings settings = WindowHarness::settingsFor(pictures.folder.path().wstring());
    settings.PathCapture = captures.path().wstring();
    settings.TabPage = 1;
    settings.HotkeyModifiers = 0xF7;
    settings.Hotkey = 0x75;        // F6: not offered
    settings.Filter = L"|*.jpg|";  // no description: the program's own list
    settings.FileTypeIndex = 9;
    WindowHarness window(settings);
    ASSERT_TRUE(window.started());

    EXPECT_TRUE(window.visible(IDC_CAPTURE_START));
    EXPECT_FALSE(window.visible(IDC_CAPTURE_END));
    EXPECT_TRUE(window.visible(IDC_CAPTURE_GUIDE));
    EXPECT_TRUE(window.enabled(IDC_NEW_FOLDER));
    EXPECT_FALSE(window.visible(IDC_UPLOAD_LIST));
    EXPECT_FALSE(window.visible(IDC_FILE_TYPE));
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), Names{L"cap0001.bmp"});
    EXPECT_TRUE(window.checked(IDC_KEY_ALT) && window.checked(IDC_KEY_CTRL) &&
                window.checked(IDC_KEY_SHIFT));
    EXPECT_EQ(window.text(IDC_CAPTURE_KEY), L"F1");
    EXPECT_EQ(::SendMessageW(window.item(IDC_FILE_TYPE), CB_GETCOUNT, 0, 0), 3);
    // On the capture tab the folder controls take the left column.
    RECT folders = {};
    RECT files = {};
    ::GetWindowRect(window.item(IDC_FOLDER_LIST), &folders);
    ::GetWindowRect(window.item(IDC_FILE_LIST), &files);
    EXPECT_LT(folders.left, files.left);

    window.selectTab(0);
    EXPECT_FALSE(window.visible(IDC_CAPTURE_START));
    EXPECT_FALSE(window.visible(IDC_NEW_FOLDER));
    EXPECT_FALSE(window.enabled(IDC_NEW_FOLDER));
    EXPECT_TRUE(window.visible(IDC_UPLOAD_LIST));
    EXPECT_TRUE(window.visible(IDC_FILE_TYPE));
    EXPECT_FALSE(window.visible(IDC_CAMERA_SWITCH));
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), (Names{L"a.jpg", L"b.BMP", L"e.bmp"}));
    ::GetWindowRect(window.item(IDC_FOLDER_LIST), &folders);
    ::GetWindowRect(window.item(IDC_FILE_LIST), &files);
    EXPECT_GT(folders.left, files.left);

    const AppSettings after = window.close();
    EXPECT_EQ(after.TabPage, 0);
    EXPECT_EQ(after.HotkeyModifiers, 7);
    EXPECT_EQ(after.Hotkey, VK_F1);
    EXPECT_EQ(after.FileTypeIndex, 0);
    EXPECT_EQ(after.Filter, loadResourceString(IDS_FILE_FILTER));
}

TEST(MainWindow, AFolderThatWasDeletedListsItsNearestParent)
{
    PictureFolder pictures;
    WindowHarness window(
        WindowHarness::settingsFor((pictures.folder / L"gone\\deeper\\").wstring()));
    ASSERT_TRUE(window.started());
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), (Names{L"a.jpg", L"b.BMP", L"e.bmp"}));
    EXPECT_EQ(window.close().PathSelect, pictures.folder.path().wstring());
}

TEST(MainWindow, HintLineNamesTheControlUnderTheMouseOnce)
{
    PictureFolder pictures;
    WindowHarness window(WindowHarness::settingsFor(pictures.folder.path().wstring()));
    ASSERT_TRUE(window.started());
    EXPECT_EQ(window.text(IDC_HINT_LINE), hint(IDS_HINT_DEFAULT));

    const struct {
        int control;
        UINT message;
        UINT expected;
    } hovers[] = {
        {IDC_ADD_ALL, WM_MOUSEMOVE, IDS_HINT_ADD_ALL},                   // button
        {IDC_PREVIEW_AREA, WM_NCHITTEST, IDS_HINT_PREVIEW_AREA},         // static
        {IDC_FILE_TYPE, WM_MOUSEMOVE, IDS_HINT_FILE_TYPE},               // combo box
        {IDC_TAB, WM_MOUSEMOVE, IDS_HINT_TAB},                           // tab control
        {IDC_SAVE_PATH, WM_MOUSEMOVE, IDS_HINT_SAVE_PATH},               // edit
        {IDC_UPLOAD_LIST, WM_MOUSEMOVE, IDS_HINT_UPLOAD_LIST_KXORIN},    // by camera model
        {IDC_UPLOAD, WM_MOUSEMOVE, IDS_HINT_UPLOAD},                     // bitmap button
        {IDC_FOLDER_LIST, WM_MOUSEMOVE, IDS_HINT_FOLDER_LIST_TRANSFER},  // the system dialog's
        {IDC_PICTURE_PREVIEW, WM_MOUSEMOVE, IDS_HINT_PREVIEW_AREA},      // in the picture converter
        {IDC_CURRENT_FOLDER, WM_NCHITTEST, IDS_HINT_CURRENT_FOLDER},
    };
    const HWND converter = window.dialog().Converter().window();
    for (const auto& hover : hovers) {
        const HWND control = hover.control == IDC_PICTURE_PREVIEW
                                 ? ::GetDlgItem(converter, hover.control)
                                 : window.item(hover.control);
        ::SendMessageW(control, hover.message, 0, MAKELPARAM(2, 2));
        window.settle();
        EXPECT_EQ(window.text(IDC_HINT_LINE), hint(hover.expected)) << "control " << hover.control;
    }
    // The same control again leaves the line alone.
    ::SetWindowTextW(window.item(IDC_HINT_LINE), L"changed");
    ::SendMessageW(window.item(IDC_CURRENT_FOLDER), WM_NCHITTEST, 0, MAKELPARAM(2, 2));
    window.settle();
    EXPECT_EQ(window.text(IDC_HINT_LINE), L"changed");
    // The window's own background.
    ::SendMessageW(window.window(), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    window.settle();
    EXPECT_EQ(window.text(IDC_HINT_LINE), hint(IDS_HINT_DEFAULT));
}

// A job whose second of three entries cannot be read: its question shows
// while the window is busy.
TEST(MainWindow, BusyWindowRefusesClosingAndAsksOnceOnEsc)
{
    TempFolder folder;
    AppSettings settings = WindowHarness::settingsFor(folder.path().wstring());
    settings.DebugMode |= kDebugNoHandOff | kDebugDropFiles;
    WindowHarness window(settings);
    ASSERT_TRUE(window.started());
    // Idle: ESC asks nothing.
    ::SendMessageW(window.window(), UM_ESCAPE_PRESSED, WM_KEYDOWN, 1);
    window.settle();
    EXPECT_EQ(waitForMessageBox(window.threadId(), 0), nullptr);

    window.dropFiles({(folder / L"missing1.jpg").wstring(), (folder / L"missing2.jpg").wstring(),
                      (folder / L"missing3.jpg").wstring()});
    ASSERT_EQ(window.uploadTexts().size(), 3u);
    ::PostMessageW(window.window(), WM_COMMAND, MAKEWPARAM(IDC_UPLOAD, BN_CLICKED), 0);
    HWND question = waitForMessageBox(window.threadId());
    ASSERT_NE(question, nullptr);
    EXPECT_NE(messageBoxText(question).find(loadResourceString(IDS_MSG_CONVERT_FAILED)),
              std::wstring::npos);

    // Busy: the lists and the close button are disabled, closing is refused.
    EXPECT_FALSE(window.enabled(IDC_CLOSE_BUTTON));
    EXPECT_FALSE(window.enabled(IDC_UPLOAD_LIST));
    EXPECT_FALSE(window.enabled(IDC_TAB));
    ::SendMessageW(window.window(), WM_CLOSE, 0, 0);
    ::SendMessageW(window.window(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(window.ended());

    // A repeated key asks nothing; a new press asks once.
    ::PostMessageW(window.window(), UM_ESCAPE_PRESSED, WM_KEYDOWN, 1 | (1 << 30));
    ::PostMessageW(window.window(), UM_ESCAPE_PRESSED, WM_KEYDOWN, 1);
    ::PostMessageW(window.window(), UM_ESCAPE_PRESSED, WM_KEYDOWN, 1);
    const HWND escape = waitForMessageBox(window.threadId(), 20000, question);
    if (escape == nullptr)
        answerMessageBox(question, IDCANCEL);  // ends the job, so the window can close
    ASSERT_NE(escape, nullptr);
    EXPECT_NE(messageBoxText(escape).find(loadResourceString(IDS_MSG_ESC_ABORT)),
              std::wstring::npos);
    answerMessageBox(escape, IDYES);
    answerMessageBox(question, IDOK);
    // Aborted: no question for the other entries.
    for (int i = 0; i < 400 && window.enabled(IDC_CLOSE_BUTTON) == false; ++i)
        ::Sleep(25);
    window.settle();
    EXPECT_EQ(waitForMessageBox(window.threadId(), 0), nullptr);
    EXPECT_TRUE(window.enabled(IDC_CLOSE_BUTTON));
    EXPECT_EQ(window.text(IDC_HINT_LINE), hint(IDS_HINT_DEFAULT));
}

// Capture mode from the capture tab: one press of the key lists and selects
// the new capture; back on the transfer tab the browser shows the captures.
TEST(MainWindow, CaptureModeSavesAPressOfTheKeyAndTheTransferTabOpensOnIt)
{
    PictureFolder pictures;
    TempFolder captures;
    AppSettings settings = WindowHarness::settingsFor(pictures.folder.path().wstring());
    settings.PathCapture = captures.path().wstring();
    settings.FileTypeIndex = 1;
    WindowHarness window(settings);
    ASSERT_TRUE(window.started());
    window.selectTab(1);
    window.click(IDC_CAPTURE_START);
    ASSERT_TRUE(window.dialog().Capture().Running());
    EXPECT_TRUE(window.visible(IDC_CAPTURE_END));
    EXPECT_FALSE(window.visible(IDC_CAPTURE_START));
    for (int id : {IDC_CLOSE_BUTTON, IDC_TAB, IDC_CAPTURE_KEY, IDC_NEW_FOLDER, IDC_FOLDER_LIST})
        EXPECT_FALSE(window.enabled(id)) << "control " << id;

    ::SendMessageW(window.window(), UM_CAPTURE_KEY, window.dialog().Capture().HotKeyId(), 0);
    window.settle();
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), Names{L"cap0001.bmp"});
    EXPECT_GT(::SendMessageW(window.item(IDC_FILE_LIST), LB_GETSEL, 0, 0), 0);
    window.click(IDC_CAPTURE_END);
    EXPECT_TRUE(window.visible(IDC_CAPTURE_START));
    EXPECT_TRUE(window.enabled(IDC_TAB));

    window.selectTab(0);
    EXPECT_EQ(window.listTexts(IDC_FILE_LIST), Names{L"cap0001.bmp"});
    const AppSettings after = window.close();
    EXPECT_EQ(after.PathSelect, captures.path().wstring());
    EXPECT_EQ(after.FileTypeIndex, 0);
}

TEST(MainWindow, AboutBoxOpensFromTheSystemMenuWithItsPicture)
{
    TempFolder folder;
    WindowHarness window(WindowHarness::settingsFor(folder.path().wstring()));
    ASSERT_TRUE(window.started());
    ::PostMessageW(window.window(), WM_SYSCOMMAND, IDM_ABOUT | 0x3, 0);
    HWND about = nullptr;
    for (int i = 0; i < 400 && about == nullptr; ++i) {
        ::Sleep(25);
        HWND found = ::FindWindowExW(nullptr, nullptr, L"#32770", nullptr);
        for (; found != nullptr; found = ::FindWindowExW(nullptr, found, L"#32770", nullptr)) {
            if (::GetDlgItem(found, IDC_ABOUT_PICTURE) != nullptr && ::IsWindowVisible(found))
                about = found;
        }
    }
    ASSERT_NE(about, nullptr);
    RECT picture = {};
    ::GetWindowRect(::GetDlgItem(about, IDC_ABOUT_PICTURE), &picture);
    EXPECT_EQ(picture.right - picture.left, 480);
    EXPECT_EQ(picture.bottom - picture.top, 200);
    ::PostMessageW(about, WM_COMMAND, IDOK, 0);
}

}  // namespace
