#include "engine/win/WorkFolder.h"
#include "engine/FileNaming.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/MessageBoxWatcher.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testfiles;

const std::wstring kAppTitle = L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3";
const std::wstring kCreateFailed = L"フォルダの作成に失敗しました。";
const std::wstring kNotRemoved = L"作業用フォルダが削除できません。";

std::wstring codeLine(DWORD code)
{
    return L"\n[" + std::to_wstring(code) + L"]";
}

class WorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override { startDirectory = processCurrentDirectory(); }
    void TearDown() override { ::SetCurrentDirectoryW(startDirectory.c_str()); }
    void touch(const std::wstring& name) { writeFileText(folder / name, "x"); }

    TempFolder folder;
    std::wstring startDirectory;
};

// --- Next free number on the file system -----------------------------------

TEST_F(WorkFolderTest, NextFreeNumberMatchesWithoutRegardToCaseAndRestoresTheCurrentDirectory)
{
    const struct {
        std::vector<std::wstring> add;
        std::wstring prefix, first, second;
        uint32_t start, expected;
    } steps[] = {
        {{}, L"0824", L"jpg", L"wav", 1, 1},
        {{L"08240001.wav"}, L"0824", L"jpg", L"wav", 1, 2},  // a lone sound takes its number
        {{L"08240002.JPG", L"08240003.Wav"}, L"0824", L"jpg", L"wav", 1, 4},
        {{L"cap0001.bmp", L"cap0002.bmp", L"cap0003.bmp", L"cap0004.bmp", L"cap0005.bmp",
          L"cap0006.bmp", L"cap0007.bmp", L"cap0008.bmp", L"cap0009.bmp"},
         L"cap",
         L"bmp",
         L"",
         1,
         10},
        {{L"cap9999.bmp"}, L"cap", L"bmp", L"", 9999, 10000},
        {{L"cap10000.bmp"}, L"cap", L"bmp", L"", 9999, 10001},
    };
    for (const auto& step : steps) {
        for (const std::wstring& name : step.add)
            touch(name);
        EXPECT_EQ(NextFreeNumber(folder.path().wstring(), step.prefix, step.first, step.second,
                                 4 - (step.prefix == L"cap"), step.start),
                  step.expected)
            << step.prefix << " from " << step.start;
        EXPECT_EQ(processCurrentDirectory(), startDirectory);
    }
    // Folders that cannot be entered give the start value.
    for (const std::wstring& missing :
         {(folder / L"missing").wstring(), (folder / L"08240001.wav").wstring(),
          L"C:\\" + std::wstring(5000, L'f')}) {
        EXPECT_EQ(NextFreeNumber(missing, L"0824", L"jpg", L"wav", 4, 5), 5u);
        EXPECT_EQ(processCurrentDirectory(), startDirectory);
    }
}

// --- Creating folders ------------------------------------------------------

TEST_F(WorkFolderTest, ExistingFoldersDriveRootsAndFilesNeedNoMessage)
{
    // A path naming a file counts as existing: creation reports "already
    // exists", which the rule accepts; the writes into it fail later.
    touch(L"plain-file");
    MessageBoxWatcher watcher(IDOK);
    EXPECT_TRUE(EnsureFolder(folder.path().wstring()));
    EXPECT_TRUE(EnsureFolder(folder.path().wstring() + L"\\"));
    EXPECT_TRUE(EnsureFolder(L"C:\\"));
    EXPECT_TRUE(EnsureFolder((folder / L"plain-file").wstring()));
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_FALSE(std::filesystem::is_directory((folder / L"plain-file").wstring()));
}

TEST_F(WorkFolderTest, NewFolderIsCreatedAndItsParentMadeCurrent)
{
    MessageBoxWatcher watcher(IDOK);
    const std::wstring created = (folder / L"~tmp_vxf").wstring();
    EXPECT_TRUE(EnsureFolder(created + L"\\"));
    EXPECT_TRUE(std::filesystem::is_directory(created));
    EXPECT_EQ(processCurrentDirectory(), folder.path().wstring());
    EXPECT_TRUE(watcher.stop().empty());
}

TEST_F(WorkFolderTest, OnlyTheLastComponentIsCreatedElse608WithTheSystemCode)
{
    MessageBoxWatcher watcher(IDOK);
    EXPECT_FALSE(EnsureFolder((folder / L"no\\such\\child").wstring()));
    EXPECT_FALSE(EnsureFolder((folder / L"parent\\child").wstring()));
    EXPECT_FALSE(EnsureFolder((folder / std::wstring(300, L'n')).wstring()));
    EXPECT_FALSE(EnsureFolder(L"C:\\" + std::wstring(4096, L'p') + L"\\child"));
    const auto boxes = watcher.stop();
    EXPECT_FALSE(std::filesystem::is_directory((folder / L"no").wstring()));
    EXPECT_FALSE(std::filesystem::is_directory((folder / L"parent").wstring()));
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].caption, kAppTitle);
    EXPECT_EQ(boxes[0].text, kCreateFailed + codeLine(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    // The code is the system's own for a folder that cannot be entered.
    ::SetCurrentDirectoryW((folder / L"parent\\").wstring().c_str());
    EXPECT_EQ(boxes[1].text, kCreateFailed + codeLine(::GetLastError()));
    for (const SeenBox& box : {boxes[2], boxes[3]}) {
        EXPECT_EQ(box.text.substr(0, kCreateFailed.size() + 2), kCreateFailed + L"\n[");
        EXPECT_NE(box.text, kCreateFailed + codeLine(0));
    }
}

// --- Removing the work folder ---------------------------------------------

TEST_F(WorkFolderTest, EmptyFolderIsRemovedEvenWhenItIsCurrent)
{
    const std::wstring work = (folder / L"~tmp_vxf").wstring();
    ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
    ASSERT_TRUE(::SetCurrentDirectoryW(work.c_str()));
    MessageBoxWatcher watcher(IDOK);
    EXPECT_TRUE(RemoveFolder(work + L"\\"));
    EXPECT_TRUE(watcher.stop().empty());
    EXPECT_FALSE(std::filesystem::is_directory(work));
    EXPECT_EQ(processCurrentDirectory(), folder.path().wstring());
}

TEST_F(WorkFolderTest, FoldersThatCannotBeRemovedShow607WithTheSystemCode)
{
    const std::wstring work = (folder / L"full").wstring();
    ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
    writeFileText(work + L"\\08240001.jpg", "jpeg");
    MessageBoxWatcher watcher(IDOK);
    EXPECT_FALSE(RemoveFolder(work));
    EXPECT_FALSE(RemoveFolder((folder / L"never").wstring()));
    EXPECT_FALSE(RemoveFolder((folder / L"no\\such\\folder").wstring()));
    const auto boxes = watcher.stop();
    EXPECT_EQ(readFileText(work + L"\\08240001.jpg"), "jpeg");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption, kAppTitle);
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(boxes[0].text, kNotRemoved + codeLine(ERROR_DIR_NOT_EMPTY));
    EXPECT_EQ(boxes[1].text, kNotRemoved + codeLine(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(boxes[2].text, kNotRemoved + codeLine(ERROR_PATH_NOT_FOUND));
}

}  // namespace
