#include "FakeEnvironment.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

const std::wstring kHome = L"C:\\Program Files\\Vxfsend";
const std::wstring kFilter =
    L"BitMap Files(*.jpg;*.bmp)|*.jpg;*.bmp|JPEG Files(*.jpg)|*.jpg|BMP Files(*.bmp)|*.bmp||";

using Key = std::pair<std::wstring, std::wstring>;

std::vector<Key> writtenKeys(const MemoryProfile& profile)
{
    std::vector<Key> keys;
    for (const auto& w : profile.writes)
        keys.emplace_back(w.section, w.key);
    return keys;
}

const std::vector<Key> kIdentification = {
    {L"General", L"APP_NAME"},
    {L"General", L"APP_VERSION"},
    {L"General", L"TWAIN_NAME"},
    {L"General", L"TWAIN_INI"},
};

// Every key a full save writes, in its order.
const std::vector<Key> kFullSaveKeys = {
    {L"General", L"APP_NAME"},        {L"General", L"APP_VERSION"},
    {L"General", L"TWAIN_NAME"},      {L"General", L"TWAIN_INI"},
    {L"General", L"TabPage"},         {L"General", L"Option"},
    {L"General", L"JpegQualityRes1"}, {L"General", L"JpegQualityRes2"},
    {L"General", L"JpegQualityRes3"}, {L"General", L"JpegQualityThum"},
    {L"General", L"JpegBaseColor"},   {L"General", L"JpegOption"},
    {L"General", L"DebugMode"},       {L"Upload", L"TwainName"},
    {L"Upload", L"TwainIni"},         {L"Upload", L"TwainPath"},
    {L"Upload", L"PathSelect"},       {L"Upload", L"PathTempLog"},
    {L"Upload", L"PathSave"},         {L"Upload", L"Filter"},
    {L"Upload", L"FileTypeIndex"},    {L"Upload", L"CehckSeve"},
    {L"Upload", L"CehckViewMode"},    {L"Upload", L"JpegSize"},
    {L"Upload", L"JpegSizeThum"},     {L"Capture", L"Hotkey"},
    {L"Capture", L"HotkeyModifiers"}, {L"Capture", L"PathCapture"},
    {L"Capture", L"CaptureArea"},     {L"Capture", L"CaptureClipboard"},
};

// What a save without the full-save bit writes, in its order.
const std::vector<Key> kNormalSaveKeys = {
    {L"General", L"APP_NAME"},        {L"General", L"APP_VERSION"},
    {L"General", L"TWAIN_NAME"},      {L"General", L"TWAIN_INI"},
    {L"Upload", L"PathSelect"},       {L"Upload", L"PathTempLog"},
    {L"Upload", L"PathSave"},         {L"Upload", L"FileTypeIndex"},
    {L"Upload", L"CehckSeve"},        {L"Upload", L"CehckViewMode"},
    {L"Upload", L"JpegSize"},         {L"Upload", L"JpegSizeThum"},
    {L"Capture", L"Hotkey"},          {L"Capture", L"HotkeyModifiers"},
    {L"Capture", L"PathCapture"},
};

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

    MemoryProfile profile;
    FakeEnvironment env;
};

// --- Loading: defaults and stored values -----------------------------------

TEST_F(SettingsTest, NoProfileGivesExactlyTheDefaults)
{
    const AppSettings s = load();
    EXPECT_EQ(s.TabPage, 0);
    EXPECT_EQ(s.Option, 0);
    EXPECT_EQ(s.JpegQualityRes1, 35);
    EXPECT_EQ(s.JpegQualityRes2, 25);
    EXPECT_EQ(s.JpegQualityRes3, 4);
    EXPECT_EQ(s.JpegQualityThum, 10);
    EXPECT_EQ(s.JpegBaseColor, 0);
    EXPECT_EQ(s.JpegOption, 0);
    EXPECT_EQ(s.DebugMode, 0);
    EXPECT_EQ(s.TwainName, L"ORVEN KX-40");
    EXPECT_EQ(s.TwainIni, L"Vidro!3.ini");
    EXPECT_EQ(s.TwainPath, L"");
    EXPECT_EQ(s.PathSelect, kHome);
    EXPECT_EQ(s.PathTemp, L"C:\\TEMP\\~tmp_vxf");
    EXPECT_EQ(s.PathSave, kHome);
    EXPECT_EQ(s.Filter, kFilter);
    EXPECT_EQ(s.FileTypeIndex, 0);
    EXPECT_EQ(s.CehckSeve, 0);
    EXPECT_EQ(s.CehckViewMode, 1);
    EXPECT_EQ(s.JpegSize, 41943520);
    EXPECT_EQ(s.JpegSizeThum, 5242940);
    EXPECT_EQ(s.Hotkey, 116);
    EXPECT_EQ(s.HotkeyModifiers, 0);
    EXPECT_EQ(s.PathCapture, kHome);
    EXPECT_EQ(s.CaptureArea, 0);
    EXPECT_EQ(s.CaptureClipboard, 0);
    EXPECT_EQ(s.cameraCode, 90);
    EXPECT_EQ(s.previousCameraCode, 90);
    EXPECT_EQ(s.cameraName, L"ORVEN KX-ORIN");
    // Empty folders are replaced without entering them.
    EXPECT_TRUE(env.attempts.empty());
    EXPECT_EQ(env.current, L"C:\\Start");
}

