#include "IniProfile.h"
#include "WinEnvironment.h"
#include "WinTestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testfiles;

// A profile of the test's own in the Windows directory, removed before and
// after every test.
class IniProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        name = L"VxfIniTest" + std::to_wstring(::GetCurrentProcessId()) + L".INI";
        path = windowsFolder() + L"\\" + name;
        ::DeleteFileW(path.c_str());
    }
    void TearDown() override { ::DeleteFileW(path.c_str()); }

    std::wstring name;
    std::wstring path;
};

TEST_F(IniProfileTest, NameWithoutFolderLivesInTheWindowsDirectory)
{
    IniProfile profile(name);
    EXPECT_EQ(profile.fullPath(), path);
    profile.putString(L"Upload", L"PathSave", L"C:\\Saved");
    EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(profileValue(name, L"Upload", L"PathSave"), L"C:\\Saved");
}

TEST_F(IniProfileTest, DefaultNameIsVxfsendIni)
{
    EXPECT_EQ(IniProfile().fileName(), L"Vxfsend.INI");
}

TEST_F(IniProfileTest, ValuesComeBackAndMissingKeysGiveTheFallback)
{
    IniProfile profile(name);
    profile.putString(L"General", L"TabPage", L"1");
    profile.putInt(L"Upload", L"JpegSize", 41943520);
    EXPECT_EQ(profile.getString(L"General", L"TabPage", L"x"), L"1");
    EXPECT_EQ(profile.getInt(L"Upload", L"JpegSize", 0), 41943520);
    EXPECT_EQ(profile.getString(L"General", L"Nothing", L"fallback"), L"fallback");
    EXPECT_EQ(profile.getString(L"Nowhere", L"TabPage", L""), L"");
    EXPECT_EQ(profile.getInt(L"General", L"Nothing", 35), 35);
}

TEST_F(IniProfileTest, NumbersAreStoredAsDecimalText)
{
    IniProfile profile(name);
    profile.putInt(L"General", L"DebugMode", -7);
    profile.putInt(L"Upload", L"JpegSize", 41943520);
    EXPECT_EQ(profileValue(name, L"General", L"DebugMode"), L"-7");
    EXPECT_EQ(profileValue(name, L"Upload", L"JpegSize"), L"41943520");
}

TEST_F(IniProfileTest, JapaneseTextSurvivesAnyCodePage)
{
    const std::wstring title = L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3";
    {
        IniProfile profile(name);
        profile.putString(L"General", L"APP_NAME", title);
    }
    IniProfile again(name);
    EXPECT_EQ(again.getString(L"General", L"APP_NAME", L""), title);
    const std::string bytes = readFile(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));  // started as UTF-16
}

TEST_F(IniProfileTest, ExistingFileKeepsItsEncodingAndItsValues)
{
    ASSERT_TRUE(writeFile(path, "[General]\r\nJpegQualityRes1=80\r\n[Other]\r\nForeign=yes\r\n"));
    {
        IniProfile profile(name);
        EXPECT_EQ(profile.getInt(L"General", L"JpegQualityRes1", 35), 80);
        profile.putString(L"General", L"TabPage", L"1");
    }
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.substr(0, 9), "[General]");
    EXPECT_NE(bytes.find("JpegQualityRes1=80"), std::string::npos);
    EXPECT_NE(bytes.find("TabPage=1"), std::string::npos);
    EXPECT_NE(bytes.find("Foreign=yes"), std::string::npos);
}

TEST_F(IniProfileTest, LongValuesAreReadWhole)
{
    IniProfile profile(name);
    for (size_t length : {1022u, 1023u, 1024u, 5000u, 70000u}) {
        const std::wstring value = L"C:\\" + std::wstring(length, L'v');
        profile.putString(L"Upload", L"PathSave", value);
        EXPECT_EQ(profile.getString(L"Upload", L"PathSave", L""), value) << length;
    }
}

TEST_F(IniProfileTest, GarbageNumbersGiveTheFallback)
{
    ASSERT_TRUE(writeFile(path, "[General]\r\nJpegQualityRes1=abc\r\nJpegQualityRes2=12abc\r\n"
                                "JpegQualityRes3=99999999999\r\nTabPage= 1 \r\n"));
    IniProfile profile(name);
    EXPECT_EQ(profile.getInt(L"General", L"JpegQualityRes1", 35), 35);
    EXPECT_EQ(profile.getInt(L"General", L"JpegQualityRes2", 25), 25);
    EXPECT_EQ(profile.getInt(L"General", L"JpegQualityRes3", 4), 4);
    EXPECT_EQ(profile.getInt(L"General", L"TabPage", 0), 1);
}

TEST_F(IniProfileTest, FullPathIsUsedAsItIs)
{
    TempFolder folder(L"vxf-ini");
    const std::wstring file = folder.sub(L"own.ini");
    IniProfile profile(file);
    EXPECT_EQ(profile.fullPath(), file);
    profile.putString(L"S", L"k", L"v");
    EXPECT_EQ(profileValue(file, L"S", L"k"), L"v");
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
