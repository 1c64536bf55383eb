// Four bindings, like the particle and scatter passes: constants, a sampler,
// a texture array and a read-write buffer.
cbuffer Step : register(b0) {
    float4 wind;
};
SamplerState linearSampler : register(s0);
Texture2DArray<float4> randoms : register(t0);
RWStructuredBuffer<float4> particles : register(u0);

[numthreads(64, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) {
    float4 p = particles[id.x];
    float4 r = randoms.SampleLevel(linearSampler, float3(p.xy, id.x % 2), 0);
    particles[id.x] = p + r * wind;
}
