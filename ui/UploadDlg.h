// The main window: the old-style file-open dialog with template 1537, two
// tabs over it ("transfer to camera" and "screen capture"). The system's
// dialog keeps browsing drives and folders; the window mirrors its file list
// into its own, collects pictures into the upload list, shows the preview,
// runs the upload job and capture mode, and explains every control in the
// hint line. It works on a copy of the settings, which the shell takes back
// when the window has closed.
#pragma once

#include "app/Settings.h"
#include "capture/CaptureMode.h"
#include "chooser/SoundChooser.h"
#include "engine/win/PictureConverter.h"
#include "sound/win/SoundPlayer.h"
#include "ui/CommonDialogControls.h"
#include "ui/TabLayout.h"
#include "ui/UploadList.h"
#include "widgets/CaptureProgressDlg.h"
#include "widgets/HintBitmapButton.h"
#include "widgets/HintButton.h"
#include "widgets/HintComboBox.h"
#include "widgets/HintEdit.h"
#include "widgets/HintFileList.h"
#include "widgets/HintProgress.h"
#include "widgets/HintStatic.h"
#include "widgets/HintTabCtrl.h"
#include "widgets/HintWnd.h"
#include "win/FileOpenDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

namespace vximg {
class ImagingLibrary;
}

class CUploadDlg : public CFileOpenDialog, private CaptureModeHost {
public:
    // `imaging` must stay open while the window exists (its pictures live in
    // the picture converter). `captureProgress`: the capture progress window
    // the shell made on old Windows, or null when the window makes its own.
    CUploadDlg(const vximg::ImagingLibrary& imaging,
               CCaptureProgressDlg* captureProgress = nullptr);
    ~CUploadDlg() override;

    // The settings copy: given before the run, taken back after it.
    void SetSettings(const AppSettings& settings) { m_settings = settings; }
    const AppSettings& Settings() const { return m_settings; }
    // Vxfsend's current directory at its start: Wavsel.mdl is there.
    void SetStartFolder(const std::wstring& folder) { m_startFolder = folder; }
    // Called with the settings when Windows ends the session under the window.
    void SetSessionEndHandler(std::function<void(const AppSettings&)> handler)
    {
        m_onSessionEnd = std::move(handler);
    }

    // Operations other parts of the window use.
    void UpdateControls();
    void DisableControls(bool greySounds);
    void SelectTab(bool navigate);
    void NavigateBrowser(const std::wstring& folder);
    void ApplyCameraModel();
    bool AddUploadEntry(const std::wstring& path);
    void SetEntrySize(PackedSize size);
    void UpdatePreview();
    void ShowPreview(const std::wstring& name, bool relative);
    void HidePreview();

    // A progress text of the running upload or capture for the hint line.
    void ShowBusyText(const std::wstring& text);

    bool IsBusy() const { return m_uploadRunning || m_previewLoading || m_captureMode.Busy(); }
    Tab CurrentTab() const { return m_settings.TabPage == 1 ? Tab::Capture : Tab::Transfer; }
    PictureConverter& Converter() { return m_converter; }
    const CaptureMode& Capture() const { return m_captureMode; }
    CIconListBox& UploadListBox() { return m_uploadList.Box(); }
    const std::vector<std::wstring>& UploadPaths() const { return m_uploadList.Paths(); }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnNcDestroy() override;

private:
    // Start-up
    bool SuiteInstalled() const;
    void AddAboutMenuItem();
    void AttachControls();
    void UseMaintenanceLayout();
    void FillFileTypes();
    void FillTabs();
    void FillCaptureKeys();

