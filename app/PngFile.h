#pragma once
// Writes 8-bit RGBA pixels as a PNG file.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace tolmero {

// rgba holds width x height pixels, four bytes each, top row first. Returns
// false with a message in `error` if the file cannot be encoded or written.
bool writePng(const std::filesystem::path& path, std::span<const std::uint8_t> rgba, std::uint32_t width,
              std::uint32_t height, std::string& error);

}  // namespace tolmero
