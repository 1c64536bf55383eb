#pragma once

// What `tolmero assets` shows and extracts: the embedded assets by id.

#include <cstddef>
#include <filesystem>
#include <iosfwd>

namespace tolmero {

// One line per embedded asset, in id order: id, type, size in bytes, name,
// separated by tabs.
void listAssets(std::ostream& out);

// Writes every embedded asset's bytes to directory/<name>, creating folders
// as needed. Shaders are written as their whole container under their full
// name, colons included ("SkyPixel.hlsl:main:ps_5_0"). Returns the number of
// files written; throws std::runtime_error naming the file that could not be
// written.
std::size_t extractAssets(const std::filesystem::path& directory);

}  // namespace tolmero
