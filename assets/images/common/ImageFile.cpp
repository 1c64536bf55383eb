#include "ImageFile.h"

#include <spng.h>
#include <turbojpeg.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace tolmero::images {
namespace {

void writeFile(const std::string& path, const void* data, size_t size) {
    const std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) throw std::runtime_error("cannot open " + path + " for writing");
    if (std::fwrite(data, 1, size, f.get()) != size) throw std::runtime_error("cannot write " + path);
}

void encodePng(const std::string& path, int width, int height, uint8_t colorType, uint8_t bitDepth, const void* data,
               size_t size) {
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(SPNG_CTX_ENCODER), &spng_ctx_free);
    if (!ctx) throw std::runtime_error("cannot create a PNG encoder for " + path);
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(width);
    ihdr.height = static_cast<uint32_t>(height);
    ihdr.bit_depth = bitDepth;
    ihdr.color_type = colorType;
    int err = spng_set_ihdr(ctx.get(), &ihdr);
    if (err == 0) err = spng_encode_image(ctx.get(), data, size, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    if (err != 0) throw std::runtime_error("PNG encoding of " + path + " failed: " + spng_strerror(err));
    size_t length = 0;
    void* png = spng_get_png_buffer(ctx.get(), &length, &err);
    if (!png || err != 0) throw std::runtime_error("PNG encoding of " + path + " failed: " + spng_strerror(err));
    std::unique_ptr<void, void (*)(void*)> owned(png, &std::free);
    writeFile(path, png, length);
}

void checkSize(const std::string& path, int width, int height, size_t have, size_t perPixel) {
    if (width <= 0 || height <= 0 || have != static_cast<size_t>(width) * height * perPixel)
        throw std::runtime_error("pixel buffer of " + path + " does not match its size");
}

}  // namespace

void writePng8(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels) {
    if (channels != 3 && channels != 4) throw std::runtime_error("unsupported channel count for " + path);
    checkSize(path, width, height, pixels.size(), static_cast<size_t>(channels));
    encodePng(path, width, height, channels == 4 ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR, 8,
              pixels.data(), pixels.size());
}

void writePng16Rgb(const std::string& path, int width, int height, const std::vector<uint16_t>& samples) {
    checkSize(path, width, height, samples.size(), 3);
    encodePng(path, width, height, SPNG_COLOR_TYPE_TRUECOLOR, 16, samples.data(), samples.size() * sizeof(uint16_t));
}

void writeJpeg(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb, int quality) {
    checkSize(path, width, height, rgb.size(), 3);
    std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitCompress(), &tjDestroy);
    if (!tj) throw std::runtime_error("cannot create a JPEG encoder for " + path);
    unsigned char* jpeg = nullptr;
    unsigned long length = 0;
    const int err = tjCompress2(tj.get(), rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &length, TJSAMP_444, quality,
                                TJFLAG_ACCURATEDCT);
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(jpeg, &tjFree);
    if (err != 0) throw std::runtime_error("JPEG encoding of " + path + " failed: " + tjGetErrorStr2(tj.get()));
    writeFile(path, jpeg, length);
}

std::string assetPath(const std::string& root, const std::string& assetName) {
    return (std::filesystem::path(root) / assetName).string();
}

}  // namespace tolmero::images
