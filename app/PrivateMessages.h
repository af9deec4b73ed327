// Private window messages of Vxfsend (WM_USER + 100 onwards). Posted
// messages carry numbers only, never pointers: any process can post to our
// windows. No windows.h here, so portable code can name them too.
#pragma once

// A test play has ended (posted by the sound player to the main window).
constexpr unsigned int UM_PLAYBACK_DONE = 0x464;
// Show a control's hint: wParam the control id; lParam 0, or (only while an
// upload or a capture runs) nonzero to show the program's name again.
constexpr unsigned int UM_SHOW_HINT = 0x465;
// To the capture progress window: wParam percent, lParam show (nonzero) or not.
constexpr unsigned int UM_PROGRESS_SET = 0x466;
// To the capture progress window: disarm and hide it.
constexpr unsigned int UM_PROGRESS_HIDE = 0x467;
// The common dialog emptied its folder list: take the current directory.
constexpr unsigned int UM_FOLDER_LIST_RESET = 0x468;
// The common dialog refilled its own file list: rebuild ours.
constexpr unsigned int UM_FILE_LIST_REFRESH = 0x469;
// ESC went down in the main window: wParam the key message, lParam its data.
constexpr unsigned int UM_ESCAPE_PRESSED = 0x46A;
// To the drive combo: wParam 0 locks it, 1 unlocks it.
constexpr unsigned int UM_LOCK_DRIVE_COMBO = 0x46B;
// Handled exactly as WM_HOTKEY: wParam the hot-key id.
constexpr unsigned int UM_CAPTURE_KEY = 0x46F;
