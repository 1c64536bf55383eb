#pragma once

// Assets compiled into the executable. The build assembles every available
// asset file into the read-only data of the program together with a table of
// (id, type, offset, size); this is the lookup over that table, the way
// FindResource / LoadResource / SizeofResource serve a Windows executable.

#include <cstdint>
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

}  // namespace tolmero
