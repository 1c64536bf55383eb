// Shader-resource, unordered-access, render-target and depth-stencil views:
// their descriptions are checked against the resource and turned into a
// ViewTarget; the Vulkan image views themselves are made when bound.
#include "gpu/Views.h"

#include <algorithm>

#include "gpu/Objects.h"

namespace tolmero::gpu::detail {

namespace {

constexpr UINT kAll = 0xffffffffu;

HRESULT invalid(const char* what, const std::string& message) {
    debugOutput(std::string(what) + ": " + message);
    return E_INVALIDARG;
}

// Resolves the format of a texture view: the resource's own format, or for a
// typeless resource a format of the same texel size. Depth resources are viewed
// through their depth (or stencil) aspect.
bool textureViewFormat(const char* what, TextureImpl& texture, DXGI_FORMAT requested, DXGI_FORMAT& format,
                       ImageRange& range) {
    const FormatInfo& own = texture.format();
    format = requested == DXGI_FORMAT_UNKNOWN ? own.dxgi : requested;
    const FormatInfo* info = formatInfo(format);
    if (!info) {
        invalid(what, std::string("view format ") + formatName(format) + " is not supported");
        return false;
    }
    if (isDepthFormat(texture.vkFormat())) {
        range.format = texture.vkFormat();
        bool stencil = format == DXGI_FORMAT_X24_TYPELESS_G8_UINT || format == DXGI_FORMAT_X32_TYPELESS_G8X24_UINT;
        range.aspect = stencil ? VK_IMAGE_ASPECT_STENCIL_BIT : VK_IMAGE_ASPECT_DEPTH_BIT;
        range.swizzle = {};
        return true;
    }
    if (info->typeless) {
        invalid(what, std::string("a view of typeless ") + own.name + " needs a typed format");
        return false;
    }
    if (format != own.dxgi && !(own.typeless && info->bytesPerTexel == own.bytesPerTexel)) {
        invalid(what, std::string("view format ") + info->name + " does not fit a " + own.name + " texture");
        return false;
    }
    range.format = info->vk;
    range.aspect = VK_IMAGE_ASPECT_COLOR_BIT;
    range.swizzle = info->swizzle;
    return true;
}

bool mipRange(const char* what, TextureImpl& texture, UINT first, UINT count, ImageRange& range) {
    UINT mips = texture.desc().MipLevels;
    if (count == kAll || count == 0) count = first < mips ? mips - first : 0;
    if (first >= mips || count == 0 || first + count > mips) {
        invalid(what, "mip levels " + std::to_string(first) + " + " + std::to_string(count) + " outside the texture's " +
                          std::to_string(mips));
        return false;
    }
    range.baseMip = first;
    range.mipCount = count;
    return true;
}

bool sliceRange(const char* what, TextureImpl& texture, UINT first, UINT count, ImageRange& range) {
    UINT slices = texture.desc().ArraySize;
    if (count == kAll) count = first < slices ? slices - first : 0;
    if (first >= slices || count == 0 || first + count > slices) {
        invalid(what, "array slices " + std::to_string(first) + " + " + std::to_string(count) +
                          " outside the texture's " + std::to_string(slices));
        return false;
    }
    range.baseLayer = first;
    range.layerCount = count;
    return true;
}

// Element size and alignment of a buffer view, and its byte range.
bool bufferRange(const char* what, Core& core, BufferImpl& buffer, DXGI_FORMAT format, bool raw, UINT first,
                 UINT count, ViewTarget& target) {
    const D3D11_BUFFER_DESC& desc = buffer.desc();
    UINT element = 0;
    VkDeviceSize alignment = core.properties.limits.minStorageBufferOffsetAlignment;
    if (raw) {
        if (format != DXGI_FORMAT_R32_TYPELESS) return invalid(what, "raw views need DXGI_FORMAT_R32_TYPELESS"), false;
        element = 4;
    } else if (format == DXGI_FORMAT_UNKNOWN) {
        if (!(desc.MiscFlags & D3D11_RESOURCE_MISC_BUFFER_STRUCTURED))
            return invalid(what, "a view without a format needs a structured buffer"), false;
        element = desc.StructureByteStride;
    } else {
        const FormatInfo* info = formatInfo(format);
        if (!info || info->typeless) return invalid(what, std::string("buffer view format ") + formatName(format)), false;
        element = info->bytesPerTexel;
        target.texelFormat = info->vk;
        alignment = core.properties.limits.minTexelBufferOffsetAlignment;
    }
    VkDeviceSize offset = VkDeviceSize(first) * element;
    VkDeviceSize size = VkDeviceSize(count) * element;
    if (count == 0 || offset + size > desc.ByteWidth)
        return invalid(what, "elements " + std::to_string(first) + " + " + std::to_string(count) + " of " +
                                 std::to_string(element) + " bytes exceed the buffer's " +
                                 std::to_string(desc.ByteWidth) + " bytes"),
               false;
    const VkPhysicalDeviceLimits& limits = core.properties.limits;
    if (target.texelFormat == VK_FORMAT_UNDEFINED ? size > limits.maxStorageBufferRange
                                                  : count > limits.maxTexelBufferElements)
        return invalid(what, "a view of " + std::to_string(size) + " bytes is larger than the device can bind"), false;
    if (alignment && offset % alignment != 0)
        return invalid(what, "the first element's offset " + std::to_string(offset) + " is not a multiple of " +
                                 std::to_string(alignment)),
               false;
    target.offset = offset;
    target.size = size;
    return true;
}

ViewTarget targetOf(ID3D11Resource* resource, BufferImpl* buffer, TextureImpl* texture) {
    ViewTarget target;
    target.resource.reset(resource);
    target.buffer = buffer;
    target.texture = texture;
    return target;
}

}  // namespace

HRESULT createShaderResourceView(Core& core, ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                 ID3D11ShaderResourceView** out) {
    const char* what = "CreateShaderResourceView";
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!resource) return invalid(what, "no resource");
    BufferImpl* buffer = asBuffer(resource);
    TextureImpl* texture = asTexture(resource);
    ViewTarget target = targetOf(resource, buffer, texture);
    D3D11_SHADER_RESOURCE_VIEW_DESC d{};

