// Writes the stand-in vegetation sprites on pure white, as 8-bit RGBA with alpha 255:
//   tolmero_gen_vegetation <root> trees   -> the seven trees under "sprites/miljoo/puut/"
//   tolmero_gen_vegetation <root> plants  -> grass tufts, the decaying log, the bog flower, dwarf shrubs
//   tolmero_gen_vegetation <root> stumps  -> the stump and its fifteen twigs
#include <cstdio>
#include <exception>
#include <functional>
#include <string>

#include "SmallPlants.h"
#include "Trees.h"
#include "common/ImageFile.h"

using namespace tolmero::images;

namespace {

void render(const std::string& root, const std::string& name, int width, int height,
            const std::function<void(CairoLayer&)>& draw) {
    CairoLayer layer(width, height);
    draw(layer);
    writePng8(assetPath(root, name), width, height, 4, layer.flattenedRgba8({1.0f, 1.0f, 1.0f}));
}

void trees(const std::string& root) {
    const std::string dir = "sprites/miljoo/puut/";
    render(root, dir + "koivu1.png", 1024, 2048, [](CairoLayer& l) { drawBirch(l, 11, false); });
    render(root, dir + "koivu2.png", 1024, 2048, [](CairoLayer& l) { drawBirch(l, 12, true); });
    render(root, dir + "kuusi1.png", 1024, 2048, [](CairoLayer& l) { drawSpruce(l, 21, 1.0); });
    render(root, dir + "kuusi2.png", 1024, 2048, [](CairoLayer& l) { drawSpruce(l, 22, 0.8); });
    render(root, dir + "manty1.png", 1024, 2048, [](CairoLayer& l) { drawTallPine(l, 31); });
    render(root, dir + "manty2.png", 1024, 2048, [](CairoLayer& l) { drawBogPine(l, 32, false); });
    render(root, dir + "manty3.png", 1024, 2048, [](CairoLayer& l) { drawBogPine(l, 33, true); });
}

void plants(const std::string& root) {
    for (int i = 1; i <= 5; ++i) {
        render(root, "sprites/miljoo/heinat/tuppo" + std::to_string(i) + ".png", 512, 512,
               [i](CairoLayer& l) { drawGrassTuft(l, i); });
    }
    render(root, "sprites/miljoo/maasto/maatuvakoivu.png", 512, 512, [](CairoLayer& l) { drawDecayingLog(l); });
    render(root, "sprites/miljoo/maasto/suokukka.png", 512, 512, [](CairoLayer& l) { drawBogFlower(l); });
    for (int i = 1; i <= 6; ++i) {
        render(root, "sprites/miljoo/maasto/varpuinen" + std::to_string(i) + ".png", 512, 512,
               [i](CairoLayer& l) { drawDwarfShrub(l, i); });
    }
}

void stumps(const std::string& root) {
    const std::string dir = "sprites/miljoo/maasto/kanto/";
    render(root, dir + "kanto.png", 512, 512, [](CairoLayer& l) { drawStump(l); });
    const int twigs[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 91, 93, 94, 95, 96, 97};
    for (int n : twigs) {
        render(root, dir + "varpu" + std::to_string(n) + ".png", 512, 512, [n](CairoLayer& l) { drawStumpTwig(l, n); });
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
