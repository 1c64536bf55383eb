#pragma once
// Shader programs and binding by reflected names.
//
// Passes never bind to numbered slots. A pass names its shaders and hands over
// a BindingList of (name, object) pairs; each shader is loaded from the
// embedded containers once, its reflection tells which names it declares, and
// every declared name is looked up in the list: constant buffers, samplers,
// textures and buffers by their HLSL names, colour targets by the pixel
// shader's output semantic ("SV_Target") and the depth target by "SV_Depth".
// A declared name that the list lacks is a programming error: the checked
// std::map::at throws std::out_of_range, nothing catches it, and the process
// ends. Every draw and dispatch ends by resetting the context to its defaults.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "gpu/D3D11.h"

namespace tolmero {

// One loaded shader stage with its reflection records. The name strings in
// the records belong to the shader's reflection object, which lives for the
// rest of the process. Copies share the shader object without a reference of
// their own; the shader cache holds the one reference.
struct ShaderProgram {
    gpu::ID3D11DeviceChild* shader = nullptr;  // null for an empty name
    gpu::D3D11_SHADER_DESC description{};
    std::vector<gpu::D3D11_SHADER_INPUT_BIND_DESC> resources;  // in reflection order
    std::vector<gpu::D3D11_SIGNATURE_PARAMETER_DESC> outputs;  // in reflection order
};

// Name -> GPU object (a buffer, a texture or a sampler). Holds no references.
// Built from bindingEntry pairs; when two pairs carry the same name, the first
// one wins (std::map's insertion keeps the first).
using BindingList = std::map<std::string, gpu::ID3D11DeviceChild*>;

std::pair<const std::string, gpu::ID3D11DeviceChild*> bindingEntry(std::string name,
                                                                    gpu::ID3D11DeviceChild* object);

// Loads a shader by its asset name "path/File.hlsl:entry:target" (a directory
// part before the last '/' or '\' is ignored: the rest is the key). Cached by
// key: a second load of the same key reads nothing. An empty name gives an
// empty program.
ShaderProgram loadShader(const std::string& name);

// Test and tooling hook: puts a program made from a SPIR-V blob into the
// current renderer's shader cache under `key` (the same steps as loadShader
// after reading the container), unless the key is cached already. Lets tests
// bind shaders that are not among the embedded assets.
ShaderProgram loadShaderFromBlob(const std::string& key, std::span<const std::uint8_t> blob);

// How many shader containers loadShader has read from the embedded resources
// in this process (each key is read once).
std::uint64_t shaderResourceReads();

// The context operations of one shader stage, and what else its binding does:
// 1 = pixel (targets, depth, pixel-stage UAVs, viewport), 0 = compute
// (compute-stage UAVs), 2 = any other stage.
struct StageTable;
extern const StageTable kVertexStage;
extern const StageTable kPixelStage;
extern const StageTable kGeometryStage;
extern const StageTable kDomainStage;
extern const StageTable kHullStage;
extern const StageTable kComputeStage;

// Binds one stage: its shader and every resource its reflection declares.
void bindProgram(const ShaderProgram& program, const BindingList& bindings, const StageTable& stage);

constexpr std::uint32_t kNoViewport = 0xFFFFFFFF;

// Draws vertexCount vertices with the named stages (any name may be empty),
// every stage bound from `bindings`. Without an explicit viewport
// (viewportWidth == kNoViewport) the viewport is the last render target's
// size. No vertex or index buffer is ever bound.
void draw(const std::string& vertex, const std::string& pixel, const std::string& geometry,
          const std::string& domain, const std::string& hull, std::uint32_t vertexCount,
          const BindingList& bindings, gpu::D3D11_PRIMITIVE_TOPOLOGY topology, std::uint32_t viewportX = 0,
          std::uint32_t viewportY = 0, std::uint32_t viewportWidth = kNoViewport, std::uint32_t viewportHeight = 0);

// Draws the named vertex and pixel stages as an indexed triangle list whose
// index count comes from `arguments` (five 32-bit draw arguments written on
// the GPU): each vertex's SV_VertexID is the index, so a list of the vertex
// numbers that matter draws exactly those vertices of the unindexed draw.
void drawIndexedIndirect(const std::string& vertex, const std::string& pixel, const BindingList& bindings,
                         gpu::ID3D11Buffer* indices, gpu::ID3D11Buffer* arguments);

// Runs the named compute shader with x * y * z thread groups.
void dispatch(const std::string& name, std::uint32_t x, std::uint32_t y, std::uint32_t z,
              const BindingList& bindings);

}  // namespace tolmero
