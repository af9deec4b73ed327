// StartTransferApplication on Windows (run under Wine) against the stand-in
// photo suite: the suite is installed into the shared prefix by its own
// installer, the stand-in transfer application logs what it found while it
// ran and closes itself; the test's main window samples the suite's values
// on a timer, which only fires when the hand-off dispatches messages.
// Everything the suite had before is put back after every test.
#include "engine/win/TransferHandOff.h"
#include "engine/tests/win/HandOffSupport.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/MessageBoxWatcher.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace handoff_test;

const std::wstring kAppTitle = L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3";
const std::wstring kSuiteMissing =
    L"ORVEN Vidro!3 が見つかりません。\nORVEN Vidro!3 をあらかじめインストールしてから、ORVEN "
    L"Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3 を起動してください。";
const std::wstring kWorkFileError =
    L"ファイルの変換作業中に作業ファイルがエラーになりました。処理を続けますか？";

const std::wstring kSuite300 = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.00";
const std::wstring kDialog300 = kSuite300 + L"\\3.0\\MainDialog";
const std::wstring kFiles300 = kSuite300 + L"\\3.0\\Files";
const std::wstring kSuite350 = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.50";
const std::wstring kDialog350 = kSuite350 + L"\\3.5\\MainDialog";
const std::wstring kFiles350 = kSuite350 + L"\\3.5\\Files";

// The stand-in closes itself after this time.
const wchar_t kAutoCloseMs[] = L"700";
constexpr UINT_PTR kSampleTimer = 1;
constexpr UINT kSampleEveryMs = 40;

std::wstring codeLine(long code)
{
    return L"\n[" + std::to_wstring(code) + L"]";
}

// The suite's values as the test's window finds them at one timer tick.
struct Sample {
    bool windowVisible = false;
    DWORD startupTab = 0;
    DWORD vidroLink = 0;
    RawValue folder;
    DWORD otherStartupTab = 0;  // of a second suite version, when there is one
};

class HandOffWin : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const std::wstring& program : {setupProgram, appProgram})
            ASSERT_NE(::GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES)
                << program << " beside the test";
        work = (temp / L"work").wstring();
        save = (temp / L"save").wstring();
        album = (temp / L"album").wstring() + L"\\";
        card = (temp / L"card").wstring();
        log = (temp / L"standin.log").wstring();
        for (const std::wstring& folder : {work, save, album, card})
            ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
        // A camera sound in each destination, for the application to list.
        writeFileText(work + L"\\08240001.wav", "RIFF");
        writeFileText(save + L"\\08240002.wav", "RIFFWAVE");

        createMainWindow();
    }

    void TearDown() override
    {
        if (window) {
            ::KillTimer(window, kSampleTimer);
            ::DestroyWindow(window);
        }
        current = nullptr;
    }

    void install(const std::wstring& version = L"3.00", const std::wstring& subkey = L"3.0",
                 const std::wstring& folder = std::wstring())
    {
        const ProgramRun run =
            runProgram(setupProgram, {L"/version", version, L"/subkey", subkey, L"/app", appProgram,
                                      L"/folder", folder.empty() ? album : folder, L"/card", card,
                                      L"/testlog", log, L"/autoclose", kAutoCloseMs});
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0u) << run.output;
    }

    AppSettings settingsFor(int32_t code) const
    {
        AppSettings settings;
        settings.cameraCode = code;
        settings.TwainIni = L"Vidro!3.ini";
        settings.PathTemp = work;
        settings.PathSave = save;
        settings.TwainPath = work;
        return settings;
    }

    // Runs the hand-off with the message boxes answered by `button`.
    void handOff(AppSettings& settings, int button = IDOK)
    {
        samples.clear();
        MessageBoxWatcher watcher(button);
        EXPECT_EQ(StartTransferApplication(settings, window, [this] { continueFlag = 0; }), 1);
        boxes = watcher.stop();
        EXPECT_TRUE(::IsWindowVisible(window)) << "the main window is shown again";
    }

    std::vector<Sample> hiddenSamples() const
    {
        std::vector<Sample> found;
        for (const Sample& sample : samples) {
            if (!sample.windowVisible)
                found.push_back(sample);
        }
        return found;
    }

    StandinLog standinLog() const { return readStandinLog(log); }

    SuiteStateKeeper keeper;  // first made, last gone: puts the suite back
    TempFolder temp;
    const std::wstring setupProgram = besideTest(L"VidroStandinSetup.exe");
    const std::wstring appProgram = besideTest(L"VidroLinkStandin.exe");
    std::wstring work, save, album, card, log;
    std::wstring dialogKey = kDialog300;
    std::wstring filesKey = kFiles300;
    std::wstring otherDialogKey;
    HWND window = nullptr;
    std::vector<Sample> samples;
    std::function<void(const Sample&)> onTick;
    int32_t continueFlag = 1;
    std::vector<SeenBox> boxes;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_TIMER && wParam == kSampleTimer && current)
            current->sample();
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    void sample()
    {
        Sample seen;
        seen.windowVisible = ::IsWindowVisible(window) != FALSE;
        seen.startupTab = readValue(HKEY_LOCAL_MACHINE, dialogKey, L"StartupTab").number();
        seen.vidroLink = readValue(HKEY_LOCAL_MACHINE, dialogKey, L"VidroLink").number();
        seen.folder = readValue(HKEY_CURRENT_USER, filesKey, L"Folder");
        if (!otherDialogKey.empty())
            seen.otherStartupTab =
                readValue(HKEY_LOCAL_MACHINE, otherDialogKey, L"StartupTab").number();
        samples.push_back(seen);
        if (onTick)
            onTick(seen);
    }

    void createMainWindow()
    {
        static bool registered = false;
        const wchar_t* className = L"VxfHandOffTestMain";
        if (!registered) {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = windowProc;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.lpszClassName = className;
            registered = ::RegisterClassW(&windowClass) != 0;
        }
        window =
            ::CreateWindowExW(WS_EX_TOOLWINDOW, className, L"hand-off test", WS_POPUP, 0, 0, 200,
                              100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        ::ShowWindow(window, SW_SHOWNOACTIVATE);
        current = this;
        ASSERT_NE(::SetTimer(window, kSampleTimer, kSampleEveryMs, nullptr), 0u);
    }

    static HandOffWin* current;
};

