#include "gpu/Pipelines.h"

#include <algorithm>
#include <cstring>

#include "gpu/Core.h"
#include "gpu/Debug.h"
#include "gpu/D3D11.h"
#include "gpu/Formats.h"

namespace tolmero::gpu::detail {

namespace {

constexpr uint32_t kSpirvHeaderWords = 5;
constexpr uint32_t kOpDecorate = 71;
constexpr uint32_t kDecorationBinding = 33;

// Moves the pixel stage's b, s and t bindings into their own range.
void offsetPixelBindings(std::vector<uint32_t>& words) {
    for (size_t i = kSpirvHeaderWords; i < words.size();) {
        uint32_t count = words[i] >> 16;
        uint32_t opcode = words[i] & 0xffff;
        if (count == 0) break;
        if (opcode == kOpDecorate && count >= 4 && words[i + 2] == kDecorationBinding &&
            words[i + 3] < kUnorderedBase)
            words[i + 3] += kPixelStageOffset;
        i += count;
    }
}

VkShaderStageFlags stageFlag(ShaderStage stage) {
    switch (stage) {
        case ShaderStage::Vertex: return VK_SHADER_STAGE_VERTEX_BIT;
        case ShaderStage::Pixel: return VK_SHADER_STAGE_FRAGMENT_BIT;
        case ShaderStage::Compute: return VK_SHADER_STAGE_COMPUTE_BIT;
        default: return 0;
    }
}

VkPrimitiveTopology topologyOf(uint32_t topology) {
    switch (topology) {
        case D3D_PRIMITIVE_TOPOLOGY_POINTLIST: return VK_PRIMITIVE_TOPOLOGY_POINT_LIST;
        case D3D_PRIMITIVE_TOPOLOGY_LINELIST: return VK_PRIMITIVE_TOPOLOGY_LINE_LIST;
        case D3D_PRIMITIVE_TOPOLOGY_LINESTRIP: return VK_PRIMITIVE_TOPOLOGY_LINE_STRIP;
        case D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP: return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP;
        default: return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    }
}

VkBlendFactor blendFactorOf(D3D11_BLEND blend) {
    switch (blend) {
        case D3D11_BLEND_ZERO: return VK_BLEND_FACTOR_ZERO;
        case D3D11_BLEND_ONE: return VK_BLEND_FACTOR_ONE;
        case D3D11_BLEND_SRC_COLOR: return VK_BLEND_FACTOR_SRC_COLOR;
        case D3D11_BLEND_INV_SRC_COLOR: return VK_BLEND_FACTOR_ONE_MINUS_SRC_COLOR;
        case D3D11_BLEND_SRC_ALPHA: return VK_BLEND_FACTOR_SRC_ALPHA;
        case D3D11_BLEND_INV_SRC_ALPHA: return VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
        case D3D11_BLEND_DEST_ALPHA: return VK_BLEND_FACTOR_DST_ALPHA;
        case D3D11_BLEND_INV_DEST_ALPHA: return VK_BLEND_FACTOR_ONE_MINUS_DST_ALPHA;
        case D3D11_BLEND_DEST_COLOR: return VK_BLEND_FACTOR_DST_COLOR;
        case D3D11_BLEND_INV_DEST_COLOR: return VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR;
        case D3D11_BLEND_SRC_ALPHA_SAT: return VK_BLEND_FACTOR_SRC_ALPHA_SATURATE;
        case D3D11_BLEND_BLEND_FACTOR: return VK_BLEND_FACTOR_CONSTANT_COLOR;
        case D3D11_BLEND_INV_BLEND_FACTOR: return VK_BLEND_FACTOR_ONE_MINUS_CONSTANT_COLOR;
        default: return VK_BLEND_FACTOR_ONE;  // dual-source factors are refused at creation
    }
}

VkBlendOp blendOpOf(D3D11_BLEND_OP op) {
    switch (op) {
        case D3D11_BLEND_OP_SUBTRACT: return VK_BLEND_OP_SUBTRACT;
        case D3D11_BLEND_OP_REV_SUBTRACT: return VK_BLEND_OP_REVERSE_SUBTRACT;
        case D3D11_BLEND_OP_MIN: return VK_BLEND_OP_MIN;
        case D3D11_BLEND_OP_MAX: return VK_BLEND_OP_MAX;
        default: return VK_BLEND_OP_ADD;
    }
}

VkCompareOp compareOf(D3D11_COMPARISON_FUNC f) {
    return static_cast<VkCompareOp>(std::clamp<UINT>(f, D3D11_COMPARISON_NEVER, D3D11_COMPARISON_ALWAYS) - 1);
}

VkStencilOpState stencilOf(const D3D11_DEPTH_STENCILOP_DESC& op, const D3D11_DEPTH_STENCIL_DESC& desc) {
    auto opOf = [](D3D11_STENCIL_OP o) {
        return static_cast<VkStencilOp>(std::clamp<UINT>(o, D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_DECR) - 1);
    };
    VkStencilOpState s{};
    s.failOp = opOf(op.StencilFailOp);
    s.passOp = opOf(op.StencilPassOp);
    s.depthFailOp = opOf(op.StencilDepthFailOp);
    s.compareOp = compareOf(op.StencilFunc);
    s.compareMask = desc.StencilReadMask;
    s.writeMask = desc.StencilWriteMask;
    return s;
}

// SPIR-V opcodes and enumerants used by addPointSize.
enum : uint32_t {
    kOpLine = 8,
    kOpEntryPoint = 15,
    kOpTypeFloat = 22,
    kOpTypePointer = 32,
    kOpConstant = 43,
    kOpFunction = 54,
    kOpVariable = 59,
    kOpMemberDecorate = 72,
    kOpLabel = 248,
    kOpStore = 62,
    kOpNoLine = 317,
    kDecorationBuiltIn = 11,
    kBuiltInPointSize = 1,
    kStorageOutput = 3,
};

uint32_t instruction(uint32_t wordCount, uint32_t opcode) { return (wordCount << 16) | opcode; }

}  // namespace

bool addPointSize(std::vector<uint32_t>& words) {
    if (words.size() < kSpirvHeaderWords) return false;
    size_t entryPoint = 0, firstAnnotation = 0, firstFunction = 0;
    uint32_t entryFunction = 0, floatType = 0, outputFloatPointer = 0;
    for (size_t i = kSpirvHeaderWords; i < words.size();) {
        uint32_t count = words[i] >> 16, opcode = words[i] & 0xffff;
        if (count == 0 || i + count > words.size()) return false;
        if ((opcode == kOpDecorate && words[i + 2] == kDecorationBuiltIn && words[i + 3] == kBuiltInPointSize) ||
            (opcode == kOpMemberDecorate && words[i + 3] == kDecorationBuiltIn && words[i + 4] == kBuiltInPointSize))
            return false;  // writes a point size already
        if (opcode == kOpEntryPoint && !entryPoint) {
            entryPoint = i;
            entryFunction = words[i + 2];
        }
        if ((opcode == kOpDecorate || opcode == kOpMemberDecorate) && !firstAnnotation) firstAnnotation = i;
        if (opcode == kOpTypeFloat && words[i + 2] == 32) floatType = words[i + 1];
        if (opcode == kOpTypePointer && words[i + 2] == kStorageOutput && floatType && words[i + 3] == floatType)
            outputFloatPointer = words[i + 1];
        if (opcode == kOpFunction && !firstFunction) firstFunction = i;
        i += count;
    }
    if (!entryPoint || !firstAnnotation || !firstFunction) return false;

    uint32_t bound = words[3];
    uint32_t variable = bound++, one = bound++;
    std::vector<uint32_t> globals;
    auto global = [&globals](std::initializer_list<uint32_t> list) {
        for (uint32_t w : list) globals.push_back(w);
    };
    if (!floatType) {
        floatType = bound++;
        global({instruction(3, kOpTypeFloat), floatType, 32});
    }
    if (!outputFloatPointer) {
        outputFloatPointer = bound++;
        global({instruction(4, kOpTypePointer), outputFloatPointer, kStorageOutput, floatType});
    }
    uint32_t oneBits = 0x3f800000u;  // 1.0f
    global({instruction(4, kOpConstant), floatType, one, oneBits});
    global({instruction(4, kOpVariable), outputFloatPointer, variable, kStorageOutput});

    // The store goes at the start of the entry function's first block, after
    // its local variables.
    size_t store = 0;
    for (size_t i = firstFunction; i < words.size() && !store;) {
        uint32_t count = words[i] >> 16, opcode = words[i] & 0xffff;
        if (count == 0) return false;
        if (opcode == kOpFunction && words[i + 2] == entryFunction) {
            size_t j = i + count;
            if (j >= words.size() || (words[j] & 0xffff) != kOpLabel) return false;
            j += words[j] >> 16;
            while (j < words.size()) {
                uint32_t op = words[j] & 0xffff;
                if (op != kOpVariable && op != kOpLine && op != kOpNoLine) break;
                j += words[j] >> 16;
            }
            store = j;
        }
        i += count;
    }
    if (!store) return false;
    words[3] = bound;

    // Reassemble the module with the four additions in their sections.
    std::vector<uint32_t> out;
    out.reserve(words.size() + globals.size() + 8);
    auto copy = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) out.push_back(words[i]);
    };
    auto add = [&](std::initializer_list<uint32_t> list) {
        for (uint32_t w : list) out.push_back(w);
    };
    uint32_t entryCount = words[entryPoint] >> 16;
    copy(0, entryPoint);
    out.push_back(instruction(entryCount + 1, kOpEntryPoint));
    copy(entryPoint + 1, entryPoint + entryCount);
    out.push_back(variable);  // one more interface variable
    copy(entryPoint + entryCount, firstAnnotation);
    add({instruction(4, kOpDecorate), variable, kDecorationBuiltIn, kBuiltInPointSize});
    copy(firstAnnotation, firstFunction);
    for (uint32_t w : globals) out.push_back(w);
    copy(firstFunction, store);
    add({instruction(3, kOpStore), variable, one});
    copy(store, words.size());
    words = std::move(out);
    return true;
}

