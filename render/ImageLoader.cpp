#include "render/ImageLoader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "render/EmbeddedResources.h"
#include "render/GpuResources.h"
#include "render/ImagePrefetch.h"
#include "render/Renderer.h"
#include "render/ResourceTable.h"

namespace tolmero {

using namespace gpu;

namespace {

// Uploads of at least this many bytes are submitted to the GPU right away.
constexpr std::size_t kFlushBytes = std::size_t(1) << 20;

ImageBytesLookup& testLookup() {
    static ImageBytesLookup lookup;
    return lookup;
}

// The bytes of an image by name: the test hook's, else the embedded ones.
// An unknown name throws std::out_of_range from the registry.
std::optional<std::span<const std::uint8_t>> imageBytes(const std::string& name) {
    if (testLookup()) {
        if (std::optional<std::span<const std::uint8_t>> bytes = testLookup()(name)) return bytes;
    }
    return findResource(currentRenderer()->registry.resourceId(name), kImageResourceType);
}

// 1 x 1 magenta, the stand-in for an image that could not be loaded.
ID3D11Texture2D* createFallbackTexture(std::uint32_t extraBindFlags, std::uint32_t extraMiscFlags) {
    DecodedImage magenta;
    magenta.format = DXGI_FORMAT_R8G8B8A8_UNORM;
    magenta.width = magenta.height = magenta.frameCount = 1;
    magenta.texelBytes = 4;
    magenta.staging = {255, 0, 255, 255};
    return createImageTexture(magenta, "fallback", extraBindFlags, extraMiscFlags);
}

}  // namespace

void loadedImageSize(const std::string& name, std::uint32_t& width, std::uint32_t& height) {
    const std::optional<std::span<const std::uint8_t>> bytes = imageBytes(name);
    const std::uint32_t maxEdge = device()->GetMaxImageDimension2D();
    if (!bytes || !readImageSize(*bytes, width, height) || width == 0 || height == 0 || width > maxEdge ||
        height > maxEdge)
        width = height = 1;
}

void setImageBytesLookupForTesting(ImageBytesLookup lookup) { testLookup() = std::move(lookup); }

ID3D11Texture2D* createImageTexture(const DecodedImage& image, std::string_view name, std::uint32_t extraBindFlags,
                                    std::uint32_t extraMiscFlags) {
    if (!image.ok()) {
        debugOutput("Image '" + std::string(name) + "' could not be loaded: " + image.error);
        return createFallbackTexture(extraBindFlags, extraMiscFlags);
    }
    const std::uint32_t maxEdge = device()->GetMaxImageDimension2D();
    if (image.width > maxEdge || image.height > maxEdge) {
        debugOutput("Image '" + std::string(name) + "' is " + std::to_string(image.width) + " x " +
                    std::to_string(image.height) + ", larger than the device's limit of " + std::to_string(maxEdge));
        return createFallbackTexture(extraBindFlags, extraMiscFlags);
    }

    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = image.width;
    desc.Height = image.height;
    desc.MipLevels = 0;  // the full chain
    desc.ArraySize = image.frameCount;
    desc.Format = image.format;
    desc.SampleDesc = {1, 0};
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET | extraBindFlags;
    desc.CPUAccessFlags = 0;
    desc.MiscFlags = D3D11_RESOURCE_MISC_GENERATE_MIPS | extraMiscFlags;
    ID3D11Texture2D* texture = nullptr;
    device()->CreateTexture2D(&desc, nullptr, &texture);
    if (!texture) {
        debugOutput("Image '" + std::string(name) + "': its texture could not be created");
        return image.width == 1 && image.height == 1 ? nullptr : createFallbackTexture(extraBindFlags, extraMiscFlags);
    }
    texture->GetDesc(&desc);
    const std::uint32_t mips = desc.MipLevels;

    const std::size_t rowPitch = std::size_t(image.width) * image.texelBytes;
    const std::size_t framePitch = rowPitch * image.height;
    for (std::uint32_t i = 0; i < image.frameCount; ++i) {
        context()->UpdateSubresource(texture, i * mips, nullptr, image.staging.data() + i * framePitch,
                                     static_cast<UINT>(rowPitch), static_cast<UINT>(framePitch));
    }
    generateMips(texture);
    registerObject(texture);
    // A large upload goes to the GPU at once, to run while the CPU decodes
    // the next image; small ones (glyph bitmaps) wait for the batch to fill.
    if (image.staging.size() >= kFlushBytes) context()->Flush();
    return texture;
}

ID3D11Texture2D* loadImageTextureFromBytes(std::span<const std::uint8_t> bytes, std::string_view name,
                                           std::uint32_t extraBindFlags, std::uint32_t extraMiscFlags, bool linear) {
    const DecodedImage image = decodeImage(bytes, linear, takePixelBuffer);
    return createImageTexture(image, name, extraBindFlags, extraMiscFlags);
}

DecodedImage decodeNamedImage(const std::string& name, bool linear) {
    if (std::optional<DecodedImage> image = takePrefetchedImage(name, linear)) return std::move(*image);
    const std::optional<std::span<const std::uint8_t>> bytes = imageBytes(name);
    if (!bytes) {
        DecodedImage missing;
        missing.error = "it is not among the embedded resources";
        return missing;
    }
    return decodeImage(*bytes, linear, takePixelBuffer);
}

ID3D11Texture2D* loadImageTexture(const std::string& name, std::uint32_t extraBindFlags,
                                  std::uint32_t extraMiscFlags, bool linear) {
    DecodedImage image = decodeNamedImage(name, linear);
    ID3D11Texture2D* texture = createImageTexture(image, name, extraBindFlags, extraMiscFlags);
    recyclePixelBuffer(std::move(image.staging));
    return texture;
}

}  // namespace tolmero
