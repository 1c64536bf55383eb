// The editor's time grid as a line list: `bars` + 1 bar lines spread evenly
// from `begin` to `end`, then one line per fence at "fenceLocations". Each
// line spans the full height of the view; 2 vertices per line.
#include "Random.hlsli"
#include "Editor.hlsli"

StructuredBuffer<float> fenceLocations : register(t0);

cbuffer GridConsts : register(b1)
{
    uint bars;
    float begin;
    float end;
    uint fences;
};

struct GridVertexOutput
{
    float4 position : SV_Position;
    float3 Color : Color;
};

GridVertexOutput main(uint vertexId : SV_VertexID)
{
    uint lineIndex = vertexId / 2;
    float x;
    float3 color;
    if (lineIndex <= bars)
    {
        x = bars == 0 ? begin : lerp(begin, end, float(lineIndex) / float(bars));
        color = (lineIndex % 4 == 0) ? float3(0.5f, 0.5f, 0.5f) : float3(0.25f, 0.25f, 0.25f);
    }
    else
    {
        uint fence = min(lineIndex - bars - 1, max(fences, 1u) - 1);
        x = fences == 0 ? begin : fenceLocations[fence];
        color = float3(0.9f, 0.3f, 0.2f);
    }
    GridVertexOutput output;
    output.position = mul(editorView, float4(x, 0.0f, 0.0f, 1.0f));
    output.position.y = (vertexId % 2 == 0 ? -1.0f : 1.0f) * output.position.w;
    output.Color = color;
    return output;
}
