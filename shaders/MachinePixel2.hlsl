// Glossy machine bodies: the view ray reflected off the surface picks up 18
// fixed bluish-white specular lights. The random state starts from the same
// constants in every pixel, so every pixel sees the same lights; the loop is
// unrolled so that the compiler folds those draws into constants instead of
// running 108 hash mixes in every pixel.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

static const int kLightCount = 18;

struct MachinePixelInput
{
    float4 position : SV_Position;
    float3 Normal : Normal;
};

float4 main(MachinePixelInput input) : SV_Target
{
    // Camera-space view direction of this pixel, from the near plane to the far.
    float2 s = input.position.xy / float2(screenSize);
    float2 ndc = float2(2.0f * s.x - 1.0f, 2.0f * (1.0f - s.y) - 1.0f);
    float4 nearPoint = mul(clipToCamera, float4(ndc, 0.0f, 1.0f));
    float4 farPoint = mul(clipToCamera, float4(ndc, 1.0f, 1.0f));
    float3 d = normalize(farPoint.xyz / farPoint.w - nearPoint.xyz / nearPoint.w);

    // The normal arrives unnormalised on purpose: its length scales the reflection.
    float3 n = input.Normal;
    float3 r = 2.0f * dot(d, n) * n - d;

    uint3 state = uint3(0xFEC2A17Bu, 0xE3FCE8AFu, 0x297A03D4u);
    float3 sum = float3(0.0f, 0.0f, 0.0f);
    [unroll] for (int light = 0; light < kLightCount; ++light)
    {
        float u1 = unit(nextRandom(state));
        float u2 = unit(nextRandom(state));
        float u3 = unit(nextRandom(state));
        float u4 = unit(nextRandom(state));
        float u5 = unit(nextRandom(state));
        float u6 = unit(nextRandom(state));
        // Directions all around the horizon, tilted a little below it.
        float3 worldDirection = float3(u1 - 0.5f, -0.2f * u2, u3 - 0.5f);
        float3 L = normalize(mul(worldToCamera, float4(worldDirection, 0.0f)).xyz);
        float specular = pow(max(dot(L, r), 0.0f), 60.0f);
        float3 colour = float3(3.0f + u4, 3.0f + u5, 5.0f + u6);
        sum += specular * colour / 6.0f;
    }
    return float4(sum * 0.125f, 1.0f);
}