TEST_F(SettingsTest, PackedDefaultSizesAreVgaAndSmallThumbnail)
{
    const AppSettings s = load();
    EXPECT_EQ(static_cast<uint32_t>(s.JpegSize), 0x028001E0u);
    EXPECT_EQ(static_cast<uint32_t>(s.JpegSize) >> 16, 640u);
    EXPECT_EQ(static_cast<uint32_t>(s.JpegSize) & 0xFFFF, 480u);
    EXPECT_EQ(static_cast<uint32_t>(s.JpegSizeThum) >> 16, 80u);
    EXPECT_EQ(static_cast<uint32_t>(s.JpegSizeThum) & 0xFFFF, 60u);
}

TEST_F(SettingsTest, EveryKeyIsReadUnderItsOwnName)
{
    const std::vector<std::pair<Key, std::wstring>> stored = {
        {{L"General", L"TabPage"}, L"1"},
        {{L"General", L"Option"}, L"2"},
        {{L"General", L"JpegQualityRes1"}, L"3"},
        {{L"General", L"JpegQualityRes2"}, L"4"},
        {{L"General", L"JpegQualityRes3"}, L"5"},
        {{L"General", L"JpegQualityThum"}, L"6"},
        {{L"General", L"JpegBaseColor"}, L"7"},
        {{L"General", L"JpegOption"}, L"8"},
        {{L"General", L"DebugMode"}, L"1090"},
        {{L"Upload", L"TwainName"}, L"Cam"},
        {{L"Upload", L"TwainIni"}, L"Other.ini"},
        {{L"Upload", L"TwainPath"}, L"D:\\Out"},
        {{L"Upload", L"PathSelect"}, L"C:\\Pictures"},
        {{L"Upload", L"PathTemp"}, L"D:\\Work"},
        {{L"Upload", L"PathSave"}, L"D:\\Saved"},
        {{L"Upload", L"Filter"}, L"All|*.*||"},
        {{L"Upload", L"FileTypeIndex"}, L"9"},
        {{L"Upload", L"CehckSeve"}, L"1"},
        {{L"Upload", L"CehckViewMode"}, L"0"},
        {{L"Upload", L"JpegSize"}, L"104858800"},
        {{L"Upload", L"JpegSizeThum"}, L"10485880"},
        {{L"Capture", L"Hotkey"}, L"117"},
        {{L"Capture", L"HotkeyModifiers"}, L"3"},
        {{L"Capture", L"PathCapture"}, L"C:\\Captures"},
        {{L"Capture", L"CaptureArea"}, L"2"},
        {{L"Capture", L"CaptureClipboard"}, L"1"},
    };
    for (const auto& kv : stored)
        profile.putString(kv.first.first, kv.first.second, kv.second);

    const AppSettings s = load();
    EXPECT_EQ(s.TabPage, 1);
    EXPECT_EQ(s.Option, 2);
    EXPECT_EQ(s.JpegQualityRes1, 3);
    EXPECT_EQ(s.JpegQualityRes2, 4);
    EXPECT_EQ(s.JpegQualityRes3, 5);
    EXPECT_EQ(s.JpegQualityThum, 6);
    EXPECT_EQ(s.JpegBaseColor, 7);
    EXPECT_EQ(s.JpegOption, 8);
    EXPECT_EQ(s.DebugMode, 1090);
    EXPECT_EQ(s.TwainName, L"Cam");
    EXPECT_EQ(s.TwainIni, L"Other.ini");
    EXPECT_EQ(s.TwainPath, L"D:\\Out");
    EXPECT_EQ(s.PathSelect, L"C:\\Pictures");
    EXPECT_EQ(s.PathTemp, L"D:\\Work");
    EXPECT_EQ(s.PathSave, L"D:\\Saved");
    EXPECT_EQ(s.Filter, L"All|*.*||");
    EXPECT_EQ(s.FileTypeIndex, 9);
    EXPECT_EQ(s.CehckSeve, 1);
    EXPECT_EQ(s.CehckViewMode, 0);
    EXPECT_EQ(s.JpegSize, 104858800);
    EXPECT_EQ(s.JpegSizeThum, 10485880);
    EXPECT_EQ(s.Hotkey, 117);
    EXPECT_EQ(s.HotkeyModifiers, 3);
    EXPECT_EQ(s.PathCapture, L"C:\\Captures");
    EXPECT_EQ(s.CaptureArea, 2);
    EXPECT_EQ(s.CaptureClipboard, 1);
}

