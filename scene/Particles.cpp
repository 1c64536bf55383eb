#include "scene/Particles.h"

#include <array>
#include <vector>

#include "render/GpuResources.h"
#include "render/ShaderProgram.h"
#include "scene/Culling.h"

namespace tolmero {

using namespace gpu;

ID3D11Buffer* createParticleBuffer() {
    std::vector<std::array<float, 4>> zeros(kParticlesPerSystem, {0.0f, 0.0f, 0.0f, 0.0f});
    return createStructuredBuffer(zeros, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
}

void simulateParticles(const SceneResources& scene, ID3D11Buffer* particles) {
    dispatch("SimulateParticle.hlsl:main:cs_5_0", kParticleGroups, 1, 1,
             {bindingEntry("randoms", scene.randoms), bindingEntry("particles", particles),
              bindingEntry("linearSampler", scene.linearSampler), bindingEntry("CameraConstant", scene.camera),
              bindingEntry("logo", scene.logo)});
}

void drawParticles(const SceneResources& scene, ID3D11Buffer* particles) {
    const char* vertex = "ParticleVertex.hlsl:main:vs_5_0";
    const char* pixel = "ParticlePixel.hlsl:main:ps_5_0";
    const BindingList bindings = {bindingEntry("SV_Target", scene.sceneColour),
                                  bindingEntry("CameraConstant", scene.camera), bindingEntry("SV_Depth", scene.depth),
                                  bindingEntry("particles", particles)};
    if (cullingEnabled() && scene.particleIndices) {
        cullParticles(scene, particles);
        drawIndexedIndirect(vertex, pixel, bindings, scene.particleIndices, scene.particleArguments);
    } else {
        draw(vertex, pixel, "", "", "", kParticlesPerSystem * kVerticesPerParticle, bindings,
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    }
}

}  // namespace tolmero
