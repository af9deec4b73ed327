#include "ui/tests/WindowHarness.h"

#include "app/PrivateMessages.h"
#include "resources/VxfsendRes.h"
#include "testsupport/win/TestFiles.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

namespace {
const wchar_t kSyncClass[] = L"VxfWindowHarnessSync";
constexpr UINT kSyncMessage = WM_APP + 1;
}  // namespace

AppSettings WindowHarness::settingsFor(const std::wstring& folder)
{
    AppSettings settings;
    settings.DebugMode = kDebugNoSuiteCheck;
    settings.CehckViewMode = 0;  // the preview tests check it themselves
    settings.PathSelect = folder;
    settings.PathSave = folder;
    settings.PathCapture = folder;
    settings.PathTemp = folder + L"\\~work";
    settings.Filter =
        L"BitMap Files(*.jpg;*.bmp)|*.jpg;*.bmp|JPEG Files(*.jpg)|*.jpg|BMP Files(*.bmp)|*.bmp|"
        L"WAVE Files(*.wav)|*.wav||";
    return settings;
}

WindowHarness::WindowHarness(const AppSettings& settings)
    : m_ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_synced(::CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    static const INITCOMMONCONTROLSEX controls = {
        sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!m_imaging.open())
        return;
    m_thread = std::thread(&WindowHarness::run, this, settings);
    // Shown, and the first listing of its folder done.
    if (::WaitForSingleObject(m_ready, 20000) != WAIT_OBJECT_0 || m_window == nullptr)
        return;
    for (int i = 0; i < 200 && !::IsWindowVisible(m_window) && !m_ended; ++i)
        ::Sleep(25);
    settle();
}

WindowHarness::~WindowHarness()
{
    if (m_thread.joinable()) {
        if (!m_ended)
            close();
        m_thread.join();
    }
    ::CloseHandle(m_ready);
    ::CloseHandle(m_synced);
}

void WindowHarness::run(AppSettings settings)
{
    m_threadId = ::GetCurrentThreadId();
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = syncProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kSyncClass;
    ::RegisterClassW(&windowClass);
    m_sync = ::CreateWindowExW(0, kSyncClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
    ::SetWindowLongPtrW(m_sync, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    CUploadDlg dialog(m_imaging);
    dialog.SetSettings(settings);
    dialog.SetStartFolder(testfiles::executableFolder());
    dialog.SetInitialFolder(settings.TabPage != 0 ? settings.PathCapture : settings.PathSelect);
    m_dialog = &dialog;
    // The window exists once its first posted message is handled.
    ::PostMessageW(m_sync, kSyncMessage, 1, 0);
    dialog.DoModal();
    m_result = dialog.Settings();
    m_dialog = nullptr;
    m_ended = true;
    ::SetEvent(m_ready);
    ::DestroyWindow(m_sync);
}

LRESULT CALLBACK WindowHarness::syncProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<WindowHarness*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != kSyncMessage || self == nullptr)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (wParam == 1) {
        self->m_window = self->m_dialog != nullptr ? self->m_dialog->GetSafeHwnd() : nullptr;
        ::SetEvent(self->m_ready);
        return 0;
    }
    // Posted messages still waiting (handlers post more): come back after them.
    if ((HIWORD(::GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE) != 0 || lParam < 3) {
        ::PostMessageW(window, kSyncMessage, 0, lParam + 1);
        return 0;
    }
    ::SetEvent(self->m_synced);
    return 0;
}

void WindowHarness::settle()
{
    if (m_ended || m_sync == nullptr)
        return;
    ::PostMessageW(m_sync, kSyncMessage, 0, 0);
    ::WaitForSingleObject(m_synced, 30000);
}

void WindowHarness::click(int id)
{
    command(id, BN_CLICKED);
}

void WindowHarness::command(int id, WORD code)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(m_window, WM_COMMAND, MAKEWPARAM(id, code),
                               reinterpret_cast<LPARAM>(item(id)), SMTO_NORMAL, 60000, &result)) {
        const HWND box = waitForMessageBox(m_threadId, 0);
        const std::wstring text = box != nullptr ? messageBoxText(box) : L"(no message box)";
        ADD_FAILURE() << "the window did not answer command " << id << ": "
                      << std::string(text.begin(), text.end());
        return;
    }
    settle();
}

