#include "ui/UploadDlg.h"

#include "app/Geometry.h"
#include "app/PrivateMessages.h"
#include "app/win/Environment.h"
#include "capture/CaptureScreen.h"
#include "resources/VxfsendRes.h"
#include "sound/RiffReader.h"
#include "sound/SoundConvert.h"
#include "ui/AboutDlg.h"
#include "ui/CameraSwitchDlg.h"
#include "ui/FileTypes.h"
#include "ui/HintStrings.h"
#include "ui/Mnemonic.h"
#include "ui/SplashWindow.h"
#include "widgets/FolderSelectDlg.h"
#include "widgets/NewFolderDlg.h"
#include "win/ResourceString.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

const wchar_t kAllFilesFilter[] = L"All Files (*.*)|*.*||";
// The capture tab always lists the pictures a capture can make or upload.
const wchar_t kCapturePattern[] = L"*.jpg;*.bmp";

const COLORREF kHintBackground = RGB(255, 251, 240);
const COLORREF kGuideBackground = RGB(192, 192, 192);

// The capture key combo's keys: F1 to F10 without F6.
struct FunctionKey {
    const wchar_t* name;
    UINT virtualKey;
};
constexpr FunctionKey kCaptureKeys[] = {
    {L"F1", VK_F1}, {L"F2", VK_F2}, {L"F3", VK_F3}, {L"F4", VK_F4},   {L"F5", VK_F5},
    {L"F7", VK_F7}, {L"F8", VK_F8}, {L"F9", VK_F9}, {L"F10", VK_F10},
};

// Controls shown on one tab only, and on both.
constexpr int kTransferControls[] = {
    IDC_FILE_NAME_LABEL, IDC_FILE_TYPE_LABEL, IDC_FILE_TYPE,   IDC_ADD_ALL,
    IDC_ADD_SELECTED,    IDC_REMOVE_SELECTED, IDC_REMOVE_ALL,  IDC_UPLOAD_LIST_LABEL,
    IDC_UPLOAD_LIST,     IDC_SORT_LABEL,      IDC_MOVE_UP,     IDC_MOVE_DOWN,
    IDC_SIZE_GROUP,      IDC_SIZE_V,          IDC_SIZE_X,      IDC_SIZE_P,
    IDC_PREVIEW_CHECK,   IDC_PREVIEW_AREA,    IDC_SAVE_ALSO,   IDC_BROWSE,
    IDC_SAVE_PATH,       IDC_UPLOAD,          IDC_SOUND_GROUP, IDC_SOUND_SELECT,
    IDC_SOUND_TEST,      IDC_SOUND_DELETE,
};
constexpr int kCaptureControls[] = {
    IDC_CAPTURE_KEY_GROUP, IDC_CAPTURE_KEY,   IDC_KEY_ALT,    IDC_KEY_CTRL,
    IDC_KEY_SHIFT,         IDC_CAPTURE_GUIDE, IDC_NEW_FOLDER,
};
constexpr int kBrowserControls[] = {
    IDC_FOLDER_LABEL, IDC_CURRENT_FOLDER, IDC_FOLDER_LIST,
    IDC_DRIVE_LABEL,  IDC_DRIVE_COMBO,    IDC_FILE_LIST,
};
// The maintenance layout shows the system dialog's own controls.
constexpr int kMaintenanceControls[] = {IDC_FILE_NAME_EDIT, IDC_CD_FILE_TYPE, IDC_CD_FILE_LIST};

std::wstring resourceString(UINT id)
{
    return loadResourceString(id, CFileOpenDialog::ResourceInstance());
}

std::wstring listText(HWND list, int index)
{
    const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                          reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

std::wstring currentDirectoryText()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, buffer);
    return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// One step up from `path`: its last component cut off (a root keeps its
// "\"). Empty when no step up is possible, as for a relative name without
// "\" or the root of a drive or share.
std::wstring parentFolder(std::wstring path)
{
    if (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    const size_t separator = path.find_last_of(L'\\');
    if (separator == std::wstring::npos)
        return std::wstring();
    std::wstring parent = path.substr(0, separator == 2 && path[1] == L':' ? 3 : separator);
    if (parent.size() >= path.size() || parent.empty())
        return std::wstring();
    // "\\server\share" has no parent the system could list.
    if (parent.rfind(L"\\\\", 0) == 0 && std::count(parent.begin(), parent.end(), L'\\') < 3)
        return std::wstring();
    return parent;
}

bool checked(HWND dialog, int id)
{
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

}  // namespace

CUploadDlg::CUploadDlg(const vximg::ImagingLibrary& imaging, CCaptureProgressDlg* captureProgress)
    : CFileOpenDialog(IDD_UPLOAD, kAllFilesFilter), m_imaging(imaging),
      m_captureProgress(captureProgress), m_fileOkMessage(::RegisterWindowMessageW(FILEOKSTRINGW))
{}

CUploadDlg::~CUploadDlg()
{
    if (m_hintBrush != nullptr)
        ::DeleteObject(m_hintBrush);
    if (m_guideBrush != nullptr)
        ::DeleteObject(m_guideBrush);
    if (m_tabBodyBrush != nullptr)
        ::DeleteObject(m_tabBodyBrush);
    if (m_tabImages != nullptr)
        ImageList_Destroy(m_tabImages);
    if (m_icon != nullptr)
        ::DestroyIcon(m_icon);
    if (m_smallIcon != nullptr)
        ::DestroyIcon(m_smallIcon);
}

// ---------------------------------------------------------------------------
// Start-up

BOOL CUploadDlg::OnInitDialog()
{
    // The picture converter lives over the preview area, made square.
    RECT preview = {};
    ::GetWindowRect(GetDlgItem(IDC_PREVIEW_AREA), &preview);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&preview), 2);
    makeSquare(preview);
    if (!m_converter.create(m_hWnd, preview, m_imaging)) {
        showMessage(m_hWnd, nullptr, IDS_MSG_FILE_MISSING, nullptr, MB_OK | MB_ICONEXCLAMATION);
        ::EndDialog(m_hWnd, 0);
        return TRUE;
    }
    m_converter.setProgressLineSink([this](int, const std::wstring& text) { ShowBusyText(text); });
    m_previewPicture.Attach(m_converter.preview()->window());

    if ((m_settings.DebugMode & kDebugNoSuiteCheck) == 0 && !SuiteInstalled()) {
        showMessage(m_hWnd, nullptr, IDS_MSG_SUITE_MISSING, nullptr, MB_OK | MB_ICONEXCLAMATION);
        ::EndDialog(m_hWnd, 0);
        return TRUE;
    }
    CSplashWindow::ShowOnce(m_hWnd);
    AddAboutMenuItem();

    m_icon = static_cast<HICON>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDI_APP),
                                             IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                             ::GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDI_APP),
                                                  IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                  ::GetSystemMetrics(SM_CYSMICON), 0));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    ::SetWindowTextW(m_hWnd, resourceString(IDS_APP_TITLE).c_str());

    AttachControls();
    m_fileList.SetItemHeight(13);
    for (CHintBitmapButton* button : {&m_upexe, &m_capsta, &m_capend, &m_moveUp, &m_moveDown})
        button->LoadBitmaps();
    if ((m_settings.DebugMode & kDebugCommonFileList) != 0)
        UseMaintenanceLayout();
    m_layout.Record(m_hWnd);

    FillFileTypes();
    FillTabs();
    FillCaptureKeys();
    m_settings.HotkeyModifiers &= 7;
    ::CheckDlgButton(m_hWnd, IDC_KEY_ALT,
                     (m_settings.HotkeyModifiers & MOD_ALT) ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_KEY_CTRL,
                     (m_settings.HotkeyModifiers & MOD_CONTROL) ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_KEY_SHIFT,
                     (m_settings.HotkeyModifiers & MOD_SHIFT) ? BST_CHECKED : BST_UNCHECKED);

    ::CheckDlgButton(m_hWnd, IDC_SAVE_ALSO,
                     m_settings.CehckSeve != 0 ? BST_CHECKED : BST_UNCHECKED);
    m_settings.TwainPath = m_settings.CehckSeve != 0 ? m_settings.PathSave : m_settings.PathTemp;
    ::CheckDlgButton(m_hWnd, IDC_PREVIEW_CHECK,
                     (m_settings.CehckViewMode & 1) ? BST_CHECKED : BST_UNCHECKED);
    CheckSizeRadios();
    ::SetDlgItemTextW(m_hWnd, IDC_SAVE_PATH, m_settings.PathSave.c_str());

    if (m_captureProgress == nullptr) {
        m_ownCaptureProgress = std::make_unique<CCaptureProgressDlg>();
        if (m_ownCaptureProgress->Create(m_hWnd))
            m_captureProgress = m_ownCaptureProgress.get();
    }
    ::PostMessageW(m_hWnd, UM_FILE_LIST_REFRESH, 0, 0);
    m_captureMode.ClearCaptureCount();
    m_uploadList.SetPrefixes(resourceString(IDS_PREFIX_V), resourceString(IDS_PREFIX_X),
                             resourceString(IDS_PREFIX_P));
    std::wstring guide;
    for (UINT id = IDS_CAPTURE_GUIDE_FIRST; id <= IDS_CAPTURE_GUIDE_LAST; ++id)
        guide += resourceString(id);
    ::SetDlgItemTextW(m_hWnd, IDC_CAPTURE_GUIDE, guide.c_str());

    TabCtrl_SetCurSel(GetDlgItem(IDC_TAB), m_settings.TabPage);
    SelectTab(true);
    if ((m_settings.DebugMode & kDebugDropFiles) != 0)
        ::DragAcceptFiles(m_hWnd, TRUE);
    SetHintText(resourceString(IDS_HINT_DEFAULT));
    ApplyCameraModel();
    m_initialised = true;
    return TRUE;
}

