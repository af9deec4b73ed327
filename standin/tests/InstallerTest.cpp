// The installer: the suite's keys, values and profile as the hand-off reads
// and writes them, two versions side by side, repeat runs, and uninstalling.
#include "standin/StandinNames.h"
#include "standin/StandinSupport.h"
#include "standin/tests/StandinTestSupport.h"

#include <gtest/gtest.h>

using namespace standin_test;
using standin::kOrvenKey;
using standin::kStandinKey;

namespace {

const std::wstring kSuite300 = std::wstring(kOrvenKey) + L"\\ORVEN Vidro!3 Ver.3.00";
const std::wstring kSuite350 = std::wstring(kOrvenKey) + L"\\ORVEN Vidro!3 Ver.3.50";

DWORD dwordValue(HKEY root, const std::wstring& key, const wchar_t* name,
                 DWORD missing = 0xDEADBEEF)
{
    DWORD type = 0;
    std::vector<std::uint8_t> data;
    if (!rawValue(root, key, name, type, data) || type != REG_DWORD || data.size() != 4)
        return missing;
    return DWORD(data[0]) | DWORD(data[1]) << 8 | DWORD(data[2]) << 16 | DWORD(data[3]) << 24;
}

std::wstring stringValue(HKEY root, const std::wstring& key, const wchar_t* name)
{
    std::wstring value;
    if (!standin::readString(root, key, name, value))
        return L"<missing>";
    return value;
}

bool keyPresent(HKEY root, const std::wstring& key)
{
    return standin::keyExists(root, key);
}

class Installer : public ::testing::Test {
protected:
    SuiteStateGuard m_guard;
    TempFolder m_temp;
    const std::wstring m_profile = standin::suiteProfilePath();

    void install(const std::vector<std::wstring>& arguments)
    {
        const RunResult run = runSetup(arguments);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0u) << run.output;
    }
    std::wstring profile(const wchar_t* section, const wchar_t* key)
    {
        std::wstring value;
        if (!profileValue(readProfileText(m_profile), section, key, value))
            return L"<missing>";
        return value;
    }
};

}  // namespace

TEST_F(Installer, DefaultInstallWritesTheSuiteKeysValuesAndProfile)
{
    install({});
    const std::wstring dialog = kSuite300 + L"\\3.0\\MainDialog";
    const std::wstring files = kSuite300 + L"\\3.0\\Files";

    // The application path the hand-off starts: the stand-in beside the installer, in full.
    EXPECT_EQ(stringValue(HKEY_LOCAL_MACHINE, dialog, L"AppExe"), appPath());
    EXPECT_EQ(dwordValue(HKEY_LOCAL_MACHINE, dialog, L"StartupTab"), 0xFFFFFFFFu);
    EXPECT_EQ(dwordValue(HKEY_LOCAL_MACHINE, dialog, L"VidroLink"), 0xFFFFFFFFu);

    // "Folder" is a string of 260 bytes: the text and zero bytes after it.
    DWORD type = 0;
    std::vector<std::uint8_t> folder;
    ASSERT_TRUE(rawValue(HKEY_CURRENT_USER, files, L"Folder", type, folder));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(folder.size(), 260u);
    const std::wstring album = standin::defaultAlbumFolder();
    ASSERT_LT(album.size() * 2, 260u);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(folder.data())), album);
    for (std::size_t i = album.size() * 2; i < folder.size(); ++i)
        ASSERT_EQ(folder[i], 0) << "byte " << i;

    // The dialog key lives under the local machine only, the files key under the current user only.
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, dialog));
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, files));

    // The suite profile: UTF-16 with a byte-order mark.
    const std::vector<std::uint8_t> bytes = readFileBytes(m_profile);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(profile(L"MainDialog", L"StartupTab"), L"0");
    EXPECT_EQ(profile(L"Files", L"Folder"), album);

    EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kStandinKey, L"CardRoot"), standin::defaultCardRoot());
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, std::wstring(kStandinKey) + L"\\StandinTest"));
}

