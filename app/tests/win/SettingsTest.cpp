#include "app/win/Settings.h"
#include "app/win/Environment.h"
#include "app/win/IniProfile.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace testfiles;
using Keys = std::vector<std::wstring>;

const std::wstring kAppTitle = L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3";

// A profile file of the test's own in the Windows directory; the settings
// rules (tested portably) against it and real folders. The current directory
// is put back after every test.
class WinProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ::DeleteFileW(path.c_str()); }
    void TearDown() override
    {
        ::SetCurrentDirectoryW(startDirectory.c_str());
        ::DeleteFileW(path.c_str());
    }
    AppSettings load()
    {
        IniProfile profile(name);
        AppSettings settings;
        loadSettings(profile, env, settings);
        return settings;
    }
    void save(const AppSettings& settings)
    {
        IniProfile profile(name);
        saveSettings(profile, env, settings);
    }
    void put(const std::wstring& section, const std::wstring& key, const std::wstring& text)
    {
        IniProfile(name).putString(section, key, text);
    }
    std::wstring value(const std::wstring& section, const std::wstring& key)
    {
        return profileValue(name, section, key);
    }

    const std::wstring name =
        L"VxfProfileTest" + std::to_wstring(::GetCurrentProcessId()) + L".INI";
    const std::wstring path = windowsFolder() + L"\\" + name;
    const std::wstring startDirectory = processCurrentDirectory();
    const std::wstring home = executableFolder();
    SystemSettingsEnvironment env;
};

TEST_F(WinProfileTest, NameWithoutFolderLivesInTheWindowsDirectory)
{
    IniProfile profile(name);
    EXPECT_EQ(profile.fullPath(), path);
    profile.putString(L"Upload", L"PathSave", L"C:\\Saved");
    profile.putInt(L"General", L"DebugMode", -7);
    EXPECT_EQ(profileValue(name, L"Upload", L"PathSave"), L"C:\\Saved");
    EXPECT_EQ(profileValue(name, L"General", L"DebugMode"), L"-7");
    EXPECT_EQ(profile.getInt(L"General", L"DebugMode", 0), -7);
    EXPECT_EQ(profile.getString(L"General", L"Nothing", L"fallback"), L"fallback");
    EXPECT_EQ(profile.getString(L"Nowhere", L"PathSave", L""), L"");
    EXPECT_EQ(profile.getInt(L"General", L"Nothing", 35), 35);
}

TEST_F(WinProfileTest, FullPathIsUsedAsItIs)
{
    TempFolder folder;
    const std::wstring file = (folder / L"own.ini").wstring();
    IniProfile profile(file);
    EXPECT_EQ(profile.fullPath(), file);
    profile.putString(L"S", L"k", L"v");
    EXPECT_EQ(profileValue(file, L"S", L"k"), L"v");
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WinProfileTest, JapaneseTextSurvivesAnyCodePage)
{
    const std::wstring title = L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3";
    IniProfile(name).putString(L"General", L"APP_NAME", title);
    EXPECT_EQ(IniProfile(name).getString(L"General", L"APP_NAME", L""), title);
    EXPECT_EQ(readFileText(path).substr(0, 2), std::string("\xFF\xFE", 2));  // started as UTF-16
}

TEST_F(WinProfileTest, ExistingFileKeepsItsEncodingItsValuesAndGarbageGivesTheFallback)
{
    writeFileText(path, "[General]\r\nJpegQualityRes1=80\r\nJpegQualityRes2=12abc\r\n"
                        "JpegQualityRes3=99999999999\r\nTabPage= 1 \r\n"
                        "[Other]\r\nForeign=yes\r\n");
    {
        IniProfile profile(name);
        EXPECT_EQ(profile.getInt(L"General", L"JpegQualityRes1", 35), 80);
        EXPECT_EQ(profile.getInt(L"General", L"JpegQualityRes2", 25), 25);
        EXPECT_EQ(profile.getInt(L"General", L"JpegQualityRes3", 4), 4);
        EXPECT_EQ(profile.getInt(L"General", L"TabPage", 0), 1);
        profile.putString(L"General", L"Option", L"1");
    }
    const std::string bytes = readFileText(path);
    EXPECT_EQ(bytes.substr(0, 9), "[General]");
    EXPECT_NE(bytes.find("JpegQualityRes1=80"), std::string::npos);
    EXPECT_NE(bytes.find("Option=1"), std::string::npos);
    EXPECT_NE(bytes.find("Foreign=yes"), std::string::npos);
}

TEST_F(WinProfileTest, LongValuesAreReadWhole)
{
    IniProfile profile(name);
    for (size_t length : {1022u, 1023u, 1024u, 5000u, 70000u}) {
        const std::wstring value = L"C:\\" + std::wstring(length, L'v');
        profile.putString(L"Upload", L"PathSave", value);
        EXPECT_EQ(profile.getString(L"Upload", L"PathSave", L""), value) << length;
    }
}