bool CUploadDlg::SuiteInstalled() const
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orven\\", 0, KEY_ENUMERATE_SUB_KEYS,
                        &key) != ERROR_SUCCESS)
        return false;
    const std::wstring prefix = L"ORVEN Vidro!3 Ver.";
    bool found = false;
    wchar_t name[256];
    for (DWORD index = 0; !found; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        const LONG status =
            ::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS)
            found = std::wstring(name, length).compare(0, prefix.size(), prefix) == 0;
    }
    ::RegCloseKey(key);
    return found;
}

void CUploadDlg::AddAboutMenuItem()
{
    const std::wstring text = withWindowsMnemonic(resourceString(IDS_ABOUT_MENU));
    if (text.empty())
        return;
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, IDM_ABOUT, text.c_str());
}

void CUploadDlg::AttachControls()
{
    const struct {
        CHintButton* control;
        int id;
    } buttons[] = {
        {&m_cameraSwitch, IDC_CAMERA_SWITCH},
        {&m_close, IDC_CLOSE_BUTTON},
        {&m_sizeP, IDC_SIZE_P},
        {&m_sizeX, IDC_SIZE_X},
        {&m_sizeV, IDC_SIZE_V},
        {&m_addSelected, IDC_ADD_SELECTED},
        {&m_addAll, IDC_ADD_ALL},
        {&m_saveAlso, IDC_SAVE_ALSO},
        {&m_browse, IDC_BROWSE},
        {&m_removeSelected, IDC_REMOVE_SELECTED},
        {&m_removeAll, IDC_REMOVE_ALL},
        {&m_previewCheck, IDC_PREVIEW_CHECK},
        {&m_keyShift, IDC_KEY_SHIFT},
        {&m_keyAlt, IDC_KEY_ALT},
        {&m_keyCtrl, IDC_KEY_CTRL},
        {&m_captureKeyGroup, IDC_CAPTURE_KEY_GROUP},
        {&m_newFolder, IDC_NEW_FOLDER},
        {&m_soundSelect, IDC_SOUND_SELECT},
        {&m_soundTest, IDC_SOUND_TEST},
        {&m_soundDelete, IDC_SOUND_DELETE},
    };
    for (const auto& button : buttons)
        button.control->AttachDlgItem(m_hWnd, button.id);
    m_fileType.AttachDlgItem(m_hWnd, IDC_FILE_TYPE);
    m_captureKey.AttachDlgItem(m_hWnd, IDC_CAPTURE_KEY);
    m_sizeText.AttachDlgItem(m_hWnd, IDC_SIZE_TEXT);
    m_hintLine.AttachDlgItem(m_hWnd, IDC_HINT_LINE);
    m_previewArea.AttachDlgItem(m_hWnd, IDC_PREVIEW_AREA);
    m_captureGuide.AttachDlgItem(m_hWnd, IDC_CAPTURE_GUIDE);
    m_fileList.AttachDlgItem(m_hWnd, IDC_FILE_LIST);
    m_savePath.AttachDlgItem(m_hWnd, IDC_SAVE_PATH);
    m_tab.AttachDlgItem(m_hWnd, IDC_TAB);
    m_progress.AttachDlgItem(m_hWnd, IDC_PROGRESS);
    m_upexe.AttachDlgItem(m_hWnd, IDC_UPLOAD);
    m_capsta.AttachDlgItem(m_hWnd, IDC_CAPTURE_START);
    m_capend.AttachDlgItem(m_hWnd, IDC_CAPTURE_END);
    m_moveUp.AttachDlgItem(m_hWnd, IDC_MOVE_UP);
    m_moveDown.AttachDlgItem(m_hWnd, IDC_MOVE_DOWN);
    m_uploadList.Attach(m_hWnd, IDC_UPLOAD_LIST);

    m_cdFileList.AttachDlgItem(m_hWnd, IDC_CD_FILE_LIST);
    m_folderList.AttachDlgItem(m_hWnd, IDC_FOLDER_LIST);
    m_driveCombo.AttachDlgItem(m_hWnd, IDC_DRIVE_COMBO);
    m_currentFolder.AttachDlgItem(m_hWnd, IDC_CURRENT_FOLDER);
}

void CUploadDlg::UseMaintenanceLayout()
{
    // The tab control ends above the strip that holds the system's controls.
    RECT strip = {};
    ::GetWindowRect(GetDlgItem(IDC_FILE_NAME_EDIT), &strip);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&strip), 2);
    const HWND tab = GetDlgItem(IDC_TAB);
    RECT tabPlace = {};
    ::GetWindowRect(tab, &tabPlace);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&tabPlace), 2);
    ::SetWindowPos(tab, nullptr, 0, 0, tabPlace.right - tabPlace.left, strip.top - 2 - tabPlace.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int id : kMaintenanceControls)
        ::ShowWindow(GetDlgItem(id), SW_SHOW);
}

void CUploadDlg::FillFileTypes()
{
    std::vector<std::wstring> descriptions = fileTypeDescriptions(m_settings.Filter);
    if (descriptions.empty()) {
        // A filter without one usable entry: the program's own list.
        m_settings.Filter = resourceString(IDS_FILE_FILTER);
        descriptions = fileTypeDescriptions(m_settings.Filter);
    }
    const HWND combo = GetDlgItem(IDC_FILE_TYPE);
    for (const std::wstring& description : descriptions)
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(description.c_str()));
    if (m_settings.FileTypeIndex < 0 ||
        static_cast<size_t>(m_settings.FileTypeIndex) >= descriptions.size())
        m_settings.FileTypeIndex = 0;
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(m_settings.FileTypeIndex), 0);
}

void CUploadDlg::FillTabs()
{
    m_tabImages = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
    for (UINT bitmapId : {IDB_TAB_TRANSFER, IDB_TAB_CAPTURE}) {
        HBITMAP bitmap = static_cast<HBITMAP>(
            ::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, 0));
        ImageList_AddMasked(m_tabImages, bitmap, RGB(192, 192, 192));
        ::DeleteObject(bitmap);
    }
    const HWND tab = GetDlgItem(IDC_TAB);
    TabCtrl_SetImageList(tab, m_tabImages);
    int image = 0;
    for (UINT textId : {IDS_TAB_TRANSFER, IDS_TAB_CAPTURE}) {
        std::wstring text = resourceString(textId);
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text.data();
        item.iImage = image;
        ::SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(image),
                       reinterpret_cast<LPARAM>(&item));
        ++image;
    }
}

