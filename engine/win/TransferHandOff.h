// StartTransferApplication: the hand-off to the photo suite's transfer
// application on Windows. The steps are those of runHandOff (SuiteHandOff.h);
// here are the registry, the suite profile, the process and the message
// boxes they act on.
#pragma once

#include "engine/SuiteHandOff.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Tells the suite to open its transfer window on the destination folder,
// runs the application and puts the suite's values back. `mainWindow` (may
// be null) is hidden while the application runs and owns the message boxes.
// When the user answers Cancel to message 609, `clearContinueFlag` clears
// the converter's continue flag. Returns 1.
int StartTransferApplication(AppSettings& settings, HWND mainWindow,
                             const std::function<void()>& clearContinueFlag);

// Starts `path` as the hand-off does (no command line, nothing inherited,
// default environment and directory, an empty start-up record) and waits
// until the process has ended, dispatching the thread's window messages
// meanwhile; `mainWindow` is hidden during the wait and shown after it.
// False when the process could not be started.
bool runApplicationAndWait(const std::wstring& path, HWND mainWindow);

// HandOffSystem on the Windows registry, profile functions and processes.
class WinHandOffSystem : public HandOffSystem {
public:
    explicit WinHandOffSystem(HWND mainWindow) : mainWindow_(mainWindow) {}

    std::wstring windowsFolder() override;
    std::wstring readProfileString(const std::wstring& file, const std::wstring& section,
                                   const std::wstring& key, size_t bufferChars) override;
    void writeProfileString(const std::wstring& file, const std::wstring& section,
                            const std::wstring& key, const std::wstring& value) override;
    bool enumerateSubkey(const std::wstring& key, uint32_t index, std::wstring& name) override;
    long setDwordValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                       uint32_t value) override;
    long readStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                         size_t bufferChars, std::wstring& text) override;
    long setPaddedStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                              const std::wstring& text, size_t valueChars) override;
    bool runApplication(const std::wstring& path) override;
    int showMessage(unsigned messageId, unsigned boxType, long code) override;

private:
    HWND mainWindow_;
};
