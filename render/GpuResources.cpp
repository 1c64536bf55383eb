#include "render/GpuResources.h"

#include "render/Renderer.h"

namespace tolmero {

using namespace gpu;

void registerObject(IUnknown* object) {
    if (object) currentRenderer()->ownedObjects.insert(object);
}

void releaseObject(IUnknown* object) {
    if (!object) return;
    if (Renderer* renderer = currentRenderer()) renderer->ownedObjects.erase(object);
    object->Release();
}

ID3D11Buffer* createConstantBufferBytes(const void* record, std::uint32_t size) {
    D3D11_BUFFER_DESC desc{};
    desc.ByteWidth = size;
    desc.Usage = D3D11_USAGE_DYNAMIC;
    desc.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
    desc.MiscFlags = 0;
    desc.StructureByteStride = 0;
    const D3D11_SUBRESOURCE_DATA data{record, 0, 0};
    ID3D11Buffer* buffer = nullptr;
    device()->CreateBuffer(&desc, &data, &buffer);
    registerObject(buffer);
    return buffer;
}

ID3D11Buffer* createStructuredBufferBytes(const void* elements, std::uint32_t count, std::uint32_t stride,
                                          std::uint32_t bindFlags, std::uint32_t miscFlags) {
    D3D11_BUFFER_DESC desc{};
    desc.ByteWidth = count * stride;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    desc.CPUAccessFlags = 0;
    desc.MiscFlags = miscFlags | D3D11_RESOURCE_MISC_BUFFER_STRUCTURED;
    desc.StructureByteStride = stride;
    const D3D11_SUBRESOURCE_DATA data{elements, 0, 0};
    ID3D11Buffer* buffer = nullptr;
    device()->CreateBuffer(&desc, elements ? &data : nullptr, &buffer);
    registerObject(buffer);
    return buffer;
}

ID3D11Buffer* createStructuredBufferUninitialized(std::uint32_t count, std::uint32_t bindFlags,
                                                  std::uint32_t miscFlags) {
    return createStructuredBufferBytes(nullptr, count, 16, bindFlags, miscFlags);
}

ID3D11Texture2D* createTextureArray(DXGI_FORMAT format, std::uint32_t width, std::uint32_t height,
                                    std::uint32_t arraySize, std::uint32_t bindFlags, std::uint32_t miscFlags) {
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = (miscFlags & D3D11_RESOURCE_MISC_GENERATE_MIPS) ? 0 : 1;  // 0: the full chain
    desc.ArraySize = arraySize;
    desc.Format = format;
    desc.SampleDesc = {1, 0};
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    desc.CPUAccessFlags = 0;
    desc.MiscFlags = miscFlags;
    ID3D11Texture2D* texture = nullptr;
    device()->CreateTexture2D(&desc, nullptr, &texture);
    registerObject(texture);
    return texture;
}

ID3D11Texture2D* createTexture(DXGI_FORMAT format, std::uint32_t width, std::uint32_t height,
                               std::uint32_t bindFlags, std::uint32_t miscFlags) {
    return createTextureArray(format, width, height, 1, bindFlags, miscFlags);
}

ID3D11SamplerState* createSampler(D3D11_FILTER filter, D3D11_TEXTURE_ADDRESS_MODE addressMode,
                                  D3D11_COMPARISON_FUNC comparison) {
    D3D11_SAMPLER_DESC desc{};
    desc.Filter = filter;
    desc.AddressU = desc.AddressV = desc.AddressW = addressMode;
    desc.MipLODBias = 0.0f;
    const bool anisotropic = filter == D3D11_FILTER_ANISOTROPIC || filter == D3D11_FILTER_COMPARISON_ANISOTROPIC;
    desc.MaxAnisotropy = anisotropic ? 16 : 1;
    desc.ComparisonFunc = comparison;
    desc.MinLOD = 0.0f;
    desc.MaxLOD = D3D11_FLOAT32_MAX;
    ID3D11SamplerState* sampler = nullptr;
    device()->CreateSamplerState(&desc, &sampler);
    registerObject(sampler);
    return sampler;
}

void setRasterizerState(const D3D11_RASTERIZER_DESC& desc) {
    ID3D11RasterizerState* state = nullptr;
    device()->CreateRasterizerState(&desc, &state);
    context()->RSSetState(state);
    if (state) state->Release();  // the context keeps it until the next ClearState
}

void clearTarget(ID3D11Texture2D* texture, const std::array<float, 4>& rgba) {
    ID3D11RenderTargetView* view = nullptr;
    device()->CreateRenderTargetView(texture, nullptr, &view);
    if (!view) return;
    context()->ClearRenderTargetView(view, rgba.data());
    view->Release();
}

void clearDepth(ID3D11Texture2D* texture, float depth, std::uint8_t stencil) {
    ID3D11DepthStencilView* view = nullptr;
    device()->CreateDepthStencilView(texture, nullptr, &view);
    if (!view) return;
    context()->ClearDepthStencilView(view, D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, depth, stencil);
    view->Release();
}

void generateMips(ID3D11Texture2D* texture) {
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc{};
    viewDesc.Format = desc.Format;
    if (desc.ArraySize == 1) {
        viewDesc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
        viewDesc.Texture2D = {0, 0xFFFFFFFF};
    } else {
        viewDesc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DARRAY;
        viewDesc.Texture2DArray = {0, 0xFFFFFFFF, 0, desc.ArraySize};
    }
    ID3D11ShaderResourceView* view = nullptr;
    device()->CreateShaderResourceView(texture, &viewDesc, &view);
    if (!view) return;
    context()->GenerateMips(view);
    view->Release();
}

}  // namespace tolmero
