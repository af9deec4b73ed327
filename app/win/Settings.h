// The settings rules on the running system and "Vxfsend.INI".
#pragma once

#include "app/Settings.h"

#include <string>

class SystemSettingsEnvironment : public SettingsEnvironment {
public:
    // Takes the current directory as the start-up directory.
    SystemSettingsEnvironment();

    std::wstring executablePath() override;
    std::wstring startDirectory() override { return startDirectory_; }
    bool setCurrentDirectory(const std::wstring& path) override;
    std::wstring temporaryFolder() override;
    std::wstring loadString(unsigned id) override;

private:
    std::wstring startDirectory_;
};

// loadSettings and saveSettings on "Vxfsend.INI" in the Windows directory.
void loadSettings(AppSettings& settings);
void saveSettings(const AppSettings& settings);
