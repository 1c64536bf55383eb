// The immediate context: the bound pipeline state (with a reference on every
// bound object) and the commands recorded from it.
#pragma once

#include <array>
#include <string>

#include "gpu/Objects.h"

namespace tolmero::gpu::detail {

class DeviceImpl;
struct DescriptorWrites;

class ContextImpl final : public ID3D11DeviceContext {
public:
    ContextImpl(Core& core, DeviceImpl& device);
    ~ContextImpl() override;

    // The immediate context lives and dies with its device: references on it
    // are references on the device.
    ULONG AddRef() override;
    ULONG Release() override;
    void GetDevice(ID3D11Device** device) override;
    HRESULT SetPrivateData(REFGUID guid, UINT dataSize, const void* data) override;
    HRESULT GetPrivateData(REFGUID guid, UINT* dataSize, void* data) override;

    void VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) override;
    void PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) override;
    void CSSetShader(ID3D11ComputeShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) override;
    void GSSetShader(ID3D11GeometryShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) override;
    void HSSetShader(ID3D11HullShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) override;
    void DSSetShader(ID3D11DomainShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) override;

    void VSSetConstantBuffers(UINT start, UINT num, ID3D11Buffer* const* buffers) override;
    void PSSetConstantBuffers(UINT start, UINT num, ID3D11Buffer* const* buffers) override;
    void CSSetConstantBuffers(UINT start, UINT num, ID3D11Buffer* const* buffers) override;
    void GSSetConstantBuffers(UINT start, UINT num, ID3D11Buffer* const* buffers) override;
    void HSSetConstantBuffers(UINT start, UINT num, ID3D11Buffer* const* buffers) override;
    void DSSetConstantBuffers(UINT start, UINT num, ID3D11Buffer* const* buffers) override;

    void VSSetSamplers(UINT start, UINT num, ID3D11SamplerState* const* samplers) override;
    void PSSetSamplers(UINT start, UINT num, ID3D11SamplerState* const* samplers) override;
    void CSSetSamplers(UINT start, UINT num, ID3D11SamplerState* const* samplers) override;
    void GSSetSamplers(UINT start, UINT num, ID3D11SamplerState* const* samplers) override;
    void HSSetSamplers(UINT start, UINT num, ID3D11SamplerState* const* samplers) override;
    void DSSetSamplers(UINT start, UINT num, ID3D11SamplerState* const* samplers) override;

    void VSSetShaderResources(UINT start, UINT num, ID3D11ShaderResourceView* const* views) override;
    void PSSetShaderResources(UINT start, UINT num, ID3D11ShaderResourceView* const* views) override;
    void CSSetShaderResources(UINT start, UINT num, ID3D11ShaderResourceView* const* views) override;
    void GSSetShaderResources(UINT start, UINT num, ID3D11ShaderResourceView* const* views) override;
    void HSSetShaderResources(UINT start, UINT num, ID3D11ShaderResourceView* const* views) override;
    void DSSetShaderResources(UINT start, UINT num, ID3D11ShaderResourceView* const* views) override;

    void CSSetUnorderedAccessViews(UINT start, UINT num, ID3D11UnorderedAccessView* const* views,
                                   const UINT* initialCounts) override;
    void OMSetRenderTargets(UINT num, ID3D11RenderTargetView* const* views, ID3D11DepthStencilView* dsv) override;
    void OMSetRenderTargetsAndUnorderedAccessViews(UINT numRTVs, ID3D11RenderTargetView* const* rtvs,
                                                   ID3D11DepthStencilView* dsv, UINT uavStart, UINT numUAVs,
                                                   ID3D11UnorderedAccessView* const* uavs,
                                                   const UINT* initialCounts) override;
    void OMSetBlendState(ID3D11BlendState* state, const FLOAT blendFactor[4], UINT sampleMask) override;
    void OMSetDepthStencilState(ID3D11DepthStencilState* state, UINT stencilRef) override;
    void RSSetState(ID3D11RasterizerState* state) override;
    void RSSetViewports(UINT num, const D3D11_VIEWPORT* viewports) override;
    void RSSetScissorRects(UINT num, const D3D11_RECT* rects) override;
    void IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology) override;
    void IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset) override;

    void Draw(UINT vertexCount, UINT startVertex) override;
    void DrawInstanced(UINT vertexCountPerInstance, UINT instanceCount, UINT startVertex, UINT startInstance) override;
    void DrawIndexedInstancedIndirect(ID3D11Buffer* argsBuffer, UINT alignedByteOffset) override;
    void Dispatch(UINT x, UINT y, UINT z) override;

    void ClearState() override;
    void ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4]) override;
    void ClearDepthStencilView(ID3D11DepthStencilView* view, UINT flags, FLOAT depth, UINT8 stencil) override;
    void ClearUnorderedAccessViewFloat(ID3D11UnorderedAccessView* view, const FLOAT values[4]) override;
    void ClearUnorderedAccessViewUint(ID3D11UnorderedAccessView* view, const UINT values[4]) override;
    void GenerateMips(ID3D11ShaderResourceView* view) override;
    void CopySubresourceRegion(ID3D11Resource* dst, UINT dstSubresource, UINT dstX, UINT dstY, UINT dstZ,
                               ID3D11Resource* src, UINT srcSubresource, const D3D11_BOX* srcBox) override;
    void CopyResource(ID3D11Resource* dst, ID3D11Resource* src) override;
    void UpdateSubresource(ID3D11Resource* dst, UINT dstSubresource, const D3D11_BOX* dstBox, const void* data,
                           UINT rowPitch, UINT depthPitch) override;
    HRESULT Map(ID3D11Resource* resource, UINT subresource, D3D11_MAP type, UINT flags,
                D3D11_MAPPED_SUBRESOURCE* mapped) override;
    void Unmap(ID3D11Resource* resource, UINT subresource) override;

    void Begin(ID3D11Asynchronous* async) override;
    void End(ID3D11Asynchronous* async) override;
    HRESULT GetData(ID3D11Asynchronous* async, void* data, UINT dataSize, UINT flags) override;
    void Flush() override;

    HRESULT ReadSubresource(ID3D11Resource* resource, UINT subresource, void* data, SIZE_T dataSize) override;

