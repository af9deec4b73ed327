// Texts of the string table mark a mnemonic the old way: "(", U+001E, the
// letter, U+001F, one kana, ")". Windows marks it with "&"; controls and
// menus get the letter in that form, without the control characters.
#pragma once

#include <string>

// "640 X 480(\x1EV\x1Fｱ)" becomes "640 X 480(&V)"; other texts stay as
// they are.
std::wstring withWindowsMnemonic(const std::wstring& text);
