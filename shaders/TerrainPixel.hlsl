// Ground colour: forest floor on high ground (the night image in scene 3),
// bog at and below height 0, with a shore band whose width varies across the
// landscape so that the shore line is ragged.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float> randoms : register(t0);
Texture2DArray<float4> ground : register(t1);

float4 main(float4 position : SV_Position, float4 BrightHeightUV : BrightHeightUV) : SV_Target
{
    float bright = BrightHeightUV.x;
    float h = BrightHeightUV.y;
    float2 tiling = BrightHeightUV.zw;

    float4 forest = ground.Sample(linearSampler, float3(tiling, scene == 3 ? 1.0f : 0.0f));

    // Two bog images mixed by a noise field that repeats with the tiling.
    float mixing = randoms.Sample(linearSampler, float3(tiling, 6.0f));
    float4 bog = lerp(ground.Sample(linearSampler, float3(tiling, 2.0f)),
                      ground.Sample(linearSampler, float3(tiling, 3.0f)), saturate(mixing + 0.5f));

    float band = randoms.Sample(linearSampler, float3(tiling * 0.01f, 5.0f));
    float k = saturate(h / (0.01f - 0.6f * abs(band)));
    float bogWeight = 1.0f - k * k * (3.0f - 2.0f * k);

    return float4(lerp(forest, bog, bogWeight).rgb * bright, 1.0f);
}
