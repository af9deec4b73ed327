#include "FileNaming.h"
#include "MessageBoxWatcher.h"
#include "WinTestFiles.h"
#include "WorkFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testfiles;

const std::wstring kAppTitle = L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3";
const std::wstring kCreateFailed = L"フォルダの作成に失敗しました。";
const std::wstring kNotRemoved = L"作業用フォルダが削除できません。";

std::wstring codeLine(DWORD code) { return L"\n[" + std::to_wstring(code) + L"]"; }

class WorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override { startDirectory = processCurrentDirectory(); }
    void TearDown() override { ::SetCurrentDirectoryW(startDirectory.c_str()); }
    void touch(const std::wstring& name) { ASSERT_TRUE(writeFile(folder.sub(name), "x")); }

    TempFolder folder{L"vxf-work"};
    std::wstring startDirectory;
};

// --- Next free number on the file system -----------------------------------

TEST_F(WorkFolderTest, EmptyFolderGivesOne)
{
    EXPECT_EQ(NextFreeNumber(folder.path(), L"0824", L"jpg", L"wav", 4, 1), 1u);
}

TEST_F(WorkFolderTest, ALoneSoundTakesItsNumber)
{
    touch(L"08240001.wav");
    EXPECT_EQ(NextFreeNumber(folder.path(), L"0824", L"jpg", L"wav", 4, 1), 2u);
}

TEST_F(WorkFolderTest, NamesMatchWithoutRegardToCase)
{
    touch(L"08240001.JPG");
    touch(L"08240002.Wav");
    EXPECT_EQ(NextFreeNumber(folder.path(), L"0824", L"jpg", L"wav", 4, 1), 3u);
}

TEST_F(WorkFolderTest, CaptureNumbersAfterNineAndAfter9999)
{
    for (int i = 1; i <= 9; ++i)
        touch(L"cap000" + std::to_wstring(i) + L".bmp");
    EXPECT_EQ(NextFreeNumber(folder.path(), L"cap", L"bmp", L"", 3, 1), 10u);
    touch(L"cap9999.bmp");
    EXPECT_EQ(NextFreeNumber(folder.path(), L"cap", L"bmp", L"", 3, 9999), 10000u);
    touch(L"cap10000.bmp");
    EXPECT_EQ(NextFreeNumber(folder.path(), L"cap", L"bmp", L"", 3, 9999), 10001u);
}

TEST_F(WorkFolderTest, CurrentDirectoryIsRestored)
{
    touch(L"08240001.jpg");
    EXPECT_EQ(NextFreeNumber(folder.path(), L"0824", L"jpg", L"wav", 4, 1), 2u);
    EXPECT_EQ(processCurrentDirectory(), startDirectory);
}

TEST_F(WorkFolderTest, FolderThatCannotBeEnteredGivesTheStart)
{
    EXPECT_EQ(NextFreeNumber(folder.sub(L"missing"), L"0824", L"jpg", L"wav", 4, 1), 1u);
    touch(L"file");
    EXPECT_EQ(NextFreeNumber(folder.sub(L"file"), L"0824", L"jpg", L"wav", 4, 5), 5u);
    const std::wstring longFolder = L"C:\\" + std::wstring(5000, L'f');
    EXPECT_EQ(NextFreeNumber(longFolder, L"0824", L"jpg", L"wav", 4, 1), 1u);
    EXPECT_EQ(processCurrentDirectory(), startDirectory);
}

// --- Creating folders ------------------------------------------------------

TEST_F(WorkFolderTest, ExistingFolderAndDriveRootNeedNoMessage)
{
    MessageBoxWatcher watcher(IDOK);
    EXPECT_TRUE(EnsureFolder(folder.path()));
    EXPECT_TRUE(EnsureFolder(folder.path() + L"\\"));
    EXPECT_TRUE(EnsureFolder(L"C:\\"));
    EXPECT_TRUE(watcher.stop().empty());
}

TEST_F(WorkFolderTest, NewFolderIsCreatedAndItsParentMadeCurrent)
{
    MessageBoxWatcher watcher(IDOK);
    const std::wstring created = folder.sub(L"~tmp_vxf");
    EXPECT_TRUE(EnsureFolder(created + L"\\"));
    EXPECT_TRUE(isFolder(created));
    EXPECT_EQ(processCurrentDirectory(), folder.path());
    EXPECT_TRUE(watcher.stop().empty());
}

