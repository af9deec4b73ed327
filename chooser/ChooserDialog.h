// Wavsel's dialog: the system's Explorer-style open (or save) dialog for WAV
// files, changed from outside so that the user picks a file from the list
// only and can listen to it before confirming. The dialog is the system's,
// so there is no template of ours: a hook receives its set-up and
// notifications, and three of its windows (the dialog itself, the hidden
// file name edit and the file list) are subclassed.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include "chooser/ChooserRequest.h"
#include "sound/win/SoundPlayer.h"
#include "win/SubclassedWindow.h"

#include <string>

class CChooserDialog {
public:
    // The request supplies owner, start folder, initial name and the texts;
    // its text fields must be terminated.
    CChooserDialog(const ChooserRequest& request, SoundPlayer& player);
    CChooserDialog(const CChooserDialog&) = delete;
    CChooserDialog& operator=(const CChooserDialog&) = delete;

    // Shows the dialog modally; true when the user confirmed a file, whose
    // full path (always one the shared block can carry) is then chosenPath().
    bool run();
    std::wstring chosenPath() const { return std::wstring(fileName_); }
    // The common dialog's extended error code after run() (0 when none).
    DWORD dialogError() const { return dialogError_; }

private:
    // Subclasses that hand their messages to the dialog object.
    class CFrame : public CSubclassedWindow {
    public:
        explicit CFrame(CChooserDialog& owner) : owner_(owner) {}

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        CChooserDialog& owner_;
    };
    class CNameEdit : public CSubclassedWindow {
    public:
        explicit CNameEdit(CChooserDialog& owner) : owner_(owner) {}

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        CChooserDialog& owner_;
    };
    class CFileList : public CSubclassedWindow {
    public:
        explicit CFileList(CChooserDialog& owner) : owner_(owner) {}

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        CChooserDialog& owner_;
    };

    static UINT_PTR CALLBACK HookProc(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND hook);
    bool CreatePlayButton(const RECT& nameEdit, const RECT& okButton);
    void OnFolderChange();
    // False when the confirmed file must not be answered (the dialog stays open).
    bool OnFileOk(const OPENFILENAMEW& dialog);
    void OnPlayClicked();
    void OnPlaybackDone();

    // The file of the selected list item; empty when it does not fit a path.
    std::wstring SelectedFilePath(int item) const;
    void EnterPlaying();
    void LeavePlaying();
    void SelectPlayedItem();

    const ChooserRequest& request_;
    SoundPlayer& player_;
    wchar_t fileName_[MAX_PATH] = {};
    std::wstring initialFolder_;
    DWORD dialogError_ = 0;

    CFrame frame_{*this};
    CNameEdit nameEdit_{*this};
    CFileList fileList_{*this};
    HWND hook_ = nullptr;
    HWND okButton_ = nullptr;
    HWND cancelButton_ = nullptr;
    HWND typeCombo_ = nullptr;
    HWND folderCombo_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND playButton_ = nullptr;

    bool idle_ = true;
    int playedItem_ = -1;
};
