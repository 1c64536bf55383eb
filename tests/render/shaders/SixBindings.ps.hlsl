// A pixel program with four named resources; with "SV_Target" and
// "SV_Depth" a draw of it binds six names (used by the binding benchmark).
cbuffer Colour : register(b0)
{
    float4 colour;
};
SamplerState linearSampler : register(s0);
Texture2D<float4> image : register(t0);
StructuredBuffer<float4> tints : register(t1);

float4 main(float4 position : SV_Position) : SV_Target
{
    return colour * image.SampleLevel(linearSampler, position.xy / 8.0f, 0) * tints[0];
}
