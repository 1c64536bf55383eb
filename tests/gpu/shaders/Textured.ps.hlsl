// Uses the same b0 and t0 registers as the vertex shader for other objects:
// the stages' registers are separate.
cbuffer Tint : register(b0) {
    float4 tint;
};
SamplerState pointSampler : register(s0);
Texture2D<float4> image : register(t0);

float4 main(float4 position : SV_Position, float4 color : COLOR) : SV_Target {
    uint width, height;
    image.GetDimensions(width, height);
    return image.Sample(pointSampler, position.xy / float2(width, height)) * tint;
}
