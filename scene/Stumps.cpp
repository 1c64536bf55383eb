#include "scene/Stumps.h"

#include "render/ShaderProgram.h"

namespace tolmero {

using namespace gpu;

void drawStumps(const SceneResources& scene) {
    draw("StumpVertex.hlsl:main:vs_5_0", "StumpPixel.hlsl:main:ps_5_0", "", "", "", kStumpVertexCount,
         {bindingEntry("SV_Target", scene.sceneColour), bindingEntry("CameraConstant", scene.camera),
          bindingEntry("SV_Depth", scene.depth), bindingEntry("stumpSprites", scene.stumpSprites),
          bindingEntry("linearSampler", scene.linearSampler), bindingEntry("stumpData", scene.stumpData)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

}  // namespace tolmero
