// Two triangles that cover the whole target, built from the vertex number
// (6 vertices). Clockwise on screen, so the default culling keeps them.
#include "Random.hlsli"

static const float2 kCorners[6] =
{
    float2(-1.0f,  1.0f), float2( 1.0f,  1.0f), float2( 1.0f, -1.0f),
    float2(-1.0f,  1.0f), float2( 1.0f, -1.0f), float2(-1.0f, -1.0f),
};

float4 main(uint vertexId : SV_VertexID) : SV_Position
{
    return float4(kCorners[vertexId % 6], 0.0f, 1.0f);
}
