#include "reference/FieldSampler.h"

#include <cmath>

namespace tolmero::reference {

namespace {

int wrapIndex(int index, int size) {
    const int wrapped = index % size;
    return wrapped < 0 ? wrapped + size : wrapped;
}

}  // namespace

float sampleBilinearWrap(const float* values, int width, int height, float u, float v) {
    const float x = u * static_cast<float>(width) - 0.5f;
    const float y = v * static_cast<float>(height) - 0.5f;
    const float x0 = std::floor(x);
    const float y0 = std::floor(y);
    const float fx = x - x0;
    const float fy = y - y0;
    const int i0 = wrapIndex(static_cast<int>(x0), width);
    const int j0 = wrapIndex(static_cast<int>(y0), height);
    const int i1 = wrapIndex(i0 + 1, width);
    const int j1 = wrapIndex(j0 + 1, height);
    auto texel = [&](int i, int j) { return values[static_cast<std::size_t>(j) * width + i]; };
    const float top = texel(i0, j0) + fx * (texel(i1, j0) - texel(i0, j0));
    const float bottom = texel(i0, j1) + fx * (texel(i1, j1) - texel(i0, j1));
    return top + fy * (bottom - top);
}

float sampleBilinearWrap(const FieldImage& image, float u, float v) {
    return sampleBilinearWrap(image.values.data(), image.width, image.height, u, v);
}

}  // namespace tolmero::reference
