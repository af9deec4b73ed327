// A combo box that reports its hint.
#pragma once

#include "widgets/HintControl.h"

class CHintComboBox : public CHintControl {
public:
    CHintComboBox() : CHintControl(Hover::MouseMove, RightUp) {}
};