    if (buffer) {
        const D3D11_BUFFER_DESC& b = buffer->desc();
        if (!(b.BindFlags & D3D11_BIND_SHADER_RESOURCE)) return invalid(what, "the buffer lacks D3D11_BIND_SHADER_RESOURCE");
        if (desc) {
            d = *desc;
        } else {
            if (!(b.MiscFlags & D3D11_RESOURCE_MISC_BUFFER_STRUCTURED))
                return invalid(what, "only structured buffers have a default view");
            d.Format = DXGI_FORMAT_UNKNOWN;
            d.ViewDimension = D3D11_SRV_DIMENSION_BUFFER;
            d.Buffer.FirstElement = 0;
            d.Buffer.NumElements = b.ByteWidth / b.StructureByteStride;
        }
        bool raw = false;
        if (d.ViewDimension == D3D11_SRV_DIMENSION_BUFFEREX) {
            raw = (d.BufferEx.Flags & D3D11_BUFFEREX_SRV_FLAG_RAW) != 0;
        } else if (d.ViewDimension != D3D11_SRV_DIMENSION_BUFFER) {
            return invalid(what, "a buffer needs a BUFFER or BUFFEREX view");
        }
        // BUFFER and BUFFEREX share the element range's layout.
        if (!bufferRange(what, core, *buffer, d.Format, raw, d.Buffer.FirstElement, d.Buffer.NumElements, target))
            return E_INVALIDARG;
    } else if (texture) {
        const D3D11_TEXTURE2D_DESC& t = texture->desc();
        if (!(t.BindFlags & D3D11_BIND_SHADER_RESOURCE)) return invalid(what, "the texture lacks D3D11_BIND_SHADER_RESOURCE");
        if (desc) {
            d = *desc;
        } else {
            d.Format = t.Format;
            if (t.ArraySize == 1) {
                d.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
                d.Texture2D = {0, t.MipLevels};
            } else {
                d.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DARRAY;
                d.Texture2DArray = {0, t.MipLevels, 0, t.ArraySize};
            }
        }
        DXGI_FORMAT format;
        if (!textureViewFormat(what, *texture, d.Format, format, target.range)) return E_INVALIDARG;
        d.Format = format;
        if (d.ViewDimension == D3D11_SRV_DIMENSION_TEXTURE2D) {
            if (!mipRange(what, *texture, d.Texture2D.MostDetailedMip, d.Texture2D.MipLevels, target.range) ||
                !sliceRange(what, *texture, 0, 1, target.range))
                return E_INVALIDARG;
        } else if (d.ViewDimension == D3D11_SRV_DIMENSION_TEXTURE2DARRAY) {
            if (!mipRange(what, *texture, d.Texture2DArray.MostDetailedMip, d.Texture2DArray.MipLevels, target.range) ||
                !sliceRange(what, *texture, d.Texture2DArray.FirstArraySlice, d.Texture2DArray.ArraySize, target.range))
                return E_INVALIDARG;
        } else {
            return invalid(what, "a 2D texture needs a TEXTURE2D or TEXTURE2DARRAY view");
        }
    } else {
        return invalid(what, "unknown resource kind");
    }
    *out = new SrvImpl(core, std::move(target), d);
    return S_OK;
}

