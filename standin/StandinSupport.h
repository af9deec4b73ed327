// Registry, profile and path helpers of the stand-in suite (Win32).
#pragma once
#include <windows.h>

#include <string>

namespace standin {

// The suite's keys found by enumeration, the way the hand-off finds them:
// under the current user the last "ORVEN Vidro!3 Ver." subkey of
// "SOFTWARE\Orven", below it the last subkey starting with a digit 1-9.
// Without a match the names are built as the hand-off builds them (the keys
// then do not exist).
struct SuiteKeys {
    bool suiteFound = false;
    bool versionFound = false;
    std::wstring suiteName;
    std::wstring versionName;
    std::wstring dialogKey;  // local machine
    std::wstring filesKey;   // current user
};
SuiteKeys findSuiteKeys();

std::wstring windowsDirectory();
std::wstring suiteProfilePath();  // "<Windows directory>\Vidro!3.ini"
std::wstring tempFolder();        // with a trailing backslash
std::wstring defaultCardRoot();
std::wstring defaultAlbumFolder();  // with a trailing backslash
std::wstring withBackslash(std::wstring path);
std::wstring folderOf(const std::wstring& path);  // without the trailing backslash
std::wstring moduleFolder();                      // of the running program

bool readDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& value);
// A REG_SZ or REG_EXPAND_SZ value up to its first zero character.
bool readString(HKEY root, const std::wstring& key, const wchar_t* name, std::wstring& value);
LONG writeDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value);
LONG writeString(HKEY root, const std::wstring& key, const wchar_t* name,
                 const std::wstring& value);
// As the hand-off writes "Folder": the text followed by zero bytes, at least
// 260 bytes in all.
LONG writeFolderString(HKEY root, const std::wstring& key, const wchar_t* name,
                       const std::wstring& value);
bool keyExists(HKEY root, const std::wstring& key);

// False when the key is not in the section (an empty value is still there).
bool readProfileValue(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                      std::wstring& value);

// Switches for tests, set by the installer (the hand-off passes no command line).
struct TestSettings {
    std::wstring logPath;
    DWORD autoCloseMs = 0;
    bool autoTransfer = false;
};
TestSettings readTestSettings();
std::wstring readCardRoot();  // the installer's choice, else the default

std::wstring hexValue(DWORD value);  // "0x00000101"

}  // namespace standin
