// Which vegetation sprites can reach a pixel: a sprite is culled when the
// four corners of its quad, computed exactly as SpriteVertex computes them,
// all lie outside one plane of the view volume; when the quad lies in front
// of the eye and its screen rectangle holds no pixel centre, so that the
// rasteriser would give it no fragment (most far sprites at small sizes); or
// when every pixel centre of that rectangle already holds a depth nearer
// than the quad's nearest corner (the terrain, the water, the machines and
// the stump, drawn before the sprites), so that each of its fragments fails
// the depth test. The sway and the mirroring only move texture coordinates
// inside the quad, never the quad itself.
#define TOLMERO_CULLING_PROGRAM
#include "Random.hlsli"
#include "CameraConstant.hlsli"
#include "Compaction.hlsli"
#include "DepthPyramid.hlsli"

StructuredBuffer<float> aspectRatios : register(t0);
StructuredBuffer<float> typeHeights : register(t1);
StructuredBuffer<float4> spriteLocations : register(t2);
StructuredBuffer<float> depthPyramid : register(t3);

// The pixels whose centres (i + 0.5, j + 0.5) the quad's screen rectangle
// holds, rows counted from the top as the target stores them, clamped to the
// target, and the quad's nearest depth. The corners must be in front of the
// eye (w > 0): then the quad projects into the rectangle of their
// projections. The margin is far wider than the rasteriser's sub-pixel
// snapping.
struct ScreenBounds
{
    int2 first;
    int2 last;
    float nearest;
};

bool screenBoundsOf(float4 corners[8], uint count, out ScreenBounds bounds)
{
    float2 lowest = float2(1e30f, 1e30f);
    float2 highest = float2(-1e30f, -1e30f);
    bounds.nearest = 1e30f;
    for (uint i = 0; i < count; ++i)
    {
        float4 c = corners[i];
        if (!(c.w > 0.0f))
        {
            bounds.first = int2(0, 0);
            bounds.last = int2(-1, -1);
            return false;
        }
        float3 ndc = c.xyz / c.w;
        float2 pixel = float2(ndc.x * 0.5f + 0.5f, 0.5f - ndc.y * 0.5f) * float2(screenSize);
        lowest = min(lowest, pixel);
        highest = max(highest, pixel);
        bounds.nearest = min(bounds.nearest, ndc.z);
    }
    const float margin = 1.0f / 16.0f;
    float2 firstCentre = ceil(lowest - margin - 0.5f);
    float2 lastCentre = floor(highest + margin - 0.5f);
    bounds.first = int2(max(firstCentre, float2(0.0f, 0.0f)));
    bounds.last = int2(min(lastCentre, float2(screenSize) - 1.0f));
    return true;
}

bool holdsNoPixel(ScreenBounds bounds)
{
    return bounds.first.x > bounds.last.x || bounds.first.y > bounds.last.y;
}

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
    if (allOutsideOnePlane(corners, 4))
    {
        return false;
    }
    ScreenBounds bounds;
    if (!screenBoundsOf(corners, 4, bounds))
    {
        return true;  // the quad reaches behind the eye: the view planes decide
    }
    return !holdsNoPixel(bounds) && !hiddenBehindDrawnDepth(bounds);
}

[numthreads(256, 1, 1)]
void main(uint3 threadId : SV_GroupThreadID, uint3 groupId : SV_GroupID, uint3 dispatchId : SV_DispatchThreadID)
{
    uint sprite = dispatchId.x;
    bool visible = sprite < itemCount && spriteMayShow(sprite);
    countVisibleInGroup(threadId.x, groupId.x, visible);
}
