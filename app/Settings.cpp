#include "app/Settings.h"

#include "resources/VxfsendRes.h"

namespace {

const wchar_t kGeneral[] = L"General";
const wchar_t kUpload[] = L"Upload";
const wchar_t kCapture[] = L"Capture";

enum class SaveRule { Always, FullSave, AsTempLog };

// The profile keys in the order of loading and saving. Exactly one of the two
// member pointers is set.
struct KeyEntry {
    const wchar_t* section;
    const wchar_t* key;
    int32_t AppSettings::*number;
    std::wstring AppSettings::*text;
    unsigned defaultTextId;  // 0: empty
    SaveRule save;
};

// The key is the field's name, so the two cannot drift apart.
#define VXF_WIDE(text) L##text
// clang-format off
#define VXF_INT(section, name, rule) \
    {section, VXF_WIDE(#name), &AppSettings::name, nullptr, 0, SaveRule::rule}
#define VXF_TEXT(section, name, textId, rule) \
    {section, VXF_WIDE(#name), nullptr, &AppSettings::name, textId, SaveRule::rule}
// clang-format on

const KeyEntry kKeys[] = {
    VXF_INT(kGeneral, TabPage, FullSave),
    VXF_INT(kGeneral, Option, FullSave),
    VXF_INT(kGeneral, JpegQualityRes1, FullSave),
    VXF_INT(kGeneral, JpegQualityRes2, FullSave),
    VXF_INT(kGeneral, JpegQualityRes3, FullSave),
    VXF_INT(kGeneral, JpegQualityThum, FullSave),
    VXF_INT(kGeneral, JpegBaseColor, FullSave),
    VXF_INT(kGeneral, JpegOption, FullSave),
    VXF_INT(kGeneral, DebugMode, FullSave),
    VXF_TEXT(kUpload, TwainName, IDS_TWAIN_NAME, FullSave),
    VXF_TEXT(kUpload, TwainIni, IDS_TWAIN_INI, FullSave),
    VXF_TEXT(kUpload, TwainPath, 0, FullSave),
    VXF_TEXT(kUpload, PathSelect, 0, Always),
    VXF_TEXT(kUpload, PathTemp, 0, AsTempLog),
    VXF_TEXT(kUpload, PathSave, 0, Always),
    VXF_TEXT(kUpload, Filter, IDS_FILE_FILTER, FullSave),
    VXF_INT(kUpload, FileTypeIndex, Always),
    VXF_INT(kUpload, CehckSeve, Always),
    VXF_INT(kUpload, CehckViewMode, Always),
    VXF_INT(kUpload, JpegSize, Always),
    VXF_INT(kUpload, JpegSizeThum, Always),
    VXF_INT(kCapture, Hotkey, Always),
    VXF_INT(kCapture, HotkeyModifiers, Always),
    VXF_TEXT(kCapture, PathCapture, 0, Always),
    VXF_INT(kCapture, CaptureArea, FullSave),
    VXF_INT(kCapture, CaptureClipboard, FullSave),
};

#undef VXF_INT
#undef VXF_TEXT
#undef VXF_WIDE

const wchar_t kPathTempLog[] = L"PathTempLog";

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// A non-empty folder is kept when it can be made the current directory.
void checkFolder(std::wstring& folder, const std::wstring& programFolder, SettingsEnvironment& env)
{
    if (folder.empty() || !env.setCurrentDirectory(folder))
        folder = programFolder;
}

}  // namespace

int32_t parseProfileInt(const std::wstring& text, int32_t fallback)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    const size_t firstDigit = i;
    uint64_t value = 0;
    while (i < n && text[i] >= L'0' && text[i] <= L'9') {
        value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
        if (value > 0xFFFFFFFFull)
            return fallback;
        ++i;
    }
    if (i == firstDigit)
        return fallback;
    while (i < n && isBlank(text[i]))
        ++i;
    if (i != n)
        return fallback;
    if (negative) {
        if (value > 0x80000000ull)
            return fallback;
        return static_cast<int32_t>(-static_cast<int64_t>(value));
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int32_t Profile::getInt(const std::wstring& section, const std::wstring& key, int32_t fallback)
{
    return parseProfileInt(getString(section, key, std::wstring()), fallback);
}

void Profile::putInt(const std::wstring& section, const std::wstring& key, int32_t value)
{
    putString(section, key, std::to_wstring(value));
}

std::wstring MemoryProfile::getString(const std::wstring& section, const std::wstring& key,
                                      const std::wstring& fallback)
{
    const auto it = values_.find({section, key});
    return it == values_.end() ? fallback : it->second;
}

void MemoryProfile::putString(const std::wstring& section, const std::wstring& key,
                              const std::wstring& value)
{
    values_[{section, key}] = value;
    writes.push_back({section, key, value});
}

bool MemoryProfile::contains(const std::wstring& section, const std::wstring& key) const
{
    return values_.count({section, key}) != 0;
}

std::wstring MemoryProfile::value(const std::wstring& section, const std::wstring& key) const
{
    const auto it = values_.find({section, key});
    return it == values_.end() ? std::wstring() : it->second;
}

void MemoryProfile::erase(const std::wstring& section, const std::wstring& key)
{
    values_.erase({section, key});
}

std::wstring defaultWorkFolder(std::wstring temporaryFolder)
{
    if (temporaryFolder.empty() || temporaryFolder.back() != L'\\')
        temporaryFolder += L'\\';
    return temporaryFolder + kWorkFolderName;
}

std::wstring folderOfPath(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return std::wstring();
    return path.substr(0, slash);
}

std::wstring programFolder(SettingsEnvironment& env)
{
    std::wstring folder = folderOfPath(env.executablePath());
    if (folder.empty())
        folder = env.startDirectory();
    return folder;
}

void loadSettings(Profile& profile, SettingsEnvironment& env, AppSettings& settings)
{
    // Take the start-up directory before any folder below changes it.
    const std::wstring home = programFolder(env);
    const AppSettings defaults;
    settings = defaults;
    for (const KeyEntry& entry : kKeys) {
        if (entry.number) {
            settings.*entry.number =
                profile.getInt(entry.section, entry.key, defaults.*entry.number);
        } else {
            const std::wstring fallback =
                entry.defaultTextId ? env.loadString(entry.defaultTextId) : std::wstring();
            std::wstring text = profile.getString(entry.section, entry.key, fallback);
            if (text.size() > kMaxProfileText)
                text.resize(kMaxProfileText);
            settings.*entry.text = std::move(text);
        }
    }

    if (settings.PathSave.empty())
        settings.PathSave = home;
    // "PathSelect" after "PathCapture", so that the current directory ends
    // up being the browser's folder.
    checkFolder(settings.PathCapture, home, env);
    checkFolder(settings.PathSelect, home, env);
    if (settings.PathTemp.empty())
        settings.PathTemp = defaultWorkFolder(env.temporaryFolder());

    settings.cameraCode = kStartCameraCode;
    settings.previousCameraCode = kStartCameraCode;
    settings.cameraName = env.loadString(IDS_CAMERA_KXORIN);
}

void saveSettings(Profile& profile, SettingsEnvironment& env, const AppSettings& settings)
{
    // Written for other programs; never read back.
    profile.putString(kGeneral, L"APP_NAME", env.loadString(IDS_APP_TITLE));
    profile.putString(kGeneral, L"APP_VERSION", env.loadString(IDS_APP_VERSION));
    profile.putString(kGeneral, L"TWAIN_NAME", env.loadString(IDS_TWAIN_NAME));
    profile.putString(kGeneral, L"TWAIN_INI", env.loadString(IDS_TWAIN_INI));

    const bool fullSave = (settings.DebugMode & kDebugFullSave) != 0;
    for (const KeyEntry& entry : kKeys) {
        if (entry.save == SaveRule::FullSave && !fullSave)
            continue;
        const wchar_t* key = entry.save == SaveRule::AsTempLog ? kPathTempLog : entry.key;
        if (entry.number)
            profile.putInt(entry.section, key, settings.*entry.number);
        else
            profile.putString(entry.section, key, settings.*entry.text);
    }
}
