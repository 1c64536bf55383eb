#pragma once
// The passes of the production as the frame loop sees them: one hook per
// start-up step and per pass, called in the fixed order of the loop. The GPU
// scene implements them; tests record them.

#include <array>
#include <string_view>

#include "app/CameraConstant.h"
#include "app/FrameState.h"
#include "scene/MachineRig.h"

namespace tolmero {

enum class ParticleSystem {
    Logo,    // the scene-0 buffer: the logo that forms and blows away
    Flames,  // the scene-3 buffer: fire
};

class FramePasses {
public:
    virtual ~FramePasses() = default;

    // Start-up.
    virtual void createResources() = 0;  // targets, buffers, images, arrays, meshes
    virtual void generateRandoms() = 0;  // the eight random fields

    // The "CameraConstant" buffer that the following passes bind, made from a
    // snapshot of the record, and its release.
    virtual void createCameraBuffer(const CameraConstant& camera) = 0;
    virtual void releaseCameraBuffer() = 0;

    // Per frame: the frame's other small buffers.
    virtual void createTransformBuffer(const std::array<Matrix4, MachineRig::kPartCount>& transforms) = 0;
    virtual void createStumpBuffer(const StumpData& stumpData) = 0;
    virtual void releaseFrameBuffers() = 0;  // "CameraConstant", "stumpData", "transform"

    // Closes the previous frame (present, timing report, message pump, F11);
    // false once the quit message arrived.
    virtual bool endFrame() = 0;
    // Opens a named profiler section.
    virtual void mark(std::string_view section) = 0;

    virtual void clearSceneTargets() = 0;
    virtual void scatterVegetation() = 0;
    virtual void drawMachines() = 0;
    virtual void simulateParticles(ParticleSystem system) = 0;
    virtual void drawParticles(ParticleSystem system) = 0;
    virtual void drawWater() = 0;
    virtual void drawStumps() = 0;
    virtual void drawTerrain() = 0;
    virtual void drawVegetation() = 0;
    virtual void drawCharacters(const AnimInfo& animInfo) = 0;
    virtual void drawSky() = 0;
    virtual void squeeze() = 0;
    virtual void drawTitleCard(int card) = 0;  // draws nothing outside 0..3
    virtual void bloom(float strength) = 0;
    virtual void blit() = 0;
};

}  // namespace tolmero
