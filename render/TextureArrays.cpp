#include "render/TextureArrays.h"

#include <algorithm>

#include "render/GpuResources.h"
#include "render/ImageLoader.h"
#include "render/Renderer.h"
#include "render/ShaderProgram.h"

namespace tolmero {

using namespace gpu;

namespace {

// "ScreenSizeBuffer" of the stretch blit: the target size.
struct ScreenSizeRecord {
    float screenSize[2];
    std::uint32_t dummy[2];
};
static_assert(sizeof(ScreenSizeRecord) == 16);

ID3D11Texture2D* buildArray(const std::vector<std::string>& names, std::uint32_t bindFlags, std::uint32_t miscFlags,
                            std::uint32_t limitWidth, std::uint32_t limitHeight, ID3D11Buffer** aspects) {
    // The common size comes from the image headers, so that every source
    // can be loaded, stretched, copied and released in turn: one source
    // texture is resident at a time besides the array.
    std::uint32_t width = 0, height = 0;
    for (const std::string& name : names) {
        std::uint32_t w = 0, h = 0;
        loadedImageSize(name, w, h);
        width = std::max(width, w);
        height = std::max(height, h);
    }
    width = std::min(width, limitWidth);
    height = std::min(height, limitHeight);

    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 0;  // the full chain
    desc.ArraySize = static_cast<UINT>(names.size());
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc = {1, 0};
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET;
    desc.CPUAccessFlags = 0;
    desc.MiscFlags = D3D11_RESOURCE_MISC_GENERATE_MIPS;
    ID3D11Texture2D* array = nullptr;
    device()->CreateTexture2D(&desc, nullptr, &array);
    if (!array) {
        debugOutput("Texture array of " + std::to_string(names.size()) + " images (" + std::to_string(width) + " x " +
                    std::to_string(height) + ") could not be created");
        if (aspects) *aspects = nullptr;
        return nullptr;
    }
    array->GetDesc(&desc);
    const std::uint32_t mips = desc.MipLevels;

    ID3D11Texture2D* target = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, D3D11_BIND_RENDER_TARGET, 0);
    ID3D11SamplerState* sampler =
        createSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_COMPARISON_ALWAYS);
    ID3D11Buffer* screenSize = createConstantBuffer(
        ScreenSizeRecord{{static_cast<float>(width), static_cast<float>(height)}, {0, 0}});

    std::vector<float> aspectRatios;
    for (std::size_t i = 0; i < names.size(); ++i) {
        ID3D11Texture2D* source = loadImageTexture(names[i], bindFlags, miscFlags, false);
        if (!source) {
            aspectRatios.push_back(1.0f);  // the load has reported why
            continue;
        }
        D3D11_TEXTURE2D_DESC sourceDesc{};
        source->GetDesc(&sourceDesc);
        aspectRatios.push_back(static_cast<float>(sourceDesc.Width) / static_cast<float>(sourceDesc.Height));

        draw("BlitVertex.hlsl:main:vs_5_0", "FullBlitPixel.hlsl:main:ps_5_0", "", "", "", 6,
             {bindingEntry("image", source), bindingEntry("SV_Target", target),
              bindingEntry("linearSampler", sampler), bindingEntry("ScreenSizeBuffer", screenSize)},
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        context()->CopySubresourceRegion(array, static_cast<UINT>(i) * mips, 0, 0, 0, target, 0, nullptr);
        releaseObject(source);
        // Hand this slice's work to the GPU now, so that it runs while the
        // next image is decoded (and its staging memory is freed early).
        context()->Flush();
    }

    releaseObject(target);
    releaseObject(sampler);
    releaseObject(screenSize);
    if (aspects) *aspects = createStructuredBuffer(aspectRatios, D3D11_BIND_SHADER_RESOURCE, 0);

    generateMips(array);
    registerObject(array);
    return array;
}

}  // namespace

ID3D11Texture2D* buildTextureArray(const std::vector<std::string>& names, std::uint32_t bindFlags,
                                   std::uint32_t miscFlags) {
    return buildArray(names, bindFlags, miscFlags, 0xFFFFFFFFu, 0xFFFFFFFFu, nullptr);
}

ID3D11Texture2D* buildTextureArrayWithAspects(const std::vector<std::string>& names, std::uint32_t bindFlags,
                                              std::uint32_t miscFlags, std::uint32_t limitWidth,
                                              std::uint32_t limitHeight, ID3D11Buffer** aspects) {
    return buildArray(names, bindFlags, miscFlags, limitWidth, limitHeight, aspects);
}

}  // namespace tolmero