namespace {

// The default view of a whole 2D texture for render-target, depth and
// read-write views: its own format, mip 0, every slice.
template <class Desc, class Dimension>
void defaultSingleMipView(const D3D11_TEXTURE2D_DESC& t, Dimension texture2D, Dimension texture2DArray, Desc& d) {
    d.Format = t.Format;
    if (t.ArraySize == 1) {
        d.ViewDimension = texture2D;
        d.Texture2D = {0};
    } else {
        d.ViewDimension = texture2DArray;
        d.Texture2DArray = {0, 0, t.ArraySize};
    }
}

// The one mip level and the slices that a TEXTURE2D or TEXTURE2DARRAY view of
// those kinds covers, into `range`; false (having said why) for a range
// outside the texture or another dimension.
template <class Desc, class Dimension>
bool singleMipViewRange(const char* what, TextureImpl& texture, const Desc& d, Dimension texture2D,
                        Dimension texture2DArray, ImageRange& range) {
    if (d.ViewDimension == texture2D)
        return mipRange(what, texture, d.Texture2D.MipSlice, 1, range) && sliceRange(what, texture, 0, 1, range);
    if (d.ViewDimension == texture2DArray)
        return mipRange(what, texture, d.Texture2DArray.MipSlice, 1, range) &&
               sliceRange(what, texture, d.Texture2DArray.FirstArraySlice, d.Texture2DArray.ArraySize, range);
    invalid(what, "a 2D texture needs a TEXTURE2D or TEXTURE2DARRAY view");
    return false;
}

}  // namespace

HRESULT createUnorderedAccessView(Core& core, ID3D11Resource* resource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc,
                                  ID3D11UnorderedAccessView** out) {
    const char* what = "CreateUnorderedAccessView";
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!resource) return invalid(what, "no resource");
    BufferImpl* buffer = asBuffer(resource);
    TextureImpl* texture = asTexture(resource);
    ViewTarget target = targetOf(resource, buffer, texture);
    D3D11_UNORDERED_ACCESS_VIEW_DESC d{};

    if (buffer) {
        const D3D11_BUFFER_DESC& b = buffer->desc();
        if (!(b.BindFlags & D3D11_BIND_UNORDERED_ACCESS))
            return invalid(what, "the buffer lacks D3D11_BIND_UNORDERED_ACCESS");
        if (desc) {
            d = *desc;
        } else {
            if (!(b.MiscFlags & D3D11_RESOURCE_MISC_BUFFER_STRUCTURED))
                return invalid(what, "only structured buffers have a default view");
            d.Format = DXGI_FORMAT_UNKNOWN;
            d.ViewDimension = D3D11_UAV_DIMENSION_BUFFER;
            d.Buffer = {0, b.ByteWidth / b.StructureByteStride, 0};
        }
        if (d.ViewDimension != D3D11_UAV_DIMENSION_BUFFER) return invalid(what, "a buffer needs a BUFFER view");
        if (d.Buffer.Flags & (D3D11_BUFFER_UAV_FLAG_APPEND | D3D11_BUFFER_UAV_FLAG_COUNTER))
            debugOutput("CreateUnorderedAccessView: hidden append/consume counters are not supported; "
                        "the view is a plain read-write buffer");
        bool raw = (d.Buffer.Flags & D3D11_BUFFER_UAV_FLAG_RAW) != 0;
        if (!bufferRange(what, core, *buffer, d.Format, raw, d.Buffer.FirstElement, d.Buffer.NumElements, target))
            return E_INVALIDARG;
    } else if (texture) {
        const D3D11_TEXTURE2D_DESC& t = texture->desc();
        if (!(t.BindFlags & D3D11_BIND_UNORDERED_ACCESS))
            return invalid(what, "the texture lacks D3D11_BIND_UNORDERED_ACCESS");
        if (desc) {
            d = *desc;
        } else {
            defaultSingleMipView(t, D3D11_UAV_DIMENSION_TEXTURE2D, D3D11_UAV_DIMENSION_TEXTURE2DARRAY, d);
        }
        DXGI_FORMAT format;
        if (!textureViewFormat(what, *texture, d.Format, format, target.range)) return E_INVALIDARG;
        d.Format = format;
        if (!singleMipViewRange(what, *texture, d, D3D11_UAV_DIMENSION_TEXTURE2D, D3D11_UAV_DIMENSION_TEXTURE2DARRAY, target.range))
            return E_INVALIDARG;
    } else {
        return invalid(what, "unknown resource kind");
    }
    *out = new UavImpl(core, std::move(target), d);
    return S_OK;
}

