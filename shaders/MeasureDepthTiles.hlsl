// The depth pyramid's finest level: the farthest depth of every tile of
// 16 x 16 pixels of the depth target (partial tiles at the right and bottom
// edges hold the pixels they have). One thread a tile, no barrier: a CPU
// driver pays for every barrier, a GPU hardly notices the loop.
#include "DepthPyramid.hlsli"

Texture2D<float> depth : register(t0);
RWStructuredBuffer<float> depthPyramid : register(u0);

[numthreads(8, 8, 1)]
void main(uint3 dispatchId : SV_DispatchThreadID)
{
    uint2 tiles = depthLevels[0].xy;
    if (dispatchId.x >= tiles.x || dispatchId.y >= tiles.y)
    {
        return;
    }
    uint width, height;
    depth.GetDimensions(width, height);
    uint2 first = dispatchId.xy * kDepthTileSize;
    uint2 end = min(first + kDepthTileSize, uint2(width, height));
    float farthest = 0.0f;
    for (uint y = first.y; y < end.y; ++y)
    {
        for (uint x = first.x; x < end.x; ++x)
        {
            farthest = max(farthest, depth.Load(int3(x, y, 0)));
        }
    }
    depthPyramid[dispatchId.y * tiles.x + dispatchId.x] = farthest;
}
