// Markers for the control points of a curve: 6 vertices per point of
// "values", each point placed through the editor view.
#include "Random.hlsli"
#include "Editor.hlsli"

StructuredBuffer<float3> values : register(t0);

MarkerVertex main(uint vertexId : SV_VertexID)
{
    float3 value = values[vertexId / 6];
    float4 center = mul(editorView, float4(value, 1.0f));
    return markerVertex(center, vertexId, 0.015f, float3(1.0f, 0.85f, 0.3f));
}
