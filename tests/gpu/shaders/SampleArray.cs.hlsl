// Samples a texture array at the (u, v, slice, level) points of the constant
// buffer with two samplers, and loads texels from a plain 2D texture.
cbuffer Points : register(b0) {
    float4 points[4];
};
SamplerState pointSampler : register(s0);
SamplerState linearSampler : register(s1);
Texture2DArray<float4> images : register(t0);
Texture2D<float4> flat : register(t1);
RWStructuredBuffer<float4> results : register(u0);

[numthreads(4, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) {
    float4 p = points[id.x];
    results[id.x * 3 + 0] = images.SampleLevel(pointSampler, p.xyz, p.w);
    results[id.x * 3 + 1] = images.SampleLevel(linearSampler, p.xyz, p.w);
    results[id.x * 3 + 2] = flat.Load(int3(id.x, 0, 0));
}
