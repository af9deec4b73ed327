#include "MessageBoxWatcher.h"
#include "WidgetTestSupport.h"
#include "WinTestFiles.h"

#include "resources/VxfsendRes.h"
#include "widgets/FolderName.h"
#include "widgets/FolderSelectDlg.h"
#include "widgets/NewFolderDlg.h"
#include "win/ResourceString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testfiles::isFolder;
using testfiles::TempFolder;

std::wstring lower(std::wstring text)
{
    ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::wstring itemText(HWND window, int id)
{
    wchar_t text[MAX_PATH + 1] = {};
    ::GetDlgItemTextW(window, id, text, MAX_PATH + 1);
    return text;
}

// The program's own boxes among the windows the watcher answered.
std::vector<SeenBox> programBoxes(MessageBoxWatcher& watcher)
{
    std::vector<SeenBox> boxes;
    for (const SeenBox& box : watcher.stop())
        if (box.caption == loadResourceString(IDS_APP_TITLE))
            boxes.push_back(box);
    return boxes;
}

// Keeps the process's current directory, which creating a folder changes.
class CurrentDirectoryKept {
public:
    CurrentDirectoryKept() : m_saved(testfiles::processCurrentDirectory()) {}
    ~CurrentDirectoryKept() { ::SetCurrentDirectoryW(m_saved.c_str()); }

private:
    std::wstring m_saved;
};

TEST(FolderName, RefusesWhatWindowsRefusesInNames)
{
    for (const wchar_t* name : {L"Pictures", L"a.b", L"...x", L"写真 2024"})
        EXPECT_TRUE(isValidFolderName(name)) << testing::PrintToString(std::wstring(name));
    for (const wchar_t* name : {L"", L".", L"..", L"a\\b", L"a/b", L"c:", L"a*", L"why?", L"\"q\"", L"<", L">", L"a|b"})
        EXPECT_FALSE(isValidFolderName(name)) << testing::PrintToString(std::wstring(name));
}

TEST(FolderName, LimitFollowsTheFileSystemAndTheParentsLength)
{
    EXPECT_EQ(folderNameLimit(12, 40), 8);  // short names: 8 whatever the parent
    EXPECT_EQ(folderNameLimit(255, 10), 236);
    EXPECT_EQ(folderNameLimit(254, 10), 244);
    EXPECT_LT(folderNameLimit(255, 300), 1);
}

// The new-folder dialog with names typed in: the first as it opens, each
// further one after an OK that left the dialog open.
class CTypingNewFolderDlg : public CNewFolderDlg {
public:
    explicit CTypingNewFolderDlg(std::vector<std::wstring> names) : m_names(std::move(names)) {}
    bool okEnabledEmpty = true;
    bool okEnabledTyped = false;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CNewFolderDlg::OnInitDialog();
        okEnabledEmpty = ::IsWindowEnabled(GetDlgItem(IDOK));
        TypeNext();
        okEnabledTyped = ::IsWindowEnabled(GetDlgItem(IDOK));
        return result;
    }
    void OnOK() override
    {
        CNewFolderDlg::OnOK();
        TypeNext();
    }

private:
    void TypeNext()
    {
        if (m_next >= m_names.size())
            return;
        ::SetDlgItemTextW(m_hWnd, IDC_NEW_FOLDER_NAME, m_names[m_next++].c_str());
        ::PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }

    std::vector<std::wstring> m_names;
    size_t m_next = 0;
};

TEST(NewFolderDialog, AnExistingFolderCountsAsCreated)
{
    TempFolder temp(L"vxf-new-folder");
    ASSERT_TRUE(::CreateDirectoryW(temp.sub(L"Existing").c_str(), nullptr));
    CurrentDirectoryKept kept;
    MessageBoxWatcher watcher(IDYES);
    CTypingNewFolderDlg dialog({L"Existing"});
    dialog.SetParentPath(temp.path());
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const auto boxes = programBoxes(watcher);

    EXPECT_FALSE(dialog.okEnabledEmpty);
    EXPECT_TRUE(dialog.okEnabledTyped);
    EXPECT_EQ(dialog.Path(), temp.sub(L"Existing"));
    EXPECT_EQ(lower(testfiles::processCurrentDirectory()), lower(temp.sub(L"Existing")));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Existing " + loadResourceString(IDS_MSG_CREATE_FOLDER));
}

TEST(NewFolderDialog, AFileOfThatNameFailsWithTheSystemsCode)
{
    TempFolder temp(L"vxf-new-folder");
    ASSERT_TRUE(testfiles::writeFile(temp.sub(L"Taken"), "not a folder"));
    CurrentDirectoryKept kept;
    MessageBoxWatcher watcher(IDYES);
    CTypingNewFolderDlg dialog({L"Taken"});
    dialog.SetParentPath(temp.path() + L"\\");
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const auto boxes = programBoxes(watcher);

    EXPECT_EQ(dialog.Path(), L"");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, loadResourceString(IDS_MSG_FOLDER_CREATE_FAILED) + L"\n[183]");
}

TEST(NewFolderDialog, AnInvalidNameIsRefusedAndTheDialogStaysOpen)
{
    TempFolder temp(L"vxf-new-folder");
    CurrentDirectoryKept kept;
    MessageBoxWatcher watcher(IDYES);
    CTypingNewFolderDlg dialog({L"a:b", L"Fine"});
    dialog.SetParentPath(temp.path());
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const auto boxes = programBoxes(watcher);

    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, loadResourceString(IDS_MSG_FOLDER_NAME_INVALID));
    EXPECT_EQ(boxes[1].text, L"Fine " + loadResourceString(IDS_MSG_CREATE_FOLDER));
    EXPECT_EQ(dialog.Path(), temp.sub(L"Fine"));
    EXPECT_TRUE(isFolder(temp.sub(L"Fine")));
}

