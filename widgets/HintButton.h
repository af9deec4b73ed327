// A push button, check box, radio button or group box that reports its hint.
#pragma once

#include "widgets/HintControl.h"

class CHintButton : public CHintControl {
public:
    CHintButton() : CHintControl(Hover::MouseMove, RightUp) {}
};
