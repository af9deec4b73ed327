// Any other window that reports its hint (the pictures of the picture
// converter); it swallows every right-button message.
#pragma once

#include "widgets/HintControl.h"

class CHintWnd : public CHintControl {
public:
    CHintWnd() : CHintControl(Hover::MouseMove, RightUp | RightDown | RightDoubleClick) {}
};
