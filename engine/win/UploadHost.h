// The upload job's services on Windows: message boxes owned by the main
// window, progress lines handed to it, the Win32 file functions and a
// progress bar control.
#pragma once

#include "engine/UploadJob.h"
#include "engine/win/WorkFolder.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Receives the progress line of an entry (1-based number) while a job runs.
using ProgressLineSink = std::function<void(int entryNumber, const std::wstring& text)>;

// Boxes of showMessage owned by `owner`; progress lines to the sink.
class WinUploadUi : public UploadUi {
public:
    WinUploadUi(HWND owner, ProgressLineSink sink) : owner_(owner), sink_(std::move(sink)) {}
    int showMessage(const UploadMessage& message) override;
    void showProgressLine(int entryNumber, const std::wstring& text) override;

private:
    HWND owner_;
    ProgressLineSink sink_;
};

// The job's file operations on the Win32 file functions; the folder
// operations with their messages are those of WorkFolder.h.
class WinUploadFiles : public UploadFiles {
public:
    FolderSearch& folderSearch() override { return search_; }
    bool probeCreate(const std::wstring& path) override;
    bool ensureFolder(const std::wstring& path, UploadUi& ui) override;
    bool removeFolder(const std::wstring& path, UploadUi& ui) override;
    int listFiles(const std::wstring& folder, std::vector<std::wstring>& names) override;
    uint64_t fileLength(const std::wstring& path) override;
    bool jpegCutShort(const std::wstring& path) override;
    bool removeFile(const std::wstring& path) override;
    bool folderEmpty(const std::wstring& folder) override;
    bool isDefaultWorkFolder(const std::wstring& folder) override;

private:
    SystemFolderSearch search_;
};

// A progress bar control.
class WinProgressBar : public ProgressBar {
public:
    explicit WinProgressBar(HWND bar) : bar_(bar) {}
    void setRange(int low, int high) override;
    void setPosition(int position) override;

private:
    HWND bar_;
};
