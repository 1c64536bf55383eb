#include "scene/Terrain.h"

#include "render/ShaderProgram.h"
#include "scene/Culling.h"

namespace tolmero {

using namespace gpu;

namespace {

// The grid's programs over every quad, or, with culling, over the quads of
// the tiles that can reach a pixel.
void drawGrid(const SceneResources& scene, const char* vertex, const char* pixel, const BindingList& bindings,
              ID3D11Buffer* tileHeights, ID3D11Buffer* indices, ID3D11Buffer* arguments) {
    if (cullingEnabled() && indices) {
        cullLandscape(scene, tileHeights, indices, arguments);
        drawIndexedIndirect(vertex, pixel, bindings, indices, arguments);
    } else {
        draw(vertex, pixel, "", "", "", kTerrainVertexCount, bindings, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    }
}

}  // namespace

void drawTerrain(const SceneResources& scene) {
    drawGrid(scene, "TerrainVertex.hlsl:main:vs_5_0", "TerrainPixel.hlsl:main:ps_5_0",
             {bindingEntry("SV_Target", scene.sceneColour), bindingEntry("CameraConstant", scene.camera),
              bindingEntry("SV_Depth", scene.depth), bindingEntry("randoms", scene.randoms),
              bindingEntry("linearSampler", scene.linearSampler), bindingEntry("ground", scene.ground)},
             scene.terrainTileHeights, scene.terrainIndices, scene.terrainArguments);
}

void drawWater(const SceneResources& scene) {
    drawGrid(scene, "WaterVertex.hlsl:main:vs_5_0", "WaterPixel.hlsl:main:ps_5_0",
             {bindingEntry("SV_Target", scene.sceneColour), bindingEntry("CameraConstant", scene.camera),
              bindingEntry("SV_Depth", scene.depth), bindingEntry("randoms", scene.randoms),
              bindingEntry("waterImages", scene.waterImages), bindingEntry("linearSampler", scene.linearSampler)},
             scene.waterTileHeights, scene.waterIndices, scene.waterArguments);
}

}  // namespace tolmero
