#pragma once
// Writers for the generated images. Every writer creates missing parent folders and
// throws std::runtime_error with the path on failure. Output is byte-for-byte
// deterministic: no timestamps or other variable chunks are written.
#include <cstdint>
#include <string>
#include <vector>

namespace tolmero::images {

// 8-bit PNG with 3 (RGB) or 4 (RGBA) interleaved channels.
void writePng8(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels);

// 16-bit RGB PNG; samples in host order, three per pixel.
void writePng16Rgb(const std::string& path, int width, int height, const std::vector<uint16_t>& samples);

// Baseline (sequential) JPEG from 8-bit RGB, 4:4:4 chroma.
void writeJpeg(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb, int quality);

// Joins an output root and an asset name ("sprites/...").
std::string assetPath(const std::string& root, const std::string& assetName);

}  // namespace tolmero::images
