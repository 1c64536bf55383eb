#include "gpu/Reflection.h"

#include <spirv_cross_c.h>

#include <algorithm>
#include <cstring>
#include <deque>

#include "gpu/D3D11.h"

namespace tolmero::gpu::detail {

char registerLetter(RegisterClass cls) {
    switch (cls) {
        case RegisterClass::ConstantBuffer: return 'b';
        case RegisterClass::Sampler: return 's';
        case RegisterClass::Texture: return 't';
        case RegisterClass::Unordered: return 'u';
    }
    return '?';
}

bool spirvWords(const void* data, size_t size, std::vector<uint32_t>& words, std::string& error) {
    if (!data || size < 20 || size % 4 != 0) {
        error = "shader bytecode must be SPIR-V: a whole number of 32-bit words, at least a header";
        return false;
    }
    words.resize(size / 4);
    std::memcpy(words.data(), data, size);
    if (words[0] != 0x07230203u) {
        error = "shader bytecode is not SPIR-V (wrong magic number)";
        return false;
    }
    return true;
}

namespace {

// Owns one SPIRV-Cross context for the duration of a reflection.
class CrossContext {
public:
    CrossContext() {
        if (spvc_context_create(&context_) != SPVC_SUCCESS) context_ = nullptr;
    }
    ~CrossContext() {
        if (context_) spvc_context_destroy(context_);
    }
    CrossContext(const CrossContext&) = delete;
    CrossContext& operator=(const CrossContext&) = delete;
    spvc_context get() const { return context_; }
    std::string lastError() const { return context_ ? spvc_context_get_last_error_string(context_) : "no context"; }

private:
    spvc_context context_ = nullptr;
};

D3D_REGISTER_COMPONENT_TYPE componentTypeOf(spvc_basetype type) {
    switch (type) {
        case SPVC_BASETYPE_FP32:
        case SPVC_BASETYPE_FP16: return D3D_REGISTER_COMPONENT_FLOAT32;
        case SPVC_BASETYPE_INT32:
        case SPVC_BASETYPE_INT16: return D3D_REGISTER_COMPONENT_SINT32;
        case SPVC_BASETYPE_UINT32:
        case SPVC_BASETYPE_UINT16:
        case SPVC_BASETYPE_BOOLEAN: return D3D_REGISTER_COMPONENT_UINT32;
        default: return D3D_REGISTER_COMPONENT_UNKNOWN;
    }
}

D3D_RESOURCE_RETURN_TYPE returnTypeOf(spvc_basetype type) {
    switch (type) {
        case SPVC_BASETYPE_INT32: return D3D_RETURN_TYPE_SINT;
        case SPVC_BASETYPE_UINT32: return D3D_RETURN_TYPE_UINT;
        case SPVC_BASETYPE_FP64: return D3D_RETURN_TYPE_DOUBLE;
        default: return D3D_RETURN_TYPE_FLOAT;
    }
}

uint32_t componentsOfImageFormat(unsigned format) {
    switch (format) {
        case SpvImageFormatR32f: case SpvImageFormatR16f: case SpvImageFormatR16: case SpvImageFormatR8:
        case SpvImageFormatR16Snorm: case SpvImageFormatR8Snorm: case SpvImageFormatR32i: case SpvImageFormatR16i:
        case SpvImageFormatR8i: case SpvImageFormatR32ui: case SpvImageFormatR16ui: case SpvImageFormatR8ui:
        case SpvImageFormatR64ui: case SpvImageFormatR64i:
            return 1;
        case SpvImageFormatRg32f: case SpvImageFormatRg16f: case SpvImageFormatRg16: case SpvImageFormatRg8:
        case SpvImageFormatRg16Snorm: case SpvImageFormatRg8Snorm: case SpvImageFormatRg32i: case SpvImageFormatRg16i:
        case SpvImageFormatRg8i: case SpvImageFormatRg32ui: case SpvImageFormatRg16ui: case SpvImageFormatRg8ui:
            return 2;
        case SpvImageFormatR11fG11fB10f:
            return 3;
        default:
            return 4;  // Unknown and the four-channel formats
    }
}

D3D_SRV_DIMENSION dimensionOf(SpvDim dim, bool arrayed, bool multisampled) {
    switch (dim) {
        case SpvDim1D: return arrayed ? D3D_SRV_DIMENSION_TEXTURE1DARRAY : D3D_SRV_DIMENSION_TEXTURE1D;
        case SpvDim2D:
            if (multisampled) return arrayed ? D3D_SRV_DIMENSION_TEXTURE2DMSARRAY : D3D_SRV_DIMENSION_TEXTURE2DMS;
            return arrayed ? D3D_SRV_DIMENSION_TEXTURE2DARRAY : D3D_SRV_DIMENSION_TEXTURE2D;
        case SpvDim3D: return D3D_SRV_DIMENSION_TEXTURE3D;
        case SpvDimCube: return arrayed ? D3D_SRV_DIMENSION_TEXTURECUBEARRAY : D3D_SRV_DIMENSION_TEXTURECUBE;
        case SpvDimBuffer: return D3D_SRV_DIMENSION_BUFFER;
        default: return D3D_SRV_DIMENSION_UNKNOWN;
    }
}

RegisterClass classOfType(D3D_SHADER_INPUT_TYPE type) {
    switch (type) {
        case D3D_SIT_CBUFFER: return RegisterClass::ConstantBuffer;
        case D3D_SIT_SAMPLER: return RegisterClass::Sampler;
        case D3D_SIT_TBUFFER:
        case D3D_SIT_TEXTURE:
        case D3D_SIT_STRUCTURED:
        case D3D_SIT_BYTEADDRESS: return RegisterClass::Texture;
        default: return RegisterClass::Unordered;
    }
}

uint32_t classBase(RegisterClass cls) {
    switch (cls) {
        case RegisterClass::ConstantBuffer: return kConstantBufferBase;
        case RegisterClass::Sampler: return kSamplerBase;
        case RegisterClass::Texture: return kTextureBase;
        case RegisterClass::Unordered: return kUnorderedBase;
    }
    return 0;
}

class Reflector {
public:
    Reflector(spvc_compiler compiler, ShaderInterface& out) : compiler_(compiler), out_(out) {}

