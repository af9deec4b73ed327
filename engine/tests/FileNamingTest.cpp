#include "FileNaming.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// --- Names ----------------------------------------------------------------

TEST(CameraNames, MonthDayAndFourDigits)
{
    EXPECT_EQ(cameraPictureName(8, 24, 3), L"08240003.jpg");
    EXPECT_EQ(cameraSoundName(8, 24, 3), L"08240003.wav");
    EXPECT_EQ(cameraPictureName(12, 31, 1000), L"12311000.jpg");
    EXPECT_EQ(cameraPictureName(1, 1, 1), L"01010001.jpg");
    EXPECT_EQ(cameraNamePrefix(8, 4), L"0804");
}

TEST(CameraNames, NumbersBeyondFourDigitsGrow)
{
    EXPECT_EQ(cameraPictureName(8, 24, 12345), L"082412345.jpg");
    EXPECT_EQ(cameraPictureName(8, 24, 4294967295u), L"08244294967295.jpg");
}

TEST(CameraNames, JoinedWithOneBackslash)
{
    EXPECT_EQ(joinFolder(L"C:\\Temp\\~tmp_vxf", L"08240001.jpg"), L"C:\\Temp\\~tmp_vxf\\08240001.jpg");
    EXPECT_EQ(joinFolder(L"C:\\Temp\\~tmp_vxf\\", L"08240001.jpg"), L"C:\\Temp\\~tmp_vxf\\08240001.jpg");
    EXPECT_EQ(joinFolder(L"C:\\", L"a.jpg"), L"C:\\a.jpg");
    // Only one trailing backslash is removed.
    EXPECT_EQ(joinFolder(L"C:\\x\\\\", L"a.jpg"), L"C:\\x\\\\a.jpg");
}

// --- Splitting paths ------------------------------------------------------

TEST(SplitFolderPath, ParentEndsInItsSeparator)
{
    SplitPath s = splitFolderPath(L"C:\\a\\b");
    EXPECT_EQ(s.parent, L"C:\\a\\");
    EXPECT_EQ(s.name, L"b");
    s = splitFolderPath(L"C:\\a\\b.d");
    EXPECT_EQ(s.parent, L"C:\\a\\");
    EXPECT_EQ(s.name, L"b.d");
    s = splitFolderPath(L"C:\\a");
    EXPECT_EQ(s.parent, L"C:\\");
    EXPECT_EQ(s.name, L"a");
    s = splitFolderPath(L"C:/x/y");
    EXPECT_EQ(s.parent, L"C:/x/");
    EXPECT_EQ(s.name, L"y");
}

TEST(SplitFolderPath, DriveRootHasNoName)
{
    const SplitPath s = splitFolderPath(withoutTrailingBackslash(L"C:\\"));
    EXPECT_EQ(s.parent, L"C:");
    EXPECT_EQ(s.name, L"");
}

TEST(SplitFolderPath, RelativeAndDriveRelativeNames)
{
    SplitPath s = splitFolderPath(L"name");
    EXPECT_EQ(s.parent, L"");
    EXPECT_EQ(s.name, L"name");
    s = splitFolderPath(L"D:name");
    EXPECT_EQ(s.parent, L"D:");
    EXPECT_EQ(s.name, L"name");
    s = splitFolderPath(L"");
    EXPECT_EQ(s.parent, L"");
    EXPECT_EQ(s.name, L"");
}

TEST(SplitFolderPath, VeryLongPathsAreSplitWhole)
{
    const std::wstring parent = L"C:\\" + std::wstring(5000, L'd') + L"\\";
    const std::wstring name(3000, L'n');
    const SplitPath s = splitFolderPath(parent + name);
    EXPECT_EQ(s.parent, parent);
    EXPECT_EQ(s.name, name);
}

