#include "Geometry.h"
#include "MessageBoxWatcher.h"
#include "WinEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const std::wstring kAppTitle = L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3";
const std::wstring kCannotRead = L"画像ファイルが読み込めません。";
constexpr UINT kMsgCannotRead = 606;

// --- Version queries and folders ------------------------------------------

TEST(VersionQuery, NtPlatformAndAModernVersion)
{
    EXPECT_EQ(platformId(), VER_PLATFORM_WIN32_NT);
    EXPECT_GE(majorVersion(), 4);  // so the start-up never takes the old-Windows path here
}

TEST(Folders, TemporaryFolderIsWhatTheSystemReports)
{
    wchar_t expected[MAX_PATH + 1] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH + 1, expected), 0u);
    const std::wstring folder = temporaryFolder();
    EXPECT_EQ(folder, expected);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
}

// Restores an environment variable when the test ends.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        wchar_t old[32768];
        const DWORD length = ::GetEnvironmentVariableW(name, old, 32768);
        had_ = length > 0 && length < 32768;
        if (had_)
            old_.assign(old, length);
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    bool had_ = false;
    std::wstring old_;
};

TEST(Folders, TemporaryFolderLongerThanMaxPathIsNotCut)
{
    const std::wstring longTemp = L"C:\\" + std::wstring(300, L't');
    ScopedVariable tmp(L"TMP", longTemp);
    ScopedVariable temp(L"TEMP", longTemp);
    const std::wstring folder = temporaryFolder();
    // Whatever the system makes of it, the answer is a folder and is whole.
    ASSERT_FALSE(folder.empty());
    wchar_t reported[1024] = {};
    const DWORD length = ::GetTempPathW(1024, reported);
    if (length > 0 && length < 1024) {
        EXPECT_EQ(folder, std::wstring(reported, length));
    }
}

TEST(Folders, WindowsFolderHasNoTrailingBackslash)
{
    wchar_t expected[MAX_PATH + 1] = {};
    ASSERT_GT(::GetWindowsDirectoryW(expected, MAX_PATH + 1), 0u);
    const std::wstring folder = windowsFolder();
    EXPECT_EQ(folder, expected);
    ASSERT_GT(folder.size(), 3u);
    EXPECT_NE(folder.back(), L'\\');
}

TEST(MakeSquareOnRect, WorksOnTheWindowsRecord)
{
    RECT wide = {0, 0, 100, 60};
    EXPECT_EQ(makeSquare(wide), 1);
    EXPECT_EQ(wide.left, 20);
    EXPECT_EQ(wide.right, 80);
    RECT tall = {0, 0, 60, 100};
    EXPECT_EQ(makeSquare(tall), 1);
    EXPECT_EQ(tall.bottom, 60);
    RECT square = {1, 1, 11, 11};
    EXPECT_EQ(makeSquare(square), 0);
}

// --- Message boxes --------------------------------------------------------

TEST(ShowMessage, CaptionIsTheProgramNameAndTheCodeOnItsOwnLine)
{
    MessageBoxWatcher watcher(IDOK);
    const int pressed = showMessage(nullptr, nullptr, kMsgCannotRead, nullptr, MB_OK, true, 3);
    const auto boxes = watcher.stop();
    EXPECT_EQ(pressed, IDOK);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kAppTitle);
    EXPECT_EQ(boxes[0].text, kCannotRead + L"\n[3]");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
}

TEST(ShowMessage, WithoutCodeOnlyTheText)
{
    MessageBoxWatcher watcher(IDOK);
    showMessage(nullptr, nullptr, kMsgCannotRead, nullptr, MB_OK, false, 3);
    const auto boxes = watcher.stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kCannotRead);
}

TEST(ShowMessage, CodeZeroIsStillShown)
{
    MessageBoxWatcher watcher(IDOK);
    showMessage(nullptr, nullptr, kMsgCannotRead, nullptr, MB_OK, true, 0);
    const auto boxes = watcher.stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kCannotRead + L"\n[0]");
}

TEST(ShowMessage, PrefixAndSuffixEachFollowedByASpace)
{
    MessageBoxWatcher watcher(IDOK);
    showMessage(nullptr, L"C:\\写真\\a.jpg", kMsgCannotRead, L"(2)", MB_OK, true, 5);
    const auto boxes = watcher.stop();
    ASSERT_EQ(boxes.size(), 1u);
    // The box may drop the suffix's trailing blank when drawing; the text
    // handed to it is what counts, and the static keeps it.
    EXPECT_EQ(boxes[0].text, L"C:\\写真\\a.jpg " + kCannotRead + L"\n[5](2) ");
}

TEST(ShowMessage, ReturnsTheButtonPressed)
{
    {
        MessageBoxWatcher watcher(IDNO);
        EXPECT_EQ(showMessage(nullptr, nullptr, kMsgCannotRead, nullptr, MB_YESNO | MB_ICONQUESTION),
                  IDNO);
        const auto boxes = watcher.stop();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
    }
    {
        MessageBoxWatcher watcher(IDYES);
        EXPECT_EQ(showMessage(nullptr, nullptr, kMsgCannotRead, nullptr, MB_YESNO), IDYES);
    }
    {
        MessageBoxWatcher watcher(IDCANCEL);
        EXPECT_EQ(showMessage(nullptr, nullptr, kMsgCannotRead, nullptr, MB_OKCANCEL), IDCANCEL);
    }
}

TEST(ShowMessage, BoxTypeIsPassedThrough)
{
    MessageBoxWatcher watcher(IDOK);
    showMessage(nullptr, nullptr, kMsgCannotRead, nullptr, MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONEXCLAMATION);
    const auto boxes = watcher.stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(boxes[0].defaultButton, IDCANCEL);
    EXPECT_EQ(boxes[0].icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
}

TEST(ShowMessage, OwnedByTheGivenWindow)
{
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    MessageBoxWatcher watcher(IDOK);
    showMessage(owner, nullptr, kMsgCannotRead);
    const auto boxes = watcher.stop();
    ::DestroyWindow(owner);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, owner);
}

TEST(ShowMessage, UnknownMessageIdShowsAnEmptyMessage)
{
    MessageBoxWatcher watcher(IDOK);
    EXPECT_EQ(showMessage(nullptr, L"x", 59999, nullptr, MB_OK, true, 1), IDOK);
    const auto boxes = watcher.stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"x \n[1]");
}

TEST(ShowMessage, VeryLongPrefixIsShownWhole)
{
    const std::wstring path = L"C:\\" + std::wstring(5000, L'p');
    MessageBoxWatcher watcher(IDOK);
    EXPECT_EQ(showMessage(nullptr, path.c_str(), kMsgCannotRead), IDOK);
    const auto boxes = watcher.stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, path + L" " + kCannotRead);
}

}  // namespace
