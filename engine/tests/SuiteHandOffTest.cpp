// The hand-off's steps over a recording fake of the system: which suite keys
// are found, what is announced where, what the application sees while it
// runs, what is put back, and which messages appear with which codes.
#include "engine/SuiteHandOff.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr long kNotFound = 2;      // ERROR_FILE_NOT_FOUND
constexpr long kAccessDenied = 5;  // ERROR_ACCESS_DENIED
constexpr long kMoreData = 234;    // ERROR_MORE_DATA

const std::wstring kSuite = L"ORVEN Vidro!3 Ver.3.00";
const std::wstring kDialog = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.00\\3.0\\MainDialog";
const std::wstring kFiles = L"SOFTWARE\\Orven\\ORVEN Vidro!3 Ver.3.00\\3.0\\Files";
const std::wstring kProfile = L"C:\\WINDOWS\\Vidro!3.ini";

struct ShownMessage {
    unsigned id;
    unsigned boxType;
    long code;
    bool operator==(const ShownMessage& o) const
    {
        return id == o.id && boxType == o.boxType && code == o.code;
    }
};
std::ostream& operator<<(std::ostream& out, const ShownMessage& m)
{
    return out << m.id << " box " << m.boxType << " [" << m.code << "]";
}
using Messages = std::vector<ShownMessage>;

// A registry value: a 32-bit number or a string buffer (characters as written).
struct FakeValue {
    bool isNumber = false;
    uint32_t number = 0;
    std::wstring chars;
    // The string up to its first zero character.
    std::wstring text() const { return chars.substr(0, chars.find(L'\0')); }
    static FakeValue of(uint32_t n) { return {true, n, {}}; }
    static FakeValue of(const std::wstring& text) { return {false, 0, text + L'\0'}; }
};

class FakeSystem : public HandOffSystem {
public:
    using ValueKey = std::tuple<RegistryRoot, std::wstring, std::wstring>;

    // --- state the tests arrange and inspect
    std::wstring windows = L"C:\\WINDOWS";
    std::map<std::tuple<std::wstring, std::wstring, std::wstring>, std::wstring> profile;
    // Subkey names of a key path, in enumeration order.
    std::map<std::wstring, std::vector<std::wstring>> subkeys;
    // Enumeration of a key path stops at this index (a name too long, say).
    std::map<std::wstring, uint32_t> enumerationStopsAt;
    std::set<std::pair<RegistryRoot, std::wstring>> keys;
    std::map<ValueKey, FakeValue> values;
    // A failure code for a given call, decided at the time of the call.
    std::function<long(const std::wstring& operation, RegistryRoot, const std::wstring& key,
                       const std::wstring& name)>
        failure;
    bool startable = true;
    std::function<void()> whileRunning;
    int answer = 1;  // IDOK

    // --- what happened
    std::vector<std::wstring> calls;
    std::vector<std::wstring> enumerated;  // key paths asked for, index 0 only
    std::vector<std::wstring> started;
    std::vector<ShownMessage> messages;

    void installSuite(const std::wstring& folder = L"D:\\Album\\")
    {
        subkeys[L"SOFTWARE\\Orven\\"] = {kSuite};
        subkeys[L"SOFTWARE\\Orven\\" + kSuite + L"\\"] = {L"3.0"};
        keys.insert({RegistryRoot::LocalMachine, kDialog});
        keys.insert({RegistryRoot::CurrentUser, kFiles});
        values[{RegistryRoot::LocalMachine, kDialog, L"AppExe"}] =
            FakeValue::of(L"C:\\Vidro\\VidroLink.exe");
        values[{RegistryRoot::LocalMachine, kDialog, L"StartupTab"}] = FakeValue::of(7);
        values[{RegistryRoot::LocalMachine, kDialog, L"VidroLink"}] = FakeValue::of(3);
        values[{RegistryRoot::CurrentUser, kFiles, L"Folder"}] = FakeValue::of(folder);
    }

