#include "scene/Characters.h"

#include "render/GpuResources.h"
#include "render/ShaderProgram.h"

namespace tolmero {

using namespace gpu;

std::array<std::string, kCharacterFrameCount> characterFrameImages() {
    std::array<std::string, kCharacterFrameCount> names;
    std::size_t next = 0;
    auto add = [&](const std::string& folder, const std::string& stem, std::initializer_list<int> numbers) {
        for (int number : numbers) names[next++] = folder + stem + std::to_string(number) + ".png";
    };
    const std::string bird = "sprites/animaatiot/riekko/";
    const std::string girl = "sprites/animaatiot/tytto/";
    add(bird, "riekko", {1, 2, 3});
    add(girl, "etu", {1, 2, 3, 4, 5, 6, 7, 8, 9, 91, 92, 93});
    add(girl, "etue", {1, 2, 3, 4, 5, 6, 7, 8, 9, 91, 92, 93});
    add(girl, "itku", {1, 2, 3, 4});
    add(girl, "sivu", {1, 2, 3, 4, 5, 6, 7, 8});
    add(girl, "tuli", {1, 2, 3, 4, 5, 6});
    return names;
}

void drawCharacters(const SceneResources& scene, const AnimInfo& animInfo) {
    ID3D11Buffer* animInfoBuffer = createConstantBuffer(animInfo);
    draw("AnimSpriteVertex.hlsl:main:vs_5_0", "AnimSpritePixel.hlsl:main:ps_5_0", "", "", "", kCharacterVertexCount,
         {bindingEntry("animInfo", animInfoBuffer), bindingEntry("SV_Target", scene.sceneColour),
          bindingEntry("CameraConstant", scene.camera), bindingEntry("SV_Depth", scene.depth),
          bindingEntry("sprites", scene.characterSprites), bindingEntry("linearSampler", scene.linearSampler),
          bindingEntry("aspectRatios", scene.characterAspectRatios)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    releaseObject(animInfoBuffer);
}

}  // namespace tolmero
