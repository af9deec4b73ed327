#include "ui/SplashWindow.h"

#include "resources/VxfsendRes.h"
#include "win/Dialog.h"

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kShowMilliseconds = 1500;

}  // namespace

CSplashWindow* CSplashWindow::s_keyTarget = nullptr;

CSplashWindow::~CSplashWindow()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void CSplashWindow::ShowOnce(HWND mainWindow)
{
    static bool shown = false;
    static CSplashWindow splash;
    if (shown)
        return;
    shown = true;
    splash.Show(mainWindow);
}

bool CSplashWindow::Show(HWND mainWindow)
{
    if (m_hWnd || s_keyTarget)
        return false;
    HINSTANCE instance = CDialog::ResourceInstance();
    m_bitmap = static_cast<HBITMAP>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    BITMAP size = {};
    if (!m_bitmap || !::GetObjectW(m_bitmap, sizeof size, &size)) {
        if (m_bitmap)
            ::DeleteObject(m_bitmap);
        m_bitmap = nullptr;
        return false;
    }
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - size.bmWidth) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - size.bmHeight) / 2;
    // SS_NOTIFY: a static is otherwise transparent to the mouse.
    HWND window =
        ::CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", nullptr, WS_POPUP | SS_BITMAP | SS_NOTIFY, x,
                          y, size.bmWidth, size.bmHeight, mainWindow, nullptr, instance, nullptr);
    if (!window || !Attach(window)) {
        if (window)
            ::DestroyWindow(window);
        ::DeleteObject(m_bitmap);
        m_bitmap = nullptr;
        return false;
    }
    m_mainWindow = mainWindow;
    ::SendMessageW(window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_bitmap));
    // The bitmap control sizes itself to the picture; keep it where it was put.
    ::SetWindowPos(window, nullptr, x, y, size.bmWidth, size.bmHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    s_keyTarget = this;
    m_hook = ::SetWindowsHookExW(WH_KEYBOARD, KeyboardHook, nullptr, ::GetCurrentThreadId());
    m_timer = ::SetTimer(window, kTimerId, kShowMilliseconds, nullptr);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);
    return true;
}

void CSplashWindow::Close()
{
    if (!m_hWnd)
        return;
    ::ShowWindow(m_hWnd, SW_HIDE);
    ::DestroyWindow(m_hWnd);
}

LRESULT CSplashWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != kTimerId)
            break;
        Close();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN: Close(); return 0;
    case WM_DESTROY: OnDestroy(); break;
    default: break;
    }
    return Default(message, wParam, lParam);
}

// However the window goes (timer, key, click, its owner's end), the hook
// and the timer go with it, and what it covered is drawn again.
void CSplashWindow::OnDestroy()
{
    if (m_timer)
        ::KillTimer(m_hWnd, m_timer);
    m_timer = 0;
    if (m_hook)
        ::UnhookWindowsHookEx(m_hook);
    m_hook = nullptr;
    if (s_keyTarget == this)
        s_keyTarget = nullptr;

    RECT covered;
    ::GetWindowRect(m_hWnd, &covered);
    if (m_mainWindow && ::IsWindowVisible(m_mainWindow))
        ::RedrawWindow(m_mainWindow, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::RedrawWindow(::GetDesktopWindow(), &covered, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    m_mainWindow = nullptr;
    // The control draws from the bitmap but never frees it; it is done drawing.
    ::SendMessageW(m_hWnd, STM_SETIMAGE, IMAGE_BITMAP, 0);
    ::DeleteObject(m_bitmap);
    m_bitmap = nullptr;
}

LRESULT CALLBACK CSplashWindow::KeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    // A key going down (bit 31 of the key data clear) ends the splash as
    // its timer would; the key itself goes on to the program.
    if (code == HC_ACTION && !(lParam & 0x80000000) && s_keyTarget && s_keyTarget->m_hWnd)
        ::PostMessageW(s_keyTarget->m_hWnd, WM_TIMER, kTimerId, 0);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