HandOffWin* HandOffWin::current = nullptr;

// --- The suite profile (cameras 52, 82, 86) ----------------------------------

TEST_F(HandOffWin, ProfileSaysOneDuringTheRunAndIsPutBackAfterIt)
{
    install();
    const struct {
        int32_t code;
        bool profileFilled;  // else both values are missing and come back empty
        bool saveFolder;
    } cases[] = {{52, true, false}, {86, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ::DeleteFileW(log.c_str());
        if (c.profileFilled) {
            ASSERT_TRUE(writeProfileValue(suiteProfilePath(), L"MainDialog", L"StartupTab", L"3"));
        } else {
            ::WritePrivateProfileStringW(L"MainDialog", L"StartupTab", nullptr,
                                         suiteProfilePath().c_str());
            ::WritePrivateProfileStringW(L"Files", L"Folder", nullptr, suiteProfilePath().c_str());
            ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, suiteProfilePath().c_str());
            ASSERT_EQ(profileValue(suiteProfilePath(), L"Files", L"Folder"), L"<missing>");
        }
        AppSettings settings = settingsFor(c.code);
        const std::wstring told = c.saveFolder ? save + L"\\" : work;
        settings.TwainPath = told;

        handOff(settings);

        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(continueFlag, 1);
        EXPECT_EQ(settings.TwainPath, c.saveFolder ? told : work + L"\\");
        // What the transfer application found.
        const StandinLog seen = standinLog();
        EXPECT_EQ(logField(seen, L"profile-startuptab"), L"1");
        EXPECT_EQ(logField(seen, L"route"), L"profile");
        EXPECT_EQ(logField(seen, L"folder"), c.saveFolder ? told : work + L"\\");
        const auto listed = logLines(seen, L"listed");
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0][0], c.saveFolder ? L"08240002.wav" : L"08240001.wav");
        EXPECT_EQ(logLines(seen, L"end").size(), 1u) << "the application ran to its end";
        // The suite's registry is not touched for these cameras.
        EXPECT_EQ(logField(seen, L"registry-startuptab"), L"0xFFFFFFFF");
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, kFiles300, L"Folder").text(), album);
        // And afterwards.
        EXPECT_EQ(profileValue(suiteProfilePath(), L"MainDialog", L"StartupTab"),
                  c.profileFilled ? L"3" : L"");
        EXPECT_EQ(profileValue(suiteProfilePath(), L"Files", L"Folder"),
                  c.profileFilled ? album : L"");
    }
}

// --- The registry (camera 90) --------------------------------------------------