bool createShaderModule(Core& core, const std::vector<uint32_t>& words, ShaderObject& shader, std::string& error) {
    std::vector<uint32_t> code = words;
    if (shader.iface.stage == ShaderStage::Pixel) offsetPixelBindings(code);
    if (shader.iface.stage == ShaderStage::Vertex) shader.code = code;
    auto info = vkStruct<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
    info.codeSize = code.size() * sizeof(uint32_t);
    info.pCode = code.data();
    VkResult r = vkCreateShaderModule(core.device, &info, nullptr, &shader.module);
    if (r != VK_SUCCESS) {
        shader.module = VK_NULL_HANDLE;
        error = std::string("vkCreateShaderModule failed: ") + vkResultName(r);
        return false;
    }
    return true;
}

bool GraphicsKey::operator==(const GraphicsKey& o) const {
    return vs == o.vs && ps == o.ps && topology == o.topology && rasterizer == o.rasterizer && blend == o.blend &&
           depthStencil == o.depthStencil && sampleMask == o.sampleMask && colorCount == o.colorCount &&
           depth == o.depth && std::equal(colors, colors + colorCount, o.colors);
}

size_t GraphicsKeyHash::operator()(const GraphicsKey& k) const {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) {
        h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    };
    mix(k.vs);
    mix(k.ps);
    mix((uint64_t(k.topology) << 32) | k.rasterizer);
    mix((uint64_t(k.blend) << 32) | k.depthStencil);
    mix((uint64_t(k.sampleMask) << 32) | k.colorCount);
    for (uint32_t i = 0; i < k.colorCount; ++i) mix(k.colors[i]);
    mix(k.depth);
    return static_cast<size_t>(h);
}

