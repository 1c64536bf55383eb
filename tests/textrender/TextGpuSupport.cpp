#include "tests/textrender/TextGpuSupport.h"

#include "render/GpuResources.h"
#include "render/Renderer.h"

namespace texttest {

using namespace tolmero;
using namespace tolmero::gpu;

std::array<std::uint8_t, 4> Rgba8Image::at(std::uint32_t x, std::uint32_t y) const {
    const std::size_t i = (std::size_t{y} * width + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

bool Rgba8Image::isWhite(std::uint32_t x, std::uint32_t y) const {
    return at(x, y) == std::array<std::uint8_t, 4>{255, 255, 255, 255};
}

ID3D11Texture2D* createClearedTarget(std::uint32_t width, std::uint32_t height, const std::array<float, 4>& rgba) {
    ID3D11Texture2D* target = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, width, height,
                                            D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 0);
    clearTarget(target, rgba);
    return target;
}

Rgba8Image readTarget(ID3D11Texture2D* target) {
    D3D11_TEXTURE2D_DESC desc{};
    target->GetDesc(&desc);
    Rgba8Image image;
    image.width = desc.Width;
    image.height = desc.Height;
    image.rgba.resize(std::size_t{desc.Width} * desc.Height * 4);
    EXPECT_EQ(context()->ReadSubresource(target, 0, image.rgba.data(), image.rgba.size()), S_OK);
    return image;
}

}  // namespace texttest
