// Shader modules, descriptor layouts and the pipeline cache.
//
// Bindings: glslc places each register class at a binding base (b 0, s 16,
// t 32, u 64), so binding = base + register. Direct3D gives the vertex and pixel
// stages separate b, s and t registers but shares u registers between them,
// while a Vulkan pipeline has one binding space. The pixel stage's b, s and t
// bindings are therefore moved up by kPixelStageOffset when its module is made.
// All bindings of a pipeline form one push-descriptor set.
#pragma once

#include <vulkan/vulkan.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gpu/D3D11Types.h"
#include "gpu/Reflection.h"

namespace tolmero::gpu::detail {

class Core;

inline constexpr uint32_t kPixelStageOffset = 128;

struct ShaderObject {
    uint64_t id = 0;
    VkShaderModule module = VK_NULL_HANDLE;
    ShaderInterface iface;
    std::string debugName;  // for messages
    // Vertex shaders: their code, and a variant that writes a point size of 1
    // (made on first use), since Vulkan needs one for point lists and
    // Direct3D draws one-pixel points.
    std::vector<uint32_t> code;
    VkShaderModule pointSizeModule = VK_NULL_HANDLE;
};

// Adds `PointSize = 1.0` to a vertex shader that does not write a point size;
// false if it already does (or the module has no entry function).
bool addPointSize(std::vector<uint32_t>& words);

// Builds the module of a shader whose stage has been checked; false with a
// message on failure.
bool createShaderModule(Core& core, const std::vector<uint32_t>& words, ShaderObject& shader, std::string& error);

// One descriptor binding of a pipeline and where its object comes from.
struct SlotBinding {
    uint32_t binding = 0;
    VkDescriptorType type = VK_DESCRIPTOR_TYPE_SAMPLER;
    uint32_t count = 1;
    ShaderStage stage = ShaderStage::Vertex;  // whose slots feed it (u slots: pixel = output merger)
    RegisterClass cls = RegisterClass::Texture;
    uint32_t reg = 0;
    bool arrayed = false;
    unsigned spirvFormat = 0;                 // storage images: the declared format
    const char* name = "";                    // the HLSL name (owned by the shader)
};

struct ProgramLayout {
    VkDescriptorSetLayout setLayout = VK_NULL_HANDLE;
    VkPipelineLayout layout = VK_NULL_HANDLE;
    std::vector<SlotBinding> slots;
    uint32_t descriptorCount = 0;
};

// Everything a graphics pipeline depends on besides the shaders' code. State
// objects enter as interned description ids, so equal states share pipelines.
struct GraphicsKey {
    uint64_t vs = 0;
    uint64_t ps = 0;
    uint32_t topology = 0;
    uint32_t rasterizer = 0;
    uint32_t blend = 0;
    uint32_t depthStencil = 0;
    uint32_t sampleMask = 0;
    uint32_t colorCount = 0;
    VkFormat colors[8] = {};
    VkFormat depth = VK_FORMAT_UNDEFINED;

    bool operator==(const GraphicsKey& o) const;
};

struct GraphicsKeyHash {
    size_t operator()(const GraphicsKey& k) const;
};

struct GraphicsStates {
    const D3D11_RASTERIZER_DESC* rasterizer;
    const D3D11_BLEND_DESC* blend;
    const D3D11_DEPTH_STENCIL_DESC* depthStencil;
};

class PipelineCache {
public:
    explicit PipelineCache(Core& core);
    ~PipelineCache();
    PipelineCache(const PipelineCache&) = delete;
    PipelineCache& operator=(const PipelineCache&) = delete;

    // The descriptor layout of a vertex+pixel pair (pixel may be null) or of a
    // compute shader (first argument, second null). Null with a message in
    // error when the stages disagree about a shared binding or the set is too
    // large for push descriptors.
    ProgramLayout* program(const ShaderObject* first, const ShaderObject* second, std::string& error);

    VkPipeline graphics(const GraphicsKey& key, ShaderObject* vs, const ShaderObject* ps,
                        const ProgramLayout& layout, const GraphicsStates& states, std::string& error);
    VkPipeline compute(const ShaderObject* cs, const ProgramLayout& layout, std::string& error);

    // A shader is going away: retire its pipelines and layouts.
    void forgetShader(uint64_t id);

private:
    struct PairHash {
        size_t operator()(const std::pair<uint64_t, uint64_t>& p) const {
            return std::hash<uint64_t>()(p.first * 0x9E3779B97F4A7C15ull ^ p.second);
        }
    };
    Core& core_;
    std::unordered_map<std::pair<uint64_t, uint64_t>, std::unique_ptr<ProgramLayout>, PairHash> programs_;
    std::unordered_map<GraphicsKey, VkPipeline, GraphicsKeyHash> graphics_;
    std::unordered_map<uint64_t, VkPipeline> compute_;
};

}  // namespace tolmero::gpu::detail