PipelineCache::PipelineCache(Core& core) : core_(core) {}

PipelineCache::~PipelineCache() {
    // The device is going away: nothing runs any more.
    VkDevice device = core_.device;
    for (auto& [key, pipeline] : graphics_) vkDestroyPipeline(device, pipeline, nullptr);
    for (auto& [key, pipeline] : compute_) vkDestroyPipeline(device, pipeline, nullptr);
    for (auto& [key, program] : programs_) {
        vkDestroyPipelineLayout(device, program->layout, nullptr);
        vkDestroyDescriptorSetLayout(device, program->setLayout, nullptr);
    }
}

ProgramLayout* PipelineCache::program(const ShaderObject* first, const ShaderObject* second, std::string& error) {
    auto key = std::make_pair(first->id, second ? second->id : 0);
    auto found = programs_.find(key);
    if (found != programs_.end()) return found->second.get();

    auto program = std::make_unique<ProgramLayout>();
    std::vector<VkDescriptorSetLayoutBinding> bindings;
    bool graphics = first->iface.stage != ShaderStage::Compute;
    for (const ShaderObject* shader : {first, second}) {
        if (!shader) continue;
        ShaderStage stage = shader->iface.stage;
        for (const ReflectedResource& r : shader->iface.resources) {
            SlotBinding slot;
            slot.binding = r.binding + (stage == ShaderStage::Pixel && r.binding < kUnorderedBase ? kPixelStageOffset : 0);
            slot.type = r.descriptorType;
            slot.count = r.count;
            // Unordered access views of the graphics stages are the output merger's.
            slot.stage = (graphics && r.cls == RegisterClass::Unordered) ? ShaderStage::Pixel : stage;
            slot.cls = r.cls;
            slot.reg = r.reg;
            slot.arrayed = r.arrayed;
            slot.spirvFormat = r.imageFormat;
            slot.name = r.name.c_str();

            auto same = std::find_if(program->slots.begin(), program->slots.end(),
                                     [&](const SlotBinding& s) { return s.binding == slot.binding; });
            if (same != program->slots.end()) {
                if (same->type != slot.type || same->count != slot.count) {
                    error = std::string("the vertex and pixel shaders declare different resources at ") +
                            registerLetter(r.cls) + std::to_string(r.reg) + " ('" + same->name + "' and '" + slot.name +
                            "')";
                    return nullptr;
                }
                auto b = std::find_if(bindings.begin(), bindings.end(),
                                      [&](const VkDescriptorSetLayoutBinding& x) { return x.binding == slot.binding; });
                b->stageFlags |= stageFlag(stage);
                continue;
            }
            VkDescriptorSetLayoutBinding b{};
            b.binding = slot.binding;
            b.descriptorType = slot.type;
            b.descriptorCount = slot.count;
            b.stageFlags = stageFlag(stage);
            bindings.push_back(b);
            program->descriptorCount += slot.count;
            program->slots.push_back(slot);
        }
    }

    auto push = vkStruct<VkPhysicalDevicePushDescriptorPropertiesKHR>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PUSH_DESCRIPTOR_PROPERTIES_KHR);
    auto properties = vkStruct<VkPhysicalDeviceProperties2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2);
    properties.pNext = &push;
    vkGetPhysicalDeviceProperties2(core_.physical, &properties);
    if (program->descriptorCount > push.maxPushDescriptors) {
        error = "the shaders bind " + std::to_string(program->descriptorCount) + " descriptors; the device pushes at most " +
                std::to_string(push.maxPushDescriptors);
        return nullptr;
    }

    auto setInfo = vkStruct<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
    setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
    setInfo.bindingCount = static_cast<uint32_t>(bindings.size());
    setInfo.pBindings = bindings.data();
    VkResult r = vkCreateDescriptorSetLayout(core_.device, &setInfo, nullptr, &program->setLayout);
    if (r != VK_SUCCESS) {
        error = std::string("vkCreateDescriptorSetLayout failed: ") + vkResultName(r);
        return nullptr;
    }
    auto layoutInfo = vkStruct<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
    layoutInfo.setLayoutCount = 1;
    layoutInfo.pSetLayouts = &program->setLayout;
    r = vkCreatePipelineLayout(core_.device, &layoutInfo, nullptr, &program->layout);
    if (r != VK_SUCCESS) {
        vkDestroyDescriptorSetLayout(core_.device, program->setLayout, nullptr);
        error = std::string("vkCreatePipelineLayout failed: ") + vkResultName(r);
        return nullptr;
    }
    ProgramLayout* result = program.get();
    programs_.emplace(key, std::move(program));
    return result;
}

