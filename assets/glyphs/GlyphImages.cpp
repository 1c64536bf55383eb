#include "assets/glyphs/GlyphImages.h"

#include "assets/glyphs/MonkeyGlyphs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include <spng.h>

namespace tolmero {

GreyImage renderGlyphImage(FontMeasure& measure, int slice, std::string_view family) {
    if (const std::optional<Monkey> monkey = monkeyOfSlice(slice))
        return drawMonkey(*monkey, measuredFrame(measure, slice, family));

    constexpr int size = kGlyphImageSize;
    constexpr int samples = kGlyphSupersampling;
    constexpr int fine = size * samples;
    // The emoji font draws its pictures with hairlines of one or two texels
    // at this size, which the text renderer's half-coverage test breaks up;
    // thickening them keeps the pictures whole. Letters need no help.
    const double embolden = slice < kEmojiGlyphCount ? kEmojiEmboldenTexels * kLayoutTexel : 0.0;
    const std::vector<std::uint8_t> coverage =
        measure.rasterize(glyphList().at(slice), family, fine, embolden);

    GreyImage image{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            unsigned sum = 0;
            for (int sy = 0; sy < samples; ++sy) {
                const std::uint8_t* row = coverage.data() +
                    static_cast<std::size_t>(y * samples + sy) * fine + x * samples;
                for (int sx = 0; sx < samples; ++sx) sum += row[sx];
            }
            constexpr unsigned count = samples * samples;
            image.texels[static_cast<std::size_t>(y) * size + x] =
                static_cast<std::uint8_t>((sum + count / 2) / count);
        }
    }
    return image;
}

InkSpan inkColumns(const GreyImage& image) {
    InkSpan span{image.width, 0};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.at(x, y) != 0) {
                span.begin = std::min(span.begin, x);
                span.end = std::max(span.end, x + 1);
            }
    if (span.end == 0) return {};
    return span;
}

InkSpan boxColumns(const GlyphInfo& info, int width) {
    return {static_cast<int>(std::floor(info.left * width)),
            static_cast<int>(std::ceil(info.right * width))};
}

namespace {

struct ContextDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

std::vector<std::uint8_t> encode(int width, int height, const std::uint8_t* rgb) {
    std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx) throw std::runtime_error("PNG encoder could not start");
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(width);
    ihdr.height = static_cast<std::uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    int err = spng_set_ihdr(ctx.get(), &ihdr);
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 3;
    if (!err) err = spng_encode_image(ctx.get(), rgb, bytes, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    std::size_t length = 0;
    void* png = err ? nullptr : spng_get_png_buffer(ctx.get(), &length, &err);
    if (!png || err) {
        std::free(png);
        throw std::runtime_error(std::string("PNG encoding failed: ") + spng_strerror(err));
    }
    std::vector<std::uint8_t> out(static_cast<std::uint8_t*>(png), static_cast<std::uint8_t*>(png) + length);
    std::free(png);
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodeGreyAsRgbPng(const GreyImage& image) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(image.texels.size() * 3);
    for (std::uint8_t v : image.texels) rgb.insert(rgb.end(), {v, v, v});
    return encode(image.width, image.height, rgb.data());
}

std::vector<std::uint8_t> encodeRgbPng(int width, int height, const std::vector<std::uint8_t>& rgb) {
    if (rgb.size() != static_cast<std::size_t>(width) * height * 3)
        throw std::invalid_argument("RGB buffer size does not match the image size");
    return encode(width, height, rgb.data());
}

}  // namespace tolmero