    const FakeValue* value(RegistryRoot root, const std::wstring& key,
                           const std::wstring& name) const
    {
        const auto found = values.find({root, key, name});
        return found == values.end() ? nullptr : &found->second;
    }
    uint32_t number(RegistryRoot root, const std::wstring& key, const std::wstring& name) const
    {
        const FakeValue* found = value(root, key, name);
        return found && found->isNumber ? found->number : 0xDEADBEEF;
    }
    std::wstring text(RegistryRoot root, const std::wstring& key, const std::wstring& name) const
    {
        const FakeValue* found = value(root, key, name);
        return found && !found->isNumber ? found->text() : L"<none>";
    }
    std::wstring profileValue(const std::wstring& section, const std::wstring& key) const
    {
        const auto found = profile.find({kProfile, section, key});
        return found == profile.end() ? L"<missing>" : found->second;
    }

    // --- HandOffSystem
    std::wstring windowsFolder() override { return windows; }

    std::wstring readProfileString(const std::wstring& file, const std::wstring& section,
                                   const std::wstring& key, size_t bufferChars) override
    {
        calls.push_back(L"profile-read " + section + L"/" + key + L" " +
                        std::to_wstring(bufferChars));
        const auto found = profile.find({file, section, key});
        return found == profile.end() ? std::wstring() : found->second.substr(0, bufferChars - 1);
    }
    void writeProfileString(const std::wstring& file, const std::wstring& section,
                            const std::wstring& key, const std::wstring& value) override
    {
        calls.push_back(L"profile-write " + section + L"/" + key + L"=" + value);
        profile[{file, section, key}] = value;
    }

    bool enumerateSubkey(const std::wstring& key, uint32_t index, std::wstring& name) override
    {
        if (index == 0)
            enumerated.push_back(key);
        const auto stop = enumerationStopsAt.find(key);
        if (stop != enumerationStopsAt.end() && index >= stop->second)
            return false;
        const auto found = subkeys.find(key);
        if (found == subkeys.end() || index >= found->second.size())
            return false;
        name = found->second[index];
        return true;
    }

    long setDwordValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                       uint32_t number) override
    {
        calls.push_back(L"set " + rootName(root) + L" " + name + L" " + hex(number));
        if (const long code = check(L"set", root, key, name))
            return code;
        values[{root, key, name}] = FakeValue::of(number);
        return 0;
    }

    long readStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                         size_t bufferChars, std::wstring& result) override
    {
        calls.push_back(L"read " + rootName(root) + L" " + name + L" " +
                        std::to_wstring(bufferChars));
        if (const long code = check(L"read", root, key, name))
            return code;
        const FakeValue* found = value(root, key, name);
        if (!found)
            return kNotFound;
        if (found->chars.size() > bufferChars)
            return kMoreData;
        result = found->text();
        return 0;
    }

    long setPaddedStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                              const std::wstring& textValue, size_t valueChars) override
    {
        calls.push_back(L"set-string " + rootName(root) + L" " + name + L" " + textValue + L" " +
                        std::to_wstring(valueChars));
        if (const long code = check(L"set-string", root, key, name))
            return code;
        FakeValue written{false, 0, textValue};
        written.chars.resize(textValue.size() < valueChars ? valueChars : textValue.size() + 1,
                             L'\0');
        values[{root, key, name}] = written;
        return 0;
    }

    bool runApplication(const std::wstring& path) override
    {
        calls.push_back(L"run " + path);
        if (!startable)
            return false;
        started.push_back(path);
        if (whileRunning)
            whileRunning();
        return true;
    }

    int showMessage(unsigned messageId, unsigned boxType, long code) override
    {
        calls.push_back(L"message " + std::to_wstring(messageId) + L" [" + std::to_wstring(code) +
                        L"]");
        messages.push_back({messageId, boxType, code});
        return answer;
    }

