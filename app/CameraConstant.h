#pragma once
// The constant buffer that every scene pass binds as "CameraConstant": the
// camera matrices, the size of the scene targets, the time in beats, the
// scene index and the two particle controls. Its layout is shared with the
// shaders byte for byte.

#include <cstddef>
#include <cstdint>

#include "scene/Matrix4.h"
#include "tracks/TrackSet.h"

namespace tolmero {

struct CameraConstant {
    Matrix4 worldToCamera;  // inverse of cameraToWorld (the view matrix)
    Matrix4 cameraToClip;   // perspective projection
    Matrix4 cameraToWorld;  // rows: right, up, back, eye
    Matrix4 clipToCamera;   // inverse of cameraToClip
    std::uint32_t screenSize[2] = {0, 0};  // renderSize
    // Not filled and read by no shader; kept for the layout.
    float fieldOfView = 0.0f;
    float nearPlane = 0.0f;
    float farPlane = 0.0f;
    float focalDepth = 0.0f;
    float aperture = 0.0f;
    float time = 0.0f;  // beats
    std::int32_t scene = 0;
    std::int32_t resetParticles = 0;
    float logoActivation = -1.0f;
    std::uint32_t dummy = 0;
};

static_assert(sizeof(CameraConstant) == 304);
static_assert(offsetof(CameraConstant, worldToCamera) == 0);
static_assert(offsetof(CameraConstant, cameraToClip) == 64);
static_assert(offsetof(CameraConstant, cameraToWorld) == 128);
static_assert(offsetof(CameraConstant, clipToCamera) == 192);
static_assert(offsetof(CameraConstant, screenSize) == 256);
static_assert(offsetof(CameraConstant, fieldOfView) == 264);
static_assert(offsetof(CameraConstant, nearPlane) == 268);
static_assert(offsetof(CameraConstant, farPlane) == 272);
static_assert(offsetof(CameraConstant, focalDepth) == 276);
static_assert(offsetof(CameraConstant, aperture) == 280);
static_assert(offsetof(CameraConstant, time) == 284);
static_assert(offsetof(CameraConstant, scene) == 288);
static_assert(offsetof(CameraConstant, resetParticles) == 292);
static_assert(offsetof(CameraConstant, logoActivation) == 296);
static_assert(offsetof(CameraConstant, dummy) == 300);

struct PixelSize;

// Camera near and far planes in scene units (the landscape spans one unit).
constexpr float kCameraNear = 0.0001f;
constexpr float kCameraFar = 2.0f;

// The tracks the camera follows: "Camera position", "Camera y angle" (pitch),
// "Camera x angle" (yaw), "Field of view" and "logo activation".
struct CameraTracks {
    TrackHandle position, pitch, yaw, fieldOfView, logoActivation;
};
// By name: a track the set lacks evaluates to zero.
CameraTracks findCameraTracks(TrackSet& tracks);
// Every one of them must be in the set; throws std::out_of_range naming the
// first one missing.
CameraTracks requireCameraTracks(TrackSet& tracks);

// Evaluates the camera tracks at t and overwrites the four matrices,
// logoActivation and screenSize. time and scene are the frame loop's.
void updateCamera(CameraConstant& camera, TrackSet& tracks, float t, const PixelSize& window,
                  const PixelSize& render);
void updateCamera(CameraConstant& camera, const TrackSet& set, const CameraTracks& tracks, float t,
                  const PixelSize& window, const PixelSize& render);

// Look-at frame of a camera at `eye` with the given pitch and yaw (radians).
Matrix4 cameraFrame(float eyeX, float eyeY, float eyeZ, float pitch, float yaw);

// Right-handed perspective projection, depth 0..1, for a vertical field of
// view in degrees.
Matrix4 perspectiveProjection(float fieldOfViewDegrees, float aspect);

// General 4 x 4 inverse: QR decomposition by Givens rotations, then
// back-substitution for each column of the identity.
Matrix4 invert(const Matrix4& matrix);

}  // namespace tolmero
