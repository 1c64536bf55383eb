// Shared parts of the editor programs: the editor's view transform and the
// square markers drawn around control points.
#ifndef TOLMERO_EDITOR_HLSLI
#define TOLMERO_EDITOR_HLSLI

cbuffer EditorConstant : register(b0)
{
    float4x4 editorView;
};

struct MarkerVertex
{
    float4 position : SV_Position;
    float2 UV : UV;
    float3 Color : Color;
};

// Corners of a marker quad as two triangles, clockwise on screen.
static const float2 kMarkerCorners[6] =
{
    float2(-1.0f,  1.0f), float2( 1.0f,  1.0f), float2( 1.0f, -1.0f),
    float2(-1.0f,  1.0f), float2( 1.0f, -1.0f), float2(-1.0f, -1.0f),
};

// Vertex `vertexId` of the marker around a clip-space point; the offset is
// scaled by w so the marker keeps its size on screen at any depth.
MarkerVertex markerVertex(float4 center, uint vertexId, float radius, float3 color)
{
    float2 corner = kMarkerCorners[vertexId % 6];
    MarkerVertex output;
    output.position = center + float4(corner * radius * center.w, 0.0f, 0.0f);
    output.UV = corner * 0.5f + 0.5f;
    output.Color = color;
    return output;
}

#endif
