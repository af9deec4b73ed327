// Path text in UTF-8 and UTF-16 whatever the locale, and files opened by
// such paths.
#include "base/PathText.h"
#include "base/File.h"
#include "testsupport/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::wstring kName = L"\u65e5\u672c\u8a9e-\u00e9.jpg";

TEST(PathText, Utf8AndUtf16BothWays)
{
    EXPECT_EQ(utf8FromWide(kName), "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e-\xc3\xa9.jpg");
    EXPECT_EQ(wideFromUtf8(utf8FromWide(kName)), kName);
    const std::wstring astral = std::wstring(L"a") + L"\U0001F600" + L"b";
    EXPECT_EQ(utf8FromWide(astral), "a\xf0\x9f\x98\x80"
                                    "b");
    EXPECT_EQ(wideFromUtf8("a\xf0\x9f\x98\x80"
                           "b"),
              astral);
    // Broken bytes become replacement characters and nothing is read past the end.
    EXPECT_EQ(wideFromUtf8("a\xe6\x97"), std::wstring(L"a\ufffd"));
    EXPECT_EQ(wideFromUtf8("\xff"
                           "b"),
              std::wstring(L"\ufffd"
                           L"b"));
    EXPECT_EQ(wideFromUtf8("\xc0\x80"), std::wstring(L"\ufffd"));  // overlong
}

TEST(PathText, FilesOpenByWideAndUtf8Paths)
{
    const std::filesystem::path folder = scratchFolder("names");
    const std::filesystem::path wide = toFsPath(fromFsPath(folder) + L"/" + kName);
    UniqueFile out = openFile(wide, "wb");
    ASSERT_TRUE(out);
    ASSERT_EQ(std::fwrite("ab", 1, 2, out.get()), 2u);
    EXPECT_TRUE(closeFile(out));
    EXPECT_FALSE(out);

    UniqueFile in = openFile(pathFromUtf8(utf8FromWide(fromFsPath(wide))), "rb");
    ASSERT_TRUE(in);
    char bytes[4] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, in.get()), 2u);
    EXPECT_EQ(std::memcmp(bytes, "ab", 2), 0);
    EXPECT_EQ(readFileBytes(folder / toFsPath(kName)), (std::vector<uint8_t>{'a', 'b'}));

    EXPECT_FALSE(openFile(folder / "missing.jpg", "rb"));
    EXPECT_FALSE(openFile(folder / "missing" / "new.jpg", "wb"));
}

}  // namespace
