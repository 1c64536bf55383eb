// Declares a resource array: two textures under one name.
Texture2D<float4> images[2] : register(t0);
RWStructuredBuffer<float4> output : register(u0);

[numthreads(1, 1, 1)]
void main()
{
    output[0] = images[0].Load(int3(0, 0, 0)) + images[1].Load(int3(0, 0, 0));
}
