// Reads one value through each kind of read-only binding and writes it to
// "output": the constant buffer, a sampled texture, a texture array and a
// structured buffer.
cbuffer Params : register(b0)
{
    float4 scale;
    uint4 pick;  // x, y, slice of "layers"; w: element of "values"
};
SamplerState pointSampler : register(s0);
Texture2D<float4> image : register(t0);
Texture2DArray<float> layers : register(t1);
StructuredBuffer<float4> values : register(t2);
RWStructuredBuffer<float4> output : register(u0);

[numthreads(1, 1, 1)]
void main()
{
    output[0] = scale;
    output[1] = image.SampleLevel(pointSampler, float2(0.75f, 0.25f), 0);  // texel (1, 0)
    output[2] = float4(layers.Load(int4(pick.xyz, 0)), 0.0f, 0.0f, 0.0f);
    output[3] = values[pick.w];
}