private:
    static std::wstring rootName(RegistryRoot root)
    {
        return root == RegistryRoot::LocalMachine ? L"HKLM" : L"HKCU";
    }
    static std::wstring hex(uint32_t number)
    {
        wchar_t text[16];
        swprintf(text, 16, L"0x%X", static_cast<unsigned>(number));
        return text;
    }
    long check(const std::wstring& operation, RegistryRoot root, const std::wstring& key,
               const std::wstring& name)
    {
        const long code = failure ? failure(operation, root, key, name) : 0;
        return code != 0 ? code : keys.count({root, key}) ? 0 : kNotFound;
    }
};

std::function<void()> clearFlag(int32_t& flag)
{
    return [&flag] { flag = 0; };
}

std::wstring withBackslash(const std::wstring& path)
{
    return path.back() == L'\\' ? path : path + L"\\";
}

AppSettings settingsFor(int32_t code)
{
    AppSettings settings;
    settings.cameraCode = code;
    settings.TwainIni = L"Vidro!3.ini";
    settings.PathTemp = L"C:\\TEMP\\~tmp_vxf";
    settings.PathSave = L"D:\\Saved";
    settings.TwainPath = settings.PathTemp;
    return settings;
}

// Values as the transfer application finds them while it runs.
struct SeenWhileRunning {
    uint32_t startupTab = 0;
    uint32_t vidroLink = 0;
    std::wstring folderText;
    size_t folderChars = 0;
    std::wstring profileStartupTab;
    std::wstring profileFolder;
};

void watch(FakeSystem& system, SeenWhileRunning& seen)
{
    system.whileRunning = [&system, &seen] {
        seen.startupTab = system.number(RegistryRoot::LocalMachine, kDialog, L"StartupTab");
        seen.vidroLink = system.number(RegistryRoot::LocalMachine, kDialog, L"VidroLink");
        if (const FakeValue* folder = system.value(RegistryRoot::CurrentUser, kFiles, L"Folder")) {
            seen.folderText = folder->text();
            seen.folderChars = folder->chars.size();
        }
        seen.profileStartupTab = system.profileValue(L"MainDialog", L"StartupTab");
        seen.profileFolder = system.profileValue(L"Files", L"Folder");
    };
}

// --- Finding the suite's keys ----------------------------------------------

