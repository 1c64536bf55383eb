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

// The terrain shows the ground at up to half its decoded (linear) value on
// slopes turned to the light, and the glow washes out anything on screen above
// about 0.3. Highlights above kKnee (linear) are compressed so that only the
// brightest specks of a lit slope reach that; the bulk of the ground keeps its
// colours.
void calibrate(ColorImage& img) {
    constexpr float kKnee = 0.45f, kSlope = 0.35f;
    for (Rgb& c : img.px) {
        const Rgb linear{srgbDecode(c.r), srgbDecode(c.g), srgbDecode(c.b)};
        const float l = luminance(linear);
        if (l <= kKnee) continue;
        const float scale = (kKnee + (l - kKnee) * kSlope) / l;
        c = {srgbEncode(linear.r * scale), srgbEncode(linear.g * scale), srgbEncode(linear.b * scale)};
    }
}

void write(const std::string& root, const std::string& name, ColorImage img) {
    calibrate(img);
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
