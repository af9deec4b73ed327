// Wavsel's side: chooserMain runs on a thread of the test against a block
// made here as Vxfsend makes it, and the dialog is driven by messages. Last,
// Vxfsend's side with the real Wavsel.mdl.
#include "chooser/ChooserMain.h"
#include "chooser/SoundChooser.h"

#include "chooser/tests/ChooserTestSupport.h"
#include "testsupport/win/Process.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"
#include "sound/win/tests/TestWaves.h"
#include "tests/ExpectedTexts.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstring>
#include <thread>

using namespace choosertest;

namespace {

constexpr int kPlayButton = 0x500, kNameEdit = 1152, kTypeCombo = 1136, kFolderCombo = 1137;

HWND fileListOf(HWND dialog)
{
    return ::FindWindowExW(::FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr), nullptr, WC_LISTVIEWW,
                           nullptr);
}

int itemIndex(HWND list, const std::wstring& name)
{
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        wchar_t text[MAX_PATH] = {};
        LVITEMW get = {};
        get.pszText = text;
        get.cchTextMax = MAX_PATH;
        ::SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&get));
        if (name == text)
            return item;
    }
    return -1;
}

int selectedItem(HWND list)
{
    return static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

RECT rectIn(HWND dialog, int id)
{
    RECT rect = {};
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A folder with a Japanese name: a sub-folder, a five-second sound, a broken
// one and one whose name code page 932 cannot carry.
class SoundFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(japaneseCodePage());
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        ::CreateDirectoryW((folder_ + L"\\sub").c_str(), nullptr);
        using namespace testwaves;
        ASSERT_NO_THROW(writeFileText(folder_ + L"\\長い.wav", silence8k(5000)));
        ASSERT_NO_THROW(writeFileText(folder_ + L"\\broken.wav", riff("WAVE", chunk("fmt ", formatRecord(1, 8000, 8)))));
        ASSERT_NO_THROW(writeFileText(folder_ + L"\\caf\u00E9.wav", silence8k(100)));
    }

    TempFolder base_;
    const std::wstring folder_ = (base_ / L"音声").wstring();
};

// Plays Vxfsend's part for chooserMain, which runs on a thread of its own.
class WavselTest : public SoundFolderTest {
protected:
    void SetUp() override
    {
        SoundFolderTest::SetUp();
        ASSERT_GT(::waveOutGetNumDevs(), 0u) << "no waveform output device: these tests need one (under Wine: "
                                                "HOME with an .asoundrc that routes ALSA's default device to a null device)";
        ASSERT_TRUE(view_ && signal_);
        std::strcpy(block().initialFolder, cp932(folder_).c_str());
        block().openDialog = 1;
        std::strcpy(block().okText, cp932(L"開く").c_str());
        std::strcpy(block().cancelText, cp932(L"ｷｬﾝｾﾙ").c_str());
        std::strcpy(block().playText, cp932(L"ﾃｽﾄ再生").c_str());
        std::strcpy(block().stopText, cp932(L"再生停止").c_str());
    }
    void TearDown() override { ::WaitForSingleObject(chooser_.get(), 30000); }

