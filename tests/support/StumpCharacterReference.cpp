#include "tests/support/StumpCharacterReference.h"

#include <cmath>

#include "reference/RandomReference.h"
#include "reference/VegetationReference.h"

namespace tolmero::reference {

float stumpThreshold(std::uint32_t px, std::uint32_t py, int quad, const std::array<float, 3>& w, float growth) {
    if (quad == 0) return 0.0f;
    RandomState state{0u, px, py};
    const float noise = unit(state.next());
    return -0.1f * noise + 0.01f * static_cast<float>(quad) + growth + 10.0f * w[1] +
           0.1f * std::cos(50000.0f * w[0]) * std::cos(50000.0f * w[2]) * std::cos(50000.0f * w[1]);
}

StumpPixelFate stumpPixelFate(float threshold, const std::array<float, 3>& texelRgb, float lod) {
    if (isBackgroundWhite(texelRgb[0], texelRgb[1], texelRgb[2], lod) || threshold > 1.0f)
        return StumpPixelFate::Discard;
    return threshold > 0.9f ? StumpPixelFate::White : StumpPixelFate::Image;
}

float stumpDepthOffset(int quad) {
    if (quad < 1) return 0.0f;
    RandomState state{3u, 2u, static_cast<std::uint32_t>(quad)};
    for (int i = 0; i < 3; ++i) mix96(state.a, state.b, state.c);
    return 0.0004f * unit(state.c);
}

float characterAspect(std::uint32_t frame, const float* aspectRatios, std::uint32_t frameCount) {
    return frame < frameCount ? aspectRatios[frame] : 0.0f;
}

bool characterPixelColour(const std::array<float, 4>& texel, std::array<float, 4>& colour) {
    if (texel[3] < 0.98f) return false;
    for (int c = 0; c < 4; ++c) colour[c] = std::pow(texel[c], 1.4f) * 0.5f;
    return true;
}

}  // namespace tolmero::reference
