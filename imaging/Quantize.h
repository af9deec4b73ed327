// Palette reduction for saving or converting a 24-bit picture at 1, 4 or 8
// bits: the exact colours when there are few enough (screen captures, test
// charts), otherwise median cut over a 5-5-5 histogram, no dithering.
#pragma once

#include "imaging/Bitmap.h"

namespace vximg {

// out becomes a palette picture of src's size at outBits (1, 4 or 8).
// src must be 24 bits. Throws std::bad_alloc.
void quantize(const Bitmap& src, int outBits, Bitmap& out);

}  // namespace vximg
