#pragma once
// A cairo ARGB32 drawing surface with conversions to the generators' rasters and to
// the 8-bit pixel rows the PNG writer takes.
#include <cairo.h>

#include <cstdint>
#include <vector>

#include "Raster.h"

namespace tolmero::images {

class CairoLayer {
public:
    CairoLayer(int width, int height);
    ~CairoLayer();
    CairoLayer(const CairoLayer&) = delete;
    CairoLayer& operator=(const CairoLayer&) = delete;

    cairo_t* cr() const { return cr_; }
    int width() const { return width_; }
    int height() const { return height_; }

    void clear();                 // transparent everywhere
    void fill(Rgb c);             // opaque colour everywhere

    // Premultiplied pixel access (after cairo_surface_flush).
    struct Pixel {
        float r, g, b, a;
    };
    Pixel pixel(int x, int y) const;

    // Composites this layer over img ("over" operator).
    void compositeOver(ColorImage& img) const;
    // Alpha coverage as a plane in [0, 1].
    Plane alpha() const;

    // Unpremultiplied RGBA8 rows. With cutoff > 0 the alpha becomes 0 below it and 255
    // from it on (hard-edged cut-outs); fully transparent pixels get black colour.
    std::vector<uint8_t> rgba8(float cutoff = 0.0f) const;
    // The layer flattened onto an opaque background colour, as RGBA8 with alpha 255.
    std::vector<uint8_t> flattenedRgba8(Rgb background) const;

private:
    int width_;
    int height_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// Calls draw(dx, dy) once for each copy of an object centred near (cx, cy) with the
// given radius that overlaps a width × height tile, offset by whole tile sizes, so that
// objects crossing an edge reappear on the opposite side.
template <class Draw>
void drawWrapped(int width, int height, double cx, double cy, double radius, Draw draw) {
    for (int oy = -1; oy <= 1; ++oy) {
        for (int ox = -1; ox <= 1; ++ox) {
            const double x = cx + ox * width;
            const double y = cy + oy * height;
            if (x + radius < 0 || x - radius > width || y + radius < 0 || y - radius > height) continue;
            draw(static_cast<double>(ox * width), static_cast<double>(oy * height));
        }
    }
}

inline void setColor(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

}  // namespace tolmero::images
