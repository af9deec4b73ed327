// Wavsel's side: chooserMain runs on a thread of the test, against a block
// this harness creates as Vxfsend would, and the dialog is driven by
// messages. Last, Vxfsend's side with the real Wavsel.mdl.
#include "chooser/ChooserMain.h"
#include "chooser/ChooserRequest.h"
#include "chooser/SoundChooser.h"

#include "ChooserTestSupport.h"
#include "WinProcess.h"
#include "WinTestFiles.h"
#include "sound/win/tests/TestWaves.h"
#include "tests/ExpectedTexts.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <mmsystem.h>

#include <cstring>
#include <thread>

using namespace choosertest;

namespace {

constexpr int kPlayButton = 0x500;
constexpr int kNameEdit = 1152;
const std::wstring kPlaybackFailed = L"サウンドの再生で、エラーになりました。";

// Plays Vxfsend's part: the named block and semaphore, the request in it,
// and chooserMain on a thread of its own, where the dialog lives.
class WavselHarness {
public:
    WavselHarness()
        : mapping_(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ChooserRequest),
                                        kChooserMappingName)),
          view_(mapping_),
          signal_(::CreateSemaphoreW(nullptr, 0, 1, kChooserSignalName))
    {
    }
    ~WavselHarness()
    {
        if (thread_) {
            ::WaitForSingleObject(thread_.get(), 30000);
        }
    }

    bool ready() const { return view_ && signal_; }
    ChooserRequest& block() { return view_.request(); }
    void request(const std::wstring& folder)
    {
        ChooserRequest& b = block();
        b.openDialog = 1;
        std::strcpy(b.initialFolder, cp932(folder).c_str());
        std::strcpy(b.okText, cp932(L"開く").c_str());
        std::strcpy(b.cancelText, cp932(L"ｷｬﾝｾﾙ").c_str());
        std::strcpy(b.playText, cp932(L"ﾃｽﾄ再生").c_str());
        std::strcpy(b.stopText, cp932(L"再生停止").c_str());
    }
    void start()
    {
        thread_.reset(::CreateThread(nullptr, 0, runChooser, nullptr, 0, nullptr));
    }
    // True when chooserMain has returned in time.
    bool finished(DWORD milliseconds = 15000) { return ::WaitForSingleObject(thread_.get(), milliseconds) == WAIT_OBJECT_0; }
    bool answered() { return ::WaitForSingleObject(signal_.get(), 0) == WAIT_OBJECT_0; }

private:
    static DWORD WINAPI runChooser(void*) { return static_cast<DWORD>(chooserMain()); }

    KernelHandle mapping_;
    RequestView view_;
    KernelHandle signal_;
    KernelHandle thread_;
};

HWND fileListOf(HWND dialog)
{
    HWND view = ::FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr);
    return view ? ::FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
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

// Selects the named item alone, as a click on it would.
bool select(HWND list, const std::wstring& name)
{
    const int item = itemIndex(list, name);
    if (item < 0)
        return false;
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
    return true;
}

RECT rectIn(HWND dialog, HWND control)
{
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The text of a message box: its longest static.
std::wstring boxText(HWND box)
{
    std::wstring longest;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        ::GetClassNameW(child, name, 16);
        const std::wstring text = windowText(child);
        if (_wcsicmp(name, L"Static") == 0 && text.size() > longest.size())
            longest = text;
    }
    return longest;
}

HWND toolbarOf(HWND dialog) { return ::FindWindowExW(dialog, nullptr, TOOLBARCLASSNAMEW, nullptr); }

// A folder with a Japanese name: a sub-folder, a long sound, a broken one
// and one whose name code page 932 cannot carry.
class SoundFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(japaneseCodePage());
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        ::CreateDirectoryW((folder_ + L"\\sub").c_str(), nullptr);
        ASSERT_TRUE(testfiles::writeFile(folder_ + L"\\長い.wav", testwaves::silence8k(5000)));
        ASSERT_TRUE(testfiles::writeFile(folder_ + L"\\broken.wav",
                                         testwaves::riff("WAVE", testwaves::chunk("fmt ", testwaves::formatRecord(1, 8000, 8)))));
        ASSERT_TRUE(testfiles::writeFile(folder_ + L"\\caf\u00E9.wav", testwaves::silence8k(100)));
    }

    testfiles::TempFolder base_{L"vxf-wavsel"};
    const std::wstring folder_ = base_.sub(L"音声");
};

