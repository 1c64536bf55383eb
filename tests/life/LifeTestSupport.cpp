#include "tests/life/LifeTestSupport.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "render/ShaderProgram.h"
#include "tests/support/renderer/GeneratedTexture.h"

namespace lifetest {

using namespace tolmero;
using namespace tolmero::gpu;

ID3D11SamplerState* sharedSampler() {
    static ID3D11SamplerState* sampler = nullptr;
    if (sampler) return sampler;
    if (!testsupport::sharedHeadlessRenderer()) return nullptr;
    sampler = createSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_COMPARISON_ALWAYS);
    return sampler;
}

void LifeTest::SetUp() {
    HeadlessRendererTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(sharedSampler(), nullptr);
}

std::string loadTestProgram(const std::string& name) {
    const std::string path = std::string(LIFE_TEST_SHADER_DIR) + "/" + name + ".spv";
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> blob((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(blob.empty()) << path;
    const std::string key = name + ".hlsl:main:cs_5_0";
    loadShaderFromBlob(key, blob);
    return key;
}

CameraConstant makeCamera(std::array<float, 3> eye, float pitch, float yaw, float fieldOfViewDegrees,
                          std::uint32_t width, std::uint32_t height) {
    CameraConstant camera;
    camera.cameraToWorld = cameraFrame(eye[0], eye[1], eye[2], pitch, yaw);
    camera.worldToCamera = invert(camera.cameraToWorld);
    camera.cameraToClip = perspectiveProjection(fieldOfViewDegrees, static_cast<float>(width) / static_cast<float>(height));
    camera.clipToCamera = invert(camera.cameraToClip);
    camera.screenSize[0] = width;
    camera.screenSize[1] = height;
    return camera;
}

SceneResources makeTargets(std::uint32_t width, std::uint32_t height) {
    SceneResources scene;
    scene.windowWidth = scene.renderWidth = width;
    scene.windowHeight = scene.renderHeight = height;
    scene.linearSampler = sharedSampler();
    scene.sceneColour = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, width, height,
                                      D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, 0);
    scene.depth = createTexture(DXGI_FORMAT_D32_FLOAT, width, height, D3D11_BIND_DEPTH_STENCIL, 0);
    clearTarget(scene.sceneColour, {0.0f, 0.0f, 0.0f, 0.0f});
    clearDepth(scene.depth, 1.0f, 0);
    return scene;
}

void releaseTargets(SceneResources& scene) {
    releaseObject(scene.sceneColour);
    releaseObject(scene.depth);
    scene.sceneColour = nullptr;
    scene.depth = nullptr;
}

Pixels readTargets(const SceneResources& scene) {
    Pixels pixels;
    pixels.width = scene.renderWidth;
    pixels.height = scene.renderHeight;
    const std::size_t count = std::size_t{pixels.width} * pixels.height;
    pixels.rgba.resize(count);
    pixels.depth.resize(count);
    EXPECT_EQ(context()->ReadSubresource(scene.sceneColour, 0, pixels.rgba.data(), count * 4), S_OK);
    EXPECT_EQ(context()->ReadSubresource(scene.depth, 0, pixels.depth.data(), count * 4), S_OK);
    return pixels;
}

ID3D11Texture2D* uniformArray(const std::vector<std::array<float, 4>>& colours, std::uint32_t size) {
    return createGeneratedTexture(size, size, static_cast<std::uint32_t>(colours.size()), true,
                                  [&](std::uint32_t, std::uint32_t, std::uint32_t slice) {
                                      const std::array<float, 4>& c = colours[slice];
                                      return TexelColour{c[0], c[1], c[2], c[3]};
                                  });
}

float stored8(float value) { return std::round(std::clamp(value, 0.0f, 1.0f) * 255.0f) / 255.0f; }

}  // namespace lifetest
