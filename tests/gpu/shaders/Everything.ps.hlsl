// Declares every kind of resource the renderer binds, for reflection.
cbuffer CameraConstant : register(b0) {
    float4x4 worldToCamera;
    uint2 screenSize;
    float time;
    int scene;
};
cbuffer stumpData : register(b2) {
    float4 position;
};
SamplerState linearSampler : register(s0);
SamplerState pointSampler : register(s3);
Texture2D<float4> image : register(t0);
Texture2DArray<float4> sprites : register(t1);
StructuredBuffer<float4> spriteLocations : register(t2);
StructuredBuffer<uint> indices : register(t3);
Buffer<float4> typed : register(t4);
Texture2D<float4> pair[2] : register(t5);
RWStructuredBuffer<float4> particles : register(u2);
RWTexture2D<float4> result : register(u3);
RWTexture2DArray<float> randoms : register(u4);
Texture2D<float4> neverUsed : register(t9);

struct Output {
    float4 color : SV_Target0;
    float4 glow : SV_Target1;
};

Output main(float4 pos : SV_Position, float2 uv : UV, nointerpolation uint index : Index) {
    float4 c = image.Sample(linearSampler, uv) + sprites.Sample(pointSampler, float3(uv, index));
    c += spriteLocations[index] + indices[index] + typed[index] + pair[index & 1].Sample(linearSampler, uv);
    c += mul(worldToCamera, position) + float(screenSize.x) + time + scene;
    particles[index] = c;
    result[uint2(pos.xy)] = c;
    randoms[uint3(pos.xy, 1)] = c.x + randoms[uint3(pos.xy, 0)];
    Output o;
    o.color = c;
    o.glow = c * 2.0;
    return o;
}
