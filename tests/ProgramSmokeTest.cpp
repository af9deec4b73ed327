#include "tests/ExpectedTexts.h"
#include "testsupport/win/Process.h"

#include <gtest/gtest.h>

using namespace wintest;

TEST(Wavsel, EndsSilentlyWhenNoRequestWaits)
{
    const std::wstring path = besideTest(L"Wavsel.mdl");
    ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    StartedProgram program(path);
    ASSERT_TRUE(program.started()) << "Wavsel.mdl is not a program Windows can start";
    EXPECT_EQ(program.waitForExit(15000), 0);
}
