#include "StandinTestSupport.h"

#include "StandinNames.h"
#include "StandinSupport.h"

#include <atomic>
#include <cstring>

namespace standin_test {

std::vector<std::uint8_t> readBytes(const std::wstring& path)
{
    std::vector<std::uint8_t> bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size = {};
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1 << 30)) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
            got = 0;
        bytes.resize(got);
    }
    ::CloseHandle(file);
    return bytes;
}

bool writeBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size());
    ::CloseHandle(file);
    return ok;
}

std::wstring besideTest(const wchar_t* fileName)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

std::wstring fixturePath(const char* name)
{
    std::wstring wide(name, name + std::strlen(name));
    return besideTest(L"standin-test-data\\") + wide;
}

std::vector<std::uint8_t> fixture(const char* name)
{
    return readBytes(fixturePath(name));
}

std::wstring setupPath()
{
    return besideTest(L"VidroStandinSetup.exe");
}

std::wstring appPath()
{
    return besideTest(standin::kAppFileName);
}

std::wstring quoteArgument(const std::wstring& argument)
{
    // Backslashes double only before a quote, and the closing quote is one.
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

RunResult runProgram(const std::wstring& path, const std::vector<std::wstring>& arguments, DWORD timeoutMs)
{
    RunResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return result;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine = quoteArgument(path);
    for (const std::wstring& argument : arguments)
        commandLine += L" " + quoteArgument(argument);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info = {};
    const BOOL started = ::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    ::CloseHandle(writeEnd);
    if (!started) {
        ::CloseHandle(readEnd);
        return result;
    }
    ::CloseHandle(info.hThread);
    const DWORD start = ::GetTickCount();
    for (;;) {
        DWORD available = 0;
        if (::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available) {
            char buffer[4096];
            DWORD got = 0;
            if (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr))
                result.output.append(buffer, got);
            continue;
        }
        if (::WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0) {
            // Whatever is still in the pipe.
            while (::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available) {
                char buffer[4096];
                DWORD got = 0;
                if (!::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr))
                    break;
                result.output.append(buffer, got);
            }
            result.finished = true;
            ::GetExitCodeProcess(info.hProcess, &result.exitCode);
            break;
        }
        if (::GetTickCount() - start > timeoutMs) {
            ::TerminateProcess(info.hProcess, 99);
            ::WaitForSingleObject(info.hProcess, 5000);
            break;
        }
    }
    ::CloseHandle(info.hProcess);
    ::CloseHandle(readEnd);
    return result;
}

RunResult runSetup(const std::vector<std::wstring>& arguments)
{
    return runProgram(setupPath(), arguments);
}

StartedProgram::StartedProgram(const std::wstring& path, const std::wstring& arguments)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    if (::CreateProcessW(path.c_str(), arguments.empty() ? nullptr : commandLine.data(), nullptr, nullptr, FALSE, 0,
                         nullptr, nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_id = info.dwProcessId;
    }
}

StartedProgram::~StartedProgram()
{
    if (!m_process)
        return;
    if (::WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process, 99);
        ::WaitForSingleObject(m_process, 5000);
    }
    ::CloseHandle(m_process);
}

long StartedProgram::waitForExit(DWORD milliseconds)
{
    if (!m_process || ::WaitForSingleObject(m_process, milliseconds) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(m_process, &code);
    return static_cast<long>(code);
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !::IsWindowVisible(window))
        return TRUE;
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    if (*search->title != title)
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

HWND waitForWindow(DWORD processId, const std::wstring& title, DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        WindowSearch search = {processId, &title, nullptr};
        ::EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (::GetTickCount() - start > milliseconds)
            return nullptr;
        ::Sleep(50);
    }
}

RegistryTree captureTree(HKEY root, const std::wstring& path)
{
    RegistryTree tree;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return tree;
    tree.exists = true;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, &longestName,
                       &longestData, nullptr, nullptr);
    for (DWORD i = 0;; ++i) {
        std::vector<wchar_t> name(longestName + 2);
        std::vector<std::uint8_t> data(longestData + 2);
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS)
            break;
        data.resize(dataSize);
        tree.values.push_back({std::wstring(name.data(), nameLength), type, data});
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        tree.children.emplace_back(name, captureTree(root, path + L"\\" + name));
    }
    ::RegCloseKey(key);
    return tree;
}

void deleteTree(HKEY root, const std::wstring& path)
{
    ::RegDeleteTreeW(root, path.c_str());
}