TEST_F(Installer, PrerequisiteCheckFindsTheSuiteUnderTheLocalMachine)
{
    install({});
    // The main window's start-up check: a subkey of "SOFTWARE\Orven\" under
    // the local machine whose first 18 characters are the suite prefix.
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orven\\", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    bool found = false;
    for (DWORD i = 0;; ++i) {
        wchar_t name[260];
        DWORD length = 260;
        if (::RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        found = found || std::wstring(name).compare(0, 18, L"ORVEN Vidro!3 Ver.") == 0;
    }
    ::RegCloseKey(key);
    EXPECT_TRUE(found);
}

TEST_F(Installer, TwoVersionsTheLastEnumeratedWinsWhateverTheInstallOrder)
{
    // 3.50 first: enumeration, not the order of installing, decides.
    install({L"/version", L"3.50", L"/subkey", L"3.5", L"/app", m_temp / L"second.exe", L"/folder",
             L"D:\\second\\"});
    install({L"/version", L"3.00", L"/app", m_temp / L"first.exe", L"/folder", L"D:\\first\\"});

    EXPECT_EQ(stringValue(HKEY_LOCAL_MACHINE, kSuite300 + L"\\3.0\\MainDialog", L"AppExe"),
              m_temp / L"first.exe");
    EXPECT_EQ(stringValue(HKEY_LOCAL_MACHINE, kSuite350 + L"\\3.5\\MainDialog", L"AppExe"),
              m_temp / L"second.exe");
    EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kSuite300 + L"\\3.0\\Files", L"Folder"),
              L"D:\\first\\");
    EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kSuite350 + L"\\3.5\\Files", L"Folder"),
              L"D:\\second\\");

    const standin::SuiteKeys keys = standin::findSuiteKeys();
    ASSERT_TRUE(keys.suiteFound);
    ASSERT_TRUE(keys.versionFound);
    EXPECT_EQ(keys.suiteName, L"ORVEN Vidro!3 Ver.3.50");
    EXPECT_EQ(keys.versionName, L"3.5");
    EXPECT_EQ(keys.dialogKey, L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.50\\3.5\\MainDialog");
    EXPECT_EQ(keys.filesKey, L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.50\\3.5\\Files");
}

TEST_F(Installer, LastVersionSubkeyStartingWithADigitWins)
{
    install({L"/subkey", L"2.0"});
    install({L"/subkey", L"3.1"});
    // Names that do not start with 1-9 are passed over even when enumerated last.
    ASSERT_EQ(standin::writeString(HKEY_CURRENT_USER, kSuite300 + L"\\Settings", L"x", L"y"),
              ERROR_SUCCESS);
    ASSERT_EQ(standin::writeString(HKEY_CURRENT_USER, kSuite300 + L"\\0.9", L"x", L"y"),
              ERROR_SUCCESS);
    const standin::SuiteKeys keys = standin::findSuiteKeys();
    EXPECT_EQ(keys.versionName, L"3.1");
}

TEST_F(Installer, RunningTwiceGivesTheSameState)
{
    const std::vector<std::wstring> arguments = {
        L"/version", L"3.00",         L"/card",    m_temp / L"card",
        L"/folder",  L"E:\\photos\\", L"/testlog", m_temp / L"log.txt"};
    install(arguments);
    const RegistryTree machine = captureTree(HKEY_LOCAL_MACHINE, kOrvenKey);
    const RegistryTree user = captureTree(HKEY_CURRENT_USER, kOrvenKey);
    const RegistryTree own = captureTree(HKEY_CURRENT_USER, kStandinKey);
    const std::vector<std::uint8_t> profileBytes = readFileBytes(m_profile);
    install(arguments);
    EXPECT_TRUE(captureTree(HKEY_LOCAL_MACHINE, kOrvenKey) == machine);
    EXPECT_TRUE(captureTree(HKEY_CURRENT_USER, kOrvenKey) == user);
    EXPECT_TRUE(captureTree(HKEY_CURRENT_USER, kStandinKey) == own);
    EXPECT_EQ(readFileBytes(m_profile), profileBytes);
}

TEST_F(Installer, ReinstallPutsTheHandOffValuesBackToIdleAndKeepsChoicesNotGivenAgain)
{
    install({L"/folder", L"E:\\photos\\", L"/card", m_temp / L"card"});
    const std::wstring dialog = kSuite300 + L"\\3.0\\MainDialog";
    ASSERT_EQ(standin::writeDword(HKEY_LOCAL_MACHINE, dialog, L"StartupTab", 0x101), ERROR_SUCCESS);
    ::WritePrivateProfileStringW(L"MainDialog", L"StartupTab", L"1", m_profile.c_str());
    install({});
    EXPECT_EQ(dwordValue(HKEY_LOCAL_MACHINE, dialog, L"StartupTab"), 0xFFFFFFFFu);
    EXPECT_EQ(profile(L"MainDialog", L"StartupTab"), L"0");
    EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kSuite300 + L"\\3.0\\Files", L"Folder"),
              L"E:\\photos\\");
    EXPECT_EQ(profile(L"Files", L"Folder"), L"E:\\photos\\");
    EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kStandinKey, L"CardRoot"), m_temp / L"card");
    EXPECT_TRUE(std::filesystem::is_directory(m_temp / L"card"));
}

