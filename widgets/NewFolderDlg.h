// The new-folder dialog (402): the user names a folder to create in a given
// parent folder. OK ends it in every case after the question; Path() then
// holds the folder's full path (created now, or a folder of that name was
// there already), or is empty after a failure that a message has reported.
// A created folder becomes the process's current directory.
#pragma once

#include "win/Dialog.h"

#include <string>

class CNewFolderDlg : public CDialog {
public:
    CNewFolderDlg();

    void SetParentPath(const std::wstring& path) { m_parent = path; }
    const std::wstring& Path() const { return m_path; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    std::wstring m_parent;  // with a trailing "\" once the dialog runs
    std::wstring m_path;
};
