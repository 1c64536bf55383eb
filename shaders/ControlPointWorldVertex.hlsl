// Markers for control points in the world: "values" holds a position in xyz
// and the key kind in w (3 for a corner key, 1 for a smooth key).
#include "Random.hlsli"
#include "Editor.hlsli"

StructuredBuffer<float4> values : register(t0);

MarkerVertex main(uint vertexId : SV_VertexID)
{
    float4 value = values[vertexId / 6];
    float4 center = mul(editorView, float4(value.xyz, 1.0f));
    float3 color = value.w > 2.0f ? float3(1.0f, 0.5f, 0.15f) : float3(0.3f, 0.85f, 1.0f);
    return markerVertex(center, vertexId, 0.02f, color);
}