class WavselTest : public SoundFolderTest {
protected:
    void SetUp() override
    {
        SoundFolderTest::SetUp();
        ASSERT_GT(::waveOutGetNumDevs(), 0u)
            << "no waveform output device: these tests need one (under Wine: HOME with an .asoundrc "
               "that routes ALSA's default device to a null device)";
        ASSERT_TRUE(harness_.ready());
    }

    // Starts Wavsel's side and waits for its dialog and a filled file list.
    void open(const std::wstring& title)
    {
        harness_.start();
        dialog_ = wintest::waitForWindow(::GetCurrentProcessId(), title, 20000);
        ASSERT_NE(dialog_, nullptr) << "no dialog titled by the request";
        play_ = ::GetDlgItem(dialog_, kPlayButton);
        ASSERT_TRUE(waitUntil([&] { return (list_ = fileListOf(dialog_)) && itemIndex(list_, L"sub") >= 0; }));
    }
    bool playing() { return windowText(play_) == L"再生停止"; }
    void clickPlay(bool wait)
    {
        const WPARAM click = MAKEWPARAM(kPlayButton, BN_CLICKED);
        if (wait)
            ::SendMessageW(dialog_, WM_COMMAND, click, reinterpret_cast<LPARAM>(play_));
        else
            ::PostMessageW(dialog_, WM_COMMAND, click, reinterpret_cast<LPARAM>(play_));
    }
    // OK, cancel, the list, the toolbar and both combos.
    std::vector<HWND> lockedWhilePlaying()
    {
        return {::GetDlgItem(dialog_, IDOK), ::GetDlgItem(dialog_, IDCANCEL), list_, toolbarOf(dialog_),
                ::GetDlgItem(dialog_, 1136), ::GetDlgItem(dialog_, 1137)};
    }
    // Waits for a box of Wavsel's, checks caption and text, and presses OK.
    void answerBox(const std::wstring& text, HWND owner)
    {
        HWND box = wintest::waitForWindow(::GetCurrentProcessId(), EXPECTED_APP_TITLE, 20000);
        ASSERT_NE(box, nullptr) << "no box";
        EXPECT_EQ(boxText(box), text);
        EXPECT_EQ(::GetWindow(box, GW_OWNER), owner);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(waitUntil([&] { return !::IsWindow(box); }));
    }

    WavselHarness harness_;
    HWND dialog_ = nullptr, play_ = nullptr, list_ = nullptr;
};

