#include "MessageText.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kCannotRead = L"画像ファイルが読み込めません。";

TEST(MessageText, CodeFollowsOnANewLineInBrackets)
{
    EXPECT_EQ(composeMessageText(nullptr, kCannotRead, true, 3, nullptr), kCannotRead + L"\n[3]");
}

TEST(MessageText, WithoutCodeOnlyTheText)
{
    EXPECT_EQ(composeMessageText(nullptr, kCannotRead, false, 3, nullptr), kCannotRead);
}

TEST(MessageText, CodeZeroIsStillShown)
{
    EXPECT_EQ(composeMessageText(nullptr, L"x", true, 0, nullptr), L"x\n[0]");
}

TEST(MessageText, NegativeAndLargeCodes)
{
    EXPECT_EQ(composeMessageText(nullptr, L"x", true, -1, nullptr), L"x\n[-1]");
    EXPECT_EQ(composeMessageText(nullptr, L"x", true, INT32_MIN, nullptr), L"x\n[-2147483648]");
}

TEST(MessageText, PrefixAndSuffixEachGetOneSpace)
{
    EXPECT_EQ(composeMessageText(L"C:\\a.jpg", kCannotRead, false, 0, nullptr),
              L"C:\\a.jpg " + kCannotRead);
    EXPECT_EQ(composeMessageText(L"C:\\a.jpg", L"msg", true, 5, L"tail"), L"C:\\a.jpg msg\n[5]tail ");
}

TEST(MessageText, EmptyPrefixCountsAsNone)
{
    EXPECT_EQ(composeMessageText(L"", L"msg", false, 0, L""), L"msg");
}

TEST(MessageText, LongPrefixIsKeptWhole)
{
    const std::wstring path(5000, L'p');
    const std::wstring text = composeMessageText(path.c_str(), L"msg", true, 2, nullptr);
    EXPECT_EQ(text, path + L" msg\n[2]");
}

}  // namespace
