#include "tests/ExpectedTexts.h"
#include "testsupport/win/Process.h"

#include <gtest/gtest.h>

using namespace wintest;

TEST(Vxfsend, ShowsItsWindowUnderItsNameAndEndsWhenItIsClosed)
{
    StartedProgram program(besideTest(L"Vxfsend.exe"));
    ASSERT_TRUE(program.started());

    HWND window = waitForWindow(program.processId(), EXPECTED_APP_TITLE, 30000);
    ASSERT_NE(window, nullptr) << "no visible window titled with the program's name";
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"#32770") << "the window is a dialog";
    RECT frame = {};
    ::GetWindowRect(window, &frame);
    EXPECT_GT(frame.right - frame.left, 100);
    EXPECT_GT(frame.bottom - frame.top, 50);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitForExit(15000), 0);
}

TEST(Wavsel, EndsSilentlyWhenNoRequestWaits)
{
    const std::wstring path = besideTest(L"Wavsel.mdl");
    ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    StartedProgram program(path);
    ASSERT_TRUE(program.started()) << "Wavsel.mdl is not a program Windows can start";
    EXPECT_EQ(program.waitForExit(15000), 0);
}
