#include "engine/SuiteHandOff.h"

#include "engine/CameraModels.h"
#include "resources/VxfsendRes.h"

namespace {

// Enumerates `key` from index 0 until the enumeration stops; the last name
// that matches wins. False when none matched.
template <class Match>
bool lastMatchingSubkey(const SubkeyEnumerator& enumerate, const std::wstring& key, Match match,
                        std::wstring& found)
{
    bool any = false;
    std::wstring name;
    for (uint32_t index = 0; enumerate(key, index, name); ++index) {
        if (match(name)) {
            found = name;
            any = true;
        }
        // Guards against an enumerator that never stops.
        if (index == UINT32_MAX)
            break;
    }
    return any;
}

bool isSuiteKeyName(const std::wstring& name)
{
    return name.compare(0, kSuiteKeyPrefixLength, kSuiteKeyPrefix) == 0;
}

bool isVersionKeyName(const std::wstring& name)
{
    return !name.empty() && name[0] >= L'1' && name[0] <= L'9';
}

void removeTrailingBackslash(std::wstring& path)
{
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
}

// Keeps the first failure of a sequence of steps that all run.
void keepFirstFailure(long& status, long result)
{
    if (status == 0)
        status = result;
}

// What the registry route changed, for putting it back.
struct RegistryAnnouncement {
    bool folderRead = false;
    std::wstring oldFolder;
};

// Code 90: each step ends the announcement with its code when it fails.
long announceInRegistry(AppSettings& settings, HandOffSystem& system, const SuiteKeys& keys,
                        RegistryAnnouncement& done)
{
    long status = system.setDwordValue(RegistryRoot::LocalMachine, keys.dialogKey, kValueStartupTab,
                                       kStartupTabTransfer);
    if (status != 0)
        return status;
    status = system.setDwordValue(RegistryRoot::LocalMachine, keys.dialogKey, kValueVidroLink,
                                  kSuiteValueIdle);
    if (status != 0)
        return status;
    status = system.readStringValue(RegistryRoot::CurrentUser, keys.filesKey, kValueFolder,
                                    kFolderValueChars, done.oldFolder);
    if (status != 0)
        return status;
    done.folderRead = true;
    appendBackslash(settings.PathSave);
    std::wstring folder;
    if (settings.CehckSeve == 1) {
        folder = settings.PathSave;
    } else {
        appendBackslash(settings.PathTemp);
        folder = settings.PathTemp;
    }
    return system.setPaddedStringValue(RegistryRoot::CurrentUser, keys.filesKey, kValueFolder,
                                       folder, kFolderValueChars);
}

long restoreRegistry(AppSettings& settings, HandOffSystem& system, const SuiteKeys& keys,
                     const RegistryAnnouncement& done)
{
    removeTrailingBackslash(settings.PathSave);
    // Every value is put back even when an earlier one fails.
    long status = 0;
    keepFirstFailure(status, system.setDwordValue(RegistryRoot::LocalMachine, keys.dialogKey,
                                                  kValueStartupTab, kSuiteValueIdle));
    keepFirstFailure(status, system.setDwordValue(RegistryRoot::LocalMachine, keys.dialogKey,
                                                  kValueVidroLink, kSuiteValueIdle));
    if (done.folderRead)
        keepFirstFailure(status, system.setPaddedStringValue(RegistryRoot::CurrentUser,
                                                             keys.filesKey, kValueFolder,
                                                             done.oldFolder, kFolderValueChars));
    return status;
}

}  // namespace

void appendBackslash(std::wstring& path)
{
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
}

SuiteKeys findSuiteKeys(const SubkeyEnumerator& enumerate)
{
    SuiteKeys keys;
    std::wstring base = kSuiteBaseKey;
    lastMatchingSubkey(enumerate, base, isSuiteKeyName, keys.suiteName);
    base += keys.suiteName + L"\\";
    const bool versionFound =
        lastMatchingSubkey(enumerate, base, isVersionKeyName, keys.versionName);
    // Without a version key the suite key's name stands in its place, as the
    // suite's own programs build it.
    base += (versionFound ? keys.versionName : keys.suiteName) + L"\\";
    keys.dialogKey = base + kSuiteDialogKey;
    keys.filesKey = base + kSuiteFilesKey;
    return keys;
}

int runHandOff(AppSettings& settings, HandOffSystem& system,
               const std::function<void()>& clearContinueFlag)
{
    const std::wstring windows = system.windowsFolder();
    const std::wstring profile =
        windows.empty() ? std::wstring() : windows + L"\\" + settings.TwainIni;
    appendBackslash(settings.TwainPath);

    const CameraModel* model = cameraModelByCode(settings.cameraCode);
    const bool viaProfile = model && model->handOff == HandOffRoute::SuiteProfile;
    const bool viaRegistry = model && model->handOff == HandOffRoute::Registry;

    // The suite's own values, put back after the run.
    const std::wstring oldStartupTab = system.readProfileString(
        profile, kProfileDialogSection, kValueStartupTab, kProfileStartupTabChars);
    const std::wstring oldProfileFolder =
        system.readProfileString(profile, kProfileFilesSection, kValueFolder, kProfileFolderChars);

    const SuiteKeys keys =
        findSuiteKeys([&system](const std::wstring& key, uint32_t index, std::wstring& name) {
            return system.enumerateSubkey(key, index, name);
        });

    long status = 0;
    RegistryAnnouncement announced;
    if (viaProfile) {
        system.writeProfileString(profile, kProfileDialogSection, kValueStartupTab,
                                  kProfileStartupTransfer);
        system.writeProfileString(profile, kProfileFilesSection, kValueFolder, settings.TwainPath);
    } else if (viaRegistry) {
        status = announceInRegistry(settings, system, keys, announced);
    }

    bool suiteMissingShown = false;
    if (status != 0) {
        system.showMessage(IDS_MSG_SUITE_MISSING, kBoxOk, status);
        suiteMissingShown = true;
    } else {
        std::wstring application;
        const long read = system.readStringValue(RegistryRoot::LocalMachine, keys.dialogKey,
                                                 kValueAppExe, kAppExeChars, application);
        if (read != 0) {
            system.showMessage(IDS_MSG_SUITE_MISSING, kBoxOk, read);
            suiteMissingShown = true;
        } else if (!system.runApplication(application)) {
            system.showMessage(IDS_MSG_SUITE_MISSING, kBoxOk, 0);
            suiteMissingShown = true;
        }
    }

    long restored = 0;
    if (viaProfile) {
        system.writeProfileString(profile, kProfileDialogSection, kValueStartupTab, oldStartupTab);
        system.writeProfileString(profile, kProfileFilesSection, kValueFolder, oldProfileFolder);
    } else if (viaRegistry) {
        restored = restoreRegistry(settings, system, keys, announced);
    }

    if (restored != 0 && !suiteMissingShown &&
        system.showMessage(IDS_MSG_WORK_FILE_ERROR, kBoxOkCancel, restored) == kAnswerCancel &&
        clearContinueFlag)
        clearContinueFlag();
    return 1;
}
