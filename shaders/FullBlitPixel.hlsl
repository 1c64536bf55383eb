// Stretches "image" over the whole target: each pixel samples the image at
// its own position relative to the target size.
#include "Random.hlsli"

SamplerState linearSampler : register(s0);
Texture2D<float4> image : register(t0);

cbuffer ScreenSizeBuffer : register(b0)
{
    float2 screenSize;
    uint2 dummy;
};

float4 main(float4 position : SV_Position) : SV_Target
{
    return image.Sample(linearSampler, position.xy / screenSize);
}
