// Vxfsend started as a person starts it: one instance at a time, the
// settings profile written at exit with the window's values, and a clear
// message when our imaging component is missing.
#include "ExpectedTexts.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/Process.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace wintest;
using testfiles::profileValue;

// The profile in the Windows directory, kept and put back around each test.
class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t windows[MAX_PATH] = {};
        ::GetWindowsDirectoryW(windows, MAX_PATH);
        m_profile = std::wstring(windows) + L"\\Vxfsend.INI";
        m_existed = ::GetFileAttributesW(m_profile.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (m_existed)
            m_kept = readFileText(m_profile);
    }
    void TearDown() override
    {
        if (m_existed)
            writeFileText(m_profile, m_kept);
        else
            ::DeleteFileW(m_profile.c_str());
    }
    // As the program makes a new profile: UTF-16 with a byte-order mark, so
    // the Japanese values it writes survive any code page.
    void writeProfile(const std::string& ascii)
    {
        std::string bytes = "\xFF\xFE";
        for (char c : ascii)
            bytes += std::string{c, '\0'};
        writeFileText(m_profile, bytes);
    }
    std::wstring value(const wchar_t* section, const wchar_t* key)
    {
        return profileValue(L"Vxfsend.INI", section, key);
    }

    std::wstring m_profile;
    bool m_existed = false;
    std::string m_kept;
};

// A box of the program's own: its caption is the program's name, its text a
// static control.
HWND waitForMessageBoxOf(DWORD processId, DWORD milliseconds)
{
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        HWND box = waitForWindow(processId, EXPECTED_APP_TITLE, 50);
        if (box != nullptr && ::GetDlgItem(box, 0xFFFF) != nullptr)
            return box;
    }
    return nullptr;
}

TEST_F(ProgramStart, SecondStartEndsSilentlyAndTheFirstSavesItsWindowsValuesAtExit)
{
    TempFolder pictures;
    const std::string folder = pictures.path().string();
    writeProfile("[General]\r\nDebugMode=1024\r\nTabPage=0\r\n[Upload]\r\nPathSelect=" + folder +
                 "\r\nFileTypeIndex=2\r\n[Capture]\r\nHotkeyModifiers=247\r\n");

    StartedProgram first(besideTest(L"Vxfsend.exe"));
    ASSERT_TRUE(first.started());
    HWND window = waitForWindow(first.processId(), EXPECTED_APP_TITLE, 30000);
    ASSERT_NE(window, nullptr) << "no main window";
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"#32770");

    const std::string before = readFileText(m_profile);
    StartedProgram second(besideTest(L"Vxfsend.exe"));
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitForExit(15000), 0);
    EXPECT_EQ(waitForWindow(second.processId(), EXPECTED_APP_TITLE, 0), nullptr);
    EXPECT_EQ(readFileText(m_profile), before) << "the second instance touched the profile";

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.waitForExit(15000), 0);
    EXPECT_EQ(value(L"Upload", L"PathSelect"), pictures.path().wstring());
    EXPECT_EQ(value(L"Upload", L"FileTypeIndex"), L"2");
    EXPECT_EQ(value(L"Capture", L"HotkeyModifiers"), L"7");
    EXPECT_NE(value(L"Upload", L"PathTempLog").find(L"~tmp_vxf"), std::wstring::npos);
    EXPECT_EQ(value(L"General", L"APP_NAME"), EXPECTED_APP_TITLE);
    // Without a full save the full-save keys are not written.
    EXPECT_EQ(value(L"Upload", L"Filter"), L"<missing>");
}

TEST_F(ProgramStart, MissingImagingComponentShowsItsMessageAndLeavesTheProfileAlone)
{
    // The program alone in a folder of its own: the component is not beside it.
    TempFolder alone;
    const std::wstring program = (alone / L"Vxfsend.exe").wstring();
    ASSERT_TRUE(::CopyFileW(besideTest(L"Vxfsend.exe").c_str(), program.c_str(), FALSE));
    writeProfile("[General]\r\nDebugMode=1024\r\n");
    const std::string before = readFileText(m_profile);

    StartedProgram started(program);
    ASSERT_TRUE(started.started());
    HWND box = waitForMessageBoxOf(started.processId(), 30000);
    ASSERT_NE(box, nullptr) << "no message box";
    wchar_t text[512] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 512);
    EXPECT_NE(std::wstring(text).find(L"\u518D\u5EA6\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB"),
              std::wstring::npos)
        << "not the message asking to install again";
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(started.waitForExit(15000), 0);
    EXPECT_EQ(readFileText(m_profile), before);
}

}  // namespace
