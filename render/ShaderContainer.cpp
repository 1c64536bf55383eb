#include "render/ShaderContainer.h"

#include <algorithm>
#include <string_view>

namespace tolmero {

namespace {
constexpr std::string_view kContainerTag = "tolmero spirv v1";
static_assert(kContainerTag.size() == 16);
}  // namespace

std::vector<std::uint8_t> makeShaderContainer(std::span<const std::uint8_t> blob) {
    std::vector<std::uint8_t> container(kShaderContainerHeaderSize + blob.size());
    std::copy(kContainerTag.begin(), kContainerTag.end(), container.begin());
    const std::uint64_t length = blob.size();
    for (std::size_t i = 0; i < 8; ++i) {
        container[16 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    std::copy(blob.begin(), blob.end(), container.begin() + kShaderContainerHeaderSize);
    return container;
}

std::span<const std::uint8_t> shaderBlobOf(std::span<const std::uint8_t> container) {
    if (container.size() < kShaderContainerHeaderSize) {
        return {};
    }
    return container.subspan(kShaderContainerHeaderSize);
}

}  // namespace tolmero
