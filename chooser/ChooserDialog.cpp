#include "chooser/ChooserDialog.h"

#include "chooser/ChooserText.h"
#include "resources/WavselRes.h"
#include "win/ResourceString.h"

#include <commctrl.h>
#include <dlgs.h>

namespace {

// Posted by the player to the dialog window when a playback has ended.
constexpr UINT kPlaybackDone = 0x600;

constexpr wchar_t kWaveFilter[] = L"Wave Files (*.wav)\0*.wav\0";

std::wstring classNameOf(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

RECT clientRectOf(HWND control, HWND dialog)
{
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void enableAndRedraw(HWND window, bool enable)
{
    ::EnableWindow(window, enable);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool endsWithWav(const std::wstring& name)
{
    return name.size() >= 4 && ::CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".wav", 4,
                                                      TRUE) == CSTR_EQUAL;
}

void showWavselMessage(HWND owner, UINT textId)
{
    ::MessageBoxW(owner, loadResourceString(textId).c_str(),
                  loadResourceString(IDS_WAVSEL_TITLE).c_str(), MB_OK);
}

}  // namespace

CChooserDialog::CChooserDialog(const ChooserRequest& request, SoundPlayer& player)
    : request_(request), player_(player), initialFolder_(readText(request.initialFolder))
{
    const std::wstring initialName = readText(request.path);
    initialName.copy(fileName_, MAX_PATH - 1);
}

bool CChooserDialog::run()
{
    HWND owner = static_cast<HWND>(LongToHandle(request_.ownerWindow));
    OPENFILENAMEW dialog = {};
    // The older size keeps the hooked dialog's file name edit (edt1); with
    // the full size the Explorer-style dialog has a combo box in its place.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.hwndOwner = ::IsWindow(owner) ? owner : nullptr;
    dialog.lpstrFilter = kWaveFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName_;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = initialFolder_.empty() ? nullptr : initialFolder_.c_str();
    dialog.lpstrDefExt = L"wav";
    dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    dialog.lpfnHook = HookProc;
    dialog.lCustData = reinterpret_cast<LPARAM>(this);
    const BOOL chosen =
        request_.openDialog ? ::GetOpenFileNameW(&dialog) : ::GetSaveFileNameW(&dialog);
    dialogError_ = ::CommDlgExtendedError();
    return chosen != FALSE;
}

UINT_PTR CALLBACK CChooserDialog::HookProc(HWND hook, UINT message, WPARAM, LPARAM lParam)
{
    CChooserDialog* self;
    if (message == WM_INITDIALOG) {
        self =
            reinterpret_cast<CChooserDialog*>(reinterpret_cast<OPENFILENAMEW*>(lParam)->lCustData);
        ::SetWindowLongPtrW(hook, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CChooserDialog*>(::GetWindowLongPtrW(hook, DWLP_USER));
    }
    if (!self)
        return 0;
    // Nothing may unwind through the system's dialog code.
    try {
        switch (message) {
        case WM_INITDIALOG: self->OnInitDialog(hook); return TRUE;
        case WM_NOTIFY: {
            const auto* notice = reinterpret_cast<const OFNOTIFYW*>(lParam);
            if (notice->hdr.code == CDN_FOLDERCHANGE) {
                self->OnFolderChange();
            } else if (notice->hdr.code == CDN_FILEOK && !self->OnFileOk(*notice->lpOFN)) {
                ::SetWindowLongPtrW(hook, DWLP_MSGRESULT, 1);
                return TRUE;
            }
            return 0;
        }
        case WM_DESTROY: ::SetWindowLongPtrW(hook, DWLP_USER, 0); return 0;
        default: return 0;
        }
    } catch (...) {
        return 0;
    }
}

void CChooserDialog::OnInitDialog(HWND hook)
{
    hook_ = hook;
    HWND dialog = ::GetParent(hook);
    okButton_ = ::GetDlgItem(dialog, IDOK);
    cancelButton_ = ::GetDlgItem(dialog, IDCANCEL);
    typeCombo_ = ::GetDlgItem(dialog, cmb1);
    folderCombo_ = ::GetDlgItem(dialog, cmb2);
    HWND nameLabel = ::GetDlgItem(dialog, stc3);
    // The name field: the edit, or in the newer layout a combo box with the
    // edit inside.
    HWND nameField = ::GetDlgItem(dialog, edt1);
    HWND nameEdit = nameField;
    if (!nameField) {
        nameField = ::GetDlgItem(dialog, cmb13);
        nameEdit = ::FindWindowExW(nameField, nullptr, L"Edit", nullptr);
    }
    if (!frame_.Attach(dialog) || !nameEdit_.Attach(nameEdit) || !okButton_ || !cancelButton_ ||
        !typeCombo_ || !folderCombo_ || !nameLabel) {
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        return;
    }

    // No close box: the dialog ends by OK or cancel only.
    ::SetWindowLongPtrW(dialog, GWL_STYLE, ::GetWindowLongPtrW(dialog, GWL_STYLE) & ~WS_SYSMENU);
    ::SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    const RECT okRect = clientRectOf(okButton_, dialog);
    const std::wstring okText = readText(request_.okText);
    if (!okText.empty()) {
        ::SetWindowTextW(okButton_, okText.c_str());
        ::SetWindowTextW(dialog, okText.c_str());
    }
    const std::wstring cancelText = readText(request_.cancelText);
    if (!cancelText.empty())
        ::SetWindowTextW(cancelButton_, cancelText.c_str());

    // The name comes from the list only; the play button takes the edit's place.
    ::ShowWindow(nameLabel, SW_HIDE);
    const RECT nameRect = clientRectOf(nameField, dialog);
    ::ShowWindow(nameField, SW_HIDE);
    ::EnableWindow(nameField, FALSE);
    if (!CreatePlayButton(nameRect, okRect))
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
}

bool CChooserDialog::CreatePlayButton(const RECT& nameEdit, const RECT& okButton)
{
    HWND dialog = frame_.GetSafeHwnd();
    const int width = (nameEdit.right - nameEdit.left) / 3;
    playButton_ = ::CreateWindowExW(
        0, WC_BUTTONW, readText(request_.playText).c_str(),
        WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_TABSTOP | BS_PUSHBUTTON, nameEdit.right - width,
        nameEdit.top, width, okButton.bottom - okButton.top, dialog,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_WAVSEL_PLAY)),
        ::GetModuleHandleW(nullptr), nullptr);
    if (!playButton_)
        return false;
    ::SendMessageW(playButton_, WM_SETFONT, ::SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    return true;
}

void CChooserDialog::OnFolderChange()
{
    // The dialog may have made a new list for the new folder.
    fileList_.Detach();
    toolbar_ = nullptr;
    for (HWND child = ::GetWindow(frame_.GetSafeHwnd(), GW_CHILD); child && child != hook_;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring name = classNameOf(child);
        if (name == TOOLBARCLASSNAMEW) {
            toolbar_ = child;
        } else if (name == L"SHELLDLL_DefView") {
            HWND list = ::GetWindow(child, GW_CHILD);
            if (list && classNameOf(list) == WC_LISTVIEWW)
                fileList_.Attach(list);
        }
    }
}

bool CChooserDialog::OnFileOk(const OPENFILENAMEW& dialog)
{
    // The answer travels in the system code page, in a fixed field: a path
    // it cannot carry unchanged is refused here, while the user can still
    // choose another file.
    char field[kChooserPathBytes];
    if (storeWholeText(field, dialog.lpstrFile ? dialog.lpstrFile : L""))
        return true;
    showWavselMessage(frame_.GetSafeHwnd(), IDS_WAVSEL_NAME_UNUSABLE);
    return false;
}

void CChooserDialog::OnPlayClicked()
{
    if (!idle_) {
        player_.stopSound();  // the playback-done message follows
        return;
    }
    HWND list = fileList_.GetSafeHwnd();
    const int item = list ? static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM,
                                                            static_cast<WPARAM>(-1), LVNI_SELECTED))
                          : -1;
    if (item < 0)
        return;
    playedItem_ = item;
    const std::wstring path = SelectedFilePath(item);

