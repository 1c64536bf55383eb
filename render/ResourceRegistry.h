#pragma once

// Maps every asset name ("sprites/dither.png", "SkyPixel.hlsl:main:ps_5_0")
// to the id under which the asset is embedded. Filled once from the constant
// resource table and never changed afterwards.

#include <cstdint>
#include <map>
#include <string>

namespace tolmero {

class ResourceRegistry {
public:
    ResourceRegistry();

    // The id stored for exactly this name (case-sensitive, no path
    // normalisation). An unknown name is a programming error: the map's
    // checked access throws std::out_of_range.
    std::int32_t resourceId(const std::string& name) const;

    const std::map<std::string, std::int32_t>& entries() const { return ids_; }

private:
    // std::string compares bytes; all asset names are ASCII, so this is the
    // same order as UTF-16 code units.
    std::map<std::string, std::int32_t> ids_;
};

}  // namespace tolmero