TEST(SuiteKeySearch, TheLastMatchingKeyWinsAtEachLevel)
{
    const std::wstring base = L"SOFTWARE\\Orven\\";
    const struct {
        const char* what;
        std::vector<std::wstring> suites, versions;
        uint32_t stopAt;  // the enumeration of the suites ends here (a name too long)
        std::wstring suite, version;
    } cases[] = {
        {"last suite, whatever its version",
         {L"ORVEN Vidro!3 Ver.3.50", kSuite, L"Other"},
         {L"3.0"},
         99,
         kSuite,
         L"3.0"},
        {"only the exact 18-character prefix",
         {L"ORVEN Vidro!3 Ver.", L"ORVEN Vidro!3 Ver.4", L"ORVEN Vidro!3 ver.5",
          L"ORVEN Vidro!3 Ver", L"ORVEN Vidro!2 Ver.6", L" ORVEN Vidro!3 Ver.7",
          L"ORVEN Vidro!3 Ver-8", L"ORVEN"},
         {},
         99,
         L"ORVEN Vidro!3 Ver.4",
         L""},
        {"nothing after the prefix",
         {L"ORVEN Vidro!3 Ver.4", L"ORVEN Vidro!3 Ver."},
         {},
         99,
         L"ORVEN Vidro!3 Ver.",
         L""},
        {"versions start with 1-9",
         {kSuite},
         {L"3.0", L"9", L"0.9", L"Settings", L"2.1", L"-1", L"Files"},
         99,
         kSuite,
         L"2.1"},
        {"no suite key: only backslashes are appended", {L"Something else"}, {}, 99, L"", L""},
        {"enumeration ends at an unreadable name",
         {L"ORVEN Vidro!3 Ver.1", L"ORVEN Vidro!3 Ver.2", L"ORVEN Vidro!3 Ver.3"},
         {},
         2,
         L"ORVEN Vidro!3 Ver.2",
         L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSystem system;
        system.subkeys[base] = c.suites;
        system.subkeys[base + c.suite + L"\\"] = c.versions;
        system.enumerationStopsAt[base] = c.stopAt;
        const SuiteKeys keys =
            findSuiteKeys([&](const std::wstring& key, uint32_t index, std::wstring& name) {
                return system.enumerateSubkey(key, index, name);
            });
        EXPECT_EQ(keys.suiteName, c.suite);
        EXPECT_EQ(keys.versionName, c.version);
        // Without a version key the suite name is used twice.
        const std::wstring under =
            base + c.suite + L"\\" + (c.version.empty() ? c.suite : c.version);
        EXPECT_EQ(keys.dialogKey, under + L"\\MainDialog");
        EXPECT_EQ(keys.filesKey, under + L"\\Files");
        EXPECT_EQ(system.enumerated, (std::vector<std::wstring>{base, base + c.suite + L"\\"}));
    }
}

// --- Cameras told through the suite profile (52, 82, 86) -------------------

class ProfileRoute : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override
    {
        system.installSuite();
        system.profile[{kProfile, L"MainDialog", L"StartupTab"}] = L"3";
        system.profile[{kProfile, L"Files", L"Folder"}] = L"D:\\Album\\";
    }
    void expectProfile(const std::wstring& startupTab, const std::wstring& folder) const
    {
        EXPECT_EQ(system.profileValue(L"MainDialog", L"StartupTab"), startupTab);
        EXPECT_EQ(system.profileValue(L"Files", L"Folder"), folder);
    }
    FakeSystem system;
    int32_t continueFlag = 1;
};

TEST_P(ProfileRoute, ProfileNamesTheDestinationDuringTheRunAndIsPutBackAfterIt)
{
    for (const std::wstring& destination :
         {std::wstring(L"C:\\TEMP\\~tmp_vxf"), std::wstring(L"D:\\Saved\\")}) {
        SCOPED_TRACE(destination);
        system = FakeSystem();
        SetUp();
        AppSettings settings = settingsFor(GetParam());
        settings.TwainPath = destination;
        SeenWhileRunning seen;
        watch(system, seen);

        EXPECT_EQ(runHandOff(settings, system, clearFlag(continueFlag)), 1);

        EXPECT_EQ(system.started, std::vector<std::wstring>{L"C:\\Vidro\\VidroLink.exe"});
        EXPECT_EQ(seen.profileStartupTab, L"1");
        EXPECT_EQ(seen.profileFolder, withBackslash(destination));
        expectProfile(L"3", L"D:\\Album\\");
        EXPECT_EQ(settings.TwainPath, withBackslash(destination));
        EXPECT_TRUE(system.messages.empty());
        EXPECT_EQ(continueFlag, 1);
        // The suite registry is only read, for the application path.
        for (const std::wstring& call : system.calls)
            EXPECT_NE(call.rfind(L"set", 0), 0u) << call;
        EXPECT_EQ(system.number(RegistryRoot::LocalMachine, kDialog, L"StartupTab"), 7u);
        EXPECT_EQ(system.text(RegistryRoot::CurrentUser, kFiles, L"Folder"), L"D:\\Album\\");
        EXPECT_EQ(settings.PathSave, L"D:\\Saved");
        EXPECT_EQ(settings.PathTemp, L"C:\\TEMP\\~tmp_vxf");
    }
    std::wstring empty;
    appendBackslash(empty);
    EXPECT_EQ(empty, L"\\");
}