namespace {

void writeTree(HKEY root, const std::wstring& path, const RegistryTree& tree)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const RegistryTree::Value& value : tree.values)
        ::RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    ::RegCloseKey(key);
    for (const auto& child : tree.children)
        writeTree(root, path + L"\\" + child.first, child.second);
}

} // namespace

void restoreTree(HKEY root, const std::wstring& path, const RegistryTree& tree)
{
    deleteTree(root, path);
    if (tree.exists)
        writeTree(root, path, tree);
}

bool rawValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& type, std::vector<std::uint8_t>& data)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = ::RegQueryValueExW(handle, name, nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data.assign(size, 0);
        status = ::RegQueryValueExW(handle, name, nullptr, &type, data.data(), &size);
        data.resize(size);
    }
    ::RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

std::wstring readProfileText(const std::wstring& path)
{
    const std::vector<std::uint8_t> bytes = readBytes(path);
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::wstring text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
        return text;
    }
    std::wstring text;
    const int length = ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<int>(bytes.size()), nullptr, 0);
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes.data()),
                              static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

bool profileValue(const std::wstring& text, const std::wstring& section, const std::wstring& key,
                  std::wstring& value)
{
    bool inSection = false;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!line.empty() && line.front() == L'[') {
            inSection = line == L"[" + section + L"]";
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (inSection && equals != std::wstring::npos && line.substr(0, equals) == key) {
            value = line.substr(equals + 1);
            return true;
        }
    }
    return false;
}

SuiteStateGuard::SuiteStateGuard()
{
    m_machine = captureTree(HKEY_LOCAL_MACHINE, standin::kOrvenKey);
    m_user = captureTree(HKEY_CURRENT_USER, standin::kOrvenKey);
    m_standin = captureTree(HKEY_CURRENT_USER, standin::kStandinKey);
    const std::wstring profile = standin::suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    m_profileExisted = fileExists(profile);
    if (m_profileExisted)
        m_profile = readBytes(profile);
    m_defaultCardExisted = folderExists(standin::defaultCardRoot());
    clearAll();
}

SuiteStateGuard::~SuiteStateGuard()
{
    restoreTree(HKEY_LOCAL_MACHINE, standin::kOrvenKey, m_machine);
    restoreTree(HKEY_CURRENT_USER, standin::kOrvenKey, m_user);
    restoreTree(HKEY_CURRENT_USER, standin::kStandinKey, m_standin);
    const std::wstring profile = standin::suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    if (m_profileExisted)
        writeBytes(profile, m_profile);
    else
        ::DeleteFileW(profile.c_str());
    if (!m_defaultCardExisted) {
        const std::wstring card = standin::defaultCardRoot();
        removeFolder(card);
        ::RemoveDirectoryW(standin::folderOf(card).c_str()); // only when empty
    }
}

void SuiteStateGuard::clearAll()
{
    deleteTree(HKEY_LOCAL_MACHINE, standin::kOrvenKey);
    deleteTree(HKEY_CURRENT_USER, standin::kOrvenKey);
    deleteTree(HKEY_CURRENT_USER, standin::kStandinKey);
    const std::wstring profile = standin::suiteProfilePath();
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, profile.c_str());
    ::DeleteFileW(profile.c_str());
}

TempFolder::TempFolder()
{
    static std::atomic<unsigned> counter{0};
    const std::wstring base = standin::tempFolder();
    for (;;) {
        m_path = base + L"standin-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(counter++);
        if (::CreateDirectoryW(m_path.c_str(), nullptr))
            break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            m_path.clear();
            break;
        }
    }
}

TempFolder::~TempFolder()
{
    if (!m_path.empty())
        removeFolder(m_path);
}

void removeFolder(const std::wstring& path)
{
    WIN32_FIND_DATAW found = {};
    HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeFolder(child);
            } else {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(path.c_str());
}

bool fileExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring fromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::vector<std::vector<std::wstring>> readLog(const std::wstring& path)
{
    const std::vector<std::uint8_t> bytes = readBytes(path);
    const std::wstring text = fromUtf8(std::string(bytes.begin(), bytes.end()));
    std::vector<std::vector<std::wstring>> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos)
            end = text.size();
        std::vector<std::wstring> fields;
        std::size_t field = at;
        for (;;) {
            const std::size_t tab = text.find(L'\t', field);
            if (tab == std::wstring::npos || tab > end) {
                fields.push_back(text.substr(field, end - field));
                break;
            }
            fields.push_back(text.substr(field, tab - field));
            field = tab + 1;
        }
        lines.push_back(fields);
        at = end + 1;
    }
    return lines;
}

} // namespace standin_test
