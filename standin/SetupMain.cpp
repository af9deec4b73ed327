// VidroStandinSetup: installs the stand-in photo suite into this Windows (or
// Wine prefix): the suite's keys under both roots, its profile in the Windows
// directory and the stand-in's own settings. Running it again gives the same
// result; /uninstall removes only what it made.
#include "base/PathText.h"
#include "standin/CameraFolder.h"
#include "standin/StandinNames.h"
#include "standin/StandinSupport.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

using namespace standin;

namespace {

const wchar_t kUsage[] =
    L"VidroStandinSetup: installs the stand-in of the ORVEN Vidro!3 photo suite (for development "
    L"and tests).\n"
    L"\n"
    L"  VidroStandinSetup [/version <text>] [/subkey <name>] [/app <path>] [/folder <path>] [/card "
    L"<folder>]\n"
    L"                    [/testlog <path>] [/autoclose <ms>] [/autotransfer] [/notest]\n"
    L"  VidroStandinSetup /uninstall [/version <text>]\n"
    L"\n"
    L"  /version <text>  suite key \"ORVEN Vidro!3 Ver.<text>\" (default 3.00); install twice for "
    L"two versions\n"
    L"  /subkey <name>   version subkey, starting with a digit 1-9 (default 3.0)\n"
    L"  /app <path>      \"AppExe\": the transfer application (default VidroLinkStandin.exe beside "
    L"this program)\n"
    L"  /folder <path>   first \"Folder\" value in the registry and the profile (default: kept, "
    L"else a temp folder)\n"
    L"  /card <folder>   root of the stand-in memory card (default: kept, else "
    L"%TEMP%\\VidroStandin\\Card)\n"
    L"  /testlog <path>  the transfer application appends a UTF-8 log of what it saw to this file\n"
    L"  /autoclose <ms>  the transfer application closes itself after this time\n"
    L"  /autotransfer    the transfer application presses its transfer button first\n"
    L"  /notest          removes the three test settings above\n"
    L"  /uninstall       removes what this program installed (only the given version with "
    L"/version)\n";

void print(const std::wstring& text)
{
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (out && out != INVALID_HANDLE_VALUE && ::GetConsoleMode(out, &mode)) {
        ::WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = utf8FromWide(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

std::wstring errorText(LONG code)
{
    return L" (error " + std::to_wstring(code) + L")";
}

struct Options {
    bool uninstall = false;
    bool versionGiven = false;
    std::wstring version = kDefaultVersion;
    std::wstring subkey = kDefaultVersionSubkey;
    std::wstring app;
    std::wstring folder;
    std::wstring card;
    bool testLogGiven = false;
    std::wstring testLog;
    bool autoCloseGiven = false;
    DWORD autoCloseMs = 0;
    bool autoTransfer = false;
    bool noTest = false;
};

bool isOption(const wchar_t* arg, const wchar_t* name)
{
    return (arg[0] == L'/' || arg[0] == L'-') &&
           ::CompareStringOrdinal(arg + 1, -1, name, -1, TRUE) == CSTR_EQUAL;
}

bool parseOptions(int argc, wchar_t** argv, Options& options, std::wstring& error)
{
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        auto next = [&](std::wstring& value) {
            if (i + 1 >= argc) {
                error = std::wstring(arg) + L" needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        if (isOption(arg, L"uninstall")) {
            options.uninstall = true;
        } else if (isOption(arg, L"version")) {
            if (!next(options.version))
                return false;
            options.versionGiven = true;
        } else if (isOption(arg, L"subkey")) {
            if (!next(options.subkey))
                return false;
        } else if (isOption(arg, L"app")) {
            if (!next(options.app))
                return false;
        } else if (isOption(arg, L"folder")) {
            if (!next(options.folder))
                return false;
        } else if (isOption(arg, L"card")) {
            if (!next(options.card))
                return false;
        } else if (isOption(arg, L"testlog")) {
            if (!next(options.testLog))
                return false;
            options.testLogGiven = true;
        } else if (isOption(arg, L"autoclose")) {
            std::wstring text;
            if (!next(text))
                return false;
            wchar_t* end = nullptr;
            const unsigned long ms = std::wcstoul(text.c_str(), &end, 10);
            if (text.empty() || *end || ms > 0x7FFFFFFF) {
                error = L"/autoclose needs milliseconds, not \"" + text + L"\"";
                return false;
            }
            options.autoCloseMs = static_cast<DWORD>(ms);
            options.autoCloseGiven = true;
        } else if (isOption(arg, L"autotransfer")) {
            options.autoTransfer = true;
        } else if (isOption(arg, L"notest")) {
            options.noTest = true;
        } else if (isOption(arg, L"?") || isOption(arg, L"help")) {
            error.clear();
            return false;
        } else {
            error = std::wstring(L"unknown argument \"") + arg + L"\"";
            return false;
        }
    }
    if (options.version.empty() || options.version.find(L'\\') != std::wstring::npos) {
        error = L"/version must be a non-empty text without a backslash";
        return false;
    }
    if (options.subkey.empty() || options.subkey[0] < L'1' || options.subkey[0] > L'9' ||
        options.subkey.find(L'\\') != std::wstring::npos) {
        error = L"/subkey must start with a digit 1-9 and hold no backslash";
        return false;
    }
    return true;
}

std::wstring fullPath(const std::wstring& path)
{
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::vector<wchar_t> buffer(size + 1);
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    return length == 0 || length >= buffer.size() ? path : std::wstring(buffer.data(), length);
}

std::wstring suiteKey(const std::wstring& version)
{
    return std::wstring(kOrvenKey) + L"\\" + kSuitePrefix + version;
}

bool isOurs(HKEY root, const std::wstring& key)
{
    std::wstring by;
    return readString(root, key, kValueInstalledBy, by) && by == kInstallerName;
}

// Suite keys under one root that carry our mark.
std::vector<std::wstring> ourSuiteKeys(HKEY root)
{
    std::vector<std::wstring> names;
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, kOrvenKey, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[260];
        DWORD length = 260;
        if (::RegEnumKeyExW(handle, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (std::wcsncmp(name, kSuitePrefix, kSuitePrefixLength) == 0 &&
            isOurs(root, std::wstring(kOrvenKey) + L"\\" + name))
            names.push_back(name + kSuitePrefixLength);
    }
    ::RegCloseKey(handle);
    return names;
}

// Made by us: the profile carries our section.
bool profileIsOurs(const std::wstring& path)
{
    std::wstring by;
    return readProfileValue(path, kProfileStandinSection, kValueInstalledBy, by) &&
           by == kInstallerName;
}

// A new profile is UTF-16 with a byte-order mark, so that the profile
// functions keep folder names in any script.
bool createProfile(const std::wstring& path, bool& created)
{
    created = false;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_EXISTS;
    const BYTE bom[2] = {0xFF, 0xFE};
    DWORD written = 0;
    const bool ok = ::WriteFile(file, bom, 2, &written, nullptr) && written == 2;
    ::CloseHandle(file);
    created = ok;
    return ok;
}

bool writeProfile(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                  const std::wstring& value)
{
    if (::WritePrivateProfileStringW(section, key, value.c_str(), path.c_str()))
        return true;
    print(L"cannot write [" + std::wstring(section) + L"] " + key + L" into " + path +
          errorText(::GetLastError()) + L"\n");
    return false;
}

bool check(LONG status, const wchar_t* root, const std::wstring& key, const wchar_t* name)
{
    if (status == ERROR_SUCCESS)
        return true;
    print(std::wstring(L"cannot write ") + root + L"\\" + key + L" " + name + errorText(status) +
          L"\n");
    return false;
}

int install(const Options& options)
{
    const std::wstring app =
        fullPath(options.app.empty() ? moduleFolder() + L"\\" + kAppFileName : options.app);
    if (::GetFileAttributesW(app.c_str()) == INVALID_FILE_ATTRIBUTES)
        print(L"warning: the transfer application " + app + L" does not exist\n");

    const std::wstring suite = suiteKey(options.version);
    const std::wstring dialogKey = suite + L"\\" + options.subkey + L"\\" + kDialogSubkey;
    const std::wstring filesKey = suite + L"\\" + options.subkey + L"\\" + kFilesSubkey;
    const std::wstring profile = suiteProfilePath();
    if (profile.empty()) {
        print(L"the Windows directory cannot be had\n");
        return 1;
    }

    // Values the user did not give stay as a previous installation left them.
    std::wstring folder = options.folder;
    if (folder.empty() && !readString(HKEY_CURRENT_USER, filesKey, kValueFolder, folder))
        folder.clear();
    if (folder.empty())
        folder = defaultAlbumFolder();
    std::wstring card = options.card.empty() ? readCardRoot() : fullPath(options.card);

    bool ok = check(writeString(HKEY_LOCAL_MACHINE, suite, kValueInstalledBy, kInstallerName),
                    L"HKLM", suite, kValueInstalledBy) &&
              check(writeString(HKEY_LOCAL_MACHINE, dialogKey, kValueAppExe, app), L"HKLM",
                    dialogKey, kValueAppExe) &&
              check(writeDword(HKEY_LOCAL_MACHINE, dialogKey, kValueStartupTab, kStartupTabIdle),
                    L"HKLM", dialogKey, kValueStartupTab) &&
              check(writeDword(HKEY_LOCAL_MACHINE, dialogKey, kValueVidroLink, kStartupTabIdle),
                    L"HKLM", dialogKey, kValueVidroLink) &&
              check(writeString(HKEY_CURRENT_USER, suite, kValueInstalledBy, kInstallerName),
                    L"HKCU", suite, kValueInstalledBy) &&
              check(writeFolderString(HKEY_CURRENT_USER, filesKey, kValueFolder, folder), L"HKCU",
                    filesKey, kValueFolder);
    if (!ok)
        return 1;

    bool created = false;
    if (!createProfile(profile, created)) {
        print(L"cannot create " + profile + errorText(::GetLastError()) + L"\n");
        return 1;
    }
    std::wstring profileFolder = options.folder;
    if (profileFolder.empty() &&
        !readProfileValue(profile, kProfileFilesSection, kValueFolder, profileFolder))
        profileFolder.clear();
    if (profileFolder.empty())
        profileFolder = folder;
    ok = writeProfile(profile, kProfileDialogSection, kValueStartupTab, L"0") &&
         writeProfile(profile, kProfileFilesSection, kValueFolder, profileFolder) &&
         (!created ||
          writeProfile(profile, kProfileStandinSection, kValueInstalledBy, kInstallerName));
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    if (!ok)
        return 1;

    const std::wstring testKey = std::wstring(kStandinKey) + L"\\" + kTestSubkey;
    ok = check(writeString(HKEY_CURRENT_USER, kStandinKey, kValueCardRoot, card), L"HKCU",
               kStandinKey, kValueCardRoot);
    if (ok && options.noTest) {
        const LONG status = ::RegDeleteTreeW(HKEY_CURRENT_USER, testKey.c_str());
        ok = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
        check(ok ? ERROR_SUCCESS : status, L"HKCU", testKey, L"(removing)");
    }
    if (ok && options.testLogGiven)
        ok =
            check(writeString(HKEY_CURRENT_USER, testKey, kValueLogPath, fullPath(options.testLog)),
                  L"HKCU", testKey, kValueLogPath);
    if (ok && options.autoCloseGiven)
        ok = check(writeDword(HKEY_CURRENT_USER, testKey, kValueAutoCloseMs, options.autoCloseMs),
                   L"HKCU", testKey, kValueAutoCloseMs);
    if (ok && options.autoTransfer)
        ok = check(writeDword(HKEY_CURRENT_USER, testKey, kValueAutoTransfer, 1), L"HKCU", testKey,
                   kValueAutoTransfer);
    if (!ok)
        return 1;
    if (!createFolders(card))
        print(L"warning: the card folder " + card + L" cannot be created" +
              errorText(::GetLastError()) + L"\n");

    print(L"installed the stand-in suite \"" + std::wstring(kSuitePrefix) + options.version +
          L"\\" + options.subkey + L"\"\n  AppExe  " + app + L"\n  Folder  " + folder +
          L"\n  profile " + profile + L"\n  card    " + card + L"\\" + kCardPictureFolder +
          L"\\\n");
    return 0;
}

bool keyIsEmpty(HKEY root, const wchar_t* key)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 0, values = 0;
    const LONG status = ::RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                           nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    ::RegCloseKey(handle);
    return status == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

bool removeTree(HKEY root, const wchar_t* rootName, const std::wstring& key)
{
    const LONG status = ::RegDeleteTreeW(root, key.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        return true;
    print(std::wstring(L"cannot remove ") + rootName + L"\\" + key + errorText(status) + L"\n");
    return false;
}

int uninstall(const Options& options)
{
    bool ok = true;
    struct Root {
        HKEY handle;
        const wchar_t* name;
    };
    const Root roots[] = {{HKEY_LOCAL_MACHINE, L"HKLM"}, {HKEY_CURRENT_USER, L"HKCU"}};
    for (const Root& root : roots) {
        std::vector<std::wstring> versions;
        if (options.versionGiven)
            versions.push_back(options.version);
        else
            versions = ourSuiteKeys(root.handle);
        for (const std::wstring& version : versions) {
            const std::wstring key = suiteKey(version);
            if (!keyExists(root.handle, key))
                continue;
            if (!isOurs(root.handle, key)) {
                print(std::wstring(L"left alone (not installed by the stand-in): ") + root.name +
                      L"\\" + key + L"\n");
                continue;
            }
            if (removeTree(root.handle, root.name, key))
                print(std::wstring(L"removed ") + root.name + L"\\" + key + L"\n");
            else
                ok = false;
        }
    }
    if (!ourSuiteKeys(HKEY_LOCAL_MACHINE).empty() || !ourSuiteKeys(HKEY_CURRENT_USER).empty())
        return ok ? 0 : 1;  // other versions of ours stay, and so do the profile and settings

    const std::wstring profile = suiteProfilePath();
    if (!profile.empty() && profileIsOurs(profile)) {
        ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
        if (::DeleteFileW(profile.c_str())) {
            print(L"removed " + profile + L"\n");
        } else {
            print(L"cannot remove " + profile + errorText(::GetLastError()) + L"\n");
            ok = false;
        }
    }
    if (keyExists(HKEY_CURRENT_USER, kStandinKey)) {
        if (removeTree(HKEY_CURRENT_USER, L"HKCU", kStandinKey))
            print(std::wstring(L"removed HKCU\\") + kStandinKey + L"\n");
        else
            ok = false;
    }
    for (const Root& root : roots) {
        if (keyIsEmpty(root.handle, kOrvenKey))
            ok = removeTree(root.handle, root.name, kOrvenKey) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    std::wstring error;
    if (!parseOptions(argc, argv, options, error)) {
        if (!error.empty())
            print(error + L"\n\n");
        print(kUsage);
        return 2;
    }
    return options.uninstall ? uninstall(options) : install(options);
}
