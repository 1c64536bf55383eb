// The depth pyramid's coarser levels from its finest (MeasureDepthTiles): one
// group walks up the levels, each thread a share of every level's texels, one
// barrier a level. Level k is small (the finest has a texel per 16 x 16
// pixels), so a single group is enough and the passes need no dispatch per
// level.
#include "DepthPyramid.hlsli"

globallycoherent RWStructuredBuffer<float> depthPyramid : register(u0);

static const uint kThreads = 256;

[numthreads(256, 1, 1)]
void main(uint3 threadId : SV_GroupThreadID)
{
    for (uint level = 1; level < depthLevelCount; ++level)
    {
        uint4 below = depthLevels[level - 1];
        uint4 here = depthLevels[level];
        for (uint i = threadId.x; i < here.x * here.y; i += kThreads)
        {
            uint2 texel = uint2(i % here.x, i / here.x);
            uint2 first = texel * 2u;
            uint2 last = min(first + 1u, below.xy - 1u);
            float farthest = max(max(depthPyramid[below.z + first.y * below.x + first.x],
                                     depthPyramid[below.z + first.y * below.x + last.x]),
                                 max(depthPyramid[below.z + last.y * below.x + first.x],
                                     depthPyramid[below.z + last.y * below.x + last.x]));
            depthPyramid[here.z + i] = farthest;
        }
        DeviceMemoryBarrierWithGroupSync();
    }
}
