#pragma once
// Decoding of the generated PNG and JPEG files for the image tests.
#include <cstdint>
#include <string>
#include <vector>

namespace tolmero::images::test {

struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int colorType = -1;  // 2 = RGB, 6 = RGBA
    int bitDepth = 0;
};

struct JpegHeader {
    int width = 0;
    int height = 0;
    bool baseline = false;  // a start-of-frame 0 (baseline DCT) marker, no progressive frame
};

// Samples of one image, interleaved; 8-bit images widen to uint16 without scaling.
struct Decoded {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint16_t> samples;

    uint16_t at(int x, int y, int c) const {
        return samples[(static_cast<size_t>(y) * width + x) * channels + c];
    }
};

std::vector<uint8_t> readFile(const std::string& path);
PngHeader readPngHeader(const std::string& path);
JpegHeader readJpegHeader(const std::string& path);
// Decodes a PNG in its own format: RGB or RGBA, 8 or 16 bits.
Decoded decodePng(const std::string& path);
// Decodes a JPEG to 8-bit RGB.
Decoded decodeJpeg(const std::string& path);

// Where the build writes the generated assets.
std::string generatedAsset(const std::string& name);

}  // namespace tolmero::images::test