TEST_P(ProfileRoute, ValuesComeBackAsTheyWereReadWithinTheirBuffers)
{
    system.profile.clear();
    AppSettings settings = settingsFor(GetParam());
    runHandOff(settings, system, clearFlag(continueFlag));
    expectProfile(L"", L"");  // missing values come back empty

    system.profile[{kProfile, L"MainDialog", L"StartupTab"}] = std::wstring(100, L'7');
    system.profile[{kProfile, L"Files", L"Folder"}] = std::wstring(300, L'f');
    runHandOff(settings, system, clearFlag(continueFlag));
    expectProfile(std::wstring(79, L'7'), std::wstring(259, L'f'));

    // The profile lives in the Windows directory under its settings name.
    system.windows = L"E:\\WINNT";
    settings.TwainIni = L"Other.ini";
    runHandOff(settings, system, clearFlag(continueFlag));
    EXPECT_EQ(system.profile.count({L"E:\\WINNT\\Other.ini", L"MainDialog", L"StartupTab"}), 1u);
    EXPECT_EQ(system.profile.count({L"E:\\WINNT\\Other.ini", L"Files", L"Folder"}), 1u);
}

TEST_P(ProfileRoute, WithoutTheApplicationPath616AndTheProfileIsStillPutBack)
{
    system.values.erase({RegistryRoot::LocalMachine, kDialog, L"AppExe"});
    AppSettings settings = settingsFor(GetParam());
    runHandOff(settings, system, clearFlag(continueFlag));
    EXPECT_TRUE(system.started.empty());
    EXPECT_EQ(system.messages, Messages({{616, 0, kNotFound}}));
    expectProfile(L"3", L"D:\\Album\\");
    EXPECT_EQ(continueFlag, 1);
}

INSTANTIATE_TEST_SUITE_P(Cameras52And82And86, ProfileRoute, ::testing::Values(52, 82, 86));

// --- The camera told through the registry (90) -----------------------------

class RegistryRoute : public ::testing::Test {
protected:
    void SetUp() override { system.installSuite(); }
    // The registry-route calls in order, without the profile reads.
    std::vector<std::wstring> registryCalls() const
    {
        std::vector<std::wstring> found;
        for (const std::wstring& call : system.calls) {
            if (call.rfind(L"profile", 0) != 0)
                found.push_back(call);
        }
        return found;
    }
    // The suite as it was before, with StartupTab and VidroLink left idle.
    void expectSuitePutBack() const
    {
        EXPECT_EQ(system.number(RegistryRoot::LocalMachine, kDialog, L"StartupTab"), 0xFFFFFFFFu);
        EXPECT_EQ(system.number(RegistryRoot::LocalMachine, kDialog, L"VidroLink"), 0xFFFFFFFFu);
        EXPECT_EQ(system.text(RegistryRoot::CurrentUser, kFiles, L"Folder"), L"D:\\Album\\");
        EXPECT_EQ(continueFlag, 1);
    }
    FakeSystem system;
    int32_t continueFlag = 1;
};

TEST_F(RegistryRoute, WorkFolderDuringTheRunAndTheOldValuesAfterItInThisOrder)
{
    system.values[{RegistryRoot::LocalMachine, kDialog, L"StartupTab"}] = FakeValue::of(0x101);
    system.profile[{kProfile, L"MainDialog", L"StartupTab"}] = L"3";
    AppSettings settings = settingsFor(90);
    SeenWhileRunning seen;
    watch(system, seen);

    EXPECT_EQ(runHandOff(settings, system, clearFlag(continueFlag)), 1);

    EXPECT_EQ(seen.startupTab, 0x101u);
    EXPECT_EQ(seen.vidroLink, 0xFFFFFFFFu);
    EXPECT_EQ(seen.folderText, L"C:\\TEMP\\~tmp_vxf\\");
    EXPECT_EQ(seen.folderChars, 260u);
    expectSuitePutBack();  // StartupTab idle whatever it was before
    EXPECT_EQ(settings.PathTemp, L"C:\\TEMP\\~tmp_vxf\\");
    EXPECT_EQ(settings.PathSave, L"D:\\Saved");
    EXPECT_EQ(settings.TwainPath, L"C:\\TEMP\\~tmp_vxf\\");
    EXPECT_TRUE(system.messages.empty());
    // The profile is read, never written.
    EXPECT_EQ(system.profileValue(L"MainDialog", L"StartupTab"), L"3");
    EXPECT_EQ(system.profileValue(L"Files", L"Folder"), L"<missing>");
    const std::vector<std::wstring> expected = {
        L"set HKLM StartupTab 0x101",
        L"set HKLM VidroLink 0xFFFFFFFF",
        L"read HKCU Folder 260",
        L"set-string HKCU Folder C:\\TEMP\\~tmp_vxf\\ 260",
        L"read HKLM AppExe 260",
        L"run C:\\Vidro\\VidroLink.exe",
        L"set HKLM StartupTab 0xFFFFFFFF",
        L"set HKLM VidroLink 0xFFFFFFFF",
        L"set-string HKCU Folder D:\\Album\\ 260",
    };
    EXPECT_EQ(registryCalls(), expected);
}

