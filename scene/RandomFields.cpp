#include "scene/RandomFields.h"

#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "render/ShaderProgram.h"

namespace tolmero {

using namespace gpu;

ID3D11Texture2D* createRandomFields() {
    return createTextureArray(DXGI_FORMAT_R32_FLOAT, kRandomFieldSize, kRandomFieldSize, kRandomFieldSlices,
                              D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
}

void generateRandomFields(const SceneResources& scene) {
    constexpr std::uint32_t groups = kRandomFieldSize / kRandomFieldTile;
    dispatch("GenerateRandoms.hlsl:main:cs_5_0", groups, groups, 1, {bindingEntry("randoms", scene.randoms)});
}

std::vector<float> readRandomFields(ID3D11Texture2D* randoms) {
    constexpr std::size_t sliceTexels = static_cast<std::size_t>(kRandomFieldSize) * kRandomFieldSize;
    std::vector<float> values(sliceTexels * kRandomFieldSlices);
    for (std::uint32_t slice = 0; slice < kRandomFieldSlices; ++slice) {
        // One mip level, so subresource = slice.
        if (context()->ReadSubresource(randoms, slice, values.data() + slice * sliceTexels,
                                       sliceTexels * sizeof(float)) != S_OK) {
            return {};
        }
    }
    return values;
}

}  // namespace tolmero
