#include "testsupport/win/MessageBoxWatcher.h"
#include "testsupport/TestFiles.h"
#include "testsupport/win/TestFiles.h"

#include "resources/VxfsendRes.h"
#include "widgets/FolderName.h"
#include "widgets/FolderSelectDlg.h"
#include "widgets/NewFolderDlg.h"
#include "win/ResourceString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {


std::wstring lower(std::wstring text)
{
    ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// Texts of the program's own boxes among the windows the watcher answered.
std::vector<std::wstring> boxTexts(MessageBoxWatcher& watcher)
{
    std::vector<std::wstring> texts;
    for (const SeenBox& box : watcher.stop())
        if (box.caption == loadResourceString(IDS_APP_TITLE))
            texts.push_back(box.text);
    return texts;
}

// Keeps the process's current directory, which creating a folder changes.
class CurrentDirectoryKept {
public:
    ~CurrentDirectoryKept() { ::SetCurrentDirectoryW(m_saved.c_str()); }

private:
    std::wstring m_saved = testfiles::processCurrentDirectory();
};

TEST(FolderName, RefusesWhatWindowsRefusesAndFitsTheFileSystem)
{
    for (const wchar_t* name : {L"Pictures", L"a.b", L"...x", L"写真 2024"})
        EXPECT_TRUE(isValidFolderName(name)) << testing::PrintToString(std::wstring(name));
    for (const wchar_t* name : {L"", L".", L"..", L"a\\b", L"a/b", L"c:", L"a*", L"why?", L"\"q\"", L"<", L">", L"a|b"})
        EXPECT_FALSE(isValidFolderName(name)) << testing::PrintToString(std::wstring(name));

    EXPECT_EQ(folderNameLimit(12, 40), 8);  // short names, whatever the parent
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

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CNewFolderDlg::OnInitDialog();
        okEnabledEmpty = ::IsWindowEnabled(GetDlgItem(IDOK));
        TypeNext();
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

TEST(NewFolderDialog, RefusesAnInvalidNameAndTakesAnExistingFolderAsCreated)
{
    TempFolder temp;
    ASSERT_TRUE(::CreateDirectoryW((temp / L"Existing").wstring().c_str(), nullptr));
    CurrentDirectoryKept kept;
    MessageBoxWatcher watcher(IDYES);
    CTypingNewFolderDlg dialog({L"a:b", L"Existing"});
    dialog.SetParentPath(temp.path().wstring());
    EXPECT_EQ(dialog.DoModal(), IDOK);

    EXPECT_FALSE(dialog.okEnabledEmpty);
    EXPECT_EQ(boxTexts(watcher), (std::vector<std::wstring>{loadResourceString(IDS_MSG_FOLDER_NAME_INVALID),
                                                            L"Existing " + loadResourceString(IDS_MSG_CREATE_FOLDER)}));
    EXPECT_EQ(dialog.Path(), (temp / L"Existing").wstring());
    EXPECT_EQ(lower(testfiles::processCurrentDirectory()), lower((temp / L"Existing").wstring()));
}

TEST(NewFolderDialog, AFileOfThatNameFailsWithTheSystemsCode)
{
    TempFolder temp;
    ASSERT_NO_THROW(writeFileText((temp / L"Taken").wstring(), "not a folder"));
    MessageBoxWatcher watcher(IDYES);
    CTypingNewFolderDlg dialog({L"Taken"});
    dialog.SetParentPath(temp.path().wstring() + L"\\");
    EXPECT_EQ(dialog.DoModal(), IDOK);

    EXPECT_EQ(dialog.Path(), L"");
    const auto texts = boxTexts(watcher);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], loadResourceString(IDS_MSG_FOLDER_CREATE_FAILED) + L"\n[183]");
}

