// Grows the twigs around the stump: a per-pixel threshold from the pixel's
// height, the twig's number, a fine spatial shimmer and pixel noise, against
// the growth value. Above 1 the pixel is not there yet; just below it is the
// white growing edge.
#include "Random.hlsli"
#include "Billboard.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float4> stumpSprites : register(t0);

cbuffer stumpData : register(b0)
{
    float4 position;  // world point of the quads' foot
    float4 timing;    // y: the growth value
};

struct StumpPixelInput
{
    float4 position : SV_Position;
    float2 UV : UV;
    nointerpolation int Type : Type;
    float4 Wpos : Wpos;
};

float4 main(StumpPixelInput input) : SV_Target
{
    float4 colour = stumpSprites.SampleBias(linearSampler, float3(input.UV, float(input.Type)), -0.5f);
    float lod = stumpSprites.CalculateLevelOfDetail(linearSampler, input.UV);

    uint3 state = uint3(0u, uint(input.position.x), uint(input.position.y));
    float noise = unit(nextRandom(state));

    float3 w = input.Wpos.xyz;
    float threshold = -0.1f * noise + 0.01f * float(input.Type) + timing.y + 10.0f * w.y
                    + 0.1f * cos(50000.0f * w.x) * cos(50000.0f * w.z) * cos(50000.0f * w.y);
    if (input.Type == 0)
    {
        threshold = 0.0f;  // the stump itself is always there
    }

    if (isBackgroundWhite(colour.rgb, lod) || threshold > 1.0f)
    {
        discard;
    }
    if (threshold > 0.9f)
    {
        return float4(1.0f, 1.0f, 1.0f, 1.0f);
    }
    return pow(colour, 1.4f);
}