TEST_F(SettingsTest, CorrectlySpelledCheckKeysAreNotOurs)
{
    // Existing profiles carry the historic spelling; the right one is ignored.
    profile.putString(L"Upload", L"CheckSave", L"1");
    profile.putString(L"Upload", L"CheckViewMode", L"0");
    const AppSettings s = load();
    EXPECT_EQ(s.CehckSeve, 0);
    EXPECT_EQ(s.CehckViewMode, 1);
}

TEST_F(SettingsTest, CameraIsResetAtEveryStart)
{
    AppSettings s;
    s.cameraCode = 52;
    s.previousCameraCode = 82;
    s.cameraName = L"ORVEN KX-10";
    loadSettings(profile, env, s);
    EXPECT_EQ(s.cameraCode, 90);
    EXPECT_EQ(s.cameraName, L"ORVEN KX-ORIN");
}

// --- Derived folders ------------------------------------------------------

TEST_F(SettingsTest, WorkFolderGetsABackslashWhenTheTemporaryFolderLacksOne)
{
    env.temp = L"C:\\WINDOWS";
    EXPECT_EQ(load().PathTemp, L"C:\\WINDOWS\\~tmp_vxf");
}

TEST_F(SettingsTest, HandWrittenPathTempIsTakenAsItIs)
{
    profile.putString(L"Upload", L"PathTemp", L"E:\\nowhere\\");
    EXPECT_EQ(load().PathTemp, L"E:\\nowhere\\");
    EXPECT_TRUE(env.attempts.empty());  // not entered
}

TEST_F(SettingsTest, UnknownExecutableFolderFallsBackToTheStartDirectory)
{
    env.exePath.clear();
    const AppSettings s = load();
    EXPECT_EQ(s.PathSave, L"C:\\Start");
    EXPECT_EQ(s.PathSelect, L"C:\\Start");
    EXPECT_EQ(s.PathCapture, L"C:\\Start");
}

TEST_F(SettingsTest, ProgramFolderHasNoTrailingBackslashEvenAtTheRoot)
{
    env.exePath = L"D:\\Vxfsend.exe";
    EXPECT_EQ(load().PathSave, L"D:");
    EXPECT_EQ(folderOfPath(L"C:\\a\\b\\c.exe"), L"C:\\a\\b");
    EXPECT_EQ(folderOfPath(L"c.exe"), L"");
}

TEST_F(SettingsTest, RemovedCaptureFolderIsReplacedAndTheReplacementSaved)
{
    profile.putString(L"Capture", L"PathCapture", L"C:\\Gone");
    const AppSettings s = load();
    EXPECT_EQ(s.PathCapture, kHome);
    save(s);
    EXPECT_EQ(profile.value(L"Capture", L"PathCapture"), kHome);
}

TEST_F(SettingsTest, CurrentDirectoryEndsAtPathSelectEnteredAfterPathCapture)
{
    profile.putString(L"Capture", L"PathCapture", L"C:\\Captures");
    profile.putString(L"Upload", L"PathSelect", L"C:\\Pictures");
    load();
    EXPECT_EQ(env.attempts, (std::vector<std::wstring>{L"C:\\Captures", L"C:\\Pictures"}));
    EXPECT_EQ(env.current, L"C:\\Pictures");
}

TEST_F(SettingsTest, MissingPathSelectLeavesTheCaptureFolderCurrent)
{
    profile.putString(L"Capture", L"PathCapture", L"C:\\Captures");
    profile.putString(L"Upload", L"PathSelect", L"C:\\Gone");
    const AppSettings s = load();
    EXPECT_EQ(s.PathSelect, kHome);
    EXPECT_EQ(env.current, L"C:\\Captures");
}