TEST_F(RegistryRoute, SaveAlsoNamesTheSaveFolderWhichLosesItsBackslashAfterwards)
{
    for (const std::wstring& save : {std::wstring(L"D:\\Saved"), std::wstring(L"D:\\Saved\\")}) {
        SCOPED_TRACE(save);
        AppSettings settings = settingsFor(90);
        settings.CehckSeve = 1;
        settings.PathSave = settings.TwainPath = save;
        SeenWhileRunning seen;
        watch(system, seen);
        runHandOff(settings, system, clearFlag(continueFlag));
        EXPECT_EQ(seen.folderText, L"D:\\Saved\\");
        EXPECT_EQ(settings.PathSave, L"D:\\Saved");
        EXPECT_EQ(settings.PathTemp, L"C:\\TEMP\\~tmp_vxf");
        EXPECT_EQ(settings.TwainPath, L"D:\\Saved\\");
        expectSuitePutBack();
    }
}

// --- Failures ----------------------------------------------------------------

TEST_F(RegistryRoute, NoApplicationToStartGives616AndTheSuiteIsStillPutBack)
{
    for (const bool pathMissing : {true, false}) {
        SCOPED_TRACE(pathMissing ? "no AppExe" : "cannot start");
        system = FakeSystem();
        SetUp();
        if (pathMissing)
            system.values.erase({RegistryRoot::LocalMachine, kDialog, L"AppExe"});
        system.startable = pathMissing;
        AppSettings settings = settingsFor(90);
        runHandOff(settings, system, clearFlag(continueFlag));
        EXPECT_TRUE(system.started.empty());
        EXPECT_EQ(system.messages, Messages({{616, 0, pathMissing ? kNotFound : 0}}));
        expectSuitePutBack();
        EXPECT_EQ(settings.PathSave, L"D:\\Saved");
    }
}

TEST_F(RegistryRoute, NoSuiteInstalledGives616OnlyEvenThoughNothingCanBePutBack)
{
    system = FakeSystem();
    AppSettings settings = settingsFor(90);
    runHandOff(settings, system, clearFlag(continueFlag));
    EXPECT_EQ(system.messages, Messages({{616, 0, kNotFound}}));
    EXPECT_TRUE(system.started.empty());
    EXPECT_EQ(continueFlag, 1);
    // The announcement ended at its first step; PathSave was never given a backslash.
    const std::vector<std::wstring> expected = {
        L"set HKLM StartupTab 0x101",
        L"message 616 [2]",
        L"set HKLM StartupTab 0xFFFFFFFF",
        L"set HKLM VidroLink 0xFFFFFFFF",
    };
    EXPECT_EQ(registryCalls(), expected);
}

