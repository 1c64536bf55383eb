// One colour from "Colour"; counts the shaded pixels in "counter", a
// pixel-stage read-write buffer placed right after the render target.
cbuffer Colour : register(b0)
{
    float4 colour;
};
RWStructuredBuffer<uint> counter : register(u1);

float4 main(float4 position : SV_Position) : SV_Target
{
    InterlockedAdd(counter[0], 1u);
    return colour;
}