void WindowHarness::selectTab(int index)
{
    const HWND tab = item(IDC_TAB);
    ::SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR header = {tab, static_cast<UINT_PTR>(IDC_TAB), static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageW(m_window, WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&header));
    settle();
}

void WindowHarness::selectFiles(int listId, const std::vector<int>& indices)
{
    const HWND list = item(listId);
    ::SendMessageW(list, LB_SETSEL, FALSE, -1);
    for (int index : indices)
        ::SendMessageW(list, LB_SETSEL, TRUE, index);
    if (!indices.empty())
        ::SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(indices.front()), FALSE);
    command(listId, LBN_SELCHANGE);
}

void WindowHarness::dropFiles(const std::vector<std::wstring>& paths)
{
    std::wstring list;
    for (const std::wstring& path : paths)
        list += path + L'\0';
    list += L'\0';
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                   sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(drop + 1));
    ::GlobalUnlock(memory);
    ::SendMessageW(m_window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    settle();
}

std::wstring WindowHarness::text(int id) const
{
    wchar_t buffer[4096] = {};
    ::GetWindowTextW(item(id), buffer, 4096);
    return buffer;
}

std::vector<std::wstring> WindowHarness::listTexts(int id) const
{
    std::vector<std::wstring> texts;
    const HWND list = item(id);
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[1024] = {};
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        texts.emplace_back(buffer);
    }
    return texts;
}

std::vector<std::wstring> WindowHarness::uploadTexts()
{
    std::vector<std::wstring> texts;
    const LRESULT count = ::SendMessageW(item(IDC_UPLOAD_LIST), LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text;
        int icon = 0;
        void* data = nullptr;
        m_dialog->UploadListBox().GetItem(static_cast<int>(i), text, icon, data);
        texts.push_back(text);
    }
    return texts;
}

AppSettings WindowHarness::close()
{
    if (!m_ended)
        ::PostMessageW(m_window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    for (int i = 0; i < 400 && !m_ended; ++i)
        ::Sleep(25);
    return m_result;
}

namespace {

struct BoxSearch {
    HWND except = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK findBox(HWND window, LPARAM data)
{
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    // A message box: a dialog with a static text 0xFFFF and a button.
    auto* search = reinterpret_cast<BoxSearch*>(data);
    if (window != search->except && ::lstrcmpW(className, L"#32770") == 0 &&
        ::IsWindowVisible(window) && ::GetDlgItem(window, 0xFFFF) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

namespace {

struct ChooserSearch {
    HWND owner;
    HWND found = nullptr;
};

BOOL CALLBACK findChooser(HWND candidate, LPARAM data)
{
    auto* search = reinterpret_cast<ChooserSearch*>(data);
    wchar_t className[16] = {};
    ::GetClassNameW(candidate, className, 16);
    DWORD process = 0;
    ::GetWindowThreadProcessId(candidate, &process);
    if (::GetWindow(candidate, GW_OWNER) == search->owner &&
        ::lstrcmpW(className, L"#32770") == 0 && process != ::GetCurrentProcessId() &&
        ::IsWindowVisible(candidate)) {
        search->found = candidate;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND waitForChooser(HWND mainWindow, DWORD milliseconds)
{
    ChooserSearch search{mainWindow};
    for (DWORD waited = 0; waited < milliseconds && search.found == nullptr; waited += 25) {
        ::EnumWindows(findChooser, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr)
            ::Sleep(25);
    }
    return search.found;
}

HWND waitForMessageBox(DWORD threadId, DWORD milliseconds, HWND except)
{
    for (DWORD waited = 0;; waited += 25) {
        BoxSearch search{except};
        ::EnumThreadWindows(threadId, findBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || waited >= milliseconds)
            return search.found;
        ::Sleep(25);
    }
}

std::wstring messageBoxText(HWND box)
{
    wchar_t buffer[4096] = {};
    ::GetDlgItemTextW(box, 0xFFFF, buffer, 4096);
    return buffer;
}

void answerMessageBox(HWND box, int button)
{
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
}
