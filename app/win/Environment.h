// Operating-system queries and the program's own message box.
#pragma once

#include <windows.h>

#include <string>

// Platform id of the version query (0 Win32s, 1 Windows 95/98, 2 NT), or -1
// when the query fails.
int platformId();
// Major version of the operating system, or -1 when the query fails.
int majorVersion();
// The folder for temporary files exactly as the system reports it (normally
// ending in a backslash); the Windows directory when it reports none.
std::wstring temporaryFolder();
// The Windows directory, without a trailing backslash unless it is a root.
std::wstring windowsFolder();
// The current directory of the process; empty when it cannot be had.
std::wstring currentDirectory();

// Shows a box with the program's name (string 102) as caption; the text is
// the prefix and a space, string `messageId`, "\n[code]" when `withCode`,
// and the suffix and a space. `type` is passed to MessageBox as it is.
// Returns the pressed button (IDOK, IDYES, ...), 0 when no box could be shown.
int showMessage(HWND owner, const wchar_t* prefix, UINT messageId, const wchar_t* suffix = nullptr,
                UINT type = MB_OK, bool withCode = false, int code = 0);
