// Which tiles of a landscape grid (terrain or water) can reach a pixel: a
// tile's box spans its grid points across and its measured height range up;
// every vertex of the tile lies in the box, so when the box's eight corners
// all lie outside one plane of the view volume, so does the whole tile.
#define TOLMERO_CULLING_PROGRAM
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "Compaction.hlsli"

StructuredBuffer<float2> tileHeights : register(t0);

bool tileMayShow(uint tile)
{
    uint column = tile >> 5;
    uint firstRow = (tile & 31u) * 16u;
    float2 heights = tileHeights[tile];
    float4 corners[8];
    [unroll] for (uint k = 0; k < 8; ++k)
    {
        uint2 grid = uint2(column + (k & 1u), firstRow + ((k & 2u) != 0u ? 16u : 0u));
        float2 uv = float2(grid) * 0.001953125f;
        float4 world = float4(uv.x - 0.5f, (k & 4u) != 0u ? heights.y : heights.x, uv.y - 0.5f, 1.0f);
        corners[k] = mul(cameraToClip, mul(worldToCamera, world));
    }
    return !allOutsideOnePlane(corners, 8);
}

[numthreads(256, 1, 1)]
void main(uint3 threadId : SV_GroupThreadID, uint3 groupId : SV_GroupID, uint3 dispatchId : SV_DispatchThreadID)
{
    uint tile = dispatchId.x;
    bool visible = tile < itemCount && tileMayShow(tile);
    countVisibleInGroup(threadId.x, groupId.x, visible);
}
