// Buffers and 2D textures: validation of their descriptions, Vulkan storage,
// initial contents, and the views a texture keeps for its bindings.
#include <algorithm>
#include <cstring>

#include "gpu/BufferHeap.h"
#include "gpu/Debug.h"
#include "gpu/Objects.h"

namespace tolmero::gpu::detail {

namespace {

HRESULT invalid(const std::string& message) {
    debugOutput(message);
    return E_INVALIDARG;
}

uint32_t fullMipCount(UINT width, UINT height) {
    uint32_t levels = 1;
    UINT size = std::max(width, height);
    while (size > 1) {
        size >>= 1;
        ++levels;
    }
    return levels;
}

}  // namespace

// --------------------------------------------------------------------------
// Buffers

HRESULT BufferImpl::create(Core& core, const D3D11_BUFFER_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData,
                           BufferImpl** out) {
    const char* what = "CreateBuffer: ";
    if (desc.ByteWidth == 0) return invalid(std::string(what) + "ByteWidth is 0");
    if (desc.BindFlags & D3D11_BIND_CONSTANT_BUFFER) {
        if (desc.ByteWidth % 16 != 0)
            return invalid(std::string(what) + "a constant buffer's ByteWidth must be a multiple of 16, not " +
                           std::to_string(desc.ByteWidth));
        if (desc.ByteWidth > std::min<UINT>(65536, core.properties.limits.maxUniformBufferRange))
            return invalid(std::string(what) + "a constant buffer holds at most 65536 bytes");
    }
    if (desc.MiscFlags & D3D11_RESOURCE_MISC_BUFFER_STRUCTURED) {
        if (desc.StructureByteStride == 0 || desc.ByteWidth % desc.StructureByteStride != 0)
            return invalid(std::string(what) + "a structured buffer needs a StructureByteStride that divides ByteWidth (" +
                           std::to_string(desc.ByteWidth) + " / " + std::to_string(desc.StructureByteStride) + ")");
    }
    switch (desc.Usage) {
        case D3D11_USAGE_DEFAULT:
            if (desc.CPUAccessFlags) return invalid(std::string(what) + "D3D11_USAGE_DEFAULT buffers have no CPU access");
            break;
        case D3D11_USAGE_IMMUTABLE:
            if (!initialData || !initialData->pSysMem)
                return invalid(std::string(what) + "D3D11_USAGE_IMMUTABLE needs initial data");
            if (desc.CPUAccessFlags) return invalid(std::string(what) + "D3D11_USAGE_IMMUTABLE buffers have no CPU access");
            break;
        case D3D11_USAGE_DYNAMIC:
            if (desc.CPUAccessFlags != D3D11_CPU_ACCESS_WRITE)
                return invalid(std::string(what) + "D3D11_USAGE_DYNAMIC needs CPUAccessFlags D3D11_CPU_ACCESS_WRITE");
            if (desc.BindFlags & D3D11_BIND_UNORDERED_ACCESS)
                return invalid(std::string(what) + "D3D11_USAGE_DYNAMIC buffers cannot be unordered-access views");
            break;
        case D3D11_USAGE_STAGING:
            if (desc.BindFlags) return invalid(std::string(what) + "D3D11_USAGE_STAGING buffers take no bind flags");
            if (!desc.CPUAccessFlags) return invalid(std::string(what) + "D3D11_USAGE_STAGING needs CPU access flags");
            break;
        default:
            return invalid(std::string(what) + "unknown Usage " + std::to_string(desc.Usage));
    }
    if (initialData && !initialData->pSysMem) return invalid(std::string(what) + "initial data without pSysMem");

    BufferImpl* buffer = new BufferImpl(core);
    buffer->desc_ = desc;
    if (HRESULT hr = buffer->allocateStorage(); FAILED(hr)) {
        buffer->Release();
        return hr;
    }
    if (initialData) {
        if (buffer->mapped_) {
            // Nothing can be using a buffer that is being created.
            std::memcpy(buffer->mapped_, initialData->pSysMem, desc.ByteWidth);
        } else {
            StagingBuffer staging;
            VkResult r = core.createStaging(desc.ByteWidth, false, staging);
            if (r != VK_SUCCESS) {
                buffer->Release();
                return reportVk(r, "CreateBuffer: staging buffer");
            }
            std::memcpy(staging.mapped, initialData->pSysMem, desc.ByteWidth);
            VkBufferCopy region{0, 0, desc.ByteWidth};
            vkCmdCopyBuffer(core.commands(), staging.buffer, buffer->buffer_, 1, &region);
            core.fullBarrier();
            core.retireStaging(staging);
            buffer->lastUse = core.recordingSerial();
            core.countOperation();
        }
    }
    *out = buffer;
    return S_OK;
}

bool BufferImpl::fromHeap() const {
    return desc_.ByteWidth <= BufferHeap::kMaxBufferBytes && !(desc_.BindFlags & D3D11_BIND_UNORDERED_ACCESS) &&
           desc_.Usage != D3D11_USAGE_STAGING;
}

HRESULT BufferImpl::allocateStorage() {
    Core& c = core();
    if (fromHeap()) {
        heapRange_ = c.bufferHeap().allocate(desc_.ByteWidth);
        if (!heapRange_) return reportVk(VK_ERROR_OUT_OF_DEVICE_MEMORY, "CreateBuffer: small-buffer heap");
        buffer_ = heapRange_.buffer;
        mapped_ = heapRange_.mapped;
        return S_OK;
    }
    auto info = vkStruct<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
    info.size = desc_.ByteWidth;
    info.usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT;
    if (desc_.BindFlags & D3D11_BIND_CONSTANT_BUFFER) info.usage |= VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT;
    if (desc_.BindFlags & D3D11_BIND_SHADER_RESOURCE)
        info.usage |= VK_BUFFER_USAGE_STORAGE_BUFFER_BIT | VK_BUFFER_USAGE_UNIFORM_TEXEL_BUFFER_BIT;
    if (desc_.BindFlags & D3D11_BIND_UNORDERED_ACCESS)
        info.usage |= VK_BUFFER_USAGE_STORAGE_BUFFER_BIT | VK_BUFFER_USAGE_STORAGE_TEXEL_BUFFER_BIT;
    if (desc_.BindFlags & D3D11_BIND_VERTEX_BUFFER) info.usage |= VK_BUFFER_USAGE_VERTEX_BUFFER_BIT;
    if (desc_.BindFlags & D3D11_BIND_INDEX_BUFFER) info.usage |= VK_BUFFER_USAGE_INDEX_BUFFER_BIT;
    if (desc_.MiscFlags & D3D11_RESOURCE_MISC_DRAWINDIRECT_ARGS) info.usage |= VK_BUFFER_USAGE_INDIRECT_BUFFER_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    countCreation(Creation::Buffer);
    VkResult r = vkCreateBuffer(c.device, &info, nullptr, &buffer_);
    if (r != VK_SUCCESS) {
        buffer_ = VK_NULL_HANDLE;
        return reportVk(r, "vkCreateBuffer");
    }
    VkMemoryRequirements req;
    vkGetBufferMemoryRequirements(c.device, buffer_, &req);
    VkMemoryPropertyFlags required = 0;
    VkMemoryPropertyFlags preferred = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
    if (desc_.Usage == D3D11_USAGE_DYNAMIC || desc_.Usage == D3D11_USAGE_STAGING) {
        required = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
        preferred = (desc_.CPUAccessFlags & D3D11_CPU_ACCESS_READ) ? required | VK_MEMORY_PROPERTY_HOST_CACHED_BIT
                                                                   : required;
    }
    VkMemoryPropertyFlags actual = 0;
    if ((r = c.allocate(req, required, preferred, &memory_, &actual)) != VK_SUCCESS)
        return reportVk(r, "CreateBuffer: memory");
    if ((r = vkBindBufferMemory(c.device, buffer_, memory_, 0)) != VK_SUCCESS) return reportVk(r, "vkBindBufferMemory");
    // Memory the CPU can see (every kind on integrated and CPU devices) stays
    // mapped; coherent memory needs no flushes.
    constexpr VkMemoryPropertyFlags kMappable = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    if ((actual & kMappable) == kMappable) {
        if ((r = vkMapMemory(c.device, memory_, 0, VK_WHOLE_SIZE, 0, &mapped_)) != VK_SUCCESS) mapped_ = nullptr;
    }
    if (!debugName().empty()) onNameChanged();
    return S_OK;
}

void BufferImpl::releaseStorage() {
    Core& c = core();
    for (TexelView& v : texelViews_) c.retire(v.view);
    texelViews_.clear();
    if (heapRange_) {
        c.retireHeapRange(heapRange_);
        heapRange_ = HeapRange{};
    } else {
        c.retire(buffer_);
        c.retire(memory_);
    }
    buffer_ = VK_NULL_HANDLE;
    memory_ = VK_NULL_HANDLE;
    mapped_ = nullptr;
}

BufferImpl::~BufferImpl() { releaseStorage(); }

HRESULT BufferImpl::rename() {
    releaseStorage();
    lastUse = 0;
    return allocateStorage();
}

VkBufferView BufferImpl::texelView(VkFormat format, VkDeviceSize offset, VkDeviceSize range) {
    for (const TexelView& v : texelViews_)
        if (v.format == format && v.offset == offset && v.range == range) return v.view;
    auto info = vkStruct<VkBufferViewCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_VIEW_CREATE_INFO);
    info.buffer = buffer_;
    info.format = format;
    info.offset = heapRange_.offset + offset;
    info.range = range;
    VkBufferView view = VK_NULL_HANDLE;
    countCreation(Creation::BufferView);
    VkResult r = vkCreateBufferView(core().device, &info, nullptr, &view);
    if (r != VK_SUCCESS) {
        reportVk(r, "vkCreateBufferView");
        return VK_NULL_HANDLE;
    }
    texelViews_.push_back({format, offset, range, view});
    return view;
}

