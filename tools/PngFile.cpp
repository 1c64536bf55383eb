#include "tools/PngFile.h"

#include <spng.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "tools/OutputFile.h"

namespace tolmero {

bool writePng(const std::filesystem::path& path, std::span<const std::uint8_t> rgba, std::uint32_t width,
              std::uint32_t height, std::string& error) {
    if (rgba.size() != static_cast<std::size_t>(width) * height * 4) {
        error = "the image has " + std::to_string(rgba.size()) + " bytes, not " + std::to_string(width) + " x " +
                std::to_string(height) + " x 4";
        return false;
    }
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(SPNG_CTX_ENCODER), spng_ctx_free);
    if (!ctx) {
        error = "cannot start the PNG encoder";
        return false;
    }
    spng_ihdr header{};
    header.width = width;
    header.height = height;
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t pixel = 0; pixel < rgb.size() / 3; ++pixel)
        for (int channel = 0; channel < 3; ++channel) rgb[pixel * 3 + channel] = rgba[pixel * 4 + channel];
    // Encoded in memory first, so that the file is written in one piece.
    // The pixels are sRGB-encoded; say so (rendering intent 0, perceptual).
    int result = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    if (!result) result = spng_set_ihdr(ctx.get(), &header);
    if (!result) result = spng_set_srgb(ctx.get(), 0);
    if (!result)
        result = spng_encode_image(ctx.get(), rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    if (result) {
        error = "cannot encode " + path.string() + ": " + spng_strerror(result);
        return false;
    }
    std::size_t size = 0;
    std::unique_ptr<void, decltype(&std::free)> png(spng_get_png_buffer(ctx.get(), &size, &result), std::free);
    if (!png || result) {
        error = "cannot encode " + path.string() + ": " + spng_strerror(result);
        return false;
    }
    return writeFileReplacing(path, {static_cast<const std::uint8_t*>(png.get()), size}, error);
}

}  // namespace tolmero
