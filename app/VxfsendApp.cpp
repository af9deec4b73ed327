// Vxfsend's entry point: shows the start window until the main window exists.
#include "resources/PlaceholderRes.h"
#include "resources/VxfsendRes.h"
#include "win/Dialog.h"
#include "win/ResourceString.h"

#include <windows.h>

namespace {

class CPlaceholderDlg : public CDialog {
public:
    CPlaceholderDlg() : CDialog(IDD_PLACEHOLDER) {}

protected:
    BOOL OnInitDialog() override
    {
        const std::wstring title = loadResourceString(IDS_APP_TITLE);
        ::SetWindowTextW(m_hWnd, title.c_str());
        const std::wstring text = title + L" " + loadResourceString(IDS_APP_VERSION);
        ::SetDlgItemTextW(m_hWnd, IDC_PLACEHOLDER_TEXT, text.c_str());
        return TRUE;
    }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CPlaceholderDlg dialog;
    return dialog.DoModal() < 0 ? 1 : 0;
}