void CUploadDlg::FillCaptureKeys()
{
    const HWND combo = GetDlgItem(IDC_CAPTURE_KEY);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    // A keyboard that reports no function keys still gets them all.
    int available = ::GetKeyboardType(2);
    if (available <= 0)
        available = static_cast<int>(std::size(kCaptureKeys));
    int selected = -1;
    for (const FunctionKey& key : kCaptureKeys) {
        if (available-- <= 0)
            break;
        const LRESULT index =
            ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key.name));
        ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), key.virtualKey);
        if (key.virtualKey == static_cast<UINT>(m_settings.Hotkey))
            selected = static_cast<int>(index);
    }
    if (selected < 0) {
        // What the combo shows is the key that will be registered.
        selected = 0;
        m_settings.Hotkey = static_cast<int32_t>(::SendMessageW(combo, CB_GETITEMDATA, 0, 0));
    }
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

// ---------------------------------------------------------------------------
// Messages

bool CUploadDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    if (m_captureMode.OnMessage(message, wParam, lParam)) {
        result = TRUE;
        return true;
    }
    if (message == m_fileOkMessage && message != 0) {
        // The window never ends by accepting a file name.
        result = TRUE;
        return true;
    }
    switch (message) {
    case WM_COMMAND:
        if (!OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return false;
        result = TRUE;
        return true;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (!OnOwnerDraw(message, lParam))
            return false;
        result = TRUE;
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
        const HBRUSH brush =
            OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        if (brush == nullptr)
            return false;
        result = reinterpret_cast<INT_PTR>(brush);
        return true;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUT) {
            CAboutDlg().DoModal(m_hWnd);
            result = TRUE;
            return true;
        }
        if ((wParam & 0xFFF0) == SC_CLOSE && IsBusy()) {
            result = TRUE;
            return true;
        }
        return false;
    case WM_CLOSE:
        // Nothing is freed under a running job or picture load.
        if (!IsBusy())
            return false;
        result = TRUE;
        return true;
    case WM_PAINT:
        if (!::IsIconic(m_hWnd))
            return false;
        OnPaintMinimised();
        result = TRUE;
        return true;
    case WM_QUERYDRAGICON: result = reinterpret_cast<INT_PTR>(m_icon); return true;
    case WM_MOUSEMOVE: OnMouseMove(lParam); return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (wParam == VK_ESCAPE)
            ::PostMessageW(m_hWnd, UM_ESCAPE_PRESSED, message, lParam);
        return false;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: result = TRUE; return true;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        if (wParam != 0 && m_onSessionEnd)
            m_onSessionEnd(m_settings);
        return false;
    case WM_DESTROY:
        m_captureMode.OnWindowDestroyed();
        // The player's last notice would come too late: its files go now.
        m_player.stopSound();
        for (const std::wstring& file : m_testPlayFiles)
            ::DeleteFileW(file.c_str());
        m_testPlayFiles.clear();
        m_converter.destroy();
        return false;
    default: break;
    }

    switch (message) {
    case UM_SHOW_HINT: OnShowHint(wParam, lParam); break;
    case UM_FOLDER_LIST_RESET: OnFolderListReset(); break;
    case UM_FILE_LIST_REFRESH: OnFileListRefresh(); break;
    case UM_ESCAPE_PRESSED: OnEscapePressed(lParam); break;
    case UM_PLAYBACK_DONE:
        OnPlaybackDone();
        result = 0;
        return true;
    default: return false;
    }
    result = TRUE;
    return true;
}

bool CUploadDlg::OnCommand(WORD id, WORD code, HWND control)
{
    if (m_captureMode.OnCommand(id, code, control))
        return true;
    switch (id) {
    case IDCANCEL: return OnCancel();
    case IDC_ADD_ALL:
    case IDC_ADD_SELECTED:
        if (code == BN_CLICKED)
            OnAddFiles(id == IDC_ADD_SELECTED);
        return true;
    case IDC_REMOVE_SELECTED:
        if (code == BN_CLICKED)
            OnRemoveSelected();
        return true;
    case IDC_REMOVE_ALL:
        if (code == BN_CLICKED)
            OnRemoveAll();
        return true;
    case IDC_MOVE_UP:
    case IDC_MOVE_DOWN:
        if (code == BN_CLICKED)
            OnMove(id == IDC_MOVE_UP);
        return true;
    case IDC_SIZE_V:
    case IDC_SIZE_X:
    case IDC_SIZE_P:
        if (code == BN_CLICKED)
            OnSizeRadio(id);
        return true;
    case IDC_PREVIEW_CHECK:
        if (code == BN_CLICKED)
            OnPreviewCheck();
        return true;
    case IDC_SAVE_ALSO:
        if (code == BN_CLICKED)
            OnSaveAlso();
        return true;
    case IDC_BROWSE:
        if (code == BN_CLICKED)
            OnBrowse();
        return true;
    case IDC_NEW_FOLDER:
        if (code == BN_CLICKED)
            OnNewFolder();
        return true;
    case IDC_CAMERA_SWITCH:
        if (code == BN_CLICKED)
            OnCameraSwitch();
        return true;
    case IDC_UPLOAD:
        if (code == BN_CLICKED)
            OnUpload();
        return true;
    case IDC_SOUND_SELECT:
        if (code == BN_CLICKED)
            OnSelectSound();
        return true;
    case IDC_SOUND_TEST:
        if (code == BN_CLICKED)
            OnTestPlay();
        return true;
    case IDC_SOUND_DELETE:
        if (code == BN_CLICKED)
            OnDeleteSounds();
        return true;
    case IDC_FILE_TYPE:
        if (code == CBN_SELCHANGE)
            OnFileTypeChanged();
        return true;
    case IDC_FILE_LIST:
        if (code == LBN_SETFOCUS)
            OnFileListFocus();
        else if (code == LBN_SELCHANGE)
            OnFileListSelection();
        return true;
    case IDC_UPLOAD_LIST:
        if (code == LBN_SETFOCUS)
            OnUploadListFocus();
        else if (code == LBN_SELCHANGE)
            OnUploadListSelection();
        return true;
    case IDC_CD_FILE_LIST:
        // The system's dialog acts on its own list as well.
        if (code == LBN_SETFOCUS) {
            m_uploadList.ClearSelection();
            UpdateControls();
        } else if (code == LBN_SELCHANGE && CurrentTab() == Tab::Transfer &&
                   checked(m_hWnd, IDC_PREVIEW_CHECK)) {
            UpdatePreview();
        }
        return false;
    default: return false;
    }
}

bool CUploadDlg::OnNotify(const NMHDR& header)
{
    // A click, and a change by keyboard, switch the controls alike.
    if (header.idFrom == IDC_TAB && (header.code == static_cast<UINT>(NM_CLICK) ||
                                     header.code == static_cast<UINT>(TCN_SELCHANGE)))
        OnTabChanged();
    return false;
}

bool CUploadDlg::OnOwnerDraw(UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        switch (item.CtlID) {
        case IDC_FILE_LIST: return m_fileList.DrawItem(item);
        case IDC_UPLOAD_LIST: return m_uploadList.Box().DrawItem(item);
        case IDC_UPLOAD: return m_upexe.DrawItem(item);
        case IDC_CAPTURE_START: return m_capsta.DrawItem(item);
        case IDC_CAPTURE_END: return m_capend.DrawItem(item);
        case IDC_MOVE_UP: return m_moveUp.DrawItem(item);
        case IDC_MOVE_DOWN: return m_moveDown.DrawItem(item);
        default: return false;
        }
    }
    case WM_MEASUREITEM: {
        auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item.CtlID == IDC_UPLOAD_LIST) {
            m_uploadList.Box().MeasureItem(item);
            return true;
        }
        if (item.CtlID == IDC_FILE_LIST) {
            m_fileList.MeasureItem(item);
            return true;
        }
        return false;
    }
    default: return false;
    }
}

