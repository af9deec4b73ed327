#include "capture/CaptureMode.h"

#include "app/PrivateMessages.h"
#include "capture/CaptureScreen.h"
#include "resources/VxfsendRes.h"
#include "win/ResourceString.h"

namespace {

// The hot key's identifier is a global atom of this name.
std::wstring hotKeyAtomName()
{
    return loadResourceString(IDS_APP_TITLE) + L" Capture";
}

}  // namespace

CaptureMode::CaptureMode(CaptureModeHost& host, AppSettings& settings)
    : m_host(host), m_settings(settings)
{}

CaptureMode::~CaptureMode()
{
    OnWindowDestroyed();
}

bool CaptureMode::OnCommand(WORD id, WORD notifyCode, HWND control)
{
    switch (id) {
    case IDC_CAPTURE_START:
    case IDC_CAPTURE_END:
        if (notifyCode != BN_CLICKED)
            return false;
        if (id == IDC_CAPTURE_START)
            Start();
        else
            End();
        return true;
    case IDC_CAPTURE_KEY:
        if (notifyCode != CBN_SELCHANGE && notifyCode != CBN_CLOSEUP)
            return false;
        OnKeyChosen(control);
        return true;
    case IDC_KEY_ALT:
    case IDC_KEY_CTRL:
    case IDC_KEY_SHIFT:
        if (notifyCode != BN_CLICKED)
            return false;
        OnModifierClicked(id == IDC_KEY_ALT    ? MOD_ALT
                          : id == IDC_KEY_CTRL ? MOD_CONTROL
                                               : MOD_SHIFT,
                          control);
        return true;
    default: return false;
    }
}

bool CaptureMode::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    if (message != WM_HOTKEY && message != UM_CAPTURE_KEY)
        return false;
    OnCaptureKey(wParam);
    return true;
}

void CaptureMode::OnKeyChosen(HWND combo)
{
    const LRESULT selected = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR)
        m_settings.Hotkey = static_cast<int32_t>(
            ::SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
}

void CaptureMode::OnModifierClicked(UINT modifier, HWND checkBox)
{
    if (::SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED)
        m_settings.HotkeyModifiers |= static_cast<int32_t>(modifier);
    else
        m_settings.HotkeyModifiers &= ~static_cast<int32_t>(modifier);
}

void CaptureMode::Start()
{
    if (m_running)
        return;
    m_running = true;
    m_keyWindow = m_host.KeyWindow();
    m_atom = ::GlobalAddAtomW(hotKeyAtomName().c_str());
    if (m_atom == 0 ||
        !::RegisterHotKey(m_keyWindow, m_atom, static_cast<UINT>(m_settings.HotkeyModifiers),
                          static_cast<UINT>(m_settings.Hotkey))) {
        if (m_atom != 0)
            ::GlobalDeleteAtom(m_atom);
        // A key message arriving while the box is open finds no identifier.
        m_atom = 0;
        m_host.ShowMessage(IDS_MSG_HOTKEY_IN_USE);
        m_running = false;
        return;
    }
    m_host.EnterCaptureMode();
}

void CaptureMode::End()
{
    if (!m_running)
        return;
    ReleaseKey();
    m_host.ShowCaptureFolder();
    m_host.LeaveCaptureMode();
}

void CaptureMode::ReleaseKey()
{
    ::UnregisterHotKey(m_keyWindow, m_atom);
    ::GlobalDeleteAtom(m_atom);
    m_atom = 0;
    m_running = false;
}

void CaptureMode::OnWindowDestroyed()
{
    if (m_running)
        ReleaseKey();
}

void CaptureMode::OnCaptureKey(WPARAM id)
{
    // A press queued before the end, or someone else's key: not ours.
    if (!m_running || m_atom == 0 || id != m_atom || m_busy)
        return;
    // Set until the press is fully handled: the capture and its message boxes
    // dispatch window messages, and a press among them is ignored.
    m_busy = true;
    m_host.EnableCaptureEnd(false);
    std::wstring name;
    const int number = m_host.CaptureScreen(name);
    m_host.RestoreDefaultHint();
    m_host.EnableCaptureEnd(true);
    if (number >= 0) {
        ++m_captureCount;
        if (!name.empty())
            m_host.AddCapturedFile(name);
        if (number >= kLastCaptureNumber) {
            m_host.ShowMessage(IDS_MSG_CAPTURE_FOLDER_FULL);
            End();
        }
    } else {
        End();
    }
    m_busy = false;
}