TEST_F(WavselTest, ShowsTheRequestsTextsPlaysAndStopsAFileAndAnswersTheChosenOne)
{
    harness_.request(folder_);
    open(L"開く");
    EXPECT_EQ(windowText(::GetDlgItem(dialog_, IDOK)), L"開く");
    EXPECT_EQ(windowText(::GetDlgItem(dialog_, IDCANCEL)), L"ｷｬﾝｾﾙ");
    EXPECT_FALSE(::GetWindowLongW(dialog_, GWL_STYLE) & WS_SYSMENU) << "the dialog has a close box";
    HWND nameEdit = ::GetDlgItem(dialog_, kNameEdit);
    ASSERT_NE(nameEdit, nullptr) << "the hooked dialog has no file name edit";
    EXPECT_FALSE(::IsWindowVisible(nameEdit));
    EXPECT_FALSE(::IsWindowEnabled(nameEdit));

    // The play button takes the right third of the name edit's place, as high as OK.
    ASSERT_NE(play_, nullptr);
    EXPECT_EQ(windowText(play_), L"ﾃｽﾄ再生");
    EXPECT_FALSE(::IsWindowEnabled(play_));
    const RECT edit = rectIn(dialog_, nameEdit), ok = rectIn(dialog_, ::GetDlgItem(dialog_, IDOK)),
               play = rectIn(dialog_, play_);
    EXPECT_EQ(play.right, edit.right);
    EXPECT_EQ(play.top, edit.top);
    EXPECT_EQ(play.right - play.left, (edit.right - edit.left) / 3);
    EXPECT_EQ(play.bottom - play.top, ok.bottom - ok.top);

    // A file enables it, a folder does not, also after a file.
    ASSERT_TRUE(select(list_, L"長い.wav"));
    EXPECT_TRUE(waitUntil([&] { return ::IsWindowEnabled(play_); })) << "a file leaves play disabled";
    ASSERT_TRUE(select(list_, L"sub"));
    EXPECT_TRUE(waitUntil([&] { return !::IsWindowEnabled(play_); })) << "a folder enables play";

    ASSERT_TRUE(select(list_, L"長い.wav"));
    ASSERT_TRUE(waitUntil([&] { return ::IsWindowEnabled(play_); }));
    clickPlay(true);
    ASSERT_TRUE(playing()) << "the play button does not offer to stop";
    EXPECT_TRUE(::IsWindowEnabled(play_));
    for (HWND control : lockedWhilePlaying())
        EXPECT_FALSE(::IsWindowEnabled(control)) << windowText(control).c_str();

    clickPlay(true);  // stops; the end of playback follows
    ASSERT_TRUE(waitUntil([&] { return !playing(); })) << "no end of playback after stop";
    EXPECT_EQ(windowText(play_), L"ﾃｽﾄ再生");
    EXPECT_TRUE(::IsWindowEnabled(play_));
    for (HWND control : lockedWhilePlaying())
        EXPECT_TRUE(::IsWindowEnabled(control));
    EXPECT_EQ(selectedItem(list_), itemIndex(list_, L"長い.wav"));

    ::PostMessageW(dialog_, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(harness_.finished());
    EXPECT_TRUE(harness_.answered());
    EXPECT_EQ(harness_.block().fileChosen, 1);
    EXPECT_EQ(std::string(harness_.block().path), cp932(folder_ + L"\\長い.wav"));
    EXPECT_EQ(harness_.block().dialogError, 0);
}

TEST_F(WavselTest, ABrokenFileOrAnUnusableNameShowsWavselsMessageAndTheDialogStays)
{
    harness_.request(folder_);
    open(L"開く");

    ASSERT_TRUE(select(list_, L"broken.wav"));
    ASSERT_TRUE(waitUntil([&] { return ::IsWindowEnabled(play_); }));
    clickPlay(false);
    answerBox(kPlaybackFailed, nullptr);
    ASSERT_TRUE(waitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(dialog_, IDOK)); }));
    EXPECT_EQ(windowText(play_), L"ﾃｽﾄ再生");
    EXPECT_EQ(selectedItem(list_), itemIndex(list_, L"broken.wav"));

    // A name code page 932 cannot carry back to Vxfsend.
    ASSERT_TRUE(select(list_, L"caf\u00E9.wav"));
    ::PostMessageW(dialog_, WM_COMMAND, IDOK, 0);
    answerBox(L"このファイル名は使用できません。\n別の名前のファイルを選んで下さい。", dialog_);
    EXPECT_TRUE(::IsWindowVisible(dialog_)) << "the dialog closed on an unusable name";

    ::PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(harness_.finished());
    EXPECT_TRUE(harness_.answered());
    EXPECT_EQ(harness_.block().fileChosen, 0);
}

TEST_F(WavselTest, EscapeDuringPlaybackAnswersNoFile)
{
    harness_.request(folder_);
    // A title that fills its field to the last byte, without terminator.
    std::memset(harness_.block().okText, 'A', kChooserTextBytes);
    open(std::wstring(kChooserTextBytes - 1, L'A'));

    ASSERT_TRUE(select(list_, L"長い.wav"));
    ASSERT_TRUE(waitUntil([&] { return ::IsWindowEnabled(play_); }));
    clickPlay(true);
    ASSERT_TRUE(playing());
    ::PostMessageW(dialog_, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(harness_.finished()) << "the dialog did not end on ESC";
    EXPECT_TRUE(harness_.answered());
    EXPECT_EQ(harness_.block().fileChosen, 0);
}

// The whole road: Vxfsend's side starts the real Wavsel.mdl, the user picks
// a file with a Japanese name, and its path comes back.
TEST_F(SoundFolderTest, VxfsendGetsThePathTheUserChoseInWavsel)
{
    OwnerWindow owner;
    HWND dialogOwner = nullptr;
    std::thread user([&] {
        HWND dialog = wintest::waitForWindow(0, L"開く", 30000);
        if (!dialog)
            return;
        dialogOwner = ::GetWindow(dialog, GW_OWNER);
        ::SendMessageW(::GetDlgItem(dialog, kNameEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"長い.wav"));
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    SoundChooser chooser(wintest::besideTest(L""));
    const std::wstring chosen = chooser.runSoundChooser(owner.handle(), folder_);
    user.join();
    EXPECT_EQ(chosen, folder_ + L"\\長い.wav");
    EXPECT_EQ(dialogOwner, owner.handle());
}

}  // namespace
