// The sky panorama in the pixel's world direction: round the horizon twice,
// from the horizon (v = 0) to the zenith (v = 1), the lower hemisphere
// mirroring the upper. The night sky in scene 3.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float4> skyImages : register(t0);

static const float kPi = 3.14159265f;

float3 unproject(float2 clip, float depth)
{
    float4 camera = mul(clipToCamera, float4(clip, depth, 1.0f));
    float4 world = mul(cameraToWorld, camera);
    return world.xyz / world.w;
}

float4 main(float4 position : SV_Position, float2 UV : UV) : SV_Target
{
    float3 d = normalize(unproject(UV, 1.0f) - unproject(UV, 0.0f));

    float u = atan2(d.z, d.x) / kPi;
    float elevation = atan2(d.y, sqrt(d.x * d.x + d.z * d.z));
    float v = abs(elevation) / (0.5f * kPi);

    float4 colour = skyImages.Sample(linearSampler, float3(u, v, scene == 3 ? 1.0f : 0.0f));
    return colour * 0.5f;
}
