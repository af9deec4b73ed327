#include "app/win/Environment.h"
#include "resources/VxfsendRes.h"
#include "testsupport/win/MessageBoxWatcher.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kCannotRead = L"画像ファイルが読み込めません。";

// --- Folders ------------------------------------------------------------------

TEST(Folders, WindowsFolderIsWhatTheSystemReportsWithoutTrailingBackslash)
{
    wchar_t expected[MAX_PATH + 1] = {};
    ASSERT_GT(::GetWindowsDirectoryW(expected, MAX_PATH + 1), 0u);
    const std::wstring windows = windowsFolder();
    EXPECT_EQ(windows, expected);
    ASSERT_GT(windows.size(), 3u);
    EXPECT_NE(windows.back(), L'\\');
}

// Sets an environment variable until the test ends.
struct ScopedVariable {
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name(name)
    {
        const DWORD length = ::GetEnvironmentVariableW(name, &old[0], 32768);
        had = length > 0 && length < 32768;
        old.resize(had ? length : 0);
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(name, had ? old.c_str() : nullptr); }
    const wchar_t* name;
    std::wstring old = std::wstring(32768, L'\0');
    bool had;
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

// --- Message boxes: the text composition itself is tested portably --------------

TEST(ShowMessage, CaptionTextAndCodeOfTheRealBox)
{
    const std::wstring longPath = L"C:\\" + std::wstring(5000, L'p');
    const struct {
        const wchar_t* prefix;
        UINT id;
        const wchar_t* suffix;
        bool withCode;
        int code;
        std::wstring text;
    } cases[] = {
        {nullptr, IDS_MSG_PICTURE_UNREADABLE, nullptr, true, 3, kCannotRead + L"\n[3]"},
        // The box may drop the suffix's trailing blank when drawing; the text
        // handed to it is what counts, and the static keeps it.
        {L"C:\\写真\\a.jpg", IDS_MSG_PICTURE_UNREADABLE, L"(2)", true, 5,
         L"C:\\写真\\a.jpg " + kCannotRead + L"\n[5](2) "},
        {L"x", 59999, nullptr, true, 1, L"x \n[1]"},  // unknown id: empty message
        {longPath.c_str(), IDS_MSG_PICTURE_UNREADABLE, nullptr, false, 0,
         longPath + L" " + kCannotRead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        MessageBoxWatcher watcher(IDOK);
        EXPECT_EQ(showMessage(nullptr, c.prefix, c.id, c.suffix, MB_OK, c.withCode, c.code), IDOK);
        const auto boxes = watcher.stop();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3");
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    }
}

TEST(ShowMessage, OwnerAndBoxTypeArePassedThroughAndTheButtonPressedReturned)
{
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    MessageBoxWatcher watcher(IDCANCEL);
    EXPECT_EQ(showMessage(owner, nullptr, IDS_MSG_PICTURE_UNREADABLE, nullptr,
                          MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONEXCLAMATION),
              IDCANCEL);
    const auto boxes = watcher.stop();
    ::DestroyWindow(owner);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, owner);
    EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(boxes[0].defaultButton, IDCANCEL);
    EXPECT_EQ(boxes[0].icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
}

}  // namespace
