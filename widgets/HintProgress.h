// A progress bar that reports its hint.
#pragma once

#include "widgets/HintControl.h"

class CHintProgress : public CHintControl {
public:
    CHintProgress() : CHintControl(Hover::MouseMove, RightUp) {}
};
