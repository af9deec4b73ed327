// The folder select dialog (404): a tree of the drives and their folders,
// filled as the user opens it; opens at the start folder. OK ends it with
// SelectedPath() holding the chosen folder. Its new-folder button creates a
// folder under the selected one (CNewFolderDlg) and selects it.
#pragma once

#include "win/Dialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

class CFolderSelectDlg : public CDialog {
public:
    CFolderSelectDlg();
    ~CFolderSelectDlg() override;

    // The folder to open at; empty: the current directory.
    void SetStartPath(const std::wstring& path) { m_startPath = path; }
    const std::wstring& SelectedPath() const { return m_selectedPath; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void AddDrives();
    void OpenStartFolder();
    void OnItemExpanding(const NMTREEVIEWW& change);
    void OnItemExpanded();
    void OnSelectionChanged(HTREEITEM item);
    void OnNewFolder();

    // Inserts the subfolders of `item`'s folder that it does not show yet;
    // returns how many subfolders the folder has.
    int ListFolder(HTREEITEM item, std::vector<HTREEITEM>& added);
    HTREEITEM InsertItem(HTREEITEM parent, HTREEITEM after, const std::wstring& text,
                         int childCount, LPARAM data);
    std::wstring ItemText(HTREEITEM item) const;
    std::wstring ItemPath(HTREEITEM item) const;
    HTREEITEM FindChild(HTREEITEM parent, const std::wstring& text, bool ignoreCase) const;

    HWND m_tree = nullptr;
    HIMAGELIST m_images = nullptr;
    std::wstring m_startPath;            // lower case, trailing "\" once the dialog runs
    HTREEITEM m_itemToSelect = nullptr;  // the start folder, once listed
    std::wstring m_selectedPath;
};
