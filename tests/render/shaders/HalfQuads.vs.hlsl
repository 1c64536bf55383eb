// Twelve vertices: a quad over the top half of the target wound clockwise on
// screen (front facing), and a quad over the bottom half wound
// counter-clockwise (culled). Clip space is y-up. "Placement" gives the depth.
cbuffer Placement : register(b1)
{
    float depth;
    float3 unused;
};

static const float2 kCorners[12] =
{
    // top half, clockwise: top-left, top-right, middle-right; top-left, middle-right, middle-left
    float2(-1.0f, 1.0f), float2(1.0f, 1.0f), float2(1.0f, 0.0f),
    float2(-1.0f, 1.0f), float2(1.0f, 0.0f), float2(-1.0f, 0.0f),
    // bottom half, counter-clockwise: middle-left, bottom-left, bottom-right; middle-left, bottom-right, middle-right
    float2(-1.0f, 0.0f), float2(-1.0f, -1.0f), float2(1.0f, -1.0f),
    float2(-1.0f, 0.0f), float2(1.0f, -1.0f), float2(1.0f, 0.0f),
};

float4 main(uint vertexId : SV_VertexID) : SV_Position
{
    return float4(kCorners[vertexId % 12], depth, 1.0f);
}
