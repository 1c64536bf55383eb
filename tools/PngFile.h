#pragma once
// Writes a rendered frame as a PNG file.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace tolmero {

// rgba holds width x height pixels, four bytes each, top row first. The file
// is 8-bit RGB: the window shows the back buffer opaque, whatever its alpha
// channel holds, so a still drops it too. Returns false with a message in
// `error` if the file cannot be encoded or written.
bool writePng(const std::filesystem::path& path, std::span<const std::uint8_t> rgba, std::uint32_t width,
              std::uint32_t height, std::string& error);

}  // namespace tolmero