TEST_F(Installer, TestSwitchesAreSetAndRemoved)
{
    const std::wstring testKey = std::wstring(kStandinKey) + L"\\StandinTest";
    install({L"/testlog", m_temp / L"log.txt", L"/autoclose", L"1500", L"/autotransfer"});
    EXPECT_EQ(stringValue(HKEY_CURRENT_USER, testKey, L"LogPath"), m_temp / L"log.txt");
    EXPECT_EQ(dwordValue(HKEY_CURRENT_USER, testKey, L"AutoCloseMs"), 1500u);
    EXPECT_EQ(dwordValue(HKEY_CURRENT_USER, testKey, L"AutoTransfer"), 1u);
    const standin::TestSettings settings = standin::readTestSettings();
    EXPECT_EQ(settings.logPath, m_temp / L"log.txt");
    EXPECT_EQ(settings.autoCloseMs, 1500u);
    EXPECT_TRUE(settings.autoTransfer);

    install({L"/version", L"3.50"});  // a second version keeps them
    EXPECT_EQ(dwordValue(HKEY_CURRENT_USER, testKey, L"AutoCloseMs"), 1500u);
    install({L"/notest"});
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, testKey));
    EXPECT_TRUE(standin::readTestSettings().logPath.empty());
}

TEST_F(Installer, LongFolderTextIsKeptWhole)
{
    std::wstring folder = L"C:\\";
    while (folder.size() < 200)
        folder += L"写真フォルダ\\";
    install({L"/folder", folder});
    DWORD type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(rawValue(HKEY_CURRENT_USER, kSuite300 + L"\\3.0\\Files", L"Folder", type, data));
    EXPECT_EQ(data.size(), (folder.size() + 1) * 2);
    EXPECT_EQ(stringValue(HKEY_CURRENT_USER, kSuite300 + L"\\3.0\\Files", L"Folder"), folder);
    EXPECT_EQ(profile(L"Files", L"Folder"), folder);
}

TEST_F(Installer, BadCommandLinesWriteNothing)
{
    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"/subkey", L"0.9"},
          {L"/subkey", L"a1"},
          {L"/version", L"3\\00"},
          {L"/version", L""},
          {L"/autoclose", L"soon"},
          {L"/bogus"},
          {L"/card"}}) {
        const RunResult run = runSetup(arguments);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2u) << run.output;
    }
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, kOrvenKey));
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, kOrvenKey));
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, kStandinKey));
    EXPECT_FALSE(std::filesystem::is_regular_file(m_profile));
}

TEST_F(Installer, UninstallOneVersionThenAllLeavesNothing)
{
    install({L"/version", L"3.00", L"/testlog", m_temp / L"log.txt"});
    install({L"/version", L"3.50", L"/subkey", L"3.5"});

    RunResult run = runSetup({L"/uninstall", L"/version", L"3.00"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, kSuite300));
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, kSuite300));
    EXPECT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, kSuite350 + L"\\3.5\\MainDialog"));
    EXPECT_TRUE(keyPresent(HKEY_CURRENT_USER, kSuite350 + L"\\3.5\\Files"));
    EXPECT_TRUE(std::filesystem::is_regular_file(m_profile));  // still in use by 3.50
    EXPECT_TRUE(keyPresent(HKEY_CURRENT_USER, kStandinKey));

    run = runSetup({L"/uninstall"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, kOrvenKey));
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, kOrvenKey));
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, kStandinKey));
    EXPECT_FALSE(std::filesystem::is_regular_file(m_profile));

    // Nothing to remove is no failure.
    run = runSetup({L"/uninstall"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
}

TEST_F(Installer, UninstallLeavesWhatItDidNotMake)
{
    // As if the maker's own suite were there: unmarked keys and a profile of its own.
    const std::wstring foreign = std::wstring(kOrvenKey) + L"\\ORVEN Vidro!3 Ver.2.00";
    ASSERT_EQ(standin::writeString(HKEY_LOCAL_MACHINE, foreign + L"\\2.0\\MainDialog", L"AppExe",
                                   L"C:\\x.exe"),
              ERROR_SUCCESS);
    ASSERT_EQ(
        standin::writeString(HKEY_CURRENT_USER, foreign + L"\\2.0\\Files", L"Folder", L"C:\\"),
        ERROR_SUCCESS);
    writeFileBytes(m_profile, {'[', 'F', 'i', 'l', 'e', 's', ']', '\r', '\n'});

    install({});
    const RunResult run = runSetup({L"/uninstall"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, kSuite300));
    EXPECT_EQ(stringValue(HKEY_LOCAL_MACHINE, foreign + L"\\2.0\\MainDialog", L"AppExe"),
              L"C:\\x.exe");
    EXPECT_TRUE(keyPresent(HKEY_CURRENT_USER, foreign + L"\\2.0\\Files"));
    EXPECT_TRUE(std::filesystem::is_regular_file(m_profile));

    // Nor does it remove an unmarked version named on the command line.
    const RunResult named = runSetup({L"/uninstall", L"/version", L"2.00"});
    EXPECT_EQ(named.exitCode, 0u) << named.output;
    EXPECT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, foreign));
}
