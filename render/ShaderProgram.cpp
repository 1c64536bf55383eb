#include "render/ShaderProgram.h"

#include <array>

#include "render/EmbeddedResources.h"
#include "render/Renderer.h"
#include "render/ResourceTable.h"
#include "render/ShaderContainer.h"

namespace tolmero {

using namespace gpu;

// The context operations of one stage and the kind of extra work its binding
// does (pixel: targets, depth, UAVs, viewport; compute: UAVs; other: none).
struct StageTable {
    enum Kind { Compute = 0, Pixel = 1, Other = 2 };
    const char* name;
    void (*setShader)(ID3D11DeviceContext*, ID3D11DeviceChild*);
    void (ID3D11DeviceContext::*setConstantBuffers)(UINT, UINT, ID3D11Buffer* const*);
    void (ID3D11DeviceContext::*setSamplers)(UINT, UINT, ID3D11SamplerState* const*);
    void (ID3D11DeviceContext::*setShaderResources)(UINT, UINT, ID3D11ShaderResourceView* const*);
    Kind kind;
};

namespace {

// Sets a shader of the stage's own type; a program of another stage binds no
// shader (with a message) rather than a wrongly typed one.
template <class Shader, void (ID3D11DeviceContext::*Set)(Shader*, ID3D11ClassInstance* const*, UINT)>
void setShaderOf(ID3D11DeviceContext* context, ID3D11DeviceChild* child) {
    Shader* shader = dynamic_cast<Shader*>(child);
    if (child && !shader) debugOutput("A shader was bound to a stage it was not made for");
    (context->*Set)(shader, nullptr, 0);
}

// Reflection objects own the name strings of the records in every
// ShaderProgram; they live for the rest of the process.
std::vector<ID3D11ShaderReflection*>& keptReflections() {
    static std::vector<ID3D11ShaderReflection*> reflections;
    return reflections;
}

std::uint64_t resourceReads = 0;

std::string keyOf(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Creates the stage's shader object (chosen by the target's first two
// characters), reflects it and names it: the steps after the container read.
ShaderProgram makeProgram(const std::string& key, std::span<const std::uint8_t> blob) {
    ShaderProgram program;
    const std::size_t firstColon = key.find(':');
    const std::size_t lastColon = key.rfind(':');
    if (firstColon == std::string::npos || lastColon == std::string::npos || firstColon == lastColon)
        debugOutput("Invalid shader name string! Should be path.hlsl:entrypoint:buildtarget");
    // The file and entry parts are not needed: the entry point is fixed in the blob.
    const std::string target = lastColon == std::string::npos ? key : key.substr(lastColon + 1);
    const std::string stage = target.substr(0, 2);

    ID3D11Device* dev = device();
    const void* bytes = blob.data();
    const SIZE_T length = blob.size();
    if (stage == "cs") {
        ID3D11ComputeShader* shader = nullptr;
        dev->CreateComputeShader(bytes, length, nullptr, &shader);
        program.shader = shader;
    } else if (stage == "ps") {
        ID3D11PixelShader* shader = nullptr;
        dev->CreatePixelShader(bytes, length, nullptr, &shader);
        program.shader = shader;
    } else if (stage == "vs") {
        ID3D11VertexShader* shader = nullptr;
        dev->CreateVertexShader(bytes, length, nullptr, &shader);
        program.shader = shader;
    } else if (stage == "gs") {
        ID3D11GeometryShader* shader = nullptr;
        dev->CreateGeometryShader(bytes, length, nullptr, &shader);
        program.shader = shader;
    } else if (stage == "hs") {
        ID3D11HullShader* shader = nullptr;
        dev->CreateHullShader(bytes, length, nullptr, &shader);
        program.shader = shader;
    } else if (stage == "ds") {
        ID3D11DomainShader* shader = nullptr;
        dev->CreateDomainShader(bytes, length, nullptr, &shader);
        program.shader = shader;
    } else {
        debugOutput("Shader target " + target + " not supported!");
    }

    ID3D11ShaderReflection* reflection = nullptr;
    if (SUCCEEDED(D3DReflect(bytes, length, &reflection)) && reflection) {
        keptReflections().push_back(reflection);
        reflection->GetDesc(&program.description);
        for (UINT i = 0; i < program.description.BoundResources; ++i) {
            D3D11_SHADER_INPUT_BIND_DESC record{};
            reflection->GetResourceBindingDesc(i, &record);
            program.resources.push_back(record);
        }
        for (UINT i = 0; i < program.description.OutputParameters; ++i) {
            D3D11_SIGNATURE_PARAMETER_DESC record{};
            reflection->GetOutputParameterDesc(i, &record);
            program.outputs.push_back(record);
        }
    }
    if (program.shader) program.shader->SetDebugName("Shader '" + key + "'");
    return program;
}

template <class T>
T* objectAs(ID3D11DeviceChild* object, const char* name, const char* kind) {
    T* typed = dynamic_cast<T*>(object);
    if (object && !typed) debugOutput(std::string("Binding '") + name + "' is not " + kind);
    return typed;
}

// Byte size of the 32-bit formats a typed buffer view can take.
UINT formatBytes(DXGI_FORMAT format) {
    switch (format) {
        case DXGI_FORMAT_R32_UINT: case DXGI_FORMAT_R32_SINT: case DXGI_FORMAT_R32_FLOAT: return 4;
        case DXGI_FORMAT_R32G32_UINT: case DXGI_FORMAT_R32G32_SINT: case DXGI_FORMAT_R32G32_FLOAT: return 8;
        case DXGI_FORMAT_R32G32B32_UINT: case DXGI_FORMAT_R32G32B32_SINT: case DXGI_FORMAT_R32G32B32_FLOAT: return 12;
        case DXGI_FORMAT_R32G32B32A32_UINT: case DXGI_FORMAT_R32G32B32A32_SINT: case DXGI_FORMAT_R32G32B32A32_FLOAT:
            return 16;
        default: return 0;
    }
}

// The format of a typed buffer view from the record's return type and
// component count.
DXGI_FORMAT typedBufferFormat(const D3D11_SHADER_INPUT_BIND_DESC& r) {
    const int components = 1 + ((r.uFlags & D3D_SIF_TEXTURE_COMPONENT_0) ? 1 : 0) +
                           ((r.uFlags & D3D_SIF_TEXTURE_COMPONENT_1) ? 2 : 0);
    static constexpr DXGI_FORMAT uints[] = {DXGI_FORMAT_R32_UINT, DXGI_FORMAT_R32G32_UINT,
                                            DXGI_FORMAT_R32G32B32_UINT, DXGI_FORMAT_R32G32B32A32_UINT};
    static constexpr DXGI_FORMAT sints[] = {DXGI_FORMAT_R32_SINT, DXGI_FORMAT_R32G32_SINT,
                                            DXGI_FORMAT_R32G32B32_SINT, DXGI_FORMAT_R32G32B32A32_SINT};
    static constexpr DXGI_FORMAT floats[] = {DXGI_FORMAT_R32_FLOAT, DXGI_FORMAT_R32G32_FLOAT,
                                             DXGI_FORMAT_R32G32B32_FLOAT, DXGI_FORMAT_R32G32B32A32_FLOAT};
    switch (r.ReturnType) {
        case D3D_RETURN_TYPE_UINT: return uints[components - 1];
        case D3D_RETURN_TYPE_SINT: return sints[components - 1];
        case D3D_RETURN_TYPE_FLOAT: return floats[components - 1];
        default: return DXGI_FORMAT_UNKNOWN;
    }
}

// A shader resource view of `object` for the record, or null.
ID3D11ShaderResourceView* makeResourceView(ID3D11Device* dev, const D3D11_SHADER_INPUT_BIND_DESC& r,
                                           ID3D11DeviceChild* object) {
    ID3D11ShaderResourceView* view = nullptr;
    const bool bufferDimension =
        r.Dimension == D3D_SRV_DIMENSION_BUFFER || r.Dimension == D3D_SRV_DIMENSION_BUFFEREX;
    if (r.Type == D3D_SIT_TEXTURE && !bufferDimension) {
        if (auto* resource = objectAs<ID3D11Resource>(object, r.Name, "a texture"))
            dev->CreateShaderResourceView(resource, nullptr, &view);
        return view;
    }
    auto* buffer = objectAs<ID3D11Buffer>(object, r.Name, "a buffer");
    if (!buffer) return nullptr;
    D3D11_BUFFER_DESC desc{};
    buffer->GetDesc(&desc);
    D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc{};
    viewDesc.ViewDimension = D3D11_SRV_DIMENSION_BUFFEREX;
    viewDesc.BufferEx.FirstElement = 0;
    viewDesc.BufferEx.Flags = 0;
    switch (r.Type) {
        case D3D_SIT_STRUCTURED:
            viewDesc.Format = DXGI_FORMAT_UNKNOWN;
            viewDesc.BufferEx.NumElements = desc.StructureByteStride ? desc.ByteWidth / desc.StructureByteStride : 0;
            break;
        case D3D_SIT_BYTEADDRESS:
            viewDesc.Format = DXGI_FORMAT_R32_TYPELESS;
            viewDesc.BufferEx.NumElements = desc.ByteWidth / 4;
            viewDesc.BufferEx.Flags = D3D11_BUFFEREX_SRV_FLAG_RAW;
            break;
        case D3D_SIT_TEXTURE: {  // a typed buffer
            viewDesc.Format = typedBufferFormat(r);
            const UINT bytes = formatBytes(viewDesc.Format);
            viewDesc.BufferEx.NumElements = bytes ? desc.ByteWidth / bytes : 0;
            break;
        }
        default:
            // A tbuffer has no shader resource view on this platform; no
            // production shader declares one.
            debugOutput(std::string("No resource view for the tbuffer '") + r.Name + "'");
            return nullptr;
    }
    dev->CreateShaderResourceView(buffer, &viewDesc, &view);
    return view;
}

// An unordered access view of `object` for the record, or null.
ID3D11UnorderedAccessView* makeUnorderedView(ID3D11Device* dev, const D3D11_SHADER_INPUT_BIND_DESC& r,
                                             ID3D11DeviceChild* object) {
    D3D11_UNORDERED_ACCESS_VIEW_DESC viewDesc{};
    viewDesc.Format = DXGI_FORMAT_UNKNOWN;  // the resource's own format
    ID3D11Resource* resource = nullptr;
    if (r.Type == D3D_SIT_UAV_RWTYPED) {
        auto* texture = objectAs<ID3D11Texture2D>(object, r.Name, "a texture");
        if (!texture) {
            if (object) debugOutput(std::string("No unordered access view for '") + r.Name + "'");
            return nullptr;
        }
        D3D11_TEXTURE2D_DESC desc{};
        texture->GetDesc(&desc);
        switch (r.Dimension) {
            case D3D_SRV_DIMENSION_TEXTURE2D:
                viewDesc.ViewDimension = D3D11_UAV_DIMENSION_TEXTURE2D;
                viewDesc.Texture2D.MipSlice = 0;
                break;
            case D3D_SRV_DIMENSION_TEXTURE2DARRAY:
                viewDesc.ViewDimension = D3D11_UAV_DIMENSION_TEXTURE2DARRAY;
                viewDesc.Texture2DArray = {0, 0, desc.ArraySize};
                break;
            default:
                // 1D and 3D textures and typed buffers do not exist in the
                // GPU layer; no production shader declares them.
                debugOutput(std::string("No unordered access view for '") + r.Name + "'");
                return nullptr;
        }
        resource = texture;
    } else {
        auto* buffer = objectAs<ID3D11Buffer>(object, r.Name, "a buffer");
        if (!buffer) return nullptr;
        D3D11_BUFFER_DESC desc{};
        buffer->GetDesc(&desc);
        const UINT structured = desc.StructureByteStride ? desc.ByteWidth / desc.StructureByteStride : 0;
        viewDesc.ViewDimension = D3D11_UAV_DIMENSION_BUFFER;
        viewDesc.Buffer.FirstElement = 0;
        switch (r.Type) {
            case D3D_SIT_UAV_RWSTRUCTURED:
                viewDesc.Buffer.NumElements = structured;
                viewDesc.Buffer.Flags = 0;
                break;
            case D3D_SIT_UAV_RWBYTEADDRESS:
                viewDesc.Format = DXGI_FORMAT_R32_TYPELESS;
                viewDesc.Buffer.NumElements = desc.ByteWidth / 4;
                viewDesc.Buffer.Flags = D3D11_BUFFER_UAV_FLAG_RAW;
                break;
            default:  // append, consume, structured with counter
                viewDesc.Buffer.NumElements = structured;
                viewDesc.Buffer.Flags = D3D11_BUFFER_UAV_FLAG_APPEND | D3D11_BUFFER_UAV_FLAG_COUNTER;
                break;
        }
        resource = buffer;
    }
    ID3D11UnorderedAccessView* view = nullptr;
    dev->CreateUnorderedAccessView(resource, &viewDesc, &view);
    return view;
}

// The render-target view of a pixel output and the size it gives the viewport.
ID3D11RenderTargetView* makeTargetView(ID3D11Device* dev, ID3D11DeviceChild* object, UINT& width, UINT& height) {
    auto* resource = dynamic_cast<ID3D11Resource*>(object);
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    if (resource) resource->GetType(&dimension);
    // The GPU layer has 2D textures only; 1D and 3D targets cannot exist.
    if (dimension != D3D11_RESOURCE_DIMENSION_TEXTURE2D) {
        debugOutput("No dimension for output!");
        return nullptr;
    }
    auto* texture = static_cast<ID3D11Texture2D*>(resource);
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    D3D11_RENDER_TARGET_VIEW_DESC viewDesc{};
    viewDesc.Format = desc.Format;
    if (desc.SampleDesc.Count <= 1) {
        if (desc.ArraySize == 1) {
            viewDesc.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2D;
            viewDesc.Texture2D.MipSlice = 0;
        } else {
            viewDesc.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2DARRAY;
            viewDesc.Texture2DArray = {0, 0, desc.ArraySize};
        }
    } else {
        viewDesc.ViewDimension =
            desc.ArraySize == 1 ? D3D11_RTV_DIMENSION_TEXTURE2DMS : D3D11_RTV_DIMENSION_TEXTURE2DMSARRAY;
        viewDesc.Texture2DArray = {0, 0, desc.ArraySize};
    }
    width = desc.Width;
    height = desc.Height;
    ID3D11RenderTargetView* view = nullptr;
    dev->CreateRenderTargetView(texture, &viewDesc, &view);
    return view;
}

void setViewport(ID3D11DeviceContext* ctx, float x, float y, float width, float height) {
    const D3D11_VIEWPORT viewport{x, y, width, height, 0.0f, 1.0f};
    ctx->RSSetViewports(1, &viewport);
}

}  // namespace

const StageTable kVertexStage{"vertex", &setShaderOf<ID3D11VertexShader, &ID3D11DeviceContext::VSSetShader>,
                              &ID3D11DeviceContext::VSSetConstantBuffers, &ID3D11DeviceContext::VSSetSamplers,
                              &ID3D11DeviceContext::VSSetShaderResources, StageTable::Other};
const StageTable kPixelStage{"pixel", &setShaderOf<ID3D11PixelShader, &ID3D11DeviceContext::PSSetShader>,
                             &ID3D11DeviceContext::PSSetConstantBuffers, &ID3D11DeviceContext::PSSetSamplers,
                             &ID3D11DeviceContext::PSSetShaderResources, StageTable::Pixel};
const StageTable kGeometryStage{"geometry", &setShaderOf<ID3D11GeometryShader, &ID3D11DeviceContext::GSSetShader>,
                                &ID3D11DeviceContext::GSSetConstantBuffers, &ID3D11DeviceContext::GSSetSamplers,
                                &ID3D11DeviceContext::GSSetShaderResources, StageTable::Other};
const StageTable kDomainStage{"domain", &setShaderOf<ID3D11DomainShader, &ID3D11DeviceContext::DSSetShader>,
                              &ID3D11DeviceContext::DSSetConstantBuffers, &ID3D11DeviceContext::DSSetSamplers,
                              &ID3D11DeviceContext::DSSetShaderResources, StageTable::Other};
const StageTable kHullStage{"hull", &setShaderOf<ID3D11HullShader, &ID3D11DeviceContext::HSSetShader>,
                            &ID3D11DeviceContext::HSSetConstantBuffers, &ID3D11DeviceContext::HSSetSamplers,
                            &ID3D11DeviceContext::HSSetShaderResources, StageTable::Other};
const StageTable kComputeStage{"compute", &setShaderOf<ID3D11ComputeShader, &ID3D11DeviceContext::CSSetShader>,
                               &ID3D11DeviceContext::CSSetConstantBuffers, &ID3D11DeviceContext::CSSetSamplers,
                               &ID3D11DeviceContext::CSSetShaderResources, StageTable::Compute};

std::pair<const std::string, ID3D11DeviceChild*> bindingEntry(std::string name, ID3D11DeviceChild* object) {
    return {std::move(name), object};
}

ShaderProgram loadShader(const std::string& name) {
    if (name.empty()) return {};
    const std::string key = keyOf(name);
    Renderer& renderer = *currentRenderer();
    if (auto cached = renderer.shaderCache.find(key); cached != renderer.shaderCache.end()) return cached->second;

    // An unknown key is a programming error: the registry's checked lookup
    // throws std::out_of_range.
    const std::int32_t id = renderer.registry.resourceId(key);
    const auto container = findResource(id, kShaderResourceType);
    ++resourceReads;
    ShaderProgram program;
    if (container) {
        program = makeProgram(key, shaderBlobOf(*container));
    } else {
        debugOutput("Shader '" + key + "' is not embedded in this build");
    }
    renderer.shaderCache.emplace(key, program);
    return program;
}

ShaderProgram loadShaderFromBlob(const std::string& key, std::span<const std::uint8_t> blob) {
    Renderer& renderer = *currentRenderer();
    if (auto cached = renderer.shaderCache.find(key); cached != renderer.shaderCache.end()) return cached->second;
    ShaderProgram program = makeProgram(key, blob);
    renderer.shaderCache.emplace(key, program);
    return program;
}

std::uint64_t shaderResourceReads() { return resourceReads; }

void bindProgram(const ShaderProgram& program, const BindingList& bindings, const StageTable& stage) {
    if (!program.shader) return;
    ID3D11Device* dev = device();
    ID3D11DeviceContext* ctx = context();

    std::array<ID3D11RenderTargetView*, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> targets{};
    ID3D11DepthStencilView* depthView = nullptr;
    std::array<ID3D11UnorderedAccessView*, D3D11_1_UAV_SLOT_COUNT> unordered{};
    std::array<UINT, D3D11_1_UAV_SLOT_COUNT> initialCounts{};
    UINT targetCount = 0;
    UINT unorderedCount = 0;

    stage.setShader(ctx, program.shader);

    for (const D3D11_SHADER_INPUT_BIND_DESC& r : program.resources) {
        if (r.BindCount != 1) debugOutput("... this never happened during clinical tests.");
        ID3D11DeviceChild* object = bindings.at(r.Name);
        switch (r.Type) {
            case D3D_SIT_CBUFFER: {
                ID3D11Buffer* buffer = objectAs<ID3D11Buffer>(object, r.Name, "a buffer");
                (ctx->*stage.setConstantBuffers)(r.BindPoint, 1, &buffer);
                break;
            }
            case D3D_SIT_SAMPLER: {
                ID3D11SamplerState* sampler = objectAs<ID3D11SamplerState>(object, r.Name, "a sampler");
                (ctx->*stage.setSamplers)(r.BindPoint, 1, &sampler);
                break;
            }
            case D3D_SIT_TEXTURE:
            case D3D_SIT_STRUCTURED:
            case D3D_SIT_BYTEADDRESS:
            case D3D_SIT_TBUFFER: {
                ID3D11ShaderResourceView* view = makeResourceView(dev, r, object);
                if (view) view->SetDebugName(std::string("Resource view for '") + r.Name + "'");
                (ctx->*stage.setShaderResources)(r.BindPoint, 1, &view);
                if (view) view->Release();  // the context keeps its own reference
                break;
            }
            default: {  // the unordered access types
                ID3D11UnorderedAccessView* view = makeUnorderedView(dev, r, object);
                if (view) view->SetDebugName(std::string("Unordered access view for '") + r.Name + "'");
                ++unorderedCount;
                if (r.BindPoint < unordered.size()) {
                    if (unordered[r.BindPoint]) unordered[r.BindPoint]->Release();
                    unordered[r.BindPoint] = view;
                    initialCounts[r.BindPoint] = 0xFFFFFFFF;  // keep the hidden counter
                } else if (view) {
                    debugOutput(std::string("Unordered access view slot of '") + r.Name + "' is out of range");
                    view->Release();
                }
                break;
            }
        }
    }

    if (stage.kind == StageTable::Pixel) {
        UINT viewportWidth = 0, viewportHeight = 0;
        bool haveViewport = false;
        if (auto depth = bindings.find("SV_Depth"); depth != bindings.end()) {
            if (auto* resource = dynamic_cast<ID3D11Resource*>(depth->second)) {
                dev->CreateDepthStencilView(resource, nullptr, &depthView);
                if (depthView) depthView->SetDebugName("Resource view for 'SV_Depth'");
                // Without a colour output the depth target sets the viewport.
                if (auto* texture = dynamic_cast<ID3D11Texture2D*>(resource)) {
                    D3D11_TEXTURE2D_DESC desc{};
                    texture->GetDesc(&desc);
                    viewportWidth = desc.Width;
                    viewportHeight = desc.Height;
                    haveViewport = true;
                }
            }
        }
        bool haveTarget = false;
        for (const D3D11_SIGNATURE_PARAMETER_DESC& p : program.outputs) {
            if (std::string_view(p.SemanticName) == "SV_Depth") continue;
            if (p.SemanticIndex != 0) debugOutput("No semantic indices, just creative names!");
            ID3D11DeviceChild* object = bindings.at(p.SemanticName);
            UINT width = 0, height = 0;
            ID3D11RenderTargetView* view = makeTargetView(dev, object, width, height);
            ++targetCount;
            if (view) view->SetDebugName(std::string("Render target view for '") + p.SemanticName + "'");
            if (p.Register < targets.size()) {
                if (targets[p.Register]) targets[p.Register]->Release();
                targets[p.Register] = view;
            } else if (view) {
                view->Release();
            }
            if (!haveTarget || view) {
                viewportWidth = width;
                viewportHeight = height;
                haveTarget = haveViewport = true;
            }
        }
        const UINT uavStart = std::min<UINT>(targetCount, D3D11_1_UAV_SLOT_COUNT);
        ctx->OMSetRenderTargetsAndUnorderedAccessViews(targetCount, targets.data(), depthView, uavStart,
                                                       unorderedCount, unordered.data() + uavStart,
                                                       initialCounts.data() + uavStart);
        if (haveViewport)
            setViewport(ctx, 0.0f, 0.0f, static_cast<float>(viewportWidth), static_cast<float>(viewportHeight));
        if (depthView) depthView->Release();
        for (ID3D11RenderTargetView* view : targets)
            if (view) view->Release();
    } else if (stage.kind == StageTable::Compute) {
        ctx->CSSetUnorderedAccessViews(0, unorderedCount, unordered.data(), initialCounts.data());
    }

    for (ID3D11UnorderedAccessView* view : unordered)
        if (view) view->Release();
}

void draw(const std::string& vertex, const std::string& pixel, const std::string& geometry,
          const std::string& domain, const std::string& hull, std::uint32_t vertexCount,
          const BindingList& bindings, D3D11_PRIMITIVE_TOPOLOGY topology, std::uint32_t viewportX,
          std::uint32_t viewportY, std::uint32_t viewportWidth, std::uint32_t viewportHeight) {
    bindProgram(loadShader(vertex), bindings, kVertexStage);
    bindProgram(loadShader(pixel), bindings, kPixelStage);
    bindProgram(loadShader(geometry), bindings, kGeometryStage);
    bindProgram(loadShader(domain), bindings, kDomainStage);
    bindProgram(loadShader(hull), bindings, kHullStage);
    ID3D11DeviceContext* ctx = context();
    ctx->IASetPrimitiveTopology(topology);
    if (viewportWidth != kNoViewport)
        setViewport(ctx, static_cast<float>(viewportX), static_cast<float>(viewportY),
                    static_cast<float>(viewportWidth), static_cast<float>(viewportHeight));
    ctx->Draw(vertexCount, 0);
    ctx->ClearState();
}

void drawIndexedIndirect(const std::string& vertex, const std::string& pixel, const BindingList& bindings,
                         ID3D11Buffer* indices, ID3D11Buffer* arguments) {
    bindProgram(loadShader(vertex), bindings, kVertexStage);
    bindProgram(loadShader(pixel), bindings, kPixelStage);
    ID3D11DeviceContext* ctx = context();
    ctx->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    ctx->IASetIndexBuffer(indices, DXGI_FORMAT_R32_UINT, 0);
    ctx->DrawIndexedInstancedIndirect(arguments, 0);
    ctx->ClearState();
}

void dispatch(const std::string& name, std::uint32_t x, std::uint32_t y, std::uint32_t z,
              const BindingList& bindings) {
    bindProgram(loadShader(name), bindings, kComputeStage);
    ID3D11DeviceContext* ctx = context();
    ctx->Dispatch(x, y, z);
    ctx->ClearState();
}

}  // namespace tolmero
