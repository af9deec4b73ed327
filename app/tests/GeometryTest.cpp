#include "Geometry.h"

#include <gtest/gtest.h>

namespace {

Rect rect(int32_t l, int32_t t, int32_t r, int32_t b)
{
    Rect x;
    x.left = l;
    x.top = t;
    x.right = r;
    x.bottom = b;
    return x;
}

void expectRect(const Rect& r, int32_t l, int32_t t, int32_t rr, int32_t b)
{
    EXPECT_EQ(r.left, l);
    EXPECT_EQ(r.top, t);
    EXPECT_EQ(r.right, rr);
    EXPECT_EQ(r.bottom, b);
}

TEST(MakeSquare, WideRectangleIsCentredHorizontally)
{
    Rect r = rect(0, 0, 100, 60);
    EXPECT_EQ(makeSquare(r), 1);
    expectRect(r, 20, 0, 80, 60);
}

TEST(MakeSquare, TallRectangleKeepsItsTopAndIsCutAtTheBottom)
{
    Rect r = rect(0, 0, 60, 100);
    EXPECT_EQ(makeSquare(r), 1);
    expectRect(r, 0, 0, 60, 60);
}

TEST(MakeSquare, SquareIsLeftAlone)
{
    Rect r = rect(5, 7, 45, 47);
    EXPECT_EQ(makeSquare(r), 0);
    expectRect(r, 5, 7, 45, 47);
    Rect empty = rect(3, 3, 3, 3);
    EXPECT_EQ(makeSquare(empty), 0);
}

TEST(MakeSquare, OddDifferenceRoundsTowardZero)
{
    Rect r = rect(10, 20, 111, 120);  // 101 x 100: move right by 0
    EXPECT_EQ(makeSquare(r), 1);
    expectRect(r, 10, 20, 110, 120);
    Rect s = rect(-50, 0, 53, 100);  // 103 x 100: move right by 1
    EXPECT_EQ(makeSquare(s), 1);
    expectRect(s, -49, 0, 51, 100);
}

TEST(MakeSquare, OffsetRectangleKeepsItsPlace)
{
    Rect r = rect(200, 300, 300, 340);  // 100 x 40
    EXPECT_EQ(makeSquare(r), 1);
    expectRect(r, 230, 300, 270, 340);
}

TEST(MakeSquare, ExtremeEdgesDoNotOverflow)
{
    Rect r = rect(INT32_MIN, 0, INT32_MAX, 10);
    EXPECT_EQ(makeSquare(r), 1);
    EXPECT_EQ(int64_t(r.right) - r.left, 10);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.bottom, 10);
}

// Any record with the four edges, such as the Windows RECT.
struct OtherRect {
    long left, top, right, bottom;
};

TEST(MakeSquare, WorksOnOtherRectangleRecords)
{
    OtherRect r{0, 0, 100, 60};
    EXPECT_EQ(makeSquare(r), 1);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.right, 80);
}

}  // namespace
