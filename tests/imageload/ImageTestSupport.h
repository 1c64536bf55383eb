// Shared pieces of the image-loading tests: test images encoded in memory
// (PNG with libspng, JPEG with libjpeg-turbo), the one headless renderer of a
// GPU test executable with its validation check, and readback.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gpu/D3D11.h"
#include "tests/support/renderer/HeadlessRendererTest.h"

namespace imagetest {

// A PNG of the given colour type (0 grey, 2 RGB, 3 palette, 4 grey + alpha,
// 6 RGBA) and bit depth; `samples` in the PNG's own layout, 16-bit samples as
// host-order uint16 pairs of bytes. palette: RGB triples; transparency: the
// tRNS chunk (palette alphas, or one grey / RGB colour as 16-bit values).
struct PngLayout {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int colourType = 6;
    int bitDepth = 8;
    std::vector<std::uint8_t> samples;
    std::vector<std::uint8_t> palette;
    std::vector<std::uint8_t> paletteAlpha;
    std::vector<std::uint16_t> transparentColour;  // 1 value (grey) or 3 (RGB)
};
std::vector<std::uint8_t> encodePng(const PngLayout& png);

// 8-bit RGBA or RGB samples, row by row, as a PNG.
std::vector<std::uint8_t> rgbaPng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba);
std::vector<std::uint8_t> rgbPng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb);

// A baseline JPEG, 4:4:4, quality 100, from RGB (3 channels) or grey (1).
std::vector<std::uint8_t> encodeJpeg(std::uint32_t width, std::uint32_t height, int channels,
                                     const std::vector<std::uint8_t>& samples);

// sRGB-encoded 8-bit value to its linear value in 0..1.
double srgbToLinear(std::uint8_t value);

// A GPU test: the renderer exists, and the test fails if it caused any
// validation message.
using GpuTest = tolmero::testsupport::HeadlessRendererTest;

// A subresource's texels (rows packed, top row first) as bytes.
std::vector<std::uint8_t> readSubresource(tolmero::gpu::ID3D11Resource* resource, tolmero::gpu::UINT subresource,
                                          std::size_t bytes);

// Makes loadImageTexture find these names (bytes kept here) before the
// embedded images while it lives.
class TestImages {
public:
    TestImages();
    ~TestImages();
    void add(const std::string& name, std::vector<std::uint8_t> bytes);

private:
    std::map<std::string, std::vector<std::uint8_t>> images_;
};

// Collects the debug channel's lines while it lives.
class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    std::vector<std::string> lines;
};

}  // namespace imagetest
