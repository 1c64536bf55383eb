#include "CairoLayer.h"

#include <cmath>
#include <stdexcept>

namespace tolmero::images {

CairoLayer::CairoLayer(int width, int height)
    : width_(width), height_(height), surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS || cairo_status(cr_) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot create a cairo surface");
}

CairoLayer::~CairoLayer() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

void CairoLayer::clear() {
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void CairoLayer::fill(Rgb c) {
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    setColor(cr_, c);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

CairoLayer::Pixel CairoLayer::pixel(int x, int y) const {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    const uint32_t v = *reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride + 4 * x);
    return {((v >> 16) & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, (v & 255) / 255.0f, (v >> 24) / 255.0f};
}

void CairoLayer::compositeOver(ColorImage& img) const {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width_; ++x) {
            const uint32_t v = row[x];
            const uint32_t a8 = v >> 24;
            if (a8 == 0) continue;
            const float a = a8 / 255.0f;
            Rgb& d = img.at(x, y);
            d.r = ((v >> 16) & 255) / 255.0f + d.r * (1.0f - a);
            d.g = ((v >> 8) & 255) / 255.0f + d.g * (1.0f - a);
            d.b = (v & 255) / 255.0f + d.b * (1.0f - a);
        }
    }
}

Plane CairoLayer::alpha() const {
    cairo_surface_flush(surface_);
    Plane p(width_, height_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width_; ++x) p.at(x, y) = (row[x] >> 24) / 255.0f;
    }
    return p;
}

std::vector<uint8_t> CairoLayer::rgba8(float cutoff) const {
    cairo_surface_flush(surface_);
    std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * 4);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width_; ++x) {
            const uint32_t v = row[x];
            const uint32_t a = v >> 24;
            uint8_t* o = &out[(static_cast<size_t>(y) * width_ + x) * 4];
            const bool keep = cutoff > 0.0f ? a >= static_cast<uint32_t>(std::lround(cutoff * 255.0f)) : a > 0;
            if (!keep || a == 0) {
                o[0] = o[1] = o[2] = o[3] = 0;
                continue;
            }
            // Undo cairo's premultiplication.
            auto un = [a](uint32_t c) { return static_cast<uint8_t>(std::min<uint32_t>(255u, (c * 255u + a / 2) / a)); };
            o[0] = un((v >> 16) & 255);
            o[1] = un((v >> 8) & 255);
            o[2] = un(v & 255);
            o[3] = cutoff > 0.0f ? 255 : static_cast<uint8_t>(a);
        }
    }
    return out;
}

std::vector<uint8_t> CairoLayer::flattenedRgba8(Rgb background) const {
    cairo_surface_flush(surface_);
    std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * 4);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    const float bg[3] = {background.r * 255.0f, background.g * 255.0f, background.b * 255.0f};
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width_; ++x) {
            const uint32_t v = row[x];
            const float a = (v >> 24) / 255.0f;
            const uint32_t c[3] = {(v >> 16) & 255, (v >> 8) & 255, v & 255};
            uint8_t* o = &out[(static_cast<size_t>(y) * width_ + x) * 4];
            for (int k = 0; k < 3; ++k)
                o[k] = static_cast<uint8_t>(std::lround(std::min(255.0f, c[k] + bg[k] * (1.0f - a))));
            o[3] = 255;
        }
    }
    return out;
}

}  // namespace tolmero::images
