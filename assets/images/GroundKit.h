#pragma once
// Building blocks shared by the ground generators: layered drawing with contact
// shadows, a height field for relief shading, and small litter shapes drawn with cairo.
// Everything wraps around the tile edges so the results repeat seamlessly.
#include <cairo.h>

#include "common/CairoLayer.h"
#include "common/Random.h"
#include "common/Raster.h"

namespace tolmero::images {

constexpr int kGroundSize = 1024;

// An albedo image with the height field that its layers have built up.
struct GroundCanvas {
    ColorImage albedo{kGroundSize, kGroundSize};
    Plane height{kGroundSize, kGroundSize};

    // Darkens the canvas under a blurred, offset copy of the layer's coverage, then
    // composites the layer and raises the height field by coverage × thickness.
    void addLayer(const CairoLayer& layer, float thickness, float shadowStrength, float shadowBlur = 2.0f,
                  int shadowDx = 3, int shadowDy = 3);
};

struct Light {
    float x, y, z;
};

// Lambert shading of the height field (light direction in image space, y down, z up)
// and ambient occlusion from the height relative to its blurred surroundings.
// Returns the per-pixel shading factor (about 1 on flat, open ground).
Plane reliefShading(const Plane& height, Light light, float slopeScale, float aoRadius, float aoStrength);

// Multiplies an image by a shading plane.
void applyShading(ColorImage& img, const Plane& shading);

// Adds per-pixel grain of the given amplitude (deterministic).
void addGrain(ColorImage& img, float amplitude, uint32_t seed);

// Litter shapes. Angles in radians; sizes in pixels; all drawn wrapped around the tile.
void drawNeedle(cairo_t* cr, double x, double y, double angle, double length, double width, double bend, Rgb colour);
void drawLeaf(cairo_t* cr, double x, double y, double angle, double length, double width, Rgb colour, Rgb vein,
              double curl);
void drawTwig(cairo_t* cr, Rng& rng, double x, double y, double angle, double length, double width, Rgb colour,
              int depth);
void drawCone(cairo_t* cr, Rng& rng, double x, double y, double angle, double length, double width, Rgb colour);

// Picks one of a palette's colours and jitters its brightness and hue a little.
Rgb pickColour(Rng& rng, const Rgb* palette, int count, float brightnessJitter = 0.12f, float hueJitter = 0.04f);

}  // namespace tolmero::images
