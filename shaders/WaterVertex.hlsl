// The water of scene 1: the terrain's grid, nearly flat, each vertex heaving
// with its own frequency and amplitude taken from two noise fields.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float> randoms : register(t0);

struct WaterOutput
{
    float4 position : SV_Position;
    float2 UV : UV;
};

// Grid offsets (di, dj) of a quad's six vertices, as for the terrain.
static const uint2 kCorners[6] =
{
    uint2(0, 0), uint2(1, 0), uint2(0, 1),
    uint2(0, 1), uint2(1, 0), uint2(1, 1),
};

WaterOutput main(uint vertexId : SV_VertexID)
{
    uint quad = vertexId / 6;
    uint2 grid = uint2(quad >> 9, quad & 511u) + kCorners[vertexId % 6];
    float2 uv = float2(grid) / 512.0f;
    float2 waveCoordinates = float2(grid) / 128.0f;

    float phase = randoms.SampleLevel(linearSampler, float3(waveCoordinates, 4.0f), 0.0f) * 4.0f + 1.0f;
    float wave = cos(phase * time) * 0.5f + 0.5f;
    float amplitude = randoms.SampleLevel(linearSampler, float3(uv, 3.0f), 0.0f) * 0.5f + 0.05f;

    float4 world = float4(uv.x - 0.5f, amplitude * wave * 0.01f, uv.y - 0.5f, 1.0f);

    WaterOutput output;
    output.position = mul(cameraToClip, mul(worldToCamera, world));
    output.UV = uv;
    return output;
}