HBRUSH CUploadDlg::OnControlColour(HDC dc, HWND control)
{
    switch (::GetDlgCtrlID(control)) {
    case IDC_HINT_LINE:
        if (m_hintBrush == nullptr)
            m_hintBrush = ::CreateSolidBrush(kHintBackground);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, kHintBackground);
        return m_hintBrush;
    case IDC_CAPTURE_GUIDE:
        if (m_guideBrush == nullptr)
            m_guideBrush = ::CreateSolidBrush(kGuideBackground);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, kGuideBackground);
        return m_guideBrush;
    case IDC_SAVE_PATH:
        // Filled by the program only: it looks read-only.
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return ::GetSysColorBrush(COLOR_BTNFACE);
    default: break;
    }
    // Texts, check boxes and radios on the tab show the tab's own body.
    RECT place = {};
    ::GetWindowRect(control, &place);
    RECT tab = {};
    ::GetWindowRect(GetDlgItem(IDC_TAB), &tab);
    RECT common = {};
    if (::IntersectRect(&common, &place, &tab) && ::EqualRect(&common, &place)) {
        if (m_tabBodyBrush == nullptr)
            m_tabBodyBrush = ::CreateSolidBrush(TabBodyColour());
        LOGBRUSH body = {};
        ::GetObjectW(m_tabBodyBrush, sizeof body, &body);
        ::SetBkColor(dc, body.lbColor);
        return m_tabBodyBrush;
    }
    return nullptr;
}

COLORREF CUploadDlg::TabBodyColour() const
{
    // Read from the tab control's own drawing: the system's look decides it.
    const HWND tab = GetDlgItem(IDC_TAB);
    RECT client = {};
    ::GetClientRect(tab, &client);
    HDC screen = ::GetDC(tab);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageW(tab, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                   PRF_CLIENT | PRF_ERASEBKGND);
    COLORREF colour = ::GetPixel(memory, client.right / 2, client.bottom / 2);
    if (colour == CLR_INVALID)
        colour = ::GetSysColor(COLOR_BTNFACE);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(tab, screen);
    return colour;
}

// ---------------------------------------------------------------------------
// Hint line

void CUploadDlg::OnShowHint(WPARAM controlId, LPARAM text)
{
    if (controlId == m_lastHintId && text == m_lastHintText)
        return;
    std::wstring hint;
    if (m_uploadRunning || m_captureMode.Running()) {
        // Hovering leaves the operation's own texts alone. A text comes with
        // a direct call (posted messages carry no pointers): a request with
        // text and no control only asks for the program's name again.
        if (text == 0 || controlId != 0)
            return;
        hint = resourceString(IDS_HINT_DEFAULT);
    } else {
        const unsigned stringId = hintStringId(static_cast<int>(controlId),
                                               CurrentTab() == Tab::Capture, m_settings.cameraCode);
        if (stringId == 0)
            return;
        hint = resourceString(stringId);
    }
    if (!hint.empty())
        SetHintText(hint);
    m_lastHintId = controlId;
    m_lastHintText = text;
}

void CUploadDlg::ShowBusyText(const std::wstring& text)
{
    SetHintText(text);
    // The next request shows again, whatever it was before.
    m_lastHintId = 0;
    m_lastHintText = -1;
}

void CUploadDlg::SetHintText(const std::wstring& text)
{
    ::SetDlgItemTextW(m_hWnd, IDC_HINT_LINE, (L" " + text).c_str());
}

void CUploadDlg::OnMouseMove(LPARAM position)
{
    const POINT point = {static_cast<short>(LOWORD(position)),
                         static_cast<short>(HIWORD(position))};
    WPARAM id = IDD_UPLOAD;
    if (CurrentTab() == Tab::Capture) {
        const RECT fileList = m_layout.Place(Tab::Capture, IDC_FILE_LIST);
        if (::PtInRect(&fileList, point))
            id = IDC_FILE_LIST;
    }
    ::PostMessageW(m_hWnd, UM_SHOW_HINT, id, 0);
}

// ---------------------------------------------------------------------------
// Closing, ESC and the minimised window

bool CUploadDlg::OnCancel()
{
    // ESC alone never closes the window, and nothing goes under a running job.
    if (IsBusy() || ::GetKeyState(VK_ESCAPE) < 0)
        return true;
    m_uploadList.RemoveAll();
    return false;  // the system's dialog ends the run
}

void CUploadDlg::OnEscapePressed(LPARAM keyData)
{
    const bool repeat = (keyData & (1L << 30)) != 0;
    if (!m_uploadRunning || repeat || m_escapeQuestionOpen ||
        m_converter.conversion().continueFlag() == 0)
        return;
    m_escapeQuestionOpen = true;
    const int answer = showMessage(m_hWnd, nullptr, IDS_MSG_ESC_ABORT, nullptr, MB_YESNO);
    m_escapeQuestionOpen = false;
    if (answer == IDYES)
        m_converter.CancelUpload();
}

void CUploadDlg::OnPaintMinimised()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const int width = ::GetSystemMetrics(SM_CXICON);
    const int height = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc, (client.right - width + 1) / 2, (client.bottom - height + 1) / 2, m_icon);
    ::EndPaint(m_hWnd, &paint);
}

void CUploadDlg::OnNcDestroy()
{
    m_ownCaptureProgress.reset();
}

// ---------------------------------------------------------------------------
// Tabs and the busy state

void CUploadDlg::OnTabChanged()
{
    const int selected = TabCtrl_GetCurSel(GetDlgItem(IDC_TAB));
    if (selected < 0 || selected == m_settings.TabPage)
        return;
    ::SendDlgItemMessageW(m_hWnd, IDC_FILE_LIST, LB_SETSEL, FALSE, -1);
    m_uploadList.ClearSelection();
    SelectTab(true);
}

void CUploadDlg::SelectTab(bool navigate)
{
    const bool capture = TabCtrl_GetCurSel(GetDlgItem(IDC_TAB)) == 1;
    if (capture) {
        m_settings.TabPage = 1;
        if (navigate)
            NavigateBrowser(m_settings.PathCapture);
    } else {
        if (m_captureMode.CaptureCount() != 0) {
            // Back from capturing: the transfer tab opens on the captures.
            m_captureMode.ClearCaptureCount();
            m_settings.PathSelect = m_settings.PathCapture;
            ::SendDlgItemMessageW(m_hWnd, IDC_FILE_TYPE, CB_SETCURSEL, 0, 0);
            m_settings.FileTypeIndex = 0;
        }
        m_settings.TabPage = 0;
        if (navigate)
            NavigateBrowser(m_settings.PathSelect);
    }
    const Tab tab = capture ? Tab::Capture : Tab::Transfer;
    for (int id : kTransferControls)
        ShowControl(id, !capture);
    for (int id : kCaptureControls)
        ShowControl(id, capture);
    for (int id : kBrowserControls)
        ShowControl(id, true);
    ShowControl(IDC_CD_FILE_LIST, (m_settings.DebugMode & kDebugCommonFileList) != 0);
    ShowControl(IDC_SIZE_TEXT, false);
    ShowControl(IDC_CAPTURE_START, capture && !m_captureMode.Running());
    ShowControl(IDC_CAPTURE_END, capture && m_captureMode.Running());
    ::EnableWindow(GetDlgItem(IDC_NEW_FOLDER), capture);
    ShowControl(IDC_CAMERA_SWITCH, false);
    ::EnableWindow(GetDlgItem(IDC_CAMERA_SWITCH), FALSE);
    (void)tab;
    // Texts of controls changed: the next hint request shows again.
    m_lastHintId = 0;
    m_lastHintText = -1;
    UpdateControls();
}

void CUploadDlg::ShowControl(int id, bool shown)
{
    if (shown)
        m_layout.MoveToPlace(m_hWnd, id, CurrentTab());
    ::ShowWindow(GetDlgItem(id), shown ? SW_SHOW : SW_HIDE);
}

