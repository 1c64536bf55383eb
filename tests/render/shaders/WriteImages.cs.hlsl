// Writes a read-write texture (u0) and a read-write texture array (u1).
RWTexture2D<float4> plane : register(u0);
RWTexture2DArray<float> planes : register(u1);

[numthreads(4, 4, 1)]
void main(uint3 id : SV_DispatchThreadID)
{
    plane[id.xy] = float4(id.x, id.y, 1.0f, 2.0f);
    for (uint slice = 0; slice < 2; ++slice)
        planes[uint3(id.xy, slice)] = id.x + 10.0f * id.y + 100.0f * slice;
}