TEST_F(HandOffWin, Code90WorkFolderDuringTheRunAndTheOldValuesAfterIt)
{
    install();
    ASSERT_TRUE(writeDword(HKEY_LOCAL_MACHINE, kDialog300, L"StartupTab", 3));
    AppSettings settings = settingsFor(90);

    handOff(settings);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(continueFlag, 1);
    const StandinLog seen = standinLog();
    EXPECT_EQ(logField(seen, L"suite-key"), L"ORVEN Vidro!3 Ver.3.00");
    EXPECT_EQ(logField(seen, L"registry-startuptab"), L"0x00000101");
    EXPECT_EQ(logField(seen, L"registry-vidrolink"), L"0xFFFFFFFF");
    EXPECT_EQ(logField(seen, L"route"), L"registry");
    EXPECT_EQ(logField(seen, L"folder"), work + L"\\");
    const auto listed = logLines(seen, L"listed");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0][0], L"08240001.wav");

    // During the run, as the test's own window saw it.
    const std::vector<Sample> during = hiddenSamples();
    ASSERT_FALSE(during.empty()) << "no message was dispatched while the application ran";
    EXPECT_EQ(during.front().startupTab, 0x101u);
    EXPECT_EQ(during.front().vidroLink, 0xFFFFFFFFu);
    EXPECT_EQ(during.front().folder.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(during.front().folder.data.size(), 260 * sizeof(wchar_t));
    EXPECT_EQ(during.front().folder.text(), work + L"\\");

    // Afterwards.
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kDialog300, L"StartupTab").number(), 0xFFFFFFFFu);
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kDialog300, L"VidroLink").number(), 0xFFFFFFFFu);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, kFiles300, L"Folder").text(), album);
    EXPECT_EQ(settings.PathTemp, work + L"\\");
    EXPECT_EQ(settings.PathSave, save);
    EXPECT_EQ(settings.TwainPath, work + L"\\");
    // The profile is left as the suite had it.
    EXPECT_EQ(profileValue(suiteProfilePath(), L"MainDialog", L"StartupTab"), L"0");
    EXPECT_EQ(profileValue(suiteProfilePath(), L"Files", L"Folder"), album);
}

TEST_F(HandOffWin, TwoSuiteVersionsTheOneEnumeratedLastIsUsed)
{
    const std::wstring otherAlbum = (temp / L"album2").wstring() + L"\\";
    install(L"3.00", L"3.0");
    install(L"3.50", L"3.5", otherAlbum);
    const std::vector<std::wstring> suites = subkeyNames(HKEY_CURRENT_USER, L"SOFTWARE\\Orven");
    ASSERT_EQ(suites.size(), 2u);
    const bool last350 = suites.back() == L"ORVEN Vidro!3 Ver.3.50";
    dialogKey = last350 ? kDialog350 : kDialog300;
    filesKey = last350 ? kFiles350 : kFiles300;
    otherDialogKey = last350 ? kDialog300 : kDialog350;
    const std::wstring otherFiles = last350 ? kFiles300 : kFiles350;
    const std::wstring usedAlbum = last350 ? otherAlbum : album;
    const std::wstring otherAlbumText = last350 ? album : otherAlbum;
    ASSERT_TRUE(writeDword(HKEY_LOCAL_MACHINE, otherDialogKey, L"StartupTab", 5));

    AppSettings settings = settingsFor(90);
    handOff(settings);

    EXPECT_TRUE(boxes.empty());
    const StandinLog seen = standinLog();
    const auto suiteLines = logLines(seen, L"suite-key");
    ASSERT_EQ(suiteLines.size(), 1u);
    EXPECT_EQ(suiteLines[0][0], suites.back());
    EXPECT_EQ(logField(seen, L"registry-startuptab"), L"0x00000101");
    EXPECT_EQ(logField(seen, L"folder"), work + L"\\");
    const std::vector<Sample> during = hiddenSamples();
    ASSERT_FALSE(during.empty());
    EXPECT_EQ(during.front().startupTab, 0x101u);
    EXPECT_EQ(during.front().otherStartupTab, 5u);
    // The other version is never touched.
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, otherDialogKey, L"StartupTab").number(), 5u);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, otherFiles, L"Folder").text(), otherAlbumText);
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, dialogKey, L"StartupTab").number(), 0xFFFFFFFFu);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, filesKey, L"Folder").text(), usedAlbum);
}

// --- Failures -------------------------------------------------------------------

