#pragma once
#include "common/CairoLayer.h"

namespace tolmero::images {

// Tree sprites, 1024 × 2048, painted in display colours on a transparent layer (see
// PlantKit.h) with the foot of the trunk at the bottom centre.
void drawBirch(CairoLayer& layer, int variant);     // koivu1 (green), koivu2 (two stems, turning gold)
void drawSpruce(CairoLayer& layer, int variant);    // kuusi1 (broad), kuusi2 (narrow northern spruce)
void drawTallPine(CairoLayer& layer);               // manty1
void drawBogPine(CairoLayer& layer, int variant);   // manty2, manty3

}  // namespace tolmero::images
