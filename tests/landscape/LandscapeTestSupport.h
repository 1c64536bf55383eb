#pragma once
// Shared set-up of the landscape's GPU tests: one headless renderer per test
// executable (validation layers on), the eight random fields generated once
// and read back once, and small helpers to move images to and from the GPU.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/CameraConstant.h"
#include "gpu/D3D11.h"
#include "scene/SceneResources.h"
#include "reference/FieldSampler.h"
#include "tests/support/FinishingReference.h"
#include "tests/support/renderer/HeadlessRendererTest.h"

namespace landscapetest {

using tolmero::reference::FieldImage;
using tolmero::reference::Rgba;
using tolmero::reference::RgbaImage;

// The renderer of this executable (created on first use), with its random
// fields generated and read back.
struct SharedGpu {
    tolmero::gpu::ID3D11Texture2D* randoms = nullptr;
    tolmero::gpu::ID3D11SamplerState* linearSampler = nullptr;
    std::vector<float> fields;  // all slices, slice by slice, row by row
};
const SharedGpu& sharedGpu();

// Slice `slice` of the GPU's fields as an image for the CPU samplers.
FieldImage gpuFieldSlice(int slice);

// Each test checks that it caused no validation message.
class LandscapeTest : public tolmero::testsupport::HeadlessRendererTest {
protected:
    void SetUp() override;
};

// An R8G8B8A8_UNORM texture holding `image` (values clamped to 0..1 and
// rounded to 8 bits), with the given extra bind flags.
tolmero::gpu::ID3D11Texture2D* uploadRgba8(const RgbaImage& image, std::uint32_t bindFlags);

// Reads an R8G8B8A8_UNORM or R16G16B16A16_FLOAT texture back as floats.
RgbaImage readRgba8(tolmero::gpu::ID3D11Texture2D* texture);
RgbaImage readRgba16f(tolmero::gpu::ID3D11Texture2D* texture);

// The image as the 8-bit texture stores it.
RgbaImage quantizeTo8Bits(const RgbaImage& image);

// A constant buffer holding the record.
tolmero::gpu::ID3D11Buffer* cameraBuffer(const tolmero::CameraConstant& camera);

// Conversions between floats and stored 16-bit float values (rounded to
// nearest, ties to even).
float halfToFloat(std::uint16_t half);
std::uint16_t floatToHalfBits(float value);

}  // namespace landscapetest