TEST(TrailingBackslash, OnlyOneIsRemoved)
{
    EXPECT_EQ(withoutTrailingBackslash(L"C:\\a\\"), L"C:\\a");
    EXPECT_EQ(withoutTrailingBackslash(L"C:\\a\\\\"), L"C:\\a\\");
    EXPECT_EQ(withoutTrailingBackslash(L"C:\\a"), L"C:\\a");
    EXPECT_EQ(withoutTrailingBackslash(L""), L"");
}

// --- Find patterns --------------------------------------------------------

TEST(FindPattern, LiteralNamesIgnoreCase)
{
    EXPECT_TRUE(findPatternMatches(L"08240001.jpg", L"08240001.jpg"));
    EXPECT_TRUE(findPatternMatches(L"08240001.jpg", L"08240001.JPG"));
    EXPECT_TRUE(findPatternMatches(L"cap0001.bmp", L"CAP0001.Bmp"));
    EXPECT_FALSE(findPatternMatches(L"08240001.jpg", L"08240001.jpeg"));
    EXPECT_FALSE(findPatternMatches(L"08240001.jpg", L"08240001.jp"));
    EXPECT_FALSE(findPatternMatches(L"08240001.jpg", L"x08240001.jpg"));
}

TEST(FindPattern, Wildcards)
{
    EXPECT_TRUE(findPatternMatches(L"*.jpg", L"a.jpg"));
    EXPECT_TRUE(findPatternMatches(L"*", L""));
    EXPECT_TRUE(findPatternMatches(L"a*b*c", L"aXXbYYbc"));
    EXPECT_TRUE(findPatternMatches(L"0?240001.jpg", L"08240001.jpg"));
    EXPECT_FALSE(findPatternMatches(L"?", L""));
    EXPECT_FALSE(findPatternMatches(L"a*b", L"aXXc"));
}

// --- Next free number -----------------------------------------------------

class NextFreeNumberTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.folders[L"C:\\Home"] = {};
        folders.current = L"C:\\Home";
    }
    uint32_t jobNumber(const std::wstring& folder)
    {
        return NextFreeNumber(folders, folder, L"0824", L"jpg", L"wav", 4, 1);
    }
    uint32_t captureNumber(const std::wstring& folder)
    {
        return NextFreeNumber(folders, folder, L"cap", L"bmp", L"", 3, 1);
    }

    MemoryFolders folders;
};

TEST_F(NextFreeNumberTest, EmptyDestinationStartsAtOne)
{
    folders.folders[L"C:\\Dest"] = {};
    EXPECT_EQ(jobNumber(L"C:\\Dest"), 1u);
    EXPECT_EQ(cameraPictureName(8, 24, 1), L"08240001.jpg");
}

TEST_F(NextFreeNumberTest, ALoneSoundTakesItsNumber)
{
    folders.folders[L"C:\\Dest"] = {L"08240001.wav"};
    EXPECT_EQ(jobNumber(L"C:\\Dest"), 2u);
}

TEST_F(NextFreeNumberTest, PicturesAndSoundsAreSkippedTogether)
{
    folders.folders[L"C:\\Dest"] = {L"08240001.jpg", L"08240002.wav", L"08240003.jpg",
                                    L"08240003.wav", L"08240005.jpg"};
    EXPECT_EQ(jobNumber(L"C:\\Dest"), 4u);
    EXPECT_EQ(NextFreeNumber(folders, L"C:\\Dest", L"0824", L"jpg", L"wav", 4, 5), 6u);
}

TEST_F(NextFreeNumberTest, OtherDaysDoNotCount)
{
    folders.folders[L"C:\\Dest"] = {L"08230001.jpg", L"08250001.jpg"};
    EXPECT_EQ(jobNumber(L"C:\\Dest"), 1u);
}

TEST_F(NextFreeNumberTest, NamesMatchWithoutRegardToCase)
{
    folders.folders[L"C:\\Dest"] = {L"08240001.JPG", L"08240002.Wav"};
    EXPECT_EQ(jobNumber(L"C:\\Dest"), 3u);
}

