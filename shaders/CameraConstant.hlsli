// The per-frame camera constants that every scene pass binds as
// "CameraConstant". The CPU stores each matrix row after row in the
// row-vector convention (p' = p M); declared column-major here, the same
// bytes multiply a column vector as mul(M, v).
#ifndef TOLMERO_CAMERA_CONSTANT_HLSLI
#define TOLMERO_CAMERA_CONSTANT_HLSLI

cbuffer CameraConstant : register(b0)
{
    column_major float4x4 worldToCamera;
    column_major float4x4 cameraToClip;
    column_major float4x4 cameraToWorld;
    column_major float4x4 clipToCamera;
    uint2 screenSize;       // size of the scene targets in pixels
    float fieldOfView;      // not filled
    float nearPlane;        // not filled
    float farPlane;         // not filled
    float focalDepth;       // not filled
    float aperture;         // not filled
    float time;             // beats
    int scene;              // 0..3
    int resetParticles;
    float logoActivation;
    uint dummy;
};

#endif
