#pragma once
#include <cstdint>

#include "common/CairoLayer.h"

namespace tolmero::images {

// Stand-in tree sprites on a white 1024 × 2048 layer, the trunk's foot at the bottom
// centre. Colours stay below the sprite passes' near-white cut.
void drawBirch(CairoLayer& layer, uint64_t seed, bool leaning);   // koivu
void drawSpruce(CairoLayer& layer, uint64_t seed, double slenderness);  // kuusi
void drawTallPine(CairoLayer& layer, uint64_t seed);              // manty1
void drawBogPine(CairoLayer& layer, uint64_t seed, bool twinTop);  // manty2, manty3

}  // namespace tolmero::images
