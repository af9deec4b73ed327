#include "Settings.h"

#include <gtest/gtest.h>

namespace {

TEST(ProfileInt, PlainDecimalNumbers)
{
    EXPECT_EQ(parseProfileInt(L"0", 7), 0);
    EXPECT_EQ(parseProfileInt(L"116", 7), 116);
    EXPECT_EQ(parseProfileInt(L"-5", 7), -5);
    EXPECT_EQ(parseProfileInt(L"+5", 7), 5);
    EXPECT_EQ(parseProfileInt(L"007", 1), 7);
}

TEST(ProfileInt, BlanksAroundTheNumberAreAllowed)
{
    EXPECT_EQ(parseProfileInt(L"  42", 7), 42);
    EXPECT_EQ(parseProfileInt(L"42 \t", 7), 42);
}

TEST(ProfileInt, ThirtyTwoBitLimits)
{
    EXPECT_EQ(parseProfileInt(L"2147483647", 7), 2147483647);
    EXPECT_EQ(parseProfileInt(L"-2147483648", 7), INT32_MIN);
    EXPECT_EQ(parseProfileInt(L"-2147483649", 7), 7);
    // Unsigned packed sizes wrap into the 32-bit field.
    EXPECT_EQ(parseProfileInt(L"4294967295", 7), -1);
    EXPECT_EQ(parseProfileInt(L"4294967296", 7), 7);
    EXPECT_EQ(parseProfileInt(L"99999999999999999999999999", 7), 7);
}

TEST(ProfileInt, GarbageGivesTheFallback)
{
    for (const wchar_t* text : {L"", L" ", L"-", L"+", L"abc", L"12abc", L"1 2", L"0x10", L"1.5",
                                L"--1", L"１２"})
        EXPECT_EQ(parseProfileInt(text, 35), 35) << "text: " << testing::PrintToString(std::wstring(text));
}

TEST(ProfileInt, NumbersAreWrittenAsDecimalText)
{
    MemoryProfile profile;
    profile.putInt(L"S", L"a", -12);
    profile.putInt(L"S", L"b", 41943520);
    EXPECT_EQ(profile.value(L"S", L"a"), L"-12");
    EXPECT_EQ(profile.value(L"S", L"b"), L"41943520");
    EXPECT_EQ(profile.getInt(L"S", L"a", 0), -12);
    EXPECT_EQ(profile.getInt(L"S", L"missing", 99), 99);
}

TEST(MemoryProfileTest, KeysAreExactAndWritesAreLogged)
{
    MemoryProfile profile;
    profile.putString(L"Upload", L"CehckSeve", L"1");
    EXPECT_TRUE(profile.contains(L"Upload", L"CehckSeve"));
    EXPECT_FALSE(profile.contains(L"Upload", L"CheckSeve"));
    EXPECT_FALSE(profile.contains(L"General", L"CehckSeve"));
    EXPECT_EQ(profile.getString(L"Upload", L"x", L"fb"), L"fb");
    profile.putString(L"Upload", L"CehckSeve", L"0");
    ASSERT_EQ(profile.writes.size(), 2u);
    EXPECT_EQ(profile.writes[1].value, L"0");
    EXPECT_EQ(profile.size(), 1u);
    profile.erase(L"Upload", L"CehckSeve");
    EXPECT_EQ(profile.size(), 0u);
}

}  // namespace