void BufferImpl::onNameChanged() {
    // A heap page is shared: it keeps its own name.
    if (!heapRange_) core().name(VK_OBJECT_TYPE_BUFFER, reinterpret_cast<uint64_t>(buffer_), debugName().c_str());
}

// --------------------------------------------------------------------------
// Textures

HRESULT TextureImpl::create(Core& core, const D3D11_TEXTURE2D_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData,
                            TextureImpl** out) {
    const std::string what = "CreateTexture2D: ";
    const FormatInfo* format = formatInfo(desc.Format);
    const VkPhysicalDeviceLimits& limits = core.properties.limits;
    if (!format) return invalid(what + "format " + std::to_string(desc.Format) + " is not supported");
    if (desc.Width == 0 || desc.Height == 0 || desc.Width > limits.maxImageDimension2D ||
        desc.Height > limits.maxImageDimension2D)
        return invalid(what + "size " + std::to_string(desc.Width) + " x " + std::to_string(desc.Height) +
                       " is outside 1 to " + std::to_string(limits.maxImageDimension2D));
    if (desc.ArraySize == 0 || desc.ArraySize > limits.maxImageArrayLayers)
        return invalid(what + "ArraySize " + std::to_string(desc.ArraySize) + " is outside 1 to " +
                       std::to_string(limits.maxImageArrayLayers));
    uint32_t fullChain = fullMipCount(desc.Width, desc.Height);
    if (desc.MipLevels > fullChain)
        return invalid(what + "MipLevels " + std::to_string(desc.MipLevels) + " exceeds the full chain of " +
                       std::to_string(fullChain));
    if (desc.SampleDesc.Count != 1) return invalid(what + "multisampled textures are not supported");
    if (desc.MiscFlags & D3D11_RESOURCE_MISC_TEXTURECUBE) return invalid(what + "cube textures are not supported");
    if (desc.Usage == D3D11_USAGE_STAGING || desc.Usage == D3D11_USAGE_DYNAMIC || desc.CPUAccessFlags)
        return invalid(what + "textures have no CPU access here; read them back with ReadSubresource");
    if (desc.Usage == D3D11_USAGE_IMMUTABLE && (!initialData || !initialData->pSysMem))
        return invalid(what + "D3D11_USAGE_IMMUTABLE needs initial data");
    if ((desc.MiscFlags & D3D11_RESOURCE_MISC_GENERATE_MIPS) &&
        (desc.BindFlags & (D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE)) !=
            (D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE))
        return invalid(what + "D3D11_RESOURCE_MISC_GENERATE_MIPS needs render-target and shader-resource binding");
    if (desc.BindFlags & (D3D11_BIND_CONSTANT_BUFFER | D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER))
        return invalid(what + "buffer bind flags on a texture");
    if ((desc.BindFlags & D3D11_BIND_UNORDERED_ACCESS) && format->srgb)
        return invalid(what + "sRGB textures cannot be unordered-access views");

    TextureImpl* texture = new TextureImpl(core);
    texture->desc_ = desc;
    texture->desc_.MipLevels = desc.MipLevels == 0 ? fullChain : desc.MipLevels;
    texture->format_ = format;
    texture->vkFormat_ = (desc.BindFlags & D3D11_BIND_DEPTH_STENCIL) ? depthResourceFormat(desc.Format, format->vk)
                                                                     : format->vk;
    VkImageUsageFlags usage = VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    if (desc.BindFlags & D3D11_BIND_SHADER_RESOURCE) usage |= VK_IMAGE_USAGE_SAMPLED_BIT;
    if (desc.BindFlags & D3D11_BIND_UNORDERED_ACCESS) usage |= VK_IMAGE_USAGE_STORAGE_BIT;
    if (desc.BindFlags & D3D11_BIND_RENDER_TARGET) usage |= VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    if (desc.BindFlags & D3D11_BIND_DEPTH_STENCIL) usage |= VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT;
    texture->usage_ = usage;
    if (format->typeless && !isDepthFormat(texture->vkFormat_))
        texture->createFlags_ = VK_IMAGE_CREATE_MUTABLE_FORMAT_BIT | VK_IMAGE_CREATE_EXTENDED_USAGE_BIT;

    VkImageFormatProperties properties;
    if (texture->vkFormat_ == VK_FORMAT_D24_UNORM_S8_UINT &&
        vkGetPhysicalDeviceImageFormatProperties(core.physical, VK_FORMAT_D24_UNORM_S8_UINT, VK_IMAGE_TYPE_2D,
                                                 VK_IMAGE_TILING_OPTIMAL, usage, 0, &properties) != VK_SUCCESS)
        texture->vkFormat_ = VK_FORMAT_D32_SFLOAT_S8_UINT;  // the other depth-stencil format every device has one of
    VkResult support = vkGetPhysicalDeviceImageFormatProperties(core.physical, texture->vkFormat_, VK_IMAGE_TYPE_2D,
                                                                VK_IMAGE_TILING_OPTIMAL, usage, texture->createFlags_,
                                                                &properties);
    if (support != VK_SUCCESS) {
        texture->Release();
        return invalid(what + "the device cannot make a " + format->name + " texture with bind flags " +
                       std::to_string(desc.BindFlags));
    }
    if (desc.MiscFlags & D3D11_RESOURCE_MISC_GENERATE_MIPS) {
        VkFormatProperties fp;
        vkGetPhysicalDeviceFormatProperties(core.physical, texture->vkFormat_, &fp);
        VkFormatFeatureFlags need = VK_FORMAT_FEATURE_BLIT_SRC_BIT | VK_FORMAT_FEATURE_BLIT_DST_BIT |
                                    VK_FORMAT_FEATURE_SAMPLED_IMAGE_FILTER_LINEAR_BIT;
        if ((fp.optimalTilingFeatures & need) != need) {
            texture->Release();
            return invalid(what + "the device cannot generate mips of " + format->name);
        }
    }
    if (HRESULT hr = texture->allocateStorage(); FAILED(hr)) {
        texture->Release();
        return hr;
    }

    if (initialData) {
        // One staging buffer with every subresource, rows packed tightly.
        const D3D11_TEXTURE2D_DESC& d = texture->desc_;
        UINT texel = format->bytesPerTexel;
        VkDeviceSize total = 0;
        for (uint32_t layer = 0; layer < d.ArraySize; ++layer)
            for (uint32_t mip = 0; mip < d.MipLevels; ++mip)
                total += VkDeviceSize(texture->mipWidth(mip)) * texture->mipHeight(mip) * texel;
        StagingBuffer staging;
        VkResult r = core.createStaging(total, false, staging);
        if (r != VK_SUCCESS) {
            texture->Release();
            return reportVk(r, "CreateTexture2D: staging buffer");
        }
        std::vector<VkBufferImageCopy> regions;
        VkDeviceSize offset = 0;
        for (uint32_t layer = 0; layer < d.ArraySize; ++layer) {
            for (uint32_t mip = 0; mip < d.MipLevels; ++mip) {
                const D3D11_SUBRESOURCE_DATA& src = initialData[layer * d.MipLevels + mip];
                uint32_t w = texture->mipWidth(mip), h = texture->mipHeight(mip);
                size_t row = size_t(w) * texel;
                UINT pitch = src.SysMemPitch ? src.SysMemPitch : static_cast<UINT>(row);
                for (uint32_t y = 0; y < h; ++y)
                    std::memcpy(static_cast<BYTE*>(staging.mapped) + offset + y * row,
                                static_cast<const BYTE*>(src.pSysMem) + size_t(y) * pitch, row);
                VkBufferImageCopy region{};
                region.bufferOffset = offset;
                region.imageSubresource = {aspectOf(texture->vkFormat_) & ~VK_IMAGE_ASPECT_STENCIL_BIT, mip, layer, 1};
                region.imageExtent = {w, h, 1};
                regions.push_back(region);
                offset += row * h;
            }
        }
        vkCmdCopyBufferToImage(core.commands(), staging.buffer, texture->image_, VK_IMAGE_LAYOUT_GENERAL,
                               static_cast<uint32_t>(regions.size()), regions.data());
        core.fullBarrier();
        core.retireStaging(staging);
        texture->lastUse = core.recordingSerial();
        core.countOperation();
    }
    *out = texture;
    return S_OK;
}

