// The screen rectangle of a quad in front of the eye, in the pixels whose
// centres it holds, and its nearest depth: what the culling programs use to
// tell that the rasteriser would give a quad no fragment.
#ifndef TOLMERO_SCREEN_BOUNDS_HLSLI
#define TOLMERO_SCREEN_BOUNDS_HLSLI

#include "CameraConstant.hlsli"
#include "Compaction.hlsli"

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

// Whether a quad can give a fragment as far as the view volume and the pixel
// centres tell; `inFront` says whether `bounds` were found (every corner in
// front of the eye), for the tests that need them.
bool quadMayShow(float4 corners[8], uint count, out ScreenBounds bounds, out bool inFront)
{
    bounds.first = int2(0, 0);
    bounds.last = int2(-1, -1);
    bounds.nearest = 0.0f;
    inFront = false;
    if (allOutsideOnePlane(corners, count))
    {
        return false;
    }
    inFront = screenBoundsOf(corners, count, bounds);
    return !inFront || !holdsNoPixel(bounds);  // a quad reaching behind the eye: the view planes decide
}

#endif
