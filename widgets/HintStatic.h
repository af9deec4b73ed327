// A static text that reports its hint. Statics are transparent to the
// mouse, so it answers the hit test itself, as client area, and reports
// from there.
#pragma once

#include "widgets/HintControl.h"

class CHintStatic : public CHintControl {
public:
    CHintStatic() : CHintControl(Hover::HitTest, RightUp) {}
};
