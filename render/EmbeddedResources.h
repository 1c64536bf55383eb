#pragma once

// Assets compiled into the executable. The build assembles every available
// asset file into the read-only data of the program together with a table of
// (id, type, offset, size); this is the lookup over that table, the way
// FindResource / LoadResource / SizeofResource serve a Windows executable,
// and what `tolmero assets` shows and extracts of it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tolmero {

struct EmbeddedResource {
    std::int32_t id;
    int type;                              // kShaderResourceType or kImageResourceType
    std::string_view name;                 // from the resource table
    std::span<const std::uint8_t> bytes;   // valid for the life of the process
};

// The bytes of the resource with this id and type, or nothing when no such
// resource was embedded.
std::optional<std::span<const std::uint8_t>> findResource(std::int32_t id, int type);

// Every embedded resource, in id order.
const std::vector<EmbeddedResource>& embeddedResources();

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