    void addResources(spvc_resources resources, spvc_resource_type kind) {
        const spvc_reflected_resource* list = nullptr;
        size_t count = 0;
        if (spvc_resources_get_resource_list_for_type(resources, kind, &list, &count) != SPVC_SUCCESS) return;
        for (size_t i = 0; i < count; ++i) addResource(list[i], kind);
    }

    void addVariables(spvc_resources resources, bool outputs) {
        const spvc_reflected_resource* list = nullptr;
        size_t count = 0;
        spvc_resource_type kind = outputs ? SPVC_RESOURCE_TYPE_STAGE_OUTPUT : SPVC_RESOURCE_TYPE_STAGE_INPUT;
        if (spvc_resources_get_resource_list_for_type(resources, kind, &list, &count) == SPVC_SUCCESS) {
            for (size_t i = 0; i < count; ++i) addUserVariable(list[i], outputs);
        }
        const spvc_reflected_builtin_resource* builtins = nullptr;
        size_t builtinCount = 0;
        spvc_builtin_resource_type builtinKind =
            outputs ? SPVC_BUILTIN_RESOURCE_TYPE_STAGE_OUTPUT : SPVC_BUILTIN_RESOURCE_TYPE_STAGE_INPUT;
        if (spvc_resources_get_builtin_resource_list_for_type(resources, builtinKind, &builtins, &builtinCount) ==
            SPVC_SUCCESS) {
            for (size_t i = 0; i < builtinCount; ++i) addBuiltin(builtins[i], outputs);
        }
    }

private:
    std::string nameOf(spvc_variable_id id) const {
        const char* name = spvc_compiler_get_name(compiler_, id);
        return name ? name : "";
    }