    EnterPlaying();
    const int result = path.empty() ? kPlayUnreadable
                                    : player_.playSound(path, frame_.GetSafeHwnd(), kPlaybackDone);
    if (result != kPlayStarted) {
        // Shown while the dialog is still disabled; without an owner, as
        // the player's own message.
        showWavselMessage(nullptr, IDS_WAVSEL_PLAYBACK_FAILED);
        LeavePlaying();
        SelectPlayedItem();
        return;
    }
    ::EnableWindow(playButton_, TRUE);  // the next click stops the sound
}

void CChooserDialog::OnPlaybackDone()
{
    LeavePlaying();
    SelectPlayedItem();
    ::SetFocus(fileList_.GetSafeHwnd());
}

std::wstring CChooserDialog::SelectedFilePath(int item) const
{
    wchar_t name[MAX_PATH] = {};
    LVITEMW text = {};
    text.pszText = name;
    text.cchTextMax = MAX_PATH;
    ::SendMessageW(fileList_.GetSafeHwnd(), LVM_GETITEMTEXTW, item,
                   reinterpret_cast<LPARAM>(&text));
    // The folder the dialog shows (the current directory need not be it).
    wchar_t folder[MAX_PATH] = {};
    if (::SendMessageW(frame_.GetSafeHwnd(), CDM_GETFOLDERPATH, MAX_PATH,
                       reinterpret_cast<LPARAM>(folder)) <= 0)
        return std::wstring();
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    path += name;
    // The list may show names without their extension.
    if (!endsWithWav(path))
        path += L".wav";
    return path.size() < MAX_PATH ? path : std::wstring();
}

