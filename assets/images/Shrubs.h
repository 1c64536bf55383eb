#pragma once
// Dwarf shrubs of the bog and forest floor, shared by the vegetation sprites
// (varpuinen1..6) and the twigs that grow around the stump (varpu...).
#include <vector>

#include "PlantKit.h"

namespace tolmero::images {

enum class Shrub { Heather, Blueberry, Lingonberry, Crowberry, BogRosemary, DwarfBirch };

struct ShrubShape {
    double centreX;     // where the stems leave the ground
    double footY;       // the ground line
    double spread;      // half width of the patch of stems at the foot
    double height;      // typical stem length
    int stems;
    double lean;        // mean lean of the stems (radians, positive to the right)
};

// Paints a clump of the species, back stems darker than front ones.
void drawShrub(cairo_t* cr, Rng& rng, Shrub species, const ShrubShape& shape);

}  // namespace tolmero::images
