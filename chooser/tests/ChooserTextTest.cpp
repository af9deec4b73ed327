#include "chooser/ChooserText.h"

#include "ChooserTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace choosertest;

namespace {

TEST(ChooserText, LabelsAreCutTo31BytesBetweenCharactersAndTerminated)
{
    ASSERT_TRUE(japaneseCodePage());
    char field[32];
    // 29 single bytes, then a double-byte character that would end at byte 31.
    std::memset(field, 'x', sizeof field);
    storeCutText(field, std::wstring(29, L'a') + L"再生");
    EXPECT_EQ(std::string(field, 32), std::string(29, 'a') + cp932(L"再") + std::string(1, '\0'));

    std::memset(field, 'x', sizeof field);
    storeCutText(field, std::wstring(30, L'a') + L"再生");
    EXPECT_EQ(std::string(field, 32), std::string(30, 'a') + std::string(2, '\0')) << "half a character stored";

    storeCutText(field, L"ﾃｽﾄ再生");
    EXPECT_EQ(std::string(field), cp932(L"ﾃｽﾄ再生"));
    EXPECT_EQ(readText(field), L"ﾃｽﾄ再生");
}

TEST(ChooserText, PathsAreStoredWholeOrNotAtAll)
{
    ASSERT_TRUE(japaneseCodePage());
    char field[260];
    const std::wstring fits = L"C:\\音声\\" + std::wstring(247, L'a') + L".wav";  // 259 bytes
    EXPECT_TRUE(storeWholeText(field, fits));
    EXPECT_EQ(readText(field), fits);

    const struct {
        const char* what;
        std::wstring path;
    } refused[] = {
        {"260 bytes", fits + L"a"},
        {"a letter outside the code page", L"C:\\caf\u00E9.wav"},
        {"a character outside the basic plane", L"C:\\\U0001F3B5.wav"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        std::memset(field, 'x', sizeof field);
        EXPECT_FALSE(storeWholeText(field, c.path));
        EXPECT_EQ(std::string(field, sizeof field), std::string(sizeof field, '\0'));
    }
}

TEST(ChooserText, AFieldWithoutTerminatorIsReadToItsEndOnly)
{
    ASSERT_TRUE(japaneseCodePage());
    struct {
        char field[4];
        char after[4];
    } block = {{'a', 'b', 'c', 'd'}, {'e', 'f', 'g', '\0'}};
    EXPECT_EQ(readText(block.field), L"abcd");
}

}  // namespace
