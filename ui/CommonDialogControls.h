// Four controls of the system's file dialog that the main window watches by
// subclassing: its own file list (refilled: rebuild ours), the folder list
// (emptied: the folder changed), the drive combo (locked during an upload on
// old Windows) and the current-folder text. Each tells the window by posted
// messages and reports the mouse for the hint line.
#pragma once

#include "win/SubclassedWindow.h"

// The file list 1120, kept hidden: its refill is the signal to rebuild the
// visible file list. The system's dialog empties it and lists a folder into
// it; some versions switch redrawing off and on around that, others do not,
// so the end of the first listing after an emptying counts too.
class CCommonFileListWatch : public CSubclassedWindow {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Refilled();
    bool m_emptied = false;
};

// The folder list 1121.
class CFolderListWatch : public CSubclassedWindow {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The drive combo 1137: while locked it answers every combo-box message
// with 0, so the drive cannot change under a running upload.
class CDriveComboLock : public CSubclassedWindow {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool m_locked = false;
};

// The current-folder text 1088: a static reports the mouse by hit testing.
class CCurrentFolderText : public CSubclassedWindow {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
