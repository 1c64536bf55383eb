#include "scene/Machines.h"

#include <vector>

#include "render/GpuResources.h"
#include "render/ShaderProgram.h"

namespace tolmero {

using namespace gpu;

void createMachineMeshBuffers(SceneResources& scene) {
    const MachineMeshes& meshes = machineMeshes();
    scene.machineVertices = createStructuredBuffer(std::vector<Float3>(meshes.positions), D3D11_BIND_SHADER_RESOURCE, 0);
    scene.machineNormals = createStructuredBuffer(std::vector<Float3>(meshes.normals), D3D11_BIND_SHADER_RESOURCE, 0);
    scene.machineVertexIndices =
        createStructuredBuffer(std::vector<FaceIndices>(meshes.vertexIndex), D3D11_BIND_SHADER_RESOURCE, 0);
    scene.machineNormalIndices =
        createStructuredBuffer(std::vector<FaceIndices>(meshes.normalIndex), D3D11_BIND_SHADER_RESOURCE, 0);
    scene.machineTransformIndices =
        createStructuredBuffer(std::vector<std::uint32_t>(meshes.transformIndex), D3D11_BIND_SHADER_RESOURCE, 0);
}

namespace {

// Both draws: no culling (the stored winding is reversed on the way to the
// rasteriser anyway), and a slope-scaled depth bias.
D3D11_RASTERIZER_DESC machineRasterizerState(D3D11_FILL_MODE fill) {
    D3D11_RASTERIZER_DESC desc{};
    desc.FillMode = fill;
    desc.CullMode = D3D11_CULL_NONE;
    desc.FrontCounterClockwise = FALSE;
    desc.DepthBias = 0;
    desc.DepthBiasClamp = 0.0f;
    desc.SlopeScaledDepthBias = 1.0f;
    desc.DepthClipEnable = TRUE;
    desc.ScissorEnable = FALSE;
    desc.MultisampleEnable = FALSE;
    desc.AntialiasedLineEnable = FALSE;
    return desc;
}

}  // namespace

void drawMachines(const SceneResources& scene) {
    const BindingList bindings = {
        bindingEntry("SV_Target", scene.sceneColour),
        bindingEntry("CameraConstant", scene.camera),
        bindingEntry("SV_Depth", scene.depth),
        bindingEntry("vertex", scene.machineVertices),
        bindingEntry("normal", scene.machineNormals),
        bindingEntry("vertexIndex", scene.machineVertexIndices),
        bindingEntry("normalIndex", scene.machineNormalIndices),
        bindingEntry("transformIndex", scene.machineTransformIndices),
        bindingEntry("transform", scene.transform),
    };
    // The wireframe first: pushed out along the normals, its lines stay in
    // front of the solid bodies drawn after it.
    setRasterizerState(machineRasterizerState(D3D11_FILL_WIREFRAME));
    draw("MachineVertex.hlsl:main:vs_5_0", "MachinePixel.hlsl:main:ps_5_0", "", "", "", kMachineVertexCount, bindings,
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    setRasterizerState(machineRasterizerState(D3D11_FILL_SOLID));
    draw("MachineVertex2.hlsl:main:vs_5_0", "MachinePixel2.hlsl:main:ps_5_0", "", "", "", kMachineVertexCount,
         bindings, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

}  // namespace tolmero