    void addResource(const spvc_reflected_resource& r, spvc_resource_type kind) {
        ReflectedResource res;
        res.binding = spvc_compiler_get_decoration(compiler_, r.id, SpvDecorationBinding);
        spvc_type type = spvc_compiler_get_type_handle(compiler_, r.type_id);
        spvc_type base = spvc_compiler_get_type_handle(compiler_, r.base_type_id);
        for (unsigned d = 0; d < spvc_type_get_num_array_dimensions(type); ++d) {
            if (spvc_type_array_dimension_is_literal(type, d)) res.count *= spvc_type_get_array_dimension(type, d);
        }

        std::string variableName = nameOf(r.id);
        switch (kind) {
            case SPVC_RESOURCE_TYPE_UNIFORM_BUFFER: {
                // A `cbuffer Name { ... }` is an anonymous variable of block type Name.
                std::string blockName = nameOf(r.base_type_id);
                res.name = variableName.empty() ? blockName : variableName;
                res.type = D3D_SIT_CBUFFER;
                res.descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
                break;
            }
            case SPVC_RESOURCE_TYPE_STORAGE_BUFFER: {
                // StructuredBuffer<T> name: the variable is called name; the block
                // type may be shared with other buffers of the same element type.
                res.name = variableName.empty() ? nameOf(r.base_type_id) : variableName;
                bool readOnly = spvc_compiler_has_member_decoration(compiler_, r.base_type_id, 0,
                                                                    SpvDecorationNonWritable);
                bool unordered = res.binding >= kUnorderedBase || (res.binding < kTextureBase && !readOnly);
                // A ByteAddressBuffer looks exactly like StructuredBuffer<uint> in
                // SPIR-V; both are reported as structured buffers.
                res.type = unordered ? D3D_SIT_UAV_RWSTRUCTURED : D3D_SIT_STRUCTURED;
                res.descriptorType = VK_DESCRIPTOR_TYPE_STORAGE_BUFFER;
                res.dimension = D3D_SRV_DIMENSION_BUFFER;
                res.returnType = D3D_RETURN_TYPE_MIXED;
                if (spvc_type_get_num_member_types(base) > 0) {
                    spvc_type_id member = spvc_type_get_member_type(base, 0);
                    res.structureStride = spvc_compiler_get_decoration(compiler_, member, SpvDecorationArrayStride);
                }
                break;
            }
            case SPVC_RESOURCE_TYPE_SEPARATE_SAMPLERS:
                res.name = variableName;
                res.type = D3D_SIT_SAMPLER;
                res.descriptorType = VK_DESCRIPTOR_TYPE_SAMPLER;
                break;
            case SPVC_RESOURCE_TYPE_SEPARATE_IMAGE:
            case SPVC_RESOURCE_TYPE_SAMPLED_IMAGE:
            case SPVC_RESOURCE_TYPE_STORAGE_IMAGE: {
                res.name = variableName;
                SpvDim dim = spvc_type_get_image_dimension(base);
                bool storage = kind == SPVC_RESOURCE_TYPE_STORAGE_IMAGE;
                res.arrayed = spvc_type_get_image_arrayed(base);
                res.dimension = dimensionOf(dim, res.arrayed, spvc_type_get_image_multisampled(base));
                res.imageFormat = spvc_type_get_image_storage_format(base);
                spvc_type sampled = spvc_compiler_get_type_handle(compiler_, spvc_type_get_image_sampled_type(base));
                res.returnType = returnTypeOf(spvc_type_get_basetype(sampled));
                res.components = componentsOfImageFormat(res.imageFormat);
                if (storage) {
                    res.type = D3D_SIT_UAV_RWTYPED;
                    res.descriptorType =
                        dim == SpvDimBuffer ? VK_DESCRIPTOR_TYPE_STORAGE_TEXEL_BUFFER : VK_DESCRIPTOR_TYPE_STORAGE_IMAGE;
                } else {
                    res.type = D3D_SIT_TEXTURE;
                    if (kind == SPVC_RESOURCE_TYPE_SAMPLED_IMAGE)
                        res.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
                    else
                        res.descriptorType = dim == SpvDimBuffer ? VK_DESCRIPTOR_TYPE_UNIFORM_TEXEL_BUFFER
                                                                 : VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
                }
                break;
            }
            default:
                return;
        }
        res.cls = classOfType(res.type);
        uint32_t base0 = classBase(res.cls);
        res.reg = res.binding >= base0 ? res.binding - base0 : res.binding;
        out_.resources.push_back(std::move(res));
    }

    static std::string hlslName(std::string name) {
        // glslang names flattened interface members "@entryPointOutput.uv" or "i.uv".
        size_t dot = name.find_last_of('.');
        if (dot != std::string::npos) name = name.substr(dot + 1);
        return name;
    }

    ReflectedVariable variableOf(spvc_type_id typeId) const {
        ReflectedVariable v;
        spvc_type type = spvc_compiler_get_type_handle(compiler_, typeId);
        v.componentType = componentTypeOf(spvc_type_get_basetype(type));
        unsigned size = std::clamp(spvc_type_get_vector_size(type), 1u, 4u);
        v.mask = static_cast<uint8_t>((1u << size) - 1u);
        return v;
    }

