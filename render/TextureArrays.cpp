#include "render/TextureArrays.h"

#include <algorithm>
#include <future>

#include "render/CutoutMips.h"
#include "render/GpuResources.h"
#include "render/ImageLoader.h"
#include "render/ImagePrefetch.h"
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

// One cut-out slice made on the CPU: the decoded image stretched to the
// array's size and its whole mip chain with the cut-out rule. An image that
// cannot be decoded, or decodes to other than 8-bit RGBA, becomes a magenta
// slice, as a failed load does; `error` says why. Touches no GPU object, so
// the next slice is prepared on a worker thread while this one uploads.
struct CutoutSlice {
    std::vector<Rgba8Image> chain;
    float aspect = 1.0f;  // the source's width / height
    std::string error;
};

CutoutSlice prepareCutoutSlice(const std::string& name, std::uint32_t width, std::uint32_t height) {
    DecodedImage decoded = decodeNamedImage(name, false);
    const bool rgba8 = decoded.format == DXGI_FORMAT_R8G8B8A8_UNORM || decoded.format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    if (decoded.ok() && !rgba8) decoded.error = "cut-out images must decode to 8-bit RGBA";
    CutoutSlice slice;
    Rgba8Image source{1, 1, {255, 0, 255, 255}};
    if (decoded.ok()) {
        source = {decoded.width, decoded.height,
                  std::vector<std::uint8_t>(decoded.staging.begin(),
                                            decoded.staging.begin() + std::size_t(decoded.width) * decoded.height * 4)};
        slice.aspect = static_cast<float>(decoded.width) / static_cast<float>(decoded.height);
    } else {
        slice.error = "Image '" + name + "' could not be loaded: " + decoded.error;
    }
    const bool srgb = decoded.format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    recyclePixelBuffer(std::move(decoded.staging));
    slice.chain = cutoutMipChain(stretchRgba8(source, srgb, width, height));
    return slice;
}

// Uploads every slice level by level; slice i + 1 is prepared while slice i
// uploads. Returns the sources' aspect ratios.
std::vector<float> uploadCutoutSlices(ID3D11Texture2D* array, UINT mips, const std::vector<std::string>& names,
                                      std::uint32_t width, std::uint32_t height) {
    std::vector<float> aspectRatios;
    auto prepare = [&](std::size_t i) {
        return std::async(std::launch::async, prepareCutoutSlice, names[i], width, height);
    };
    std::future<CutoutSlice> next = prepare(0);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const CutoutSlice slice = next.get();
        if (i + 1 < names.size()) next = prepare(i + 1);
        if (!slice.error.empty()) debugOutput(slice.error);
        aspectRatios.push_back(slice.aspect);
        for (UINT level = 0; level < mips && level < slice.chain.size(); ++level) {
            const Rgba8Image& texels = slice.chain[level];
            context()->UpdateSubresource(array, static_cast<UINT>(i) * mips + level, nullptr, texels.texels.data(),
                                         texels.width * 4, texels.width * texels.height * 4);
        }
        context()->Flush();
    }
    return aspectRatios;
}

ID3D11Texture2D* buildArray(const std::vector<std::string>& names, std::uint32_t bindFlags, std::uint32_t miscFlags,
                            std::uint32_t limitWidth, std::uint32_t limitHeight, ID3D11Buffer** aspects,
                            ArrayMips mipRule) {
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

    if (mipRule == ArrayMips::Cutout) {
        std::vector<float> aspectRatios = uploadCutoutSlices(array, mips, names, width, height);
        if (aspects) *aspects = createStructuredBuffer(aspectRatios, D3D11_BIND_SHADER_RESOURCE, 0);
        registerObject(array);
        return array;
    }

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
                                   std::uint32_t miscFlags, ArrayMips mipRule) {
    return buildArray(names, bindFlags, miscFlags, 0xFFFFFFFFu, 0xFFFFFFFFu, nullptr, mipRule);
}

ID3D11Texture2D* buildTextureArrayWithAspects(const std::vector<std::string>& names, std::uint32_t bindFlags,
                                              std::uint32_t miscFlags, std::uint32_t limitWidth,
                                              std::uint32_t limitHeight, ID3D11Buffer** aspects,
                                              ArrayMips mipRule) {
    return buildArray(names, bindFlags, miscFlags, limitWidth, limitHeight, aspects, mipRule);
}

}  // namespace tolmero
