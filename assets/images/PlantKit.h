#pragma once
// Drawing helpers for the plant, stump and character stand-ins: tapered limbs, leaves
// and needle tufts on a cairo context, with colours kept below the brightness at which
// the sprite shaders cut texels away as background.
#include <cairo.h>

#include <vector>

#include "common/CairoLayer.h"
#include "common/Random.h"
#include "common/Raster.h"

namespace tolmero::images {

struct Point {
    double x, y;
};

// Largest channel value a plant texel may have: the sprite passes discard texels whose
// colour is longer than 1.4, i.e. about 0.81 grey, so plant colours stay clearly below.
constexpr float kPlantMaxChannel = 0.76f;
// Scales a colour down so that no channel exceeds kPlantMaxChannel.
Rgb plantSafe(Rgb c);

// A limb along a polyline, its width changing linearly from w0 to w1, given a lit side
// and a side darkened by the shade fraction (light from the upper right).
void drawLimb(cairo_t* cr, const std::vector<Point>& line, double w0, double w1, Rgb colour, double shade = 0.3);

// A smooth polyline from a start point, heading in a direction (radians, y down) that
// turns by a random walk plus a steady bend per step.
std::vector<Point> wanderingLine(Rng& rng, Point start, double angle, double length, int steps, double jitter,
                                 double bend);

// A small leaf (pointed ellipse) centred at (x, y).
void drawSmallLeaf(cairo_t* cr, double x, double y, double angle, double length, double width, Rgb colour);

// A tuft of needles radiating from a point, as pine shoots.
void drawNeedleTuft(cairo_t* cr, Rng& rng, double x, double y, double radius, int needles, Rgb colour,
                    double lineWidth = 1.4);

Rgb jitterColour(Rng& rng, Rgb c, float amount);

}  // namespace tolmero::images
