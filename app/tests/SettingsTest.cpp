#include "app/Settings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::wstring kHome = L"C:\\Program Files\\Vxfsend";
const std::wstring kFilter =
    L"BitMap Files(*.jpg;*.bmp)|*.jpg;*.bmp|JPEG Files(*.jpg)|*.jpg|BMP Files(*.bmp)|*.bmp||";

// A system for the settings rules: a fixed executable path, a set of
// existing folders and a string table, recording every directory change.
struct FakeEnvironment : SettingsEnvironment {
    std::wstring executablePath() override { return exePath; }
    std::wstring startDirectory() override { return L"C:\\Start"; }
    bool setCurrentDirectory(const std::wstring& path) override
    {
        attempts.push_back(path);
        if (folders.count(path) != 0)
            current = path;
        return folders.count(path) != 0;
    }
    std::wstring temporaryFolder() override { return temp; }
    std::wstring loadString(unsigned id) override { return strings.count(id) ? strings[id] : L""; }

    std::wstring exePath = kHome + L"\\Vxfsend.exe", temp = L"C:\\TEMP\\", current = L"C:\\Start";
    std::set<std::wstring> folders = {kHome, L"C:\\Start", L"C:\\Pictures", L"C:\\Captures"};
    std::map<unsigned, std::wstring> strings = {{102, L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3"},
                                                {103, L"V1.30J"},
                                                {104, L"ORVEN KX-40"},
                                                {105, L"Vidro!3.ini"},
                                                {204, L"ORVEN KX-ORIN"},
                                                {510, kFilter}};
    std::vector<std::wstring> attempts;
};

using Key = std::pair<std::wstring, std::wstring>;
using Fields = std::vector<std::pair<Key, std::wstring>>;

// Every profile field of the record, as text, under the key it is read from.
Fields fields(const AppSettings& s)
{
    auto n = [](int32_t v) { return std::to_wstring(v); };
    return {{{L"General", L"TabPage"}, n(s.TabPage)},
            {{L"General", L"Option"}, n(s.Option)},
            {{L"General", L"JpegQualityRes1"}, n(s.JpegQualityRes1)},
            {{L"General", L"JpegQualityRes2"}, n(s.JpegQualityRes2)},
            {{L"General", L"JpegQualityRes3"}, n(s.JpegQualityRes3)},
            {{L"General", L"JpegQualityThum"}, n(s.JpegQualityThum)},
            {{L"General", L"JpegBaseColor"}, n(s.JpegBaseColor)},
            {{L"General", L"JpegOption"}, n(s.JpegOption)},
            {{L"General", L"DebugMode"}, n(s.DebugMode)},
            {{L"Upload", L"TwainName"}, s.TwainName},
            {{L"Upload", L"TwainIni"}, s.TwainIni},
            {{L"Upload", L"TwainPath"}, s.TwainPath},
            {{L"Upload", L"PathSelect"}, s.PathSelect},
            {{L"Upload", L"PathTemp"}, s.PathTemp},
            {{L"Upload", L"PathSave"}, s.PathSave},
            {{L"Upload", L"Filter"}, s.Filter},
            {{L"Upload", L"FileTypeIndex"}, n(s.FileTypeIndex)},
            {{L"Upload", L"CehckSeve"}, n(s.CehckSeve)},
            {{L"Upload", L"CehckViewMode"}, n(s.CehckViewMode)},
            {{L"Upload", L"JpegSize"}, n(s.JpegSize)},
            {{L"Upload", L"JpegSizeThum"}, n(s.JpegSizeThum)},
            {{L"Capture", L"Hotkey"}, n(s.Hotkey)},
            {{L"Capture", L"HotkeyModifiers"}, n(s.HotkeyModifiers)},
            {{L"Capture", L"PathCapture"}, s.PathCapture},
            {{L"Capture", L"CaptureArea"}, n(s.CaptureArea)},
            {{L"Capture", L"CaptureClipboard"}, n(s.CaptureClipboard)}};
}

std::vector<Key> writtenKeys(const MemoryProfile& profile)
{
    std::vector<Key> keys;
    for (const auto& w : profile.writes)
        keys.emplace_back(w.section, w.key);
    return keys;
}

std::vector<Key> keys(const wchar_t* section, std::initializer_list<const wchar_t*> names)
{
    std::vector<Key> out;
    for (const wchar_t* name : names)
        out.emplace_back(section, name);
    return out;
}

std::vector<Key> operator+(std::vector<Key> a, const std::vector<Key>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The keys of a full save and of a normal one, in their order.
const std::vector<Key> kFullSaveKeys =
    keys(L"General", {L"APP_NAME", L"APP_VERSION", L"TWAIN_NAME", L"TWAIN_INI", L"TabPage",
                      L"Option", L"JpegQualityRes1", L"JpegQualityRes2", L"JpegQualityRes3",
                      L"JpegQualityThum", L"JpegBaseColor", L"JpegOption", L"DebugMode"}) +
    keys(L"Upload", {L"TwainName", L"TwainIni", L"TwainPath", L"PathSelect", L"PathTempLog",
                     L"PathSave", L"Filter", L"FileTypeIndex", L"CehckSeve", L"CehckViewMode",
                     L"JpegSize", L"JpegSizeThum"}) +
    keys(L"Capture",
         {L"Hotkey", L"HotkeyModifiers", L"PathCapture", L"CaptureArea", L"CaptureClipboard"});
const std::vector<Key> kNormalSaveKeys =
    keys(L"General", {L"APP_NAME", L"APP_VERSION", L"TWAIN_NAME", L"TWAIN_INI"}) +
    keys(L"Upload", {L"PathSelect", L"PathTempLog", L"PathSave", L"FileTypeIndex", L"CehckSeve",
                     L"CehckViewMode", L"JpegSize", L"JpegSizeThum"}) +
    keys(L"Capture", {L"Hotkey", L"HotkeyModifiers", L"PathCapture"});

class SettingsTest : public ::testing::Test {
protected:
    AppSettings load()
    {
        AppSettings settings;
        loadSettings(profile, env, settings);
        return settings;
    }
    void save(const AppSettings& settings)
    {
        profile.writes.clear();
        saveSettings(profile, env, settings);
    }
    void put(const std::vector<std::pair<Key, std::wstring>>& entries)
    {
        for (const auto& e : entries)
            profile.putString(e.first.first, e.first.second, e.second);
    }

    MemoryProfile profile;
    FakeEnvironment env;
};

// --- Loading ---------------------------------------------------------------

TEST_F(SettingsTest, NoProfileGivesTheDefaultsWithoutEnteringAFolder)
{
    AppSettings d;
    d.TwainName = L"ORVEN KX-40";
    d.TwainIni = L"Vidro!3.ini";
    d.PathSelect = d.PathSave = d.PathCapture = kHome;
    d.PathTemp = L"C:\\TEMP\\~tmp_vxf";
    d.Filter = kFilter;
    const AppSettings s = load();
    EXPECT_EQ(fields(s), fields(d));
    EXPECT_EQ(s.cameraCode, 90);
    EXPECT_EQ(s.previousCameraCode, 90);
    EXPECT_EQ(s.cameraName, L"ORVEN KX-ORIN");
    EXPECT_TRUE(env.attempts.empty());
    EXPECT_EQ(env.current, L"C:\\Start");
}

// With the key lists below this proves every key is read under the name it
// is written; PathTemp, saved under another name, is tested on its own.
TEST_F(SettingsTest, FullSaveOfEveryFieldLoadsBackUnchanged)
{
    profile.putString(L"General", L"JpegQualityRes1", L"80");
    AppSettings s = load();
    int32_t n = 2;
    for (int32_t AppSettings::*m :
         {&AppSettings::TabPage, &AppSettings::Option, &AppSettings::JpegQualityRes1,
          &AppSettings::JpegQualityRes2, &AppSettings::JpegQualityRes3,
          &AppSettings::JpegQualityThum, &AppSettings::JpegBaseColor, &AppSettings::JpegOption,
          &AppSettings::DebugMode, &AppSettings::FileTypeIndex, &AppSettings::CehckSeve,
          &AppSettings::CehckViewMode, &AppSettings::JpegSize, &AppSettings::JpegSizeThum,
          &AppSettings::Hotkey, &AppSettings::HotkeyModifiers, &AppSettings::CaptureArea,
          &AppSettings::CaptureClipboard})
        s.*m = n += 2;
    s.DebugMode = 1091;  // the full save
    s.TwainName = L"Cam";
    s.TwainIni = L"Other.ini";
    s.TwainPath = L"D:\\Out";
    s.PathSelect = L"C:\\Pictures";
    s.PathSave = L"D:\\Saved";
    s.Filter = L"All|*.*||";
    s.PathCapture = L"C:\\Captures";
    save(s);
    EXPECT_EQ(fields(load()), fields(s));
}

TEST_F(SettingsTest, KeysThatAreNotOursAreNeverRead)
{
    // Existing profiles carry the historic spelling; the right one is ignored.
    // The identification keys are written for others, never read back.
    put({{{L"Upload", L"CheckSave"}, L"1"},
         {{L"Upload", L"CheckViewMode"}, L"0"},
         {{L"General", L"TWAIN_NAME"}, L"Someone else"},
         {{L"General", L"TWAIN_INI"}, L"other.ini"}});
    AppSettings s;
    s.cameraCode = 52;  // the camera is reset at every start
    s.cameraName = L"ORVEN KX-10";
    loadSettings(profile, env, s);
    EXPECT_EQ(s.CehckSeve, 0);
    EXPECT_EQ(s.CehckViewMode, 1);
    EXPECT_EQ(s.TwainName, L"ORVEN KX-40");
    EXPECT_EQ(s.TwainIni, L"Vidro!3.ini");
    EXPECT_EQ(s.cameraCode, 90);
    EXPECT_EQ(s.cameraName, L"ORVEN KX-ORIN");
}

// --- Derived folders and the current directory -------------------------------

TEST_F(SettingsTest, FoldersAndTheDirectoryLeftCurrent)
{
    const struct Case {
        const char* name;
        Fields stored;
        std::wstring exePath, temp;
        std::wstring select, capture, save, work;
        std::vector<std::wstring> attempts;
        std::wstring current;
    } cases[] = {
        {"temporary folder without backslash",
         {},
         env.exePath,
         L"C:\\WINDOWS",
         kHome,
         kHome,
         kHome,
         L"C:\\WINDOWS\\~tmp_vxf",
         {},
         L"C:\\Start"},
        {"unknown program folder",
         {},
         L"",
         env.temp,
         L"C:\\Start",
         L"C:\\Start",
         L"C:\\Start",
         L"C:\\TEMP\\~tmp_vxf",
         {},
         L"C:\\Start"},
        {"program at a drive root",
         {},
         L"D:\\Vxfsend.exe",
         env.temp,
         L"D:",
         L"D:",
         L"D:",
         L"C:\\TEMP\\~tmp_vxf",
         {},
         L"C:\\Start"},
        {"select entered after capture",
         {{{L"Capture", L"PathCapture"}, L"C:\\Captures"},
          {{L"Upload", L"PathSelect"}, L"C:\\Pictures"}},
         env.exePath,
         env.temp,
         L"C:\\Pictures",
         L"C:\\Captures",
         kHome,
         L"C:\\TEMP\\~tmp_vxf",
         {L"C:\\Captures", L"C:\\Pictures"},
         L"C:\\Pictures"},
        {"missing select leaves capture current",
         {{{L"Capture", L"PathCapture"}, L"C:\\Captures"},
          {{L"Upload", L"PathSelect"}, L"C:\\Gone"}},
         env.exePath,
         env.temp,
         kHome,
         L"C:\\Captures",
         kHome,
         L"C:\\TEMP\\~tmp_vxf",
         {L"C:\\Captures", L"C:\\Gone"},
         L"C:\\Captures"},
        {"hand-written work folder and save folder are not checked",
         {{{L"Upload", L"PathTemp"}, L"E:\\nowhere\\"}, {{L"Upload", L"PathSave"}, L"Q:\\none"}},
         env.exePath,
         env.temp,
         kHome,
         kHome,
         L"Q:\\none",
         L"E:\\nowhere\\",
         {},
         L"C:\\Start"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryProfile fresh;
        FakeEnvironment e;
        e.exePath = c.exePath;
        e.temp = c.temp;
        for (const auto& kv : c.stored)
            fresh.putString(kv.first.first, kv.first.second, kv.second);
        AppSettings s;
        loadSettings(fresh, e, s);
        EXPECT_EQ(s.PathSelect, c.select);
        EXPECT_EQ(s.PathCapture, c.capture);
        EXPECT_EQ(s.PathSave, c.save);
        EXPECT_EQ(s.PathTemp, c.work);
        EXPECT_EQ(e.attempts, c.attempts);
        EXPECT_EQ(e.current, c.current);
    }
    EXPECT_EQ(folderOfPath(L"C:\\a\\b\\c.exe"), L"C:\\a\\b");
    EXPECT_EQ(folderOfPath(L"c.exe"), L"");
}

// --- Saving ----------------------------------------------------------------

// Only the DebugMode bit 0x01 as the run leaves it selects the full save.
TEST_F(SettingsTest, DebugModeAsTheRunLeftItSelectsTheKeysWritten)
{
    const struct {
        const wchar_t* stored;
        int32_t duringRun;  // -1: unchanged
        bool full;
    } cases[] = {{nullptr, -1, false},
                 {L"1", -1, true},
                 {L"1790", -1, false},
                 {nullptr, 0x41, true},
                 {L"1", 0x40, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.stored ? c.stored : L"none") << " " << c.duringRun);
        profile = MemoryProfile();
        if (c.stored != nullptr)
            profile.putString(L"General", L"DebugMode", c.stored);
        AppSettings s = load();
        if (c.duringRun >= 0)
            s.DebugMode = c.duringRun;
        save(s);
        EXPECT_EQ(writtenKeys(profile), c.full ? kFullSaveKeys : kNormalSaveKeys);
    }
}

TEST_F(SettingsTest, WorkFolderIsSavedAsPathTempLogAndAHandWrittenOneStays)
{
    save(load());
    EXPECT_FALSE(profile.contains(L"Upload", L"PathTemp"));
    EXPECT_EQ(profile.value(L"Upload", L"PathTempLog"), L"C:\\TEMP\\~tmp_vxf");
    profile.putString(L"Upload", L"PathTemp", L"D:\\Work");
    for (int run = 0; run < 2; ++run) {
        const AppSettings s = load();
        EXPECT_EQ(s.PathTemp, L"D:\\Work");
        save(s);
        EXPECT_EQ(profile.value(L"Upload", L"PathTemp"), L"D:\\Work");
        EXPECT_EQ(profile.value(L"Upload", L"PathTempLog"), L"D:\\Work");
    }
}

// --- Bad profiles: garbage numbers are below and under Wine -------------------

TEST_F(SettingsTest, OverLongTextsAreCutAt4096AndUnenterableFoldersReplaced)
{
    const std::wstring longPath = L"C:\\" + std::wstring(5000, L'a');
    const std::wstring longer = L"C:\\" + std::wstring(70000, L'b');
    put({{{L"Upload", L"TwainPath"}, longPath},
         {{L"Upload", L"PathSave"}, longPath},
         {{L"Upload", L"PathTemp"}, longPath},
         {{L"Upload", L"PathSelect"}, longer},
         {{L"Capture", L"PathCapture"}, longer}});
    const AppSettings s = load();
    EXPECT_EQ(s.TwainPath, longPath.substr(0, 4096));
    EXPECT_EQ(s.PathSave, longPath.substr(0, 4096));
    EXPECT_EQ(s.PathTemp, longPath.substr(0, 4096));
    EXPECT_EQ(s.PathSelect, kHome);
    EXPECT_EQ(s.PathCapture, kHome);
    // The folders are tried with the text as it was read.
    ASSERT_EQ(env.attempts.size(), 2u);
    EXPECT_EQ(env.attempts[0].size(), 4096u);
}

TEST_F(SettingsTest, MissingStringTableGivesEmptyTextsButNoFailure)
{
    env.strings.clear();
    const AppSettings s = load();
    EXPECT_EQ(s.TwainName, L"");
    EXPECT_EQ(s.Filter, L"");
    EXPECT_EQ(s.cameraName, L"");
    save(s);
    EXPECT_EQ(profile.value(L"General", L"APP_NAME"), L"");
}

// --- Numbers in the profile --------------------------------------------------

TEST(ProfileInt, ParsedOrFallback)
{
    const struct {
        const wchar_t* text;
        int32_t expected;
    } cases[] = {
        {L"0", 0},
        {L"116", 116},
        {L"-5", -5},
        {L"+5", 5},
        {L"007", 7},
        {L"  42", 42},
        {L"42 \t", 42},
        {L"2147483647", 2147483647},
        {L"-2147483648", INT32_MIN},
        {L"4294967295", -1},  // unsigned packed sizes wrap into the 32-bit field
        {L"-2147483649", 35},
        {L"4294967296", 35},
        {L"99999999999999999999999999", 35},
        {L"", 35},
        {L" ", 35},
        {L"-", 35},
        {L"+", 35},
        {L"abc", 35},
        {L"12abc", 35},
        {L"1 2", 35},
        {L"0x10", 35},
        {L"1.5", 35},
        {L"--1", 35},
        {L"１２", 35},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseProfileInt(c.text, 35), c.expected)
            << testing::PrintToString(std::wstring(c.text));
}

}  // namespace
