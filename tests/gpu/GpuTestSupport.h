// Shared set-up of the GPU layer tests: one device per test executable (with
// the validation layers on), owning pointers, shader loading, readback and a
// capture of the debug channel.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gpu/D3D11.h"

namespace gputest {

using namespace tolmero::gpu;

// Owns one reference on a layer object.
template <class T>
class Com {
public:
    Com() = default;
    explicit Com(T* p) : p_(p) {}
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Com(Com&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Com& operator=(Com&& o) noexcept {
        reset();
        p_ = std::exchange(o.p_, nullptr);
        return *this;
    }
    ~Com() { reset(); }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** out() {
        reset();
        return &p_;
    }
    T* const* address() const { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The device of this test executable, created on first use.
ID3D11Device* device();
ID3D11DeviceContext* context();

// Every test checks that it caused no validation message and leaves the
// context cleared.
class GpuTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    ID3D11Device* dev = nullptr;
    ID3D11DeviceContext* ctx = nullptr;

private:
    UINT validationBefore_ = 0;
};

// Collects the debug channel's lines while it lives (and still prints them).
class DebugLines {
public:
    DebugLines();
    ~DebugLines();
    bool contains(const std::string& text) const;
    std::string all() const;
    std::vector<std::string> lines;
};

std::vector<uint32_t> shaderCode(const std::string& name);
Com<ID3D11VertexShader> vertexShader(const std::string& name);
Com<ID3D11PixelShader> pixelShader(const std::string& name);
Com<ID3D11ComputeShader> computeShader(const std::string& name);

Com<ID3D11Buffer> makeBuffer(UINT byteWidth, UINT bindFlags, UINT stride, const void* data,
                             D3D11_USAGE usage = D3D11_USAGE_DEFAULT, UINT cpuAccess = 0);
Com<ID3D11Buffer> makeConstantBuffer(const void* data, UINT byteWidth);
Com<ID3D11Texture2D> makeTexture(DXGI_FORMAT format, UINT width, UINT height, UINT bindFlags, UINT mipLevels = 1,
                                 UINT arraySize = 1, UINT miscFlags = 0,
                                 const D3D11_SUBRESOURCE_DATA* data = nullptr);
Com<ID3D11ShaderResourceView> srv(ID3D11Resource* resource);
Com<ID3D11UnorderedAccessView> uav(ID3D11Resource* resource);
Com<ID3D11RenderTargetView> rtv(ID3D11Resource* resource);
Com<ID3D11SamplerState> sampler(D3D11_FILTER filter, D3D11_TEXTURE_ADDRESS_MODE address);

template <class T>
std::vector<T> readBuffer(ID3D11Buffer* buffer) {
    D3D11_BUFFER_DESC desc;
    buffer->GetDesc(&desc);
    std::vector<T> out(desc.ByteWidth / sizeof(T));
    EXPECT_EQ(context()->ReadSubresource(buffer, 0, out.data(), out.size() * sizeof(T)), S_OK);
    return out;
}

template <class T>
std::vector<T> readTexture(ID3D11Texture2D* texture, UINT subresource, UINT texelBytes) {
    D3D11_TEXTURE2D_DESC desc;
    texture->GetDesc(&desc);
    UINT mip = subresource % desc.MipLevels;
    size_t w = std::max(1u, desc.Width >> mip), h = std::max(1u, desc.Height >> mip);
    std::vector<T> out(w * h * texelBytes / sizeof(T));
    EXPECT_EQ(context()->ReadSubresource(texture, subresource, out.data(), out.size() * sizeof(T)), S_OK);
    return out;
}

struct Rgba8 {
    uint8_t r, g, b, a;
};
// One texel of an 8-bit RGBA image read back row by row.
inline Rgba8 texel(const std::vector<uint8_t>& image, UINT width, UINT x, UINT y) {
    const uint8_t* p = &image[(size_t(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

}  // namespace gputest