TEST_F(SettingsTest, PathSaveIsNotChecked)
{
    profile.putString(L"Upload", L"PathSave", L"Q:\\does not exist");
    EXPECT_EQ(load().PathSave, L"Q:\\does not exist");
}

// --- Saving ---------------------------------------------------------------

TEST_F(SettingsTest, NormalSaveWritesOnlyTheAlwaysKeysInOrder)
{
    save(load());
    EXPECT_EQ(writtenKeys(profile), kNormalSaveKeys);
}

TEST_F(SettingsTest, FullSaveWritesEveryKeyInOrder)
{
    profile.putString(L"General", L"DebugMode", L"1");
    save(load());
    EXPECT_EQ(writtenKeys(profile), kFullSaveKeys);
}

TEST_F(SettingsTest, IdentificationKeysComeFromTheStringTable)
{
    save(load());
    const std::vector<Key> keys = writtenKeys(profile);
    ASSERT_GE(keys.size(), 4u);
    EXPECT_EQ(std::vector<Key>(keys.begin(), keys.begin() + 4), kIdentification);
    EXPECT_EQ(profile.value(L"General", L"APP_NAME"), L"ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3");
    EXPECT_EQ(profile.value(L"General", L"APP_VERSION"), L"V1.30J");
    EXPECT_EQ(profile.value(L"General", L"TWAIN_NAME"), L"ORVEN KX-40");
    EXPECT_EQ(profile.value(L"General", L"TWAIN_INI"), L"Vidro!3.ini");
}

TEST_F(SettingsTest, IdentificationKeysAreNeverReadBack)
{
    profile.putString(L"General", L"TWAIN_NAME", L"Someone else");
    profile.putString(L"General", L"TWAIN_INI", L"other.ini");
    const AppSettings s = load();
    EXPECT_EQ(s.TwainName, L"ORVEN KX-40");
    EXPECT_EQ(s.TwainIni, L"Vidro!3.ini");
}

TEST_F(SettingsTest, QualityEditedByHandSurvivesANormalRun)
{
    profile.putString(L"General", L"JpegQualityRes1", L"80");
    AppSettings s = load();
    s.JpegQualityRes1 = 12;  // whatever the run did with its copy
    s.JpegQualityThum = 40;
    save(s);
    EXPECT_EQ(profile.value(L"General", L"JpegQualityRes1"), L"80");
    EXPECT_FALSE(profile.contains(L"General", L"JpegQualityThum"));
}

TEST_F(SettingsTest, DebugModeOneRewritesEveryKey)
{
    profile.putString(L"General", L"DebugMode", L"1");
    profile.putString(L"General", L"JpegQualityRes1", L"80");
    AppSettings s = load();
    s.JpegQualityRes1 = 12;
    save(s);
    EXPECT_EQ(profile.value(L"General", L"JpegQualityRes1"), L"12");
    EXPECT_EQ(profile.value(L"General", L"DebugMode"), L"1");
    EXPECT_EQ(profile.value(L"Upload", L"Filter"), kFilter);
    EXPECT_EQ(profile.value(L"Capture", L"CaptureClipboard"), L"0");
}

TEST_F(SettingsTest, FullSaveFollowsDebugModeAsTheWindowLeftIt)
{
    AppSettings s = load();
    s.DebugMode = 0x41;  // switched on during the run
    save(s);
    EXPECT_EQ(writtenKeys(profile), kFullSaveKeys);

    profile.putString(L"General", L"DebugMode", L"1");
    s = load();
    s.DebugMode = 0x40;  // and off again
    save(s);
    EXPECT_EQ(writtenKeys(profile), kNormalSaveKeys);
}

TEST_F(SettingsTest, OtherDebugBitsDoNotSelectTheFullSave)
{
    profile.putString(L"General", L"DebugMode", L"1790");  // 0x6FE: every bit but 0x01
    save(load());
    EXPECT_EQ(writtenKeys(profile), kNormalSaveKeys);
}

TEST_F(SettingsTest, WorkFolderIsSavedAsPathTempLogOnly)
{
    AppSettings s = load();
    save(s);
    EXPECT_FALSE(profile.contains(L"Upload", L"PathTemp"));
    EXPECT_EQ(profile.value(L"Upload", L"PathTempLog"), L"C:\\TEMP\\~tmp_vxf");
}

