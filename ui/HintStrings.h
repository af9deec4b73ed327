// Which text the hint line shows for a control of the main window.
#pragma once

#include <cstdint>

// String id of the hint of `controlId` on the transfer or capture tab with
// the camera of `cameraCode`; the program's name (string 700) for controls
// without a hint of their own. 0 when the line is to stay as it is: the
// upload list and the [X] and [P] radios with a camera code outside the
// model table.
unsigned hintStringId(int controlId, bool captureTab, int32_t cameraCode);
