#pragma once
// The frame loop's hooks on the GPU: the start-up resources and the frame's
// small buffers live here, and each pass hook hands them to the scene module
// that draws it. A thin dispatcher: the passes themselves live in scene/.

#include <array>
#include <string_view>

#include "app/FramePasses.h"
#include "app/LaunchSettings.h"
#include "scene/SceneResources.h"

namespace tolmero {

class ProductionPasses : public FramePasses {
public:
    // Needs a current renderer (createRenderer) for every hook.
    explicit ProductionPasses(const LaunchSettings& settings);

    void createResources() override;
    void generateRandoms() override;

    void createCameraBuffer(const CameraConstant& camera) override;
    void releaseCameraBuffer() override;
    void createTransformBuffer(const std::array<Matrix4, MachineRig::kPartCount>& transforms) override;
    void createStumpBuffer(const StumpData& stumpData) override;
    void releaseFrameBuffers() override;

    bool endFrame() override;
    void mark(std::string_view section) override;

    void clearSceneTargets() override;
    void scatterVegetation() override;
    void drawMachines() override;
    void simulateParticles(ParticleSystem system) override;
    void drawParticles(ParticleSystem system) override;
    void drawWater() override;
    void drawStumps() override;
    void drawTerrain() override;
    void drawVegetation() override;
    void drawCharacters(const AnimInfo& animInfo) override;
    void drawSky() override;
    void squeeze() override;
    void drawTitleCard(int card) override;
    void bloom(float strength) override;
    void blit() override;

    const SceneResources& resources() const { return scene_; }

private:
    LaunchSettings settings_;
    SceneResources scene_;
};

}  // namespace tolmero