TEST_F(RegistryRoute, EachAnnouncementStepEndsItWithItsCode)
{
    struct Case {
        std::wstring operation, name;
        size_t callsBeforeRestore;  // announcement calls made, the failing one included
    };
    const Case cases[] = {
        {L"set", L"StartupTab", 1},
        {L"set", L"VidroLink", 2},
        {L"read", L"Folder", 3},
        {L"set-string", L"Folder", 4},
    };
    for (const Case& failing : cases) {
        SCOPED_TRACE(failing.operation + L" " + failing.name);
        system = FakeSystem();
        system.installSuite();
        bool announcing = true;
        system.failure = [&](const std::wstring& operation, RegistryRoot, const std::wstring&,
                             const std::wstring& name) -> long {
            if (announcing && operation == failing.operation && name == failing.name) {
                announcing = false;
                return kAccessDenied;
            }
            return 0;
        };
        AppSettings settings = settingsFor(90);
        runHandOff(settings, system, clearFlag(continueFlag));
        EXPECT_EQ(system.messages, Messages({{616, 0, kAccessDenied}}));
        EXPECT_TRUE(system.started.empty());
        const std::vector<std::wstring> calls = registryCalls();
        ASSERT_GT(calls.size(), failing.callsBeforeRestore);
        EXPECT_EQ(calls[failing.callsBeforeRestore].rfind(L"message 616", 0), 0u);
        // The remembered folder is written back only when it had been read.
        const bool folderRead = failing.callsBeforeRestore >= 4;
        EXPECT_EQ(calls.back().rfind(L"set-string HKCU Folder D:\\Album\\", 0) == 0, folderRead);
        expectSuitePutBack();
    }
}

TEST_F(RegistryRoute, RestoreFailureGives609WithTheSystemCodeAndCancelClearsTheContinueFlag)
{
    for (const int answer : {1 /* IDOK */, kAnswerCancel}) {
        SCOPED_TRACE(answer);
        system = FakeSystem();
        SetUp();
        // The files key disappears while the application runs.
        system.whileRunning = [this] { system.keys.erase({RegistryRoot::CurrentUser, kFiles}); };
        system.answer = answer;
        continueFlag = 1;
        AppSettings settings = settingsFor(90);
        EXPECT_EQ(runHandOff(settings, system, clearFlag(continueFlag)), 1);
        EXPECT_EQ(system.messages, Messages({{609, 1, kNotFound}}));
        EXPECT_EQ(continueFlag, answer == kAnswerCancel ? 0 : 1);
    }
}

TEST_F(RegistryRoute, EveryValueIsPutBackAndTheFirstFailureIsReported)
{
    // StartupTab can never be set: the announcement fails at once, so the
    // restore failure does not show 609 on top of 616.
    system.failure = [](const std::wstring& operation, RegistryRoot, const std::wstring&,
                        const std::wstring& name) -> long {
        return operation == L"set" && name == L"StartupTab" ? kAccessDenied : 0;
    };
    AppSettings settings = settingsFor(90);
    runHandOff(settings, system, clearFlag(continueFlag));
    EXPECT_EQ(system.messages, Messages({{616, 0, kAccessDenied}}));

    // StartupTab fails only when put back: VidroLink and Folder still are.
    system = FakeSystem();
    system.installSuite();
    bool ran = false;
    system.whileRunning = [&] { ran = true; };
    system.failure = [&](const std::wstring& operation, RegistryRoot, const std::wstring&,
                         const std::wstring& name) -> long {
        return ran && operation == L"set" && name == L"StartupTab" ? kAccessDenied : 0;
    };
    settings = settingsFor(90);
    runHandOff(settings, system, clearFlag(continueFlag));
    EXPECT_TRUE(ran);
    EXPECT_EQ(system.messages, Messages({{609, 1, kAccessDenied}}));
    EXPECT_EQ(system.number(RegistryRoot::LocalMachine, kDialog, L"StartupTab"), 0x101u);
    EXPECT_EQ(system.number(RegistryRoot::LocalMachine, kDialog, L"VidroLink"), 0xFFFFFFFFu);
    EXPECT_EQ(system.text(RegistryRoot::CurrentUser, kFiles, L"Folder"), L"D:\\Album\\");
}

}  // namespace
