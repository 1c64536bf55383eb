#include "render/EmbeddedResources.h"

#include "render/ResourceTable.h"

#include <algorithm>
#include <fstream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

// Layout of one record of the table that the generated assembly emits.
struct EmbeddedRecord {
    std::uint32_t id;
    std::uint32_t type;
    std::uint64_t offset;  // from tolmero_embedded_base
    std::uint64_t size;
};
static_assert(sizeof(EmbeddedRecord) == 24);

}  // namespace

extern "C" {
extern const std::uint8_t tolmero_embedded_base[];
extern const EmbeddedRecord tolmero_embedded_records[];
extern const std::uint64_t tolmero_embedded_record_count;
}

namespace tolmero {

namespace {

std::vector<EmbeddedResource> collectResources() {
    std::vector<EmbeddedResource> resources;
    resources.reserve(tolmero_embedded_record_count);
    for (std::uint64_t i = 0; i < tolmero_embedded_record_count; ++i) {
        const EmbeddedRecord& record = tolmero_embedded_records[i];
        const auto id = static_cast<std::int32_t>(record.id);
        resources.push_back(EmbeddedResource{
            id, static_cast<int>(record.type), resourceNameOfId(id).value_or(std::string_view{}),
            std::span<const std::uint8_t>(tolmero_embedded_base + record.offset, record.size)});
    }
    std::sort(resources.begin(), resources.end(),
              [](const EmbeddedResource& a, const EmbeddedResource& b) { return a.id < b.id; });
    return resources;
}

}  // namespace

const std::vector<EmbeddedResource>& embeddedResources() {
    static const std::vector<EmbeddedResource> resources = collectResources();
    return resources;
}

std::optional<std::span<const std::uint8_t>> findResource(std::int32_t id, int type) {
    const auto& resources = embeddedResources();
    const auto it = std::lower_bound(
        resources.begin(), resources.end(), id,
        [](const EmbeddedResource& resource, std::int32_t key) { return resource.id < key; });
    if (it == resources.end() || it->id != id || it->type != type) {
        return std::nullopt;
    }
    return it->bytes;
}

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
