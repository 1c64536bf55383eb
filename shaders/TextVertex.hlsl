// One glyph per six vertices: a quad over the glyph's box (normalised target
// coordinates, origin top-left, y down) showing the span [L, R] of its
// bitmap across and the whole bitmap down.
#include "Random.hlsli"

StructuredBuffer<uint> indices : register(t0);   // texture-array slice per glyph
StructuredBuffer<float4> boxes : register(t1);   // (x0, y0, x1, y1)
StructuredBuffer<float2> UVs : register(t2);     // (L, R)

struct TextVertexOutput
{
    float4 position : SV_Position;
    float2 UV : UV;
    nointerpolation uint Index : Index;
};

TextVertexOutput main(uint vertexId : SV_VertexID)
{
    uint glyph = vertexId / 6;
    uint corner = vertexId % 6;
    float4 box = boxes[glyph];
    float2 span = UVs[glyph];

    // Clip space is y-up: the box's top edge y0 becomes the larger Y.
    float X0 = 2.0f * box.x - 1.0f;
    float X1 = 2.0f * box.z - 1.0f;
    float Y0 = 1.0f - 2.0f * box.y;
    float Y1 = 1.0f - 2.0f * box.w;

    // Corners 0, 1, 2 and 3, 4, 5: top-left, top-right, bottom-left, then
    // bottom-left, top-right, bottom-right; both triangles clockwise.
    bool right = corner == 1 || corner == 4 || corner == 5;
    bool bottom = corner == 2 || corner == 3 || corner == 5;

    TextVertexOutput output;
    output.position = float4(right ? X1 : X0, bottom ? Y1 : Y0, 0.5f, 1.0f);
    output.UV = float2(right ? span.y : span.x, bottom ? 1.0f : 0.0f);
    output.Index = indices[glyph];
    return output;
}
