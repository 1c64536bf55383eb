#include "scene/Terrain.h"

#include "render/ShaderProgram.h"

namespace tolmero {

using namespace gpu;

void drawTerrain(const SceneResources& scene) {
    draw("TerrainVertex.hlsl:main:vs_5_0", "TerrainPixel.hlsl:main:ps_5_0", "", "", "", kTerrainVertexCount,
         {bindingEntry("SV_Target", scene.sceneColour), bindingEntry("CameraConstant", scene.camera),
          bindingEntry("SV_Depth", scene.depth), bindingEntry("randoms", scene.randoms),
          bindingEntry("linearSampler", scene.linearSampler), bindingEntry("ground", scene.ground)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

void drawWater(const SceneResources& scene) {
    draw("WaterVertex.hlsl:main:vs_5_0", "WaterPixel.hlsl:main:ps_5_0", "", "", "", kTerrainVertexCount,
         {bindingEntry("SV_Target", scene.sceneColour), bindingEntry("CameraConstant", scene.camera),
          bindingEntry("SV_Depth", scene.depth), bindingEntry("randoms", scene.randoms),
          bindingEntry("waterImages", scene.waterImages), bindingEntry("linearSampler", scene.linearSampler)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

}  // namespace tolmero
