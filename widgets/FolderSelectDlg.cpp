#include "widgets/FolderSelectDlg.h"

#include "app/win/Environment.h"
#include "resources/VxfsendRes.h"
#include "widgets/CriticalErrorBoxesOff.h"
#include "widgets/NewFolderDlg.h"
#include "widgets/ReadOnlyEdit.h"

namespace {

constexpr int kClosedImage = 0;
constexpr int kOpenImage = 1;

std::wstring withBackslash(std::wstring path)
{
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}

std::wstring lowerCase(std::wstring text)
{
    if (!text.empty())
        ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// A drive item's data: its root "x:\" (letter in lower case) packed
// character by character, the first in the lowest byte.
LPARAM packRoot(wchar_t letter)
{
    const wchar_t lower = static_cast<wchar_t>(letter - L'A' + L'a');
    return static_cast<LPARAM>(lower | (L':' << 8) | (L'\\' << 16));
}

std::wstring unpackRoot(LPARAM data)
{
    return {static_cast<wchar_t>(data & 0xFF), static_cast<wchar_t>((data >> 8) & 0xFF),
            static_cast<wchar_t>((data >> 16) & 0xFF)};
}

// Calls `visit(name)` for every subfolder of `folder` (with its trailing
// "\"), "." and ".." left out; returns how many there were.
template <class Visit>
int forEachSubfolder(const std::wstring& folder, Visit visit)
{
    CriticalErrorBoxesOff quiet;
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileW((folder + L"*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        const std::wstring name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..")
            continue;
        ++count;
        visit(name);
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return count;
}

int countSubfolders(const std::wstring& folder)
{
    return forEachSubfolder(folder, [](const std::wstring&) {});
}

}  // namespace

CFolderSelectDlg::CFolderSelectDlg() : CDialog(IDD_FOLDER_SELECT)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
}

CFolderSelectDlg::~CFolderSelectDlg()
{
    // The tree never frees its image list; it is gone with the dialog.
    if (m_images)
        ::ImageList_Destroy(m_images);
}

BOOL CFolderSelectDlg::OnInitDialog()
{
    m_tree = GetDlgItem(IDC_FOLDER_TREE);
    m_selectedPath.clear();
    ::EnableWindow(GetDlgItem(IDOK), FALSE);
    ::EnableWindow(GetDlgItem(IDC_FOLDER_SELECT_NEW), FALSE);

    if (!m_images) {
        m_images = ::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
        for (UINT id : {IDB_FOLDER_CLOSED, IDB_FOLDER_OPEN}) {
            HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageW(
                ResourceInstance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
            ::ImageList_AddMasked(m_images, bitmap, RGB(255, 255, 255));
            ::DeleteObject(bitmap);
        }
    }
    TreeView_SetImageList(m_tree, m_images, TVSIL_NORMAL);

    m_startPath = lowerCase(withBackslash(m_startPath.empty() ? currentDirectory() : m_startPath));
    AddDrives();
    OpenStartFolder();
    // A tree that gets the focus selects an item if none is: only with the
    // start folder selected does it start with the focus.
    if (!TreeView_GetSelection(m_tree))
        return TRUE;
    ::SetFocus(m_tree);
    return FALSE;
}

void CFolderSelectDlg::AddDrives()
{
    const DWORD drives = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(drives & (1u << i)))
            continue;
        const wchar_t letter = static_cast<wchar_t>(L'A' + i);
        const std::wstring root = {letter, L':', L'\\'};
        std::wstring text = L"(" + std::wstring(1, letter) + L":)";
        // A removable drive is not touched: it may hold no medium.
        if (::GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE) {
            wchar_t label[MAX_PATH + 1] = {};
            CriticalErrorBoxesOff quiet;
            if (::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr,
                                        nullptr, nullptr, 0))
                text = label + text;
        }
        InsertItem(TVI_ROOT, TVI_LAST, text, 1, packRoot(letter));
    }
}

// Opens the tree down to the start folder, which the expansion of its
// parent selects; a start folder that is not there leaves the tree at the
// deepest part of its path that is.
void CFolderSelectDlg::OpenStartFolder()
{
    HTREEITEM item = nullptr;
    for (HTREEITEM drive = TreeView_GetRoot(m_tree); drive;
         drive = TreeView_GetNextSibling(m_tree, drive)) {
        if (ItemPath(drive) == m_startPath.substr(0, 3)) {
            item = drive;
            break;
        }
    }
    if (!item)
        return;
    if (m_startPath.size() <= 3) {
        TreeView_SelectItem(m_tree, item);
        return;
    }
    size_t begin = 3;
    while (item && begin < m_startPath.size()) {
        const size_t end = m_startPath.find(L'\\', begin);
        const std::wstring component = m_startPath.substr(begin, end - begin);
        begin = end + 1;
        if (component.empty())
            continue;
        TreeView_Expand(m_tree, item, TVE_EXPAND);
        item = FindChild(item, component, true);
    }
    if (HTREEITEM selected = TreeView_GetSelection(m_tree))
        TreeView_EnsureVisible(m_tree, selected);
}

