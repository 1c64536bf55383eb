#include "tests/support/renderer/GeneratedTexture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/GpuResources.h"
#include "render/Renderer.h"

namespace tolmero {

using namespace gpu;

namespace {

std::uint8_t toByte(float value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

ID3D11Texture2D* createGeneratedTexture(std::uint32_t width, std::uint32_t height, std::uint32_t slices, bool mips,
                                        const TexelGenerator& generator) {
    const std::uint32_t bind = D3D11_BIND_SHADER_RESOURCE | (mips ? D3D11_BIND_RENDER_TARGET : 0u);
    ID3D11Texture2D* texture = createTextureArray(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, slices, bind,
                                                  mips ? D3D11_RESOURCE_MISC_GENERATE_MIPS : 0u);
    if (!texture) return nullptr;
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (std::uint32_t slice = 0; slice < slices; ++slice) {
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const TexelColour colour = generator(x, y, slice);
                std::uint8_t* texel = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
                texel[0] = toByte(colour.r);
                texel[1] = toByte(colour.g);
                texel[2] = toByte(colour.b);
                texel[3] = toByte(colour.a);
            }
        }
        context()->UpdateSubresource(texture, slice * desc.MipLevels, nullptr, pixels.data(), width * 4, 0);
    }
    if (mips) generateMips(texture);
    return texture;
}

}  // namespace tolmero
