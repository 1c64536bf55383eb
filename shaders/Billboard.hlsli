// Corners of a camera-facing quad drawn as two triangles from the vertex
// number: x from -0.5 to 0.5 across, y from 0 (the foot) to 1 (the top).
// Both triangles run clockwise on screen, so back-face culling keeps them.
#ifndef TOLMERO_BILLBOARD_HLSLI
#define TOLMERO_BILLBOARD_HLSLI

static const float2 kBillboardCorners[6] =
{
    float2(-0.5f, 0.0f), float2(-0.5f, 1.0f), float2(0.5f, 0.0f),
    float2(-0.5f, 1.0f), float2(0.5f, 1.0f), float2(0.5f, 0.0f),
};

float2 billboardCorner(uint vertexId)
{
    return kBillboardCorners[vertexId % 6];
}

// The colour test shared by the vegetation and the stumps: photographs are
// cut out of a white background, so near-white texels are discarded, a little
// more leniently at coarser levels of detail where the edges blur into grey.
bool isBackgroundWhite(float3 colour, float lod)
{
    return length(colour) > lod * lod * 0.0022f + 1.4f;
}

#endif
