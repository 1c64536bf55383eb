// Two read-write buffers at u0 and u1 of the same element type.
RWStructuredBuffer<uint> first : register(u0);
RWStructuredBuffer<uint> second : register(u1);

[numthreads(32, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) {
    first[id.x] = id.x * 2u + 1u;
    second[id.x] = id.x * 3u + second[id.x];
}