void CUploadDlg::SetSystemClose(bool enabled)
{
    ::EnableMenuItem(::GetSystemMenu(m_hWnd, FALSE), SC_CLOSE,
                     MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void CUploadDlg::DisableControls(bool greySounds)
{
    ::EnableWindow(GetDlgItem(IDC_UPLOAD), FALSE);
    SetSystemClose(false);
    for (int id : {IDC_CLOSE_BUTTON, IDC_TAB, IDC_FILE_TYPE})
        ::EnableWindow(GetDlgItem(id), FALSE);
    m_fileList.SetState(ListGreyed | ListNoHighlight);
    for (int id : {IDC_FILE_NAME_LABEL, IDC_FILE_TYPE_LABEL, IDC_FOLDER_LABEL, IDC_DRIVE_LABEL,
                   IDC_CURRENT_FOLDER, IDC_FOLDER_LIST, IDC_DRIVE_COMBO, IDC_SIZE_GROUP, IDC_SIZE_V,
                   IDC_SIZE_X, IDC_SIZE_P})
        ::EnableWindow(GetDlgItem(id), FALSE);
    if (greySounds) {
        for (size_t i = 0; i < m_uploadList.Count(); ++i) {
            if (m_uploadList.Icon(i) == IDB_SOUND_ATTACHED)
                m_uploadList.SetIcon(i, IDB_SOUND_GREYED);
        }
    }
    for (int id : {IDC_SOUND_GROUP, IDC_SOUND_SELECT, IDC_SOUND_TEST, IDC_SOUND_DELETE,
                   IDC_UPLOAD_LIST_LABEL})
        ::EnableWindow(GetDlgItem(id), FALSE);
    CIconListBox::SetStateAll(ListGreyed | ListNoHighlight);
    for (int id : {IDC_ADD_ALL, IDC_ADD_SELECTED, IDC_REMOVE_SELECTED, IDC_REMOVE_ALL,
                   IDC_SORT_LABEL, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_PREVIEW_AREA, IDC_SIZE_TEXT,
                   IDC_SAVE_ALSO, IDC_BROWSE, IDC_SAVE_PATH, IDC_CAMERA_SWITCH, IDC_PREVIEW_CHECK})
        ::EnableWindow(GetDlgItem(id), FALSE);
}

void CUploadDlg::UpdateControls()
{
    if (CurrentTab() == Tab::Capture)
        UpdateCaptureControls();
    else
        UpdateTransferControls();
}

// The controls that capture mode locks.
constexpr int kLockedWhileCapturing[] = {
    IDC_CLOSE_BUTTON, IDC_CAPTURE_KEY_GROUP, IDC_CAPTURE_KEY, IDC_KEY_ALT,      IDC_KEY_CTRL,
    IDC_KEY_SHIFT,    IDC_NEW_FOLDER,        IDC_TAB,         IDC_FOLDER_LABEL, IDC_CURRENT_FOLDER,
    IDC_FOLDER_LIST,  IDC_DRIVE_LABEL,       IDC_DRIVE_COMBO, IDC_FILE_TYPE,
};

void CUploadDlg::UpdateCaptureControls()
{
    m_fileList.SetState(ListEnabled | ListGreyed | ListNoHighlight);
    const bool idle = !m_captureMode.Running();
    SetSystemClose(idle);
    for (int id : kLockedWhileCapturing)
        ::EnableWindow(GetDlgItem(id), idle);
    ::EnableWindow(GetDlgItem(IDC_CAPTURE_START), TRUE);
}

void CUploadDlg::EnterCaptureMode()
{
    UpdateCaptureControls();
    ShowControl(IDC_CAPTURE_START, false);
    ShowControl(IDC_CAPTURE_END, true);
    ::SetFocus(m_hWnd);
}

void CUploadDlg::LeaveCaptureMode()
{
    ShowControl(IDC_CAPTURE_END, false);
    ShowControl(IDC_CAPTURE_START, true);
    UpdateCaptureControls();
}

void CUploadDlg::EnableCaptureEnd(bool enabled)
{
    ::EnableWindow(GetDlgItem(IDC_CAPTURE_END), enabled);
}

void CUploadDlg::ShowCaptureFolder()
{
    NavigateBrowser(m_settings.PathCapture);
}

void CUploadDlg::AddCapturedFile(const std::wstring& name)
{
    const HWND fileList = GetDlgItem(IDC_FILE_LIST);
    const LRESULT index =
        ::SendMessageW(fileList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (index < 0)
        return;
    ::SendMessageW(fileList, LB_SETSEL, TRUE, index);
    ::SendMessageW(fileList, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

void CUploadDlg::RestoreDefaultHint()
{
    ::SendMessageW(m_hWnd, UM_SHOW_HINT, 0, 1);
}

void CUploadDlg::ShowMessage(UINT messageId)
{
    showMessage(m_hWnd, nullptr, messageId);
}

int CUploadDlg::CaptureScreen(std::wstring& name)
{
    const CaptureServices services =
        converterCaptureServices(m_converter.workspace(), m_converter.conversion(), m_hWnd,
                                 &PictureConverter::dispatchPendingMessages,
                                 [this](int, const std::wstring& text) { ShowBusyText(text); });
    return captureScreen(services, GetDlgItem(IDC_PROGRESS),
                         m_captureProgress != nullptr ? m_captureProgress->GetSafeHwnd() : nullptr,
                         name, m_settings);
}

void CUploadDlg::UpdateTransferControls()
{
    // 1. The browser and the sizes.
    SetSystemClose(true);
    for (int id :
         {IDC_CLOSE_BUTTON, IDC_TAB, IDC_FILE_TYPE, IDC_FILE_NAME_LABEL, IDC_FILE_TYPE_LABEL,
          IDC_FOLDER_LABEL, IDC_DRIVE_LABEL, IDC_CURRENT_FOLDER, IDC_FOLDER_LIST, IDC_DRIVE_COMBO,
          IDC_SIZE_GROUP, IDC_SIZE_V, IDC_SIZE_X, IDC_SIZE_P})
        ::EnableWindow(GetDlgItem(id), TRUE);
    m_fileList.SetState(ListEnabled);

    // 2. Sounds greyed for the upload show normally again.
    for (size_t i = 0; i < m_uploadList.Count(); ++i) {
        if (m_uploadList.Icon(i) == IDB_SOUND_GREYED)
            m_uploadList.SetIcon(i, IDB_SOUND_ATTACHED);
    }

    // 3. Sound buttons.
    const std::vector<int> selection = m_uploadList.Selection();
    const size_t withSound =
        static_cast<size_t>(std::count_if(selection.begin(), selection.end(), [this](int i) {
            return m_uploadList.Icon(static_cast<size_t>(i)) == IDB_SOUND_ATTACHED;
        }));
    ::EnableWindow(GetDlgItem(IDC_SOUND_GROUP), TRUE);
    ::EnableWindow(GetDlgItem(IDC_SOUND_SELECT), selection.size() == 1);
    ::EnableWindow(GetDlgItem(IDC_SOUND_TEST), selection.size() == 1 && withSound == 1);
    ::EnableWindow(GetDlgItem(IDC_SOUND_DELETE), withSound > 0);

    // 4. The upload list, preview and save-also.
    for (int id :
         {IDC_UPLOAD_LIST_LABEL, IDC_SORT_LABEL, IDC_PREVIEW_AREA, IDC_SIZE_TEXT, IDC_SAVE_ALSO})
        ::EnableWindow(GetDlgItem(id), TRUE);
    CIconListBox::SetStateAll(ListEnabled);
    // With the sound type the preview box stays as the file list left it.
    if (!SoundTypeSelected())
        ::EnableWindow(GetDlgItem(IDC_PREVIEW_CHECK), TRUE);
    ::EnableWindow(GetDlgItem(IDC_CAMERA_SWITCH), FALSE);

    // 5-7. Adding and removing.
    const HWND fileList = GetDlgItem(IDC_FILE_LIST);
    const LRESULT files = ::SendMessageW(fileList, LB_GETCOUNT, 0, 0);
    const LRESULT filesSelected = ::SendMessageW(fileList, LB_GETSELCOUNT, 0, 0);
    ::EnableWindow(GetDlgItem(IDC_ADD_ALL), files > 0 && !SoundTypeSelected());
    ::EnableWindow(GetDlgItem(IDC_ADD_SELECTED), filesSelected > 0);
    const bool anyEntries = m_uploadList.Count() > 0;
    ::EnableWindow(GetDlgItem(IDC_UPLOAD), anyEntries);
    ::EnableWindow(GetDlgItem(IDC_REMOVE_ALL), anyEntries);

    // 8. Order and sizes follow the selection.
    if (selection.size() == 1) {
        const size_t index = static_cast<size_t>(selection.front());
        ::EnableWindow(GetDlgItem(IDC_MOVE_UP), index != 0);
        ::EnableWindow(GetDlgItem(IDC_MOVE_DOWN), index + 1 != m_uploadList.Count());
        m_settings.JpegSize = static_cast<int32_t>(m_uploadList.Item(index).targetSize);
        CheckSizeRadios();
    } else {
        ::EnableWindow(GetDlgItem(IDC_MOVE_UP), FALSE);
        ::EnableWindow(GetDlgItem(IDC_MOVE_DOWN), FALSE);
        if (selection.empty()) {
            CheckSizeRadios();
        } else {
            for (int id : {IDC_SIZE_V, IDC_SIZE_X, IDC_SIZE_P})
                ::CheckDlgButton(m_hWnd, id, BST_UNCHECKED);
        }
    }

    // 9-10.
    ::EnableWindow(GetDlgItem(IDC_REMOVE_SELECTED), !selection.empty());
    const bool saveAlso = checked(m_hWnd, IDC_SAVE_ALSO);
    ::EnableWindow(GetDlgItem(IDC_SAVE_PATH), saveAlso);
    ::EnableWindow(GetDlgItem(IDC_BROWSE), saveAlso);

    // 11-12.
    if (!checked(m_hWnd, IDC_PREVIEW_CHECK) || (filesSelected <= 0 && selection.empty()))
        HidePreview();
    if (SoundTypeSelected())
        ::EnableWindow(GetDlgItem(IDC_ADD_SELECTED), FALSE);
}

void CUploadDlg::CheckSizeRadios()
{
    const SizeClass sizeClass = sizeClassOf(static_cast<PackedSize>(m_settings.JpegSize));
    ::CheckDlgButton(m_hWnd, IDC_SIZE_V,
                     sizeClass == SizeClass::Standard ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_SIZE_X,
                     sizeClass == SizeClass::Fine ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_SIZE_P,
                     sizeClass == SizeClass::Panorama ? BST_CHECKED : BST_UNCHECKED);
}

// ---------------------------------------------------------------------------
// The browser

std::wstring CUploadDlg::SelectedFileType() const
{
    const HWND combo = GetDlgItem(IDC_FILE_TYPE);
    const LRESULT index = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return std::wstring();
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

bool CUploadDlg::SoundTypeSelected() const
{
    return isSoundFileType(SelectedFileType());
}

std::wstring CUploadDlg::CurrentPattern() const
{
    return CurrentTab() == Tab::Capture ? std::wstring(kCapturePattern)
                                        : fileTypePattern(SelectedFileType());
}

std::wstring CUploadDlg::FolderWithSeparator(const std::wstring& folder) const
{
    return !folder.empty() && folder.back() == L'\\' ? folder : folder + L'\\';
}

void CUploadDlg::NavigateBrowser(const std::wstring& requested)
{
    std::wstring folder = requested;
    if (!folder.empty()) {
        // The nearest folder that exists; the Windows folder when none does.
        while (!::SetCurrentDirectoryW(folder.c_str())) {
            const std::wstring parent = folder.size() < 4 ? std::wstring() : parentFolder(folder);
            if (parent.empty()) {
                folder = windowsFolder();
                break;
            }
            folder = parent;
        }
    }
    std::wstring pattern = CurrentPattern();
    if (pattern.empty() || pattern.back() != L';')
        pattern += L';';
    const std::wstring fileName = folder.empty() ? pattern : FolderWithSeparator(folder) + pattern;

    const HWND edit = GetDlgItem(IDC_FILE_NAME_EDIT);
    ::SetWindowTextW(edit, fileName.c_str());
    if ((m_settings.DebugMode & kDebugNavigationText) != 0)
        SetHintText(L"Path = " + folder + L"  Filter = " + pattern + L"\nFileName = " + fileName);
    // Enter in the name field makes the system's dialog list that folder.
    ::SetFocus(edit);
    const LPARAM scanCode = static_cast<LPARAM>(::MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1 | scanCode);
    ::PostMessageW(edit, WM_KEYUP, VK_RETURN, 1 | scanCode | 0xC0000000);
}

void CUploadDlg::OnFolderListReset()
{
    const std::wstring folder = currentDirectoryText();
    if (folder.empty())
        return;
    (CurrentTab() == Tab::Capture ? m_settings.PathCapture : m_settings.PathSelect) = folder;
}

void CUploadDlg::OnFileListRefresh()
{
    const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    const HWND fileList = GetDlgItem(IDC_FILE_LIST);
    const HWND systemList = GetDlgItem(IDC_CD_FILE_LIST);
    const HWND bar = GetDlgItem(IDC_PROGRESS);
    ::SendMessageW(fileList, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(fileList, LB_RESETCONTENT, 0, 0);
    const LRESULT count = ::SendMessageW(systemList, LB_GETCOUNT, 0, 0);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, count > 0 ? count : 0);

    // Some versions of the system's dialog list every file whatever pattern
    // was typed: only names that match it are copied.
    const std::wstring pattern = CurrentPattern();
    HDC dc = ::GetDC(fileList);
    const HGDIOBJ oldFont =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(fileList, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (LRESULT i = 0; i < count; ++i) {
        ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(i + 1), 0);
        const std::wstring name = listText(systemList, static_cast<int>(i));
        if (name.empty() || (!pattern.empty() && !::PathMatchSpecW(name.c_str(), pattern.c_str())))
            continue;
        ::SendMessageW(fileList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SIZE extent = {};
        ::GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &extent);
        widest = std::max(widest, static_cast<int>(extent.cx));
    }
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(fileList, dc);
    ::SendMessageW(bar, PBM_SETPOS, 0, 0);
    ::SendMessageW(fileList, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(fileList, nullptr, TRUE);
    // The text starts 3 pixels in; as much room after it.
    ::SendMessageW(fileList, LB_SETHORIZONTALEXTENT,
                   static_cast<WPARAM>(widest > 0 ? widest + 6 : 0), 0);
    UpdateControls();
    ::SetCursor(previous != nullptr ? previous : ::LoadCursorW(nullptr, IDC_ARROW));
}

void CUploadDlg::OnFileTypeChanged()
{
    const LRESULT index = ::SendDlgItemMessageW(m_hWnd, IDC_FILE_TYPE, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR || index == m_settings.FileTypeIndex)
        return;
    m_settings.FileTypeIndex = static_cast<int32_t>(index);
    NavigateBrowser(std::wstring());
}

void CUploadDlg::OnNewFolder()
{
    const std::wstring previous = currentDirectoryText();
    CNewFolderDlg dialog;
    dialog.SetParentPath(m_settings.PathCapture);
    if (dialog.DoModal(m_hWnd) == IDOK && !dialog.Path().empty()) {
        m_settings.PathCapture = dialog.Path();
        NavigateBrowser(m_settings.PathCapture);
    } else {
        ::SetCurrentDirectoryW(previous.c_str());
    }
}

void CUploadDlg::OnDropFiles(HDROP drop)
{
    // A drop while busy is refused; the drop is finished all the same.
    if (!IsBusy()) {
        const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
            std::wstring path(length + 1, L'\0');
            ::DragQueryFileW(drop, i, path.data(), length + 1);
            path.resize(length);
            if (!AddUploadEntry(path))
                break;
        }
    }
    ::DragFinish(drop);
    RefreshUploadExtent();
    UpdateControls();
}

// ---------------------------------------------------------------------------
// The file list and the upload list

void CUploadDlg::OnFileListFocus()
{
    m_listFocus = true;
    if (SoundTypeSelected()) {
        ::CheckDlgButton(m_hWnd, IDC_PREVIEW_CHECK, BST_UNCHECKED);
        ::EnableWindow(GetDlgItem(IDC_PREVIEW_CHECK), FALSE);
    } else {
        m_uploadList.ClearSelection();
    }
    UpdateControls();
}

void CUploadDlg::OnUploadListFocus()
{
    m_listFocus = false;
    if (!SoundTypeSelected())
        ::SendDlgItemMessageW(m_hWnd, IDC_FILE_LIST, LB_SETSEL, FALSE, -1);
    UpdateControls();
}

void CUploadDlg::OnFileListSelection()
{
    if (CurrentTab() != Tab::Transfer)
        return;
    if (SoundTypeSelected()) {
        // One sound at a time: only the first selected file stays selected.
        const HWND fileList = GetDlgItem(IDC_FILE_LIST);
        const LRESULT count = ::SendMessageW(fileList, LB_GETSELCOUNT, 0, 0);
        if (count > 1) {
            std::vector<int> selected(static_cast<size_t>(count));
            ::SendMessageW(fileList, LB_GETSELITEMS, selected.size(),
                           reinterpret_cast<LPARAM>(selected.data()));
            for (size_t i = 1; i < selected.size(); ++i)
                ::SendMessageW(fileList, LB_SETSEL, FALSE, selected[i]);
        }
        ::CheckDlgButton(m_hWnd, IDC_PREVIEW_CHECK, BST_UNCHECKED);
        ::EnableWindow(GetDlgItem(IDC_PREVIEW_CHECK), FALSE);
    } else if (checked(m_hWnd, IDC_PREVIEW_CHECK)) {
        UpdatePreview();
    }
    UpdateControls();
}

void CUploadDlg::OnUploadListSelection()
{
    if (CurrentTab() == Tab::Transfer && checked(m_hWnd, IDC_PREVIEW_CHECK))
        UpdatePreview();
    UpdateControls();
}

void CUploadDlg::OnAddFiles(bool selectedOnly)
{
    const HWND fileList = GetDlgItem(IDC_FILE_LIST);
    std::vector<int> items;
    if (selectedOnly) {
        const LRESULT count = ::SendMessageW(fileList, LB_GETSELCOUNT, 0, 0);
        if (count > 0) {
            items.resize(static_cast<size_t>(count));
            ::SendMessageW(fileList, LB_GETSELITEMS, items.size(),
                           reinterpret_cast<LPARAM>(items.data()));
        }
    } else {
        const LRESULT count = ::SendMessageW(fileList, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i)
            items.push_back(i);
    }
    const HWND uploadList = m_uploadList.GetSafeHwnd();
    const HWND bar = GetDlgItem(IDC_PROGRESS);
    ::SendMessageW(uploadList, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(items.size()));
    const std::wstring folder = FolderWithSeparator(m_settings.PathSelect);
    int done = 0;
    for (int item : items) {
        ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(++done), 0);
        const std::wstring name = listText(fileList, item);
        if (!name.empty() && !AddUploadEntry(folder + name))
            break;
    }
    ::SendMessageW(bar, PBM_SETPOS, 0, 0);
    ::SendMessageW(uploadList, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(uploadList, nullptr, TRUE);
    RefreshUploadExtent();
    ::SendMessageW(fileList, LB_SETSEL, FALSE, -1);
    UpdateControls();
}

bool CUploadDlg::AddUploadEntry(const std::wstring& path)
{
    switch (m_uploadList.Add(path, static_cast<PackedSize>(m_settings.JpegSize))) {
    case CUploadList::AddResult::Added:
    case CUploadList::AddResult::Duplicate: return true;
    case CUploadList::AddResult::Full:
        showMessage(m_hWnd, nullptr, IDS_MSG_TOO_MANY_FILES, nullptr, MB_OK);
        return false;
    case CUploadList::AddResult::Refused: break;
    }
    return false;
}

void CUploadDlg::OnRemoveSelected()
{
    m_uploadList.RemoveSelected();
    RefreshUploadExtent();
    m_uploadList.ClearSelection();
    UpdateControls();
}

void CUploadDlg::OnRemoveAll()
{
    m_uploadList.RemoveAll();
    RefreshUploadExtent();
    m_uploadList.ClearSelection();
    UpdateControls();
}

void CUploadDlg::OnMove(bool up)
{
    m_uploadList.MoveSelected(up);
    UpdateControls();
}

void CUploadDlg::RefreshUploadExtent()
{
    ::SendMessageW(m_uploadList.GetSafeHwnd(), LB_SETHORIZONTALEXTENT,
                   static_cast<WPARAM>(m_uploadList.Box().WidestItemWidth()), 0);
}

// ---------------------------------------------------------------------------
// Sizes and the camera model

void CUploadDlg::OnSizeRadio(WORD id)
{
    if (id == IDC_SIZE_V) {
        SetEntrySize(kSize640x480);
        return;
    }
    const CameraModel* model = cameraModelByCode(m_settings.cameraCode);
    if (model == nullptr)
        return;
    SetEntrySize(id == IDC_SIZE_X ? model->fineSize : model->panoramaSize);
}

void CUploadDlg::SetEntrySize(PackedSize size)
{
    m_uploadList.SetSizeOfSelected(size);
    m_settings.JpegSize = static_cast<int32_t>(size);
    UpdateControls();
}

void CUploadDlg::ApplyCameraModel()
{
    const CameraModel* model = cameraModelByCode(m_settings.cameraCode);
    if (model == nullptr)
        return;
    ::SetDlgItemTextW(m_hWnd, IDC_SIZE_X,
                      withWindowsMnemonic(resourceString(model->fineCaptionId)).c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_SIZE_P,
                      withWindowsMnemonic(resourceString(model->panoramaCaptionId)).c_str());
    m_settings.JpegSize = static_cast<int32_t>(
        FollowCameraSize(static_cast<PackedSize>(m_settings.JpegSize), m_settings.cameraCode));
    m_lastHintId = 0;
    m_lastHintText = -1;
}

void CUploadDlg::OnCameraSwitch()
{
    const CameraModel* current = cameraModelByCode(m_settings.cameraCode);
    CCameraSwitchDlg dialog;
    RECT button = {};
    ::GetWindowRect(GetDlgItem(IDC_CAMERA_SWITCH), &button);
    dialog.SetButtonRect(button);
    dialog.SetIndex(current != nullptr ? current->listIndex : 0);
    if (dialog.DoModal(m_hWnd) != IDOK)
        return;
    const CameraModel* chosen = cameraModelByIndex(dialog.Index());
    if (chosen == nullptr)
        return;
    m_settings.previousCameraCode = m_settings.cameraCode;
    m_settings.cameraCode = chosen->code;
    m_settings.cameraName = resourceString(chosen->nameId);
    ApplyCameraModel();
    m_uploadList.FollowCamera(chosen->code);
    UpdateControls();
}

// ---------------------------------------------------------------------------
// Preview and save-also

void CUploadDlg::OnPreviewCheck()
{
    if (CurrentTab() == Tab::Transfer && checked(m_hWnd, IDC_PREVIEW_CHECK)) {
        m_settings.CehckViewMode |= 1;
        UpdatePreview();
    } else {
        m_settings.CehckViewMode &= ~1;
        UpdateControls();
    }
}

void CUploadDlg::UpdatePreview()
{
    if (!SoundTypeSelected()) {
        const HWND fileList = GetDlgItem(IDC_FILE_LIST);
        if (::SendMessageW(fileList, LB_GETSELCOUNT, 0, 0) > 0) {
            const int caret = static_cast<int>(::SendMessageW(fileList, LB_GETCARETINDEX, 0, 0));
            if (::SendMessageW(fileList, LB_GETSEL, static_cast<WPARAM>(caret), 0) > 0) {
                const std::wstring name = listText(fileList, caret);
                if (!name.empty())
                    ShowPreview(name, true);
            }
        }
    }
    const HWND uploadList = m_uploadList.GetSafeHwnd();
    if (m_uploadList.SelectionCount() > 0) {
        const int caret = static_cast<int>(::SendMessageW(uploadList, LB_GETCARETINDEX, 0, 0));
        if (caret >= 0 && static_cast<size_t>(caret) < m_uploadList.Count() &&
            ::SendMessageW(uploadList, LB_GETSEL, static_cast<WPARAM>(caret), 0) > 0 &&
            !m_uploadList.Path(static_cast<size_t>(caret)).empty())
            ShowPreview(m_uploadList.Path(static_cast<size_t>(caret)), false);
    }
}

void CUploadDlg::ShowPreview(const std::wstring& name, bool relative)
{
    if (name.empty() || m_previewLoading)
        return;
    const std::wstring path = relative ? FolderWithSeparator(m_settings.PathSelect) + name : name;
    DisableControls(false);
    m_previewLoading = true;
    uint32_t width = 0;
    uint32_t height = 0;
    const bool shown =
        m_converter.LoadPreviewPicture(path, GetDlgItem(IDC_PROGRESS), width, height);
    m_previewLoading = false;
    if (!shown) {
        HidePreview();
    } else {
        wchar_t size[40];
        swprintf(size, std::size(size), L"%u X %u", width, height);
        ::SetDlgItemTextW(m_hWnd, IDC_SIZE_TEXT, size);
        ::ShowWindow(GetDlgItem(IDC_SIZE_TEXT), SW_SHOW);
        ::ShowWindow(m_converter.window(), SW_SHOW);
    }
    ::EnableWindow(GetDlgItem(IDC_FILE_LIST), TRUE);
    ::EnableWindow(m_uploadList.GetSafeHwnd(), TRUE);
    UpdateControls();
}

void CUploadDlg::HidePreview()
{
    const HWND host = m_converter.window();
    if (host == nullptr || !::IsWindowVisible(host))
        return;
    RECT covered = {};
    ::GetWindowRect(host, &covered);
    RECT text = {};
    ::GetWindowRect(GetDlgItem(IDC_SIZE_TEXT), &text);
    ::UnionRect(&covered, &covered, &text);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&covered), 2);
    ::ShowWindow(GetDlgItem(IDC_SIZE_TEXT), SW_HIDE);
    ::ShowWindow(host, SW_HIDE);
    ::InvalidateRect(m_hWnd, &covered, TRUE);
}

void CUploadDlg::OnSaveAlso()
{
    const bool on = checked(m_hWnd, IDC_SAVE_ALSO);
    m_settings.CehckSeve = on ? 1 : 0;
    m_settings.TwainPath = on ? m_settings.PathSave : m_settings.PathTemp;
    UpdateControls();
}

void CUploadDlg::OnBrowse()
{
    CFolderSelectDlg dialog;
    dialog.SetStartPath(m_settings.PathSave);
    if (dialog.DoModal(m_hWnd) == IDOK) {
        m_settings.PathSave = dialog.SelectedPath();
        m_settings.TwainPath = m_settings.PathSave;
        ::SetDlgItemTextW(m_hWnd, IDC_SAVE_PATH, m_settings.PathSave.c_str());
    }
    // The folder dialog changed the current directory.
    NavigateBrowser(m_settings.PathSelect);
}

// ---------------------------------------------------------------------------
// Upload

void CUploadDlg::OnUpload()
{
    DisableControls(true);
    const HWND bar = GetDlgItem(IDC_PROGRESS);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    // The drive list of old Windows must not change under the job.
    const bool lockDrives = platformId() == VER_PLATFORM_WIN32_WINDOWS;
    if (lockDrives)
        ::SendDlgItemMessageW(m_hWnd, IDC_DRIVE_COMBO, UM_LOCK_DRIVE_COMBO, 0, 0);
    m_uploadRunning = true;
    m_converter.UploadJob(m_uploadList.Paths(), m_uploadList.Entries(), bar, m_settings);
    if (lockDrives)
        ::SendDlgItemMessageW(m_hWnd, IDC_DRIVE_COMBO, UM_LOCK_DRIVE_COMBO, 1, 0);
    NavigateBrowser(m_settings.PathSelect);
    ::SendMessageW(m_hWnd, UM_SHOW_HINT, 0, 1);
    m_uploadRunning = false;
    ::SendMessageW(bar, PBM_SETPOS, 0, 0);
    UpdateControls();
}

// ---------------------------------------------------------------------------
// Sounds of the upload entries

void CUploadDlg::OnSelectSound()
{
    const std::vector<int> selection = m_uploadList.Selection();
    if (selection.size() != 1)
        return;
    const size_t index = static_cast<size_t>(selection.front());
    DisableControls(true);
    if (!m_chooser)
        m_chooser = std::make_unique<SoundChooser>(m_startFolder);
    const std::wstring chosen = m_chooser->runSoundChooser(m_hWnd, m_settings.PathSelect);
    UpdateControls();
    ::SetFocus(m_uploadList.GetSafeHwnd());
    if (chosen.empty() || index >= m_uploadList.Count())
        return;
    if (!AcceptableSound(chosen) || !setSoundPath(m_uploadList.Item(index), chosen))
        showMessage(m_hWnd, nullptr, IDS_MSG_SOUND_NOT_ASSOCIATED, nullptr, MB_OK);
    else
        m_uploadList.SetIcon(index, IDB_SOUND_ATTACHED);
    ::SendMessageW(m_uploadList.GetSafeHwnd(), LB_SETSEL, TRUE, static_cast<LPARAM>(index));
    UpdateControls();
}

bool CUploadDlg::AcceptableSound(const std::wstring& path)
{
    const std::filesystem::path file(path);
    if (soundFileKind(file) != kSoundFileWave)
        return false;
    switch (inspectSourceSound(file)) {
    case kSourceNotPcm: return false;
    case kSourceCopyrighted:
        return showMessage(m_hWnd, nullptr, IDS_MSG_DROP_COPYRIGHT, nullptr, MB_YESNO) == IDYES;
    default: return true;
    }
}

void CUploadDlg::OnTestPlay()
{
    if (m_uploadList.SelectionCount() == 0 || m_listFocus)
        return;
    const HWND list = m_uploadList.GetSafeHwnd();
    const LRESULT caret = ::SendMessageW(list, LB_GETCARETINDEX, 0, 0);
    if (caret < 0 || static_cast<size_t>(caret) >= m_uploadList.Count() ||
        ::SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(caret), 0) <= 0 ||
        m_uploadList.Path(static_cast<size_t>(caret)).empty())
        return;
    if (m_soundPlaying) {
        // Its file goes when the end notice of this playback arrives.
        m_player.stopSound();
        ::SetDlgItemTextW(m_hWnd, IDC_SOUND_TEST, resourceString(IDS_SOUND_PLAY).c_str());
        m_soundPlaying = false;
    } else {
        // A file of our own under a fresh name: never a stale one from an
        // earlier play, never a user's file.
        const std::wstring folder = temporaryFolder();
        wchar_t file[MAX_PATH] = {};
        const UploadItem& item = m_uploadList.Item(static_cast<size_t>(caret));
        int started = kPlayUnreadable;
        if (::GetTempFileNameW(folder.c_str(), L"vxf", 0, file) != 0) {
            ::DeleteFileW(file);
            if (convertToCameraSound(std::filesystem::path(file),
                                     std::filesystem::path(item.soundPath),
                                     kCameraSoundLimitSeconds) == kConvertOk)
                started = m_player.playSound(file, m_hWnd, UM_PLAYBACK_DONE);
        }
        if (started != kPlayStarted) {
            ::DeleteFileW(file);
            showMessage(m_hWnd, nullptr, IDS_MSG_PLAYBACK_FAILED, nullptr, MB_OK);
        } else {
            m_testPlayFiles.push_back(file);
            ::SetDlgItemTextW(m_hWnd, IDC_SOUND_TEST, resourceString(IDS_SOUND_STOP).c_str());
            m_soundPlaying = true;
        }
    }
    ::SetFocus(list);
}

void CUploadDlg::OnPlaybackDone()
{
    // One notice per playback: it ends the oldest one still counted. A late
    // notice of a stopped playback leaves a newer one playing.
    if (m_testPlayFiles.empty())
        return;
    ::DeleteFileW(m_testPlayFiles.front().c_str());
    m_testPlayFiles.erase(m_testPlayFiles.begin());
    if (m_testPlayFiles.empty()) {
        ::SetDlgItemTextW(m_hWnd, IDC_SOUND_TEST, resourceString(IDS_SOUND_PLAY).c_str());
        m_soundPlaying = false;
    }
}

void CUploadDlg::OnDeleteSounds()
{
    for (int index : m_uploadList.Selection()) {
        clearSoundPath(m_uploadList.Item(static_cast<size_t>(index)));
        m_uploadList.SetIcon(static_cast<size_t>(index), IDB_SOUND_NONE);
    }
    m_uploadList.ClearSelection();
    for (int id : {IDC_SOUND_SELECT, IDC_SOUND_TEST, IDC_SOUND_DELETE})
        ::EnableWindow(GetDlgItem(id), FALSE);
}
