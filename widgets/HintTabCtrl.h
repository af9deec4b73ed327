// A tab control that reports its hint.
#pragma once

#include "widgets/HintControl.h"

class CHintTabCtrl : public CHintControl {
public:
    CHintTabCtrl() : CHintControl(Hover::MouseMove, RightUp) {}
};
