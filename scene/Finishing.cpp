#include "scene/Finishing.h"

#include "render/GpuResources.h"
#include "render/ShaderProgram.h"

namespace tolmero {

using namespace gpu;

namespace {

constexpr std::uint32_t kFullScreenVertices = 6;

// Squeeze groups cover tiles of 16 x 16 result pixels.
constexpr std::uint32_t kSqueezeTile = 16;

// Each bloom thread makes a run of eight outputs of one line; the groups of
// 64 threads go in rows of at most 1024 (as the program numbers them).
constexpr std::uint32_t kBloomOutputsPerThread = 8;
constexpr std::uint32_t kBloomGroupSize = 64;
constexpr std::uint32_t kBloomGroupsPerRow = 1024;

}  // namespace

ID3D11Buffer* createSqueezeConstants(std::uint32_t supersampleX, std::uint32_t supersampleY) {
    SqueezeConstants constants;
    constants.squeezeFactor[0] = supersampleX;
    constants.squeezeFactor[1] = supersampleY;
    return createConstantBuffer(constants);
}

SqueezeGroups squeezeGroups(std::uint32_t windowWidth, std::uint32_t windowHeight) {
    return {(windowWidth + kSqueezeTile - 1) / kSqueezeTile, (windowHeight + kSqueezeTile - 1) / kSqueezeTile};
}

void drawSky(const SceneResources& scene) {
    draw("SkyVertex.hlsl:main:vs_5_0", "SkyPixel.hlsl:main:ps_5_0", "", "", "", kFullScreenVertices,
         {bindingEntry("SV_Target", scene.sceneColour), bindingEntry("CameraConstant", scene.camera),
          bindingEntry("SV_Depth", scene.depth), bindingEntry("skyImages", scene.skyImages),
          bindingEntry("linearSampler", scene.linearSampler)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

void squeeze(const SceneResources& scene) {
    const SqueezeGroups groups = squeezeGroups(scene.windowWidth, scene.windowHeight);
    dispatch("Squeeze.hlsl:main:cs_5_0", groups.x, groups.y, 1,
             {bindingEntry("SqueezeBuffer", scene.squeezeConstants), bindingEntry("original", scene.sceneColour),
              bindingEntry("result", scene.result), bindingEntry("CameraConstant", scene.camera)});
}

BloomGroups bloomGroups(std::uint32_t lineCount, std::uint32_t lineLength) {
    const std::uint64_t runs =
        std::uint64_t{lineCount} * ((lineLength + kBloomOutputsPerThread - 1) / kBloomOutputsPerThread);
    const std::uint64_t groups = (runs + kBloomGroupSize - 1) / kBloomGroupSize;
    if (groups <= kBloomGroupsPerRow) return {static_cast<std::uint32_t>(groups), 1};
    return {kBloomGroupsPerRow, static_cast<std::uint32_t>((groups + kBloomGroupsPerRow - 1) / kBloomGroupsPerRow)};
}

void bloom(const SceneResources& scene, float strength) {
    // The columns of scene.result into scene.bloomColumns, then the rows of
    // that into scene.bloom; a fresh constant buffer for each pass.
    for (std::uint32_t direction = 0; direction < 2; ++direction) {
        BloomConstants constants;
        constants.settings[0] = scene.windowWidth;
        constants.settings[1] = scene.windowHeight;
        constants.settings[2] = direction;
        constants.strength = strength;
        ID3D11Buffer* buffer = createConstantBuffer(constants);
        const BloomGroups groups = direction == 0 ? bloomGroups(scene.windowWidth, scene.windowHeight)
                                                  : bloomGroups(scene.windowHeight, scene.windowWidth);
        dispatch("Bloom.hlsl:main:cs_5_0", groups.x, groups.y, 1,
                 {bindingEntry("bloom", scene.bloom), bindingEntry("source", scene.result),
                  bindingEntry("bloomColumns", scene.bloomColumns), bindingEntry("consts", buffer)});
        releaseObject(buffer);
    }
}

void blit(const SceneResources& scene, ID3D11Texture2D* target) {
    draw("BlitVertex.hlsl:main:vs_5_0", "BlitPixel.hlsl:main:ps_5_0", "", "", "", kFullScreenVertices,
         {bindingEntry("result2", scene.bloom), bindingEntry("result", scene.result),
          bindingEntry("linearSampler", scene.linearSampler), bindingEntry("SV_Target", target),
          bindingEntry("dither", scene.dither)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

}  // namespace tolmero
