#include "engine/FileNaming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// --- Names and paths ---------------------------------------------------------

TEST(CameraNames, MonthDayAndAtLeastFourDigitsJoinedWithOneBackslash)
{
    EXPECT_EQ(cameraPictureName(8, 24, 3), L"08240003.jpg");
    EXPECT_EQ(cameraSoundName(8, 24, 3), L"08240003.wav");
    EXPECT_EQ(cameraPictureName(12, 31, 1000), L"12311000.jpg");
    EXPECT_EQ(cameraPictureName(8, 24, 12345), L"082412345.jpg");
    EXPECT_EQ(cameraPictureName(8, 24, 4294967295u), L"08244294967295.jpg");
    EXPECT_EQ(cameraNamePrefix(8, 4), L"0804");
    EXPECT_EQ(joinFolder(L"C:\\Temp\\~tmp_vxf", L"a.jpg"), L"C:\\Temp\\~tmp_vxf\\a.jpg");
    EXPECT_EQ(joinFolder(L"C:\\Temp\\~tmp_vxf\\", L"a.jpg"), L"C:\\Temp\\~tmp_vxf\\a.jpg");
    EXPECT_EQ(joinFolder(L"C:\\x\\\\", L"a.jpg"), L"C:\\x\\\\a.jpg");  // only one is removed
    EXPECT_EQ(withoutTrailingBackslash(L"C:\\a\\\\"), L"C:\\a\\");
    EXPECT_EQ(withoutTrailingBackslash(L"C:\\a"), L"C:\\a");
    EXPECT_EQ(withoutTrailingBackslash(L""), L"");
}

TEST(SplitFolderPath, ParentKeepsItsSeparator)
{
    const std::wstring longParent = L"C:\\" + std::wstring(5000, L'd') + L"\\";
    const std::wstring longName(3000, L'n');
    const struct {
        std::wstring path, parent, name;
    } cases[] = {
        {L"C:\\a\\b", L"C:\\a\\", L"b"},
        {L"C:\\a\\b.d", L"C:\\a\\", L"b.d"},
        {L"C:\\a", L"C:\\", L"a"},
        {L"C:/x/y", L"C:/x/", L"y"},
        {L"C:", L"C:", L""},
        {L"name", L"", L"name"},
        {L"D:name", L"D:", L"name"},
        {L"", L"", L""},
        {longParent + longName, longParent, longName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 40));
        const SplitPath s = splitFolderPath(c.path);
        EXPECT_EQ(s.parent, c.parent);
        EXPECT_EQ(s.name, c.name);
    }
}

TEST(FindPattern, LiteralNamesIgnoreCaseAndWildcards)
{
    const struct {
        const wchar_t *pattern, *name;
        bool matches;
    } cases[] = {
        {L"08240001.jpg", L"08240001.JPG", true},
        {L"cap0001.bmp", L"CAP0001.Bmp", true},
        {L"08240001.jpg", L"08240001.jpeg", false},
        {L"08240001.jpg", L"08240001.jp", false},
        {L"08240001.jpg", L"x08240001.jpg", false},
        {L"*.jpg", L"a.jpg", true},
        {L"*", L"", true},
        {L"a*b*c", L"aXXbYYbc", true},
        {L"0?240001.jpg", L"08240001.jpg", true},
        {L"?", L"", false},
        {L"a*b", L"aXXc", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findPatternMatches(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

// --- Next free number ------------------------------------------------------------

TEST(NextFreeNumber, SkipsEveryNumberTakenByEitherExtension)
{
    const auto caps = [](int count) {
        std::vector<std::wstring> names;
        for (int i = 1; i <= count; ++i)
            names.push_back(L"cap000" + std::to_wstring(i) + L".bmp");
        return names;
    };
    // Pictures are .jpg, captures (prefix "cap") .bmp.
    const struct {
        const char* what;
        std::vector<std::wstring> names;
        std::wstring prefix, second;
        size_t prefixLength;
        uint32_t start, expected;
    } cases[] = {
        {"empty", {}, L"0824", L"wav", 4, 1, 1},
        {"a lone sound", {L"08240001.wav"}, L"0824", L"wav", 4, 1, 2},
        {"pictures and sounds",
         {L"08240001.jpg", L"08240002.wav", L"08240003.jpg", L"08240003.wav", L"08240005.jpg"},
         L"0824",
         L"wav",
         4,
         1,
         4},
        {"from a start", {L"08240005.jpg"}, L"0824", L"wav", 4, 5, 6},
        {"other days", {L"08230001.jpg", L"08250001.jpg"}, L"0824", L"wav", 4, 1, 1},
        {"any case", {L"08240001.JPG", L"08240002.Wav"}, L"0824", L"wav", 4, 1, 3},
        {"wildcard prefix", {L"08240001.jpg", L"09240002.jpg"}, L"0?24", L"", 4, 1, 3},
        {"no second extension", {L"cap0001.wav", L"cap0001.jpg"}, L"cap", L"", 3, 1, 1},
        {"after nine", caps(9), L"cap", L"", 3, 1, 10},
        {"after 9999", {L"cap9999.bmp"}, L"cap", L"", 3, 9999, 10000},
        {"after 10000", {L"cap9999.bmp", L"cap10000.bmp"}, L"cap", L"", 3, 9999, 10001},
        {"prefix cut to its length", {L"cap0001.bmp"}, L"capture", L"", 3, 1, 2},
        {"short prefix used whole", {L"cap0001.bmp"}, L"cap", L"", 10, 1, 2},
        {"prefix length 0", {L"cap0001.bmp"}, L"cap", L"", 0, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFolders folders;
        folders.current = L"C:\\Home";
        folders.folders[L"C:\\Home"] = {};
        folders.folders[L"C:\\Dest"] = c.names;
        EXPECT_EQ(NextFreeNumber(folders, L"C:\\Dest", c.prefix,
                                 c.prefix[0] == L'c' ? L"bmp" : L"jpg", c.second, c.prefixLength,
                                 c.start),
                  c.expected);
        EXPECT_EQ(folders.current, L"C:\\Home");
    }
}

TEST(NextFreeNumber, FoldersThatCannotBeEnteredGiveTheStartAtOnce)
{
    MemoryFolders folders;
    folders.current = L"C:\\Home";
    for (const std::wstring& folder :
         {std::wstring(L"C:\\Missing"), L"C:\\" + std::wstring(5000, L'f')}) {
        EXPECT_EQ(NextFreeNumber(folders, folder, L"0824", L"jpg", L"wav", 4, 77), 77u);
        EXPECT_EQ(folders.searches, 0u);
        EXPECT_EQ(folders.current, L"C:\\Home");
    }
}

TEST(NextFreeNumber, EndsAtTheLastNumberInsteadOfWrapping)
{
    struct Everything : MemoryFolders {
        bool anyMatch(const std::wstring&) override { return true; }
    } all;
    all.folders[L"C:\\Dest"] = {};
    EXPECT_EQ(NextFreeNumber(all, L"C:\\Dest", L"x", L"bmp", L"", 1, UINT32_MAX - 2), UINT32_MAX);
}

}  // namespace
