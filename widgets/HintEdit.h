// An edit control that reports its hint; its context menu stays closed.
#pragma once

#include "widgets/HintControl.h"

class CHintEdit : public CHintControl {
public:
    CHintEdit() : CHintControl(Hover::MouseMove, RightUp) {}
};
