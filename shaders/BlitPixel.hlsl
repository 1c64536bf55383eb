// The finished frame: the result plus the glow (squared and amplified), with
// a tiled dither offset of at most +-0.002 that breaks up banding in the
// 8-bit output.
#include "Random.hlsli"

Texture2D<float4> result : register(t0);
Texture2D<float4> result2 : register(t1);  // the glow
Texture2D<float4> dither : register(t2);

float4 main(float4 position : SV_Position) : SV_Target
{
    uint2 pixel = uint2(position.xy);
    uint width, height;
    result.GetDimensions(width, height);
    if (pixel.y >= height)
    {
        discard;
    }

    float4 glow = result2.Load(int3(pixel, 0));
    float4 colour = result.Load(int3(pixel, 0)) + 2000.0f * glow * glow;

    uint ditherWidth, ditherHeight;
    dither.GetDimensions(ditherWidth, ditherHeight);
    float4 t = dither.Load(int3(pixel.x % ditherWidth, pixel.y % ditherHeight, 0));
    return colour + 0.2f * (0.02f * t - 0.01f);
}
