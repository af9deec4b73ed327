// The stand-in transfer application started as the hand-off starts it (no
// command line): which route it takes, what it lists, what it copies onto
// the card, and that it ends when closed.
#include "standin/ExifThumbnail.h"
#include "standin/StandinNames.h"
#include "standin/StandinSupport.h"
#include "standin/tests/StandinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace standin_test;

namespace {

constexpr DWORD kExitWait = 60000;

const std::wstring kDialog300 = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.00\\3.0\\MainDialog";
const std::wstring kFiles300 = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.00\\3.0\\Files";
const std::wstring kDialog350 = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.50\\3.5\\MainDialog";
const std::wstring kFiles350 = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.50\\3.5\\Files";

using Log = std::vector<std::vector<std::wstring>>;

// The fields after the first of every line starting with `what`.
std::vector<std::vector<std::wstring>> linesOf(const Log& log, const std::wstring& what)
{
    std::vector<std::vector<std::wstring>> found;
    for (const auto& line : log) {
        if (!line.empty() && line[0] == what)
            found.emplace_back(line.begin() + 1, line.end());
    }
    return found;
}

std::wstring single(const Log& log, const std::wstring& what)
{
    const auto lines = linesOf(log, what);
    if (lines.size() != 1 || lines[0].empty())
        return L"<" + std::to_wstring(lines.size()) + L" lines>";
    return lines[0][0];
}

struct AlbumFile {
    std::wstring name;
    const char* fixture;
    std::wstring expectedThumbnail;
};

class TransferApp : public ::testing::Test {
protected:
    SuiteStateGuard m_guard;
    TempFolder m_temp;
    std::wstring m_album;
    std::wstring m_card;
    std::wstring m_log;
    std::vector<AlbumFile> m_files;

    void SetUp() override
    {
        m_album = m_temp / L"album";
        m_card = m_temp / L"card";
        m_log = m_temp / L"standin.log";
        ASSERT_TRUE(::CreateDirectoryW(m_album.c_str(), nullptr));
        m_files = {
            {L"08240001.jpg", "exif_ii.jpg", L"thumbnail 32x24"},
            {L"08240001.wav", "sound.wav", L"sound"},
            {L"08240002.JPG", "exif_mm.jpg", L"thumbnail 32x24"},
            {L"08240003.jpg", "plain.jpg", L"no thumbnail"},
            {L"08240004.jpg", nullptr, L"unreadable thumbnail"},
        };
        for (const AlbumFile& file : m_files) {
            if (file.fixture) {
                writeFileBytes(m_album + L"\\" + file.name, fixture(file.fixture));
            }
        }
        // A picture whose IFD1 points at something that is no JPEG.
        std::vector<std::uint8_t> broken = fixture("exif_ii.jpg");
        standin::ThumbnailLocation where;
        ASSERT_EQ(standin::findExifThumbnail(broken.data(), broken.size(), where),
                  standin::ThumbnailSearch::Found);
        broken[where.offset] = 0;
        broken[where.offset + 1] = 0;
        writeFileBytes(m_album + L"\\08240004.jpg", broken);
        // Neither listed nor copied.
        writeFileBytes(m_album + L"\\readme.txt", {'x'});
        ASSERT_TRUE(::CreateDirectoryW((m_album + L"\\folder.jpg").c_str(), nullptr));
    }

    void install(std::vector<std::wstring> arguments)
    {
        const RunResult run = runSetup(arguments);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0u) << run.output;
    }
    void installForTest(std::vector<std::wstring> more = {})
    {
        std::vector<std::wstring> arguments = {L"/card",      m_card, L"/testlog",     m_log,
                                               L"/autoclose", L"700", L"/autotransfer"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        install(arguments);
    }
    // As the hand-off announces a folder for the newer cameras.
    void announceInRegistry(const std::wstring& dialogKey, const std::wstring& filesKey,
                            const std::wstring& folder)
    {
        ASSERT_EQ(standin::writeDword(HKEY_LOCAL_MACHINE, dialogKey, L"StartupTab", 0x101),
                  ERROR_SUCCESS);
        ASSERT_EQ(standin::writeDword(HKEY_LOCAL_MACHINE, dialogKey, L"VidroLink", 0xFFFFFFFF),
                  ERROR_SUCCESS);
        ASSERT_EQ(standin::writeFolderString(HKEY_CURRENT_USER, filesKey, L"Folder", folder),
                  ERROR_SUCCESS);
    }
    Log runAsHandOff()
    {
        StartedProgram app(appPath());
        EXPECT_TRUE(app.started());
        EXPECT_EQ(app.waitForExit(kExitWait), 0);
        return readLog(m_log);
    }
    std::wstring cardFolder() const { return m_card + L"\\DCIM\\100ORVEN"; }

    void expectListedAll(const Log& log)
    {
        const auto listed = linesOf(log, L"listed");
        ASSERT_EQ(listed.size(), m_files.size());
        for (std::size_t i = 0; i < m_files.size(); ++i) {
            ASSERT_EQ(listed[i].size(), 3u);
            EXPECT_EQ(listed[i][0], m_files[i].name);
            EXPECT_EQ(listed[i][1],
                      std::to_wstring(readFileBytes(m_album + L"\\" + m_files[i].name).size()));
            EXPECT_EQ(listed[i][2], m_files[i].expectedThumbnail) << listed[i][0];
        }
    }
    void expectCardHoldsAll()
    {
        for (const AlbumFile& file : m_files) {
            const std::vector<std::uint8_t> copy = readFileBytes(cardFolder() + L"\\" + file.name);
            EXPECT_FALSE(copy.empty()) << file.name.size();
            EXPECT_EQ(copy, readFileBytes(m_album + L"\\" + file.name));
        }
        EXPECT_FALSE(std::filesystem::is_regular_file(cardFolder() + L"\\readme.txt"));
        EXPECT_FALSE(std::filesystem::is_directory(cardFolder() + L"\\folder.jpg"));
    }
};

}  // namespace

