// Captures onto a removable drive: a drive of the Wine prefix on a small
// tmpfs, written through the work folder. A disk without room and a file that
// appears on the disk during the capture each end in message 610 with code
// 0, with nothing of the capture left on the disk or in the work folder.
#include "capture/tests/CaptureTestSupport.h"

#include "resources/VxfsendRes.h"
#include "win/ResourceString.h"

#include "testsupport/win/MessageBoxWatcher.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

using namespace capturetest;

namespace {

using Names = std::vector<std::wstring>;

// Box text of message 610 with code 0.
void expectSaveFailedWithCode0(const std::vector<SeenBox>& boxes)
{
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, loadResourceString(IDS_MSG_CAPTURE_SAVE_FAILED) + L"\n[0]");
}

class RemovableDriveTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(converter.ready()); }

    TempFolder folder;
    TestConverter converter;
};

TEST_F(RemovableDriveTest, ADiskWithoutRoomGets610WithCode0AndEndsCaptureMode)
{
    WineRemovableDrive drive(L'B', "64k");
    if (!drive.ready())
        GTEST_SKIP() << drive.why();
    CaptureHostDialog host(converter);
    host.settings.PathCapture = drive.root();
    host.settings.PathTemp = (folder / L"~tmp_vxf").wstring();

    host.click(IDC_CAPTURE_START);
    ASSERT_TRUE(host.mode.Running());
    MessageBoxWatcher boxes(IDOK);
    ASSERT_TRUE(host.postCaptureKey(host.mode.HotKeyId()));
    ASSERT_TRUE(pumpUntil([&] { return !host.results.empty(); }));
    expectSaveFailedWithCode0(boxes.stop());

    EXPECT_EQ(host.results, std::vector<int>{-1});
    EXPECT_FALSE(host.mode.Running());
    EXPECT_EQ(host.added, Names{});
    EXPECT_EQ(fileNames(drive.root()), Names{});
    EXPECT_FALSE(std::filesystem::is_directory(host.settings.PathTemp));
}

TEST_F(RemovableDriveTest, CopiesThroughTheWorkFolderButNeverOverAFileOfSomeoneElse)
{
    WineRemovableDrive drive(L'B', "16m");
    if (!drive.ready())
        GTEST_SKIP() << drive.why();
    AppSettings settings;
    settings.PathCapture = drive.root();
    // A work folder holding someone's file stays, without a message.
    settings.PathTemp = (folder / L"~tmp_vxf").wstring();
    ASSERT_TRUE(::CreateDirectoryW(settings.PathTemp.c_str(), nullptr));
    ASSERT_NO_THROW(writeFileText(settings.PathTemp + L"\\keep.txt", "keep"));
    const std::wstring currentDirectory = testfiles::processCurrentDirectory();
    MessageBoxWatcher boxes(IDOK);

    std::wstring name;
    ASSERT_EQ(captureScreen(converter.services(nullptr), nullptr, nullptr, name, settings), 1);
    EXPECT_EQ(bmpHeader(drive.root() + name).width, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(fileNames(settings.PathTemp), Names{L"keep.txt"});

    // While the next capture is written, another program puts its own file
    // of that name onto the disk.
    ::DeleteFileW((settings.PathTemp + L"\\keep.txt").c_str());
    ::RemoveDirectoryW(settings.PathTemp.c_str());
    const std::wstring theirs = drive.root() + L"cap0002.bmp";
    converter.onDispatch = [&] {
        if (::GetFileAttributesW(theirs.c_str()) == INVALID_FILE_ATTRIBUTES)
            writeFileText(theirs, "theirs");
    };
    EXPECT_EQ(captureScreen(converter.services(nullptr), nullptr, nullptr, name, settings), -1);
    expectSaveFailedWithCode0(boxes.stop());
    EXPECT_EQ(readFileText(theirs), "theirs");
    EXPECT_EQ(fileNames(drive.root()), (Names{L"cap0001.bmp", L"cap0002.bmp"}));
    EXPECT_FALSE(std::filesystem::is_directory(settings.PathTemp));
    EXPECT_EQ(testfiles::processCurrentDirectory(), currentDirectory);
}

}  // namespace
