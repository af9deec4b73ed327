#include "ui/HintStrings.h"

#include "engine/CameraModels.h"
#include "resources/VxfsendRes.h"

namespace {

struct ControlHint {
    int controlId;
    unsigned stringId;
};

// Controls whose hint does not depend on the tab or the camera.
constexpr ControlHint kFixedHints[] = {
    {IDC_CLOSE_BUTTON, IDS_HINT_CLOSE},
    {IDC_ADD_SELECTED, IDS_HINT_ADD_SELECTED},
    {IDC_KEY_SHIFT, IDS_HINT_KEY_SHIFT},
    {IDC_ADD_ALL, IDS_HINT_ADD_ALL},
    {IDC_REMOVE_SELECTED, IDS_HINT_REMOVE_SELECTED},
    {IDC_REMOVE_ALL, IDS_HINT_REMOVE_ALL},
    {IDC_MOVE_UP, IDS_HINT_MOVE_UP},
    {IDC_PREVIEW_CHECK, IDS_HINT_PREVIEW_CHECK},
    {IDC_MOVE_DOWN, IDS_HINT_MOVE_DOWN},
    {IDC_PREVIEW_AREA, IDS_HINT_PREVIEW_AREA},
    {IDC_PICTURE_PREVIEW, IDS_HINT_PREVIEW_AREA},
    {IDC_BROWSE, IDS_HINT_BROWSE},
    {IDC_SAVE_PATH, IDS_HINT_SAVE_PATH},
    {IDC_SAVE_ALSO, IDS_HINT_SAVE_ALSO},
    {IDC_SIZE_V, IDS_HINT_SIZE_V},
    {IDC_CURRENT_FOLDER, IDS_HINT_CURRENT_FOLDER},
    {IDC_DRIVE_COMBO, IDS_HINT_DRIVE},
    {IDC_UPLOAD, IDS_HINT_UPLOAD},
    {IDC_CAPTURE_START, IDS_HINT_CAPTURE_START},
    {IDC_CAPTURE_END, IDS_HINT_CAPTURE_END},
    {IDC_TAB, IDS_HINT_TAB},
    {IDC_PROGRESS, IDS_HINT_PROGRESS},
    {IDC_CAPTURE_GUIDE, IDS_HINT_CAPTURE_GUIDE},
    {IDC_CAPTURE_KEY, IDS_HINT_CAPTURE_KEY},
    {IDC_KEY_ALT, IDS_HINT_KEY_ALT},
    {IDC_KEY_CTRL, IDS_HINT_KEY_CTRL},
    {IDC_NEW_FOLDER, IDS_HINT_NEW_FOLDER},
    {IDC_HINT_LINE, IDS_HINT_HINT_LINE},
    {IDC_SIZE_TEXT, IDS_HINT_SIZE_TEXT},
    {IDC_FILE_TYPE, IDS_HINT_FILE_TYPE},
    {IDC_CAMERA_SWITCH, IDS_HINT_CAMERA_SWITCH},
    {IDC_SOUND_SELECT, IDS_HINT_SOUND_SELECT},
    {IDC_SOUND_TEST, IDS_HINT_SOUND_TEST},
    {IDC_SOUND_DELETE, IDS_HINT_SOUND_DELETE},
};

}  // namespace

unsigned hintStringId(int controlId, bool captureTab, int32_t cameraCode)
{
    switch (controlId) {
    case IDC_FILE_LIST:
        return captureTab ? IDS_HINT_FILE_LIST_CAPTURE : IDS_HINT_FILE_LIST_TRANSFER;
    case IDC_FOLDER_LIST:
        return captureTab ? IDS_HINT_FOLDER_LIST_CAPTURE : IDS_HINT_FOLDER_LIST_TRANSFER;
    case IDC_UPLOAD_LIST:
    case IDC_SIZE_X:
    case IDC_SIZE_P: {
        const CameraModel* model = cameraModelByCode(cameraCode);
        if (model == nullptr)
            return 0;
        if (controlId == IDC_UPLOAD_LIST)
            return model->listHintId;
        return controlId == IDC_SIZE_X ? model->fineHintId : model->panoramaHintId;
    }
    default: break;
    }
    for (const ControlHint& hint : kFixedHints) {
        if (hint.controlId == controlId)
            return hint.stringId;
    }
    return IDS_HINT_DEFAULT;
}
