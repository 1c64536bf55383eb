// What a SPIR-V module declares, read with SPIRV-Cross. The same data feeds the
// Direct3D-style reflection records (D3DReflect) and the Vulkan descriptor
// layouts of shaders.
#pragma once

#include <vulkan/vulkan.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gpu/D3D11Types.h"

namespace tolmero::gpu::detail {

// Register classes and their binding-number bases (glslc's -f*-binding-base).
enum class RegisterClass { ConstantBuffer, Sampler, Texture, Unordered };
inline constexpr uint32_t kConstantBufferBase = 0;
inline constexpr uint32_t kSamplerBase = 16;
inline constexpr uint32_t kTextureBase = 32;
inline constexpr uint32_t kUnorderedBase = 64;

char registerLetter(RegisterClass cls);

enum class ShaderStage { Vertex, Pixel, Compute, Other };

struct ReflectedResource {
    std::string name;            // HLSL name: the cbuffer's block name, else the variable's
    uint32_t binding = 0;        // binding number in the SPIR-V
    RegisterClass cls = RegisterClass::Texture;
    uint32_t reg = 0;            // binding minus the class base
    uint32_t count = 1;          // array size
    VkDescriptorType descriptorType = VK_DESCRIPTOR_TYPE_SAMPLER;
    D3D_SHADER_INPUT_TYPE type = D3D_SIT_TEXTURE;
    D3D_SRV_DIMENSION dimension = D3D_SRV_DIMENSION_UNKNOWN;
    D3D_RESOURCE_RETURN_TYPE returnType = static_cast<D3D_RESOURCE_RETURN_TYPE>(0);
    uint32_t components = 0;     // texel components of textures (1 to 4)
    bool arrayed = false;        // image declared as an array of slices
    unsigned imageFormat = 0;    // SpvImageFormat of (storage) images
    uint32_t structureStride = 0;
};

struct ReflectedVariable {
    std::string semanticName;    // "SV_Target", "SV_Position", or the HLSL name
    uint32_t semanticIndex = 0;
    uint32_t reg = 0;
    D3D_NAME systemValue = D3D_NAME_UNDEFINED;
    D3D_REGISTER_COMPONENT_TYPE componentType = D3D_REGISTER_COMPONENT_UNKNOWN;
    uint8_t mask = 0;
};

struct ShaderInterface {
    ShaderStage stage = ShaderStage::Other;
    D3D11_SHADER_VERSION_TYPE versionType = D3D11_SHVER_PIXEL_SHADER;
    uint32_t localSize[3] = {0, 0, 0};
    std::vector<ReflectedResource> resources;  // ordered: b, s, t, u; by register
    std::vector<ReflectedVariable> inputs;
    std::vector<ReflectedVariable> outputs;
};

// Checks that data holds SPIR-V words and returns them (copied, aligned).
bool spirvWords(const void* data, size_t size, std::vector<uint32_t>& words, std::string& error);

// False with a message in error when the module cannot be read.
bool reflectSpirv(const std::vector<uint32_t>& words, ShaderInterface& out, std::string& error);

}  // namespace tolmero::gpu::detail