    ChooserRequest& block() { return view_.request(); }
    // Starts Wavsel's side and waits for its dialog with a filled file list.
    void open(const std::wstring& title)
    {
        chooser_.reset(::CreateThread(nullptr, 0, [](void*) WINAPI -> DWORD { return chooserMain(); }, nullptr, 0, nullptr));
        dialog_ = wintest::waitForWindow(::GetCurrentProcessId(), title, 20000);
        ASSERT_NE(dialog_, nullptr) << "no dialog titled by the request";
        play_ = ::GetDlgItem(dialog_, kPlayButton);
        ASSERT_TRUE(waitUntil([&] { return (list_ = fileListOf(dialog_)) && itemIndex(list_, L"sub") >= 0; }));
    }
    // Selects the item alone, as a click would; then waits until the play
    // button is enabled exactly when the item is a file.
    bool select(const std::wstring& name, bool file = true)
    {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        state.state = state.stateMask;
        ::SendMessageW(list_, LVM_SETITEMSTATE, itemIndex(list_, name), reinterpret_cast<LPARAM>(&state));
        return waitUntil([&] { return ::IsWindowEnabled(play_) == (file ? TRUE : FALSE); }, 3000);
    }
    void click(int id) { ::SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    bool playing() { return windowText(play_) == L"再生停止"; }
    // OK, cancel, the list, the toolbar and both combos: all enabled, or all not.
    bool othersEnabled(bool enabled)
    {
        for (HWND control : {::GetDlgItem(dialog_, IDOK), ::GetDlgItem(dialog_, IDCANCEL), list_,
                             ::FindWindowExW(dialog_, nullptr, TOOLBARCLASSNAMEW, nullptr),
                             ::GetDlgItem(dialog_, kTypeCombo), ::GetDlgItem(dialog_, kFolderCombo)}) {
            if ((::IsWindowEnabled(control) != FALSE) != enabled)
                return false;
        }
        return true;
    }
    // Waits for a box of Wavsel's, checks its text and owner, and answers OK.
    void answerBox(const std::wstring& text, HWND owner)
    {
        HWND box = wintest::waitForWindow(::GetCurrentProcessId(), EXPECTED_APP_TITLE, 20000);
        ASSERT_NE(box, nullptr) << "no box";
        std::wstring longest;  // the box's text is its longest static
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            longest = std::max(longest, windowText(child), [](auto& a, auto& b) { return a.size() < b.size(); });
        EXPECT_EQ(longest, text);
        EXPECT_EQ(::GetWindow(box, GW_OWNER), owner);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(waitUntil([&] { return !::IsWindow(box); }));
    }
    // Ends the dialog by posting `message`; the answer is then in the block.
    bool answeredAfter(UINT message, WPARAM wParam)
    {
        ::PostMessageW(dialog_, message, wParam, 0);
        return ::WaitForSingleObject(chooser_.get(), 15000) == WAIT_OBJECT_0 &&
               ::WaitForSingleObject(signal_.get(), 0) == WAIT_OBJECT_0;
    }

    KernelHandle mapping_{::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               sizeof(ChooserRequest), kChooserMappingName)};
    RequestView view_{mapping_};
    KernelHandle signal_{::CreateSemaphoreW(nullptr, 0, 1, kChooserSignalName)};
    KernelHandle chooser_;
    HWND dialog_ = nullptr, play_ = nullptr, list_ = nullptr;
};

TEST_F(WavselTest, ShowsTheRequestsTextsPlaysAndStopsAFileAndAnswersTheChosenOne)
{
    open(L"開く");
    EXPECT_EQ(windowText(::GetDlgItem(dialog_, IDOK)), L"開く");
    EXPECT_EQ(windowText(::GetDlgItem(dialog_, IDCANCEL)), L"ｷｬﾝｾﾙ");
    EXPECT_FALSE(::GetWindowLongW(dialog_, GWL_STYLE) & WS_SYSMENU) << "the dialog has a close box";
    HWND nameEdit = ::GetDlgItem(dialog_, kNameEdit);
    ASSERT_NE(nameEdit, nullptr) << "the hooked dialog has no file name edit";
    EXPECT_FALSE(::IsWindowVisible(nameEdit) || ::IsWindowEnabled(nameEdit));

    // The play button: the right third of the name edit's place, as high as OK.
    ASSERT_NE(play_, nullptr);
    EXPECT_EQ(windowText(play_), L"ﾃｽﾄ再生");
    EXPECT_FALSE(::IsWindowEnabled(play_));
    const RECT edit = rectIn(dialog_, kNameEdit), ok = rectIn(dialog_, IDOK), play = rectIn(dialog_, kPlayButton);
    EXPECT_EQ(play.right, edit.right);
    EXPECT_EQ(play.top, edit.top);
    EXPECT_EQ(play.right - play.left, (edit.right - edit.left) / 3);
    EXPECT_EQ(play.bottom - play.top, ok.bottom - ok.top);

    EXPECT_TRUE(select(L"長い.wav")) << "a file leaves play disabled";
    EXPECT_TRUE(select(L"sub", false)) << "a folder after a file enables play";
    ASSERT_TRUE(select(L"長い.wav"));
    click(kPlayButton);
    ASSERT_TRUE(playing()) << "the play button does not offer to stop";
    EXPECT_TRUE(::IsWindowEnabled(play_));
    EXPECT_TRUE(othersEnabled(false));
    click(kPlayButton);  // stops; the end of the playback follows
    ASSERT_TRUE(waitUntil([&] { return !playing(); })) << "no end of playback after stop";
    EXPECT_EQ(windowText(play_), L"ﾃｽﾄ再生");
    EXPECT_TRUE(::IsWindowEnabled(play_));
    EXPECT_TRUE(othersEnabled(true));
    EXPECT_EQ(selectedItem(list_), itemIndex(list_, L"長い.wav"));

    ASSERT_TRUE(answeredAfter(WM_COMMAND, IDOK));
    EXPECT_EQ(block().fileChosen, 1);
    EXPECT_EQ(std::string(block().path), cp932(folder_ + L"\\長い.wav"));
    EXPECT_EQ(block().dialogError, 0);
}

