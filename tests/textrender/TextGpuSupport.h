#pragma once
// Shared set-up of the text renderer's GPU tests: one headless renderer per
// executable (validation layers on, glyph atlas built), a check that no test
// causes a validation message, and 8-bit target helpers.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "gpu/D3D11.h"
#include "tests/support/renderer/HeadlessRendererTest.h"

namespace texttest {

using TextGpuTest = tolmero::testsupport::HeadlessRendererTest;

struct Rgba8Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgba;  // rows top first

    std::array<std::uint8_t, 4> at(std::uint32_t x, std::uint32_t y) const;
    bool isWhite(std::uint32_t x, std::uint32_t y) const;
    bool operator==(const Rgba8Image&) const = default;
};

// An R8G8B8A8_UNORM render target (also a shader resource), cleared to rgba.
tolmero::gpu::ID3D11Texture2D* createClearedTarget(std::uint32_t width, std::uint32_t height,
                                                   const std::array<float, 4>& rgba);
Rgba8Image readTarget(tolmero::gpu::ID3D11Texture2D* target);

}  // namespace texttest
