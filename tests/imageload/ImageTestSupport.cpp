#include "tests/imageload/ImageTestSupport.h"

#include <spng.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "render/ImageLoader.h"
#include "render/Renderer.h"

namespace imagetest {

using namespace tolmero;

std::vector<std::uint8_t> encodePng(const PngLayout& png) {
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(SPNG_CTX_ENCODER), &spng_ctx_free);
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, 1);
    spng_ihdr ihdr{};
    ihdr.width = png.width;
    ihdr.height = png.height;
    ihdr.bit_depth = static_cast<std::uint8_t>(png.bitDepth);
    ihdr.color_type = static_cast<std::uint8_t>(png.colourType);
    spng_set_ihdr(ctx.get(), &ihdr);
    if (!png.palette.empty()) {
        spng_plte plte{};
        plte.n_entries = static_cast<std::uint32_t>(png.palette.size() / 3);
        for (std::uint32_t i = 0; i < plte.n_entries; ++i)
            plte.entries[i] = {png.palette[3 * i], png.palette[3 * i + 1], png.palette[3 * i + 2], 255};
        spng_set_plte(ctx.get(), &plte);
    }
    if (!png.paletteAlpha.empty() || !png.transparentColour.empty()) {
        spng_trns trns{};
        trns.n_type3_entries = static_cast<std::uint32_t>(png.paletteAlpha.size());
        std::copy(png.paletteAlpha.begin(), png.paletteAlpha.end(), trns.type3_alpha);
        if (png.transparentColour.size() == 1) trns.gray = png.transparentColour[0];
        if (png.transparentColour.size() == 3) {
            trns.red = png.transparentColour[0];
            trns.green = png.transparentColour[1];
            trns.blue = png.transparentColour[2];
        }
        spng_set_trns(ctx.get(), &trns);
    }
    const int status = spng_encode_image(ctx.get(), png.samples.data(), png.samples.size(), SPNG_FMT_PNG,
                                         SPNG_ENCODE_FINALIZE);
    if (status != 0) throw std::runtime_error(std::string("PNG encoding: ") + spng_strerror(status));
    std::size_t size = 0;
    int error = 0;
    void* encoded = spng_get_png_buffer(ctx.get(), &size, &error);
    if (!encoded) throw std::runtime_error("PNG encoding: no buffer");
    std::vector<std::uint8_t> bytes(static_cast<std::uint8_t*>(encoded), static_cast<std::uint8_t*>(encoded) + size);
    std::free(encoded);
    return bytes;
}

std::vector<std::uint8_t> rgbaPng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba) {
    return encodePng({width, height, 6, 8, rgba, {}, {}, {}});
}

std::vector<std::uint8_t> rgbPng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb) {
    return encodePng({width, height, 2, 8, rgb, {}, {}, {}});
}

std::vector<std::uint8_t> encodeJpeg(std::uint32_t width, std::uint32_t height, int channels,
                                     const std::vector<std::uint8_t>& samples) {
    std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitCompress(), &tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int format = channels == 1 ? TJPF_GRAY : TJPF_RGB;
    const int subsampling = channels == 1 ? TJSAMP_GRAY : TJSAMP_444;
    if (tjCompress2(tj.get(), samples.data(), static_cast<int>(width), 0, static_cast<int>(height), format, &jpeg,
                    &size, subsampling, 100, TJFLAG_ACCURATEDCT) != 0)
        throw std::runtime_error(std::string("JPEG encoding: ") + tjGetErrorStr2(tj.get()));
    std::vector<std::uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    return bytes;
}

double srgbToLinear(std::uint8_t value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::vector<std::uint8_t> readSubresource(gpu::ID3D11Resource* resource, gpu::UINT subresource, std::size_t bytes) {
    std::vector<std::uint8_t> data(bytes);
    EXPECT_EQ(context()->ReadSubresource(resource, subresource, data.data(), bytes), gpu::S_OK);
    return data;
}

TestImages::TestImages() {
    setImageBytesLookupForTesting([this](const std::string& name) -> std::optional<std::span<const std::uint8_t>> {
        const auto found = images_.find(name);
        if (found == images_.end()) return std::nullopt;
        return std::span<const std::uint8_t>(found->second);
    });
}

TestImages::~TestImages() { setImageBytesLookupForTesting({}); }

void TestImages::add(const std::string& name, std::vector<std::uint8_t> bytes) { images_[name] = std::move(bytes); }

DebugCapture::DebugCapture() {
    gpu::setDebugOutput([this](std::string_view line) { lines.emplace_back(line); });
}

DebugCapture::~DebugCapture() { gpu::setDebugOutput({}); }

}  // namespace imagetest
