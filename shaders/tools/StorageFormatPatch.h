#pragma once

// Gives read-write textures their real storage format in compiled SPIR-V.
//
// The HLSL front end of glslang ignores [[vk::image_format]] and derives the
// format of a storage image from its element type (float4 -> Rgba32f, float ->
// R32f, unorm float4 -> Unknown). A device without
// shaderStorageImageReadWithoutFormat cannot read such an image, and a wrong
// format reinterprets the texels. So each read-write texture declaration may
// carry its real format as a trailing comment:
//
//   RWTexture2D<float4> source : register(u1);  // storage-format: rgba8
//
// The patch finds the variable of that name, follows its pointer type to its
// OpTypeImage and sets the image format there; a type shared by variables that
// need different formats is split. Format names are the GLSL layout names
// (rgba8, rgba16f, r32f, rgba32f, r32ui, rgb10_a2, ...).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolmero::spirv {

struct StorageFormatAnnotation {
    std::string variable;
    std::string formatName;
    std::uint32_t format = 0;  // SPIR-V Image Format value
    std::string location;      // "file:line", for messages
};

// SPIR-V Image Format of a layout name, if it is one.
std::optional<std::uint32_t> imageFormatFromName(std::string_view name);

// Annotations of one HLSL text. Throws std::runtime_error for an annotation
// that is not the trailing comment of a read-write texture declaration, or
// that names an unknown format.
std::vector<StorageFormatAnnotation> parseStorageFormatAnnotations(std::string_view text,
                                                                   const std::string& fileName);

// Annotations of a source file and of the files it includes (#include "..."),
// found beside the including file or in includeDirs.
std::vector<StorageFormatAnnotation> readStorageFormatAnnotations(
    const std::filesystem::path& source, const std::vector<std::filesystem::path>& includeDirs);

// The module with every annotated storage image given its format. A module
// that no annotation applies to comes back unchanged, word for word. Throws
// std::runtime_error when an annotation cannot be applied.
std::vector<std::uint32_t> applyStorageFormats(std::span<const std::uint32_t> module,
                                               const std::vector<StorageFormatAnnotation>& annotations);

}  // namespace tolmero::spirv