TEST_F(TransferApp, RegistryRouteListsTheFolderAndCopiesOntoTheCard)
{
    installForTest();
    announceInRegistry(kDialog300, kFiles300, m_album + L"\\");
    const Log log = runAsHandOff();

    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front()[0], L"begin");
    EXPECT_EQ(log.back()[0], L"end");
    EXPECT_EQ(single(log, L"registry-startuptab"), L"0x00000101");
    EXPECT_EQ(single(log, L"registry-vidrolink"), L"0xFFFFFFFF");
    EXPECT_EQ(single(log, L"profile-startuptab"), L"0");
    EXPECT_EQ(single(log, L"route"), L"registry");
    EXPECT_EQ(single(log, L"folder"), m_album + L"\\");
    EXPECT_EQ(single(log, L"window"), L"transfer");
    expectListedAll(log);
    EXPECT_EQ(single(log, L"card"), cardFolder() + L"\\");
    EXPECT_EQ(linesOf(log, L"copied").size(), m_files.size());
    ASSERT_EQ(linesOf(log, L"transferred").size(), 1u);
    EXPECT_EQ(linesOf(log, L"transferred")[0], (std::vector<std::wstring>{L"5", L"5"}));
    EXPECT_EQ(linesOf(log, L"autoclose").size(), 1u);
    expectCardHoldsAll();
}

TEST_F(TransferApp, ProfileRouteForTheOlderCamerasWithAJapaneseFolderName)
{
    installForTest();
    const std::wstring album = m_temp / L"カメラ用の写真";
    ASSERT_TRUE(::MoveFileW(m_album.c_str(), album.c_str()));
    m_album = album;
    // As the hand-off announces a folder for codes 52, 82, 86.
    const std::wstring profile = standin::suiteProfilePath();
    ASSERT_TRUE(::WritePrivateProfileStringW(L"MainDialog", L"StartupTab", L"1", profile.c_str()));
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Files", L"Folder", (album + L"\\").c_str(),
                                             profile.c_str()));
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());

    const Log log = runAsHandOff();
    EXPECT_EQ(single(log, L"registry-startuptab"), L"0xFFFFFFFF");
    EXPECT_EQ(single(log, L"profile-startuptab"), L"1");
    EXPECT_EQ(single(log, L"route"), L"profile");
    EXPECT_EQ(single(log, L"folder"), album + L"\\");
    expectListedAll(log);
    expectCardHoldsAll();
}

TEST_F(TransferApp, WithoutStartupTabAskingItShowsTheMainWindowOnly)
{
    installForTest();
    const std::wstring profile = standin::suiteProfilePath();
    ::WritePrivateProfileStringW(L"MainDialog", L"StartupTab", L"3", profile.c_str());
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    ASSERT_EQ(standin::writeDword(HKEY_LOCAL_MACHINE, kDialog300, L"StartupTab", 0x100),
              ERROR_SUCCESS);

    const Log log = runAsHandOff();
    EXPECT_EQ(single(log, L"registry-startuptab"), L"0x00000100");
    EXPECT_EQ(single(log, L"profile-startuptab"), L"3");
    EXPECT_EQ(single(log, L"route"), L"none");
    EXPECT_EQ(single(log, L"window"), L"main");
    EXPECT_TRUE(linesOf(log, L"listed").empty());
    EXPECT_TRUE(linesOf(log, L"card").empty());
    EXPECT_FALSE(std::filesystem::is_directory(cardFolder()));
}

TEST_F(TransferApp, WithoutAnySuiteItStillStartsAndSaysSo)
{
    // Only the test switches, no suite keys and no profile.
    ASSERT_EQ(standin::writeString(HKEY_CURRENT_USER, L"SOFTWARE\\VidroStandin\\StandinTest",
                                   L"LogPath", m_log),
              ERROR_SUCCESS);
    ASSERT_EQ(standin::writeDword(HKEY_CURRENT_USER, L"SOFTWARE\\VidroStandin\\StandinTest",
                                  L"AutoCloseMs", 500),
              ERROR_SUCCESS);
    const Log log = runAsHandOff();
    EXPECT_EQ(single(log, L"suite-key"), L"none");
    EXPECT_EQ(single(log, L"registry-startuptab"), L"missing");
    EXPECT_EQ(single(log, L"profile-startuptab"), L"missing");
    EXPECT_EQ(single(log, L"route"), L"none");
}

