// Capture mode driven as the main window drives it: key controls, CAPSTA and
// CAPEND clicked, key messages posted with the hot-key identifier; each
// press a real capture of the virtual screen.
#include "capture/tests/CaptureTestSupport.h"

#include "app/PrivateMessages.h"
#include "resources/VxfsendRes.h"
#include "win/ResourceString.h"

#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace capturetest;

namespace {

using Names = std::vector<std::wstring>;

ATOM foundAtom()
{
    return ::GlobalFindAtomW((loadResourceString(IDS_APP_TITLE) + L" Capture").c_str());
}

class CaptureModeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(converter.ready()); }
    CaptureHostDialog& makeHost(HWND progressWindow = nullptr)
    {
        host = std::make_unique<CaptureHostDialog>(converter, progressWindow);
        host->settings.PathCapture = folder.path().wstring();
        host->settings.Hotkey = VK_F9;
        host->settings.HotkeyModifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
        return *host;
    }
    void touch(const std::wstring& name) { ASSERT_NO_THROW(writeFileText((folder / name).wstring(), "x")); }
    // Posts the key and handles it with all it brings about.
    void press(WPARAM id)
    {
        ASSERT_TRUE(host->postCaptureKey(id));
        pumpUntil([] { return true; });
    }

    TempFolder folder;
    TestConverter converter;
    std::unique_ptr<CaptureHostDialog> host;
};

TEST_F(CaptureModeTest, KeyControlsChangeTheSettingsAtOnce)
{
    CaptureHostDialog& h = makeHost();
    const HWND combo = h.GetDlgItem(IDC_CAPTURE_KEY);
    for (WPARAM key : {VK_F5, VK_F10})
        ::SendMessageW(combo, CB_SETITEMDATA, ::SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(L"F")), key);
    for (auto [entry, notification] : {std::pair{1, CBN_SELCHANGE}, std::pair{0, CBN_CLOSEUP}}) {
        ::SendMessageW(combo, CB_SETCURSEL, entry, 0);
        ::SendMessageW(h.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_KEY, notification), LPARAM(combo));
        EXPECT_EQ(h.settings.Hotkey, entry == 1 ? VK_F10 : VK_F5);
    }
    h.settings.HotkeyModifiers = 0;
    h.click(IDC_KEY_ALT);
    h.click(IDC_KEY_SHIFT);
    EXPECT_EQ(h.settings.HotkeyModifiers, 5);
    h.click(IDC_KEY_CTRL);
    h.click(IDC_KEY_ALT);
    EXPECT_EQ(h.settings.HotkeyModifiers, 6);
}

TEST_F(CaptureModeTest, EachPressOfOurKeyCapturesOnceIntoTheFirstFreeNumber)
{
    ProgressRecorder progress;
    CaptureHostDialog& h = makeHost(progress.GetSafeHwnd());
    touch(L"cap0001.bmp");
    touch(L"cap0003.bmp");
    h.click(IDC_CAPTURE_START);
    ASSERT_TRUE(h.mode.Running());
    EXPECT_EQ(h.entered, 1);
    const ATOM id = h.mode.HotKeyId();
    EXPECT_EQ(foundAtom(), id);

    // Someone else's identifier; then ours twice: the second press comes
    // while the first capture is being written and is ignored.
    ASSERT_TRUE(h.postCaptureKey(id + 1));
    ASSERT_TRUE(h.postCaptureKey(id));
    press(id);
    EXPECT_EQ(h.results, std::vector<int>{2});
    EXPECT_EQ(fileNames(folder.path().wstring()), (Names{L"cap0001.bmp", L"cap0002.bmp", L"cap0003.bmp"}));
    EXPECT_EQ(h.added, Names{L"cap0002.bmp"});
    EXPECT_EQ(h.mode.CaptureCount(), 1);
    EXPECT_EQ(h.hintsRestored, 1);
    EXPECT_TRUE(h.captureEndEnabled);
    const BmpHeader bmp = bmpHeader((folder / L"cap0002.bmp").wstring());
    EXPECT_EQ(bmp.width, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(bmp.height, ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(bmp.bitsPerPixel, 24);

    // Shown at 0 % first, then the save's rising percentages up to 100
    // (which hides the window by itself); the bar back at 0.
    ASSERT_GE(progress.messages.size(), 3u);
    for (size_t i = 0; i < progress.messages.size(); ++i) {
        EXPECT_EQ(progress.messages[i].message, UM_PROGRESS_SET);
        EXPECT_NE(progress.messages[i].lParam, 0);
        if (i > 0) {
            EXPECT_GT(progress.messages[i].wParam, progress.messages[i - 1].wParam);
        }
    }
    EXPECT_EQ(progress.messages.front().wParam, 0u);
    EXPECT_EQ(progress.messages.back().wParam, 100u);
    EXPECT_EQ(::SendMessageW(h.GetDlgItem(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);

    h.click(IDC_CAPTURE_END);
    EXPECT_FALSE(h.mode.Running());
    EXPECT_EQ(h.left, 1);
    EXPECT_EQ(h.foldersShown, 1);
    EXPECT_EQ(foundAtom(), 0);
    press(id);  // still on its way when the mode ended
    EXPECT_EQ(h.results.size(), 1u);
}

TEST_F(CaptureModeTest, TheThousandthCaptureEndsTheModeWith613AndAFullFolderTakesNone)
{
    CaptureHostDialog& h = makeHost();
    for (int n = 1; n < 1000; ++n)
        touch(captureFileName(n));
    for (int start = 1; start <= 2; ++start) {
        h.click(IDC_CAPTURE_START);
        press(h.mode.HotKeyId());
        EXPECT_FALSE(h.mode.Running());
        EXPECT_EQ(h.left, start);
        EXPECT_EQ(h.messages, std::vector<UINT>(size_t(start), IDS_MSG_CAPTURE_FOLDER_FULL));
    }
    ASSERT_EQ(h.results.size(), 2u);
    EXPECT_EQ(h.results[0], 1000);
    EXPECT_GT(h.results[1], 1000);
    EXPECT_EQ(h.added, Names{L"cap1000.bmp"});
    EXPECT_EQ(fileNames(folder.path().wstring()).size(), 1000u);
}

TEST_F(CaptureModeTest, AKeyTakenByAnotherWindowGives603AndTheModeStaysOff)
{
    CaptureHostDialog& h = makeHost();
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const UINT modifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
    ASSERT_TRUE(::RegisterHotKey(other, 1, modifiers, VK_F9));
    h.click(IDC_CAPTURE_START);
    EXPECT_EQ(h.messages, std::vector<UINT>{IDS_MSG_HOTKEY_IN_USE});
    EXPECT_FALSE(h.mode.Running());
    EXPECT_EQ(h.entered, 0);
    EXPECT_EQ(foundAtom(), 0);

    // Once the other window lets go, the same key starts capture mode; the
    // window's end during the mode gives back both key and atom.
    ::UnregisterHotKey(other, 1);
    h.click(IDC_CAPTURE_START);
    ASSERT_TRUE(h.mode.Running());
    host.reset();
    EXPECT_EQ(foundAtom(), 0);
    EXPECT_TRUE(::RegisterHotKey(other, 1, modifiers, VK_F9));
    ::DestroyWindow(other);
}

}  // namespace
