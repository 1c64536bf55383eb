#pragma once
#include "common/CairoLayer.h"

namespace tolmero::images {

// The small plants and the stump set, 512 × 512, painted in display colours on a
// transparent layer (see PlantKit.h), standing on the bottom edge.
void drawGrassTuft(CairoLayer& layer, int variant);   // tuppo1..5
void drawDecayingLog(CairoLayer& layer);              // maatuvakoivu
void drawBogFlower(CairoLayer& layer);                // suokukka: cloudberry
void drawDwarfShrub(CairoLayer& layer, int variant);  // varpuinen1..6
void drawStump(CairoLayer& layer);                    // kanto
void drawStumpTwig(CairoLayer& layer, int number);    // varpu<number>, a number of StumpImages.h

}  // namespace tolmero::images
