// Rectangle helpers shared by the windows (icons and pictures drawn square).
#pragma once

#include <cstdint>

// Same layout as the Windows RECT, for code and tests without windows.h.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Makes `rect` square; works on any record with left/top/right/bottom
// (Rect or RECT). Returns 0 when it already was square, else 1. A wide
// rectangle keeps its height and is centred horizontally (the left edge moves
// right by half the difference, rounded toward zero); a tall one keeps its
// top and is cut at the bottom.
template <class R>
int makeSquare(R& rect)
{
    // 64-bit arithmetic: the edges may be anywhere in the 32-bit range.
    const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
    if (width == height)
        return 0;
    if (width > height) {
        const int64_t left = rect.left + (width - height) / 2;
        rect.left = static_cast<decltype(rect.left)>(left);
        rect.right = static_cast<decltype(rect.right)>(left + height);
    } else {
        rect.bottom = static_cast<decltype(rect.bottom)>(rect.top + width);
    }
    return 1;
}
