// A compute program with four named resources (used by the binding
// benchmark): a constant buffer, a texture, a structured buffer and a
// read-write structured buffer.
cbuffer Params : register(b0)
{
    float4 scale;
};
Texture2D<float4> image : register(t0);
StructuredBuffer<float4> values : register(t1);
RWStructuredBuffer<float4> output : register(u0);

[numthreads(64, 1, 1)]
void main(uint3 id : SV_DispatchThreadID)
{
    output[id.x] = scale * values[id.x] + image.Load(int3(id.x % 8, 0, 0));
}