    void addUserVariable(const spvc_reflected_resource& r, bool output) {
        ReflectedVariable v = variableOf(r.type_id);
        uint32_t location = spvc_compiler_get_decoration(compiler_, r.id, SpvDecorationLocation);
        v.reg = location;
        if (output && out_.stage == ShaderStage::Pixel) {
            v.semanticName = "SV_Target";
            v.semanticIndex = location;
            v.systemValue = D3D_NAME_TARGET;
        } else {
            v.semanticName = hlslName(nameOf(r.id));
            v.semanticIndex = 0;
        }
        (output ? userOutputs_ : userInputs_).push_back(std::move(v));
    }

    void addBuiltin(const spvc_reflected_builtin_resource& b, bool output) {
        ReflectedVariable v = variableOf(b.value_type_id);
        v.reg = 0xffffffffu;
        switch (b.builtin) {
            case SpvBuiltInPosition:
            case SpvBuiltInFragCoord: v.semanticName = "SV_Position"; v.systemValue = D3D_NAME_POSITION; break;
            case SpvBuiltInVertexIndex: v.semanticName = "SV_VertexID"; v.systemValue = D3D_NAME_VERTEX_ID; break;
            case SpvBuiltInInstanceIndex: v.semanticName = "SV_InstanceID"; v.systemValue = D3D_NAME_INSTANCE_ID; break;
            case SpvBuiltInFrontFacing: v.semanticName = "SV_IsFrontFace"; v.systemValue = D3D_NAME_IS_FRONT_FACE; break;
            case SpvBuiltInPrimitiveId: v.semanticName = "SV_PrimitiveID"; v.systemValue = D3D_NAME_PRIMITIVE_ID; break;
            case SpvBuiltInSampleId: v.semanticName = "SV_SampleIndex"; v.systemValue = D3D_NAME_SAMPLE_INDEX; break;
            case SpvBuiltInFragDepth: v.semanticName = "SV_Depth"; v.systemValue = D3D_NAME_DEPTH; break;
            case SpvBuiltInSampleMask: v.semanticName = "SV_Coverage"; v.systemValue = D3D_NAME_COVERAGE; break;
            case SpvBuiltInClipDistance: v.semanticName = "SV_ClipDistance"; v.systemValue = D3D_NAME_CLIP_DISTANCE; break;
            case SpvBuiltInCullDistance: v.semanticName = "SV_CullDistance"; v.systemValue = D3D_NAME_CULL_DISTANCE; break;
            default: return;  // compute-stage builtins and others have no signature entry
        }
        (output ? builtinOutputs_ : builtinInputs_).push_back(std::move(v));
    }

public:
    // Signature order: system values first, then the user's variables by
    // location; for pixel outputs the targets come first (SV_Depth after them).
    void finishSignatures() {
        auto byRegister = [](const ReflectedVariable& a, const ReflectedVariable& b) { return a.reg < b.reg; };
        std::stable_sort(userInputs_.begin(), userInputs_.end(), byRegister);
        std::stable_sort(userOutputs_.begin(), userOutputs_.end(), byRegister);
        out_.inputs = builtinInputs_;
        out_.inputs.insert(out_.inputs.end(), userInputs_.begin(), userInputs_.end());
        if (out_.stage == ShaderStage::Pixel) {
            out_.outputs = userOutputs_;
            out_.outputs.insert(out_.outputs.end(), builtinOutputs_.begin(), builtinOutputs_.end());
        } else {
            out_.outputs = builtinOutputs_;
            out_.outputs.insert(out_.outputs.end(), userOutputs_.begin(), userOutputs_.end());
        }
    }

private:
    std::vector<ReflectedVariable> builtinInputs_, userInputs_, builtinOutputs_, userOutputs_;

