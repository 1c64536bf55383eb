#include "Raster.h"

namespace tolmero::images {
namespace {

// One box pass of radius r along a line of n samples taken with the given stride.
void boxLine(float* data, int n, size_t stride, int r, bool wrap, std::vector<float>& scratch) {
    scratch.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) scratch[static_cast<size_t>(i)] = data[static_cast<size_t>(i) * stride];
    auto get = [&](int i) {
        if (wrap) {
            i %= n;
            if (i < 0) i += n;
        } else {
            i = std::clamp(i, 0, n - 1);
        }
        return scratch[static_cast<size_t>(i)];
    };
    double sum = 0.0;
    for (int i = -r; i <= r; ++i) sum += get(i);
    const double inv = 1.0 / (2 * r + 1);
    for (int i = 0; i < n; ++i) {
        data[static_cast<size_t>(i) * stride] = static_cast<float>(sum * inv);
        sum += get(i + r + 1) - get(i - r);
    }
}

// Box radius whose three-fold repetition approximates a Gaussian of the given sigma.
int boxRadius(float sigma) {
    const float width = std::sqrt(4.0f * sigma * sigma + 1.0f);
    return std::max(0, static_cast<int>(std::lround((width - 1.0f) * 0.5f)));
}

template <class Access>
void blurChannels(int w, int h, float sigma, bool wrapX, bool wrapY, int channels, Access planeData) {
    const int r = boxRadius(sigma);
    if (r == 0) return;
    std::vector<float> scratch;
    for (int c = 0; c < channels; ++c) {
        float* d = planeData(c);
        const size_t stride = static_cast<size_t>(channels);
        for (int pass = 0; pass < 3; ++pass) {
            for (int y = 0; y < h; ++y) boxLine(d + static_cast<size_t>(y) * w * stride, w, stride, r, wrapX, scratch);
            for (int x = 0; x < w; ++x) boxLine(d + static_cast<size_t>(x) * stride, h, static_cast<size_t>(w) * stride, r, wrapY, scratch);
        }
    }
}

}  // namespace

Rgb ColorImage::sampleWrapped(float x, float y) const {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const float tx = x - fx;
    const float ty = y - fy;
    auto get = [&](int ix, int iy) {
        ix %= width;
        iy %= height;
        if (ix < 0) ix += width;
        if (iy < 0) iy += height;
        return at(ix, iy);
    };
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    return mix(mix(get(ix, iy), get(ix + 1, iy), tx), mix(get(ix, iy + 1), get(ix + 1, iy + 1), tx), ty);
}

void blurPlane(Plane& p, float sigma, bool wrapX, bool wrapY) {
    blurChannels(p.width, p.height, sigma, wrapX, wrapY, 1, [&](int) { return p.v.data(); });
}

void blurImage(ColorImage& img, float sigma, bool wrapX, bool wrapY) {
    float* base = reinterpret_cast<float*>(img.px.data());
    blurChannels(img.width, img.height, sigma, wrapX, wrapY, 3, [&](int c) { return base + c; });
}

std::vector<uint8_t> toRgb8(const ColorImage& img) {
    std::vector<uint8_t> out(img.px.size() * 3);
    for (size_t i = 0; i < img.px.size(); ++i) {
        const Rgb& c = img.px[i];
        out[3 * i] = static_cast<uint8_t>(std::lround(clamp01(c.r) * 255.0f));
        out[3 * i + 1] = static_cast<uint8_t>(std::lround(clamp01(c.g) * 255.0f));
        out[3 * i + 2] = static_cast<uint8_t>(std::lround(clamp01(c.b) * 255.0f));
    }
    return out;
}

}  // namespace tolmero::images
