// Writes the four tileable ground images:
//   tolmero_gen_ground <root> forest   -> "sprites/miljoo/metsamaasto1.png", "sprites/miljoo/metsamaastoyo.png"
//   tolmero_gen_ground <root> bog <1|2> -> "sprites/miljoo/suomaasto.png" or "sprites/miljoo/suomaasto2.png"
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "GroundImages.h"
#include "GroundKit.h"
#include "common/ImageFile.h"

using namespace tolmero::images;

namespace {

void write(const std::string& root, const std::string& name, const ColorImage& img) {
    writePng8(assetPath(root, name), img.width, img.height, 3, toRgb8(img));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 3 ? argv[2] : "";
    if (!((argc == 3 && mode == "forest") || (argc == 4 && mode == "bog"))) {
        std::fprintf(stderr, "usage: %s <asset output root> forest | bog <1|2>\n", argv[0]);
        return 2;
    }
    try {
        const std::string root = argv[1];
        if (mode == "forest") {
            const ForestFloorImages forest = makeForestFloor();
            write(root, "sprites/miljoo/metsamaasto1.png", forest.day);
            write(root, "sprites/miljoo/metsamaastoyo.png", forest.night);
        } else {
            const std::string variant = argv[3];
            if (variant != "1" && variant != "2") throw std::runtime_error("bog variant must be 1 or 2");
            write(root, variant == "1" ? "sprites/miljoo/suomaasto.png" : "sprites/miljoo/suomaasto2.png",
                  makeBogGround(variant == "1" ? 1 : 2));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
