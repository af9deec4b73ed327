// Vxfsend's side of the exchange, against a stand-in chooser program that
// reports the block as it found it and answers as told.
#include "chooser/SoundChooser.h"

#include "chooser/tests/ChooserTestSupport.h"
#include "testsupport/win/MessageBoxWatcher.h"
#include "testsupport/win/Process.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"
#include "tests/ExpectedTexts.h"

#include <cstring>

using namespace choosertest;

namespace {

int timerTicks = 0;
void CALLBACK countTick(HWND, UINT, UINT_PTR, DWORD) { ++timerTicks; }

class SoundChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(japaneseCodePage());
        ::SetEnvironmentVariableW(L"VXF_TEST_CHOOSER_REPORT", (folder_ / L"report.bin").wstring().c_str());
    }
    void TearDown() override
    {
        // A stand-in may still be ending.
        for (const std::wstring& program : placed_)
            waitUntil([&] { return ::DeleteFileW(program.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND; });
        ::RemoveDirectoryW(L"C:\\APP");
    }

    // The stand-in as Wavsel.mdl in the folder.
    void placeChooser(const std::wstring& folder)
    {
        ::CreateDirectoryW(folder.c_str(), nullptr);
        placed_.push_back(chooserProgramPath(folder));
        ASSERT_TRUE(::CopyFileW(wintest::besideTest(L"test_chooser.exe").c_str(), placed_.back().c_str(), FALSE));
    }
    static void answer(const wchar_t* mode) { ::SetEnvironmentVariableW(L"VXF_TEST_CHOOSER", mode); }
    // The block as the last stand-in found it; `earlierAlive` tells whether
    // a lingering one was still running then.
    ChooserRequest reportedBlock(bool* earlierAlive = nullptr)
    {
        const std::string bytes = readFileText((folder_ / L"report.bin").wstring());
        ChooserRequest block = {};
        EXPECT_EQ(bytes.size(), sizeof block + 1);
        std::memcpy(&block, bytes.data(), std::min(bytes.size(), sizeof block));
        if (earlierAlive)
            *earlierAlive = bytes.back() == '1';
        return block;
    }

    TempFolder folder_;
    std::vector<std::wstring> placed_;
    OwnerWindow owner_;
};

TEST_F(SoundChooserTest, StartsWavselFromTheStartFolderWithTheRequestAndStaysResponsive)
{
    placeChooser(L"C:\\");
    placeChooser(L"C:\\APP");
    answer(L"answer");
    SoundChooser rootChooser(L"C:\\");
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, countTick);
    ::PostQuitMessage(7);
    EXPECT_EQ(rootChooser.runSoundChooser(owner_.handle, L"C:\\音声"), L"C:\\Wavsel.mdl");
    ::KillTimer(nullptr, timer);
    EXPECT_GT(timerTicks, 0) << "no message was dispatched during the wait";
    MSG quit;
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT taken and lost";
    EXPECT_EQ(quit.wParam, 7u);

    const ChooserRequest block = reportedBlock();
    EXPECT_EQ(block.ownerWindow, HandleToLong(owner_.handle));
    EXPECT_EQ(block.openDialog, 1);
    EXPECT_EQ(std::string(block.path), "");
    EXPECT_EQ(std::string(block.initialFolder), cp932(L"C:\\音声"));
    EXPECT_EQ(block.fileChosen, 0);
    EXPECT_EQ(std::string(block.okText), cp932(L"開く"));
    EXPECT_EQ(std::string(block.cancelText), cp932(L"ｷｬﾝｾﾙ"));
    EXPECT_EQ(std::string(block.playText), cp932(L"ﾃｽﾄ再生"));
    EXPECT_EQ(std::string(block.stopText), cp932(L"再生停止"));

    SoundChooser folderChooser(L"C:\\APP");
    EXPECT_EQ(folderChooser.runSoundChooser(owner_.handle, L""), L"C:\\APP\\Wavsel.mdl");
}

TEST_F(SoundChooserTest, CancelOrACrashAnswerNoFileAndEachRunWaitsForTheEarlierChooser)
{
    placeChooser(folder_.path().wstring());
    SoundChooser chooser(folder_.path().wstring());
    answer(L"cancel");
    EXPECT_EQ(chooser.runSoundChooser(owner_.handle, L""), L"");
    answer(L"linger");
    EXPECT_EQ(chooser.runSoundChooser(owner_.handle, L""), placed_.back());

    answer(L"crash");
    EXPECT_EQ(chooser.runSoundChooser(owner_.handle, L""), L"") << "the earlier answer came back";
    bool earlierAlive = true;
    reportedBlock(&earlierAlive);
    EXPECT_FALSE(earlierAlive) << "the chooser started before the earlier one had ended";
    EXPECT_TRUE(::IsWindowEnabled(owner_.handle)) << "the crashed chooser left its owner disabled";
}

TEST_F(SoundChooserTest, WithoutWavselMessage615AndNoFile)
{
    MessageBoxWatcher boxes(IDOK);
    SoundChooser chooser(folder_.path().wstring());
    EXPECT_EQ(chooser.runSoundChooser(owner_.handle, L""), L"");
    const auto seen = boxes.stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, EXPECTED_APP_TITLE);
    EXPECT_EQ(seen[0].text, L"アプリケーションの実行に必要なファイルがありません。\n再度インストールして下さい。");
    EXPECT_EQ(seen[0].owner, owner_.handle);
}

}  // namespace