TEST_F(HandOffWin, NoApplicationToStartGives616AndTheSuiteIsStillPutBack)
{
    const std::wstring missing = (temp / L"NoSuchLink.exe").wstring();
    const struct {
        int32_t code;
        bool appExeMissing;  // else it names a file that is not there
        long shownCode;
    } cases[] = {
        {90, true, ERROR_FILE_NOT_FOUND}, {52, true, ERROR_FILE_NOT_FOUND}, {90, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.code << (c.appExeMissing ? " no AppExe" : " cannot start"));
        SuiteStateKeeper::clearAll();
        install();
        ASSERT_TRUE(writeProfileValue(suiteProfilePath(), L"MainDialog", L"StartupTab", L"3"));
        if (c.appExeMissing) {
            ASSERT_TRUE(deleteValue(HKEY_LOCAL_MACHINE, kDialog300, L"AppExe"));
        } else {
            HKEY key = nullptr;
            ASSERT_EQ(
                ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDialog300.c_str(), 0, KEY_SET_VALUE, &key),
                ERROR_SUCCESS);
            ::RegSetValueExW(key, L"AppExe", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(missing.c_str()),
                             static_cast<DWORD>((missing.size() + 1) * sizeof(wchar_t)));
            ::RegCloseKey(key);
        }
        AppSettings settings = settingsFor(c.code);

        handOff(settings);

        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, kAppTitle);
        EXPECT_EQ(boxes[0].text, kSuiteMissing + codeLine(c.shownCode));
        EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
        EXPECT_EQ(boxes[0].owner, window);
        EXPECT_EQ(continueFlag, 1);
        EXPECT_EQ(::GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES)
            << "no application was started";
        EXPECT_TRUE(hiddenSamples().empty()) << "the main window was never hidden";
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kDialog300, L"StartupTab").number(), 0xFFFFFFFFu);
        EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kDialog300, L"VidroLink").number(), 0xFFFFFFFFu);
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, kFiles300, L"Folder").text(), album);
        EXPECT_EQ(profileValue(suiteProfilePath(), L"MainDialog", L"StartupTab"), L"3");
        EXPECT_EQ(profileValue(suiteProfilePath(), L"Files", L"Folder"), album);
        EXPECT_EQ(settings.PathSave, save);
    }
}

TEST_F(HandOffWin, NoSuiteInstalledGivesOnly616)
{
    AppSettings settings = settingsFor(90);

    handOff(settings);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.substr(0, kSuiteMissing.size() + 2), kSuiteMissing + L"\n[");
    EXPECT_NE(boxes[0].text, kSuiteMissing + codeLine(0));
    EXPECT_EQ(continueFlag, 1);
    EXPECT_TRUE(subkeyNames(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orven").empty())
        << "no suite key was created";
    EXPECT_TRUE(subkeyNames(HKEY_CURRENT_USER, L"SOFTWARE\\Orven").empty())
        << "no suite key was created";
}

TEST_F(HandOffWin, RestoreFailureGives609AndCancelClearsTheFlag)
{
    for (const int button : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(button);
        SuiteStateKeeper::clearAll();
        install();
        continueFlag = 1;
        // A key goes away while the application runs: the files key, or the dialog key.
        const bool filesGone = button == IDCANCEL;
        onTick = [this, filesGone](const Sample& sample) {
            if (!sample.windowVisible)
                deleteTree(filesGone ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                           filesGone ? kFiles300 : kDialog300);
        };
        AppSettings settings = settingsFor(90);

        handOff(settings, button);

        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, kAppTitle);
        EXPECT_EQ(boxes[0].text, kWorkFileError + codeLine(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDOK, IDCANCEL}));
        EXPECT_EQ(continueFlag, button == IDCANCEL ? 0 : 1);
        // The other values were put back all the same.
        if (filesGone) {
            EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kDialog300, L"StartupTab").number(),
                      0xFFFFFFFFu);
        } else {
            EXPECT_EQ(readValue(HKEY_CURRENT_USER, kFiles300, L"Folder").text(), album);
        }
        EXPECT_EQ(settings.PathSave, save);
        onTick = nullptr;
    }
}

// --- The wait ---------------------------------------------------------------------

TEST_F(HandOffWin, WaitSleepsBetweenMessages)
{
    install();
    AppSettings settings = settingsFor(90);
    FILETIME created, exited, kernelBefore, userBefore, kernelAfter, userAfter;
    ASSERT_TRUE(
        ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernelBefore, &userBefore));
    const ULONGLONG wallBefore = ::GetTickCount64();

    handOff(settings);

    const ULONGLONG wallMs = ::GetTickCount64() - wallBefore;
    ASSERT_TRUE(
        ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernelAfter, &userAfter));
    auto ticks = [](const FILETIME& time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    const ULONGLONG cpuMs =
        (ticks(kernelAfter) - ticks(kernelBefore) + ticks(userAfter) - ticks(userBefore)) / 10000;
    ASSERT_FALSE(hiddenSamples().empty());
    // Polling the handle keeps this thread busy for a good part of the run
    // (under Wine about a fifth: every poll waits on the server); sleeping
    // until a message or the end uses a few hundredths.
    EXPECT_LT(cpuMs * 10, wallMs) << "cpu " << cpuMs << " ms of " << wallMs << " ms";
}

TEST_F(HandOffWin, QuitRequestDuringTheWaitIsKeptForTheWindowsLoop)
{
    install();
    bool posted = false;
    onTick = [&posted](const Sample& sample) {
        if (!sample.windowVisible && !posted) {
            posted = true;
            ::PostQuitMessage(42);
        }
    };
    AppSettings settings = settingsFor(90);

    handOff(settings);

    ASSERT_TRUE(posted);
    EXPECT_EQ(logLines(standinLog(), L"end").size(), 1u)
        << "the wait went on until the application ended";
    MSG message;
    ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 42u);
}

}  // namespace