bool CFolderSelectDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (message == WM_CTLCOLORSTATIC &&
        reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_FOLDER_SELECT_PATH)) {
        result = readOnlyEditColours(reinterpret_cast<HDC>(wParam));
        return true;
    }
    if (message != WM_NOTIFY)
        return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_FOLDER_TREE)
        return false;
    const auto* change = reinterpret_cast<const NMTREEVIEWW*>(lParam);
    if (header->code == TVN_ITEMEXPANDINGW)
        OnItemExpanding(*change);
    else if (header->code == TVN_ITEMEXPANDEDW)
        OnItemExpanded();
    else if (header->code == TVN_SELCHANGEDW)
        OnSelectionChanged(change->itemNew.hItem);
    else
        return false;
    // Expansion goes ahead; the other notifications have no answer.
    result = FALSE;
    return true;
}

void CFolderSelectDlg::OnItemExpanding(const NMTREEVIEWW& change)
{
    if ((change.action & (TVE_COLLAPSE | TVE_EXPAND)) != TVE_EXPAND)
        return;
    HTREEITEM item = change.itemNew.hItem;
    TreeView_SelectItem(m_tree, item);
    std::vector<HTREEITEM> added;
    ListFolder(item, added);
    const std::wstring start = m_startPath.substr(0, m_startPath.size() - 1);
    for (HTREEITEM child : added) {
        if (lowerCase(ItemPath(child)) == start)
            m_itemToSelect = child;
    }
}

// Selected once its parent is open: selecting a child of an item still
// closed would open that item from inside its own expansion.
void CFolderSelectDlg::OnItemExpanded()
{
    if (!m_itemToSelect)
        return;
    TreeView_SelectItem(m_tree, m_itemToSelect);
    m_itemToSelect = nullptr;
}

void CFolderSelectDlg::OnSelectionChanged(HTREEITEM item)
{
    m_selectedPath = item ? ItemPath(item) : std::wstring();
    const BOOL any = !m_selectedPath.empty();
    ::EnableWindow(GetDlgItem(IDOK), any);
    ::EnableWindow(GetDlgItem(IDC_FOLDER_SELECT_NEW), any);
    ::SetDlgItemTextW(m_hWnd, IDC_FOLDER_SELECT_PATH, m_selectedPath.c_str());
}

bool CFolderSelectDlg::OnCommand(WORD id, WORD notifyCode, HWND)
{
    if (id != IDC_FOLDER_SELECT_NEW || notifyCode != BN_CLICKED)
        return false;
    OnNewFolder();
    return true;
}

void CFolderSelectDlg::OnNewFolder()
{
    HTREEITEM item = TreeView_GetSelection(m_tree);
    if (!item)
        return;
    CNewFolderDlg dialog;
    dialog.SetParentPath(ItemPath(item));
    if (dialog.DoModal(m_hWnd) != IDOK || dialog.Path().empty())
        return;

    std::vector<HTREEITEM> added;
    const int folders = ListFolder(item, added);
    if (added.empty())
        return;
    TVITEMW update = {};
    update.mask = TVIF_CHILDREN;
    update.hItem = item;
    update.cChildren = folders;
    TreeView_SetItem(m_tree, &update);
    TreeView_Expand(m_tree, item, TVE_EXPAND);
    ::SetFocus(m_tree);
    // An item never opened before gets all its folders now; the new one is
    // the one to select.
    const std::wstring created = dialog.Path().substr(dialog.Path().rfind(L'\\') + 1);
    if (HTREEITEM child = FindChild(item, created, true))
        TreeView_SelectItem(m_tree, child);
}

void CFolderSelectDlg::OnOK()
{
    if (!m_selectedPath.empty())
        EndDialog(IDOK);
}

int CFolderSelectDlg::ListFolder(HTREEITEM item, std::vector<HTREEITEM>& added)
{
    const std::wstring folder = withBackslash(ItemPath(item));
    return forEachSubfolder(folder, [&](const std::wstring& name) {
        if (FindChild(item, name, false))
            return;
        const int children = countSubfolders(folder + name + L'\\');
        added.push_back(InsertItem(item, TVI_SORT, name, children, 0));
    });
}

HTREEITEM CFolderSelectDlg::InsertItem(HTREEITEM parent, HTREEITEM after, const std::wstring& text,
                                       int childCount, LPARAM data)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = kClosedImage;
    insert.item.iSelectedImage = kOpenImage;
    insert.item.cChildren = childCount;
    insert.item.lParam = data;
    return TreeView_InsertItem(m_tree, &insert);
}

std::wstring CFolderSelectDlg::ItemText(HTREEITEM item) const
{
    wchar_t text[MAX_PATH + 1] = {};
    TVITEMW query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = MAX_PATH + 1;
    TreeView_GetItem(m_tree, &query);
    return text;
}

std::wstring CFolderSelectDlg::ItemPath(HTREEITEM item) const
{
    HTREEITEM parent = TreeView_GetParent(m_tree, item);
    if (parent)
        return withBackslash(ItemPath(parent)) + ItemText(item);
    TVITEMW query = {};
    query.mask = TVIF_PARAM;
    query.hItem = item;
    TreeView_GetItem(m_tree, &query);
    return query.lParam ? unpackRoot(query.lParam) : ItemText(item);
}

HTREEITEM CFolderSelectDlg::FindChild(HTREEITEM parent, const std::wstring& text,
                                      bool ignoreCase) const
{
    for (HTREEITEM child = TreeView_GetChild(m_tree, parent); child;
         child = TreeView_GetNextSibling(m_tree, child)) {
        const std::wstring childText = ItemText(child);
        if (ignoreCase ? lowerCase(childText) == lowerCase(text) : childText == text)
            return child;
    }
    return nullptr;
}
