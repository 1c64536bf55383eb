// Glyph coverage by supersampling: 8 x 8 samples of the glyph bitmap spread
// over the pixel's footprint (from the coarse derivatives of the texture
// coordinates); the pixel is drawn opaque white when at least half of them
// fall on the glyph (red above one half), else discarded.
#include "Random.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float4> font : register(t0);

struct TextPixelInput
{
    float4 position : SV_Position;
    float2 UV : UV;
    nointerpolation uint Index : Index;
};

float4 main(TextPixelInput input) : SV_Target
{
    float2 uv = input.UV;
    float fu = sqrt(ddx_coarse(uv.x) * ddx_coarse(uv.x) + ddy_coarse(uv.x) * ddy_coarse(uv.x));
    float fv = sqrt(ddx_coarse(uv.y) * ddx_coarse(uv.y) + ddy_coarse(uv.y) * ddy_coarse(uv.y));
    float slice = float(input.Index);

    uint hits = 0;
    for (uint i = 0; i < 8; ++i)
    {
        for (uint j = 0; j < 8; ++j)
        {
            float2 at = float2(uv.x + fu * float(i) * 0.125f, uv.y + fv * float(j) * 0.125f);
            float4 texel = font.SampleLevel(linearSampler, float3(at, slice), 0.0f);
            if (texel.r > 0.5f)
            {
                hits += 1;
            }
        }
    }

    if (hits < 32)
    {
        discard;
    }
    return float4(1.0f, 1.0f, 1.0f, 1.0f);
}
