#pragma once

// The container an embedded shader is stored in, little-endian:
//   offset  0: 16 opaque bytes (a tag written by the build; nothing reads it)
//   offset 16: 64-bit length N of the shader blob
//   offset 24: the blob (SPIR-V words), N bytes
// Readers take the blob length from the container size, not from the length
// field.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolmero {

inline constexpr std::size_t kShaderContainerHeaderSize = 24;

// Wraps a compiled blob into a container.
std::vector<std::uint8_t> makeShaderContainer(std::span<const std::uint8_t> blob);

// The blob inside a container: everything after the 24-byte header. A
// container shorter than its header holds no blob (an empty span) rather than
// a length that wrapped around.
std::span<const std::uint8_t> shaderBlobOf(std::span<const std::uint8_t> container);

}  // namespace tolmero
