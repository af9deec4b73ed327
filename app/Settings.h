// The settings record of Vxfsend and the rules that move it to and from its
// profile file: defaults, load order, derived folders and what a save writes.
// The profile itself is reached through the small Profile interface, so the
// rules run the same against "Vxfsend.INI" and against a profile in memory.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// One field per profile key, named exactly as the key (the misspelled
// "CehckSeve" and "CehckViewMode" included: existing profiles use them).
struct AppSettings {
    // "General"
    int32_t TabPage = 0;
    int32_t Option = 0;
    int32_t JpegQualityRes1 = 35;
    int32_t JpegQualityRes2 = 25;
    int32_t JpegQualityRes3 = 4;
    int32_t JpegQualityThum = 10;
    int32_t JpegBaseColor = 0;
    int32_t JpegOption = 0;
    int32_t DebugMode = 0;
    // "Upload"
    std::wstring TwainName;  // default: string 104
    std::wstring TwainIni;   // default: string 105
    std::wstring TwainPath;
    std::wstring PathSelect;
    std::wstring PathTemp;  // saved as "PathTempLog"
    std::wstring PathSave;
    std::wstring Filter;  // default: string 510
    int32_t FileTypeIndex = 0;
    int32_t CehckSeve = 0;
    int32_t CehckViewMode = 1;
    int32_t JpegSize = 41943520;     // 640 x 480, width * 65536 + height
    int32_t JpegSizeThum = 5242940;  // 80 x 60
    // "Capture"
    int32_t Hotkey = 116;  // VK_F5
    int32_t HotkeyModifiers = 0;
    std::wstring PathCapture;
    int32_t CaptureArea = 0;
    int32_t CaptureClipboard = 0;
    // Never stored: chosen anew at every start, changed by the camera switch.
    std::wstring cameraName;
    int32_t cameraCode = 90;
    int32_t previousCameraCode = 90;
};

// Bits of "DebugMode".
enum DebugModeBits : int32_t {
    kDebugFullSave = 0x01,        // save every key at exit
    kDebugCommonFileList = 0x02,  // show the common dialog's own file list
    kDebugNavigationText = 0x04,  // navigation string in the hint line
    kDebugNoHandOff = 0x08,       // upload job: do not start the transfer application
    kDebugProgressLine = 0x10,    // upload job: progress line
    kDebugProgressPath = 0x20,    // upload job: target path in that line
    kDebugCapturePath = 0x40,     // capture: target path in the hint line
    kDebugDropFiles = 0x200,      // accept dropped files
    kDebugNoSuiteCheck = 0x400,   // skip the check for the installed camera suite
};

constexpr int32_t kStartCameraCode = 90;  // 'Z'
// A stored text is read up to this many characters.
constexpr size_t kMaxProfileText = 4096;
// Name of the profile; without a folder the profile functions keep it in the
// Windows directory.
constexpr const wchar_t* kProfileFileName = L"Vxfsend.INI";
// Name added to the temporary folder for the default work folder.
constexpr const wchar_t* kWorkFolderName = L"~tmp_vxf";
// The default work folder in a temporary folder as the system reports it
// (with or without its trailing backslash).
std::wstring defaultWorkFolder(std::wstring temporaryFolder);

// A profile: named values in sections. Numbers are kept as decimal text.
class Profile {
public:
    virtual ~Profile() = default;
    // The stored text, or `fallback` when the key is missing.
    virtual std::wstring getString(const std::wstring& section, const std::wstring& key,
                                   const std::wstring& fallback) = 0;
    // Failures are not reported: a value that cannot be written is lost.
    virtual void putString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) = 0;

    // The stored number, or `fallback` when the key is missing or its text
    // is not a 32-bit decimal number.
    virtual int32_t getInt(const std::wstring& section, const std::wstring& key, int32_t fallback);
    virtual void putInt(const std::wstring& section, const std::wstring& key, int32_t value);
};

// Decimal text of a profile number: optional blanks, optional sign, digits,
// optional blanks. Values up to 4294967295 are taken modulo 2^32, since packed
// sizes are unsigned 32-bit numbers. Anything else gives `fallback`.
int32_t parseProfileInt(const std::wstring& text, int32_t fallback);

// A profile in memory. Section and key names are compared exactly, so a
// misspelled key is a different key. Every write is also logged in order.
class MemoryProfile : public Profile {
public:
    struct Write {
        std::wstring section, key, value;
    };

    std::wstring getString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& fallback) override;
    void putString(const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override;

    bool contains(const std::wstring& section, const std::wstring& key) const;
    // The stored text; empty when missing.
    std::wstring value(const std::wstring& section, const std::wstring& key) const;
    void erase(const std::wstring& section, const std::wstring& key);
    size_t size() const { return values_.size(); }

    std::vector<Write> writes;

private:
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> values_;
};

// What the settings rules need from the running system.
class SettingsEnvironment {
public:
    virtual ~SettingsEnvironment() = default;
    // Full path of the running executable; empty when it cannot be determined.
    virtual std::wstring executablePath() = 0;
    // The current directory at start-up (before the settings change it).
    virtual std::wstring startDirectory() = 0;
    virtual bool setCurrentDirectory(const std::wstring& path) = 0;
    // The temporary folder as the system reports it (see temporaryFolder).
    virtual std::wstring temporaryFolder() = 0;
    // A string of the program's string table; empty when missing.
    virtual std::wstring loadString(unsigned id) = 0;
};

// The folder part of a path, without a trailing backslash: "C:\a\b.exe"
// gives "C:\a", "C:\b.exe" gives "C:". Empty when the path names no folder.
std::wstring folderOfPath(const std::wstring& path);

// The folder of the executable, or the start-up directory when that is unknown.
std::wstring programFolder(SettingsEnvironment& env);

// Fills `settings` from the profile (a missing key gives its default), then
// derives the folders and sets the start camera. May change the current
// directory: afterwards it is "PathSelect" whenever that folder exists.
void loadSettings(Profile& profile, SettingsEnvironment& env, AppSettings& settings);

// Writes the record back: the identification keys and the keys saved always;
// every key only when bit 0x01 of "DebugMode" is set.
void saveSettings(Profile& profile, SettingsEnvironment& env, const AppSettings& settings);
