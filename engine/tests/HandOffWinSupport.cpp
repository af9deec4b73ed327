#include "HandOffWinSupport.h"

#include "WinTestFiles.h"

#include <cstring>

namespace handoff_test {

namespace {

const wchar_t kOrvenKey[] = L"SOFTWARE\\Orven";
const wchar_t kStandinKey[] = L"SOFTWARE\\VidroStandin";

std::wstring quoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::wstring fromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

}  // namespace

std::wstring besideTest(const std::wstring& fileName)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder + fileName;
}

ProgramRun runProgram(const std::wstring& path, const std::vector<std::wstring>& arguments, DWORD timeoutMs)
{
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = quoteArgument(path);
    for (const std::wstring& argument : arguments)
        commandLine += L" " + quoteArgument(argument);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    const BOOL started = ::CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    ::CloseHandle(writeEnd);
    if (!started) {
        ::CloseHandle(readEnd);
        run.output = "cannot start the program";
        return run;
    }
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        run.output.append(buffer, got);
    ::CloseHandle(readEnd);
    run.finished = ::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    ::GetExitCodeProcess(process.hProcess, &run.exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return run;
}

RegistryTree captureTree(HKEY root, const std::wstring& path)
{
    RegistryTree tree;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return tree;
    tree.exists = true;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        RegistryTree::Value value;
        value.name.assign(name, nameLength);
        value.type = type;
        value.data.resize(size);
        nameLength = 16384;
        if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, value.data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        value.data.resize(size);
        tree.values.push_back(std::move(value));
    }
    for (const std::wstring& child : subkeyNames(root, path))
        tree.children.emplace_back(child, captureTree(root, path + L"\\" + child));
    ::RegCloseKey(key);
    return tree;
}

void deleteTree(HKEY root, const std::wstring& path) { ::RegDeleteTreeW(root, path.c_str()); }

void restoreTree(HKEY root, const std::wstring& path, const RegistryTree& tree)
{
    deleteTree(root, path);
    if (!tree.exists)
        return;
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const RegistryTree::Value& value : tree.values)
        ::RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    ::RegCloseKey(key);
    for (const auto& child : tree.children)
        restoreTree(root, path + L"\\" + child.first, child.second);
}

std::vector<std::wstring> subkeyNames(HKEY root, const std::wstring& path)
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    ::RegCloseKey(key);
    return names;
}

DWORD RawValue::number() const
{
    DWORD value = 0xDEADBEEF;
    if (present && type == REG_DWORD && data.size() == sizeof value)
        std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::wstring RawValue::text() const
{
    if (!present || (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"<missing>";
    std::wstring chars(data.size() / sizeof(wchar_t), L'\0');
    if (!chars.empty())
        std::memcpy(&chars[0], data.data(), chars.size() * sizeof(wchar_t));
    return chars.substr(0, chars.find(L'\0'));
}

RawValue readValue(HKEY root, const std::wstring& key, const wchar_t* name)
{
    RawValue value;
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (::RegQueryValueExW(handle, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        value.present = ::RegQueryValueExW(handle, name, nullptr, &value.type, value.data.data(), &size) ==
                        ERROR_SUCCESS;
        value.data.resize(size);
    }
    ::RegCloseKey(handle);
    return value;
}

bool writeDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    const bool ok = ::RegSetValueExW(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                     sizeof value) == ERROR_SUCCESS;
    ::RegCloseKey(handle);
    return ok;
}

bool deleteValue(HKEY root, const std::wstring& key, const wchar_t* name)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    const bool ok = ::RegDeleteValueW(handle, name) == ERROR_SUCCESS;
    ::RegCloseKey(handle);
    return ok;
}

std::wstring suiteProfilePath()
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length) + L"\\Vidro!3.ini";
}

std::wstring profileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t buffer[4096] = {};
    const DWORD length = ::GetPrivateProfileStringW(section, key, L"<missing>", buffer, 4096, file.c_str());
    return std::wstring(buffer, length);
}

bool writeProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       const std::wstring& value)
{
    const bool ok = ::WritePrivateProfileStringW(section, key, value.c_str(), file.c_str()) != FALSE;
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
    return ok;
}

SuiteStateKeeper::SuiteStateKeeper()
    : machine_(captureTree(HKEY_LOCAL_MACHINE, kOrvenKey)),
      user_(captureTree(HKEY_CURRENT_USER, kOrvenKey)),
      standin_(captureTree(HKEY_CURRENT_USER, kStandinKey))
{
    const std::wstring profile = suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    profileExisted_ = ::GetFileAttributesW(profile.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (profileExisted_)
        profile_ = testfiles::readFile(profile);
    clear();
}

SuiteStateKeeper::~SuiteStateKeeper()
{
    restoreTree(HKEY_LOCAL_MACHINE, kOrvenKey, machine_);
    restoreTree(HKEY_CURRENT_USER, kOrvenKey, user_);
    restoreTree(HKEY_CURRENT_USER, kStandinKey, standin_);
    const std::wstring profile = suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    if (profileExisted_)
        testfiles::writeFile(profile, profile_);
    else
        ::DeleteFileW(profile.c_str());
}

void SuiteStateKeeper::clear()
{
    deleteTree(HKEY_LOCAL_MACHINE, kOrvenKey);
    deleteTree(HKEY_CURRENT_USER, kOrvenKey);
    deleteTree(HKEY_CURRENT_USER, kStandinKey);
    const std::wstring profile = suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    ::DeleteFileW(profile.c_str());
}

StandinLog readStandinLog(const std::wstring& path)
{
    StandinLog log;
    const std::wstring text = fromUtf8(testfiles::readFile(path));
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        std::vector<std::wstring> fields;
        size_t from = 0;
        for (;;) {
            const size_t tab = line.find(L'\t', from);
            fields.push_back(line.substr(from, tab == std::wstring::npos ? std::wstring::npos : tab - from));
            if (tab == std::wstring::npos)
                break;
            from = tab + 1;
        }
        log.push_back(std::move(fields));
        start = end + 1;
    }
    return log;
}

std::vector<std::vector<std::wstring>> logLines(const StandinLog& log, const std::wstring& what)
{
    std::vector<std::vector<std::wstring>> found;
    for (const auto& line : log) {
        if (!line.empty() && line[0] == what)
            found.emplace_back(line.begin() + 1, line.end());
    }
    return found;
}

std::wstring logField(const StandinLog& log, const std::wstring& what)
{
    const auto lines = logLines(log, what);
    if (lines.size() != 1 || lines[0].empty())
        return L"<" + std::to_wstring(lines.size()) + L" lines>";
    return lines[0][0];
}

}  // namespace handoff_test
