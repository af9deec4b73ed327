// The hand-off to the photo suite's transfer application: where the suite
// keeps its values, what is written there for the application's run and put
// back afterwards, and which messages the user sees. The system is reached
// through HandOffSystem, so the same steps run against Windows and against
// a recording fake in the tests.
#pragma once

#include "app/Settings.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The suite's registry keys: "SOFTWARE\Orven\<suite>\<version>\..." with the
// suite and version subkeys found by enumeration under the current user.
constexpr const wchar_t* kSuiteBaseKey = L"SOFTWARE\\Orven\\";
constexpr const wchar_t* kSuiteKeyPrefix = L"ORVEN Vidro!3 Ver.";
constexpr size_t kSuiteKeyPrefixLength = 18;
constexpr const wchar_t* kSuiteDialogKey = L"MainDialog";  // used under the local machine
constexpr const wchar_t* kSuiteFilesKey = L"Files";        // used under the current user
// A subkey name is read into a buffer of this many characters.
constexpr size_t kSubkeyNameChars = 260;

// Registry values.
constexpr const wchar_t* kValueStartupTab = L"StartupTab";
constexpr const wchar_t* kValueVidroLink = L"VidroLink";
constexpr const wchar_t* kValueFolder = L"Folder";
constexpr const wchar_t* kValueAppExe = L"AppExe";
constexpr uint32_t kStartupTabTransfer = 0x101;  // open the transfer window
constexpr uint32_t kSuiteValueIdle = 0xFFFFFFFF;
// "Folder" is a fixed buffer: the text followed by zero characters.
constexpr size_t kFolderValueChars = 260;
constexpr size_t kAppExeChars = 260;

// The suite profile in the Windows directory (name: `TwainIni`).
constexpr const wchar_t* kProfileDialogSection = L"MainDialog";
constexpr const wchar_t* kProfileFilesSection = L"Files";
constexpr const wchar_t* kProfileStartupTransfer = L"1";
constexpr size_t kProfileStartupTabChars = 80;
constexpr size_t kProfileFolderChars = 260;

// Box types of the hand-off's messages (the message-box style flags and answers).
constexpr unsigned kBoxOk = 0;
constexpr unsigned kBoxOkCancel = 1;
constexpr int kAnswerCancel = 2;

enum class RegistryRoot { CurrentUser, LocalMachine };

// Reads the name of subkey `index` of `key` (current user) into `name`;
// false when the enumeration stops there (no more subkeys, the key cannot be
// opened, a name that does not fit the buffer).
using SubkeyEnumerator =
    std::function<bool(const std::wstring& key, uint32_t index, std::wstring& name)>;

struct SuiteKeys {
    std::wstring suiteName;    // last "ORVEN Vidro!3 Ver." subkey; empty when none
    std::wstring versionName;  // last subkey starting with 1-9; empty when none
    std::wstring dialogKey;    // local machine
    std::wstring filesKey;     // current user
};

// Finds the suite's keys the way the suite's own programs do: the last
// matching subkey wins at each level. Without a match the key names are
// built all the same (they then name keys that do not exist).
SuiteKeys findSuiteKeys(const SubkeyEnumerator& enumerate);

// What the hand-off needs from the running system. Status results are 0 for
// success or the system's error code.
class HandOffSystem {
public:
    virtual ~HandOffSystem() = default;

    // The Windows directory; empty when it cannot be had.
    virtual std::wstring windowsFolder() = 0;
    // A profile value read into a buffer of `bufferChars` characters; empty
    // when missing.
    virtual std::wstring readProfileString(const std::wstring& file, const std::wstring& section,
                                           const std::wstring& key, size_t bufferChars) = 0;
    // Failures are not reported.
    virtual void writeProfileString(const std::wstring& file, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& value) = 0;

    // See SubkeyEnumerator.
    virtual bool enumerateSubkey(const std::wstring& key, uint32_t index, std::wstring& name) = 0;
    // Opens the key, sets a 32-bit value, closes the key.
    virtual long setDwordValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                               uint32_t value) = 0;
    // Opens the key, reads a string value into a buffer of `bufferChars`
    // characters (a longer value fails), closes the key. `text` is the value
    // up to its first zero character.
    virtual long readStringValue(RegistryRoot root, const std::wstring& key,
                                 const std::wstring& name, size_t bufferChars,
                                 std::wstring& text) = 0;
    // Opens the key and writes a string value of `valueChars` characters:
    // the text followed by zero characters (a longer text is written whole
    // with one terminating zero).
    virtual long setPaddedStringValue(RegistryRoot root, const std::wstring& key,
                                      const std::wstring& name, const std::wstring& text,
                                      size_t valueChars) = 0;

    // Starts the application at `path` and returns after it has ended,
    // keeping the user interface alive meanwhile; false when it could not be
    // started.
    virtual bool runApplication(const std::wstring& path) = 0;

    // Shows message `messageId` with the code on a second line; returns the
    // pressed button.
    virtual int showMessage(unsigned messageId, unsigned boxType, long code) = 0;
};

// Appends a backslash when the text does not end in one.
void appendBackslash(std::wstring& path);

// The whole hand-off: announces the destination folder to the suite, runs
// the transfer application, puts the suite's values back. Changes the
// settings' folders as the job expects (trailing backslashes). Calls
// `clearContinueFlag` when the user answers Cancel to message 609, so that
// the job counts as aborted. Returns 1.
int runHandOff(AppSettings& settings, HandOffSystem& system,
               const std::function<void()>& clearContinueFlag);
