#include "IniProfile.h"
#include "WinEnvironment.h"
#include "WinSettings.h"
#include "WinTestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace testfiles;

const std::wstring kAppTitle = L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3";

// The settings rules against a real profile file in the Windows directory and
// real folders; the current directory is put back after every test.
class WinSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        name = L"VxfSettingsTest" + std::to_wstring(::GetCurrentProcessId()) + L".INI";
        path = windowsFolder() + L"\\" + name;
        ::DeleteFileW(path.c_str());
        startDirectory = processCurrentDirectory();
        home = executableFolder();
    }
    void TearDown() override
    {
        ::SetCurrentDirectoryW(startDirectory.c_str());
        ::DeleteFileW(path.c_str());
    }
    AppSettings load()
    {
        IniProfile profile(name);
        SystemSettingsEnvironment env;
        AppSettings settings;
        loadSettings(profile, env, settings);
        return settings;
    }
    void save(const AppSettings& settings)
    {
        IniProfile profile(name);
        SystemSettingsEnvironment env;
        saveSettings(profile, env, settings);
    }
    void put(const std::wstring& section, const std::wstring& key, const std::wstring& value)
    {
        IniProfile(name).putString(section, key, value);
    }
    std::wstring value(const std::wstring& section, const std::wstring& key)
    {
        return profileValue(name, section, key);
    }

    std::wstring name, path, startDirectory, home;
};

TEST_F(WinSettingsTest, NoProfileGivesTheDefaultsAndTheProgramFolder)
{
    const AppSettings s = load();
    EXPECT_EQ(s.JpegQualityRes1, 35);
    EXPECT_EQ(s.JpegQualityThum, 10);
    EXPECT_EQ(s.CehckViewMode, 1);
    EXPECT_EQ(s.JpegSize, 41943520);
    EXPECT_EQ(s.Hotkey, VK_F5);
    EXPECT_EQ(s.TwainName, L"ORVEN KX-40");
    EXPECT_EQ(s.TwainIni, L"Vidro!3.ini");
    EXPECT_EQ(s.Filter, L"BitMap Files(*.jpg;*.bmp)|*.jpg;*.bmp|JPEG Files(*.jpg)|*.jpg|BMP Files(*.bmp)|*.bmp||");
    EXPECT_EQ(s.PathSelect, home);
    EXPECT_EQ(s.PathSave, home);
    EXPECT_EQ(s.PathCapture, home);
    EXPECT_EQ(s.PathTemp, temporaryFolder() + L"~tmp_vxf");
    EXPECT_EQ(s.cameraCode, 90);
    EXPECT_EQ(s.cameraName, L"ORVEN KX-ORIN");
    // Loading alone writes nothing.
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WinSettingsTest, CurrentDirectoryBecomesPathSelect)
{
    TempFolder pictures(L"vxf-select");
    TempFolder captures(L"vxf-capture");
    put(L"Upload", L"PathSelect", pictures.path());
    put(L"Capture", L"PathCapture", captures.path());
    const AppSettings s = load();
    EXPECT_EQ(s.PathSelect, pictures.path());
    EXPECT_EQ(s.PathCapture, captures.path());
    EXPECT_EQ(processCurrentDirectory(), pictures.path());
}

TEST_F(WinSettingsTest, RemovedCaptureFolderIsReplacedAndTheReplacementSaved)
{
    std::wstring gone;
    {
        TempFolder captures(L"vxf-gone");
        gone = captures.path();
        put(L"Capture", L"PathCapture", gone);
    }
    ASSERT_FALSE(isFolder(gone));
    const AppSettings s = load();
    EXPECT_EQ(s.PathCapture, home);
    save(s);
    EXPECT_EQ(value(L"Capture", L"PathCapture"), home);
}

TEST_F(WinSettingsTest, FolderPathThatIsAFileBecomesTheProgramFolder)
{
    TempFolder folder(L"vxf-file");
    const std::wstring file = folder.sub(L"not-a-folder.txt");
    ASSERT_TRUE(writeFile(file, "x"));
    put(L"Capture", L"PathCapture", file);
    put(L"Upload", L"PathSelect", file);
    const AppSettings s = load();
    EXPECT_EQ(s.PathCapture, home);
    EXPECT_EQ(s.PathSelect, home);
}

TEST_F(WinSettingsTest, NormalRunLeavesFullSaveKeysAlone)
{
    put(L"General", L"JpegQualityRes1", L"80");
    AppSettings s = load();
    EXPECT_EQ(s.JpegQualityRes1, 80);
    s.JpegQualityRes1 = 12;
    s.JpegQualityThum = 40;
    save(s);
    EXPECT_EQ(value(L"General", L"JpegQualityRes1"), L"80");
    EXPECT_EQ(value(L"General", L"JpegQualityThum"), L"<missing>");
    EXPECT_EQ(value(L"Capture", L"CaptureArea"), L"<missing>");
    EXPECT_EQ(sectionKeys(name, L"Upload"),
              (std::vector<std::wstring>{L"PathSelect", L"PathTempLog", L"PathSave", L"FileTypeIndex",
                                         L"CehckSeve", L"CehckViewMode", L"JpegSize", L"JpegSizeThum"}));
    EXPECT_EQ(sectionKeys(name, L"Capture"),
              (std::vector<std::wstring>{L"Hotkey", L"HotkeyModifiers", L"PathCapture"}));
}