TEST_F(WavselTest, ABrokenFileOrAnUnusableNameShowsWavselsMessageAndTheDialogStays)
{
    open(L"開く");
    ASSERT_TRUE(select(L"broken.wav"));
    ::PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(kPlayButton, BN_CLICKED), 0);
    answerBox(L"サウンドの再生で、エラーになりました。", nullptr);
    ASSERT_TRUE(waitUntil([&] { return othersEnabled(true); }));
    EXPECT_EQ(windowText(play_), L"ﾃｽﾄ再生");
    EXPECT_EQ(selectedItem(list_), itemIndex(list_, L"broken.wav"));

    ASSERT_TRUE(select(L"caf\u00E9.wav"));  // code page 932 cannot carry it back
    ::PostMessageW(dialog_, WM_COMMAND, IDOK, 0);
    answerBox(L"このファイル名は使用できません。\n別の名前のファイルを選んで下さい。", dialog_);
    EXPECT_TRUE(::IsWindowVisible(dialog_)) << "the dialog closed on an unusable name";
    ASSERT_TRUE(answeredAfter(WM_COMMAND, IDCANCEL));
    EXPECT_EQ(block().fileChosen, 0);
}

TEST_F(WavselTest, EscapeDuringPlaybackAnswersNoFile)
{
    std::memset(block().okText, 'A', kChooserTextBytes);  // no terminator in the field
    open(std::wstring(kChooserTextBytes - 1, L'A'));
    ASSERT_TRUE(select(L"長い.wav"));
    click(kPlayButton);
    ASSERT_TRUE(playing());
    ASSERT_TRUE(answeredAfter(WM_KEYDOWN, VK_ESCAPE)) << "the dialog did not end on ESC";
    EXPECT_EQ(block().fileChosen, 0);
}

// The whole road: Vxfsend's side starts the real Wavsel.mdl, the user picks
// a file with a Japanese name, and its path comes back.
TEST_F(SoundFolderTest, VxfsendGetsThePathTheUserChoseInWavsel)
{
    OwnerWindow owner;
    HWND dialogOwner = nullptr;
    std::thread user([&] {
        if (HWND dialog = wintest::waitForWindow(0, L"開く", 30000)) {
            dialogOwner = ::GetWindow(dialog, GW_OWNER);
            ::SendMessageW(::GetDlgItem(dialog, kNameEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"長い.wav"));
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
    });
    SoundChooser chooser(wintest::besideTest(L""));
    EXPECT_EQ(chooser.runSoundChooser(owner.handle, folder_), folder_ + L"\\長い.wav");
    user.join();
    EXPECT_EQ(dialogOwner, owner.handle);
}

}  // namespace
