#pragma once
#include "common/Raster.h"

namespace tolmero::images {

// The boreal forest floor by day and the same ground by moonlight, both 1024 × 1024
// and seamlessly tileable: feather moss, needle and leaf litter, twigs, cones and
// reindeer lichen over dark humus.
struct ForestFloorImages {
    ColorImage day;
    ColorImage night;
};
ForestFloorImages makeForestFloor();

// Bog ground: a carpet of sphagnum heads in ochre, red and green over wet peat, with
// small pools, cranberry runners and sedge litter. Variant 1 is drier and redder,
// variant 2 greener and wetter.
ColorImage makeBogGround(int variant);

}  // namespace tolmero::images