void CChooserDialog::EnterPlaying()
{
    enableAndRedraw(fileList_.GetSafeHwnd(), false);
    enableAndRedraw(toolbar_, false);
    for (HWND control : {typeCombo_, folderCombo_, playButton_, okButton_, cancelButton_})
        ::EnableWindow(control, FALSE);
    ::SetWindowTextW(playButton_, readText(request_.stopText).c_str());
    idle_ = false;
}

void CChooserDialog::LeavePlaying()
{
    enableAndRedraw(fileList_.GetSafeHwnd(), true);
    enableAndRedraw(toolbar_, true);
    for (HWND control : {typeCombo_, folderCombo_, playButton_, okButton_, cancelButton_})
        ::EnableWindow(control, TRUE);
    ::SetWindowTextW(playButton_, readText(request_.playText).c_str());
    idle_ = true;
}

void CChooserDialog::SelectPlayedItem()
{
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(fileList_.GetSafeHwnd(), LVM_SETITEMSTATE, playedItem_,
                   reinterpret_cast<LPARAM>(&state));
}

LRESULT CChooserDialog::CFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_WAVSEL_PLAY) {
        if (HIWORD(wParam) == BN_CLICKED)
            owner_.OnPlayClicked();
        return 0;
    }
    if (message == kPlaybackDone) {
        owner_.OnPlaybackDone();
        return 0;
    }
    // The dialog has no help: its help notice is answered here.
    if (message == WM_NOTIFY &&
        reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(CDN_HELP))
        return 1;
    return Default(message, wParam, lParam);
}

LRESULT CChooserDialog::CNameEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = Default(message, wParam, lParam);
    // The dialog writes the selected file's name here (a folder's never):
    // play is possible exactly while there is one.
    if (message == WM_SETTEXT) {
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        ::EnableWindow(owner_.playButton_, text && *text);
    }
    return result;
}

LRESULT CChooserDialog::CFileList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The dialog asks for the selection before it writes a file's name into
    // the edit; a folder leaves the edit alone, so the name of a file
    // selected earlier must go first.
    if (message == LVM_GETSELECTEDCOUNT && ::IsWindowEnabled(GetSafeHwnd()))
        ::SetWindowTextW(owner_.nameEdit_.GetSafeHwnd(), L"");
    return Default(message, wParam, lParam);
}
