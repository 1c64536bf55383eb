#pragma once
// The willow ptarmigan in white winter plumage (black outer tail feathers, a black
// stripe from bill to eye, a small red comb, feathered feet), walking to the right,
// standing on the frame's bottom edge and filling its lower half.
#include <cairo.h>

namespace tolmero::images {

// frame 0..2: the three steps of the walk.
void drawPtarmigan(cairo_t* cr, int frame);

}  // namespace tolmero::images
