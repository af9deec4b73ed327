// The portable helpers of the shell: squares for the preview and message texts.
#include "app/Geometry.h"
#include "app/MessageText.h"

#include <gtest/gtest.h>

namespace {

TEST(MakeSquare, CentredAcrossOrCutAtTheBottom)
{
    const struct {
        Rect in;
        int changed;
        Rect out;
    } cases[] = {
        {{0, 0, 100, 60}, 1, {20, 0, 80, 60}},            // wide: centred horizontally
        {{200, 300, 300, 340}, 1, {230, 300, 270, 340}},  // and keeps its place
        {{0, 0, 60, 100}, 1, {0, 0, 60, 60}},             // tall: top kept, bottom cut
        {{5, 7, 45, 47}, 0, {5, 7, 45, 47}},              // square
        {{3, 3, 3, 3}, 0, {3, 3, 3, 3}},                  // empty
        {{10, 20, 111, 120}, 1, {10, 20, 110, 120}},      // odd difference rounds toward zero
        {{-50, 0, 53, 100}, 1, {-49, 0, 51, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Rect r = c.in;
        EXPECT_EQ(makeSquare(r), c.changed);
        EXPECT_EQ(r.left, c.out.left);
        EXPECT_EQ(r.top, c.out.top);
        EXPECT_EQ(r.right, c.out.right);
        EXPECT_EQ(r.bottom, c.out.bottom);
    }
}

TEST(MakeSquare, ExtremeEdgesDoNotOverflow)
{
    Rect r{INT32_MIN, 0, INT32_MAX, 10};
    EXPECT_EQ(makeSquare(r), 1);
    EXPECT_EQ(int64_t(r.right) - r.left, 10);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.bottom, 10);
}

TEST(MessageText, PrefixTextCodeAndSuffix)
{
    const std::wstring kCannotRead = L"画像ファイルが読み込めません。";
    const std::wstring path(5000, L'p');
    const struct {
        const wchar_t* prefix;
        std::wstring text;
        bool withCode;
        int code;
        const wchar_t* suffix;
        std::wstring expected;
    } cases[] = {
        {nullptr, kCannotRead, true, 3, nullptr, kCannotRead + L"\n[3]"},
        {nullptr, kCannotRead, false, 3, nullptr, kCannotRead},
        {nullptr, L"x", true, 0, nullptr, L"x\n[0]"},
        {nullptr, L"x", true, -1, nullptr, L"x\n[-1]"},
        {nullptr, L"x", true, INT32_MIN, nullptr, L"x\n[-2147483648]"},
        {L"C:\\a.jpg", kCannotRead, false, 0, nullptr, L"C:\\a.jpg " + kCannotRead},
        {L"C:\\a.jpg", L"msg", true, 5, L"tail", L"C:\\a.jpg msg\n[5]tail "},
        {L"", L"msg", false, 0, L"", L"msg"},
        {path.c_str(), L"msg", true, 2, nullptr, path + L" msg\n[2]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(composeMessageText(c.prefix, c.text, c.withCode, c.code, c.suffix), c.expected);
}

}  // namespace
