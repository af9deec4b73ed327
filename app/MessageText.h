// Text of the program's own message boxes (the box itself: showMessage).
#pragma once

#include <string>

// The prefix and one space (when given), the message, "\n[code]" (when the
// code is to be shown) and the suffix and one space (when given). A null or
// empty prefix or suffix counts as not given.
std::wstring composeMessageText(const wchar_t* prefix, const std::wstring& message, bool withCode,
                                int code, const wchar_t* suffix);
