#pragma once
#include "common/CairoLayer.h"

namespace tolmero::images {

// Stand-in sprites for the small plants and the stump set, on white 512 × 512 layers
// with the plants standing on the bottom edge.
void drawGrassTuft(CairoLayer& layer, int variant);   // tuppo1..5
void drawDecayingLog(CairoLayer& layer);              // maatuvakoivu
void drawBogFlower(CairoLayer& layer);                // suokukka: bog rosemary
void drawDwarfShrub(CairoLayer& layer, int variant);  // varpuinen1..6
void drawStump(CairoLayer& layer);                    // kanto
void drawStumpTwig(CairoLayer& layer, int number);    // varpu1..9, 91, 93..97

}  // namespace tolmero::images