    spvc_compiler compiler_;
    ShaderInterface& out_;
};

int classOrder(RegisterClass cls) { return static_cast<int>(cls); }

}  // namespace

bool reflectSpirv(const std::vector<uint32_t>& words, ShaderInterface& out, std::string& error) {
    CrossContext context;
    if (!context.get()) {
        error = "SPIRV-Cross context could not be created";
        return false;
    }
    spvc_parsed_ir ir = nullptr;
    if (spvc_context_parse_spirv(context.get(), words.data(), words.size(), &ir) != SPVC_SUCCESS) {
        error = "SPIR-V could not be parsed: " + context.lastError();
        return false;
    }
    spvc_compiler compiler = nullptr;
    if (spvc_context_create_compiler(context.get(), SPVC_BACKEND_NONE, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP,
                                     &compiler) != SPVC_SUCCESS) {
        error = "SPIR-V could not be reflected: " + context.lastError();
        return false;
    }
    const spvc_entry_point* entries = nullptr;
    size_t entryCount = 0;
    if (spvc_compiler_get_entry_points(compiler, &entries, &entryCount) != SPVC_SUCCESS || entryCount != 1) {
        error = "SPIR-V module must have exactly one entry point";
        return false;
    }

    switch (spvc_compiler_get_execution_model(compiler)) {
        case SpvExecutionModelVertex:
            out.stage = ShaderStage::Vertex;
            out.versionType = D3D11_SHVER_VERTEX_SHADER;
            break;
        case SpvExecutionModelFragment:
            out.stage = ShaderStage::Pixel;
            out.versionType = D3D11_SHVER_PIXEL_SHADER;
            break;
        case SpvExecutionModelGLCompute:
            out.stage = ShaderStage::Compute;
            out.versionType = D3D11_SHVER_COMPUTE_SHADER;
            for (unsigned i = 0; i < 3; ++i)
                out.localSize[i] = spvc_compiler_get_execution_mode_argument_by_index(compiler, SpvExecutionModeLocalSize, i);
            break;
        case SpvExecutionModelGeometry:
            out.stage = ShaderStage::Other;
            out.versionType = D3D11_SHVER_GEOMETRY_SHADER;
            break;
        case SpvExecutionModelTessellationControl:
            out.stage = ShaderStage::Other;
            out.versionType = D3D11_SHVER_HULL_SHADER;
            break;
        case SpvExecutionModelTessellationEvaluation:
            out.stage = ShaderStage::Other;
            out.versionType = D3D11_SHVER_DOMAIN_SHADER;
            break;
        default:
            error = "SPIR-V entry point has an execution model without a Direct3D 11 stage";
            return false;
    }

    // Like the D3D compiler, report only what the entry point actually uses.
    spvc_set active = nullptr;
    spvc_resources resources = nullptr;
    if (spvc_compiler_get_active_interface_variables(compiler, &active) != SPVC_SUCCESS ||
        spvc_compiler_create_shader_resources_for_active_variables(compiler, &resources, active) != SPVC_SUCCESS) {
        error = "SPIR-V resources could not be listed: " + context.lastError();
        return false;
    }

    Reflector reflector(compiler, out);
    for (spvc_resource_type kind :
         {SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, SPVC_RESOURCE_TYPE_SEPARATE_SAMPLERS, SPVC_RESOURCE_TYPE_SEPARATE_IMAGE,
          SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, SPVC_RESOURCE_TYPE_STORAGE_BUFFER, SPVC_RESOURCE_TYPE_STORAGE_IMAGE}) {
        reflector.addResources(resources, kind);
    }
    std::stable_sort(out.resources.begin(), out.resources.end(),
                     [](const ReflectedResource& a, const ReflectedResource& b) {
                         if (a.cls != b.cls) return classOrder(a.cls) < classOrder(b.cls);
                         return a.reg < b.reg;
                     });
    if (out.stage != ShaderStage::Compute) {
        reflector.addVariables(resources, false);
        reflector.addVariables(resources, true);
        reflector.finishSignatures();
    }
    return true;
}

namespace {

// The D3DReflect object: the reflected interface plus the records handed out,
// whose name strings point into names_ (a deque, so they never move).
class ShaderReflection final : public ID3D11ShaderReflection {
public:
    explicit ShaderReflection(ShaderInterface shader) : shader_(std::move(shader)) {
        for (const ReflectedResource& r : shader_.resources) {
            D3D11_SHADER_INPUT_BIND_DESC d{};
            d.Name = keep(r.name);
            d.Type = r.type;
            d.BindPoint = r.reg;
            d.BindCount = r.count;
            d.Dimension = r.dimension;
            d.ReturnType = r.returnType;
            if (r.type == D3D_SIT_TEXTURE || r.type == D3D_SIT_UAV_RWTYPED) {
                if (r.components >= 2) d.uFlags |= (r.components - 1) << 2;  // D3D_SIF_TEXTURE_COMPONENT_0/1
                bool multisampled = r.dimension == D3D_SRV_DIMENSION_TEXTURE2DMS ||
                                    r.dimension == D3D_SRV_DIMENSION_TEXTURE2DMSARRAY;
                d.NumSamples = multisampled || r.dimension == D3D_SRV_DIMENSION_BUFFER ? 0 : 0xffffffffu;
            } else if (r.type == D3D_SIT_STRUCTURED || r.type == D3D_SIT_UAV_RWSTRUCTURED) {
                d.NumSamples = r.structureStride;
            }
            bindings_.push_back(d);
        }
        for (const ReflectedVariable& v : shader_.inputs) inputs_.push_back(signature(v));
        for (const ReflectedVariable& v : shader_.outputs) outputs_.push_back(signature(v));
        desc_.Version = (static_cast<UINT>(shader_.versionType) << 16) | (5u << 4);
        desc_.Creator = "glslang HLSL front end (SPIR-V), reflected by SPIRV-Cross";
        desc_.BoundResources = static_cast<UINT>(bindings_.size());
        desc_.InputParameters = static_cast<UINT>(inputs_.size());
        desc_.OutputParameters = static_cast<UINT>(outputs_.size());
        for (const ReflectedResource& r : shader_.resources)
            if (r.type == D3D_SIT_CBUFFER) ++desc_.ConstantBuffers;
    }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT GetDesc(D3D11_SHADER_DESC* desc) override {
        if (!desc) return E_INVALIDARG;
        *desc = desc_;
        return S_OK;
    }
    HRESULT GetResourceBindingDesc(UINT index, D3D11_SHADER_INPUT_BIND_DESC* desc) override {
        if (!desc || index >= bindings_.size()) return E_INVALIDARG;
        *desc = bindings_[index];
        return S_OK;
    }
    HRESULT GetResourceBindingDescByName(LPCSTR name, D3D11_SHADER_INPUT_BIND_DESC* desc) override {
        if (!desc || !name) return E_INVALIDARG;
        for (const D3D11_SHADER_INPUT_BIND_DESC& d : bindings_) {
            if (std::strcmp(d.Name, name) == 0) {
                *desc = d;
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    HRESULT GetInputParameterDesc(UINT index, D3D11_SIGNATURE_PARAMETER_DESC* desc) override {
        if (!desc || index >= inputs_.size()) return E_INVALIDARG;
        *desc = inputs_[index];
        return S_OK;
    }
    HRESULT GetOutputParameterDesc(UINT index, D3D11_SIGNATURE_PARAMETER_DESC* desc) override {
        if (!desc || index >= outputs_.size()) return E_INVALIDARG;
        *desc = outputs_[index];
        return S_OK;
    }
    UINT GetThreadGroupSize(UINT* x, UINT* y, UINT* z) override {
        if (x) *x = shader_.localSize[0];
        if (y) *y = shader_.localSize[1];
        if (z) *z = shader_.localSize[2];
        return shader_.localSize[0] * shader_.localSize[1] * shader_.localSize[2];
    }

private:
    ~ShaderReflection() override = default;

    const char* keep(const std::string& s) { return names_.emplace_back(s).c_str(); }

    D3D11_SIGNATURE_PARAMETER_DESC signature(const ReflectedVariable& v) {
        D3D11_SIGNATURE_PARAMETER_DESC d{};
        d.SemanticName = keep(v.semanticName);
        d.SemanticIndex = v.semanticIndex;
        d.Register = v.reg;
        d.SystemValueType = v.systemValue;
        d.ComponentType = v.componentType;
        d.Mask = v.mask;
        d.ReadWriteMask = v.mask;
        return d;
    }

    ULONG refs_ = 1;
    ShaderInterface shader_;
    std::deque<std::string> names_;
    D3D11_SHADER_DESC desc_{};
    std::vector<D3D11_SHADER_INPUT_BIND_DESC> bindings_;
    std::vector<D3D11_SIGNATURE_PARAMETER_DESC> inputs_;
    std::vector<D3D11_SIGNATURE_PARAMETER_DESC> outputs_;
};

}  // namespace

}  // namespace tolmero::gpu::detail

namespace tolmero::gpu {

HRESULT D3DReflect(const void* data, SIZE_T dataSize, ID3D11ShaderReflection** reflection) {
    if (!reflection) return E_POINTER;
    *reflection = nullptr;
    std::vector<uint32_t> words;
    std::string error;
    detail::ShaderInterface shader;
    if (!detail::spirvWords(data, dataSize, words, error) || !detail::reflectSpirv(words, shader, error)) {
        debugOutput("D3DReflect: " + error);
        return E_INVALIDARG;
    }
    *reflection = new detail::ShaderReflection(std::move(shader));
    return S_OK;
}

}  // namespace tolmero::gpu
