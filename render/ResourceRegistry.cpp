#include "render/ResourceRegistry.h"

#include "render/ResourceTable.h"

namespace tolmero {

ResourceRegistry::ResourceRegistry() {
    for (const ResourceTableEntry& entry : resourceTable()) {
        ids_.emplace(std::string(entry.name), entry.id);
    }
}

std::int32_t ResourceRegistry::resourceId(const std::string& name) const {
    return ids_.at(name);
}

}  // namespace tolmero
