#include "ui/AboutDlg.h"

#include "resources/VxfsendRes.h"

#include <vector>

namespace {

const COLORREF kTextColour = RGB(0, 0, 160);
const COLORREF kBackgroundColour = RGB(255, 251, 240);

// A child's rectangle in its parent's client coordinates.
RECT childRect(HWND child)
{
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUT) {}

CAboutDlg::~CAboutDlg()
{
    if (m_picture)
        ::DeleteObject(m_picture);
    if (m_background)
        ::DeleteObject(m_background);
}

BOOL CAboutDlg::OnInitDialog()
{
    m_background = ::CreateSolidBrush(kBackgroundColour);
    HWND picture = GetDlgItem(IDC_ABOUT_PICTURE);
    m_picture = static_cast<HBITMAP>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDB_SPLASH),
                                                  IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    BITMAP size = {};
    if (picture && m_picture && ::GetObjectW(m_picture, sizeof size, &size)) {
        // Measured before the bitmap control resizes itself to the picture.
        FitAroundPicture(picture, size.bmWidth, size.bmHeight);
        ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_picture));
    }
    CentreOnScreen();
    return TRUE;
}

// Gives the picture control the picture's size and grows or shrinks the
// dialog by the difference: controls below the picture move with its
// bottom, controls in its right half with its right edge.
void CAboutDlg::FitAroundPicture(HWND picture, int width, int height)
{
    const RECT place = childRect(picture);
    const int dx = width - (place.right - place.left);
    const int dy = height - (place.bottom - place.top);
    const int middle = (place.left + place.right) / 2;

    std::vector<HWND> children;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children) {
        if (child == picture)
            continue;
        const RECT rect = childRect(child);
        const int x = rect.left + (rect.left > middle ? dx : 0);
        const int y = rect.top + (rect.top >= place.bottom ? dy : 0);
        ::SetWindowPos(child, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(picture, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left + dx,
                   window.bottom - window.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CAboutDlg::CentreOnScreen()
{
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    ::SetWindowPos(m_hWnd, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                   (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CAboutDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result)
{
    switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, kTextColour);
        ::SetBkColor(dc, kBackgroundColour);
        result = reinterpret_cast<INT_PTR>(m_background);
        return true;
    }
    default: return false;
    }
}