HRESULT TextureImpl::allocateStorage() {
    Core& c = core();
    auto info = vkStruct<VkImageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO);
    info.flags = createFlags_;
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = vkFormat_;
    info.extent = {desc_.Width, desc_.Height, 1};
    info.mipLevels = desc_.MipLevels;
    info.arrayLayers = desc_.ArraySize;
    info.samples = VK_SAMPLE_COUNT_1_BIT;
    info.tiling = VK_IMAGE_TILING_OPTIMAL;
    info.usage = usage_;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    VkResult r = vkCreateImage(c.device, &info, nullptr, &image_);
    if (r != VK_SUCCESS) {
        image_ = VK_NULL_HANDLE;
        return reportVk(r, "vkCreateImage");
    }
    VkMemoryRequirements req;
    vkGetImageMemoryRequirements(c.device, image_, &req);
    if ((r = c.allocate(req, 0, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &memory_, nullptr)) != VK_SUCCESS)
        return reportVk(r, "CreateTexture2D: memory");
    if ((r = vkBindImageMemory(c.device, image_, memory_, 0)) != VK_SUCCESS) return reportVk(r, "vkBindImageMemory");
    // Every image lives in VK_IMAGE_LAYOUT_GENERAL from here on.
    c.initImageLayout(image_, aspectOf(vkFormat_), desc_.MipLevels, desc_.ArraySize);
    if (!debugName().empty()) onNameChanged();
    return S_OK;
}

