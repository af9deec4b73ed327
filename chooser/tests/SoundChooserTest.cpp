// Vxfsend's side of the exchange, against a stand-in chooser program that
// reports the block as it found it and answers as told.
#include "chooser/SoundChooser.h"

#include "ChooserTestSupport.h"
#include "MessageBoxWatcher.h"
#include "WinProcess.h"
#include "WinTestFiles.h"
#include "chooser/ChooserRequest.h"
#include "tests/ExpectedTexts.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace choosertest;

namespace {

class SoundChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(japaneseCodePage());
        ::SetEnvironmentVariableW(L"VXF_TEST_CHOOSER_REPORT", reportPath_.c_str());
    }
    void TearDown() override
    {
        // The stand-in may still be ending.
        for (const std::wstring& program : placed_)
            waitUntil([&] { return ::DeleteFileW(program.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND; });
        for (const std::wstring& folder : createdFolders_)
            ::RemoveDirectoryW(folder.c_str());
    }

    // The stand-in as Wavsel.mdl in the folder, answering in `mode`.
    void placeChooser(const std::wstring& folder, const wchar_t* mode)
    {
        if (::CreateDirectoryW(folder.c_str(), nullptr))
            createdFolders_.push_back(folder);
        const std::wstring program = chooserProgramPath(folder);
        ASSERT_TRUE(::CopyFileW(wintest::besideTest(L"test_chooser.exe").c_str(), program.c_str(), FALSE));
        placed_.push_back(program);
        ::SetEnvironmentVariableW(L"VXF_TEST_CHOOSER", mode);
    }
    void answerIn(const wchar_t* mode) { ::SetEnvironmentVariableW(L"VXF_TEST_CHOOSER", mode); }

    // The block as the last stand-in found it.
    ChooserRequest reportedBlock()
    {
        const std::string bytes = testfiles::readFile(reportPath_);
        ChooserRequest block = {};
        EXPECT_EQ(bytes.size(), sizeof block + 1);
        std::memcpy(&block, bytes.data(), std::min(bytes.size(), sizeof block));
        return block;
    }
    bool earlierChooserWasAlive() { return testfiles::readFile(reportPath_).back() == '1'; }

    testfiles::TempFolder folder_{L"vxf-chooser"};
    const std::wstring reportPath_ = folder_.sub(L"report.bin");
    std::vector<std::wstring> placed_;
    std::vector<std::wstring> createdFolders_;
    OwnerWindow owner_;
};

TEST_F(SoundChooserTest, StartsWavselFromTheStartFolderWithTheRequestAndStaysResponsive)
{
    placeChooser(L"C:\\", L"answer");
    placeChooser(L"C:\\APP", L"answer");
    const std::wstring initialFolder = L"C:\\音声";

    SoundChooser rootChooser(L"C:\\");
    ::PostMessageW(owner_.handle(), WM_APP, 0, 0);
    ::PostQuitMessage(7);
    EXPECT_EQ(rootChooser.runSoundChooser(owner_.handle(), initialFolder), L"C:\\Wavsel.mdl");
    EXPECT_EQ(owner_.dispatched(), 1) << "the window's messages were not dispatched during the wait";
    MSG quit;
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT taken and lost";
    EXPECT_EQ(quit.wParam, 7u);

    const ChooserRequest block = reportedBlock();
    EXPECT_EQ(block.ownerWindow, HandleToLong(owner_.handle()));
    EXPECT_EQ(block.openDialog, 1);
    EXPECT_EQ(std::string(block.path), "");
    EXPECT_EQ(std::string(block.initialFolder), "C:\\" + cp932(L"音声"));
    EXPECT_EQ(block.dialogError, 0);
    EXPECT_EQ(block.fileChosen, 0);
    EXPECT_EQ(std::string(block.okText), cp932(L"開く"));
    EXPECT_EQ(std::string(block.cancelText), cp932(L"ｷｬﾝｾﾙ"));
    EXPECT_EQ(std::string(block.playText), cp932(L"ﾃｽﾄ再生"));
    EXPECT_EQ(std::string(block.stopText), cp932(L"再生停止"));

    SoundChooser folderChooser(L"C:\\APP");
    EXPECT_EQ(folderChooser.runSoundChooser(owner_.handle(), initialFolder), L"C:\\APP\\Wavsel.mdl");
}

TEST_F(SoundChooserTest, CancelAnswersNoFile)
{
    placeChooser(folder_.path(), L"cancel");
    SoundChooser chooser(folder_.path());
    EXPECT_EQ(chooser.runSoundChooser(owner_.handle(), L""), L"");
}

TEST_F(SoundChooserTest, ASecondSelectionWaitsForTheFirstChooserAndACrashAnswersNoFile)
{
    placeChooser(folder_.path(), L"linger");
    SoundChooser chooser(folder_.path());
    EXPECT_EQ(chooser.runSoundChooser(owner_.handle(), L""), chooserProgramPath(folder_.path()));

    answerIn(L"crash");
    EXPECT_EQ(chooser.runSoundChooser(owner_.handle(), L""), L"") << "the earlier answer came back";
    EXPECT_FALSE(earlierChooserWasAlive()) << "the second chooser started before the first had ended";
    EXPECT_TRUE(::IsWindowEnabled(owner_.handle())) << "the crashed chooser left its owner disabled";
}

TEST_F(SoundChooserTest, WithoutWavselMessage615AndNoFile)
{
    MessageBoxWatcher boxes(IDOK);
    SoundChooser chooser(folder_.path());
    EXPECT_EQ(chooser.runSoundChooser(owner_.handle(), L""), L"");
    const auto seen = boxes.stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, EXPECTED_APP_TITLE);
    EXPECT_EQ(seen[0].text, L"アプリケーションの実行に必要なファイルがありません。\n再度インストールして下さい。");
    EXPECT_EQ(seen[0].owner, owner_.handle());
}

}  // namespace
