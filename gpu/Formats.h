// DXGI formats and their Vulkan counterparts.
#pragma once

#include <vulkan/vulkan.h>

#include "gpu/D3D11Types.h"

namespace tolmero::gpu::detail {

enum class FormatKind { Float, Unorm, Snorm, Uint, Sint, Depth, DepthStencil };

struct FormatInfo {
    DXGI_FORMAT dxgi;
    const char* name;      // "R8G8B8A8_UNORM" etc.
    VkFormat vk;           // the Vulkan format of a resource created with it
    UINT bytesPerTexel;
    UINT components;
    FormatKind kind;
    bool srgb;
    bool typeless;         // resource formats that views reinterpret
    VkComponentMapping swizzle;
};

// Null for formats the layer does not support.
const FormatInfo* formatInfo(DXGI_FORMAT format);
const char* formatName(DXGI_FORMAT format);

// The Vulkan format of a typeless resource that will be bound as a depth
// target (R32_TYPELESS -> D32_SFLOAT and so on); other formats unchanged.
VkFormat depthResourceFormat(DXGI_FORMAT format, VkFormat fallback);

bool isDepthFormat(VkFormat format);
bool hasStencil(VkFormat format);
VkImageAspectFlags aspectOf(VkFormat format);

// The storage-image format that a SPIR-V OpTypeImage declares (its ImageFormat
// operand, SpvImageFormat numbering) as a Vulkan format; VK_FORMAT_UNDEFINED for
// Unknown and for formats without a counterpart here.
VkFormat storageFormatFromSpirv(unsigned spirvImageFormat);
const char* spirvImageFormatName(unsigned spirvImageFormat);

}  // namespace tolmero::gpu::detail