void TextureImpl::releaseStorage() {
    Core& c = core();
    for (CachedView& v : views_) c.retire(v.view);
    views_.clear();
    c.retire(image_);
    c.retire(memory_);
    image_ = VK_NULL_HANDLE;
    memory_ = VK_NULL_HANDLE;
}

TextureImpl::~TextureImpl() { releaseStorage(); }

HRESULT TextureImpl::reallocate(UINT width, UINT height) {
    releaseStorage();
    desc_.Width = width;
    desc_.Height = height;
    desc_.MipLevels = std::min(desc_.MipLevels, fullMipCount(width, height));
    lastUse = 0;
    return allocateStorage();
}

VkImageView TextureImpl::view(const ImageRange& range, VkImageViewType type, VkImageUsageFlags purpose,
                              const std::string& viewName) {
    auto sameRange = [&](const ImageRange& a) {
        return a.format == range.format && a.aspect == range.aspect && a.baseMip == range.baseMip &&
               a.mipCount == range.mipCount && a.baseLayer == range.baseLayer && a.layerCount == range.layerCount &&
               std::memcmp(&a.swizzle, &range.swizzle, sizeof(a.swizzle)) == 0;
    };
    CachedView* entry = nullptr;
    for (CachedView& v : views_) {
        if (v.type == type && v.purpose == purpose && sameRange(v.range)) {
            entry = &v;
            break;
        }
    }
    if (!entry) {
        auto usageInfo = vkStruct<VkImageViewUsageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_USAGE_CREATE_INFO);
        usageInfo.usage = purpose & usage_;
        auto info = vkStruct<VkImageViewCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO);
        info.pNext = &usageInfo;
        info.image = image_;
        info.viewType = type;
        info.format = range.format;
        // Storage images and attachments need the identity mapping.
        if (purpose == VK_IMAGE_USAGE_SAMPLED_BIT) info.components = range.swizzle;
        info.subresourceRange = {range.aspect, range.baseMip, range.mipCount, range.baseLayer, range.layerCount};
        VkImageView view = VK_NULL_HANDLE;
        countCreation(Creation::ImageView);
        VkResult r = vkCreateImageView(core().device, &info, nullptr, &view);
        if (r != VK_SUCCESS) {
            reportVk(r, "vkCreateImageView");
            return VK_NULL_HANDLE;
        }
        views_.push_back({range, type, purpose, view, {}});
        entry = &views_.back();
    }
    if (!viewName.empty() && entry->name != viewName) {
        entry->name = viewName;
        core().name(VK_OBJECT_TYPE_IMAGE_VIEW, reinterpret_cast<uint64_t>(entry->view), viewName.c_str());
    }
    return entry->view;
}

void TextureImpl::onNameChanged() {
    core().name(VK_OBJECT_TYPE_IMAGE, reinterpret_cast<uint64_t>(image_), debugName().c_str());
}

}  // namespace tolmero::gpu::detail
