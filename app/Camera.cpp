#include <cmath>

#include "app/CameraConstant.h"
#include "app/LaunchSettings.h"
#include "tracks/CameraAngles.h"

namespace tolmero {
namespace {

struct Vec3 {
    float x, y, z;
};

Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 normalize(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

// Rotations below this squared length would only shuffle rounding noise.
constexpr float kGivensThreshold = 1e-6f;

}  // namespace

Matrix4 cameraFrame(float eyeX, float eyeY, float eyeZ, float pitch, float yaw) {
    // d = (0, 0, 1) x (Rpitch x Ryaw): the third row of the product.
    const ViewDirection d = viewDirection(yaw, pitch);
    const Vec3 direction{d.x, d.y, d.z};

    const Vec3 eye{eyeX, eyeY, eyeZ};
    const Vec3 target = eye + direction;
    const Vec3 up{0.0f, 1.0f, 0.0f};
    const Vec3 f = normalize(target - eye);
    const Vec3 s = normalize(cross(f, up));
    const Vec3 u = cross(s, f);

    Matrix4 frame;
    frame.m = {s.x,  s.y,  s.z,  0.0f,  //
               u.x,  u.y,  u.z,  0.0f,  //
               -f.x, -f.y, -f.z, 0.0f,  //
               eye.x, eye.y, eye.z, 1.0f};
    return frame;
}

Matrix4 perspectiveProjection(float fieldOfViewDegrees, float aspect) {
    const float pi = 3.1415927f;
    const float k = 1.0f / std::tan(fieldOfViewDegrees * 0.5f * pi / 180.0f);
    Matrix4 projection;
    projection.at(0, 0) = k / aspect;
    projection.at(1, 1) = k;
    projection.at(2, 2) = kCameraFar / (kCameraNear - kCameraFar);
    projection.at(2, 3) = -1.0f;
    projection.at(3, 2) = kCameraNear * kCameraFar / (kCameraNear - kCameraFar);
    return projection;
}

Matrix4 invert(const Matrix4& matrix) {
    Matrix4 r = matrix;                  // becomes upper triangular
    Matrix4 q = Matrix4::identity();     // accumulates the rotations: Q^T
    for (int column = 0; column < 4; ++column) {
        for (int row = column + 1; row < 4; ++row) {
            const float a = r.at(column, column);
            const float b = r.at(row, column);
            const float lengthSquared = a * a + b * b;
            if (lengthSquared < kGivensThreshold) continue;
            const float length = std::sqrt(lengthSquared);
            const float c = a / length;
            const float s = b / length;
            for (int k = 0; k < 4; ++k) {
                const float top = r.at(column, k), bottom = r.at(row, k);
                r.at(column, k) = c * top + s * bottom;
                r.at(row, k) = -s * top + c * bottom;
                const float qTop = q.at(column, k), qBottom = q.at(row, k);
                q.at(column, k) = c * qTop + s * qBottom;
                q.at(row, k) = -s * qTop + c * qBottom;
            }
        }
    }
    // R X = Q^T I, solved column by column from the bottom row up.
    Matrix4 inverse;
    for (int column = 0; column < 4; ++column) {
        for (int row = 3; row >= 0; --row) {
            float sum = q.at(row, column);
            for (int k = row + 1; k < 4; ++k) sum -= r.at(row, k) * inverse.at(k, column);
            inverse.at(row, column) = sum / r.at(row, row);
        }
    }
    return inverse;
}

namespace {

CameraTracks cameraTracks(TrackSet& set, TrackHandle (TrackSet::*lookup)(std::string_view)) {
    return {(set.*lookup)("Camera position"), (set.*lookup)("Camera y angle"), (set.*lookup)("Camera x angle"),
            (set.*lookup)("Field of view"), (set.*lookup)("logo activation")};
}

}  // namespace

CameraTracks findCameraTracks(TrackSet& tracks) { return cameraTracks(tracks, &TrackSet::find); }

CameraTracks requireCameraTracks(TrackSet& tracks) { return cameraTracks(tracks, &TrackSet::require); }

void updateCamera(CameraConstant& camera, TrackSet& tracks, float t, const PixelSize& window,
                  const PixelSize& render) {
    updateCamera(camera, tracks, findCameraTracks(tracks), t, window, render);
}

void updateCamera(CameraConstant& camera, const TrackSet& set, const CameraTracks& tracks, float t,
                  const PixelSize& window, const PixelSize& render) {
    const TrackValue eye = set.evaluate(tracks.position, t);
    const float pitch = set.evaluate(tracks.pitch, t).y;
    const float yaw = set.evaluate(tracks.yaw, t).y;
    const float fieldOfView = set.evaluate(tracks.fieldOfView, t).y;
    const float logoActivation = set.evaluate(tracks.logoActivation, t).y;

    camera.cameraToWorld = cameraFrame(eye.x, eye.y, eye.z, pitch, yaw);
    const float aspect = static_cast<float>(window.width) / static_cast<float>(window.height);
    camera.cameraToClip = perspectiveProjection(fieldOfView, aspect);
    camera.worldToCamera = invert(camera.cameraToWorld);
    camera.clipToCamera = invert(camera.cameraToClip);
    camera.logoActivation = logoActivation;
    camera.screenSize[0] = render.width;
    camera.screenSize[1] = render.height;
}

}  // namespace tolmero
