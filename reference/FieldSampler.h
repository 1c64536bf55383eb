#pragma once
// Bilinear sampling of a one-channel image with wrapping, as a linear sampler
// reads mip level 0: the texel centres sit at (i + 0.5) / width, and the four
// texels around the point are blended by the point's fractional position.

#include <cstdint>
#include <vector>

namespace tolmero::reference {

struct FieldImage {
    int width = 0;
    int height = 0;
    std::vector<float> values;  // row by row, top row first

    float at(int i, int j) const { return values[static_cast<std::size_t>(j) * width + i]; }
};

float sampleBilinearWrap(const FieldImage& image, float u, float v);

// The same over raw row-major values of the given size.
float sampleBilinearWrap(const float* values, int width, int height, float u, float v);

}  // namespace tolmero::reference
