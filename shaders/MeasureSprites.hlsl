// The size of every vegetation sprite's quad, once per scatter, for its
// culling: the height (a random factor in [1/e, 1) of its type's height, as
// SpriteVertex draws it) and the half width of the quad, 1.5 times the
// image's width. The culling of every frame reads them instead of drawing the
// random factor again for each of the million sprites.
#include "Random.hlsli"

StructuredBuffer<float> aspectRatios : register(t0);   // width / height per type
StructuredBuffer<float> typeHeights : register(t1);
StructuredBuffer<float4> spriteLocations : register(t2);  // (x, h, z, type)
RWStructuredBuffer<float2> spriteExtents : register(u0);  // (height, half width)

[numthreads(256, 1, 1)]
void main(uint3 dispatchId : SV_DispatchThreadID)
{
    uint sprite = dispatchId.x;
    uint count, stride;
    spriteExtents.GetDimensions(count, stride);
    if (sprite >= count)
    {
        return;
    }
    uint3 state = uint3(1u, 2u, sprite);
    [unroll] for (int round = 0; round < 3; ++round)
    {
        mix96(state.x, state.y, state.z);
    }
    float sizeFactor = exp(-unit(state.z));
    int type = int(spriteLocations[sprite].w);
    float size = sizeFactor * typeHeights[type] * 0.04f;
    spriteExtents[sprite] = float2(size, size * 0.5f * 1.5f * aspectRatios[type]);
}
