// output[i] = input[i] * scale + offset + i, for i below count.
cbuffer Params : register(b0) {
    float4 scale;
    float4 offset;
    uint count;
    uint3 unused;
};
StructuredBuffer<float4> input : register(t0);
RWStructuredBuffer<float4> output : register(u0);

[numthreads(64, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) {
    if (id.x >= count) return;
    output[id.x] = input[id.x] * scale + offset + float(id.x);
}