VkPipeline PipelineCache::graphics(const GraphicsKey& key, ShaderObject* vs, const ShaderObject* ps,
                                   const ProgramLayout& layout, const GraphicsStates& states, std::string& error) {
    auto found = graphics_.find(key);
    if (found != graphics_.end()) return found->second;

    VkShaderModule vertexModule = vs->module;
    if (key.topology == D3D_PRIMITIVE_TOPOLOGY_POINTLIST) {
        if (!vs->pointSizeModule) {
            std::vector<uint32_t> code = vs->code;
            if (addPointSize(code)) {
                auto info = vkStruct<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
                info.codeSize = code.size() * sizeof(uint32_t);
                info.pCode = code.data();
                VkResult r = vkCreateShaderModule(core_.device, &info, nullptr, &vs->pointSizeModule);
                if (r != VK_SUCCESS) {
                    error = std::string("vkCreateShaderModule failed: ") + vkResultName(r);
                    vs->pointSizeModule = VK_NULL_HANDLE;
                    return VK_NULL_HANDLE;
                }
            } else {
                vs->pointSizeModule = vs->module;  // it writes its own point size
            }
        }
        vertexModule = vs->pointSizeModule;
    }

    const D3D11_RASTERIZER_DESC& rs = *states.rasterizer;
    const D3D11_BLEND_DESC& bs = *states.blend;
    const D3D11_DEPTH_STENCIL_DESC& ds = *states.depthStencil;

    VkPipelineShaderStageCreateInfo stages[2]{};
    uint32_t stageCount = 0;
    for (const ShaderObject* shader : {static_cast<const ShaderObject*>(vs), ps}) {
        if (!shader) continue;
        VkPipelineShaderStageCreateInfo& s = stages[stageCount++];
        s.sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
        s.stage = static_cast<VkShaderStageFlagBits>(stageFlag(shader->iface.stage));
        s.module = shader == vs ? vertexModule : shader->module;
        s.pName = "main";
    }

    auto vertexInput = vkStruct<VkPipelineVertexInputStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO);
    auto assembly = vkStruct<VkPipelineInputAssemblyStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO);
    assembly.topology = topologyOf(key.topology);
    auto viewport = vkStruct<VkPipelineViewportStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO);
    viewport.viewportCount = 1;
    viewport.scissorCount = 1;

    auto raster = vkStruct<VkPipelineRasterizationStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO);
    raster.depthClampEnable = !rs.DepthClipEnable && core_.features.depthClamp;
    raster.polygonMode =
        rs.FillMode == D3D11_FILL_WIREFRAME && core_.features.fillModeNonSolid ? VK_POLYGON_MODE_LINE : VK_POLYGON_MODE_FILL;
    raster.cullMode = rs.CullMode == D3D11_CULL_NONE    ? VK_CULL_MODE_NONE
                      : rs.CullMode == D3D11_CULL_FRONT ? VK_CULL_MODE_FRONT_BIT
                                                        : VK_CULL_MODE_BACK_BIT;
    // The viewport's negative height keeps framebuffer coordinates y-down, as in
    // Direct3D, so Direct3D's winding maps straight onto Vulkan's.
    raster.frontFace = rs.FrontCounterClockwise ? VK_FRONT_FACE_COUNTER_CLOCKWISE : VK_FRONT_FACE_CLOCKWISE;
    raster.depthBiasEnable = rs.DepthBias != 0 || rs.SlopeScaledDepthBias != 0.0f;
    raster.depthBiasConstantFactor = static_cast<float>(rs.DepthBias);
    raster.depthBiasClamp = core_.features.depthBiasClamp ? rs.DepthBiasClamp : 0.0f;
    raster.depthBiasSlopeFactor = rs.SlopeScaledDepthBias;
    raster.lineWidth = 1.0f;

    auto multisample = vkStruct<VkPipelineMultisampleStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO);
    multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
    VkSampleMask sampleMask = key.sampleMask;
    multisample.pSampleMask = &sampleMask;
    multisample.alphaToCoverageEnable = bs.AlphaToCoverageEnable ? VK_TRUE : VK_FALSE;

    auto depth = vkStruct<VkPipelineDepthStencilStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO);
    if (key.depth != VK_FORMAT_UNDEFINED) {
        depth.depthTestEnable = ds.DepthEnable ? VK_TRUE : VK_FALSE;
        depth.depthWriteEnable = ds.DepthEnable && ds.DepthWriteMask == D3D11_DEPTH_WRITE_MASK_ALL;
        depth.depthCompareOp = compareOf(ds.DepthFunc);
        if (hasStencil(key.depth) && ds.StencilEnable) {
            depth.stencilTestEnable = VK_TRUE;
            depth.front = stencilOf(ds.FrontFace, ds);
            depth.back = stencilOf(ds.BackFace, ds);
        }
    }

    VkPipelineColorBlendAttachmentState attachments[8]{};
    for (uint32_t i = 0; i < key.colorCount; ++i) {
        const D3D11_RENDER_TARGET_BLEND_DESC& rt = bs.RenderTarget[bs.IndependentBlendEnable ? i : 0];
        VkPipelineColorBlendAttachmentState& a = attachments[i];
        a.colorWriteMask = rt.RenderTargetWriteMask & 0xf;
        if (!rt.BlendEnable || key.colors[i] == VK_FORMAT_UNDEFINED) continue;
        VkFormatProperties props;
        vkGetPhysicalDeviceFormatProperties(core_.physical, key.colors[i], &props);
        // Direct3D ignores blending on formats that cannot blend (integers).
        if (!(props.optimalTilingFeatures & VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BLEND_BIT)) continue;
        a.blendEnable = VK_TRUE;
        a.srcColorBlendFactor = blendFactorOf(rt.SrcBlend);
        a.dstColorBlendFactor = blendFactorOf(rt.DestBlend);
        a.colorBlendOp = blendOpOf(rt.BlendOp);
        a.srcAlphaBlendFactor = blendFactorOf(rt.SrcBlendAlpha);
        a.dstAlphaBlendFactor = blendFactorOf(rt.DestBlendAlpha);
        a.alphaBlendOp = blendOpOf(rt.BlendOpAlpha);
    }
    auto blend = vkStruct<VkPipelineColorBlendStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO);
    blend.attachmentCount = key.colorCount;
    blend.pAttachments = attachments;

    VkDynamicState dynamicStates[] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR,
                                      VK_DYNAMIC_STATE_BLEND_CONSTANTS, VK_DYNAMIC_STATE_STENCIL_REFERENCE};
    auto dynamic = vkStruct<VkPipelineDynamicStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO);
    dynamic.dynamicStateCount = 4;
    dynamic.pDynamicStates = dynamicStates;

    auto rendering = vkStruct<VkPipelineRenderingCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO);
    rendering.colorAttachmentCount = key.colorCount;
    rendering.pColorAttachmentFormats = key.colors;
    if (key.depth != VK_FORMAT_UNDEFINED) {
        rendering.depthAttachmentFormat = key.depth;
        if (hasStencil(key.depth)) rendering.stencilAttachmentFormat = key.depth;
    }

    auto info = vkStruct<VkGraphicsPipelineCreateInfo>(VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO);
    info.pNext = &rendering;
    info.stageCount = stageCount;
    info.pStages = stages;
    info.pVertexInputState = &vertexInput;
    info.pInputAssemblyState = &assembly;
    info.pViewportState = &viewport;
    info.pRasterizationState = &raster;
    info.pMultisampleState = &multisample;
    info.pDepthStencilState = &depth;
    info.pColorBlendState = &blend;
    info.pDynamicState = &dynamic;
    info.layout = layout.layout;

    VkPipeline pipeline = VK_NULL_HANDLE;
    countCreation(Creation::Pipeline);
    VkResult r = vkCreateGraphicsPipelines(core_.device, core_.vkPipelineCache(), 1, &info, nullptr, &pipeline);
    if (r != VK_SUCCESS) {
        error = std::string("vkCreateGraphicsPipelines failed: ") + vkResultName(r);
        return VK_NULL_HANDLE;
    }
    graphics_.emplace(key, pipeline);
    return pipeline;
}

