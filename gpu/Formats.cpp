#include "gpu/Formats.h"

#include <array>

namespace tolmero::gpu::detail {

namespace {

constexpr VkComponentMapping kIdentity = {VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY,
                                          VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY};
constexpr VkComponentMapping kOpaque = {VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY,
                                        VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_ONE};
constexpr VkComponentMapping kAlphaOnly = {VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_ZERO,
                                           VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_R};

using K = FormatKind;

#define F(name, vk, bytes, comps, kind, srgb, typeless, swz) \
    FormatInfo { DXGI_FORMAT_##name, #name, vk, bytes, comps, kind, srgb, typeless, swz }

// Typeless resource formats take the Vulkan format of their most common view and
// are created with VK_IMAGE_CREATE_MUTABLE_FORMAT_BIT.
const FormatInfo kFormats[] = {
    F(R32G32B32A32_TYPELESS, VK_FORMAT_R32G32B32A32_SFLOAT, 16, 4, K::Float, false, true, kIdentity),
    F(R32G32B32A32_FLOAT, VK_FORMAT_R32G32B32A32_SFLOAT, 16, 4, K::Float, false, false, kIdentity),
    F(R32G32B32A32_UINT, VK_FORMAT_R32G32B32A32_UINT, 16, 4, K::Uint, false, false, kIdentity),
    F(R32G32B32A32_SINT, VK_FORMAT_R32G32B32A32_SINT, 16, 4, K::Sint, false, false, kIdentity),
    F(R32G32B32_TYPELESS, VK_FORMAT_R32G32B32_SFLOAT, 12, 3, K::Float, false, true, kIdentity),
    F(R32G32B32_FLOAT, VK_FORMAT_R32G32B32_SFLOAT, 12, 3, K::Float, false, false, kIdentity),
    F(R32G32B32_UINT, VK_FORMAT_R32G32B32_UINT, 12, 3, K::Uint, false, false, kIdentity),
    F(R32G32B32_SINT, VK_FORMAT_R32G32B32_SINT, 12, 3, K::Sint, false, false, kIdentity),
    F(R16G16B16A16_TYPELESS, VK_FORMAT_R16G16B16A16_SFLOAT, 8, 4, K::Float, false, true, kIdentity),
    F(R16G16B16A16_FLOAT, VK_FORMAT_R16G16B16A16_SFLOAT, 8, 4, K::Float, false, false, kIdentity),
    F(R16G16B16A16_UNORM, VK_FORMAT_R16G16B16A16_UNORM, 8, 4, K::Unorm, false, false, kIdentity),
    F(R16G16B16A16_UINT, VK_FORMAT_R16G16B16A16_UINT, 8, 4, K::Uint, false, false, kIdentity),
    F(R16G16B16A16_SNORM, VK_FORMAT_R16G16B16A16_SNORM, 8, 4, K::Snorm, false, false, kIdentity),
    F(R16G16B16A16_SINT, VK_FORMAT_R16G16B16A16_SINT, 8, 4, K::Sint, false, false, kIdentity),
    F(R32G32_TYPELESS, VK_FORMAT_R32G32_SFLOAT, 8, 2, K::Float, false, true, kIdentity),
    F(R32G32_FLOAT, VK_FORMAT_R32G32_SFLOAT, 8, 2, K::Float, false, false, kIdentity),
    F(R32G32_UINT, VK_FORMAT_R32G32_UINT, 8, 2, K::Uint, false, false, kIdentity),
    F(R32G32_SINT, VK_FORMAT_R32G32_SINT, 8, 2, K::Sint, false, false, kIdentity),
    F(D32_FLOAT_S8X24_UINT, VK_FORMAT_D32_SFLOAT_S8_UINT, 8, 2, K::DepthStencil, false, false, kIdentity),
    F(R10G10B10A2_TYPELESS, VK_FORMAT_A2B10G10R10_UNORM_PACK32, 4, 4, K::Unorm, false, true, kIdentity),
    F(R10G10B10A2_UNORM, VK_FORMAT_A2B10G10R10_UNORM_PACK32, 4, 4, K::Unorm, false, false, kIdentity),
    F(R10G10B10A2_UINT, VK_FORMAT_A2B10G10R10_UINT_PACK32, 4, 4, K::Uint, false, false, kIdentity),
    F(R11G11B10_FLOAT, VK_FORMAT_B10G11R11_UFLOAT_PACK32, 4, 3, K::Float, false, false, kIdentity),
    F(R8G8B8A8_TYPELESS, VK_FORMAT_R8G8B8A8_UNORM, 4, 4, K::Unorm, false, true, kIdentity),
    F(R8G8B8A8_UNORM, VK_FORMAT_R8G8B8A8_UNORM, 4, 4, K::Unorm, false, false, kIdentity),
    F(R8G8B8A8_UNORM_SRGB, VK_FORMAT_R8G8B8A8_SRGB, 4, 4, K::Unorm, true, false, kIdentity),
    F(R8G8B8A8_UINT, VK_FORMAT_R8G8B8A8_UINT, 4, 4, K::Uint, false, false, kIdentity),
    F(R8G8B8A8_SNORM, VK_FORMAT_R8G8B8A8_SNORM, 4, 4, K::Snorm, false, false, kIdentity),
    F(R8G8B8A8_SINT, VK_FORMAT_R8G8B8A8_SINT, 4, 4, K::Sint, false, false, kIdentity),
    F(R16G16_TYPELESS, VK_FORMAT_R16G16_SFLOAT, 4, 2, K::Float, false, true, kIdentity),
    F(R16G16_FLOAT, VK_FORMAT_R16G16_SFLOAT, 4, 2, K::Float, false, false, kIdentity),
    F(R16G16_UNORM, VK_FORMAT_R16G16_UNORM, 4, 2, K::Unorm, false, false, kIdentity),
    F(R16G16_UINT, VK_FORMAT_R16G16_UINT, 4, 2, K::Uint, false, false, kIdentity),
    F(R16G16_SNORM, VK_FORMAT_R16G16_SNORM, 4, 2, K::Snorm, false, false, kIdentity),
    F(R16G16_SINT, VK_FORMAT_R16G16_SINT, 4, 2, K::Sint, false, false, kIdentity),
    F(R32_TYPELESS, VK_FORMAT_R32_SFLOAT, 4, 1, K::Float, false, true, kIdentity),
    F(D32_FLOAT, VK_FORMAT_D32_SFLOAT, 4, 1, K::Depth, false, false, kIdentity),
    F(R32_FLOAT, VK_FORMAT_R32_SFLOAT, 4, 1, K::Float, false, false, kIdentity),
    F(R32_UINT, VK_FORMAT_R32_UINT, 4, 1, K::Uint, false, false, kIdentity),
    F(R32_SINT, VK_FORMAT_R32_SINT, 4, 1, K::Sint, false, false, kIdentity),
    F(R24G8_TYPELESS, VK_FORMAT_D24_UNORM_S8_UINT, 4, 2, K::DepthStencil, false, true, kIdentity),
    F(D24_UNORM_S8_UINT, VK_FORMAT_D24_UNORM_S8_UINT, 4, 2, K::DepthStencil, false, false, kIdentity),
    F(R24_UNORM_X8_TYPELESS, VK_FORMAT_D24_UNORM_S8_UINT, 4, 1, K::DepthStencil, false, false, kIdentity),
    F(R8G8_TYPELESS, VK_FORMAT_R8G8_UNORM, 2, 2, K::Unorm, false, true, kIdentity),
    F(R8G8_UNORM, VK_FORMAT_R8G8_UNORM, 2, 2, K::Unorm, false, false, kIdentity),
    F(R8G8_UINT, VK_FORMAT_R8G8_UINT, 2, 2, K::Uint, false, false, kIdentity),
    F(R8G8_SNORM, VK_FORMAT_R8G8_SNORM, 2, 2, K::Snorm, false, false, kIdentity),
    F(R8G8_SINT, VK_FORMAT_R8G8_SINT, 2, 2, K::Sint, false, false, kIdentity),
    F(R16_TYPELESS, VK_FORMAT_R16_SFLOAT, 2, 1, K::Float, false, true, kIdentity),
    F(R16_FLOAT, VK_FORMAT_R16_SFLOAT, 2, 1, K::Float, false, false, kIdentity),
    F(D16_UNORM, VK_FORMAT_D16_UNORM, 2, 1, K::Depth, false, false, kIdentity),
    F(R16_UNORM, VK_FORMAT_R16_UNORM, 2, 1, K::Unorm, false, false, kIdentity),
    F(R16_UINT, VK_FORMAT_R16_UINT, 2, 1, K::Uint, false, false, kIdentity),
    F(R16_SNORM, VK_FORMAT_R16_SNORM, 2, 1, K::Snorm, false, false, kIdentity),
    F(R16_SINT, VK_FORMAT_R16_SINT, 2, 1, K::Sint, false, false, kIdentity),
    F(R8_TYPELESS, VK_FORMAT_R8_UNORM, 1, 1, K::Unorm, false, true, kIdentity),
    F(R8_UNORM, VK_FORMAT_R8_UNORM, 1, 1, K::Unorm, false, false, kIdentity),
    F(R8_UINT, VK_FORMAT_R8_UINT, 1, 1, K::Uint, false, false, kIdentity),
    F(R8_SNORM, VK_FORMAT_R8_SNORM, 1, 1, K::Snorm, false, false, kIdentity),
    F(R8_SINT, VK_FORMAT_R8_SINT, 1, 1, K::Sint, false, false, kIdentity),
    F(A8_UNORM, VK_FORMAT_R8_UNORM, 1, 1, K::Unorm, false, false, kAlphaOnly),
    F(R9G9B9E5_SHAREDEXP, VK_FORMAT_E5B9G9R9_UFLOAT_PACK32, 4, 3, K::Float, false, false, kIdentity),
    F(B5G6R5_UNORM, VK_FORMAT_R5G6B5_UNORM_PACK16, 2, 3, K::Unorm, false, false, kIdentity),
    F(B5G5R5A1_UNORM, VK_FORMAT_A1R5G5B5_UNORM_PACK16, 2, 4, K::Unorm, false, false, kIdentity),
    F(B8G8R8A8_UNORM, VK_FORMAT_B8G8R8A8_UNORM, 4, 4, K::Unorm, false, false, kIdentity),
    F(B8G8R8X8_UNORM, VK_FORMAT_B8G8R8A8_UNORM, 4, 4, K::Unorm, false, false, kOpaque),
    F(B8G8R8A8_TYPELESS, VK_FORMAT_B8G8R8A8_UNORM, 4, 4, K::Unorm, false, true, kIdentity),
    F(B8G8R8A8_UNORM_SRGB, VK_FORMAT_B8G8R8A8_SRGB, 4, 4, K::Unorm, true, false, kIdentity),
    F(B8G8R8X8_TYPELESS, VK_FORMAT_B8G8R8A8_UNORM, 4, 4, K::Unorm, false, true, kOpaque),
    F(B8G8R8X8_UNORM_SRGB, VK_FORMAT_B8G8R8A8_SRGB, 4, 4, K::Unorm, true, false, kOpaque),
};
#undef F

constexpr UINT kMaxFormat = 128;

const std::array<const FormatInfo*, kMaxFormat>& table() {
    static const std::array<const FormatInfo*, kMaxFormat> t = [] {
        std::array<const FormatInfo*, kMaxFormat> result{};
        for (const FormatInfo& f : kFormats) result[f.dxgi] = &f;
        return result;
    }();
    return t;
}

}  // namespace

const FormatInfo* formatInfo(DXGI_FORMAT format) {
    if (static_cast<UINT>(format) >= kMaxFormat) return nullptr;
    return table()[format];
}

const char* formatName(DXGI_FORMAT format) {
    if (format == DXGI_FORMAT_UNKNOWN) return "UNKNOWN";
    const FormatInfo* info = formatInfo(format);
    return info ? info->name : "an unsupported format";
}

VkFormat depthResourceFormat(DXGI_FORMAT format, VkFormat fallback) {
    switch (format) {
        case DXGI_FORMAT_R32_TYPELESS: return VK_FORMAT_D32_SFLOAT;
        case DXGI_FORMAT_R16_TYPELESS: return VK_FORMAT_D16_UNORM;
        case DXGI_FORMAT_R24G8_TYPELESS: return VK_FORMAT_D24_UNORM_S8_UINT;
        default: return fallback;
    }
}

bool isDepthFormat(VkFormat format) {
    switch (format) {
        case VK_FORMAT_D16_UNORM:
        case VK_FORMAT_D32_SFLOAT:
        case VK_FORMAT_D24_UNORM_S8_UINT:
        case VK_FORMAT_D32_SFLOAT_S8_UINT:
        case VK_FORMAT_X8_D24_UNORM_PACK32: return true;
        default: return false;
    }
}

bool hasStencil(VkFormat format) {
    return format == VK_FORMAT_D24_UNORM_S8_UINT || format == VK_FORMAT_D32_SFLOAT_S8_UINT;
}

VkImageAspectFlags aspectOf(VkFormat format) {
    if (!isDepthFormat(format)) return VK_IMAGE_ASPECT_COLOR_BIT;
    return hasStencil(format) ? VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT : VK_IMAGE_ASPECT_DEPTH_BIT;
}

namespace {
struct SpirvFormat {
    VkFormat vk;
    const char* name;
};
const SpirvFormat kSpirvFormats[] = {
    {VK_FORMAT_UNDEFINED, "Unknown"},
    {VK_FORMAT_R32G32B32A32_SFLOAT, "Rgba32f"},
    {VK_FORMAT_R16G16B16A16_SFLOAT, "Rgba16f"},
    {VK_FORMAT_R32_SFLOAT, "R32f"},
    {VK_FORMAT_R8G8B8A8_UNORM, "Rgba8"},
    {VK_FORMAT_R8G8B8A8_SNORM, "Rgba8Snorm"},
    {VK_FORMAT_R32G32_SFLOAT, "Rg32f"},
    {VK_FORMAT_R16G16_SFLOAT, "Rg16f"},
    {VK_FORMAT_B10G11R11_UFLOAT_PACK32, "R11fG11fB10f"},
    {VK_FORMAT_R16_SFLOAT, "R16f"},
    {VK_FORMAT_R16G16B16A16_UNORM, "Rgba16"},
    {VK_FORMAT_A2B10G10R10_UNORM_PACK32, "Rgb10A2"},
    {VK_FORMAT_R16G16_UNORM, "Rg16"},
    {VK_FORMAT_R8G8_UNORM, "Rg8"},
    {VK_FORMAT_R16_UNORM, "R16"},
    {VK_FORMAT_R8_UNORM, "R8"},
    {VK_FORMAT_R16G16B16A16_SNORM, "Rgba16Snorm"},
    {VK_FORMAT_R16G16_SNORM, "Rg16Snorm"},
    {VK_FORMAT_R8G8_SNORM, "Rg8Snorm"},
    {VK_FORMAT_R16_SNORM, "R16Snorm"},
    {VK_FORMAT_R8_SNORM, "R8Snorm"},
    {VK_FORMAT_R32G32B32A32_SINT, "Rgba32i"},
    {VK_FORMAT_R16G16B16A16_SINT, "Rgba16i"},
    {VK_FORMAT_R8G8B8A8_SINT, "Rgba8i"},
    {VK_FORMAT_R32_SINT, "R32i"},
    {VK_FORMAT_R32G32_SINT, "Rg32i"},
    {VK_FORMAT_R16G16_SINT, "Rg16i"},
    {VK_FORMAT_R8G8_SINT, "Rg8i"},
    {VK_FORMAT_R16_SINT, "R16i"},
    {VK_FORMAT_R8_SINT, "R8i"},
    {VK_FORMAT_R32G32B32A32_UINT, "Rgba32ui"},
    {VK_FORMAT_R16G16B16A16_UINT, "Rgba16ui"},
    {VK_FORMAT_R8G8B8A8_UINT, "Rgba8ui"},
    {VK_FORMAT_R32_UINT, "R32ui"},
    {VK_FORMAT_A2B10G10R10_UINT_PACK32, "Rgb10a2ui"},
    {VK_FORMAT_R32G32_UINT, "Rg32ui"},
    {VK_FORMAT_R16G16_UINT, "Rg16ui"},
    {VK_FORMAT_R8G8_UINT, "Rg8ui"},
    {VK_FORMAT_R16_UINT, "R16ui"},
    {VK_FORMAT_R8_UINT, "R8ui"},
};
constexpr unsigned kSpirvFormatCount = sizeof(kSpirvFormats) / sizeof(kSpirvFormats[0]);
}  // namespace

VkFormat storageFormatFromSpirv(unsigned spirvImageFormat) {
    return spirvImageFormat < kSpirvFormatCount ? kSpirvFormats[spirvImageFormat].vk : VK_FORMAT_UNDEFINED;
}

const char* spirvImageFormatName(unsigned spirvImageFormat) {
    return spirvImageFormat < kSpirvFormatCount ? kSpirvFormats[spirvImageFormat].name : "an unusual format";
}

}  // namespace tolmero::gpu::detail