TEST_F(WinSettingsTest, DebugModeOneRewritesEveryKey)
{
    put(L"General", L"DebugMode", L"1");
    put(L"General", L"JpegQualityRes1", L"80");
    AppSettings s = load();
    s.JpegQualityRes1 = 12;
    save(s);
    EXPECT_EQ(value(L"General", L"JpegQualityRes1"), L"12");
    EXPECT_EQ(sectionKeys(name, L"General"),
              (std::vector<std::wstring>{L"DebugMode", L"JpegQualityRes1", L"APP_NAME", L"APP_VERSION",
                                         L"TWAIN_NAME", L"TWAIN_INI", L"TabPage", L"Option",
                                         L"JpegQualityRes2", L"JpegQualityRes3", L"JpegQualityThum",
                                         L"JpegBaseColor", L"JpegOption"}));
    EXPECT_EQ(sectionKeys(name, L"Upload"),
              (std::vector<std::wstring>{L"TwainName", L"TwainIni", L"TwainPath", L"PathSelect",
                                         L"PathTempLog", L"PathSave", L"Filter", L"FileTypeIndex",
                                         L"CehckSeve", L"CehckViewMode", L"JpegSize", L"JpegSizeThum"}));
    EXPECT_EQ(sectionKeys(name, L"Capture"),
              (std::vector<std::wstring>{L"Hotkey", L"HotkeyModifiers", L"PathCapture", L"CaptureArea",
                                         L"CaptureClipboard"}));
}

TEST_F(WinSettingsTest, IdentificationKeysAreWrittenAtEveryExit)
{
    save(load());
    EXPECT_EQ(value(L"General", L"APP_NAME"), kAppTitle);
    EXPECT_EQ(value(L"General", L"APP_VERSION"), L"V1.30J");
    EXPECT_EQ(value(L"General", L"TWAIN_NAME"), L"ORVEN KX-40");
    EXPECT_EQ(value(L"General", L"TWAIN_INI"), L"Vidro!3.ini");
}

TEST_F(WinSettingsTest, WorkFolderIsSavedAsPathTempLogAndHandWrittenPathTempStays)
{
    save(load());
    EXPECT_EQ(value(L"Upload", L"PathTemp"), L"<missing>");
    EXPECT_EQ(value(L"Upload", L"PathTempLog"), temporaryFolder() + L"~tmp_vxf");

    put(L"Upload", L"PathTemp", L"D:\\Work");
    for (int run = 0; run < 2; ++run) {
        const AppSettings s = load();
        EXPECT_EQ(s.PathTemp, L"D:\\Work");
        save(s);
    }
    EXPECT_EQ(value(L"Upload", L"PathTemp"), L"D:\\Work");
    EXPECT_EQ(value(L"Upload", L"PathTempLog"), L"D:\\Work");
}

TEST_F(WinSettingsTest, GarbageNumbersGiveDefaultsAndNothingElseIsLost)
{
    ASSERT_TRUE(writeFile(path,
                          "[General]\r\nJpegQualityRes1=abc\r\nDebugMode=zz\r\n"
                          "[Upload]\r\nJpegSize=640x480\r\nTwainName=Kept\r\nCehckViewMode=\r\n"
                          "[Capture]\r\nHotkey=99999999999\r\n[Foreign]\r\nKey=value\r\n"));
    const AppSettings s = load();
    EXPECT_EQ(s.JpegQualityRes1, 35);
    EXPECT_EQ(s.DebugMode, 0);
    EXPECT_EQ(s.JpegSize, 41943520);
    EXPECT_EQ(s.CehckViewMode, 1);
    EXPECT_EQ(s.Hotkey, 116);
    EXPECT_EQ(s.TwainName, L"Kept");
    save(s);
    EXPECT_EQ(value(L"General", L"JpegQualityRes1"), L"abc");
    EXPECT_EQ(value(L"Upload", L"TwainName"), L"Kept");
    EXPECT_EQ(value(L"Foreign", L"Key"), L"value");
    EXPECT_EQ(value(L"Upload", L"JpegSize"), L"41943520");
}

TEST_F(WinSettingsTest, OverLongPathsAreCutOrReplaced)
{
    const std::wstring longPath = L"C:\\" + std::wstring(5000, L'l');
    put(L"Upload", L"PathSave", longPath);
    put(L"Upload", L"PathSelect", longPath);
    put(L"Capture", L"PathCapture", longPath);
    put(L"Upload", L"TwainName", L"Kept");
    const AppSettings s = load();
    EXPECT_EQ(s.PathSave, longPath.substr(0, 4096));
    EXPECT_EQ(s.PathSelect, home);
    EXPECT_EQ(s.PathCapture, home);
    save(s);
    EXPECT_EQ(value(L"Upload", L"PathSave"), longPath.substr(0, 4096));
    EXPECT_EQ(value(L"Upload", L"TwainName"), L"Kept");
}

TEST_F(WinSettingsTest, ProgramProfileIsVxfsendIniInTheWindowsDirectory)
{
    // The program's own file: keep whatever another run left there.
    const std::wstring own = windowsFolder() + L"\\Vxfsend.INI";
    const bool existed = ::GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::string before = existed ? readFile(own) : std::string();
    ::DeleteFileW(own.c_str());

    AppSettings s;
    loadSettings(s);
    EXPECT_EQ(s.PathSave, home);
    saveSettings(s);
    const std::wstring title = profileValue(L"Vxfsend.INI", L"General", L"APP_NAME");
    const bool created = ::GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES;

    ::DeleteFileW(own.c_str());
    if (existed)
        writeFile(own, before);
    EXPECT_TRUE(created);
    EXPECT_EQ(title, kAppTitle);
}

}  // namespace