private:
    enum StageIndex { kVertex = 0, kPixel = 1, kCompute = 2, kStageCount = 3 };
    static constexpr UINT kConstantSlots = D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT;
    static constexpr UINT kSamplerSlots = D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT;
    static constexpr UINT kResourceSlots = 128;
    static constexpr UINT kUavSlots = D3D11_1_UAV_SLOT_COUNT;

    // Slots of one kind, remembering how far they are used so that clearing
    // them is cheap.
    template <class T, UINT N>
    struct Slots {
        std::array<Ref<T>, N> items;
        UINT used = 0;  // slots at and above this index are empty
        void set(UINT start, UINT count, T* const* values);
        void clear();
    };

    struct Stage {
        Ref<ID3D11DeviceChild> shader;
        ShaderObject* object = nullptr;
        Slots<BufferImpl, kConstantSlots> constants;
        Slots<SamplerImpl, kSamplerSlots> samplers;
        Slots<SrvImpl, kResourceSlots> resources;
    };

    void setShader(StageIndex stage, ID3D11DeviceChild* shader, ShaderObject* object);
    void setConstantBuffers(StageIndex stage, UINT start, UINT num, ID3D11Buffer* const* buffers);
    void setSamplers(StageIndex stage, UINT start, UINT num, ID3D11SamplerState* const* samplers);
    void setResources(StageIndex stage, UINT start, UINT num, ID3D11ShaderResourceView* const* views);
    void unsupportedStage(const char* call, const void* object);

    // Fills descriptor writes for a pipeline's bindings from the bound objects;
    // false (with a message) when something the shaders need is missing.
    bool collectDescriptors(const ProgramLayout& program, const char* what, DescriptorWrites& out);
    // Everything of a draw around the draw command itself: the pipeline, the
    // descriptors, the rendering over the bound targets, viewport and
    // scissor; `recordDraw` records the draw command.
    template <class RecordDraw>
    void drawWith(const char* what, RecordDraw recordDraw);
    void reportSkipped(const char* what, const std::string& reason);
    // The host-visible buffer that ReadSubresource copies into, kept from one
    // read to the next (a capture reads every frame back).
    VkResult readbackStaging(VkDeviceSize size);

    Core& core_;
    DeviceImpl& device_;
    std::string name_;

    Stage stages_[kStageCount];
    Slots<UavImpl, kUavSlots> computeUavs_;
    Slots<UavImpl, kUavSlots> outputUavs_;
    Slots<RtvImpl, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> renderTargets_;
    Ref<DsvImpl> depthStencilView_;
    Ref<RasterizerImpl> rasterizer_;
    Ref<BlendImpl> blend_;
    FLOAT blendFactor_[4] = {1, 1, 1, 1};
    UINT sampleMask_ = 0xffffffffu;
    Ref<DepthStencilImpl> depthStencil_;
    UINT stencilRef_ = 0;
    D3D11_VIEWPORT viewport_{};
    bool hasViewport_ = false;
    D3D11_RECT scissor_{};
    bool hasScissor_ = false;
    D3D11_PRIMITIVE_TOPOLOGY topology_ = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    Ref<BufferImpl> indexBuffer_;
    StagingBuffer readback_;
    VkDeviceSize readbackBytes_ = 0;
    VkIndexType indexType_ = VK_INDEX_TYPE_UINT32;
    UINT indexOffset_ = 0;

    uint32_t defaultRasterizerId_ = 0;
    uint32_t defaultBlendId_ = 0;
    uint32_t defaultDepthStencilId_ = 0;
};

// The pipeline state after ClearState.
const D3D11_RASTERIZER_DESC& defaultRasterizerDesc();
const D3D11_BLEND_DESC& defaultBlendDesc();
const D3D11_DEPTH_STENCIL_DESC& defaultDepthStencilDesc();

}  // namespace tolmero::gpu::detail
