#include "chooser/ChooserText.h"

#include "chooser/tests/ChooserTestSupport.h"

#include <cstring>

using namespace choosertest;

namespace {

TEST(ChooserText, LabelsAreCutTo31BytesBetweenCharactersAndTerminated)
{
    ASSERT_TRUE(japaneseCodePage());
    char field[32];
    std::memset(field, 'x', sizeof field);
    storeCutText(field, std::wstring(29, L'a') + L"再生");  // the second character would end at byte 31
    EXPECT_EQ(std::string(field, 32), std::string(29, 'a') + cp932(L"再") + '\0');
    storeCutText(field, std::wstring(30, L'a') + L"再生");
    EXPECT_EQ(std::string(field, 32), std::string(30, 'a') + std::string(2, '\0')) << "half a character stored";
}

TEST(ChooserText, PathsAreStoredWholeOrNotAtAll)
{
    ASSERT_TRUE(japaneseCodePage());
    char field[260];
    const std::wstring fits = L"C:\\音声\\" + std::wstring(247, L'a') + L".wav";  // 259 bytes
    EXPECT_TRUE(storeWholeText(field, fits));
    EXPECT_EQ(readText(field), fits);
    for (const std::wstring& refused : {fits + L"a", std::wstring(L"C:\\caf\u00E9.wav"), std::wstring(L"\U0001F3B5")}) {
        std::memset(field, 'x', sizeof field);
        EXPECT_FALSE(storeWholeText(field, refused)) << refused.size();
        EXPECT_EQ(std::string(field, sizeof field), std::string(sizeof field, '\0'));
    }
}

}  // namespace
