#include "scene/Vegetation.h"

#include <vector>

#include "render/GpuResources.h"
#include "render/ShaderProgram.h"
#include "scene/Culling.h"

namespace tolmero {

using namespace gpu;

void createVegetationTables(SceneResources& scene) {
    constexpr std::array<std::int32_t, kPlantClassCount> classFirst = classFirstTypes();
    scene.typeHeights = createStructuredBuffer(std::vector<float>(kTypeHeights.begin(), kTypeHeights.end()),
                                               D3D11_BIND_SHADER_RESOURCE, 0);
    scene.classCounts = createStructuredBuffer(
        std::vector<std::int32_t>(kClassCounts.begin(), kClassCounts.end()), D3D11_BIND_SHADER_RESOURCE, 0);
    scene.classFirst = createStructuredBuffer(std::vector<std::int32_t>(classFirst.begin(), classFirst.end()),
                                              D3D11_BIND_SHADER_RESOURCE, 0);
}

void scatterVegetation(const SceneResources& scene) {
    dispatch("ScatterSprites.hlsl:main:cs_5_0", kScatterGroups, 1, 1,
             {bindingEntry("randoms", scene.randoms), bindingEntry("spriteLocations", scene.spriteLocations),
              bindingEntry("linearSampler", scene.linearSampler), bindingEntry("CameraConstant", scene.camera),
              bindingEntry("classFirst", scene.classFirst), bindingEntry("classCounts", scene.classCounts)});
}

void drawVegetation(const SceneResources& scene, std::uint32_t vertexCount) {
    const char* vertex = "SpriteVertex.hlsl:main:vs_5_0";
    const char* pixel = "SpritePixel.hlsl:main:ps_5_0";
    const BindingList bindings = {
        bindingEntry("SV_Target", scene.sceneColour), bindingEntry("CameraConstant", scene.camera),
        bindingEntry("SV_Depth", scene.depth), bindingEntry("spriteLocations", scene.spriteLocations),
        bindingEntry("sprites", scene.vegetationSprites), bindingEntry("linearSampler", scene.linearSampler),
        bindingEntry("aspectRatios", scene.vegetationAspectRatios), bindingEntry("typeHeights", scene.typeHeights)};
    if (cullingEnabled() && scene.spriteIndices && vertexCount == kSpriteVertexCount) {
        // In order, a batch at a time: each batch is culled against the depth
        // that everything before it has drawn, the batches before it
        // included, so that sprites behind nearer sprites are left out too.
        for (std::uint32_t first = 0; first < kSpriteCount; first += kSpritesPerBatch) {
            cullVegetation(scene, first, kSpritesPerBatch);
            drawIndexedIndirect(vertex, pixel, bindings, scene.spriteIndices, scene.spriteArguments);
        }
    } else {
        draw(vertex, pixel, "", "", "", vertexCount, bindings, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    }
}

}  // namespace tolmero
