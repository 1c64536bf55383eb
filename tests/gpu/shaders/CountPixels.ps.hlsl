// One render target at SV_Target0, so the pixel stage's read-write buffer
// follows it at u1.
RWStructuredBuffer<uint> hits : register(u1);

float4 main(float4 position : SV_Position, float4 color : COLOR) : SV_Target {
    InterlockedAdd(hits[0], 1u);
    InterlockedAdd(hits[1 + uint(position.y)], 1u);
    return color;
}
