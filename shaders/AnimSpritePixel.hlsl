// The character's frames are hand-drawn with an alpha channel: anything not
// fully opaque is cut away, the rest is drawn at half brightness.
#include "Random.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float4> sprites : register(t0);

struct AnimSpritePixelInput
{
    float4 position : SV_Position;
    float2 UV : UV;
    nointerpolation int Type : Type;
    nointerpolation int Index : Index;
};

float4 main(AnimSpritePixelInput input) : SV_Target
{
    float4 colour = sprites.SampleBias(linearSampler, float3(input.UV, float(input.Type)), -0.5f);
    if (colour.a < 0.98f)
    {
        discard;
    }
    return pow(colour, 1.4f) * 0.5f;
}