    // Messages
    bool OnCommand(WORD id, WORD code, HWND control);
    bool OnNotify(const NMHDR& header);
    bool OnOwnerDraw(UINT message, LPARAM lParam);
    HBRUSH OnControlColour(HDC dc, HWND control);
    COLORREF TabBodyColour() const;
    void OnShowHint(WPARAM controlId, LPARAM text);
    void OnEscapePressed(LPARAM keyData);
    void OnMouseMove(LPARAM position);
    bool OnCancel();
    void OnPaintMinimised();
    void OnDropFiles(HDROP drop);
    void OnFolderListReset();
    void OnFileListRefresh();
    void OnTabChanged();
    void OnFileTypeChanged();
    void OnNewFolder();
    void OnSaveAlso();
    void OnBrowse();
    void OnPreviewCheck();
    void OnFileListFocus();
    void OnUploadListFocus();
    void OnFileListSelection();
    void OnUploadListSelection();
    void OnAddFiles(bool selectedOnly);
    void OnRemoveSelected();
    void OnRemoveAll();
    void OnMove(bool up);
    void OnSizeRadio(WORD id);
    void OnCameraSwitch();
    void OnUpload();
    void OnSelectSound();
    void OnTestPlay();
    void OnPlaybackDone();
    void OnDeleteSounds();
    bool AcceptableSound(const std::wstring& path);

    // Capture mode
    HWND KeyWindow() override { return m_hWnd; }
    void EnterCaptureMode() override;
    void LeaveCaptureMode() override;
    void EnableCaptureEnd(bool enabled) override;
    void ShowCaptureFolder() override;
    void AddCapturedFile(const std::wstring& name) override;
    void RestoreDefaultHint() override;
    void ShowMessage(UINT messageId) override;
    int CaptureScreen(std::wstring& name) override;

    // Helpers
    std::wstring SelectedFileType() const;
    bool SoundTypeSelected() const;
    std::wstring CurrentPattern() const;
    void SetHintText(const std::wstring& text);
    void CheckSizeRadios();
    void UpdateTransferControls();
    void UpdateCaptureControls();
    void SetSystemClose(bool enabled);
    void RefreshUploadExtent();
    void ShowControl(int id, bool shown);
    std::wstring FolderWithSeparator(const std::wstring& folder) const;

    const vximg::ImagingLibrary& m_imaging;
    AppSettings m_settings;
    CaptureMode m_captureMode{*this, m_settings};

    // Controls of the template
    CHintButton m_cameraSwitch, m_close, m_sizeP, m_sizeX, m_sizeV, m_addSelected, m_addAll,
        m_saveAlso, m_browse, m_removeSelected, m_removeAll, m_previewCheck, m_keyShift, m_keyAlt,
        m_keyCtrl, m_captureKeyGroup, m_newFolder, m_soundSelect, m_soundTest, m_soundDelete;
    CHintComboBox m_fileType, m_captureKey;
    CHintStatic m_sizeText, m_hintLine, m_previewArea, m_captureGuide;
    CHintFileList m_fileList;
    CHintEdit m_savePath;
    CHintTabCtrl m_tab;
    CHintProgress m_progress;
    CHintBitmapButton m_upexe, m_capsta, m_capend, m_moveUp, m_moveDown;
    CUploadList m_uploadList;
    CHintWnd m_previewPicture;  // 1633, in the picture converter

    // The system dialog's own controls that the window watches
    CCommonFileListWatch m_cdFileList;
    CFolderListWatch m_folderList;
    CDriveComboLock m_driveCombo;
    CCurrentFolderText m_currentFolder;

    CCaptureProgressDlg* m_captureProgress;
    std::unique_ptr<CCaptureProgressDlg> m_ownCaptureProgress;
    CTabLayout m_layout;
    HBRUSH m_hintBrush = nullptr;
    HBRUSH m_guideBrush = nullptr;
    HBRUSH m_tabBodyBrush = nullptr;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
    HIMAGELIST m_tabImages = nullptr;
    PictureConverter m_converter;
    std::wstring m_startFolder;
    std::unique_ptr<SoundChooser> m_chooser;
    SoundPlayer m_player;
    bool m_soundPlaying = false;
    // The test-play files of the playbacks whose end notice is still to come,
    // oldest first: each notice deletes one.
    std::vector<std::wstring> m_testPlayFiles;
    UINT m_fileOkMessage;
    std::function<void(const AppSettings&)> m_onSessionEnd;

    bool m_listFocus = false;  // the file list had the focus last, not the upload list
    bool m_uploadRunning = false;
    bool m_previewLoading = false;
    bool m_escapeQuestionOpen = false;
    bool m_initialised = false;
    // The last hint request: nothing repeats it; -1 so the first shows.
    WPARAM m_lastHintId = 0;
    LPARAM m_lastHintText = -1;
};
