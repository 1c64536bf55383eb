#include "app/ProductionPasses.h"

#include <string>
#include <vector>

#include "app/FrameLoop.h"
#include "render/GpuResources.h"
#include "render/Profiler.h"
#include "render/Renderer.h"
#include "render/ShaderProgram.h"
#include "scene/Characters.h"
#include "scene/Culling.h"
#include "scene/Finishing.h"
#include "scene/Machines.h"
#include "scene/Particles.h"
#include "scene/RandomFields.h"
#include "scene/SceneImages.h"
#include "scene/Stumps.h"
#include "scene/Terrain.h"
#include "scene/TitleCards.h"
#include "scene/Vegetation.h"

namespace tolmero {

using namespace gpu;

namespace {

// One particle as the simulation stores it: 16 bytes.
struct ParticleRecord {
    float values[4];
};
static_assert(sizeof(ParticleRecord) == 16);

void releaseAndClear(ID3D11Buffer*& buffer) {
    releaseObject(buffer);
    buffer = nullptr;
}

}  // namespace

ProductionPasses::ProductionPasses(const LaunchSettings& settings) : settings_(settings) {
    const PixelSize window = windowSize(settings_);
    const PixelSize render = renderSize(settings_);
    scene_.windowWidth = window.width;
    scene_.windowHeight = window.height;
    scene_.renderWidth = render.width;
    scene_.renderHeight = render.height;
    scene_.supersampleX = static_cast<std::uint32_t>(settings_.supersample.x);
    scene_.supersampleY = static_cast<std::uint32_t>(settings_.supersample.y);
}

void ProductionPasses::createResources() {
    const std::uint32_t targetBinds = D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE;
    const std::uint32_t readWrite = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS;

    scene_.sceneColour =
        createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, scene_.renderWidth, scene_.renderHeight, targetBinds, 0);
    scene_.result = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, scene_.windowWidth, scene_.windowHeight,
                                  targetBinds | D3D11_BIND_UNORDERED_ACCESS, 0);
    scene_.bloom = createTexture(DXGI_FORMAT_R16G16B16A16_FLOAT, scene_.windowWidth, scene_.windowHeight,
                                 targetBinds | D3D11_BIND_UNORDERED_ACCESS, 0);
    scene_.bloomColumns =
        createTexture(DXGI_FORMAT_R16G16B16A16_FLOAT, scene_.windowWidth, scene_.windowHeight, readWrite, 0);
    scene_.squeezeConstants = createSqueezeConstants(scene_.supersampleX, scene_.supersampleY);
    // Typeless, so that the sprites' culling can read what the passes before
    // them have drawn.
    scene_.depth = createTexture(DXGI_FORMAT_R32_TYPELESS, scene_.renderWidth, scene_.renderHeight,
                                 D3D11_BIND_DEPTH_STENCIL | D3D11_BIND_SHADER_RESOURCE, 0);
    scene_.linearSampler =
        createSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_COMPARISON_ALWAYS);
    scene_.randoms = createRandomFields();
    scene_.spriteLocations = createStructuredBufferUninitialized(kSpriteCount, readWrite, 0);
    scene_.logoParticles = createStructuredBuffer(std::vector<ParticleRecord>(kParticlesPerSystem), readWrite, 0);
    scene_.flameParticles = createStructuredBuffer(std::vector<ParticleRecord>(kParticlesPerSystem), readWrite, 0);

    // The images, in this order: "sprites/dither.png" (linear), the logo,
    // then the texture arrays of the 16 stump images, the 4 ground images,
    // the 45 character frames with their aspect ratios, the 20 vegetation
    // images with theirs, the 2 water and the 2 sky images.
    createSceneImages(scene_);
    // The vegetation tables after the sky images, then the machine meshes
    // (the rig's pivots are converted when the frame loop's rig is made).
    createVegetationTables(scene_);
    createMachineMeshBuffers(scene_);
    createCullingBuffers(scene_);
}

void ProductionPasses::generateRandoms() { generateRandomFields(scene_); }

void ProductionPasses::createCameraBuffer(const CameraConstant& camera) {
    scene_.camera = createConstantBuffer(camera);
}

void ProductionPasses::releaseCameraBuffer() { releaseAndClear(scene_.camera); }

void ProductionPasses::createTransformBuffer(const std::array<Matrix4, MachineRig::kPartCount>& transforms) {
    std::vector<Matrix4> matrices(transforms.begin(), transforms.end());
    scene_.transform = createStructuredBuffer(matrices, D3D11_BIND_SHADER_RESOURCE, 0);
}

void ProductionPasses::createStumpBuffer(const StumpData& stumpData) {
    scene_.stumpData = createConstantBuffer(stumpData);
}

void ProductionPasses::releaseFrameBuffers() {
    releaseAndClear(scene_.camera);
    releaseAndClear(scene_.stumpData);
    releaseAndClear(scene_.transform);
}

bool ProductionPasses::endFrame() { return tolmero::endFrame(); }

void ProductionPasses::mark(std::string_view section) { profilerMark(std::string(section)); }

void ProductionPasses::clearSceneTargets() {
    clearTarget(scene_.sceneColour, {0.005f, 0.005f, 0.005f, 1.0f});
    clearDepth(scene_.depth, 1.0f, 0);
}

void ProductionPasses::scatterVegetation() {
    tolmero::scatterVegetation(scene_);
    // The new scene's ground and sprites, measured for their culling.
    measureLandscapeTiles(scene_);
    measureSprites(scene_);
}

void ProductionPasses::drawMachines() { tolmero::drawMachines(scene_); }

void ProductionPasses::simulateParticles(ParticleSystem system) {
    tolmero::simulateParticles(scene_, system == ParticleSystem::Logo ? scene_.logoParticles : scene_.flameParticles);
}

void ProductionPasses::drawParticles(ParticleSystem system) {
    tolmero::drawParticles(scene_, system == ParticleSystem::Logo ? scene_.logoParticles : scene_.flameParticles);
}

void ProductionPasses::drawWater() { tolmero::drawWater(scene_); }

void ProductionPasses::drawStumps() { tolmero::drawStumps(scene_); }

void ProductionPasses::drawTerrain() { tolmero::drawTerrain(scene_); }

void ProductionPasses::drawVegetation() { tolmero::drawVegetation(scene_); }

void ProductionPasses::drawCharacters(const AnimInfo& animInfo) { tolmero::drawCharacters(scene_, animInfo); }

void ProductionPasses::drawSky() { tolmero::drawSky(scene_); }

void ProductionPasses::squeeze() { tolmero::squeeze(scene_); }

void ProductionPasses::drawTitleCard(int card) { tolmero::drawTitleCard(card, scene_.result); }

void ProductionPasses::bloom(float strength) { tolmero::bloom(scene_, strength); }

void ProductionPasses::blit() { tolmero::blit(scene_, backBuffer()); }

}  // namespace tolmero