VkPipeline PipelineCache::compute(const ShaderObject* cs, const ProgramLayout& layout, std::string& error) {
    auto found = compute_.find(cs->id);
    if (found != compute_.end()) return found->second;
    auto info = vkStruct<VkComputePipelineCreateInfo>(VK_STRUCTURE_TYPE_COMPUTE_PIPELINE_CREATE_INFO);
    info.stage.sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    info.stage.stage = VK_SHADER_STAGE_COMPUTE_BIT;
    info.stage.module = cs->module;
    info.stage.pName = "main";
    info.layout = layout.layout;
    VkPipeline pipeline = VK_NULL_HANDLE;
    countCreation(Creation::Pipeline);
    VkResult r = vkCreateComputePipelines(core_.device, core_.vkPipelineCache(), 1, &info, nullptr, &pipeline);
    if (r != VK_SUCCESS) {
        error = std::string("vkCreateComputePipelines failed: ") + vkResultName(r);
        return VK_NULL_HANDLE;
    }
    compute_.emplace(cs->id, pipeline);
    return pipeline;
}

void PipelineCache::forgetShader(uint64_t id) {
    for (auto it = graphics_.begin(); it != graphics_.end();) {
        if (it->first.vs == id || it->first.ps == id) {
            core_.retire(it->second);
            it = graphics_.erase(it);
        } else {
            ++it;
        }
    }
    if (auto it = compute_.find(id); it != compute_.end()) {
        core_.retire(it->second);
        compute_.erase(it);
    }
    for (auto it = programs_.begin(); it != programs_.end();) {
        if (it->first.first == id || it->first.second == id) {
            core_.retire(it->second->layout);
            core_.retire(it->second->setLayout);
            it = programs_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace tolmero::gpu::detail
