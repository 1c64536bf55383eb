#pragma once
// Floating-point rasters for composing images before they are quantised and written.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tolmero::images {

struct Rgb {
    float r = 0.0f, g = 0.0f, b = 0.0f;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
inline float luminance(Rgb c) { return 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b; }
inline Rgb hexColor(uint32_t rgb) {
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f};
}

inline float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
inline float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
inline float mixf(float a, float b, float t) { return a + (b - a) * t; }

// The sRGB transfer curve, clamped to 0..1: images are composed in display
// values, but light adds up (and the passes scale it) in linear values.
inline float srgbDecode(float c) {
    c = clamp01(c);
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}
inline float srgbEncode(float c) {
    c = clamp01(c);
    return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f;
}

// One float channel, row-major.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<float> v;

    Plane() = default;
    Plane(int w, int h, float fill = 0.0f) : width(w), height(h), v(static_cast<size_t>(w) * h, fill) {}
    float& at(int x, int y) { return v[static_cast<size_t>(y) * width + x]; }
    float at(int x, int y) const { return v[static_cast<size_t>(y) * width + x]; }
    // Sample with wrap-around addressing.
    float wrapped(int x, int y) const {
        x %= width;
        y %= height;
        if (x < 0) x += width;
        if (y < 0) y += height;
        return at(x, y);
    }
};

// RGB float image, row-major.
struct ColorImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> px;

    ColorImage() = default;
    ColorImage(int w, int h, Rgb fill = {}) : width(w), height(h), px(static_cast<size_t>(w) * h, fill) {}
    Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
    // Bilinear sample at pixel coordinates with wrap-around addressing.
    Rgb sampleWrapped(float x, float y) const;
};

// Gaussian-like blur by three box passes; wrapX / wrapY select wrap-around at the edges
// (otherwise edges are clamped).
void blurPlane(Plane& p, float sigma, bool wrapX = true, bool wrapY = true);
void blurImage(ColorImage& img, float sigma, bool wrapX = true, bool wrapY = true);

// Quantise to 8-bit with rounding; values are clamped to [0, 1].
std::vector<uint8_t> toRgb8(const ColorImage& img);

}  // namespace tolmero::images
