// Writes the title logo "sprites/tolmero.png": the word TOLMERO in heavy, tall
// lettering, near-black on white, 1920 × 1080 RGBA. The letters are solid dark ink
// with a carved bevel and a faint grain; everything outside them is white, so the
// red channel is near 0 inside the letters and near 1 outside (the logo particles
// are placed where red is at most 0.5).
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <algorithm>
#include <string>
#include <vector>

#include "common/CairoLayer.h"
#include "common/ImageFile.h"
#include "common/Noise.h"
#include "common/Raster.h"

using namespace tolmero::images;

namespace {

constexpr int W = 1920;
constexpr int H = 1080;

// Coverage of the lettering: the word's outline fitted into a box filling most of
// the image, stretched tall and thickened for a heavy poster face.
Plane letterCoverage() {
    CairoLayer layer(W, H);
    layer.clear();
    cairo_t* cr = layer.cr();
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 200.0);
    cairo_new_path(cr);
    cairo_move_to(cr, 0, 0);
    cairo_text_path(cr, "TOLMERO");
    double x0, y0, x1, y1;
    cairo_path_extents(cr, &x0, &y0, &x1, &y1);
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_new_path(cr);
    if (x1 <= x0 || y1 <= y0) throw std::runtime_error("the logo font produced no outline");

    const double boxW = 1720.0, boxH = 580.0;
    const double sx = boxW / (x1 - x0), sy = boxH / (y1 - y0);
    cairo_save(cr);
    cairo_translate(cr, (W - boxW) * 0.5, (H - boxH) * 0.5);
    cairo_scale(cr, sx, sy);
    cairo_translate(cr, -x0, -y0);
    cairo_append_path(cr, path);
    cairo_restore(cr);
    cairo_path_destroy(path);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_fill_preserve(cr);
    // Thicken the strokes a little without closing the counters.
    cairo_set_line_width(cr, 10.0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    return layer.alpha();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <asset output root>\n", argv[0]);
        return 2;
    }
    try {
        const Plane cover = letterCoverage();
        // Carved look: a blurred copy of the coverage is a rounded height field; its
        // slope lights the upper-left inner edges and shades the lower-right ones.
        Plane height = cover;
        blurPlane(height, 7.0f, false, false);
        std::vector<uint8_t> rgba(static_cast<size_t>(W) * H * 4);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const float c = cover.at(x, y);
                const float gx = height.at(std::min(x + 1, W - 1), y) - height.at(std::max(x - 1, 0), y);
                const float gy = height.at(x, std::min(y + 1, H - 1)) - height.at(x, std::max(y - 1, 0));
                const float bevel = std::clamp((gx + gy) * 1.6f, -0.06f, 0.16f);
                const float u = (x + 0.5f) / W, v = (y + 0.5f) / H;
                // Fine horizontal grain in the ink, as if cut into dark wood.
                const float grain = 0.025f * cylinderFbm(u, v, 12, 160, false, 3, 0.5f, 91u);
                const float ink = std::clamp(0.07f + bevel + grain, 0.02f, 0.26f);
                const Rgb inkColour = {ink, ink * 0.98f, ink * 1.04f};
                const float paper = 1.0f - 0.02f * std::abs(tileFbm(u, v, 24, 2, 0.5f, 92u));
                const Rgb out = mix(Rgb{paper, paper, paper}, inkColour, c);
                uint8_t* o = &rgba[(static_cast<size_t>(y) * W + x) * 4];
                o[0] = static_cast<uint8_t>(std::lround(clamp01(out.r) * 255.0f));
                o[1] = static_cast<uint8_t>(std::lround(clamp01(out.g) * 255.0f));
                o[2] = static_cast<uint8_t>(std::lround(clamp01(out.b) * 255.0f));
                o[3] = 255;
            }
        }
        writePng8(assetPath(argv[1], "sprites/tolmero.png"), W, H, 4, rgba);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
