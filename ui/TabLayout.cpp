#include "ui/TabLayout.h"

#include "app/Geometry.h"
#include "resources/VxfsendRes.h"

namespace {

// The control's rectangle in the dialog's client coordinates; a combo box
// with the height of its open list, so that moving it keeps the list.
RECT controlPlace(HWND dialog, int id)
{
    RECT place = {};
    const HWND control = ::GetDlgItem(dialog, id);
    if (control == nullptr)
        return place;
    ::GetWindowRect(control, &place);
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    if (::lstrcmpiW(className, L"ComboBox") == 0) {
        RECT dropped = {};
        if (::SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0,
                           reinterpret_cast<LPARAM>(&dropped)) &&
            dropped.bottom > place.bottom)
            place.bottom = dropped.bottom;
    }
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

RECT movedDown(RECT place, LONG by)
{
    ::OffsetRect(&place, 0, by);
    return place;
}

// Every control that is shown on one tab or the other.
constexpr int kLaidOutControls[] = {
    IDC_FILE_NAME_LABEL,
    IDC_FILE_TYPE_LABEL,
    IDC_FILE_TYPE,
    IDC_FOLDER_LABEL,
    IDC_CURRENT_FOLDER,
    IDC_FOLDER_LIST,
    IDC_DRIVE_LABEL,
    IDC_DRIVE_COMBO,
    IDC_FILE_LIST,
    IDC_CD_FILE_LIST,
    IDC_ADD_ALL,
    IDC_ADD_SELECTED,
    IDC_REMOVE_SELECTED,
    IDC_REMOVE_ALL,
    IDC_UPLOAD_LIST_LABEL,
    IDC_UPLOAD_LIST,
    IDC_SORT_LABEL,
    IDC_MOVE_UP,
    IDC_MOVE_DOWN,
    IDC_SIZE_GROUP,
    IDC_SIZE_V,
    IDC_SIZE_X,
    IDC_SIZE_P,
    IDC_PREVIEW_CHECK,
    IDC_PREVIEW_AREA,
    IDC_SIZE_TEXT,
    IDC_SAVE_ALSO,
    IDC_BROWSE,
    IDC_SAVE_PATH,
    IDC_UPLOAD,
    IDC_SOUND_GROUP,
    IDC_SOUND_SELECT,
    IDC_SOUND_TEST,
    IDC_SOUND_DELETE,
    IDC_CAPTURE_KEY_GROUP,
    IDC_CAPTURE_KEY,
    IDC_KEY_ALT,
    IDC_KEY_CTRL,
    IDC_KEY_SHIFT,
    IDC_CAPTURE_GUIDE,
    IDC_NEW_FOLDER,
    IDC_CAPTURE_START,
    IDC_CAPTURE_END,
    IDC_CAMERA_SWITCH,
};

}  // namespace

void CTabLayout::Record(HWND dialog)
{
    m_transfer.clear();
    for (int id : kLaidOutControls)
        m_transfer[id] = controlPlace(dialog, id);

    // The preview is square; its size text sits 5 pixels below it, as wide.
    RECT square = m_transfer[IDC_PREVIEW_AREA];
    makeSquare(square);
    m_transfer[IDC_PREVIEW_AREA] = square;
    RECT& sizeText = m_transfer[IDC_SIZE_TEXT];
    const LONG textHeight = sizeText.bottom - sizeText.top;
    sizeText = {square.left, square.bottom + 5, square.right, square.bottom + 5 + textHeight};

    m_capture = m_transfer;
    const LONG d = m_transfer[IDC_FOLDER_LIST].top - m_transfer[IDC_CURRENT_FOLDER].top;
    m_capture[IDC_FOLDER_LABEL] = m_transfer[IDC_FILE_NAME_LABEL];
    m_capture[IDC_CURRENT_FOLDER] = movedDown(m_transfer[IDC_FILE_NAME_LABEL], d);
    m_capture[IDC_FOLDER_LIST] = movedDown(m_transfer[IDC_FILE_LIST], d);
    m_capture[IDC_DRIVE_LABEL] = movedDown(m_transfer[IDC_FILE_TYPE_LABEL], d);
    RECT drive = movedDown(m_transfer[IDC_FILE_TYPE], d);
    const RECT& ownDrive = m_transfer[IDC_DRIVE_COMBO];
    drive.bottom = drive.top + (ownDrive.bottom - ownDrive.top);
    m_capture[IDC_DRIVE_COMBO] = drive;
    m_capture[IDC_FILE_LIST] = m_transfer[IDC_FOLDER_LIST];
    m_capture[IDC_CAPTURE_END] = m_capture[IDC_CAPTURE_START];
    m_transfer[IDC_CAPTURE_END] = m_transfer[IDC_CAPTURE_START];
}

bool CTabLayout::MoveToPlace(HWND dialog, int controlId, Tab tab) const
{
    const auto& places = tab == Tab::Capture ? m_capture : m_transfer;
    const auto found = places.find(controlId);
    if (found == places.end())
        return false;
    const RECT& place = found->second;
    ::SetWindowPos(::GetDlgItem(dialog, controlId), nullptr, place.left, place.top,
                   place.right - place.left, place.bottom - place.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    return true;
}

RECT CTabLayout::Place(Tab tab, int controlId) const
{
    const auto& places = tab == Tab::Capture ? m_capture : m_transfer;
    const auto found = places.find(controlId);
    return found == places.end() ? RECT{} : found->second;
}
