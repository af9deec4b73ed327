// Texts as users see them, written out here independently of the
// resource files, so a slip in either shows.
#pragma once

// "ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3": the program's name, half-width katakana.
#define EXPECTED_APP_TITLE                                                                 \
    L"ORVEN Vidro\uFF8C\uFF67\uFF72\uFF99\uFF71\uFF6F\uFF8C\uFF9F\uFF9B\uFF70\uFF80\uFF9E" \
    L"3"