class FolderSelect : public ::testing::Test {
protected:
    HWND window() const { return m_dialog.GetSafeHwnd(); }
    HWND tree() const { return m_dialog.GetDlgItem(IDC_FOLDER_TREE); }
    bool enabled(int id) const { return ::IsWindowEnabled(m_dialog.GetDlgItem(id)) != FALSE; }
    std::wstring text(HTREEITEM item) const
    {
        wchar_t buffer[MAX_PATH + 1] = {};
        TVITEMW query = {};
        query.mask = TVIF_TEXT;
        query.hItem = item;
        query.pszText = buffer;
        query.cchTextMax = MAX_PATH + 1;
        TreeView_GetItem(tree(), &query);
        return buffer;
    }
    int childCount(HTREEITEM item) const
    {
        TVITEMW query = {};
        query.mask = TVIF_CHILDREN;
        query.hItem = item;
        TreeView_GetItem(tree(), &query);
        return query.cChildren;
    }

    CFolderSelectDlg m_dialog;
};

TEST_F(FolderSelect, OpensAtTheStartFolderBelowTheDrives)
{
    TempFolder temp(L"vxf-folder-select");
    ASSERT_TRUE(::CreateDirectoryW(temp.sub(L"Start").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((temp.sub(L"Start") + L"\\Inner").c_str(), nullptr));
    std::wstring start = temp.sub(L"Start");
    ::CharUpperBuffW(&start[0], static_cast<DWORD>(start.size()));
    m_dialog.SetStartPath(start);
    ASSERT_TRUE(m_dialog.Create(nullptr));

    bool systemDrive = false;
    for (HTREEITEM drive = TreeView_GetRoot(tree()); drive; drive = TreeView_GetNextSibling(tree(), drive)) {
        const std::wstring name = text(drive);
        systemDrive |= name.size() >= 4 && name.compare(name.size() - 4, 4, L"(C:)") == 0;
    }
    EXPECT_TRUE(systemDrive);

    EXPECT_EQ(lower(m_dialog.SelectedPath()), lower(temp.sub(L"Start")));
    EXPECT_EQ(itemText(window(), IDC_FOLDER_SELECT_PATH), m_dialog.SelectedPath());
    EXPECT_TRUE(enabled(IDOK));
    EXPECT_TRUE(enabled(IDC_FOLDER_SELECT_NEW));
    HTREEITEM selected = TreeView_GetSelection(tree());
    EXPECT_EQ(childCount(selected), 1);

    TreeView_Expand(tree(), selected, TVE_EXPAND);
    HTREEITEM inner = TreeView_GetChild(tree(), selected);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(text(inner), L"Inner");
    EXPECT_EQ(childCount(inner), 0);
}

TEST_F(FolderSelect, WithNothingSelectedOkAndNewFolderStayDisabled)
{
    m_dialog.SetStartPath(L"\\\\nowhere\\share");
    ASSERT_TRUE(m_dialog.Create(nullptr));
    EXPECT_EQ(TreeView_GetSelection(tree()), nullptr);
    EXPECT_FALSE(enabled(IDOK));
    EXPECT_FALSE(enabled(IDC_FOLDER_SELECT_NEW));
    EXPECT_EQ(itemText(window(), IDC_FOLDER_SELECT_PATH), L"");

    HTREEITEM drive = TreeView_GetRoot(tree());
    ASSERT_NE(drive, nullptr);
    TreeView_SelectItem(tree(), drive);
    EXPECT_TRUE(enabled(IDOK));
    EXPECT_TRUE(enabled(IDC_FOLDER_SELECT_NEW));
    const std::wstring root = itemText(window(), IDC_FOLDER_SELECT_PATH);
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root.substr(1), L":\\");
}

BOOL CALLBACK findNewFolderDialog(HWND candidate, LPARAM result)
{
    if (!::IsWindowVisible(candidate) || !::GetDlgItem(candidate, IDC_NEW_FOLDER_NAME))
        return TRUE;
    *reinterpret_cast<HWND*>(result) = candidate;
    return FALSE;
}

// Types a name into the new-folder dialog once it is up, and presses OK.
VOID CALLBACK answerNewFolderDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), findNewFolderDialog, reinterpret_cast<LPARAM>(&found));
    if (!found)
        return;
    ::KillTimer(nullptr, timer);
    ::SetDlgItemTextW(found, IDC_NEW_FOLDER_NAME, L"Fresh");
    ::PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST_F(FolderSelect, NewFolderButtonCreatesTheFolderAndSelectsIt)
{
    TempFolder temp(L"vxf-folder-select");
    CurrentDirectoryKept kept;
    m_dialog.SetStartPath(temp.path());
    ASSERT_TRUE(m_dialog.Create(nullptr));
    ASSERT_EQ(lower(m_dialog.SelectedPath()), lower(temp.path()));

    MessageBoxWatcher watcher(IDYES);
    ::SetTimer(nullptr, 0, 50, answerNewFolderDialog);
    ::SendMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_FOLDER_SELECT_NEW, BN_CLICKED),
                   reinterpret_cast<LPARAM>(m_dialog.GetDlgItem(IDC_FOLDER_SELECT_NEW)));
    EXPECT_EQ(programBoxes(watcher).size(), 1u);

    EXPECT_TRUE(isFolder(temp.sub(L"Fresh")));
    EXPECT_EQ(lower(m_dialog.SelectedPath()), lower(temp.sub(L"Fresh")));
    EXPECT_EQ(text(TreeView_GetSelection(tree())), L"Fresh");
}

} // namespace
