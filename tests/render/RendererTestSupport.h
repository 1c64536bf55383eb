// Shared set-up of the rendering framework's GPU tests: one headless renderer
// per test executable (validation layers on), test shaders compiled from
// tests/render/shaders, a capture of the debug channel, and readback.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gpu/D3D11.h"
#include "render/Renderer.h"
#include "render/ShaderProgram.h"
#include "tests/support/renderer/HeadlessRendererTest.h"

namespace rendertest {

// The SPIR-V of tests/render/shaders/<file>.hlsl, put into the shader cache
// under `key` ("ReadEverything.hlsl:main:cs_5_0").
tolmero::ShaderProgram loadTestShader(const std::string& key, const std::string& file);
std::vector<std::uint8_t> testShaderBlob(const std::string& file);

using RendererTest = tolmero::testsupport::HeadlessRendererTest;

// Collects the debug channel's lines while it lives.
class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    int count(const std::string& line) const;
    std::vector<std::string> lines;
};

// Copies of a resource's contents.
template <class T>
std::vector<T> readBack(tolmero::gpu::ID3D11Resource* resource, tolmero::gpu::UINT subresource, std::size_t count) {
    std::vector<T> data(count);
    EXPECT_EQ(tolmero::context()->ReadSubresource(resource, subresource, data.data(), count * sizeof(T)),
              tolmero::gpu::S_OK);
    return data;
}

}  // namespace rendertest
