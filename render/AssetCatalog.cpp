#include "render/AssetCatalog.h"

#include "render/EmbeddedResources.h"

#include <fstream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace tolmero {

void listAssets(std::ostream& out) {
    for (const EmbeddedResource& resource : embeddedResources()) {
        out << resource.id << '\t' << resource.type << '\t' << resource.bytes.size() << '\t'
            << resource.name << '\n';
    }
}

std::size_t extractAssets(const std::filesystem::path& directory) {
    std::size_t written = 0;
    for (const EmbeddedResource& resource : embeddedResources()) {
        if (resource.name.empty()) {
            continue;  // an id outside the table has no name to write under
        }
        const std::filesystem::path target = directory / std::filesystem::path(resource.name);
        std::error_code error;
        std::filesystem::create_directories(target.parent_path(), error);
        if (error) {
            throw std::runtime_error("cannot create folder " + target.parent_path().string() +
                                     ": " + error.message());
        }
        std::ofstream file(target, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(resource.bytes.data()),
                   static_cast<std::streamsize>(resource.bytes.size()));
        file.close();
        if (!file) {
            throw std::runtime_error("cannot write " + target.string());
        }
        ++written;
    }
    return written;
}

}  // namespace tolmero