TEST_F(SettingsTest, HandWrittenPathTempServesEveryLaterRun)
{
    profile.putString(L"Upload", L"PathTemp", L"D:\\Work");
    for (int run = 0; run < 3; ++run) {
        const AppSettings s = load();
        EXPECT_EQ(s.PathTemp, L"D:\\Work");
        save(s);
        EXPECT_EQ(profile.value(L"Upload", L"PathTemp"), L"D:\\Work");
        EXPECT_EQ(profile.value(L"Upload", L"PathTempLog"), L"D:\\Work");
    }
}

TEST_F(SettingsTest, SavedRecordLoadsBackUnchanged)
{
    profile.putString(L"General", L"DebugMode", L"1");
    AppSettings s = load();
    s.TabPage = 1;
    s.JpegSize = 0x064004B0;
    s.Hotkey = 120;
    s.HotkeyModifiers = 6;
    s.PathSelect = L"C:\\Pictures";
    s.TwainPath = L"C:\\TEMP\\~tmp_vxf";
    save(s);
    const AppSettings again = load();
    EXPECT_EQ(again.TabPage, 1);
    EXPECT_EQ(again.JpegSize, 0x064004B0);
    EXPECT_EQ(again.Hotkey, 120);
    EXPECT_EQ(again.HotkeyModifiers, 6);
    EXPECT_EQ(again.PathSelect, L"C:\\Pictures");
    EXPECT_EQ(again.TwainPath, L"C:\\TEMP\\~tmp_vxf");
    EXPECT_EQ(again.PathTemp, s.PathTemp);
}

// --- Bad profiles ---------------------------------------------------------

TEST_F(SettingsTest, GarbageNumbersGiveDefaultsAndLoseNothingElse)
{
    profile.putString(L"General", L"JpegQualityRes1", L"abc");
    profile.putString(L"General", L"JpegQualityRes2", L"12abc");
    profile.putString(L"General", L"JpegQualityRes3", L"99999999999");
    profile.putString(L"General", L"DebugMode", L"0x01");
    profile.putString(L"Upload", L"JpegSize", L"");
    profile.putString(L"Upload", L"CehckViewMode", L"-");
    profile.putString(L"Capture", L"Hotkey", L"F5");
    profile.putString(L"Upload", L"TwainName", L"Kept");
    profile.putString(L"Other", L"Foreign", L"untouched");

    const AppSettings s = load();
    EXPECT_EQ(s.JpegQualityRes1, 35);
    EXPECT_EQ(s.JpegQualityRes2, 25);
    EXPECT_EQ(s.JpegQualityRes3, 4);
    EXPECT_EQ(s.DebugMode, 0);
    EXPECT_EQ(s.JpegSize, 41943520);
    EXPECT_EQ(s.CehckViewMode, 1);
    EXPECT_EQ(s.Hotkey, 116);
    EXPECT_EQ(s.TwainName, L"Kept");

    save(s);
    // Keys of a full save are not touched by a normal one, garbage included.
    EXPECT_EQ(profile.value(L"General", L"JpegQualityRes1"), L"abc");
    EXPECT_EQ(profile.value(L"Upload", L"TwainName"), L"Kept");
    EXPECT_EQ(profile.value(L"Other", L"Foreign"), L"untouched");
    // Keys saved always now hold a usable number.
    EXPECT_EQ(profile.value(L"Upload", L"JpegSize"), L"41943520");
    EXPECT_EQ(profile.value(L"Capture", L"Hotkey"), L"116");
}

TEST_F(SettingsTest, OverLongTextsAreCutAt4096Characters)
{
    const std::wstring longPath = L"C:\\" + std::wstring(5000, L'a');
    profile.putString(L"Upload", L"TwainPath", longPath);
    profile.putString(L"Upload", L"PathSave", longPath);
    profile.putString(L"Upload", L"PathTemp", longPath);
    const AppSettings s = load();
    EXPECT_EQ(s.TwainPath, longPath.substr(0, 4096));
    EXPECT_EQ(s.PathSave, longPath.substr(0, 4096));
    EXPECT_EQ(s.PathTemp, longPath.substr(0, 4096));
}

TEST_F(SettingsTest, OverLongFoldersThatCannotBeEnteredBecomeTheProgramFolder)
{
    const std::wstring longPath = L"C:\\" + std::wstring(70000, L'b');
    profile.putString(L"Upload", L"PathSelect", longPath);
    profile.putString(L"Capture", L"PathCapture", longPath);
    const AppSettings s = load();
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

}  // namespace