TEST_F(WinProfileTest, NoProfileGivesTheProgramFolderAndFoldersMissingAreReplaced)
{
    AppSettings s = load();
    EXPECT_EQ(s.TwainName, L"ORVEN KX-40");
    EXPECT_EQ(s.cameraName, L"ORVEN KX-ORIN");
    EXPECT_EQ(s.PathSave, home);
    EXPECT_EQ(s.PathTemp, temporaryFolder() + L"~tmp_vxf");
    // Loading alone writes nothing.
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

    TempFolder pictures;
    TempFolder captures;
    put(L"Upload", L"PathSelect", pictures.path().wstring());
    put(L"Capture", L"PathCapture", captures.path().wstring());
    s = load();
    EXPECT_EQ(s.PathSelect, pictures.path().wstring());
    EXPECT_EQ(s.PathCapture, captures.path().wstring());
    EXPECT_EQ(processCurrentDirectory(), pictures.path().wstring());

    // A folder removed since, and a path that names a file.
    const std::wstring file = (pictures / L"not-a-folder.txt").wstring();
    writeFileText(file, "x");
    put(L"Upload", L"PathSelect", file);
    const std::wstring gone = captures.path().wstring();
    std::filesystem::remove_all(gone);
    ASSERT_FALSE(std::filesystem::exists(gone));
    s = load();
    EXPECT_EQ(s.PathCapture, home);
    EXPECT_EQ(s.PathSelect, home);
    save(s);
    EXPECT_EQ(value(L"Capture", L"PathCapture"), home);
}

// Which keys and in what order is tested portably; here the real file.
TEST_F(WinProfileTest, NormalRunLeavesFullSaveKeysAloneAndDebugModeOneRewritesThem)
{
    put(L"General", L"JpegQualityRes1", L"80");
    AppSettings s = load();
    EXPECT_EQ(s.JpegQualityRes1, 80);
    s.JpegQualityRes1 = 12;
    save(s);
    EXPECT_EQ(value(L"General", L"JpegQualityRes1"), L"80");
    EXPECT_EQ(sectionKeys(name, L"General"),
              (Keys{L"JpegQualityRes1", L"APP_NAME", L"APP_VERSION", L"TWAIN_NAME", L"TWAIN_INI"}));
    EXPECT_EQ(sectionKeys(name, L"Upload").size(), 8u);
    EXPECT_EQ(sectionKeys(name, L"Capture"), (Keys{L"Hotkey", L"HotkeyModifiers", L"PathCapture"}));
    EXPECT_EQ(value(L"General", L"APP_NAME"), kAppTitle);
    EXPECT_EQ(value(L"General", L"APP_VERSION"), L"V1.30J");
    EXPECT_EQ(value(L"General", L"TWAIN_INI"), L"Vidro!3.ini");
    EXPECT_EQ(value(L"Upload", L"PathTempLog"), temporaryFolder() + L"~tmp_vxf");

    put(L"General", L"DebugMode", L"1");
    s = load();
    s.JpegQualityRes1 = 12;
    save(s);
    EXPECT_EQ(value(L"General", L"JpegQualityRes1"), L"12");
    EXPECT_EQ(sectionKeys(name, L"General").size(), 13u);
    EXPECT_EQ(sectionKeys(name, L"Upload").size(), 12u);
    EXPECT_EQ(sectionKeys(name, L"Capture").size(), 5u);
    EXPECT_EQ(value(L"Capture", L"CaptureClipboard"), L"0");
}

TEST_F(WinProfileTest, GarbageNumbersGiveDefaultsAndNothingElseIsLost)
{
    writeFileText(path, "[General]\r\nJpegQualityRes1=abc\r\nDebugMode=zz\r\n"
                        "[Upload]\r\nJpegSize=640x480\r\nTwainName=Kept\r\nCehckViewMode=\r\n"
                        "PathTemp=D:\\Work\r\n"
                        "[Capture]\r\nHotkey=99999999999\r\n[Foreign]\r\nKey=value\r\n");
    const AppSettings s = load();
    EXPECT_EQ(s.JpegQualityRes1, 35);
    EXPECT_EQ(s.DebugMode, 0);
    EXPECT_EQ(s.JpegSize, 41943520);
    EXPECT_EQ(s.CehckViewMode, 1);
    EXPECT_EQ(s.Hotkey, 116);
    EXPECT_EQ(s.TwainName, L"Kept");
    EXPECT_EQ(s.PathTemp, L"D:\\Work");
    save(s);
    EXPECT_EQ(value(L"General", L"JpegQualityRes1"), L"abc");
    EXPECT_EQ(value(L"Upload", L"TwainName"), L"Kept");
    EXPECT_EQ(value(L"Foreign", L"Key"), L"value");
    EXPECT_EQ(value(L"Upload", L"JpegSize"), L"41943520");
    EXPECT_EQ(value(L"Upload", L"PathTemp"), L"D:\\Work");
    EXPECT_EQ(value(L"Upload", L"PathTempLog"), L"D:\\Work");
}

TEST_F(WinProfileTest, ProgramProfileIsVxfsendIniInTheWindowsDirectory)
{
    // The program's own file: keep whatever another run left there.
    const std::wstring own = windowsFolder() + L"\\Vxfsend.INI";
    const bool existed = ::GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::string before = existed ? readFileText(own) : std::string();
    ::DeleteFileW(own.c_str());

    AppSettings s;
    loadSettings(s);
    EXPECT_EQ(s.PathSave, home);
    saveSettings(s);
    const std::wstring title = profileValue(L"Vxfsend.INI", L"General", L"APP_NAME");
    const bool created = ::GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES;

    ::DeleteFileW(own.c_str());
    if (existed)
        writeFileText(own, before);
    EXPECT_TRUE(created);
    EXPECT_EQ(title, kAppTitle);
}

}  // namespace
