#include "DecodedImage.h"

#include <spng.h>
#include <turbojpeg.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace tolmero::images::test {

std::vector<uint8_t> readFile(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) throw std::runtime_error("cannot open " + path);
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    return bytes;
}

namespace {

struct PngDecoder {
    std::vector<uint8_t> bytes;
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx{spng_ctx_new(0), &spng_ctx_free};
    spng_ihdr ihdr{};

    explicit PngDecoder(const std::string& path) : bytes(readFile(path)) {
        if (spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size()) != 0 || spng_get_ihdr(ctx.get(), &ihdr) != 0)
            throw std::runtime_error(path + " is not a readable PNG");
    }
};

}  // namespace

PngHeader readPngHeader(const std::string& path) {
    PngDecoder d(path);
    return {d.ihdr.width, d.ihdr.height, d.ihdr.color_type, d.ihdr.bit_depth};
}

Decoded decodePng(const std::string& path) {
    PngDecoder d(path);
    Decoded out;
    out.width = static_cast<int>(d.ihdr.width);
    out.height = static_cast<int>(d.ihdr.height);
    out.channels = d.ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ? 4 : 3;
    int fmt;
    if (d.ihdr.bit_depth == 16) fmt = out.channels == 4 ? SPNG_FMT_RGBA16 : SPNG_FMT_PNG;
    else fmt = out.channels == 4 ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
    size_t size = 0;
    if (spng_decoded_image_size(d.ctx.get(), fmt, &size) != 0) throw std::runtime_error("cannot size " + path);
    std::vector<uint8_t> raw(size);
    if (spng_decode_image(d.ctx.get(), raw.data(), size, fmt, 0) != 0) throw std::runtime_error("cannot decode " + path);
    out.samples.resize(static_cast<size_t>(out.width) * out.height * out.channels);
    if (d.ihdr.bit_depth == 16) {
        // SPNG_FMT_PNG keeps the file's layout in host byte order.
        const uint16_t* s = reinterpret_cast<const uint16_t*>(raw.data());
        std::copy(s, s + out.samples.size(), out.samples.begin());
    } else {
        std::copy(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(out.samples.size()), out.samples.begin());
    }
    return out;
}

JpegHeader readJpegHeader(const std::string& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    JpegHeader h;
    // Walk the marker segments up to the first frame header.
    size_t i = 2;
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return h;
    while (i + 4 <= bytes.size()) {
        if (bytes[i] != 0xFF) return h;
        const uint8_t marker = bytes[i + 1];
        const size_t length = (static_cast<size_t>(bytes[i + 2]) << 8) | bytes[i + 3];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (i + 9 > bytes.size()) return h;
            h.baseline = marker == 0xC0;
            h.height = (bytes[i + 5] << 8) | bytes[i + 6];
            h.width = (bytes[i + 7] << 8) | bytes[i + 8];
            return h;
        }
        i += 2 + length;
    }
    return h;
}

Decoded decodeJpeg(const std::string& path) {
    std::vector<uint8_t> bytes = readFile(path);
    std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitDecompress(), &tjDestroy);
    int w = 0, h = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.get(), bytes.data(), bytes.size(), &w, &h, &subsampling, &colorspace) != 0)
        throw std::runtime_error(path + " is not a readable JPEG");
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    if (tjDecompress2(tj.get(), bytes.data(), bytes.size(), rgb.data(), w, 0, h, TJPF_RGB, 0) != 0)
        throw std::runtime_error("cannot decode " + path);
    Decoded out;
    out.width = w;
    out.height = h;
    out.channels = 3;
    out.samples.assign(rgb.begin(), rgb.end());
    return out;
}

std::string generatedAsset(const std::string& name) { return std::string(TOLMERO_BUILD_DIR) + "/assets/" + name; }

}  // namespace tolmero::images::test