TEST_F(WorkFolderTest, MissingParentShows608WithThePathNotFoundCode)
{
    MessageBoxWatcher watcher(IDOK);
    const std::wstring target = folder.sub(L"no\\such\\child");
    EXPECT_FALSE(EnsureFolder(target));
    const auto boxes = watcher.stop();
    EXPECT_FALSE(isFolder(folder.sub(L"no")));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kAppTitle);
    EXPECT_EQ(boxes[0].text, kCreateFailed + codeLine(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
}

TEST_F(WorkFolderTest, OnlyTheLastComponentIsCreated)
{
    // The parent itself is missing, one level up exists: still no folder made.
    MessageBoxWatcher watcher(IDOK);
    EXPECT_FALSE(EnsureFolder(folder.sub(L"parent\\child")));
    const auto boxes = watcher.stop();
    EXPECT_FALSE(isFolder(folder.sub(L"parent")));
    ASSERT_EQ(boxes.size(), 1u);
    // The code is the system's own for a folder that cannot be entered.
    ::SetCurrentDirectoryW(folder.sub(L"parent\\").c_str());
    EXPECT_EQ(boxes[0].text, kCreateFailed + codeLine(::GetLastError()));
}

TEST_F(WorkFolderTest, FolderPathNamingAFileCountsAsExisting)
{
    // Creation reports "already exists", which the rule accepts; the writes
    // into it fail later and are reported there.
    touch(L"plain-file");
    MessageBoxWatcher watcher(IDOK);
    EXPECT_TRUE(EnsureFolder(folder.sub(L"plain-file")));
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_FALSE(isFolder(folder.sub(L"plain-file")));
}

TEST_F(WorkFolderTest, OverLongNamesGiveAMessageWithTheSystemCode)
{
    MessageBoxWatcher watcher(IDOK);
    EXPECT_FALSE(EnsureFolder(folder.sub(std::wstring(300, L'n'))));
    EXPECT_FALSE(EnsureFolder(L"C:\\" + std::wstring(4096, L'p') + L"\\child"));
    const auto boxes = watcher.stop();
    ASSERT_EQ(boxes.size(), 2u);
    for (const SeenBox& box : boxes) {
        EXPECT_EQ(box.text.substr(0, kCreateFailed.size()), kCreateFailed);
        EXPECT_EQ(box.text.substr(kCreateFailed.size(), 2), L"\n[");
        EXPECT_NE(box.text, kCreateFailed + codeLine(0));
    }
}

// --- Removing the work folder ---------------------------------------------

TEST_F(WorkFolderTest, EmptyFolderIsRemovedEvenWhenItIsCurrent)
{
    const std::wstring work = folder.sub(L"~tmp_vxf");
    ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
    ASSERT_TRUE(::SetCurrentDirectoryW(work.c_str()));
    MessageBoxWatcher watcher(IDOK);
    EXPECT_TRUE(RemoveFolder(work + L"\\"));
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_FALSE(isFolder(work));
    EXPECT_EQ(processCurrentDirectory(), folder.path());
}

TEST_F(WorkFolderTest, FolderWithFilesShows607AndKeepsThem)
{
    const std::wstring work = folder.sub(L"full");
    ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
    ASSERT_TRUE(writeFile(work + L"\\08240001.jpg", "jpeg"));
    MessageBoxWatcher watcher(IDOK);
    EXPECT_FALSE(RemoveFolder(work));
    const auto boxes = watcher.stop();
    EXPECT_EQ(readFile(work + L"\\08240001.jpg"), "jpeg");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kAppTitle);
    EXPECT_EQ(boxes[0].text, kNotRemoved + codeLine(ERROR_DIR_NOT_EMPTY));
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
}

TEST_F(WorkFolderTest, MissingFolderOrParentShows607WithTheSystemCode)
{
    MessageBoxWatcher watcher(IDOK);
    EXPECT_FALSE(RemoveFolder(folder.sub(L"never")));
    EXPECT_FALSE(RemoveFolder(folder.sub(L"no\\such\\folder")));
    const auto boxes = watcher.stop();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, kNotRemoved + codeLine(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(boxes[1].text, kNotRemoved + codeLine(ERROR_PATH_NOT_FOUND));
}

}  // namespace
