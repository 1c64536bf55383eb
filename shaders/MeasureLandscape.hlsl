// The height range of each tile of the landscape grids, for culling: a tile
// is 16 quads of one grid column (quads 16 t to 16 t + 15 in the grids' own
// order, 96 vertices). The heights are sampled exactly as TerrainVertex and
// WaterVertex sample them, at every grid point of the tile; the water's
// heave (a wave between 0 and 1 times its amplitude) is bounded by 0 and the
// full amplitude.
#include "Random.hlsli"
#include "CameraConstant.hlsli"

SamplerState linearSampler : register(s0);
Texture2DArray<float> randoms : register(t0);
RWStructuredBuffer<float2> terrainHeights : register(u0);  // world y: lowest, highest
RWStructuredBuffer<float2> waterHeights : register(u1);

static const uint kTileCount = 512 * 512 / 16;

[numthreads(256, 1, 1)]
void main(uint3 dispatchId : SV_DispatchThreadID)
{
    uint tile = dispatchId.x;
    if (tile >= kTileCount)
    {
        return;
    }
    uint column = tile >> 5;
    uint firstRow = (tile & 31u) * 16u;
    float terrainLow = 1e30f, terrainHigh = -1e30f;
    float waterLow = 0.0f, waterHigh = 0.0f;
    for (uint di = 0; di <= 1; ++di)
    {
        for (uint dj = 0; dj <= 16; ++dj)
        {
            uint2 grid = uint2(column + di, firstRow + dj);
            float2 terrainUV = float2(grid) * 0.001953125f;
            float h = randoms.SampleLevel(linearSampler, float3(terrainUV, scene), 0.0f);
            terrainLow = min(terrainLow, 0.05f * h);
            terrainHigh = max(terrainHigh, 0.05f * h);
            float2 waterUV = float2(grid) / 512.0f;
            float amplitude = randoms.SampleLevel(linearSampler, float3(waterUV, 3.0f), 0.0f) * 0.5f + 0.05f;
            waterLow = min(waterLow, amplitude * 0.01f);
            waterHigh = max(waterHigh, amplitude * 0.01f);
        }
    }
    terrainHeights[tile] = float2(terrainLow, terrainHigh);
    waterHeights[tile] = float2(waterLow, waterHigh);
}