class FolderSelect : public ::testing::Test {
protected:
    HWND tree() const { return m_dialog.GetDlgItem(IDC_FOLDER_TREE); }
    bool enabled(int id) const { return ::IsWindowEnabled(m_dialog.GetDlgItem(id)) != FALSE; }
    std::wstring pathShown() const
    {
        wchar_t text[MAX_PATH + 1] = {};
        ::GetDlgItemTextW(m_dialog.GetSafeHwnd(), IDC_FOLDER_SELECT_PATH, text, MAX_PATH + 1);
        return text;
    }
    TVITEMW item(HTREEITEM handle)
    {
        TVITEMW query = {};
        query.mask = TVIF_TEXT | TVIF_CHILDREN;
        query.hItem = handle;
        query.pszText = m_text;
        query.cchTextMax = MAX_PATH + 1;
        TreeView_GetItem(tree(), &query);
        return query;
    }

    CFolderSelectDlg m_dialog;
    wchar_t m_text[MAX_PATH + 1] = {};
};

TEST_F(FolderSelect, OpensAtTheStartFolderBelowTheDrives)
{
    TempFolder temp;
    const std::wstring start = (temp / L"Start").wstring();
    ASSERT_TRUE(::CreateDirectoryW(start.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((start + L"\\Inner").c_str(), nullptr));
    std::wstring typed = start;
    ::CharUpperBuffW(&typed[0], static_cast<DWORD>(typed.size()));
    m_dialog.SetStartPath(typed);
    ASSERT_TRUE(m_dialog.Create(nullptr));

    bool systemDrive = false;
    for (HTREEITEM drive = TreeView_GetRoot(tree()); drive; drive = TreeView_GetNextSibling(tree(), drive)) {
        const std::wstring name = item(drive).pszText;
        systemDrive |= name.size() >= 4 && name.compare(name.size() - 4, 4, L"(C:)") == 0;
    }
    EXPECT_TRUE(systemDrive);

    EXPECT_EQ(lower(m_dialog.SelectedPath()), lower(start));
    EXPECT_EQ(pathShown(), m_dialog.SelectedPath());
    EXPECT_TRUE(enabled(IDOK));
    EXPECT_TRUE(enabled(IDC_FOLDER_SELECT_NEW));
    HTREEITEM selected = TreeView_GetSelection(tree());
    EXPECT_EQ(item(selected).cChildren, 1);
    TreeView_Expand(tree(), selected, TVE_EXPAND);
    const TVITEMW inner = item(TreeView_GetChild(tree(), selected));
    EXPECT_EQ(std::wstring(inner.pszText), L"Inner");
    EXPECT_EQ(inner.cChildren, 0);
}

TEST_F(FolderSelect, WithNothingSelectedOkAndNewFolderStayDisabled)
{
    m_dialog.SetStartPath(L"\\\\nowhere\\share");
    ASSERT_TRUE(m_dialog.Create(nullptr));
    EXPECT_EQ(TreeView_GetSelection(tree()), nullptr);
    EXPECT_FALSE(enabled(IDOK));
    EXPECT_FALSE(enabled(IDC_FOLDER_SELECT_NEW));
    EXPECT_EQ(pathShown(), L"");

    TreeView_SelectItem(tree(), TreeView_GetRoot(tree()));
    EXPECT_TRUE(enabled(IDOK));
    EXPECT_TRUE(enabled(IDC_FOLDER_SELECT_NEW));
    EXPECT_EQ(pathShown().substr(1), L":\\");
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
    TempFolder temp;
    CurrentDirectoryKept kept;
    m_dialog.SetStartPath(temp.path().wstring());
    ASSERT_TRUE(m_dialog.Create(nullptr));
    ASSERT_EQ(lower(m_dialog.SelectedPath()), lower(temp.path().wstring()));

    MessageBoxWatcher watcher(IDYES);
    ::SetTimer(nullptr, 0, 50, answerNewFolderDialog);
    ::SendMessageW(m_dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDC_FOLDER_SELECT_NEW, BN_CLICKED),
                   reinterpret_cast<LPARAM>(m_dialog.GetDlgItem(IDC_FOLDER_SELECT_NEW)));
    EXPECT_EQ(boxTexts(watcher).size(), 1u);

    EXPECT_TRUE(std::filesystem::is_directory((temp / L"Fresh").wstring()));
    EXPECT_EQ(lower(m_dialog.SelectedPath()), lower((temp / L"Fresh").wstring()));
    EXPECT_EQ(std::wstring(item(TreeView_GetSelection(tree())).pszText), L"Fresh");
}

} // namespace
