// The objects behind the interfaces of D3D11.h: resources, views, states,
// shaders and queries, each holding a reference on its device's Core.
#pragma once

#include <vulkan/vulkan.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gpu/Core.h"
#include "gpu/D3D11.h"
#include "gpu/Formats.h"
#include "gpu/Pipelines.h"

namespace tolmero::gpu::detail {

// Holds one reference on a reference-counted object.
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(T* p) : p_(p) {  // NOLINT: implicit by design, like a COM smart pointer
        if (p_) p_->AddRef();
    }
    Ref(const Ref& o) : Ref(o.p_) {}
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~Ref() { reset(); }
    Ref& operator=(const Ref& o) {
        reset(o.p_);
        return *this;
    }
    Ref& operator=(Ref&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    void reset(T* p = nullptr) {
        if (p) p->AddRef();
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// Reference counting, the device link and private data for every device child.
template <class Interface>
class Child : public Interface {
public:
    explicit Child(Core& core) : core_(&core) { core.addRef(); }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    void GetDevice(ID3D11Device** device) override {
        if (!device) return;
        *device = core_->publicDevice;
        if (*device) (*device)->AddRef();
    }
    HRESULT SetPrivateData(REFGUID guid, UINT dataSize, const void* data) override {
        if (dataSize && !data) return E_INVALIDARG;
        if (guid == WKPDID_D3DDebugObjectName) {
            name_.assign(static_cast<const char*>(data), dataSize);
            while (!name_.empty() && name_.back() == '\0') name_.pop_back();
            onNameChanged();
            return S_OK;
        }
        for (auto& entry : privateData_) {
            if (entry.first == guid) {
                entry.second.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + dataSize);
                return S_OK;
            }
        }
        privateData_.emplace_back(guid, std::vector<BYTE>(static_cast<const BYTE*>(data),
                                                          static_cast<const BYTE*>(data) + dataSize));
        return S_OK;
    }
    HRESULT GetPrivateData(REFGUID guid, UINT* dataSize, void* data) override {
        if (!dataSize) return E_INVALIDARG;
        const BYTE* bytes = nullptr;
        UINT size = 0;
        if (guid == WKPDID_D3DDebugObjectName) {
            if (name_.empty()) return DXGI_ERROR_NOT_FOUND;
            bytes = reinterpret_cast<const BYTE*>(name_.data());
            size = static_cast<UINT>(name_.size());
        } else {
            bool found = false;
            for (auto& entry : privateData_) {
                if (entry.first == guid) {
                    bytes = entry.second.data();
                    size = static_cast<UINT>(entry.second.size());
                    found = true;
                }
            }
            if (!found) return DXGI_ERROR_NOT_FOUND;
        }
        if (!data) {
            *dataSize = size;
            return S_OK;
        }
        if (*dataSize < size) return E_INVALIDARG;
        std::memcpy(data, bytes, size);
        *dataSize = size;
        return S_OK;
    }

    const std::string& debugName() const { return name_; }
    Core& core() const { return *core_; }

protected:
    ~Child() override { core_->release(); }
    virtual void onNameChanged() {}

private:
    Core* core_;
    ULONG refs_ = 1;
    std::string name_;
    std::vector<std::pair<GUID, std::vector<BYTE>>> privateData_;
};

// --------------------------------------------------------------------------
class BufferImpl final : public Child<ID3D11Buffer> {
public:
    static HRESULT create(Core& core, const D3D11_BUFFER_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData,
                          BufferImpl** out);

    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override {
        if (dimension) *dimension = D3D11_RESOURCE_DIMENSION_BUFFER;
    }
    void GetDesc(D3D11_BUFFER_DESC* desc) override {
        if (desc) *desc = desc_;
    }

    const D3D11_BUFFER_DESC& desc() const { return desc_; }
    // The VkBuffer and where the buffer's bytes start in it: a small buffer
    // lives in a page of the small-buffer heap, shared with others.
    VkBuffer buffer() const { return buffer_; }
    VkDeviceSize offset() const { return heapRange_.offset; }
    void* mapped() const { return mapped_; }
    // A typed view of a range (texel buffers); owned by the buffer.
    VkBufferView texelView(VkFormat format, VkDeviceSize offset, VkDeviceSize range);
    // Gives the buffer fresh storage (D3D11_MAP_WRITE_DISCARD while the GPU may
    // still read the old contents); the old storage is retired.
    HRESULT rename();

    uint64_t lastUse = 0;  // serial of the last batch that used the buffer

private:
    explicit BufferImpl(Core& core) : Child(core) {}
    ~BufferImpl() override;
    HRESULT allocateStorage();
    void releaseStorage();
    void onNameChanged() override;

    // Small buffers that the GPU only reads come from the heap.
    bool fromHeap() const;

    D3D11_BUFFER_DESC desc_{};
    VkBuffer buffer_ = VK_NULL_HANDLE;
    VkDeviceMemory memory_ = VK_NULL_HANDLE;
    HeapRange heapRange_;
    void* mapped_ = nullptr;
    struct TexelView {
        VkFormat format;
        VkDeviceSize offset;
        VkDeviceSize range;
        VkBufferView view;
    };
    std::vector<TexelView> texelViews_;
};

// The buffer or texture behind a resource interface (null for the other kind).
inline BufferImpl* asBuffer(ID3D11Resource* resource) {
    if (!resource) return nullptr;
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    resource->GetType(&dimension);
    return dimension == D3D11_RESOURCE_DIMENSION_BUFFER
               ? static_cast<BufferImpl*>(static_cast<ID3D11Buffer*>(resource))
               : nullptr;
}

// A range of a texture seen through a view.
struct ImageRange {
    VkFormat format = VK_FORMAT_UNDEFINED;
    VkImageAspectFlags aspect = VK_IMAGE_ASPECT_COLOR_BIT;
    uint32_t baseMip = 0;
    uint32_t mipCount = 1;
    uint32_t baseLayer = 0;
    uint32_t layerCount = 1;
    VkComponentMapping swizzle{};
};

class TextureImpl final : public Child<ID3D11Texture2D> {
public:
    static HRESULT create(Core& core, const D3D11_TEXTURE2D_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData,
                          TextureImpl** out);

    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override {
        if (dimension) *dimension = D3D11_RESOURCE_DIMENSION_TEXTURE2D;
    }
    void GetDesc(D3D11_TEXTURE2D_DESC* desc) override {
        if (desc) *desc = desc_;
    }

    const D3D11_TEXTURE2D_DESC& desc() const { return desc_; }  // MipLevels resolved
    const FormatInfo& format() const { return *format_; }
    VkImage image() const { return image_; }
    VkFormat vkFormat() const { return vkFormat_; }
    VkImageUsageFlags usage() const { return usage_; }
    VkImageAspectFlags aspects() const { return aspectOf(vkFormat_); }
    uint32_t subresourceCount() const { return desc_.MipLevels * desc_.ArraySize; }
    uint32_t mipWidth(uint32_t mip) const { return std::max(1u, desc_.Width >> mip); }
    uint32_t mipHeight(uint32_t mip) const { return std::max(1u, desc_.Height >> mip); }

    // An image view of a range, made on first use and kept with the texture;
    // the view's debug name follows viewName.
    VkImageView view(const ImageRange& range, VkImageViewType type, VkImageUsageFlags purpose,
                     const std::string& viewName);
    // New storage of another size (the back buffer after ResizeBuffers); the
    // object and its views stay valid.
    HRESULT reallocate(UINT width, UINT height);

    uint64_t lastUse = 0;

private:
    explicit TextureImpl(Core& core) : Child(core) {}
    ~TextureImpl() override;
    HRESULT allocateStorage();
    void releaseStorage();
    void onNameChanged() override;

    D3D11_TEXTURE2D_DESC desc_{};
    const FormatInfo* format_ = nullptr;
    VkFormat vkFormat_ = VK_FORMAT_UNDEFINED;
    VkImageUsageFlags usage_ = 0;
    VkImageCreateFlags createFlags_ = 0;
    VkImage image_ = VK_NULL_HANDLE;
    VkDeviceMemory memory_ = VK_NULL_HANDLE;
    struct CachedView {
        ImageRange range;
        VkImageViewType type;
        VkImageUsageFlags purpose;
        VkImageView view;
        std::string name;
    };
    std::vector<CachedView> views_;
};

inline TextureImpl* asTexture(ID3D11Resource* resource) {
    if (!resource) return nullptr;
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    resource->GetType(&dimension);
    return dimension == D3D11_RESOURCE_DIMENSION_TEXTURE2D
               ? static_cast<TextureImpl*>(static_cast<ID3D11Texture2D*>(resource))
               : nullptr;
}

// --------------------------------------------------------------------------
// Views keep their resource alive and resolve Vulkan views when bound.
struct ViewTarget {
    Ref<ID3D11Resource> resource;
    BufferImpl* buffer = nullptr;    // when the resource is a buffer
    TextureImpl* texture = nullptr;  // when it is a texture
    ImageRange range;                // textures
    VkDeviceSize offset = 0;         // buffers: bytes
    VkDeviceSize size = 0;
    VkFormat texelFormat = VK_FORMAT_UNDEFINED;  // typed buffer views

    void markUsed(uint64_t serial) const {
        if (buffer) buffer->lastUse = serial;
        if (texture) texture->lastUse = serial;
    }
};

class SrvImpl final : public Child<ID3D11ShaderResourceView> {
public:
    SrvImpl(Core& core, ViewTarget target, const D3D11_SHADER_RESOURCE_VIEW_DESC& desc)
        : Child(core), target(std::move(target)), desc_(desc) {}
    void GetResource(ID3D11Resource** resource) override;
    void GetDesc(D3D11_SHADER_RESOURCE_VIEW_DESC* desc) override {
        if (desc) *desc = desc_;
    }
    const D3D11_SHADER_RESOURCE_VIEW_DESC& desc() const { return desc_; }
    ViewTarget target;

private:
    ~SrvImpl() override = default;
    D3D11_SHADER_RESOURCE_VIEW_DESC desc_;
};

class UavImpl final : public Child<ID3D11UnorderedAccessView> {
public:
    UavImpl(Core& core, ViewTarget target, const D3D11_UNORDERED_ACCESS_VIEW_DESC& desc)
        : Child(core), target(std::move(target)), desc_(desc) {}
    void GetResource(ID3D11Resource** resource) override;
    void GetDesc(D3D11_UNORDERED_ACCESS_VIEW_DESC* desc) override {
        if (desc) *desc = desc_;
    }
    const D3D11_UNORDERED_ACCESS_VIEW_DESC& desc() const { return desc_; }
    ViewTarget target;

private:
    ~UavImpl() override = default;
    D3D11_UNORDERED_ACCESS_VIEW_DESC desc_;
};

class RtvImpl final : public Child<ID3D11RenderTargetView> {
public:
    RtvImpl(Core& core, ViewTarget target, const D3D11_RENDER_TARGET_VIEW_DESC& desc)
        : Child(core), target(std::move(target)), desc_(desc) {}
    void GetResource(ID3D11Resource** resource) override;
    void GetDesc(D3D11_RENDER_TARGET_VIEW_DESC* desc) override {
        if (desc) *desc = desc_;
    }
    const D3D11_RENDER_TARGET_VIEW_DESC& desc() const { return desc_; }
    VkImageView imageView() {
        return target.texture->view(target.range,
                                    target.range.layerCount > 1 ? VK_IMAGE_VIEW_TYPE_2D_ARRAY : VK_IMAGE_VIEW_TYPE_2D,
                                    VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT, debugName());
    }
    ViewTarget target;

private:
    ~RtvImpl() override = default;
    D3D11_RENDER_TARGET_VIEW_DESC desc_;
};

class DsvImpl final : public Child<ID3D11DepthStencilView> {
public:
    DsvImpl(Core& core, ViewTarget target, const D3D11_DEPTH_STENCIL_VIEW_DESC& desc)
        : Child(core), target(std::move(target)), desc_(desc) {}
    void GetResource(ID3D11Resource** resource) override;
    void GetDesc(D3D11_DEPTH_STENCIL_VIEW_DESC* desc) override {
        if (desc) *desc = desc_;
    }
    VkImageView imageView() {
        return target.texture->view(target.range,
                                    target.range.layerCount > 1 ? VK_IMAGE_VIEW_TYPE_2D_ARRAY : VK_IMAGE_VIEW_TYPE_2D,
                                    VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT, debugName());
    }
    ViewTarget target;

private:
    ~DsvImpl() override = default;
    D3D11_DEPTH_STENCIL_VIEW_DESC desc_;
};

// --------------------------------------------------------------------------
class SamplerImpl final : public Child<ID3D11SamplerState> {
public:
    SamplerImpl(Core& core, const D3D11_SAMPLER_DESC& desc, VkSampler sampler)
        : Child(core), desc_(desc), sampler(sampler) {}
    void GetDesc(D3D11_SAMPLER_DESC* desc) override {
        if (desc) *desc = desc_;
    }
    const D3D11_SAMPLER_DESC& desc() const { return desc_; }

private:
    ~SamplerImpl() override = default;  // the VkSampler belongs to the device's cache
    D3D11_SAMPLER_DESC desc_;

public:
    const VkSampler sampler;
};

template <class Interface, class Desc, char Kind>
class StateImpl final : public Child<Interface> {
public:
    StateImpl(Core& core, const Desc& desc) : Child<Interface>(core), desc_(desc) {
        id = core.internState(Kind, &desc_, sizeof(desc_));
    }
    void GetDesc(Desc* desc) override {
        if (desc) *desc = desc_;
    }
    const Desc& desc() const { return desc_; }
    uint32_t id = 0;

private:
    ~StateImpl() override = default;
    Desc desc_;
};

using RasterizerImpl = StateImpl<ID3D11RasterizerState, D3D11_RASTERIZER_DESC, 'r'>;
using BlendImpl = StateImpl<ID3D11BlendState, D3D11_BLEND_DESC, 'b'>;
using DepthStencilImpl = StateImpl<ID3D11DepthStencilState, D3D11_DEPTH_STENCIL_DESC, 'd'>;

// --------------------------------------------------------------------------
template <class Interface>
class ShaderImpl final : public Child<Interface>, public ShaderObject {
public:
    explicit ShaderImpl(Core& core) : Child<Interface>(core) { id = core.nextObjectId(); }

private:
    ~ShaderImpl() override {
        this->core().pipelines().forgetShader(id);
        if (pointSizeModule && pointSizeModule != module) this->core().retire(pointSizeModule);
        if (module) this->core().retire(module);
    }
    void onNameChanged() override {
        debugName = this->Child<Interface>::debugName();
        this->core().name(VK_OBJECT_TYPE_SHADER_MODULE, reinterpret_cast<uint64_t>(module), debugName.c_str());
    }
};

using VertexShaderImpl = ShaderImpl<ID3D11VertexShader>;
using PixelShaderImpl = ShaderImpl<ID3D11PixelShader>;
using ComputeShaderImpl = ShaderImpl<ID3D11ComputeShader>;

// --------------------------------------------------------------------------
class QueryImpl final : public Child<ID3D11Query> {
public:
    QueryImpl(Core& core, const D3D11_QUERY_DESC& desc);
    UINT GetDataSize() override;
    void GetDesc(D3D11_QUERY_DESC* desc) override {
        if (desc) *desc = desc_;
    }
    const D3D11_QUERY_DESC& desc() const { return desc_; }

    QuerySlot slot;          // timestamps
    bool ended = false;
    uint64_t endSerial = 0;  // the batch that holds the End
    bool resultKnown = false;
    uint64_t timestamp = 0;

private:
    ~QueryImpl() override;
    D3D11_QUERY_DESC desc_;
};

}  // namespace tolmero::gpu::detail
