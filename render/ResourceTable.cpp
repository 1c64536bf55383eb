#include "render/ResourceTable.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tolmero {

namespace {

constexpr std::string_view kShaderMarker = ".hlsl:";

struct Table {
    std::vector<std::string> names;  // sorted; entries view these
    std::vector<ResourceTableEntry> entries;
};

// Every name once, sorted by code unit (std::string compares its bytes as
// unsigned, which for these ASCII names is the order of their UTF-16 code
// units), and numbered from 300 in that order.
Table makeTable() {
    Table table;
    table.names.reserve(kResourceCount);
    for (std::string_view name : generated::kShaderAssetNames) table.names.emplace_back(name);
    for (int slice = 0; slice < kGlyphCount; ++slice) table.names.push_back(glyphFileName(slice));
    for (std::string_view name : generated::kGeneratedImageNames) table.names.emplace_back(name);
    std::sort(table.names.begin(), table.names.end());
    table.entries.reserve(table.names.size());
    for (std::size_t i = 0; i < table.names.size(); ++i) {
        table.entries.push_back({table.names[i], kFirstResourceId + static_cast<std::int32_t>(i)});
    }
    return table;
}

const Table& table() {
    static const Table made = makeTable();
    return made;
}

}  // namespace

std::span<const ResourceTableEntry> resourceTable() { return table().entries; }

int resourceTypeOfName(std::string_view name) {
    return name.find(kShaderMarker) != std::string_view::npos ? kShaderResourceType
                                                              : kImageResourceType;
}

std::optional<std::string_view> resourceNameOfId(std::int32_t id) {
    if (id < kFirstResourceId || id >= kFirstResourceId + static_cast<std::int32_t>(kResourceCount)) {
        return std::nullopt;
    }
    // The table is in id order with consecutive ids.
    return table().entries[static_cast<std::size_t>(id - kFirstResourceId)].name;
}

std::string_view shaderBaseName(std::string_view shaderName) {
    return shaderName.substr(0, shaderName.find(kShaderMarker));
}

ResourceRegistry::ResourceRegistry() {
    for (const ResourceTableEntry& entry : resourceTable()) {
        ids_.emplace(std::string(entry.name), entry.id);
    }
}

std::int32_t ResourceRegistry::resourceId(const std::string& name) const {
    return ids_.at(name);
}

}  // namespace tolmero
