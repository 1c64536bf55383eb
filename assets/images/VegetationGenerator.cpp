// Writes the vegetation and stump sprites on pure white, as 8-bit RGBA with alpha 255:
//   tolmero_gen_vegetation <root> trees   -> the seven trees under "sprites/miljoo/puut/"
//   tolmero_gen_vegetation <root> plants  -> grass tufts, the decaying log, the bog flower, dwarf shrubs
//   tolmero_gen_vegetation <root> stumps  -> the stump and its fifteen twigs
#include <cstddef>
#include <cstdio>
#include <exception>
#include <functional>
#include <iterator>
#include <string>

#include "PlantKit.h"
#include "SmallPlants.h"
#include "StumpImages.h"
#include "Trees.h"
#include "common/ImageFile.h"

using namespace tolmero::images;

namespace {

// Paints a plant in display colours and writes the texels the sprite pass needs. The
// sprite passes sample with wrap-around addressing, so the foot of a plant on the bottom
// edge would bleed into the top of its quad as a faint line; the plant is drawn scaled
// about the top centre so that its foot stands footMargin rows above the bottom edge.
void paint(const std::string& root, const std::string& name, int width, int height, SpriteResponse response,
           const std::function<void(CairoLayer&)>& draw, double footMargin) {
    CairoLayer layer(width, height);
    const double scale = 1.0 - footMargin / height;
    cairo_translate(layer.cr(), width * 0.5, 0.0);
    cairo_scale(layer.cr(), scale, scale);
    cairo_translate(layer.cr(), -width * 0.5, 0.0);
    // Roots and stems drawn past the image's bottom edge end at its (moved) edge.
    cairo_rectangle(layer.cr(), 0.0, 0.0, width, height);
    cairo_clip(layer.cr());
    draw(layer);
    writePng8(assetPath(root, name), width, height, 4, plantTexels(layer, response));
}

void trees(const std::string& root) {
    const std::string dir = "sprites/miljoo/puut/";
    paint(root, dir + "koivu1.png", 1024, 2048, kPlantResponse, [](CairoLayer& l) { drawBirch(l, 1); }, kTreeFootMargin);
    paint(root, dir + "koivu2.png", 1024, 2048, kPlantResponse, [](CairoLayer& l) { drawBirch(l, 2); }, kTreeFootMargin);
    paint(root, dir + "kuusi1.png", 1024, 2048, kPlantResponse, [](CairoLayer& l) { drawSpruce(l, 1); }, kTreeFootMargin);
    paint(root, dir + "kuusi2.png", 1024, 2048, kPlantResponse, [](CairoLayer& l) { drawSpruce(l, 2); }, kTreeFootMargin);
    paint(root, dir + "manty1.png", 1024, 2048, kPlantResponse, [](CairoLayer& l) { drawTallPine(l); }, kTreeFootMargin);
    paint(root, dir + "manty2.png", 1024, 2048, kPlantResponse, [](CairoLayer& l) { drawBogPine(l, 2); }, kTreeFootMargin);
    paint(root, dir + "manty3.png", 1024, 2048, kPlantResponse, [](CairoLayer& l) { drawBogPine(l, 3); }, kTreeFootMargin);
}

void plants(const std::string& root) {
    for (int i = 1; i <= 5; ++i) {
        paint(root, "sprites/miljoo/heinat/tuppo" + std::to_string(i) + ".png", 512, 512, kGrassResponse,
              [i](CairoLayer& l) { drawGrassTuft(l, i); }, kSmallPlantFootMargin);
    }
    paint(root, "sprites/miljoo/maasto/maatuvakoivu.png", 512, 512, kPlantResponse, [](CairoLayer& l) { drawDecayingLog(l); }, kSmallPlantFootMargin);
    paint(root, "sprites/miljoo/maasto/suokukka.png", 512, 512, kPlantResponse, [](CairoLayer& l) { drawBogFlower(l); }, kSmallPlantFootMargin);
    for (int i = 1; i <= 6; ++i) {
        paint(root, "sprites/miljoo/maasto/varpuinen" + std::to_string(i) + ".png", 512, 512, kPlantResponse,
              [i](CairoLayer& l) { drawDwarfShrub(l, i); }, kSmallPlantFootMargin);
    }
}

// The stump set of StumpImages.h: the stump, then each twig under its name.
void stumps(const std::string& root) {
    using tolmero::generated::kStumpImages;
    using tolmero::generated::kStumpTwigNumbers;
    paint(root, std::string(kStumpImages[0]), 512, 512, kStumpResponse, [](CairoLayer& l) { drawStump(l); }, kStumpFootMargin);
    for (std::size_t i = 0; i < std::size(kStumpTwigNumbers); ++i) {
        const int n = kStumpTwigNumbers[i];
        paint(root, std::string(kStumpImages[i + 1]), 512, 512, kStumpResponse,
              [n](CairoLayer& l) { drawStumpTwig(l, n); }, kStumpFootMargin);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string set = argc == 3 ? argv[2] : "";
    if (set != "trees" && set != "plants" && set != "stumps") {
        std::fprintf(stderr, "usage: %s <asset output root> trees|plants|stumps\n", argv[0]);
        return 2;
    }
    try {
        if (set == "trees") trees(argv[1]);
        else if (set == "plants") plants(argv[1]);
        else stumps(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
