// Which vegetation sprites can reach a pixel: a sprite is culled when the
// four corners of its quad, computed exactly as SpriteVertex computes them,
// all lie outside one plane of the view volume, or when the quad lies in
// front of the eye and its screen rectangle holds no pixel centre, so that
// the rasteriser would give it no fragment (most far sprites at small sizes).
// The sway and the mirroring only move texture coordinates inside the quad,
// never the quad itself.
#define TOLMERO_CULLING_PROGRAM
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "Compaction.hlsli"

StructuredBuffer<float> aspectRatios : register(t0);
StructuredBuffer<float> typeHeights : register(t1);
StructuredBuffer<float4> spriteLocations : register(t2);

// Corners in front of the eye (w > 0) project into the rectangle of their
// projections, clipped or not; a rectangle that contains no pixel centre
// (i + 0.5, j + 0.5), with a margin far wider than the rasteriser's
// sub-pixel snapping, covers none. Either direction of y gives the same
// centres, as the target's height is whole.
bool coversNoPixelCentre(float4 corners[8], uint count)
{
    float2 lowest = float2(1e30f, 1e30f);
    float2 highest = float2(-1e30f, -1e30f);
    for (uint i = 0; i < count; ++i)
    {
        float4 c = corners[i];
        if (!(c.w > 0.0f))
        {
            return false;
        }
        float2 pixel = (c.xy / c.w * 0.5f + 0.5f) * float2(screenSize);
        lowest = min(lowest, pixel);
        highest = max(highest, pixel);
    }
    const float margin = 1.0f / 16.0f;
    float2 firstCentre = ceil(lowest - margin - 0.5f);
    float2 lastCentre = floor(highest + margin - 0.5f);
    return firstCentre.x > lastCentre.x || firstCentre.y > lastCentre.y;
}

bool spriteMayShow(uint sprite)
{
    uint3 state = uint3(1u, 2u, sprite);
    [unroll] for (int round = 0; round < 3; ++round)
    {
        mix96(state.x, state.y, state.z);
    }
    float sizeFactor = exp(-unit(state.z));
    float4 location = spriteLocations[sprite];
    int type = int(location.w);
    float size = sizeFactor * typeHeights[type] * 0.04f;
    float halfWidth = size * 0.5f * 1.5f * aspectRatios[type];

    float4 corners[8];
    [unroll] for (uint k = 0; k < 4; ++k)
    {
        float top = float(k >> 1);
        float side = (k & 1u) != 0u ? 1.0f : -1.0f;
        float4 world = float4(location.x - 0.5f, location.y * 0.05f + size * top, location.z - 0.5f, 1.0f);
        float4 camera = mul(worldToCamera, world);
        camera.x += side * halfWidth;
        corners[k] = mul(cameraToClip, camera);
    }
    return !allOutsideOnePlane(corners, 4) && !coversNoPixelCentre(corners, 4);
}

[numthreads(256, 1, 1)]
void main(uint3 threadId : SV_GroupThreadID, uint3 groupId : SV_GroupID, uint3 dispatchId : SV_DispatchThreadID)
{
    uint sprite = dispatchId.x;
    bool visible = sprite < itemCount && spriteMayShow(sprite);
    countVisibleInGroup(threadId.x, groupId.x, visible);
}
