#pragma once

// The names and ids of every asset that the production embeds (the compiled
// shader containers and the images), and the registry that maps a name to
// its id. The build lists the shaders and the generated images (AssetNames.h,
// made from shaders/ and the image generators of assets/); the glyph bitmaps
// are named by the glyph table. An asset's id is 300 plus the position of its
// name in ordinal (code-unit) order, so shader names (upper case) come first,
// then the glyph bitmaps under "cache/fonts/", then "sprites/".

#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "AssetNames.h"
#include "text/GlyphTable.h"

namespace tolmero {

// Resource types, as stored beside each embedded asset.
inline constexpr int kShaderResourceType = 256;  // shader container
inline constexpr int kImageResourceType = 257;   // PNG or JPEG file, unchanged

inline constexpr std::int32_t kFirstResourceId = 300;
inline constexpr std::size_t kShaderResourceCount = std::size(generated::kShaderAssetNames);
inline constexpr std::size_t kImageResourceCount =
    static_cast<std::size_t>(kGlyphCount) + std::size(generated::kGeneratedImageNames);
inline constexpr std::size_t kResourceCount = kShaderResourceCount + kImageResourceCount;

struct ResourceTableEntry {
    std::string_view name;
    std::int32_t id;
};

// All (name, id) pairs in id order.
std::span<const ResourceTableEntry> resourceTable();

// Type of the asset with this name: shaders are named "<Base>.hlsl:main:<target>".
int resourceTypeOfName(std::string_view name);

// Name of the asset with this id, if the id belongs to the table.
std::optional<std::string_view> resourceNameOfId(std::int32_t id);

// Base name of a shader asset ("SkyPixel" for "SkyPixel.hlsl:main:ps_5_0"),
// which is also the name of its source file and of its compiled container.
std::string_view shaderBaseName(std::string_view shaderName);

// Maps every asset name ("sprites/dither.png", "SkyPixel.hlsl:main:ps_5_0")
// to the id under which the asset is embedded. Filled once from the table
// and never changed afterwards.
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
