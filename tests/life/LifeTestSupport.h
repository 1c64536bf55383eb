#pragma once
// Shared set-up of the GPU tests of the vegetation, machines, stumps and
// characters: one headless renderer per test executable (validation layers
// on), a check that each test caused no validation message, and helpers to
// build cameras, run the capture programs and read results back.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CameraConstant.h"
#include "gpu/D3D11.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "scene/SceneResources.h"
#include "tests/support/renderer/HeadlessRendererTest.h"

namespace lifetest {

// The executable's renderer and its linear sampler (trilinear, wrapping).
tolmero::gpu::ID3D11SamplerState* sharedSampler();

// Each test checks that it caused no validation message.
class LifeTest : public tolmero::testsupport::HeadlessRendererTest {
protected:
    void SetUp() override;
};

// Loads a test program compiled from tests/life/shaders/<name>.hlsl and
// returns the key to dispatch it by.
std::string loadTestProgram(const std::string& name);

// A buffer read back whole as elements of T.
template <class T>
std::vector<T> readBuffer(tolmero::gpu::ID3D11Buffer* buffer, std::size_t count) {
    std::vector<T> elements(count);
    EXPECT_EQ(tolmero::context()->ReadSubresource(buffer, 0, elements.data(), count * sizeof(T)), tolmero::gpu::S_OK);
    return elements;
}

// A camera at `eye` with the production's look-at frame and projection for
// a target of the given size: every field the scene programs read.
tolmero::CameraConstant makeCamera(std::array<float, 3> eye, float pitch, float yaw, float fieldOfViewDegrees,
                                   std::uint32_t width, std::uint32_t height);

// A scene colour target (RGBA8) and depth target (D32) of the given size,
// cleared to black with alpha 0 and depth 1, in a SceneResources record with
// the shared sampler; released by releaseTargets.
tolmero::SceneResources makeTargets(std::uint32_t width, std::uint32_t height);
void releaseTargets(tolmero::SceneResources& scene);

struct Pixels {
    std::uint32_t width = 0, height = 0;
    std::vector<std::array<std::uint8_t, 4>> rgba;  // row by row, top row first
    std::vector<float> depth;

    const std::array<std::uint8_t, 4>& at(std::uint32_t x, std::uint32_t y) const { return rgba[y * width + x]; }
    float depthAt(std::uint32_t x, std::uint32_t y) const { return depth[y * width + x]; }
    // Whether anything was drawn at the pixel (the depth left 1.0).
    bool drawn(std::uint32_t x, std::uint32_t y) const { return depthAt(x, y) < 1.0f; }
};

Pixels readTargets(const tolmero::SceneResources& scene);

// A mip-mapped RGBA8 texture array whose every texel of slice s is colours[s].
tolmero::gpu::ID3D11Texture2D* uniformArray(const std::vector<std::array<float, 4>>& colours, std::uint32_t size);

// An 8-bit channel value as the target stores a float (rounded).
float stored8(float value);

}  // namespace lifetest