HRESULT createRenderTargetView(Core& core, ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                               ID3D11RenderTargetView** out) {
    const char* what = "CreateRenderTargetView";
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!resource) return invalid(what, "no resource");
    TextureImpl* texture = asTexture(resource);
    if (!texture) return invalid(what, "render targets must be 2D textures");
    const D3D11_TEXTURE2D_DESC& t = texture->desc();
    if (!(t.BindFlags & D3D11_BIND_RENDER_TARGET)) return invalid(what, "the texture lacks D3D11_BIND_RENDER_TARGET");
    ViewTarget target = targetOf(resource, nullptr, texture);
    D3D11_RENDER_TARGET_VIEW_DESC d{};
    if (desc) {
        d = *desc;
    } else {
        defaultSingleMipView(t, D3D11_RTV_DIMENSION_TEXTURE2D, D3D11_RTV_DIMENSION_TEXTURE2DARRAY, d);
    }
    DXGI_FORMAT format;
    if (!textureViewFormat(what, *texture, d.Format, format, target.range)) return E_INVALIDARG;
    d.Format = format;
    if (!singleMipViewRange(what, *texture, d, D3D11_RTV_DIMENSION_TEXTURE2D, D3D11_RTV_DIMENSION_TEXTURE2DARRAY, target.range))
        return E_INVALIDARG;
    *out = new RtvImpl(core, std::move(target), d);
    return S_OK;
}

HRESULT createDepthStencilView(Core& core, ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                               ID3D11DepthStencilView** out) {
    const char* what = "CreateDepthStencilView";
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!resource) return invalid(what, "no resource");
    TextureImpl* texture = asTexture(resource);
    if (!texture) return invalid(what, "depth targets must be 2D textures");
    const D3D11_TEXTURE2D_DESC& t = texture->desc();
    if (!(t.BindFlags & D3D11_BIND_DEPTH_STENCIL)) return invalid(what, "the texture lacks D3D11_BIND_DEPTH_STENCIL");
    ViewTarget target = targetOf(resource, nullptr, texture);
    D3D11_DEPTH_STENCIL_VIEW_DESC d{};
    if (desc) {
        d = *desc;
    } else {
        defaultSingleMipView(t, D3D11_DSV_DIMENSION_TEXTURE2D, D3D11_DSV_DIMENSION_TEXTURE2DARRAY, d);
    }
    target.range.format = texture->vkFormat();
    target.range.aspect = aspectOf(texture->vkFormat());
    if (d.Format == DXGI_FORMAT_UNKNOWN) d.Format = t.Format;
    if (!singleMipViewRange(what, *texture, d, D3D11_DSV_DIMENSION_TEXTURE2D, D3D11_DSV_DIMENSION_TEXTURE2DARRAY, target.range))
        return E_INVALIDARG;
    *out = new DsvImpl(core, std::move(target), d);
    return S_OK;
}

namespace {
template <class View>
void resourceOf(View& view, ID3D11Resource** resource) {
    if (!resource) return;
    *resource = view.target.resource.get();
    if (*resource) (*resource)->AddRef();
}
}  // namespace

void SrvImpl::GetResource(ID3D11Resource** resource) { resourceOf(*this, resource); }
void UavImpl::GetResource(ID3D11Resource** resource) { resourceOf(*this, resource); }
void RtvImpl::GetResource(ID3D11Resource** resource) { resourceOf(*this, resource); }
void DsvImpl::GetResource(ID3D11Resource** resource) { resourceOf(*this, resource); }

}  // namespace tolmero::gpu::detail
