// Which vegetation sprites can reach a pixel: a sprite is culled when the
// four corners of its quad, placed as SpriteVertex places them (to within
// the rounding of carrying the foot and the quad's height through the camera
// once, which the margins of the tests below cover), all lie outside one
// plane of the view volume; when the quad lies in front
// of the eye and its screen rectangle holds no pixel centre, so that the
// rasteriser would give it no fragment (most far sprites at small sizes); or
// when every pixel centre of that rectangle already holds a depth nearer
// than the quad's nearest corner (the terrain, the water, the machines and
// the stump, drawn before the sprites, and the sprites of the batches drawn
// before this one), so that each of its fragments fails the depth test. The
// sway and the mirroring only move texture coordinates inside the quad, never
// the quad itself.
#define TOLMERO_CULLING_PROGRAM
#include "CameraConstant.hlsli"
#include "Compaction.hlsli"
#include "DepthPyramid.hlsli"
#include "ScreenBounds.hlsli"

StructuredBuffer<float2> spriteExtents : register(t0);    // (height, half width), from MeasureSprites
StructuredBuffer<float4> spriteLocations : register(t1);
StructuredBuffer<float> depthPyramid : register(t2);

// The farthest depth drawn so far over the bounds' pixels, from the first
// level of the depth pyramid at which they span at most two texels a side.
float farthestDrawnDepth(ScreenBounds bounds)
{
    uint2 first = uint2(bounds.first) / kDepthTileSize;
    uint2 last = uint2(bounds.last) / kDepthTileSize;
    uint level = 0;
    while (level + 1 < depthLevelCount && any((last >> level) - (first >> level) > 1u))
    {
        ++level;
    }
    uint4 texels = depthLevels[level];
    first >>= level;
    last >>= level;
    return max(max(depthPyramid[texels.z + first.y * texels.x + first.x],
                   depthPyramid[texels.z + first.y * texels.x + last.x]),
               max(depthPyramid[texels.z + last.y * texels.x + first.x],
                   depthPyramid[texels.z + last.y * texels.x + last.x]));
}

// A fragment's depth is interpolated between its triangle's corner depths,
// so none is nearer than the nearest corner. The margin, some thirty units
// in the last place of depths near 1, covers the rounding by which this
// program's corners can differ from the vertex program's and the
// rasteriser's interpolation.
bool hiddenBehindDrawnDepth(ScreenBounds bounds)
{
    const float margin = 2e-6f;
    return depthLevelCount > 0 && bounds.nearest > farthestDrawnDepth(bounds) + margin;
}

bool spriteMayShow(uint sprite)
{
    float2 extent = spriteExtents[sprite];
    float4 location = spriteLocations[sprite];
    float4 foot = mul(worldToCamera, float4(location.x - 0.5f, location.y * 0.05f, location.z - 0.5f, 1.0f));
    float4 up = mul(worldToCamera, float4(0.0f, extent.x, 0.0f, 0.0f));

    float4 corners[8];
    [unroll] for (uint k = 0; k < 4; ++k)
    {
        float4 camera = (k >> 1) != 0u ? foot + up : foot;
        camera.x += (k & 1u) != 0u ? extent.y : -extent.y;
        corners[k] = mul(cameraToClip, camera);
    }
    ScreenBounds bounds;
    bool inFront;
    return quadMayShow(corners, 4, bounds, inFront) && !(inFront && hiddenBehindDrawnDepth(bounds));
}

[numthreads(256, 1, 1)]
void main(uint3 threadId : SV_GroupThreadID, uint3 groupId : SV_GroupID, uint3 dispatchId : SV_DispatchThreadID)
{
    bool visible = dispatchId.x < itemCount && spriteMayShow(firstItem + dispatchId.x);
    countVisibleInGroup(threadId.x, groupId.x, visible);
}
