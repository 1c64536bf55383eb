// Two water photographs stretched once over the surface, cross-fading with a
// period of 2 pi beats.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float4> waterImages : register(t0);

float4 main(float4 position : SV_Position, float2 UV : UV) : SV_Target
{
    return lerp(waterImages.Sample(linearSampler, float3(UV, 0.0f)),
                waterImages.Sample(linearSampler, float3(UV, 1.0f)),
                sin(time) * 0.4f + 0.5f);
}
