// A curve as a line strip through the points of "values", placed through the
// editor view; one vertex per point.
#include "Random.hlsli"
#include "Editor.hlsli"

StructuredBuffer<float3> values : register(t0);

float4 main(uint vertexId : SV_VertexID) : SV_Position
{
    return mul(editorView, float4(values[vertexId], 1.0f));
}
