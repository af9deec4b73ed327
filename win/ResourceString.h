// Strings of the string table, exactly as stored (UTF-16, embedded line
// breaks kept). An id that is not in the table gives an empty string.
#pragma once
#include <windows.h>

#include <string>

std::wstring loadResourceString(UINT id, HINSTANCE instance = nullptr);