TEST_F(TransferApp, TheLastSuiteVersionDecides)
{
    installForTest();
    install({L"/version", L"3.50", L"/subkey", L"3.5"});
    const std::wstring other = m_temp / L"other";
    ASSERT_TRUE(::CreateDirectoryW(other.c_str(), nullptr));

    // Only the earlier version asks for the transfer window: not for us.
    announceInRegistry(kDialog300, kFiles300, other + L"\\");
    Log log = runAsHandOff();
    EXPECT_EQ(linesOf(log, L"suite-key").at(0),
              (std::vector<std::wstring>{L"ORVEN Vidro!3 Ver.3.50", L"3.5"}));
    EXPECT_EQ(single(log, L"route"), L"none");

    // The last version asks, with its own folder.
    ASSERT_TRUE(::DeleteFileW(m_log.c_str()));
    announceInRegistry(kDialog350, kFiles350, m_album + L"\\");
    log = runAsHandOff();
    EXPECT_EQ(single(log, L"route"), L"registry");
    EXPECT_EQ(single(log, L"folder"), m_album + L"\\");
    expectListedAll(log);
}

TEST_F(TransferApp, MissingFolderListsNothingAndCopiesNothing)
{
    installForTest();
    announceInRegistry(kDialog300, kFiles300, m_temp / L"gone\\");
    const Log log = runAsHandOff();
    EXPECT_EQ(single(log, L"route"), L"registry");
    EXPECT_EQ(linesOf(log, L"folder-missing").size(), 1u);
    EXPECT_TRUE(linesOf(log, L"listed").empty());
    EXPECT_EQ(single(log, L"window"), L"transfer");
    EXPECT_TRUE(linesOf(log, L"card").empty());  // the transfer button stays disabled
    EXPECT_FALSE(std::filesystem::is_directory(m_card + L"\\DCIM"));
}

TEST_F(TransferApp, ACardThatCannotBeWrittenIsReportedPerFile)
{
    installForTest();
    ASSERT_TRUE(::RemoveDirectoryW(m_card.c_str()));  // the installer made it
    writeFileBytes(m_card, {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'l', 'd', 'e', 'r'});
    announceInRegistry(kDialog300, kFiles300, m_album);
    const Log log = runAsHandOff();
    EXPECT_EQ(single(log, L"folder"), m_album);  // no backslash needed at the end
    expectListedAll(log);
    EXPECT_EQ(linesOf(log, L"copy-failed").size(), m_files.size());
    EXPECT_TRUE(linesOf(log, L"copied").empty());
    ASSERT_EQ(linesOf(log, L"transferred").size(), 1u);
    EXPECT_EQ(linesOf(log, L"transferred")[0], (std::vector<std::wstring>{L"0", L"5"}));
}

TEST_F(TransferApp, CommandLineSwitchesWithoutInstallerSettings)
{
    install({});  // no test settings
    announceInRegistry(kDialog300, kFiles300, m_album + L"\\");
    StartedProgram app(appPath(), L"/log " + quoteArgument(m_log) +
                                      L" /autoclose 700 /autotransfer /card " +
                                      quoteArgument(m_card));
    ASSERT_TRUE(app.started());
    ASSERT_EQ(app.waitForExit(kExitWait), 0);
    const Log log = readLog(m_log);
    EXPECT_EQ(single(log, L"route"), L"registry");
    expectListedAll(log);
    expectCardHoldsAll();
}

TEST_F(TransferApp, RunsUntilTheUserClosesIt)
{
    install({L"/card", m_card, L"/testlog", m_log});  // no automatic close, no automatic transfer
    announceInRegistry(kDialog300, kFiles300, m_album + L"\\");
    StartedProgram app(appPath());
    ASSERT_TRUE(app.started());
    HWND window = waitForWindow(app.processId(), standin::kTransferWindowTitle, kExitWait);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(app.waitForExit(1500), -1);  // still open

    HWND transfer = ::FindWindowExW(window, nullptr, L"Button", L"カメラへ転送");
    HWND close = ::FindWindowExW(window, nullptr, L"Button", L"閉じる");
    ASSERT_NE(transfer, nullptr);
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(::IsWindowEnabled(transfer));
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(transfer), BN_CLICKED),
                   reinterpret_cast<LPARAM>(transfer));
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(close), BN_CLICKED),
                   reinterpret_cast<LPARAM>(close));
    ASSERT_EQ(app.waitForExit(kExitWait), 0);
    expectCardHoldsAll();
    const Log log = readLog(m_log);
    EXPECT_TRUE(linesOf(log, L"autoclose").empty());
    EXPECT_EQ(log.back()[0], L"end");
}
