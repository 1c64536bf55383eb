// A path in the world as a line strip through the xyz of "values" (w is the
// key kind and does not move the point); one vertex per point.
#include "Random.hlsli"
#include "Editor.hlsli"

StructuredBuffer<float4> values : register(t0);

float4 main(uint vertexId : SV_VertexID) : SV_Position
{
    return mul(editorView, float4(values[vertexId].xyz, 1.0f));
}
