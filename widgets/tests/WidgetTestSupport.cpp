#include "widgets/tests/WidgetTestSupport.h"

#include "widgets/tests/WidgetsTestRes.h"
#include "app/PrivateMessages.h"

#include <algorithm>
#include <chrono>

CHostDialog::CHostDialog() : CDialog(IDD_WIDGET_HOST) {}

bool CHostDialog::Open()
{
    if (!Create())
        return false;
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    return true;
}

bool CHostDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message) {
    case UM_SHOW_HINT:
        hints.emplace_back(wParam, lParam);
        return true;
    case WM_DRAWITEM:
        if (!onDrawItem || !onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return false;
        result = TRUE;
        return true;
    case WM_MEASUREITEM:
        if (!onMeasureItem)
            return false;
        onMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    default:
        return false;
    }
}

bool CMessageRecorder::Saw(UINT message) const
{
    return std::find(seen.begin(), seen.end(), message) != seen.end();
}

LRESULT CMessageRecorder::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    seen.push_back(message);
    if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_RBUTTONDBLCLK)
        return 0;
    return Default(message, wParam, lParam);
}

void pumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool pumpUntil(const std::function<bool()>& done, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    pumpMessages();
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pumpMessages();
    }
    return done();
}

COLORREF clientPixel(HWND window, int x, int y)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pumpMessages();
    HDC dc = ::GetDC(window);
    const COLORREF pixel = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return pixel;
}

ResourceBitmap::ResourceBitmap(const wchar_t* name)
    : m_bitmap(static_cast<HBITMAP>(
          ::LoadImageW(CDialog::ResourceInstance(), name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR))),
      m_dc(::CreateCompatibleDC(nullptr)),
      m_old(::SelectObject(m_dc, m_bitmap))
{
    BITMAP info = {};
    if (m_bitmap && ::GetObjectW(m_bitmap, sizeof info, &info))
        m_size = {info.bmWidth, info.bmHeight};
}

ResourceBitmap::~ResourceBitmap()
{
    ::SelectObject(m_dc, m_old);
    ::DeleteDC(m_dc);
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
}
