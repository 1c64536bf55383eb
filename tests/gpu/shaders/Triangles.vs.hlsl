// Vertices come from structured buffers by SV_VertexID: clip-space positions
// and colours, moved by a constant offset.
cbuffer Move : register(b0) {
    float4 move;
};
StructuredBuffer<float4> corners : register(t0);
StructuredBuffer<float4> colors : register(t1);

struct Output {
    float4 position : SV_Position;
    float4 color : COLOR;
};

Output main(uint id : SV_VertexID) {
    Output o;
    o.position = corners[id] + move;
    o.color = colors[id];
    return o;
}
