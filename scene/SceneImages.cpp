#include "scene/SceneImages.h"

#include <string>
#include <vector>

#include "render/ImageLoader.h"
#include "render/ImagePrefetch.h"
#include "render/TextureArrays.h"
#include "scene/Characters.h"
#include "scene/Stumps.h"
#include "scene/Vegetation.h"

namespace tolmero {

using namespace gpu;

void createSceneImages(SceneResources& scene) {
    const std::vector<std::string> stumps = imageNames(kStumpImages);
    const std::vector<std::string> ground = imageNames(kGroundImages);
    const std::array<std::string, kCharacterFrameCount> frames = characterFrameImages();
    const std::vector<std::string> characters(frames.begin(), frames.end());
    const std::vector<std::string> vegetation = imageNames(kVegetationImages);
    const std::vector<std::string> water = imageNames(kWaterImages);
    const std::vector<std::string> sky = imageNames(kSkyImages);

    // Decoding runs ahead on a worker thread, in load order.
    prefetchImages({std::string(kDitherImage)}, true);
    std::vector<std::string> srgbLoads = {std::string(kLogoImage)};
    for (const auto* list : {&stumps, &ground, &characters, &vegetation, &water, &sky})
        srgbLoads.insert(srgbLoads.end(), list->begin(), list->end());
    prefetchImages(srgbLoads, false);

    scene.dither = loadImageTexture(std::string(kDitherImage), D3D11_BIND_SHADER_RESOURCE, 0, true);
    scene.logo = loadImageTexture(std::string(kLogoImage), D3D11_BIND_SHADER_RESOURCE, 0, false);
    scene.stumpSprites = buildTextureArray(stumps, 0, 0, ArrayMips::Cutout);
    scene.ground = buildTextureArray(ground, 0, 0);
    scene.characterSprites = buildTextureArrayWithAspects(characters, 0, 0, kCharacterArrayLimit,
                                                          kCharacterArrayLimit, &scene.characterAspectRatios);
    scene.vegetationSprites =
        buildTextureArrayWithAspects(vegetation, 0, 0, kVegetationArrayLimit, kVegetationArrayLimit,
                                     &scene.vegetationAspectRatios, ArrayMips::Cutout);
    scene.waterImages = buildTextureArray(water, 0, 0);
    scene.skyImages = buildTextureArray(sky, 0, 0);

    cancelImagePrefetch();  // frees whatever no load took
}

}  // namespace tolmero