TEST_F(NextFreeNumberTest, WithoutSecondExtensionOnlyTheFirstCounts)
{
    folders.folders[L"C:\\Caps"] = {L"cap0001.wav", L"cap0001.jpg"};
    EXPECT_EQ(captureNumber(L"C:\\Caps"), 1u);
}

TEST_F(NextFreeNumberTest, CaptureAfterNineFiles)
{
    std::vector<std::wstring>& names = folders.folders[L"C:\\Caps"];
    for (int i = 1; i <= 9; ++i)
        names.push_back(L"cap000" + std::to_wstring(i) + L".bmp");
    EXPECT_EQ(captureNumber(L"C:\\Caps"), 10u);
}

TEST_F(NextFreeNumberTest, AfterCap9999ComesCap10000)
{
    folders.folders[L"C:\\Caps"] = {L"cap9999.bmp"};
    const uint32_t n = NextFreeNumber(folders, L"C:\\Caps", L"cap", L"bmp", L"", 3, 9999);
    EXPECT_EQ(n, 10000u);
    folders.folders[L"C:\\Caps"].push_back(L"cap10000.bmp");
    EXPECT_EQ(NextFreeNumber(folders, L"C:\\Caps", L"cap", L"bmp", L"", 3, 9999), 10001u);
}

TEST_F(NextFreeNumberTest, OnlyThePrefixLengthOfThePrefixIsUsed)
{
    folders.folders[L"C:\\Caps"] = {L"cap0001.bmp"};
    EXPECT_EQ(NextFreeNumber(folders, L"C:\\Caps", L"capture", L"bmp", L"", 3, 1), 2u);
    // A prefix shorter than its length is used whole.
    EXPECT_EQ(NextFreeNumber(folders, L"C:\\Caps", L"cap", L"bmp", L"", 10, 1), 2u);
    EXPECT_EQ(NextFreeNumber(folders, L"C:\\Caps", L"cap", L"bmp", L"", 0, 1), 1u);
}

TEST_F(NextFreeNumberTest, FolderThatCannotBeEnteredGivesTheStartAtOnce)
{
    EXPECT_EQ(jobNumber(L"C:\\Missing"), 1u);
    EXPECT_EQ(NextFreeNumber(folders, L"C:\\Missing", L"0824", L"jpg", L"wav", 4, 77), 77u);
    EXPECT_EQ(folders.searches, 0u);
    EXPECT_EQ(folders.current, L"C:\\Home");
}

TEST_F(NextFreeNumberTest, CurrentDirectoryIsRestored)
{
    folders.folders[L"C:\\Dest"] = {L"08240001.jpg"};
    EXPECT_EQ(jobNumber(L"C:\\Dest"), 2u);
    EXPECT_EQ(folders.current, L"C:\\Home");
}

TEST_F(NextFreeNumberTest, WildcardsInThePrefixAreHonoured)
{
    folders.folders[L"C:\\Dest"] = {L"08240001.jpg", L"09240002.jpg"};
    EXPECT_EQ(NextFreeNumber(folders, L"C:\\Dest", L"0?24", L"jpg", L"", 4, 1), 3u);
}

TEST_F(NextFreeNumberTest, EndsAtTheLastNumberInsteadOfWrapping)
{
    struct Everything : MemoryFolders {
        bool anyMatch(const std::wstring&) override { return true; }
    } all;
    all.folders[L"C:\\Dest"] = {};
    EXPECT_EQ(NextFreeNumber(all, L"C:\\Dest", L"x", L"bmp", L"", 1, UINT32_MAX - 2), UINT32_MAX);
}

TEST_F(NextFreeNumberTest, OverLongFolderIsJustNotEntered)
{
    const std::wstring longFolder = L"C:\\" + std::wstring(5000, L'f');
    EXPECT_EQ(jobNumber(longFolder), 1u);
    EXPECT_EQ(folders.current, L"C:\\Home");
}

}  // namespace
