#pragma once
// Creation of the GPU objects that passes bind by name, and the few immediate
// operations on targets. Every creator fills one fixed description from its
// arguments, creates the object on the current renderer's device and
// registers it in the renderer's owned-object set; it returns the raw pointer
// without an added reference. Views are never made here: binding makes them
// on the fly (render/ShaderProgram.h).

#include <array>
#include <cstdint>
#include <vector>

#include "gpu/D3D11.h"

namespace tolmero {

// Adds the object to the current renderer's owned-object set (which holds
// its creation reference until teardown or releaseObject).
void registerObject(gpu::IUnknown* object);

// Releases the object once and removes it from the set (an object that is not
// in the set is still released once). Null does nothing.
void releaseObject(gpu::IUnknown* object);

// Untyped forms of the buffer creators below.
gpu::ID3D11Buffer* createConstantBufferBytes(const void* record, std::uint32_t size);
gpu::ID3D11Buffer* createStructuredBufferBytes(const void* elements, std::uint32_t count, std::uint32_t stride,
                                               std::uint32_t bindFlags, std::uint32_t miscFlags);

// A constant buffer holding a copy of the record (dynamic, CPU-writable,
// never updated: make a new one for new values).
template <class T>
gpu::ID3D11Buffer* createConstantBuffer(const T& record) {
    return createConstantBufferBytes(&record, static_cast<std::uint32_t>(sizeof(T)));
}

// A structured buffer (stride sizeof(T)) holding a copy of the elements. The
// vector is consumed: its storage is freed and it is left empty.
template <class T>
gpu::ID3D11Buffer* createStructuredBuffer(std::vector<T>& elements, std::uint32_t bindFlags,
                                          std::uint32_t miscFlags) {
    gpu::ID3D11Buffer* buffer =
        createStructuredBufferBytes(elements.data(), static_cast<std::uint32_t>(elements.size()),
                                    static_cast<std::uint32_t>(sizeof(T)), bindFlags, miscFlags);
    std::vector<T>().swap(elements);
    return buffer;
}
template <class T>
gpu::ID3D11Buffer* createStructuredBuffer(std::vector<T>&& elements, std::uint32_t bindFlags,
                                          std::uint32_t miscFlags) {
    return createStructuredBuffer(elements, bindFlags, miscFlags);
}

// A structured buffer of `count` 16-byte elements without initial contents.
gpu::ID3D11Buffer* createStructuredBufferUninitialized(std::uint32_t count, std::uint32_t bindFlags,
                                                       std::uint32_t miscFlags);

// A 2D texture (or array) without initial contents; a full mip chain when the
// misc flags hold D3D11_RESOURCE_MISC_GENERATE_MIPS, else one level.
gpu::ID3D11Texture2D* createTexture(gpu::DXGI_FORMAT format, std::uint32_t width, std::uint32_t height,
                                    std::uint32_t bindFlags, std::uint32_t miscFlags);
gpu::ID3D11Texture2D* createTextureArray(gpu::DXGI_FORMAT format, std::uint32_t width, std::uint32_t height,
                                         std::uint32_t arraySize, std::uint32_t bindFlags, std::uint32_t miscFlags);

// A sampler with the filter on all three address axes; anisotropy 16 only for
// the anisotropic filters; every mip level.
gpu::ID3D11SamplerState* createSampler(gpu::D3D11_FILTER filter, gpu::D3D11_TEXTURE_ADDRESS_MODE addressMode,
                                       gpu::D3D11_COMPARISON_FUNC comparison);

// Sets a rasterizer state on the context until the next draw's reset.
void setRasterizerState(const gpu::D3D11_RASTERIZER_DESC& desc);

void clearTarget(gpu::ID3D11Texture2D* texture, const std::array<float, 4>& rgba);
void clearDepth(gpu::ID3D11Texture2D* texture, float depth, std::uint8_t stencil);

// Regenerates every mip of every slice of a texture made with
// D3D11_RESOURCE_MISC_GENERATE_MIPS.
void generateMips(gpu::ID3D11Texture2D* texture);

}  // namespace tolmero
